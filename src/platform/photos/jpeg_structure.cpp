// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jpeg_structure.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/photos/big_endian.h"

namespace posteri {

namespace {

constexpr unsigned char kPrefix = 0xFF;
constexpr unsigned char kStuffed = 0x00;

enum Marker : unsigned char {
    kBaseline = 0xC0,
    kExtendedSequential = 0xC1,
    kProgressive = 0xC2,
    kHuffmanTable = 0xC4,
    kArithmeticSequential = 0xC9,
    kArithmeticProgressive = 0xCA,
    kArithmeticConditioning = 0xCC,
    kRestart0 = 0xD0,
    kRestart7 = 0xD7,
    kStartOfImage = 0xD8,
    kEndOfImage = 0xD9,
    kStartOfScan = 0xDA,
    kQuantisationTable = 0xDB,
    kNumberOfLines = 0xDC,
    kRestartInterval = 0xDD,
    kApplication0 = 0xE0,
    kApplication15 = 0xEF,
    kComment = 0xFE,
};

constexpr int kBlockSize = 8;
constexpr int kLargestSampling = 4;

struct Component {
    int id = 0;
    int horizontal = 1;  // sampling factors
    int vertical = 1;
};

struct Frame {
    std::int64_t width = 0;
    std::int64_t height = 0;  // 0 when a DNL segment after the first scan gives it
    std::vector<Component> components;
    int most_horizontal = 1;
    int most_vertical = 1;
};

unsigned byte_at(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

std::int64_t divided_up(std::int64_t value, std::int64_t by) {
    return (value + by - 1) / by;
}

// The DCT frames libjpeg decodes, sequential or progressive, Huffman or arithmetic coded; lossless
// and hierarchical frames are refused.
bool is_frame_header(unsigned marker) {
    return marker == kBaseline || marker == kExtendedSequential || marker == kProgressive ||
           marker == kArithmeticSequential || marker == kArithmeticProgressive;
}

bool is_restart(unsigned marker) {
    return marker >= kRestart0 && marker <= kRestart7;
}

// Tables, restart interval, application data and comments may stand before the frame, between
// the frame and its first scan, and between scans.
bool is_table_or_miscellany(unsigned marker) {
    return marker == kHuffmanTable || marker == kArithmeticConditioning || marker == kQuantisationTable ||
           marker == kRestartInterval || (marker >= kApplication0 && marker <= kApplication15) ||
           marker == kComment;
}

std::optional<Frame> read_frame(std::string_view header) {
    if (header.size() < 6) return std::nullopt;
    Frame frame;
    frame.height = big_endian16(header, 1);
    frame.width = big_endian16(header, 3);
    const std::size_t count = byte_at(header, 5);
    if (frame.width == 0 || count == 0 || header.size() != 6 + 3 * count) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + 3 * i;
        const Component component{static_cast<int>(byte_at(header, at)),
                                  static_cast<int>(byte_at(header, at + 1) >> 4),
                                  static_cast<int>(byte_at(header, at + 1) & 0x0F)};
        if (component.horizontal < 1 || component.horizontal > kLargestSampling || component.vertical < 1 ||
            component.vertical > kLargestSampling) {
            return std::nullopt;
        }
        frame.most_horizontal = std::max(frame.most_horizontal, component.horizontal);
        frame.most_vertical = std::max(frame.most_vertical, component.vertical);
        frame.components.push_back(component);
    }
    return frame;
}

const Component* component_of(const Frame& frame, unsigned id) {
    for (const Component& component : frame.components) {
        if (static_cast<unsigned>(component.id) == id) return &component;
    }
    return nullptr;
}

// The MCUs a scan codes: the blocks of its one component, or the interleaved MCUs of several.
std::int64_t mcus_of(const Frame& frame, const Component& only) {
    const std::int64_t columns =
        divided_up(frame.width * only.horizontal, std::int64_t{kBlockSize} * frame.most_horizontal);
    const std::int64_t rows =
        divided_up(frame.height * only.vertical, std::int64_t{kBlockSize} * frame.most_vertical);
    return columns * rows;
}

std::int64_t interleaved_mcus_of(const Frame& frame) {
    return divided_up(frame.width, std::int64_t{kBlockSize} * frame.most_horizontal) *
           divided_up(frame.height, std::int64_t{kBlockSize} * frame.most_vertical);
}

// Walks the stream from SOI to EOI; every read is checked against the end of the bytes.
class StructureWalk {
  public:
    explicit StructureWalk(std::string_view bytes) : bytes_(bytes) {}

