// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/exif_reader.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace posteri {

namespace {

constexpr unsigned char kExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kXResolutionTag = 0x011A;
constexpr std::uint16_t kYResolutionTag = 0x011B;
constexpr std::uint16_t kResolutionUnitTag = 0x0128;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kRationalType = 5;
constexpr std::size_t kEntrySize = 12;
constexpr float kCmPerInch = 2.54f;

// The TIFF block inside the EXIF segment, read in its own byte order; reads past the end give 0.
class TiffBlock {
public:
    TiffBlock(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool has_header() {
        if (size_ < 8) return false;
        if (data_[0] == 'I' && data_[1] == 'I') {
            little_endian_ = true;
        } else if (data_[0] == 'M' && data_[1] == 'M') {
            little_endian_ = false;
        } else {
            return false;
        }
        return u16(2) == 42;
    }
    bool holds(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint16_t u16(std::size_t offset) const {
        if (!holds(offset, 2)) return 0;
        const unsigned a = data_[offset], b = data_[offset + 1];
        return static_cast<std::uint16_t>(little_endian_ ? a | b << 8 : a << 8 | b);
    }
    std::uint32_t u32(std::size_t offset) const {
        const std::uint32_t first = u16(offset), second = u16(offset + 2);
        return little_endian_ ? first | second << 16 : first << 16 | second;
    }
    // A RATIONAL value whose 8 bytes lie at the offset stored in the entry; 0 when out of bounds
    // or with a zero denominator.
    float rational(std::size_t entry) const {
        const std::size_t at = u32(entry + 8);
        if (!holds(at, 8)) return 0;
        const std::uint32_t denominator = u32(at + 4);
        return denominator == 0 ? 0.0f : static_cast<float>(static_cast<double>(u32(at)) / denominator);
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool little_endian_ = true;
};

struct FirstDirectory {
    int orientation = 0;
    float x_resolution = 0;
    float y_resolution = 0;
    int unit = 2;  // TIFF's default when the tag is missing: inches
};

FirstDirectory read_first_directory(const TiffBlock& tiff) {
    FirstDirectory found;
    const std::size_t directory = tiff.u32(4);
    if (!tiff.holds(directory, 2)) return found;
    const std::size_t count = tiff.u16(directory);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = directory + 2 + i * kEntrySize;
        if (!tiff.holds(entry, kEntrySize)) break;
        const std::uint16_t tag = tiff.u16(entry);
        const std::uint16_t type = tiff.u16(entry + 2);
        if (type == kShortType && tag == kOrientationTag) found.orientation = tiff.u16(entry + 8);
        if (type == kShortType && tag == kResolutionUnitTag) found.unit = tiff.u16(entry + 8);
        if (type == kRationalType && tag == kXResolutionTag) found.x_resolution = tiff.rational(entry);
        if (type == kRationalType && tag == kYResolutionTag) found.y_resolution = tiff.rational(entry);
    }
    return found;
}

std::optional<ExifResolution> resolution_in_dpi(const FirstDirectory& directory) {
    if (directory.x_resolution <= 0 || directory.y_resolution <= 0) return std::nullopt;
    if (directory.unit == 2) return ExifResolution{directory.x_resolution, directory.y_resolution};
    if (directory.unit == 3) {
        return ExifResolution{directory.x_resolution * kCmPerInch, directory.y_resolution * kCmPerInch};
    }
    return std::nullopt;
}

}  // namespace

bool is_exif_segment(const unsigned char* data, std::size_t size) {
    return data != nullptr && size >= sizeof kExifSignature &&
           std::memcmp(data, kExifSignature, sizeof kExifSignature) == 0;
}

ExifFacts read_exif(const unsigned char* data, std::size_t size) {
    ExifFacts facts;
    if (!is_exif_segment(data, size)) return facts;
    const std::size_t signature = sizeof kExifSignature;
    TiffBlock tiff(data + signature, size - signature);
    if (!tiff.has_header()) return facts;
    const FirstDirectory directory = read_first_directory(tiff);
    facts.resolution = resolution_in_dpi(directory);
    if (directory.orientation >= 1 && directory.orientation <= 8) facts.orientation = directory.orientation;
    return facts;
}

ExifFacts read_exif_block(std::string_view block) {
    constexpr std::string_view kExifStart{"Exif\0\0", 6};
    const std::string segment = block.substr(0, kExifStart.size()) == kExifStart
                                    ? std::string(block)
                                    : std::string(kExifStart) + std::string(block);
    return read_exif(reinterpret_cast<const unsigned char*>(segment.data()), segment.size());
}

}  // namespace posteri
