// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/pdf_image.h"

#include <cstdint>
#include <cstdio>
#include <random>

#include "platform/photos/lcms_colour_profile.h"

namespace posteri {

namespace {

constexpr std::string_view kPlaceholderTag = "posteri photo ";

// Each placeholder carries a token of its own in a comment segment, before a frame header for a
// 1 x 1 RGB picture: all cairo reads of it.
std::string placeholder_jpeg(std::uint64_t token) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(token));
    const std::string comment = std::string(kPlaceholderTag) + hex;
    std::string jpeg = "\xFF\xD8\xFF\xFE";
    jpeg += static_cast<char>((comment.size() + 2) >> 8);
    jpeg += static_cast<char>((comment.size() + 2) & 0xFF);
    jpeg += comment;
    jpeg += std::string(
        "\xFF\xC0\x00\x11\x08\x00\x01\x00\x01\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00\xFF\xD9", 21);
    return jpeg;
}

std::uint64_t fresh_token() {
    static std::mt19937_64 tokens{std::random_device{}()};
    return tokens();
}

}  // namespace

PdfImage jpeg_image(std::shared_ptr<const ByteBlock> bytes, const PhotoHeader& header) {
    PdfImage image;
    image.data = {bytes->view()};
    image.block = std::move(bytes);
    image.width = header.stored_width;
    image.height = header.stored_height;
    image.components = header.components;
    image.inverted = header.inverted;
    if (usable_icc_profile(header.icc_profile, header.components)) image.icc = header.icc_profile;
    return image;
}

std::shared_ptr<const PdfImage> with_placeholder(PdfImage image) {
    image.placeholder = placeholder_jpeg(fresh_token());
    return std::make_shared<const PdfImage>(std::move(image));
}

}  // namespace posteri
