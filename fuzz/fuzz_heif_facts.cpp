// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a HEIF photo (HEIC, AVIF): the header reader (boxes, EXIF, an ICC profile
// or one made from the nclx box) must never crash, and whatever it accepts must describe a real
// picture within the 64-megapixel bound. Small pictures are decoded for the screen and for a page
// as well; a page's image must hold no more pixels than asked for. The decoder module is linked in
// here rather than loaded, so that it is built with the fuzzer's coverage and sanitizers.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/photos/heif/heif_decoder.h"
#include "platform/photos/heif/heif_image.h"
#include "platform/photos/heif/heif_pixels.h"
#include "platform/photos/photo_header.h"

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

namespace {

constexpr long long kLargestDecodedPixels = 1 << 20;
constexpr long long kMostPrintedPixels = 1 << 14;

void check_decoded(const std::string& bytes) {
    bool cut_short = false;
    cairo_surface_destroy(posteri::decode_heif(bytes, kMostPrintedPixels, &cut_short));
    const auto image = posteri::heif_image(bytes, kMostPrintedPixels, cut_short);
    if (!image) return;
    if (image->data.empty() || image->width <= 0 || image->height <= 0) std::abort();
    if (static_cast<long long>(image->width) * image->height > kMostPrintedPixels) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    posteri::PhotoHeader header;
    if (!posteri::read_heif_header(bytes, header)) return 0;
    const posteri::PhotoFacts facts = posteri::upright_facts(header);
    const long long pixels = static_cast<long long>(facts.width) * facts.height;
    if (facts.width <= 0 || facts.height <= 0 || pixels > posteri::kMostDecodedPixels) std::abort();
    if (!(facts.dpi_x > 0) || !(facts.dpi_y > 0) || header.orientation != 1) std::abort();
    if (pixels <= kLargestDecodedPixels) check_decoded(bytes);
    return 0;
}
