// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/row_reducer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "platform/photos/photo_header.h"

namespace posteri {

ScaledSize scaled_within(int width, int height, long long most_pixels) {
    const long long pixels = static_cast<long long>(width) * height;
    if (pixels <= most_pixels) return {width, height};
    const double scale =
        std::sqrt(static_cast<double>(std::max(most_pixels, 1LL)) / static_cast<double>(pixels));
    ScaledSize size{std::max(1, static_cast<int>(width * scale)),
                    std::max(1, static_cast<int>(height * scale))};
    // Rounding, or a side held at one pixel, may leave too many: the other side gives way.
    const long long most = std::max(most_pixels, 1LL);
    size.height = static_cast<int>(std::min<long long>(size.height, std::max(1LL, most / size.width)));
    size.width = static_cast<int>(std::min<long long>(size.width, std::max(1LL, most / size.height)));
    return size;
}

namespace {

// Where each of `parts` equal spans of `length` starts, and where the last ends.
std::vector<int> span_starts(int length, int parts) {
    std::vector<int> starts(static_cast<std::size_t>(parts) + 1);
    for (int i = 0; i <= parts; ++i) starts[i] = static_cast<int>(static_cast<long long>(i) * length / parts);
    return starts;
}

unsigned sample_at(const unsigned char* samples, std::size_t i, int bytes) {
    return bytes == 1 ? samples[i] : static_cast<unsigned>(samples[2 * i] << 8 | samples[2 * i + 1]);
}

void put_sample(unsigned char* samples, std::size_t i, int bytes, std::uint64_t value) {
    if (bytes == 1) {
        samples[i] = static_cast<unsigned char>(value);
    } else {
        samples[2 * i] = static_cast<unsigned char>(value >> 8);
        samples[2 * i + 1] = static_cast<unsigned char>(value);
    }
}

}  // namespace

void reduce_grid(const Grid& from, unsigned char* to, std::size_t to_stride, ScaledSize to_size) {
    const std::size_t pixel = static_cast<std::size_t>(from.channels);
    const std::size_t from_stride = pixel * static_cast<std::size_t>(from.width) * from.sample_bytes;
    if (to_size.width == from.width && to_size.height == from.height) {
        for (int y = 0; y < from.height; ++y)
            std::memcpy(to + y * to_stride, from.pixels + y * from_stride, from_stride);
        return;
    }
    // No larger than the grid, every output pixel covers at least one column and one row of it.
    const std::vector<int> columns = span_starts(from.width, to_size.width);
    const std::vector<int> rows = span_starts(from.height, to_size.height);
    std::vector<std::uint64_t> sums(pixel * static_cast<std::size_t>(to_size.width));
    for (int y = 0; y < to_size.height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int row = rows[y]; row < rows[y + 1]; ++row) {
            const unsigned char* samples = from.pixels + row * from_stride;
            for (int x = 0; x < to_size.width; ++x) {
                std::uint64_t* sum = sums.data() + x * pixel;
                for (int column = columns[x]; column < columns[x + 1]; ++column) {
                    for (std::size_t c = 0; c < pixel; ++c)
                        sum[c] += sample_at(samples, column * pixel + c, from.sample_bytes);
                }
            }
        }
        unsigned char* out = to + y * to_stride;
        for (std::size_t i = 0; i < sums.size(); ++i) {
            const std::uint64_t count = static_cast<std::uint64_t>(rows[y + 1] - rows[y]) *
                                        (columns[i / pixel + 1] - columns[i / pixel]);
            put_sample(out, i, from.sample_bytes, (sums[i] + count / 2) / count);
        }
    }
}

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
    : surface_(surface),
      factor_(factor),
      rows_per_band_(rows_per_band),
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
