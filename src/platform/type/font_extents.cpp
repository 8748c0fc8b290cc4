// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/font_extents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "platform/system/trusted_names.h"
#include "platform/system/write_all.h"
#include "platform/type/fontconfig_font_set.h"

namespace posteri {

namespace {

constexpr std::string_view kFileHeader = "posteri font extents 1\n";

// Far more than the extents of every font on a well-stocked machine take (a few hundred KB); a larger
// file is no cache of ours, and it is measured afresh rather than read.
constexpr std::size_t kMostCacheBytes = 8 * 1024 * 1024;

// A regular file's bytes up to the bound; nothing from anything else (a fifo would never end).
std::string read_regular_file(const std::string& path) {
    const int fd = open_trusted(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return {};
    std::string bytes;
    struct stat facts {};
    if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode) || read_at_most(fd, kMostCacheBytes, bytes) != 0) {
        bytes.clear();
    }
    ::close(fd);
    return bytes;
}

bool read_number(std::string_view& text, int& number, char after) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data() + text.size() || *end != after) return false;
    text.remove_prefix(end - text.data() + 1);
    return true;
}

// Records "width height length\n" followed by the key of that length and a line end.
bool parse_records(std::string_view text, std::unordered_map<std::string, TextExtent>& extents) {
    while (!text.empty()) {
        TextExtent extent;
        int length = 0;
        if (!read_number(text, extent.width, ' ') || !read_number(text, extent.height, ' ') ||
            !read_number(text, length, '\n') || length < 0 || text.size() < std::size_t(length) + 1 ||
            text[length] != '\n')
            return false;
        extents.emplace(std::string(text.substr(0, length)), extent);
        text.remove_prefix(length + 1);
    }
    return true;
}

void make_folders(const std::string& file) {
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
        ::mkdir(file.substr(0, slash).c_str(), 0700);
}

// The whole file or none: written beside its place and renamed over it, and only over a regular
// file (never through a link or onto a device). Any failure leaves things as they were.
void write_whole_file(const std::string& path, const std::string& bytes) {
    make_folders(path);
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return;
    bool written = write_all(fd, bytes) == 0;
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    struct stat facts {};
    const bool replaceable =
        ::lstat(path.c_str(), &facts) != 0 ? errno == ENOENT : S_ISREG(facts.st_mode) && may_write_over(path, facts);
    if (!written || !replaceable || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

}  // namespace

FontExtents::FontExtents(BatchMeasurer measure, std::string file)
    : measure_(std::move(measure)), file_(std::move(file)) {}

std::vector<TextExtent> FontExtents::measure(const std::vector<FontText>& texts, const MeasureProgress& progress) {
    bring_fonts_up_to_date();
    const std::string key = font_set_key();
    if (key != key_) load(key);
    std::vector<const FontText*> missing;
    for (const FontText& text : texts) {
        if (!kept_.contains(font_text_key(text.font, text.text))) missing.push_back(&text);
    }
    if (!missing.empty()) {
        const std::vector<TextExtent> measured = measure_(missing, progress);
        for (std::size_t i = 0; i < missing.size(); ++i) kept_.insert_or_assign(font_text_key(missing[i]->font, missing[i]->text), measured[i]);
        save();
    }
    std::vector<TextExtent> extents;
    for (const FontText& text : texts) extents.push_back(kept_.at(font_text_key(text.font, text.text)));
    return extents;
}

void FontExtents::load(const std::string& key) {
    key_ = key;
    kept_.clear();
    if (file_.empty()) return;
    const std::string bytes = read_regular_file(file_);
    const std::string header = std::string(kFileHeader) + key + '\n';
    if (!bytes.starts_with(header) || !parse_records(std::string_view(bytes).substr(header.size()), kept_))
        kept_.clear();
}

void FontExtents::save() const {
    if (file_.empty()) return;
    std::string bytes = std::string(kFileHeader) + key_ + '\n';
    for (const auto& [text, extent] : kept_) {
        bytes += std::to_string(extent.width) + ' ' + std::to_string(extent.height) + ' ' +
                 std::to_string(text.size()) + '\n' + text + '\n';
    }
    write_whole_file(file_, bytes);
}

std::string font_text_key(const FontSpec& font, std::string_view text) {
    return std::to_string(font.points) + ' ' + std::to_string(font.style) + ' ' + std::to_string(font.face.size()) +
           ' ' + font.face + std::string(text);
}

std::string font_extents_file() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/posteri/font-extents";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/posteri/font-extents";
    return {};
}

}  // namespace posteri
