#pragma once
// The notice window (FUN_AVVI, declared with the other operations of the run) and bringing a graphic
// window to the front.

#include "platform/platform.h"

namespace posteri {

// Brings the window to the front and gives it the keyboard, where the desktop allows.
void AFXFORCE(Platform& platform, WindowHandle window);

}  // namespace posteri
