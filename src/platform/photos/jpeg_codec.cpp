// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jpeg_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/cairo_stretch.h"
#include "platform/photos/decoded_kinds.h"
#include "platform/photos/jpeg_pixels.h"
#include "platform/photos/jpeg_structure.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/png/png_image.h"
#include "platform/photos/png/png_pixels.h"
#include "platform/photos/x11_clipboard.h"

namespace posteri {

namespace {

// The proxy that stands for a JPEG on a PDF page is a blank surface in the shape of its grid, at
// most this many pixels a side: the page embeds the JPEG bytes attached to it, never its pixels,
// and cairo copies a source's pixels when it lets go of one, so a small proxy costs nothing.
constexpr int kLongestProxySide = 64;

// The eighths of its size (1 to 8) at which libjpeg decodes a stored grid within `most_pixels`
// and a raster's limits; 0 when not even an eighth fits.
int eighths_within(long long width, long long height, long long most_pixels) {
    for (int eighths = 8; eighths >= 1; --eighths) {
        const long long w = (width * eighths + 7) / 8;
        const long long h = (height * eighths + 7) / 8;
        if (w * h <= most_pixels && fits_in_memory(w, h)) return eighths;
    }
    return 0;
}

// A bitmap this codec made. Drawing into it goes through drawable(), which a photo uses to drop
// its original bytes, since they no longer show what the bitmap holds.
class CodecBitmap : public CairoBitmap {
public:
    virtual cairo_surface_t* drawable() = 0;
    bool incomplete() const override { return incomplete_; }
    void mark_incomplete(bool incomplete) { incomplete_ = incomplete; }

private:
    bool incomplete_ = false;
};

class SurfaceBitmap : public CodecBitmap {
public:
    explicit SurfaceBitmap(cairo_surface_t* surface) : surface_(surface) {}
    ~SurfaceBitmap() override { cairo_surface_destroy(surface_); }
    SurfaceBitmap(const SurfaceBitmap&) = delete;
    SurfaceBitmap& operator=(const SurfaceBitmap&) = delete;

    int width() const override { return cairo_image_surface_get_width(surface_); }
    int height() const override { return cairo_image_surface_get_height(surface_); }
    cairo_surface_t* pixels() const override { return surface_; }
    cairo_surface_t* drawable() override { return surface_; }

private:
    cairo_surface_t* surface_;
};

std::uint32_t* pixel_row(cairo_surface_t* surface, int y) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    return reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface));
}

// Where the stored pixel (x, y) of a w x h grid lands in the upright picture.
std::pair<int, int> upright_position(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
        case 2: return {w - 1 - x, y};
        case 3: return {w - 1 - x, h - 1 - y};
        case 4: return {x, h - 1 - y};
        case 5: return {y, x};
        case 6: return {h - 1 - y, x};
        case 7: return {h - 1 - y, w - 1 - x};
        case 8: return {y, w - 1 - x};
        default: return {x, y};
    }
}

// Takes the stored grid and gives the upright picture (the same surface when nothing turns).
cairo_surface_t* turned_upright(cairo_surface_t* stored, int orientation) {
    if (orientation < 2 || orientation > 8) return stored;
    const int w = cairo_image_surface_get_width(stored);
    const int h = cairo_image_surface_get_height(stored);
    cairo_surface_t* upright = turns_quarter(orientation) ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, h, w)
                                                          : cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(upright) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(upright);
        cairo_surface_destroy(stored);
        return nullptr;
    }
    cairo_surface_flush(stored);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = pixel_row(stored, y);
        for (int x = 0; x < w; ++x) {
            const auto [u, v] = upright_position(orientation, x, y, w, h);
            pixel_row(upright, v)[u] = row[x];
        }
    }
    cairo_surface_mark_dirty(upright);
    cairo_surface_destroy(stored);
    return upright;
}

