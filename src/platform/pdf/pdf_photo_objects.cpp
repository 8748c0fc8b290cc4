// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pdf/pdf_photo_objects.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <deque>
#include <optional>

namespace posteri {

namespace {

constexpr std::size_t kXrefEntryBytes = 20;  // "oooooooooo ggggg n \n"
constexpr std::size_t kLongestWrite = 1u << 30;

std::string device_space(int components) {
    switch (components) {
        case 1: return "/DeviceGray";
        case 4: return "/DeviceCMYK";
        default: return "/DeviceRGB";
    }
}

std::string hex_string(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex = "<";
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 0xF];
    }
    return hex + ">";
}

// `profile_object` is the object number that carries the image's profile, 0 for none.
std::string colour_space(const PdfImage& image, int profile_object) {
    std::string base = profile_object > 0 ? "[/ICCBased " + std::to_string(profile_object) + " 0 R]"
                                          : device_space(image.components);
    if (image.palette.empty()) return base;
    const std::size_t colours = image.palette.size() / static_cast<std::size_t>(image.components);
    return "[/Indexed " + base + " " + std::to_string(colours - 1) + " " + hex_string(image.palette) + "]";
}

std::string decode_array(const PdfImage& image) {
    if (!image.inverted) return {};
    std::string decode = "   /Decode [";
    for (int i = 0; i < image.components; ++i) decode += i == 0 ? "1 0" : " 1 0";
    return decode + "]\n";
}

std::string number_entry(std::string_view key, int value) {
    return " /" + std::string(key) + " " + std::to_string(value);
}

std::string predictor_parameters(const PdfImage& image, int predictor, int colours) {
    return "   /DecodeParms <<" + number_entry("Predictor", predictor) + number_entry("Colors", colours) +
           number_entry("BitsPerComponent", image.bits_per_component) + number_entry("Columns", image.width) +
           " >>\n";
}

std::string filter_entries(const PdfImage& image) {
    switch (image.coding) {
        case PdfImageCoding::Dct:
            return "   /Filter /DCTDecode\n";
        case PdfImageCoding::PngFlate:
            return "   /Filter /FlateDecode\n" +
                   predictor_parameters(image, 15, image.palette.empty() ? image.components : 1);
        case PdfImageCoding::Flate:
        case PdfImageCoding::Lzw: {
            const std::string filter =
                image.coding == PdfImageCoding::Flate ? "   /Filter /FlateDecode\n" : "   /Filter /LZWDecode\n";
            return image.tiff_predictor ? filter + predictor_parameters(image, 2, image.components) : filter;
        }
        case PdfImageCoding::CcittG4:
            return "   /Filter /CCITTFaxDecode\n   /DecodeParms << /K -1" + number_entry("Columns", image.width) +
                   number_entry("Rows", image.height) + " /BlackIs1 " + (image.black_is_1 ? "true" : "false") +
                   " >>\n";
        default:
            return {};
    }
}

std::size_t data_size(const PdfImage& image) {
    std::size_t size = 0;
    for (const std::string_view piece : image.data) size += piece.size();
    return size;
}

std::string image_object_head(int number, const PdfImage& image, int profile_object) {
    return std::to_string(number) + " 0 obj\n<< /Type /XObject\n   /Subtype /Image\n   /Width " +
           std::to_string(image.width) + "\n   /Height " + std::to_string(image.height) + "\n   /ColorSpace " +
           colour_space(image, profile_object) + "\n   /BitsPerComponent " +
           std::to_string(image.bits_per_component) + "\n" + decode_array(image) + filter_entries(image) +
           "   /Interpolate true\n   /Length " + std::to_string(data_size(image)) + "\n>>\nstream\n";
}

constexpr std::string_view kStreamEnd = "\nendstream\nendobj\n";

// The profile as a stream object, deflated: a printer's CMYK profile runs to hundreds of KB.
std::string profile_object_text(int number, const PdfImage& image) {
    uLongf packed_size = compressBound(static_cast<uLong>(image.icc.size()));
    std::string packed(packed_size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                  reinterpret_cast<const Bytef*>(image.icc.data()), static_cast<uLong>(image.icc.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        return {};
    }
    packed.resize(packed_size);
    return std::to_string(number) + " 0 obj\n<< /N " + std::to_string(image.components) + "\n   /Alternate " +
           device_space(image.components) + "\n   /Filter /FlateDecode\n   /Length " +
           std::to_string(packed.size()) + "\n>>\nstream\n" + packed + std::string(kStreamEnd);
}

std::optional<long long> number_at(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] == ' ') ++at;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + at) return std::nullopt;
    return value;
}

