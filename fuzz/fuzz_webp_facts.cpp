// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a WebP photo (canvas, EXIF, ICC through the demuxer; pixels for the
// screen and a page), as decoded_kind_checks.h says. The decoder module is linked in here rather
// than loaded, so that it is built with the fuzzer's coverage and sanitizers.
#include <cstddef>
#include <cstdint>

#include "decoded_kind_checks.h"
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
    using namespace posteri;
    return fuzz::check_decoded_kind({PhotoKind::Webp, read_webp_header, decode_webp, webp_image}, data, size);
}
