// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_jxl.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "support/test_photos.h"

namespace posteri::test {

namespace {

// Bits as a codestream packs them: each field from its least significant bit, bytes filled from
// their least significant bit.
class BitWriter {
  public:
    void put(unsigned value, int bits) {
        for (int i = 0; i < bits; ++i) bits_.push_back((value >> i & 1) != 0);
    }
    // A size field: a selector of how many bits follow, then the value less one.
    void put_size(unsigned value) {
        constexpr int kWidths[] = {9, 13, 18, 30};
        int selector = 0;
        while (value - 1 >= 1u << kWidths[selector]) ++selector;
        put(static_cast<unsigned>(selector), 2);
        put(value - 1, kWidths[selector]);
    }
    std::string bytes() const {
        std::string out((bits_.size() + 7) / 8, '\0');
        for (std::size_t i = 0; i < bits_.size(); ++i)
            out[i / 8] = static_cast<char>(out[i / 8] | bits_[i] << (i % 8));
        return out;
    }

  private:
    std::vector<bool> bits_;
};

}  // namespace

std::string make_jxl(const std::string& source, const std::string& options,
                     const std::filesystem::path& folder) {
    const std::string extension = source.substr(0, 2) == "\xFF\xD8" ? ".jpg" : ".png";
    const std::string in = (folder / ("cjxl-source" + extension)).string();
    const std::string out = (folder / "cjxl-made.jxl").string();
    write_file(in, source);
    const std::string command = "cjxl '" + in + "' '" + out + "' " + options + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("cjxl failed: " + command);
    return read_file(out);
}

std::string jxl_claiming(int width, int height) {
    BitWriter header;
    header.put(0, 1);  // a size not in multiples of 8
    header.put_size(static_cast<unsigned>(height));
    header.put(0, 3);  // no preset aspect ratio: the width follows
    header.put_size(static_cast<unsigned>(width));
    header.put(1, 1);  // all image metadata default: 8-bit sRGB
    return "\xFF\x0A" + header.bytes();
}

}  // namespace posteri::test
