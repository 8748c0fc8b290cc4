// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/decoded_kinds.h"

#include <array>

#include "platform/photos/heif/heif_image.h"
#include "platform/photos/heif/heif_pixels.h"
#include "platform/photos/jxl/jxl_image.h"
#include "platform/photos/jxl/jxl_pixels.h"
#include "platform/photos/tiff/tiff_image.h"
#include "platform/photos/tiff/tiff_pixels.h"
#include "platform/photos/webp/webp_image.h"
#include "platform/photos/webp/webp_pixels.h"

namespace posteri {

namespace {

constexpr std::array kDecodedKinds{
    DecodedKind{PhotoKind::Webp, read_webp_header, decode_webp, webp_image},
    DecodedKind{PhotoKind::JpegXl, read_jxl_header, decode_jxl, jxl_image},
    DecodedKind{PhotoKind::Tiff, read_tiff_header, decode_tiff, tiff_image},
    DecodedKind{PhotoKind::Heif, read_heif_header, decode_heif, heif_image},
};

}  // namespace

const DecodedKind* decoded_kind(PhotoKind kind) {
    for (const DecodedKind& reader : kDecodedKinds) {
        if (reader.kind == kind) return &reader;
    }
    return nullptr;
}

}  // namespace posteri
