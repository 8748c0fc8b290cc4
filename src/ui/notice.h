// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The notice window and bringing a graphic window to the front.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

// Notice window: shows `shown`, speaks `spoken`, waits for a key or the time-out; returns the key.
std::string FUN_AVVI(Platform& platform, std::string_view spoken, std::string_view shown, float timeout_seconds,
                     std::int32_t size, std::string_view face, std::int32_t style, std::int32_t background,
                     std::int32_t foreground);

// Brings the window to the front and gives it the keyboard, where the desktop allows.
void AFXFORCE(Platform& platform, WindowHandle window);

}  // namespace posteri
