// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a TIFF photo: the header reader (the first page's directory through
// libtiff, its strips, resolution, orientation, ICC profile) must never crash, and whatever it
// accepts must describe a real picture within the 64-megapixel bound. Small pictures are decoded
// for the screen and for a page as well; a page's image is either the file's own strips, each
// within the file, or decoded rows of no more pixels than asked for. The decoder module is linked in
// here rather than loaded, so that it is built with the fuzzer's coverage and sanitizers.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/photos/photo_header.h"
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

namespace {

constexpr long long kLargestDecodedPixels = 1 << 20;
constexpr long long kMostPrintedPixels = 1 << 14;

void check_decoded(const std::string& bytes) {
    bool cut_short = false;
    cairo_surface_destroy(posteri::decode_tiff(bytes, kMostPrintedPixels, &cut_short));
    const auto image = posteri::tiff_image(bytes, kMostPrintedPixels, cut_short);
    if (!image) return;
    if (image->data.empty() || image->width <= 0 || image->height <= 0) std::abort();
    const bool own = image->coding != posteri::PdfImageCoding::PngFlate;
    if (own && image->data.front().size() > bytes.size() + bytes.size()) std::abort();
    if (!own && static_cast<long long>(image->width) * image->height > kMostPrintedPixels) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    posteri::PhotoHeader header;
    if (!posteri::read_tiff_header(bytes, header)) return 0;
    const posteri::PhotoFacts facts = posteri::upright_facts(header);
    const long long pixels = static_cast<long long>(facts.width) * facts.height;
    if (facts.width <= 0 || facts.height <= 0 || pixels > posteri::kMostDecodedPixels) std::abort();
    if (!(facts.dpi_x > 0) || !(facts.dpi_y > 0) || header.orientation < 1 || header.orientation > 8)
        std::abort();
    if (pixels <= kLargestDecodedPixels) check_decoded(bytes);
    return 0;
}
