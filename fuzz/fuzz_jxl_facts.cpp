// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a JPEG XL photo (size header, orientation, profile, Exif box; pixels
// for the screen and a page, or the JPEG it rebuilds), as decoded_kind_checks.h says. The reader
// module is linked in here rather than loaded, so that our side of it is built with the fuzzer's
// coverage and sanitizers.
#include <cstddef>
#include <cstdint>

#include "decoded_kind_checks.h"
#include "platform/photos/jxl/jxl_image.h"
#include "platform/photos/jxl/jxl_pixels.h"
#include "platform/photos/jxl/jxl_reader.h"

extern "C" const posteri::JxlReader posteri_jxl_reader;

namespace posteri {

// In place of the loader, which would look for the module beside the program.
const JxlReader* jxl_reader() {
    return &posteri_jxl_reader;
}

}  // namespace posteri

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace posteri;
    return fuzz::check_decoded_kind({PhotoKind::JpegXl, read_jxl_header, decode_jxl, jxl_image}, data, size);
}
