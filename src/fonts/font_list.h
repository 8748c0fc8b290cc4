// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The font list: the installed display faces, without those useless for a poster, each entry its
// name followed by a sample text, so that a preview can show the name in its own face.

#include <cstdint>
#include <string>
#include <string_view>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace posteri {

// The sample after each face name in the font list.
inline constexpr std::string_view kFontSample = ", ABC abc 1234567890";

// The face a font list entry names: its part before the first comma.
inline std::string_view face_name(std::string_view entry) { return entry.substr(0, entry.find(',')); }

// Replaces `list` (entries 1 .. count; element 0 left empty) and `count` with the installed faces,
// sorted with a-z compared as A-Z. Count 0 when nothing is installed.
void LEGGIFON(Platform& platform, std::vector<std::string>& list, std::int32_t& count);

}  // namespace posteri