cairo_surface_t* decode_png_in(std::string_view bytes, long long most_pixels, bool* cut_short = nullptr) {
    PhotoFile memory(fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb"), std::fclose);
    return memory ? decode_png(memory.get(), most_pixels, cut_short) : nullptr;
}

// A photo that a PDF page carries in its own bytes: its full pixels are decoded from its file only
// when asked.
class PhotoBitmap : public CodecBitmap {
public:
    PhotoBitmap(EmbeddedPhoto photo, std::shared_ptr<const ByteBlock> file, PhotoKind kind, int width, int height)
        : photo_(std::move(photo)), file_(std::move(file)), kind_(kind), width_(width), height_(height) {}
    ~PhotoBitmap() override {
        cairo_surface_destroy(photo_.proxy);
        cairo_surface_destroy(pixels_);
    }
    PhotoBitmap(const PhotoBitmap&) = delete;
    PhotoBitmap& operator=(const PhotoBitmap&) = delete;

    int width() const override { return width_; }
    int height() const override { return height_; }
    cairo_surface_t* pixels() const override {
        if (pixels_ == nullptr) pixels_ = turned_upright(decoded(), photo_.orientation);
        return pixels_;
    }
    const EmbeddedPhoto* embedded() const override { return drawn_on_ ? nullptr : &photo_; }
    cairo_surface_t* drawable() override {
        drawn_on_ = true;
        return pixels();
    }

private:
    cairo_surface_t* decoded() const {
        if (kind_ == PhotoKind::Jpeg) return decode_jpeg(file_->view());
        if (const DecodedKind* reader = decoded_kind(kind_)) {
            return reader->screen_pixels(file_->view(), kMostDecodedPixels, nullptr);
        }
        return decode_png_in(file_->view(), kMostDecodedPixels);
    }

    EmbeddedPhoto photo_;
    std::shared_ptr<const ByteBlock> file_;
    PhotoKind kind_;
    int width_;
    int height_;
    mutable cairo_surface_t* pixels_ = nullptr;
    bool drawn_on_ = false;
};

std::unique_ptr<CodecBitmap> bitmap_of(cairo_surface_t* surface) {
    if (surface == nullptr) return nullptr;
    return std::make_unique<SurfaceBitmap>(surface);
}

cairo_surface_t* blank_proxy(const PhotoHeader& header) {
    const int denominator =
        (std::max(header.stored_width, header.stored_height) + kLongestProxySide - 1) / kLongestProxySide;
    cairo_surface_t* proxy = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, (header.stored_width + denominator - 1) / denominator,
        (header.stored_height + denominator - 1) / denominator);
    if (cairo_surface_status(proxy) == CAIRO_STATUS_SUCCESS) return proxy;
    cairo_surface_destroy(proxy);
    return nullptr;
}

std::unique_ptr<CodecBitmap> embedded_photo(PdfImage image, std::shared_ptr<const ByteBlock> file,
                                            const PhotoHeader& header) {
    cairo_surface_t* proxy = blank_proxy(header);
    if (proxy == nullptr) return nullptr;
    const PhotoFacts upright = upright_facts(header);
    EmbeddedPhoto photo{with_placeholder(std::move(image)), header.stored_width, header.stored_height,
                        header.orientation, proxy};
    return std::make_unique<PhotoBitmap>(std::move(photo), std::move(file), header.kind, upright.width,
                                         upright.height);
}

// Photos whose colours PDF carries as they are keep their bytes, checked to be a whole stream
// (`whole`) instead of decoded: their pixels are decoded only when something draws them. A stream
// that is not whole is first rewritten whole from what libjpeg reads in it; only one that libjpeg cannot
// read at all is refused. Arithmetic coding is changed to Huffman coding and other colours are
// converted, both of which decode everything.
std::unique_ptr<CodecBitmap> jpeg_photo(std::unique_ptr<ByteBlock> bytes, const PhotoHeader& header, bool whole,
                                        long long most_pixels) {
    if (!whole) bytes = std::make_unique<ByteBlock>(repaired_jpeg(bytes->view()));  // Huffman-coded
    if (bytes->view().empty()) return nullptr;
    if (!header.pdf_colours) {
        const int eighths = eighths_within(header.stored_width, header.stored_height, most_pixels);
        if (eighths == 0) return nullptr;
        return bitmap_of(turned_upright(decode_jpeg(bytes->view(), eighths), header.orientation));
    }
    if (whole && header.arithmetic) bytes = std::make_unique<ByteBlock>(huffman_coded(bytes->view()));
    if (bytes->view().empty()) return nullptr;
    std::shared_ptr<const ByteBlock> file = std::move(bytes);
    return embedded_photo(jpeg_image(file, header), file, header);
}

// The photo, marked incomplete when its data is cut short or damaged: the repair shows the readable
// part and fills the rest with grey, as a viewer does.
std::unique_ptr<MemoryBitmap> jpeg_photo_marked(std::unique_ptr<ByteBlock> bytes, const PhotoHeader& header,
                                               long long most_pixels) {
    if (bytes == nullptr) return nullptr;
    const bool whole = jpeg_structure_is_whole(bytes->view());
    const bool damaged = !whole && jpeg_data_damaged(bytes->view());
    std::unique_ptr<CodecBitmap> photo = jpeg_photo(std::move(bytes), header, whole, most_pixels);
    if (photo) photo->mark_incomplete(damaged);
    return photo;
}

