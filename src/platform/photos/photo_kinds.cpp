// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/photo_kinds.h"

#include <array>

namespace posteri {

namespace {

using namespace std::string_view_literals;

// The ISO base media file brands of HEIF images and image sequences, AVIF among them.
constexpr std::array kHeifBrands{"heic"sv, "heix"sv, "heim"sv, "heis"sv, "hevc"sv,
                                 "hevx"sv, "mif1"sv, "msf1"sv, "avif"sv, "avis"sv};

bool is_jpeg(std::string_view bytes) {
    return bytes.substr(0, 2) == "\xFF\xD8"sv;
}

bool is_png(std::string_view bytes) {
    return bytes.substr(0, 8) == "\x89PNG\r\n\x1A\n"sv;
}

bool is_webp(std::string_view bytes) {
    return bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WEBP";
}

// A first box of at least its own header and the brand, of type "ftyp", whose major brand is an image's.
bool is_heif(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(4, 4) != "ftyp") return false;
    const auto box_length = static_cast<unsigned char>(bytes[3]) | static_cast<unsigned char>(bytes[2]) << 8 |
                            static_cast<unsigned char>(bytes[1]) << 16;
    if (bytes[0] != 0 || box_length < 12) return false;
    for (std::string_view brand : kHeifBrands) {
        if (bytes.substr(8, 4) == brand) return true;
    }
    return false;
}

// A bare codestream, or the container's signature box.
bool is_jpeg_xl(std::string_view bytes) {
    return bytes.substr(0, 2) == "\xFF\x0A"sv || bytes.substr(0, 12) == "\0\0\0\x0CJXL \r\n\x87\n"sv;
}

bool is_tiff(std::string_view bytes) {
    return bytes.substr(0, 4) == "II*\0"sv || bytes.substr(0, 4) == "MM\0*"sv;
}

struct Signature {
    PhotoKind kind;
    bool (*matches)(std::string_view first_bytes);
};

constexpr std::array kSignatures{
    Signature{PhotoKind::Jpeg, is_jpeg},      Signature{PhotoKind::Png, is_png},
    Signature{PhotoKind::Webp, is_webp},      Signature{PhotoKind::Heif, is_heif},
    Signature{PhotoKind::JpegXl, is_jpeg_xl}, Signature{PhotoKind::Tiff, is_tiff},
};

}  // namespace

std::optional<PhotoKind> photo_kind(std::string_view first_bytes) {
    for (const Signature& signature : kSignatures) {
        if (signature.matches(first_bytes)) return signature.kind;
    }
    return std::nullopt;
}

}  // namespace posteri
