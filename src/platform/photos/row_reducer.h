// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shrinking a picture by a whole factor while its rows are decoded one by one, so that the picture
// is never held at its decoded size: each output pixel is the mean of the box of pixels it covers.

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace posteri {

// The size a width x height picture is reduced to: its own, or scaled in its proportions to at
// most `most_pixels` (at least 1 x 1).
struct ScaledSize {
    int width = 0;
    int height = 0;
};
ScaledSize scaled_within(int width, int height, long long most_pixels);

// Pixels of `channels` samples, rows of `width` pixels one after another; a sample is one byte, or
// two, the high one first, as PDF stores 16-bit samples.
struct Grid {
    const unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    int channels = 0;
    int sample_bytes = 1;
};

// The grid copied into rows `to_stride` bytes apart at `to_size`, no larger than its own: each
// output pixel the mean of the block of pixels it covers.
void reduce_grid(const Grid& from, unsigned char* to, std::size_t to_stride, ScaledSize to_size);

// The whole factor by which a width x height image must shrink to hold at most `most_pixels` and
// fit in memory; even for an interlaced one, whose last pass holds every second row.
int reduction_for(long long width, long long height, long long most_pixels, bool interlaced = false);

// Sums the rows of one band of output rows and writes their means into the surface.
class RowReducer {
  public:
    RowReducer(cairo_surface_t* surface, int factor, int rows_per_band);

    // A row of BGRX pixels, `width` of them.
    void add(const unsigned char* row, long long width);
    // Writes the band summed so far, if any.
    void flush();

  private:
    cairo_surface_t* surface_;
    int factor_;
    int rows_per_band_;
    std::vector<std::uint64_t> sums_;
    int rows_ = 0;
    int y_ = 0;
};

}  // namespace posteri
