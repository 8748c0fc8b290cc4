// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers stored most significant byte first, as JPEG, PNG and ICC files store them. The caller
// makes sure the bytes are there.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace posteri {

inline std::uint32_t big_endian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

inline unsigned big_endian16(std::string_view bytes, std::size_t at) {
    return big_endian(bytes, at, 2);
}

inline std::uint32_t big_endian32(std::string_view bytes, std::size_t at) {
    return big_endian(bytes, at, 4);
}

}  // namespace posteri
