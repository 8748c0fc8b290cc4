// SPDX-License-Identifier: GPL-3.0-or-later
// Formats arbitrary masks with arbitrary arguments and checks that the result stays within its cap.
//
// Input: the mask up to the first newline, then arguments, each a kind byte and its payload:
// 'i' and 4 bytes (32-bit integer), 'f' and 4 bytes (single float bits), 'd' and 8 bytes (double
// bits, NaN and infinities included), 't', a length byte and that many bytes (text). Any other byte
// is skipped.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "format/mask_format.h"
#include "format/number_text.h"

namespace {

constexpr std::size_t kMaxArgs = 64;

class Reader {
  public:
    explicit Reader(std::string_view data) : data_(data) {}

    bool empty() const { return data_.empty(); }
    char take_byte() {
        const char c = data_.front();
        data_.remove_prefix(1);
        return c;
    }
    std::string_view take(std::size_t count) {
        const std::string_view part = data_.substr(0, count);
        data_.remove_prefix(part.size());
        return part;
    }
    template <typename T>
    bool take_bits(T& value) {
        if (data_.size() < sizeof(T)) return false;
        std::memcpy(&value, data_.data(), sizeof(T));
        data_.remove_prefix(sizeof(T));
        return true;
    }

  private:
    std::string_view data_;
};

std::vector<posteri::MaskArg> read_args(Reader& reader) {
    std::vector<posteri::MaskArg> args;
    while (!reader.empty() && args.size() < kMaxArgs) {
        switch (reader.take_byte()) {
            case 'i':
                if (std::int32_t v = 0; reader.take_bits(v)) args.emplace_back(v);
                break;
            case 'f':
                if (float v = 0; reader.take_bits(v)) args.emplace_back(v);
                break;
            case 'd':
                if (double v = 0; reader.take_bits(v)) args.emplace_back(v);
                break;
            case 't':
                if (!reader.empty()) {
                    const auto length = static_cast<unsigned char>(reader.take_byte());
                    args.emplace_back(reader.take(length));
                }
                break;
            default:
                break;
        }
    }
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view mask = input.substr(0, newline);
    Reader reader(newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1));
    const std::vector<posteri::MaskArg> args = read_args(reader);

    if (posteri::mask_format(mask, args).size() > 1024) std::abort();
    for (const posteri::MaskArg& arg : args) {
        if (!arg.is_number()) continue;
        // Sign, 17 digits, point, "E-324": nothing longer can come out.
        for (int digits : {7, 15}) {
            const std::string text = posteri::general_number(arg.number(), digits);
            if (text.empty() || text.size() > 24) std::abort();
        }
    }
    return 0;
}
