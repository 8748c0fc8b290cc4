// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ICC colour profiles carried by photos, checked and used through lcms2, and the conversion of a
// decoded photo's samples to the sRGB a screen shows.

#include <string_view>

namespace posteri {

// Whether `icc` is a whole ICC profile of a colour space with `components` components (1 grey,
// 3 RGB, 4 CMYK) from which colours convert to sRGB: what a PDF reader needs to show a photo
// through it. A profile that fails here is left out, and the photo's colours taken as they are.
bool usable_icc_profile(std::string_view icc, int components);

// How a row of decoded samples lies in memory.
enum class Samples {
    GreyInBgrx,    // cairo's RGB24 pixels of a grey photo: blue = green = red = the grey, fourth byte kept
    Bgrx,          // cairo's RGB24 pixels: blue, green, red, and a fourth byte (unused or alpha) kept
    Cmyk,          // four bytes of ink, 0 none
    InvertedCmyk,  // four bytes as Adobe's applications write them, 255 no ink
};

// Turns a photo's decoded samples into the colours a colour-managed PDF reader shows of the photo
// on an sRGB screen: through the photo's ICC profile when it is usable for the samples (relative
// colorimetric with black point compensation, as poppler renders an image without an intent), or,
// for CMYK without one, through poppler's own conversion of device CMYK inks. RGB and grey samples
// without a profile are sRGB already.
class SrgbColours {
  public:
    SrgbColours(std::string_view icc, Samples samples);
    ~SrgbColours();
    SrgbColours(const SrgbColours&) = delete;
    SrgbColours& operator=(const SrgbColours&) = delete;

    // Whether to_bgrx changes anything.
    bool converts() const { return transform_ != nullptr || is_cmyk(); }
    // Writes `count` pixels of samples as RGB24 pixels into `bgrx`, which may be `samples` itself
    // for the four-byte samples; each fourth byte of `bgrx` is left as it was.
    void to_bgrx(const unsigned char* samples, unsigned char* bgrx, unsigned count) const;

  private:
    bool is_cmyk() const { return samples_ == Samples::Cmyk || samples_ == Samples::InvertedCmyk; }
    Samples samples_;
    void* transform_ = nullptr;  // an lcms2 transform, when the profile is used
};

}  // namespace posteri
