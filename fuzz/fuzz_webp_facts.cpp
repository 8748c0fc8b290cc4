// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a WebP photo: the header reader (canvas, EXIF, ICC through the demuxer)
// must never crash, and whatever it accepts must describe a real picture within the 64-megapixel
// bound. Small pictures are decoded for the screen and for a page as well; a page's image must hold
// no more pixels than asked for. The decoder module is linked in here rather than loaded, so that
// it is built with the fuzzer's coverage and sanitizers.
#include <cstddef>
#include <cstdint>

#include "decoded_photo_checks.h"
#include "platform/photos/webp/webp_decoder.h"
#include "platform/photos/webp/webp_image.h"
#include "platform/photos/webp/webp_pixels.h"

extern "C" const posteri::WebpDecoder posteri_webp_decoder;

namespace posteri {

// In place of the loader, which would look for the module beside the program.
const WebpDecoder* webp_decoder() {
    return &posteri_webp_decoder;
}

}  // namespace posteri

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return posteri::fuzz::check_photo(
        data, size,
        {posteri::PhotoKind::Webp, posteri::read_webp_header, posteri::decode_webp, posteri::webp_image});
}
