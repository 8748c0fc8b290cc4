// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speech routine: speaks a text with the platform's voice.

#include <string_view>

#include "platform/platform.h"

namespace posteri {

// Returns when the voice has finished; without a voice, at once and silently.
void PARLA6(Platform& platform, std::string_view text);

}  // namespace posteri
