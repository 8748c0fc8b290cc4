// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a WebP photo through the reader's header (canvas, EXIF, ICC through the
// demuxer), screen and page code, with decoded_kind_checks.h's checks. The decoder module is linked
// in here rather than loaded, so that it is built with the fuzzer's coverage and sanitizers.
#include <cstddef>
#include <cstdint>
#include <string>

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
    static const posteri::DecodedKind reader{posteri::PhotoKind::Webp, posteri::read_webp_header,
                                             posteri::decode_webp, posteri::webp_image};
    posteri::fuzz::checked_header(reader, std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
