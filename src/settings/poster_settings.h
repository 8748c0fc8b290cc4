// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one record of a run: the poster's persistent parameters and the facts gathered about the
// photo and the printer.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace posteri {

// Exactly N 8-bit characters. Assigning pads with spaces or cuts; reading yields all N characters.
// A fresh field holds N NUL characters.
template <std::size_t N>
class FixedText {
public:
    FixedText() = default;
    FixedText& operator=(std::string_view text) {
        const std::size_t n = text.size() < N ? text.size() : N;
        for (std::size_t i = 0; i < n; ++i) bytes_[i] = text[i];
        for (std::size_t i = n; i < N; ++i) bytes_[i] = ' ';
        return *this;
    }
    std::string str() const { return std::string(bytes_.data(), N); }
    std::string_view view() const { return std::string_view(bytes_.data(), N); }
    static constexpr std::size_t width = N;
    bool operator==(const FixedText&) const = default;

private:
    std::array<char, N> bytes_{};
};

struct PosterSettings {
    float px_cm = 0;
    float py_cm = 0;
    float larghezza_cm = 0;
    float altezza_cm = 0;
    std::int32_t foto_larghezza_px = 0;
    std::int32_t foto_altezza_px = 0;
    float foto_dpi_x = 0;
    float foto_dpi_y = 0;
    float foglio_larghezza_cm = 0;
    float foglio_altezza_cm = 0;
    float altezza_testo_cm = 0;
    std::int32_t orientamento = 0;
    FixedText<254> nomefile;
    float punti_cm = 0;
    std::int32_t autocentra = 0;
    std::int32_t fits = 0;
    FixedText<64> testo1;
    FixedText<64> testo2;
    FixedText<64> testo3;
    std::int32_t y_testo_px = 0;
    FixedText<64> nomestampante;
    FixedText<64> nomefont;
    FixedText<64> tipoautore;
    FixedText<2> logorroico;
    bool operator==(const PosterSettings&) const = default;
};

}  // namespace posteri
