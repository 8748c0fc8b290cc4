// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ICC colour profiles carried by photos, checked and used through lcms2.

#include <string_view>

namespace posteri {

// Whether `icc` is a whole ICC profile of a colour space with `components` components (1 grey,
// 3 RGB, 4 CMYK) from which colours convert to sRGB: what a PDF reader needs to show a photo
// through it. A profile that fails here is left out, and the photo's colours taken as they are.
bool usable_icc_profile(std::string_view icc, int components);

}  // namespace posteri
