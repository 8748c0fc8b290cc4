// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/row_reducer.h"

#include <algorithm>
#include <cstddef>

#include "platform/photos/photo_header.h"

namespace posteri {

int reduction_for(long long width, long long height, long long most_pixels, bool interlaced) {
    const auto within = [&](long long factor) {
        const long long w = (width + factor - 1) / factor;
        const long long h = (height + factor - 1) / factor;
        return w * h <= most_pixels && fits_in_memory(w, h);
    };
    if (within(1)) return 1;
    int factor = 2;
    while (!within(factor)) factor += interlaced ? 2 : 1;
    return factor;
}

RowReducer::RowReducer(cairo_surface_t* surface, int factor, int rows_per_band)
    : surface_(surface), factor_(factor), rows_per_band_(rows_per_band),
      sums_(4 * static_cast<std::size_t>(cairo_image_surface_get_width(surface))) {}

void RowReducer::add(const unsigned char* row, long long width) {
    std::uint64_t* sum = sums_.data();
    for (long long x = 0; x < width; sum += 4) {
        const long long end = std::min(width, x + factor_);
        sum[3] += static_cast<std::uint64_t>(end - x);
        for (; x < end; ++x) {
            for (int channel = 0; channel < 3; ++channel) sum[channel] += row[4 * x + channel];
        }
    }
    if (++rows_ == rows_per_band_) flush();
}

void RowReducer::flush() {
    if (rows_ == 0 || y_ >= cairo_image_surface_get_height(surface_)) return;
    unsigned char* out = cairo_image_surface_get_data(surface_) +
                         static_cast<std::ptrdiff_t>(y_) * cairo_image_surface_get_stride(surface_);
    for (std::size_t i = 0; i < sums_.size(); i += 4) {
        const std::uint64_t count = std::max<std::uint64_t>(sums_[i + 3], 1);
        for (int channel = 0; channel < 3; ++channel) {
            out[i + channel] = static_cast<unsigned char>((sums_[i + channel] + count / 2) / count);
        }
        out[i + 3] = 0;
    }
    std::fill(sums_.begin(), sums_.end(), 0);
    rows_ = 0;
    ++y_;
}

}  // namespace posteri
