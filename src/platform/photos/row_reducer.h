// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shrinking a picture by a whole factor while its rows are decoded one by one, so that the picture
// is never held at its decoded size: each output pixel is the mean of the box of pixels it covers.

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace posteri {

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
