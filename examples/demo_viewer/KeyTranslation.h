// The window system's key codes as the viewer's keys: one file per system
// (KeyTranslationX11.cpp, KeyTranslationWin32.cpp).
#ifndef KELO_DEMO_VIEWER_KEY_TRANSLATION_H
#define KELO_DEMO_VIEWER_KEY_TRANSLATION_H

#include "ViewerCommands.h"

namespace demo_viewer {

// |code| is an X keysym on X11 and a virtual-key code on Windows; keys the
// viewer knows by the character they type are kOther.
ViewerKey KeyFromSystemCode(unsigned long code);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_KEY_TRANSLATION_H
