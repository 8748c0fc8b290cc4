// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/photo_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "format/codepage.h"
#include "platform/photos/decoded_kinds.h"
#include "platform/photos/exif_reader.h"
#include "platform/photos/jpeg_errors.h"
#include "platform/photos/png/png_pixels.h"
#include "platform/system/trusted_names.h"

namespace posteri {

namespace {

constexpr float kDefaultDpi = 96;
constexpr float kCmPerInch = 2.54f;
constexpr long long kLargestSide = 32767;  // cairo's image surfaces go no further

void apply_jfif_density(const jpeg_decompress_struct& info, PhotoHeader& header) {
    if (!info.saw_JFIF_marker || info.X_density == 0 || info.Y_density == 0) return;
    if (info.density_unit == 1) {
        header.dpi_x = info.X_density;
        header.dpi_y = info.Y_density;
    } else if (info.density_unit == 2) {
        header.dpi_x = static_cast<float>(info.X_density) * kCmPerInch;
        header.dpi_y = static_cast<float>(info.Y_density) * kCmPerInch;
    }
}

// The first APP1 segment that holds EXIF: others (XMP, for one) may stand before it.
void apply_exif(const jpeg_decompress_struct& info, PhotoHeader& header) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1 || !is_exif_segment(marker->data, marker->data_length)) continue;
        const ExifFacts exif = read_exif(marker->data, marker->data_length);
        if (exif.resolution) {
            header.dpi_x = exif.resolution->dpi_x;
            header.dpi_y = exif.resolution->dpi_y;
        }
        header.orientation = exif.orientation;
        return;
    }
}

bool has_pdf_colours(J_COLOR_SPACE colours) {
    return colours == JCS_GRAYSCALE || colours == JCS_YCbCr || colours == JCS_CMYK || colours == JCS_YCCK;
}

// Fills `header` from the JPEG headers up to the first scan; false when they cannot be read.
bool read_jpeg_header(std::FILE* file, PhotoHeader& header) {
    JpegDecompressor reader;
    if (setjmp(reader.errors.jump)) return false;
    jpeg_stdio_src(&reader.info, file);
    jpeg_save_markers(&reader.info, JPEG_APP0 + 1, 0xFFFF);
    keep_icc_segments(reader.info);
    if (jpeg_read_header(&reader.info, TRUE) != JPEG_HEADER_OK) return false;
    header.kind = PhotoKind::Jpeg;
    header.stored_width = static_cast<int>(reader.info.image_width);
    header.stored_height = static_cast<int>(reader.info.image_height);
    header.pdf_colours = has_pdf_colours(reader.info.jpeg_color_space);
    header.arithmetic = reader.info.arith_code;
    header.components = reader.info.num_components;
    header.inverted = header.components == 4 && reader.info.saw_Adobe_marker;
    header.icc_profile = saved_icc_profile(reader.info);
    apply_jfif_density(reader.info, header);
    apply_exif(reader.info, header);
    return true;
}

bool read_png(std::FILE* file, PhotoHeader& header) {
    const auto png = read_png_header(file);
    if (!png) return false;
    header.kind = PhotoKind::Png;
    header.stored_width = png->width;
    header.stored_height = png->height;
    header.dpi_x = png->dpi_x.value_or(kDefaultDpi);
    header.dpi_y = png->dpi_y.value_or(kDefaultDpi);
    header.pdf_colours = png->opaque_rows;
    return true;
}

// A decoded kind's facts may follow its image data (a WebP's EXIF chunk most often does): the
// whole file is read.
bool read_decoded(std::FILE* file, const DecodedKind& reader, PhotoHeader& header) {
    std::string bytes;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
    return !std::ferror(file) && reader.read_header(bytes, header);
}

}  // namespace

PhotoFile open_photo(const std::string& path) {
    PhotoFile none(nullptr, std::fclose);
    // Without blocking, and only a regular file: a FIFO given as the photo would wait for a writer
    // for ever, and a device could be read without end.
    const int fd = open_trusted(cp1252_to_utf8(path), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return none;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return none;
    }
    PhotoFile file(::fdopen(fd, "rb"), std::fclose);
    if (!file) ::close(fd);
    return file;
}

std::optional<PhotoHeader> read_photo_header(std::FILE* file) {
    char start[kKindBytes] = {};
    const long origin = std::ftell(file);
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    if (origin < 0 || std::fseek(file, origin, SEEK_SET) != 0) return std::nullopt;
    const std::optional<PhotoKind> kind = photo_kind(std::string_view(start, got));
    if (!kind) return std::nullopt;
    PhotoHeader header;
    switch (*kind) {
        case PhotoKind::Jpeg:
            return read_jpeg_header(file, header) ? std::optional(header) : std::nullopt;
        case PhotoKind::Png:
            return read_png(file, header) ? std::optional(header) : std::nullopt;
        default: {
            const DecodedKind* reader = decoded_kind(*kind);  // none for a kind not read yet
            return reader != nullptr && read_decoded(file, *reader, header) ? std::optional(header)
                                                                            : std::nullopt;
        }
    }
}

long long file_size(std::FILE* file) {
    const long at = std::ftell(file);
    if (at < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(file);
    return std::fseek(file, at, SEEK_SET) == 0 ? size : -1;
}

// Even a picture of one flat colour takes at least one bit for each 8 x 8 block in a Huffman-coded
// JPEG, and in a PNG one byte for every 1032 bytes of its rows (deflate's best ratio; a row is its
// filter byte and at least one bit a pixel). An arithmetic-coded JPEG and the decoded kinds (a WebP's
// lossless coding gives a flat canvas in a few bytes) have no such floor: their readers bound them.
bool header_fits_file(const PhotoHeader& header, long long file_bytes) {
    constexpr long long kBitsPerByte = 8;
    constexpr long long kBlockSide = 8;
    constexpr long long kDeflateBestRatio = 1032;
    const long long width = header.stored_width;
    const long long height = header.stored_height;
    if (header.kind == PhotoKind::Png) {
        return (1 + (width + kBitsPerByte - 1) / kBitsPerByte) * height / kDeflateBestRatio <= file_bytes;
    }
    if (header.arithmetic || decoded_kind(header.kind) != nullptr) return true;
    const long long blocks = ((width + kBlockSide - 1) / kBlockSide) * ((height + kBlockSide - 1) / kBlockSide);
    return blocks / kBitsPerByte <= file_bytes;
}

bool turns_quarter(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

PhotoFacts upright_facts(const PhotoHeader& header) {
    if (turns_quarter(header.orientation)) {
        return {header.stored_height, header.stored_width, header.dpi_y, header.dpi_x};
    }
    return {header.stored_width, header.stored_height, header.dpi_x, header.dpi_y};
}

bool fits_in_memory(long long width, long long height) {
    return width <= kLargestSide && height <= kLargestSide && memory_holds(width, height);
}

bool memory_holds(long long width, long long height) {
    if (width <= 0 || height <= 0) return false;
    const long long pages = ::sysconf(_SC_PHYS_PAGES);
    const long long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return true;
    return width * height * 4 <= pages / 2 * page_size;
}

}  // namespace posteri
