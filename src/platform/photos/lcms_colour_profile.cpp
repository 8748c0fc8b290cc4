// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/lcms_colour_profile.h"

#include <lcms2.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/photos/big_endian.h"

namespace posteri {

namespace {

constexpr std::size_t kIccHeaderBytes = 128;

cmsColorSpaceSignature colour_space_of(cmsUInt32Number format) {
    switch (T_CHANNELS(format)) {
        case 1: return cmsSigGrayData;
        case 3: return cmsSigRgbData;
        default: return cmsSigCmykData;
    }
}

// A transform from samples laid out as `format` through `icc` to sRGB laid out as `srgb_format`;
// nullptr when the profile is damaged or not of the samples' colour space.
cmsHTRANSFORM srgb_transform(std::string_view icc, cmsUInt32Number format, cmsUInt32Number srgb_format,
                             cmsUInt32Number flags) {
    // The header's own length must be the data's: a profile cut short or run together is damaged.
    if (icc.size() < kIccHeaderBytes || big_endian32(icc, 0) != icc.size()) return nullptr;
    cmsSetLogErrorHandler(nullptr);  // a damaged profile is an answer here, not a message
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    if (profile == nullptr) return nullptr;
    cmsHTRANSFORM transform = nullptr;
    if (cmsGetColorSpace(profile) == colour_space_of(format)) {
        // Building the transform reads every tag the conversion needs.
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        transform = cmsCreateTransform(profile, format, srgb, srgb_format, INTENT_RELATIVE_COLORIMETRIC, flags);
        cmsCloseProfile(srgb);
    }
    cmsCloseProfile(profile);
    return transform;
}

cmsUInt32Number lcms_format(Samples samples) {
    switch (samples) {
        case Samples::GreyInBgrx: return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);
        case Samples::Bgrx: return TYPE_BGRA_8;
        case Samples::Cmyk: return TYPE_CMYK_8;
        case Samples::InvertedCmyk: return TYPE_CMYK_8_REV;
    }
    return TYPE_BGRA_8;
}

// poppler shows device CMYK inks as the blend of the colours of the sixteen corners of the ink
// cube (no ink, each ink alone, each pair, ...), weighted by how near the inks are to each: a
// mixture printed inks give, where a plain subtraction from white would give much brighter,
// purer colours. The corners as red, green, blue in 0..1, indexed by cyan, magenta, yellow and
// black as bits 8, 4, 2, 1.
constexpr std::array<std::array<double, 3>, 16> kInkCorners{{
    {1, 1, 1},                     {0.1373, 0.1216, 0.1255},  // none; K
    {1, 0.9490, 0},                {0.1098, 0.1020, 0},       // Y; YK
    {0.9255, 0, 0.5490},           {0.1412, 0, 0},            // M; MK
    {0.9294, 0.1098, 0.1412},      {0.1333, 0, 0},            // MY; MYK
    {0, 0.6784, 0.9373},           {0, 0.0588, 0.1412},       // C; CK
    {0, 0.6510, 0.3137},           {0, 0.0745, 0},            // CY; CYK
    {0.1804, 0.1922, 0.5725},      {0, 0, 0.0078},            // CM; CMK
    {0.2118, 0.2119, 0.2235},      {0, 0, 0},                 // CMY; CMYK
}};

// The blend being multilinear, the yellow and black weights are taken out once: for each pair of
// yellow and black amounts, the blue, green and red levels (and a fourth lane, so that a pixel's
// arithmetic is whole vectors) of the four cyan-magenta corners (none, M, C, CM) blended over
// yellow and black. A pixel then blends those four by its cyan and magenta: as fast as the plain
// subtraction from white was.
using Lanes = float __attribute__((vector_size(16)));
struct InkBlend {
    std::array<Lanes, 4> corners;
};
using InkBlends = std::vector<InkBlend>;  // [yellow * 256 + black]

InkBlends blends_over_yellow_and_black() {
    InkBlends blends(256 * 256);
    for (unsigned yellow = 0; yellow < 256; ++yellow) {
        for (unsigned black = 0; black < 256; ++black) {
            const double y = yellow / 255.0, k = black / 255.0;
            const std::array<double, 4> weights{(1 - y) * (1 - k), (1 - y) * k, y * (1 - k), y * k};
            InkBlend& blend = blends[yellow * 256 + black];
            for (unsigned cyan_magenta = 0; cyan_magenta < 4; ++cyan_magenta) {
                for (unsigned channel = 0; channel < 3; ++channel) {
                    double sum = 0;
                    for (unsigned yk = 0; yk < 4; ++yk) sum += weights[yk] * kInkCorners[cyan_magenta * 4 + yk][channel];
                    blend.corners[cyan_magenta][2 - channel] = static_cast<float>(sum * 255);
                }
            }
        }
    }
    return blends;
}

// 0..255 as 0..1.
constexpr std::array<float, 256> kFractions = [] {
    std::array<float, 256> fractions{};
    for (unsigned i = 0; i < 256; ++i) fractions[i] = static_cast<float>(i) / 255;
    return fractions;
}();

void device_cmyk_to_bgrx(const unsigned char* cmyk, unsigned char* bgrx, unsigned count, bool inverted) {
    static const InkBlends blends = blends_over_yellow_and_black();
    const unsigned flip = inverted ? 0xFF : 0;  // 255 - ink
    for (unsigned x = 0; x < count; ++x, cmyk += 4, bgrx += 4) {
        const float c = kFractions[cmyk[0] ^ flip], m = kFractions[cmyk[1] ^ flip];
        const InkBlend& blend = blends[(cmyk[2] ^ flip) << 8 | (cmyk[3] ^ flip)];
        const Lanes sum = (1 - c) * (1 - m) * blend.corners[0] + (1 - c) * m * blend.corners[1] +
                          c * (1 - m) * blend.corners[2] + c * m * blend.corners[3] + 0.5f;
        using Whole = std::int32_t __attribute__((vector_size(16)));
        const Whole level = __builtin_convertvector(sum, Whole);
        for (unsigned lane = 0; lane < 3; ++lane) bgrx[lane] = static_cast<unsigned char>(level[lane]);
    }
}

}  // namespace

bool usable_icc_profile(std::string_view icc, int components) {
    if (components != 1 && components != 3 && components != 4) return false;
    const cmsUInt32Number samples = CHANNELS_SH(components) | BYTES_SH(1);
    cmsHTRANSFORM transform = srgb_transform(icc, samples, TYPE_RGB_8, cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    if (transform == nullptr) return false;
    cmsDeleteTransform(transform);
    return true;
}

SrgbColours::SrgbColours(std::string_view icc, Samples samples) : samples_(samples) {
    if (!icc.empty()) {
        transform_ = srgb_transform(icc, lcms_format(samples), TYPE_BGRA_8, cmsFLAGS_BLACKPOINTCOMPENSATION);
    }
}

SrgbColours::~SrgbColours() {
    if (transform_ != nullptr) cmsDeleteTransform(transform_);
}

void SrgbColours::to_bgrx(const unsigned char* samples, unsigned char* bgrx, unsigned count) const {
    if (transform_ != nullptr) {
        cmsDoTransform(transform_, samples, bgrx, count);
    } else if (is_cmyk()) {
        device_cmyk_to_bgrx(samples, bgrx, count, samples_ == Samples::InvertedCmyk);
    }
}

}  // namespace posteri
