// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a photo file: the header reader (JPEG with its EXIF block, or PNG) and
// the walk over a JPEG stream's structure (the check a photo passes before it is printed) must
// never crash, and whatever the header reader accepts must describe a real picture. Small pictures
// are decoded and repaired as well; a repair must write a whole stream. A PNG's image data, which a
// page embeds as it is, must come with a palette and a profile that fit it.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/photos/exif_reader.h"
#include "platform/photos/jpeg_pixels.h"
#include "platform/photos/jpeg_structure.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/png/png_image.h"

namespace {

constexpr long long kLargestDecodedPixels = 1 << 20;

void check_exif(const std::uint8_t* data, std::size_t size) {
    const posteri::ExifFacts exif = posteri::read_exif(data, size);
    if (exif.orientation < 1 || exif.orientation > 8) std::abort();
    if (exif.resolution && (exif.resolution->dpi_x <= 0 || exif.resolution->dpi_y <= 0)) std::abort();
}

void check_png_image(const std::string& bytes) {
    const auto image = posteri::png_image(std::make_shared<const posteri::ByteBlock>(bytes));
    if (!image) return;
    if (image->data.empty() || image->width <= 0 || image->height <= 0) std::abort();
    if (image->palette.size() % 3 != 0 || image->palette.size() > 3 * 256) std::abort();
    if (!image->palette.empty() && image->components != 3) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_exif(data, size);
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    posteri::jpeg_structure_is_whole(bytes);
    const posteri::PhotoFile file(fmemopen(bytes.data(), bytes.size(), "rb"), std::fclose);
    if (!file) return 0;
    const auto header = posteri::read_photo_header(file.get());
    if (!header) return 0;
    const posteri::PhotoFacts facts = posteri::upright_facts(*header);
    if (facts.width <= 0 || facts.height <= 0 || !(facts.dpi_x > 0) || !(facts.dpi_y > 0)) std::abort();
    if (header->kind == posteri::PhotoKind::Jpeg &&
        static_cast<long long>(facts.width) * facts.height <= kLargestDecodedPixels) {
        cairo_surface_destroy(posteri::decode_jpeg(bytes));
        const std::string repaired = posteri::repaired_jpeg(bytes);
        if (!repaired.empty() && !posteri::jpeg_structure_is_whole(repaired)) std::abort();
    }
    if (header->kind == posteri::PhotoKind::Png) check_png_image(bytes);
    return 0;
}
