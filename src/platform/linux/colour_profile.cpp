// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/colour_profile.h"

#include <lcms2.h>

#include <cstdint>

namespace posteri {

namespace {

constexpr std::size_t kIccHeaderBytes = 128;

std::uint32_t big_endian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The profile's data colour space for a photo of `components` components, with its pixel layout.
bool colour_space_of(int components, cmsColorSpaceSignature& space, cmsUInt32Number& format) {
    switch (components) {
        case 1: space = cmsSigGrayData; format = TYPE_GRAY_8; return true;
        case 3: space = cmsSigRgbData; format = TYPE_RGB_8; return true;
        case 4: space = cmsSigCmykData; format = TYPE_CMYK_8; return true;
        default: return false;
    }
}

}  // namespace

bool usable_icc_profile(std::string_view icc, int components) {
    cmsColorSpaceSignature space{};
    cmsUInt32Number format = 0;
    // The header's own length must be the data's: a profile cut short or run together is damaged.
    if (!colour_space_of(components, space, format) || icc.size() < kIccHeaderBytes ||
        big_endian32(icc, 0) != icc.size()) {
        return false;
    }
    cmsSetLogErrorHandler(nullptr);  // a damaged profile is an answer here, not a message
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    if (profile == nullptr) return false;
    bool usable = false;
    if (cmsGetColorSpace(profile) == space) {
        // Building the transform reads every tag the conversion needs.
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM transform = cmsCreateTransform(profile, format, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                                                     cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
        usable = transform != nullptr;
        if (transform != nullptr) cmsDeleteTransform(transform);
        cmsCloseProfile(srgb);
    }
    cmsCloseProfile(profile);
    return usable;
}

}  // namespace posteri
