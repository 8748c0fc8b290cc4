// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/heif/nclx_profile.h"

#include <lcms2.h>

#include <memory>

namespace posteri {

namespace {

// ITU-T H.273's transfer characteristics that differ from sRGB's curve.
enum Transfer {
    kBt709 = 1,
    kGamma22 = 4,
    kGamma28 = 5,
    kBt601 = 6,
    kLinear = 8,
    kBt2020Ten = 14,
    kBt2020Twelve = 15
};

struct ProfileClose {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct CurveFree {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};

// The curve from coded values to linear light: lcms2's type 4, Y = (aX + b)^g above d, cX below.
cmsToneCurve* transfer_curve(int transfer) {
    switch (transfer) {
        case kBt709:
        case kBt601:
        case kBt2020Ten:
        case kBt2020Twelve: {
            const cmsFloat64Number bt709[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
            return cmsBuildParametricToneCurve(nullptr, 4, bt709);
        }
        case kGamma22:
            return cmsBuildGamma(nullptr, 2.2);
        case kGamma28:
            return cmsBuildGamma(nullptr, 2.8);
        case kLinear:
            return cmsBuildGamma(nullptr, 1.0);
        default: {
            const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            return cmsBuildParametricToneCurve(nullptr, 4, srgb);
        }
    }
}

bool chromaticities_given(const HeifNclx& nclx) {
    for (float value : {nclx.red_x, nclx.red_y, nclx.green_x, nclx.green_y, nclx.blue_x, nclx.blue_y,
                        nclx.white_x, nclx.white_y}) {
        if (!(value > 0 && value < 1)) return false;
    }
    return true;
}

}  // namespace

std::string nclx_icc_profile(const HeifNclx& nclx) {
    if (!nclx.present || !chromaticities_given(nclx)) return {};
    const cmsCIExyY white{nclx.white_x, nclx.white_y, 1.0};
    const cmsCIExyYTRIPLE primaries{
        {nclx.red_x, nclx.red_y, 1.0}, {nclx.green_x, nclx.green_y, 1.0}, {nclx.blue_x, nclx.blue_y, 1.0}};
    const std::unique_ptr<cmsToneCurve, CurveFree> curve(transfer_curve(nclx.transfer));
    if (!curve) return {};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    const std::unique_ptr<void, ProfileClose> profile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
    std::string icc(size, '\0');
    if (!cmsSaveProfileToMem(profile.get(), icc.data(), &size)) return {};
    return icc;
}

}  // namespace posteri
