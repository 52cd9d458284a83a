#include <windows.h>

#include "KeyTranslation.h"

namespace demo_viewer {

// The keypad's + and - are left out: they type "+" and "-", which reach the
// viewer as characters (WM_CHAR) like the main keyboard's, and would count
// twice.
ViewerKey KeyFromSystemCode(unsigned long code) {
  switch (code) {
    case VK_ESCAPE:
      return ViewerKey::kEscape;
    case VK_TAB:
      return ViewerKey::kTab;
    case VK_RIGHT:
      return ViewerKey::kRight;
    case VK_LEFT:
      return ViewerKey::kLeft;
    default:
      return ViewerKey::kOther;
  }
}

}  // namespace demo_viewer
