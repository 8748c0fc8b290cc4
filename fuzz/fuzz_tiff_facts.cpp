// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a TIFF photo: the header reader (the first page's directory through
// libtiff, its strips, resolution, orientation, ICC profile) must never crash, and whatever it
// accepts must describe a real picture within the 64-megapixel bound. Small pictures are decoded
// for the screen and for a page as well; a page's image is either the file's own strips, each
// within the file, or decoded rows of no more pixels than asked for. The decoder module is linked in
// here rather than loaded, so that it is built with the fuzzer's coverage and sanitizers.
#include <cstddef>
#include <cstdint>

#include "decoded_kind_checks.h"
#include "platform/photos/tiff/tiff_decoder.h"
#include "platform/photos/tiff/tiff_image.h"
#include "platform/photos/tiff/tiff_pixels.h"

extern "C" const posteri::TiffDecoder posteri_tiff_decoder;

namespace posteri {

// In place of the loader, which would look for the module beside the program.
const TiffDecoder* tiff_decoder() {
    return &posteri_tiff_decoder;
}

}  // namespace posteri

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace posteri;
    return fuzz::check_decoded_kind({PhotoKind::Tiff, read_tiff_header, decode_tiff, tiff_image}, data, size);
}
