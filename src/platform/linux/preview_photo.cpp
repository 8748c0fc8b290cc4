#include "platform/linux/preview_photo.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/linux/byte_block.h"
#include "platform/linux/cairo_bitmap.h"
#include "platform/linux/jpeg_codec.h"
#include "platform/linux/jpeg_pixels.h"
#include "platform/linux/jpeg_structure.h"
#include "platform/linux/photo_header.h"

namespace posteri {

namespace {

// The decoded stored grid stands in the proxy's place: a page turns it upright and scales it to
// the photo's full size exactly as it places the stand-in of a printed photo, so the preview shows
// the photo where and how the page puts it. Its bytes are empty: an image surface embeds nothing.
class ScaledPhoto : public CairoBitmap {
  public:
    ScaledPhoto(EmbeddableJpeg stand_in, int width, int height)
        : stand_in_(std::move(stand_in)), width_(width), height_(height) {}
    ~ScaledPhoto() override { cairo_surface_destroy(stand_in_.proxy); }
    ScaledPhoto(const ScaledPhoto&) = delete;
    ScaledPhoto& operator=(const ScaledPhoto&) = delete;

    int width() const override { return width_; }
    int height() const override { return height_; }
    cairo_surface_t* pixels() const override { return nullptr; }
    const EmbeddableJpeg* jpeg() const override { return &stand_in_; }

  private:
    EmbeddableJpeg stand_in_;
    int width_;
    int height_;
};

// The smallest n of n / 8 that keeps at least `long_side` pixels along the longer side.
int eighths_for(const PhotoHeader& header, int long_side) {
    const long long longer = std::max(header.stored_width, header.stored_height);
    for (int eighths = 1; eighths < 8; ++eighths) {
        if ((longer * eighths + 7) / 8 >= long_side) return eighths;
    }
    return 8;
}

std::unique_ptr<MemoryBitmap> scaled_jpeg(std::string_view bytes, const PhotoHeader& header, int long_side) {
    // A damaged stream shows what its repair keeps, as the printed photo does.
    std::string repaired;
    if (!jpeg_structure_is_whole(bytes)) {
        repaired = repaired_jpeg(bytes);
        bytes = repaired;
    }
    cairo_surface_t* pixels = decode_jpeg(bytes, eighths_for(header, long_side));
    if (pixels == nullptr) return nullptr;
    const PhotoFacts upright = upright_facts(header);
    EmbeddableJpeg stand_in{std::make_shared<const ByteBlock>(std::string()), header.stored_width,
                            header.stored_height, header.orientation, pixels};
    return std::make_unique<ScaledPhoto>(std::move(stand_in), upright.width, upright.height);
}

}  // namespace

std::unique_ptr<MemoryBitmap> preview_photo(const std::string& path, int long_side) {
    const PhotoFile file = open_photo(path);
    if (!file) return nullptr;
    const auto header = read_photo_header(file.get());
    if (!header) return nullptr;
    if (header->kind != PhotoKind::Jpeg) return JpegCodec().load_photo(path);
    const std::unique_ptr<ByteBlock> bytes = ByteBlock::read_file(fileno(file.get()));
    if (!bytes) return nullptr;
    return scaled_jpeg(bytes->view(), *header, long_side);
}

}  // namespace posteri