// The decoded photo, marked incomplete when its data is cut short or damaged: it holds the rows
// read before that, the rest white, as a cut JPEG holds its readable part.
template <typename Decode>
std::unique_ptr<MemoryBitmap> png_photo_marked(Decode decode) {
    bool cut_short = false;
    std::unique_ptr<CodecBitmap> photo = bitmap_of(decode(&cut_short));
    if (photo) photo->mark_incomplete(cut_short);
    return photo;
}

// A PNG whose rows PDF carries as they are, and whose data is checked whole, keeps its file, whose
// image data the page embeds; any other is decoded within `most_pixels`.
template <typename WholeBytes>
std::unique_ptr<MemoryBitmap> png_photo(std::FILE* file, WholeBytes whole_bytes, const PhotoHeader& header,
                                        long long most_pixels) {
    if (header.pdf_colours) {
        std::shared_ptr<const ByteBlock> bytes = whole_bytes();  // `file` may be gone with them
        if (bytes == nullptr) return nullptr;
        if (std::optional<PdfImage> image = png_image(bytes)) {
            return embedded_photo(std::move(*image), std::move(bytes), header);
        }
        return png_photo_marked(
            [&](bool* cut_short) { return decode_png_in(bytes->view(), most_pixels, cut_short); });
    }
    std::rewind(file);
    return png_photo_marked([&](bool* cut_short) { return decode_png(file, most_pixels, cut_short); });
}

// A photo of a kind PDF has no filter for: to print, its first image is decoded in its own colours
// into rows the page carries losslessly, at most `most_pixels` of them; to be shown, as a screen
// shows it.
std::unique_ptr<MemoryBitmap> decoded_photo(const DecodedKind& reader, std::unique_ptr<ByteBlock> bytes,
                                            const PhotoHeader& header, long long most_pixels, bool printed) {
    if (bytes == nullptr) return nullptr;
    bool cut_short = false;
    std::unique_ptr<CodecBitmap> photo;
    if (!printed) {
        cairo_surface_t* stored = reader.screen_pixels(bytes->view(), most_pixels, &cut_short);
        if (stored != nullptr) photo = bitmap_of(turned_upright(stored, header.orientation));
    } else if (std::optional<PdfImage> image = reader.pdf_image(bytes->view(), most_pixels, cut_short)) {
        photo = embedded_photo(std::move(*image), std::move(bytes), header);
    }
    if (photo) photo->mark_incomplete(cut_short);
    return photo;
}

// The photo in `file`, read from its start; `whole_bytes()` gives all of the file's bytes and is
// asked only for a photo whose own data a page can embed. The photo is refused before any pixel is decoded
// when its header claims more than the file could hold, or more than memory holds. A JPEG that PDF carries as
// it is needs no pixels, whatever its size (a panorama wider than a raster may be); other photos are decoded
// within `most_pixels`, reduced through the codec's own scaling. A photo `printed` is let go once
// its page is made; one that is not is wanted for its pixels.
template <typename WholeBytes>
std::unique_ptr<MemoryBitmap> photo_in(std::FILE* file, WholeBytes whole_bytes, long long most_pixels,
                                       bool printed) {
    const auto header = read_photo_header(file);
    if (!header || !header_fits_file(*header, file_size(file))) return nullptr;
    // A sheet of no size says nothing about how many pixels it takes.
    most_pixels = most_pixels > 0 ? std::min(most_pixels, kMostDecodedPixels) : kMostDecodedPixels;
    if (header->kind == PhotoKind::Png) return png_photo(file, whole_bytes, *header, most_pixels);
    if (const DecodedKind* reader = decoded_kind(header->kind)) {
        return decoded_photo(*reader, whole_bytes(), *header, most_pixels, printed);
    }
    if (!memory_holds(header->stored_width, header->stored_height)) return nullptr;
    return jpeg_photo_marked(whole_bytes(), *header, most_pixels);
}

cairo_surface_t* surface_of(const MemoryBitmap& bitmap) {
    const auto* cairo = dynamic_cast<const CairoBitmap*>(&bitmap);
    return cairo != nullptr ? cairo->pixels() : nullptr;
}

cairo_surface_t* drawable_of(MemoryBitmap& bitmap) {
    auto* codec = dynamic_cast<CodecBitmap*>(&bitmap);
    return codec != nullptr ? codec->drawable() : nullptr;
}

