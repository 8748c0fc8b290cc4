// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Line-oriented output used by the run: centred lines and colour pairs.

#include <string_view>

#include "platform/terminal/console.h"

namespace posteri {

// Console colour numbers.
enum Colour : int {
    kBlack = 0, kBlue = 1, kGreen = 2, kCyan = 3, kRed = 4, kMagenta = 5, kBrown = 6, kLightGrey = 7,
    kDarkGrey = 8, kLightBlue = 9, kLightGreen = 10, kLightCyan = 11, kLightRed = 12,
    kLightMagenta = 13, kYellow = 14, kWhite = 15
};

inline Attribute attribute(int foreground, int background) {
    return static_cast<Attribute>((foreground & 15) + 16 * (background & 15));
}

// The text centred in a field as wide as the screen: floor((W - L) / 2) spaces before it, the rest
// after it; a longer text is cut to W characters. The line fills its row.
void write_centred_line(Console& console, std::string_view text);

}  // namespace posteri
