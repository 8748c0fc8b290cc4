// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a HEIF photo (HEIC, AVIF) through the reader's header (boxes, EXIF, an
// ICC profile or one made from the nclx box), screen and page code, with decoded_kind_checks.h's
// checks. The decoder module is linked in here rather than loaded, so that it is built with the
// fuzzer's coverage and sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "decoded_kind_checks.h"
#include "platform/photos/heif/heif_decoder.h"
#include "platform/photos/heif/heif_image.h"
#include "platform/photos/heif/heif_pixels.h"

extern "C" const posteri::HeifDecoder posteri_heif_decoder;

namespace posteri {

// In place of the loader, which would look for the module beside the program.
const HeifDecoder* heif_decoder() {
    return &posteri_heif_decoder;
}

}  // namespace posteri

// libheif 1.15's AV1 decoder plugin keeps a frame of libdav1d's when a damaged stream fails: a leak
// of the library's, not of the reader's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const posteri::DecodedKind reader{posteri::PhotoKind::Heif, posteri::read_heif_header,
                                             posteri::decode_heif, posteri::heif_image};
    const auto header =
        posteri::fuzz::checked_header(reader, std::string(reinterpret_cast<const char*>(data), size));
    // libheif turns the image as its container says; no orientation is left to apply.
    if (header && header->orientation != 1) std::abort();
    return 0;
}
