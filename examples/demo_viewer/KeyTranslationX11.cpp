#include <X11/keysym.h>

#include "KeyTranslation.h"

namespace demo_viewer {

ViewerKey KeyFromSystemCode(unsigned long code) {
  switch (code) {
    case XK_Escape:
      return ViewerKey::kEscape;
    case XK_Tab:
      return ViewerKey::kTab;
    case XK_KP_Add:
      return ViewerKey::kKeypadPlus;
    case XK_KP_Subtract:
      return ViewerKey::kKeypadMinus;
    case XK_Right:
      return ViewerKey::kRight;
    case XK_Left:
      return ViewerKey::kLeft;
    default:
      return ViewerKey::kOther;
  }
}

}  // namespace demo_viewer
