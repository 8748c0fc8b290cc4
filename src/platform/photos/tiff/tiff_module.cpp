// SPDX-License-Identifier: GPL-3.0-or-later
// The TIFF decoder module: the one file that calls libtiff. The file is read from memory, mapped for
// libtiff so that strips are read where they lie, with libtiff's own limit on a single allocation
// and its messages silenced; strips are taken as the file holds them (libtiff's chopping of one
// large uncompressed strip into many is turned off), so that their table is the file's own. The first page is
// decoded row by row, sampled down to the output's size as it goes, so that no more than a strip or a band of
// tiles is held at its own size.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/photos/images.h"
#include "platform/photos/tiff/tiff_decoder.h"

namespace posteri {

namespace {

// No single allocation of libtiff's, nor a band of rows here, takes more.
constexpr tmsize_t kLargestAllocation = tmsize_t{256} << 20;

struct MemoryFile {
    std::string_view bytes;
    toff_t at = 0;
};

MemoryFile& memory_of(thandle_t handle) {
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t read_memory(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryFile& file = memory_of(handle);
    if (size <= 0 || file.at >= file.bytes.size()) return 0;
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(size), file.bytes.size() - file.at);
    std::memcpy(buffer, file.bytes.data() + file.at, count);
    file.at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t write_nothing(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seek_memory(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& file = memory_of(handle);
    const toff_t base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? file.bytes.size() : 0;
    file.at = base + offset;  // past the end reads nothing
    return file.at;
}

int close_nothing(thandle_t) {
    return 0;
}

toff_t memory_size(thandle_t handle) {
    return memory_of(handle).bytes.size();
}

int map_memory(thandle_t handle, void** base, toff_t* size) {
    const MemoryFile& file = memory_of(handle);
    *base = const_cast<char*>(file.bytes.data());  // read only: the file is opened for reading
    *size = file.bytes.size();
    return 1;
}

void unmap_nothing(thandle_t, void*, toff_t) {}

int quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffClose {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Tiff = std::unique_ptr<TIFF, TiffClose>;

Tiff open_tiff(MemoryFile& file) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kLargestAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    Tiff tiff(TIFFClientOpenExt("photo", "rc", &file, read_memory, write_nothing, seek_memory, close_nothing,
                                memory_size, map_memory, unmap_nothing, options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

template <typename T>
T field(TIFF* tiff, ttag_t tag, T fallback) {
    T value{};
    return TIFFGetFieldDefaulted(tiff, tag, &value) == 1 ? value : fallback;
}

std::string bytes_field(TIFF* tiff, ttag_t tag) {
    std::uint32_t count = 0;
    const void* data = nullptr;
    if (TIFFGetField(tiff, tag, &count, &data) != 1 || data == nullptr) return {};
    return std::string(static_cast<const char*>(data), count);
}

// Grey, RGB or CMYK of whole bytes, interleaved, without alpha: what `decode` gives as stored.
bool has_plain_samples(const TiffFeatures& f) {
    const bool colours =
        (f.photometric == PHOTOMETRIC_MINISBLACK && f.samples == 1) ||
        (f.photometric == PHOTOMETRIC_RGB && f.samples == 3) ||
        (f.photometric == PHOTOMETRIC_SEPARATED && f.samples == 4 && f.ink_set == INKSET_CMYK) ||
        (f.photometric == PHOTOMETRIC_YCBCR && f.samples == 3 && f.compression == COMPRESSION_JPEG);
    return colours && (f.bits == 8 || f.bits == 16) && f.sample_format == SAMPLEFORMAT_UINT &&
           f.extra_samples == 0 && (f.planar_contiguous || f.samples == 1) &&
           f.compression != COMPRESSION_OJPEG;
}

// False for a strip table longer than the file could hold: each strip takes at least two bytes
// of offset and two of byte count.
bool read_strips(TIFF* tiff, std::size_t file_bytes, TiffFeatures& features) {
    const std::uint32_t count = TIFFNumberOfStrips(tiff);
    if (count > file_bytes / 4 + 1) return false;
    features.strips.reserve(count);
    for (std::uint32_t strip = 0; strip < count; ++strip) {
        features.strips.push_back({TIFFGetStrileOffset(tiff, strip), TIFFGetStrileByteCount(tiff, strip)});
    }
    return true;
}

// Tiles of at most the page's size, or 1024 pixels a side for a small page: a 16 x 12 page that
// claims tiles of 8192 x 8192 would have each read into hundreds of MB.
bool tiles_fit(TIFF* tiff, const TiffFeatures& f) {
    constexpr std::uint32_t kSmallPageSide = 1024;
    const std::uint32_t width = field<std::uint32_t>(tiff, TIFFTAG_TILEWIDTH, 0);
    const std::uint32_t height = field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 0);
    return width > 0 && height > 0 &&
           width <= std::max(static_cast<std::uint32_t>(f.width), kSmallPageSide) &&
           height <= std::max(static_cast<std::uint32_t>(f.height), kSmallPageSide);
}

bool read_features(std::string_view file, TiffFeatures& f) {
    MemoryFile memory{file};
    const Tiff tiff = open_tiff(memory);
    if (!tiff) return false;
    TIFF* t = tiff.get();
    f.width =
        static_cast<int>(std::min<std::uint32_t>(field<std::uint32_t>(t, TIFFTAG_IMAGEWIDTH, 0), 1u << 30));
    f.height =
        static_cast<int>(std::min<std::uint32_t>(field<std::uint32_t>(t, TIFFTAG_IMAGELENGTH, 0), 1u << 30));
    // Nothing more is read of a page too large to decode: its strip table could be as long as its rows.
    if (!decodable_whole(f.width, f.height)) return false;
    f.samples = field<std::uint16_t>(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    f.bits = field<std::uint16_t>(t, TIFFTAG_BITSPERSAMPLE, 1);
    f.sample_format = field<std::uint16_t>(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    std::uint16_t extra = 0;
    const std::uint16_t* extra_kinds = nullptr;
    if (TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &extra, &extra_kinds) == 1) f.extra_samples = extra;
    f.photometric = field<std::uint16_t>(t, TIFFTAG_PHOTOMETRIC, 0xFFFF);
    f.compression = field<std::uint16_t>(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    // Read as 0 where the page's coding knows no predictor.
    f.predictor = std::max<int>(PREDICTOR_NONE, field<std::uint16_t>(t, TIFFTAG_PREDICTOR, PREDICTOR_NONE));
    f.ink_set = field<std::uint16_t>(t, TIFFTAG_INKSET, INKSET_CMYK);
    f.fill_order = field<std::uint16_t>(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    if (f.compression == COMPRESSION_CCITTFAX4)
        f.group4_options = field<std::uint32_t>(t, TIFFTAG_GROUP4OPTIONS, 0);
    f.planar_contiguous =
        field<std::uint16_t>(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == PLANARCONFIG_CONTIG;
    f.tiled = TIFFIsTiled(t) != 0;
    f.big_endian = TIFFIsBigEndian(t) != 0;
    f.orientation = field<std::uint16_t>(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    f.resolution_unit = field<std::uint16_t>(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    f.x_resolution = field<float>(t, TIFFTAG_XRESOLUTION, 0);
    f.y_resolution = field<float>(t, TIFFTAG_YRESOLUTION, 0);
    f.rows_per_strip = static_cast<int>(std::min<std::uint32_t>(
        field<std::uint32_t>(t, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(f.height)),
        static_cast<std::uint32_t>(f.height)));
    if (f.tiled ? !tiles_fit(t, f) : !read_strips(t, file.size(), f)) return false;
    f.icc = bytes_field(t, TIFFTAG_ICCPROFILE);
    if (f.compression == COMPRESSION_JPEG) f.jpeg_tables = bytes_field(t, TIFFTAG_JPEGTABLES);
    f.plain_samples = has_plain_samples(f);
    return f.width > 0 && f.height > 0;
}

// The source column each output column samples.
std::vector<std::uint32_t> sampled_columns(std::uint32_t width, int output_width) {
    std::vector<std::uint32_t> columns(static_cast<std::size_t>(output_width));
    for (int x = 0; x < output_width; ++x) {
        columns[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(x) * width / static_cast<std::uint64_t>(output_width));
    }
    return columns;
}

std::uint32_t sampled_row(int y, std::uint32_t height, int output_height) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(y) * height /
                                      static_cast<std::uint64_t>(output_height));
}

// The page's decoded rows one at a time, in increasing order: a strip's through libtiff's scanline
// reader, a tiled page's from a band of one row of tiles.
class StoredRows {
  public:
    explicit StoredRows(TIFF* tiff) : tiff_(tiff) {
        if (TIFFIsTiled(tiff) == 0) {
            row_.resize(static_cast<std::size_t>(std::max<tmsize_t>(TIFFScanlineSize(tiff), 0)));
            return;
        }
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width_);
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tile_width_);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tile_height_);
        const tmsize_t tile_bytes = TIFFTileSize(tiff);
        if (tile_width_ == 0 || tile_height_ == 0 || tile_bytes <= 0) return;
        tile_row_bytes_ = static_cast<std::size_t>(tile_bytes) / tile_height_;
        const std::uint64_t across = (width_ + tile_width_ - 1) / tile_width_;
        if (across * static_cast<std::uint64_t>(tile_bytes) > static_cast<std::uint64_t>(kLargestAllocation))
            return;
        tile_.resize(static_cast<std::size_t>(tile_bytes));
        band_.resize(static_cast<std::size_t>(across * tile_row_bytes_ * tile_height_));
    }

    // The row, or nullptr when it cannot be read.
    const unsigned char* row(std::uint32_t y) {
        if (tile_height_ == 0) {
            if (row_.empty() || TIFFReadScanline(tiff_, row_.data(), y, 0) != 1) return nullptr;
            return row_.data();
        }
        if (band_.empty()) return nullptr;
        const std::uint32_t band_top = y / tile_height_ * tile_height_;
        if (band_top != band_top_ && !read_band(band_top)) return nullptr;
        return band_.data() + (y - band_top) * band_row_bytes();
    }

  private:
    std::size_t band_row_bytes() const { return band_.size() / tile_height_; }

    bool read_band(std::uint32_t top) {
        band_top_ = top;
        for (std::uint32_t x = 0, column = 0; x < width_; x += tile_width_, ++column) {
            if (TIFFReadTile(tiff_, tile_.data(), x, top, 0, 0) < 0) {
                band_top_ = kNoBand;
                return false;
            }
            for (std::uint32_t line = 0; line < tile_height_; ++line) {
                std::memcpy(band_.data() + line * band_row_bytes() + column * tile_row_bytes_,
                            tile_.data() + line * tile_row_bytes_, tile_row_bytes_);
            }
        }
        return true;
    }

    static constexpr std::uint32_t kNoBand = 0xFFFFFFFF;
    TIFF* tiff_;
    std::vector<unsigned char> row_;
    std::uint32_t width_ = 0;
    std::uint32_t tile_width_ = 0;
    std::uint32_t tile_height_ = 0;
    std::size_t tile_row_bytes_ = 0;
    std::vector<unsigned char> tile_;
    std::vector<unsigned char> band_;
    std::uint32_t band_top_ = kNoBand;
};

// One pixel's samples, from host-order 16-bit or 8-bit ones to the output's width, 16-bit ones big-endian.
void put_samples(const unsigned char* from, unsigned char* to, int samples, int bits, int output_bits) {
    if (bits == 8) {
        std::memcpy(to, from, static_cast<std::size_t>(samples));
        return;
    }
    for (int s = 0; s < samples; ++s) {
        std::uint16_t value = 0;
        std::memcpy(&value, from + 2 * s, 2);
        if (output_bits == 16) {
            to[2 * s] = static_cast<unsigned char>(value >> 8);
            to[2 * s + 1] = static_cast<unsigned char>(value & 0xFF);
        } else {
            to[s] = static_cast<unsigned char>(value >> 8);
        }
    }
}

TiffDecoded decoded_after(int rows) {
    return rows > 0 ? TiffDecoded::Part : TiffDecoded::Nothing;
}

TiffDecoded decode_stored(TIFF* tiff, std::uint32_t width, std::uint32_t height, const TiffOutput& output) {
    const int samples = field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    const int bits = field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    if (field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC, 0) == PHOTOMETRIC_YCBCR) {
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);  // libjpeg converts, and upsamples
    }
    if (bits == 8 && output.bits != 8) return TiffDecoded::Nothing;
    const std::size_t pixel = static_cast<std::size_t>(samples * bits / 8);
    const std::size_t output_pixel = static_cast<std::size_t>(samples * output.bits / 8);
    const std::vector<std::uint32_t> columns = sampled_columns(width, output.width);
    StoredRows rows(tiff);
    for (int y = 0; y < output.height; ++y) {
        const unsigned char* row = rows.row(sampled_row(y, height, output.height));
        if (row == nullptr) return decoded_after(y);
        unsigned char* out = output.rows + static_cast<std::size_t>(y) * output.stride;
        for (std::size_t x = 0; x < columns.size(); ++x) {
            put_samples(row + columns[x] * pixel, out + x * output_pixel, samples, bits, output.bits);
        }
    }
    return TiffDecoded::Whole;
}

// Premultiplied colour laid over white.
unsigned char over_white(std::uint32_t colour, std::uint32_t alpha) {
    return static_cast<unsigned char>(std::min<std::uint32_t>(255, colour + 255 - alpha));
}

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// Any page libtiff can show, through its RGBA reader, a band of rows at a time.
TiffDecoded decode_rgb(TIFF* tiff, std::uint32_t width, std::uint32_t height, const TiffOutput& output) {
    char message[1024];
    TIFFRGBAImage image{};
    if (TIFFRGBAImageOK(tiff, message) == 0 || TIFFRGBAImageBegin(&image, tiff, 1, message) == 0) {
        return TiffDecoded::Nothing;
    }
    const std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> ending(&image);
    // Rows as stored, whatever the page's orientation says: the program turns the photo upright.
    image.req_orientation = ORIENTATION_TOPLEFT;
    image.orientation = ORIENTATION_TOPLEFT;
    std::uint32_t band = TIFFIsTiled(tiff) != 0 ? field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 1)
                                                : field<std::uint32_t>(tiff, TIFFTAG_ROWSPERSTRIP, height);
    const std::uint64_t most_rows = static_cast<std::uint64_t>(kLargestAllocation) / 4 / width;
    band =
        static_cast<std::uint32_t>(std::clamp<std::uint64_t>(band, 1, std::max<std::uint64_t>(1, most_rows)));
    band = std::min(band, height);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(band) * width);
    const std::vector<std::uint32_t> columns = sampled_columns(width, output.width);
    std::uint32_t band_top = 0xFFFFFFFF;
    for (int y = 0; y < output.height; ++y) {
        const std::uint32_t source = sampled_row(y, height, output.height);
        if (band_top == 0xFFFFFFFF || source >= band_top + band) {
            band_top = source / band * band;
            image.row_offset = static_cast<int>(band_top);
            if (TIFFRGBAImageGet(&image, raster.data(), width, std::min(band, height - band_top)) == 0) {
                return decoded_after(y);
            }
        }
        const std::uint32_t* row = raster.data() + static_cast<std::size_t>(source - band_top) * width;
        unsigned char* out = output.rows + static_cast<std::size_t>(y) * output.stride;
        for (const std::uint32_t column : columns) {
            const std::uint32_t pixel = row[column];
            const std::uint32_t alpha = TIFFGetA(pixel);
            *out++ = over_white(TIFFGetR(pixel), alpha);
            *out++ = over_white(TIFFGetG(pixel), alpha);
            *out++ = over_white(TIFFGetB(pixel), alpha);
        }
    }
    return TiffDecoded::Whole;
}

TiffDecoded decode(std::string_view file, const TiffOutput& output) {
    MemoryFile memory{file};
    const Tiff tiff = open_tiff(memory);
    std::uint32_t width = 0, height = 0;
    if (!tiff || output.width <= 0 || output.height <= 0 ||
        TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) != 1 || width == 0 || height == 0 ||
        static_cast<std::uint32_t>(output.width) > width ||
        static_cast<std::uint32_t>(output.height) > height) {
        return TiffDecoded::Nothing;
    }
    return output.samples == TiffSamples::Stored ? decode_stored(tiff.get(), width, height, output)
                                                 : decode_rgb(tiff.get(), width, height, output);
}

}  // namespace

}  // namespace posteri

// What the program looks up after loading the module.
extern "C" const posteri::TiffDecoder posteri_tiff_decoder{posteri::read_features, posteri::decode};
