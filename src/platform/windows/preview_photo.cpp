// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/preview_photo.h"

#include <cstdio>
#include <utility>

#include "platform/photos/byte_block.h"
#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/decoded_kinds.h"
#include "platform/photos/jpeg_pixels.h"
#include "platform/photos/jpeg_structure.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/screen_pixels.h"

namespace posteri {

namespace {

// The decoded stored grid stands in the proxy's place: a page turns it upright and scales it to
// the photo's full size exactly as it places the stand-in of a printed photo, so the preview shows
// the photo where and how the page puts it. It has no image data: an image surface embeds nothing.
class ScaledPhoto : public CairoBitmap {
  public:
    ScaledPhoto(EmbeddedPhoto stand_in, int width, int height)
        : stand_in_(std::move(stand_in)), width_(width), height_(height) {}
    ~ScaledPhoto() override { cairo_surface_destroy(stand_in_.proxy); }
    ScaledPhoto(const ScaledPhoto&) = delete;
    ScaledPhoto& operator=(const ScaledPhoto&) = delete;

    int width() const override { return width_; }
    int height() const override { return height_; }
    cairo_surface_t* pixels() const override { return nullptr; }
    const EmbeddedPhoto* embedded() const override { return &stand_in_; }

  private:
    EmbeddedPhoto stand_in_;
    int width_;
    int height_;
};

// A damaged stream shows as its repair, as the printed photo does.
cairo_surface_t* jpeg_pixels_of(std::FILE* file, const PhotoHeader& header, int long_side) {
    std::unique_ptr<ByteBlock> bytes = ByteBlock::read_file(fileno(file));
    if (bytes == nullptr) return nullptr;
    if (!jpeg_structure_is_whole(bytes->view()))
        bytes = std::make_unique<ByteBlock>(repaired_jpeg(bytes->view()));
    return jpeg_screen_pixels(bytes->view(), header.stored_width, header.stored_height, long_side);
}

cairo_surface_t* decoded_pixels_of(const DecodedKind& reader, std::FILE* file, const PhotoHeader& header,
                                   int long_side) {
    const std::unique_ptr<ByteBlock> bytes = ByteBlock::read_file(fileno(file));
    if (bytes == nullptr) return nullptr;
    return decoded_screen_pixels(reader, bytes->view(), header.stored_width, header.stored_height, long_side);
}

cairo_surface_t* screen_pixels_of(std::FILE* file, const PhotoHeader& header, int long_side) {
    if (header.kind == PhotoKind::Png) {
        return png_screen_pixels(file, header.stored_width, header.stored_height, long_side);
    }
    if (const DecodedKind* reader = decoded_kind(header.kind))
        return decoded_pixels_of(*reader, file, header, long_side);
    return jpeg_pixels_of(file, header, long_side);
}

}  // namespace

// The header is checked against the file's size before anything is decoded, so a header that
// claims more pixels than the file could hold costs nothing.
std::unique_ptr<MemoryBitmap> preview_photo(const std::string& path, int long_side) {
    const PhotoFile file = open_photo(path);
    if (!file) return nullptr;
    const auto header = read_photo_header(file.get());
    if (!header || !header_fits_file(*header, file_size(file.get()))) return nullptr;
    std::rewind(file.get());
    cairo_surface_t* pixels = screen_pixels_of(file.get(), *header, long_side);
    if (pixels == nullptr) return nullptr;
    const PhotoFacts upright = upright_facts(*header);
    EmbeddedPhoto stand_in{nullptr, header->stored_width, header->stored_height, header->orientation, pixels};
    return std::make_unique<ScaledPhoto>(std::move(stand_in), upright.width, upright.height);
}

}  // namespace posteri