    bool whole() {
        if (bytes_.size() < 2 || byte_at(bytes_, 0) != kPrefix || byte_at(bytes_, 1) != kStartOfImage)
            return false;
        at_ = 2;
        for (;;) {
            const std::optional<unsigned> marker = next_marker();
            if (!marker) return false;
            if (*marker == kEndOfImage) return scans_ > 0;
            const std::optional<std::string_view> segment = next_segment();
            if (!segment || !takes(*marker, *segment)) return false;
        }
    }

  private:
    // The marker at the current place, after any fill bytes.
    std::optional<unsigned> next_marker() {
        if (at_ >= bytes_.size() || byte_at(bytes_, at_) != kPrefix) return std::nullopt;
        while (at_ < bytes_.size() && byte_at(bytes_, at_) == kPrefix) ++at_;
        if (at_ >= bytes_.size()) return std::nullopt;
        return byte_at(bytes_, at_++);
    }

    // The parameters of the segment that starts here, after its two-byte length.
    std::optional<std::string_view> next_segment() {
        if (bytes_.size() - at_ < 2) return std::nullopt;
        const std::size_t length = big_endian16(bytes_, at_);
        if (length < 2 || length > bytes_.size() - at_) return std::nullopt;
        const std::string_view parameters = bytes_.substr(at_ + 2, length - 2);
        at_ += length;
        return parameters;
    }

    bool takes(unsigned marker, std::string_view segment) {
        if (is_frame_header(marker)) {
            if (frame_) return false;
            frame_ = read_frame(segment);
            return frame_.has_value();
        }
        if (marker == kStartOfScan) return frame_ && scan(segment);
        if (marker == kRestartInterval) {
            if (segment.size() != 2) return false;
            restart_interval_ = big_endian16(segment, 0);
            return true;
        }
        if (marker == kNumberOfLines) return scans_ > 0 && segment.size() == 2;
        return is_table_or_miscellany(marker);
    }

    // A scan header and its entropy-coded data, up to the marker that ends them.
    bool scan(std::string_view header) {
        if (header.empty()) return false;
        const std::size_t count = byte_at(header, 0);
        if (count < 1 || count > 4 || header.size() != 4 + 2 * count) return false;
        const Component* only = component_of(*frame_, byte_at(header, 1));
        for (std::size_t i = 0; i < count; ++i) {
            if (component_of(*frame_, byte_at(header, 1 + 2 * i)) == nullptr) return false;
        }
        const std::int64_t mcus = count == 1 ? mcus_of(*frame_, *only) : interleaved_mcus_of(*frame_);
        const std::optional<std::int64_t> restarts = entropy_coded_data();
        if (!restarts || *restarts < restarts_needed(mcus)) return false;
        ++scans_;
        return true;
    }

    // Fewer restart markers than the MCUs need means data is missing. Unknown before DNL gives the
    // height.
    std::int64_t restarts_needed(std::int64_t mcus) const {
        if (restart_interval_ == 0 || frame_->height == 0) return 0;
        return (mcus - 1) / restart_interval_;
    }

    // Skips the data to the marker that ends it, counting restart markers, which must come in their
    // cyclic order; nothing when the data is cut short or holds a stray byte after 0xFF.
    std::optional<std::int64_t> entropy_coded_data() {
        std::int64_t restarts = 0;
        for (;;) {
            const void* found = std::memchr(bytes_.data() + at_, kPrefix, bytes_.size() - at_);
            if (found == nullptr) return std::nullopt;
            const std::size_t prefix =
                static_cast<std::size_t>(static_cast<const char*>(found) - bytes_.data());
            std::size_t code = prefix + 1;
            while (code < bytes_.size() && byte_at(bytes_, code) == kPrefix) ++code;
            if (code >= bytes_.size()) return std::nullopt;
            const unsigned marker = byte_at(bytes_, code);
            if (marker == kStuffed) {
                if (code != prefix + 1) return std::nullopt;  // fill bytes stand only before markers
            } else if (is_restart(marker)) {
                if (restart_interval_ == 0 || marker != kRestart0 + restarts % 8) return std::nullopt;
                ++restarts;
            } else {
                at_ = prefix;
                return restarts;
            }
            at_ = code + 1;
        }
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    std::optional<Frame> frame_;
    unsigned restart_interval_ = 0;
    int scans_ = 0;
};

}  // namespace

bool jpeg_structure_is_whole(std::string_view bytes) {
    return StructureWalk(bytes).whole();
}

}  // namespace posteri