void put_le32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(bits >> shift & 0xFF));
}

std::int32_t get_le32(std::string_view in, std::size_t at) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(in[at + i]);
    return static_cast<std::int32_t>(bits);
}

}  // namespace

std::optional<PhotoFacts> JpegCodec::facts(const std::string& path) {
    const PhotoFile file = open_photo(path);
    if (!file) return std::nullopt;
    const auto header = read_photo_header(file.get());
    if (!header) return std::nullopt;
    return upright_facts(*header);
}

std::unique_ptr<MemoryBitmap> JpegCodec::load_photo(const std::string& path) {
    const PhotoFile file = open_photo(path);
    if (!file) return nullptr;
    return photo_in(
        file.get(), [&] { return ByteBlock::read_file(fileno(file.get())); }, kMostDecodedPixels, false);
}

std::unique_ptr<MemoryBitmap> JpegCodec::load_photo_to_print(const std::string& path, long long most_pixels) {
    const PhotoFile file = open_photo(path);
    if (!file) return nullptr;
    return photo_in(
        file.get(),
        [&] {
            std::unique_ptr<ByteBlock> bytes = ByteBlock::map_leased_file(fileno(file.get()));
            return bytes != nullptr ? std::move(bytes) : ByteBlock::read_file(fileno(file.get()));
        },
        most_pixels, true);
}

std::unique_ptr<MemoryBitmap> JpegCodec::take_clipboard_image() {
    auto bytes = take_clipboard_image_bytes();
    if (!bytes || bytes->empty()) return nullptr;
    PhotoFile memory(fmemopen(bytes->data(), bytes->size(), "rb"), std::fclose);
    if (!memory) return nullptr;
    return photo_in(
        memory.get(),
        [&] {
            memory.reset();
            return std::make_unique<ByteBlock>(std::move(*bytes));
        },
        kMostDecodedPixels, false);
}

std::unique_ptr<MemoryBitmap> JpegCodec::create_bitmap(int width, int height) {
    if (!fits_in_memory(width, height)) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return bitmap_of(surface);
}

std::string JpegCodec::read_bits(const MemoryBitmap& bitmap) {
    cairo_surface_t* surface = surface_of(bitmap);
    if (surface == nullptr) return {};
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    std::string bits;
    bits.reserve(8 + 4 * static_cast<std::size_t>(width) * height);
    put_le32(bits, width);
    put_le32(bits, height);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixel_row(surface, y);
        for (int x = 0; x < width; ++x) put_le32(bits, static_cast<std::int32_t>(row[x] & 0xFFFFFF));
    }
    return bits;
}

void JpegCodec::write_bits(MemoryBitmap& bitmap, std::string_view bits) {
    const std::size_t pixels = static_cast<std::size_t>(bitmap.width()) * bitmap.height();
    if (bits.size() != 8 + 4 * pixels || get_le32(bits, 0) != bitmap.width() || get_le32(bits, 4) != bitmap.height()) {
        return;
    }
    cairo_surface_t* surface = drawable_of(bitmap);
    if (surface == nullptr) return;
    cairo_surface_flush(surface);
    std::size_t at = 8;
    for (int y = 0; y < bitmap.height(); ++y) {
        std::uint32_t* row = pixel_row(surface, y);
        for (int x = 0; x < bitmap.width(); ++x, at += 4) row[x] = static_cast<std::uint32_t>(get_le32(bits, at)) & 0xFFFFFF;
    }
    cairo_surface_mark_dirty(surface);
}

void JpegCodec::clear(MemoryBitmap& bitmap, std::uint32_t rgb) {
    cairo_surface_t* surface = drawable_of(bitmap);
    if (surface == nullptr) return;
    cairo_surface_flush(surface);
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        std::uint32_t* row = pixel_row(surface, y);
        std::fill(row, row + cairo_image_surface_get_width(surface), rgb & 0xFFFFFF);
    }
    cairo_surface_mark_dirty(surface);
}

void JpegCodec::stretch(const MemoryBitmap& source, const PixelRect& from, MemoryBitmap& target,
                        const DeviceRect& to) {
    if (&source == &target) return;
    cairo_surface_t* pixels = surface_of(source);
    cairo_surface_t* surface = pixels != nullptr ? drawable_of(target) : nullptr;
    if (surface == nullptr) return;
    cairo_t* cr = cairo_create(surface);
    paint_stretched(cr, pixels, from, to);
    cairo_destroy(cr);
}

}  // namespace posteri
