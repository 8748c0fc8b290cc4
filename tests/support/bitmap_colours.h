// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colours a codec's bitmaps hold, read back through BitmapBits, and a matcher for colours that
// went through a lossy coding.

#include <gmock/gmock.h>

#include <cstdlib>
#include <string>

#include "platform/photos/images.h"
#include "support/test_photos.h"

namespace posteri::test {

// The colour of an upright pixel of a bitmap.
inline Rgb colour_at(ImageCodec& codec, const MemoryBitmap& bitmap, int x, int y) {
    const std::string bits = codec.read_bits(bitmap);
    const std::size_t at = 8 + 4 * (static_cast<std::size_t>(y) * bitmap.width() + x);
    const auto byte = [&](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(bits.at(i))); };
    return {byte(at + 2), byte(at + 1), byte(at)};
}

MATCHER_P(LooksLike, expected, "") {
    const auto near = [](int a, int b) { return std::abs(a - b) <= 24; };
    *result_listener << "is " << arg.r << "," << arg.g << "," << arg.b;
    return near(arg.r, expected.r) && near(arg.g, expected.g) && near(arg.b, expected.b);
}

inline const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

}  // namespace posteri::test