// The object that holds a stream's length, where the dictionary names one ("/Length 7 0 R").
std::optional<int> indirect_length(std::string_view dictionary) {
    const std::size_t key = dictionary.find("/Length ");
    if (key == std::string_view::npos) return std::nullopt;
    const std::size_t digits = dictionary.find_first_not_of(' ', key + 8);
    const std::size_t after = dictionary.find_first_not_of("0123456789", digits);
    const auto number = number_at(dictionary, digits);
    if (!number || after == std::string_view::npos || dictionary.compare(after, 4, " 0 R") != 0) return std::nullopt;
    return static_cast<int>(*number);
}

// One stretch of cairo's output replaced by other bytes.
struct Replacement {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::vector<std::string_view> with;
};

// cairo's output (from `offset` of the whole PDF on) with its placeholders' objects replaced. Objects
// are found through the cross-reference table, so that nothing inside another stream is taken for one.
class Splice {
  public:
    Splice(std::string_view pdf, std::size_t offset) : pdf_(pdf), offset_(offset) { read_xref(); }

    // Replaces every object whose stream is the image's placeholder; false when one cannot be read.
    bool replace_objects_of(const PdfImage& image) {
        if (xref_ == std::string_view::npos) return false;
        const std::string stream = ">>\nstream\n" + image.placeholder;
        for (std::size_t at = pdf_.find(stream); at != std::string_view::npos; at = pdf_.find(stream, at + 1)) {
            const std::size_t end = at + stream.size();
            const std::size_t begin = object_start_before(at);
            if (begin == std::string_view::npos || pdf_.compare(end, kStreamEnd.size(), kStreamEnd) != 0) return false;
            const std::string_view dictionary = pdf_.substr(begin, at - begin);
            const auto length_object = indirect_length(dictionary);
            int profile_number = 0;
            if (!image.icc.empty() && length_object) profile_number = profile_in(*length_object, image);
            std::vector<std::string_view> object{
                keep(image_object_head(static_cast<int>(*number_at(pdf_, begin)), image, profile_number))};
            object.insert(object.end(), image.data.begin(), image.data.end());
            object.push_back(kStreamEnd);
            add(begin, end + kStreamEnd.size(), std::move(object));
        }
        return true;
    }

    // Writes the output with its replacements and a cross-reference table at the new offsets.
    bool write(const PdfWriter& destination) {
        if (xref_ == std::string_view::npos) return false;
        const auto table = moved_xref();
        if (!table) return false;
        add(xref_, trailer_, {keep(*table)});
        add(startxref_, pdf_.size(),
            {keep("startxref\n" + std::to_string(moved(static_cast<long long>(xref_ + offset_))) + "\n%%EOF\n")});
        std::sort(replacements_.begin(), replacements_.end(),
                  [](const Replacement& a, const Replacement& b) { return a.begin < b.begin; });
        std::vector<std::string_view> pieces;
        std::size_t at = 0;
        for (const Replacement& replacement : replacements_) {
            if (replacement.begin < at) return false;  // overlapping objects: not what cairo writes
            pieces.push_back(pdf_.substr(at, replacement.begin - at));
            pieces.insert(pieces.end(), replacement.with.begin(), replacement.with.end());
            at = replacement.end;
        }
        // The writer takes an unsigned int of bytes at a time; a photo's data may be longer.
        for (std::string_view piece : pieces) {
            for (; !piece.empty(); piece.remove_prefix(std::min(piece.size(), kLongestWrite))) {
                destination(reinterpret_cast<const unsigned char*>(piece.data()),
                            static_cast<unsigned int>(std::min(piece.size(), kLongestWrite)));
            }
        }
        return true;
    }

  private:
    // "startxref" names the table, which runs to the trailer; every in-use entry is remembered.
    void read_xref() {
        const std::size_t start = pdf_.rfind("startxref\n");
        const auto table = start == std::string_view::npos ? std::nullopt : number_at(pdf_, start + 10);
        if (!table || *table < static_cast<long long>(offset_)) return;
        const std::size_t xref = static_cast<std::size_t>(*table) - offset_;
        const std::size_t trailer = pdf_.find("trailer\n", xref);
        if (xref >= pdf_.size() || pdf_.compare(xref, 5, "xref\n") != 0 || trailer == std::string_view::npos) return;
        for (std::size_t at = xref + 5; at < trailer;) {
            const std::size_t line_end = pdf_.find('\n', at);
            const auto first = number_at(pdf_, at);
            const auto count = number_at(pdf_, pdf_.find(' ', at));
            if (!first || !count || *first < 0 || *count < 0 ||
                line_end + 1 + static_cast<std::size_t>(*count) * kXrefEntryBytes > trailer) {
                return;
            }
            at = line_end + 1;
            for (long long i = 0; i < *count; ++i, at += kXrefEntryBytes) {
                const auto position = number_at(pdf_, at);
                if (!position) return;
                if (pdf_[at + 17] == 'n') entries_.push_back({static_cast<int>(*first + i), *position, at});
            }
        }
        xref_ = xref;
        trailer_ = trailer;
        startxref_ = start;
    }

