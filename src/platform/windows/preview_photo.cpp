// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/preview_photo.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/photos/byte_block.h"
#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/photos/jpeg_pixels.h"

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

// The smallest n of n / 8 that keeps at least `long_side` pixels along the stored grid's longer side.
int eighths_for(const EmbeddedPhoto& photo, int long_side) {
    const long long longer = std::max(photo.stored_width, photo.stored_height);
    for (int eighths = 1; eighths < 8; ++eighths) {
        if ((longer * eighths + 7) / 8 >= long_side) return eighths;
    }
    return 8;
}

}  // namespace

// The codec's photo, whose bytes are already whole (a damaged stream comes as its repair, as the
// printed photo does); a photo the codec had to decode (not a JPEG, colours converted), or a PNG,
// which has no cheaper reduced decode, is its own.
std::unique_ptr<MemoryBitmap> preview_photo(const std::string& path, int long_side) {
    std::unique_ptr<MemoryBitmap> photo = JpegCodec().load_photo(path);
    const auto* loaded = dynamic_cast<const CairoBitmap*>(photo.get());
    const EmbeddedPhoto* embedded = loaded != nullptr ? loaded->embedded() : nullptr;
    if (embedded == nullptr || embedded->image->coding != PdfImageCoding::Dct) return photo;
    cairo_surface_t* pixels = decode_jpeg(embedded->image->data.front(), eighths_for(*embedded, long_side));
    if (pixels == nullptr) return nullptr;
    EmbeddedPhoto stand_in{nullptr, embedded->stored_width, embedded->stored_height, embedded->orientation, pixels};
    return std::make_unique<ScaledPhoto>(std::move(stand_in), photo->width(), photo->height());
}

}  // namespace posteri
