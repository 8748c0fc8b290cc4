// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An ICC profile made from a HEIF photo's nclx colour box, so that a page carries a wide-gamut
// photo (an iPhone's Display P3) in its own colours, as a PDF reader needs them described.

#include <string>

#include "platform/photos/heif/heif_decoder.h"

namespace posteri {

// An RGB profile of the box's primaries and white point and a curve for its transfer; empty when the
// box is absent or the profile cannot be made. Transfers a profile curve cannot follow (PQ, HLG)
// take sRGB's.
std::string nclx_icc_profile(const HeifNclx& nclx);

}  // namespace posteri