    // The start of the object whose dictionary runs on to `at`: the last one the table places before it.
    std::size_t object_start_before(std::size_t at) const {
        std::size_t begin = std::string_view::npos;
        for (const Entry& entry : entries_) {
            const long long local = entry.position - static_cast<long long>(offset_);
            if (local >= 0 && static_cast<std::size_t>(local) < at &&
                (begin == std::string_view::npos || static_cast<std::size_t>(local) > begin)) {
                begin = static_cast<std::size_t>(local);
            }
        }
        return begin;
    }

    std::string_view keep(std::string text) { return kept_.emplace_back(std::move(text)); }

    void add(std::size_t begin, std::size_t end, std::vector<std::string_view> with) {
        replacements_.push_back({begin, end, std::move(with)});
    }

    // The number object that held the placeholder's length now holds the profile; 0 when it
    // cannot, and the image is then shown in its device colours.
    int profile_in(int number, const PdfImage& image) {
        const auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.number == number; });
        if (entry == entries_.end() || entry->position < static_cast<long long>(offset_)) return 0;
        const std::size_t begin = static_cast<std::size_t>(entry->position) - offset_;
        const std::size_t end = pdf_.find("endobj\n", begin);
        const std::string head = std::to_string(number) + " 0 obj\n";
        if (end == std::string_view::npos || pdf_.compare(begin, head.size(), head) != 0) return 0;
        std::string text = profile_object_text(number, image);
        if (text.empty()) return 0;
        add(begin, end + 7, {keep(std::move(text))});
        return number;
    }

    // Where a byte at `position` of the whole original output now lies.
    long long moved(long long position) const {
        long long shift = 0;
        for (const Replacement& replacement : replacements_) {
            if (static_cast<long long>(replacement.end + offset_) > position) continue;
            std::size_t length = 0;
            for (const std::string_view piece : replacement.with) length += piece.size();
            shift += static_cast<long long>(length) - static_cast<long long>(replacement.end - replacement.begin);
        }
        return position + shift;
    }

    // The table with every in-use entry's offset moved; the entries keep their fixed width.
    std::optional<std::string> moved_xref() const {
        std::string table(pdf_.substr(xref_, trailer_ - xref_));
        for (const Entry& entry : entries_) {
            const long long position = moved(entry.position);
            if (position < 0 || position > 9'999'999'999LL) return std::nullopt;
            std::string digits = std::to_string(position);
            table.replace(entry.at - xref_, 10, std::string(10 - digits.size(), '0') + digits);
        }
        return table;
    }

    struct Entry {
        int number = 0;
        long long position = 0;  // in the whole output
        std::size_t at = 0;      // of the entry in `pdf_`
    };

    std::string_view pdf_;
    std::size_t offset_;
    std::size_t xref_ = std::string_view::npos;
    std::size_t trailer_ = 0;
    std::size_t startxref_ = 0;
    std::vector<Entry> entries_;
    std::vector<Replacement> replacements_;
    std::deque<std::string> kept_;  // a deque: views into earlier strings stay valid as it grows
};

}  // namespace

void PhotoObjectWriter::add(std::shared_ptr<const PdfImage> image) {
    if (std::find(images_.begin(), images_.end(), image) == images_.end()) images_.push_back(std::move(image));
}

void PhotoObjectWriter::write(const unsigned char* data, unsigned int length) {
    if (images_.empty()) {
        destination_(data, length);
        passed_ += length;
        return;
    }
    held_.append(reinterpret_cast<const char*>(data), length);
}

bool PhotoObjectWriter::finish() {
    if (images_.empty()) return true;
    Splice splice(held_, passed_);
    for (const auto& image : images_) {
        if (!splice.replace_objects_of(*image)) return false;
    }
    return splice.write(destination_);
}

}  // namespace posteri
