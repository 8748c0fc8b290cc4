// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the sample photo that `make run` puts beside the program: a colourful 1800 x 1200 JPEG at
// 300 dpi (a colour wheel over a sky-to-sea gradient), so a first run has a photo to choose.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

constexpr int kWidth = 1800;
constexpr int kHeight = 1200;

struct Rgb {
    unsigned char r, g, b;
};

Rgb hue(double angle) {
    const auto channel = [&](double offset) {
        return static_cast<unsigned char>(127.5 + 127.5 * std::cos(angle - offset));
    };
    return {channel(0), channel(2.0944), channel(4.18879)};
}

Rgb pixel(int x, int y) {
    const double cx = x - kWidth * 0.62;
    const double cy = y - kHeight * 0.45;
    const double radius = std::sqrt(cx * cx + cy * cy);
    if (radius < kHeight * 0.33) return hue(std::atan2(cy, cx));
    const double t = static_cast<double>(y) / kHeight;
    const double wave = 0.5 + 0.5 * std::sin(x * 0.02 + t * 12.0);
    return {static_cast<unsigned char>(250 * (1 - t) + 10 * t),
            static_cast<unsigned char>(190 * (1 - t) + 90 * t * wave),
            static_cast<unsigned char>(90 * (1 - t) + 200 * t)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-photo OUTPUT.jpg\n");
        return 2;
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 88, TRUE);
    cinfo.density_unit = 1;
    cinfo.X_density = 300;
    cinfo.Y_density = 300;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(kWidth * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < kWidth; ++x) {
            const Rgb p = pixel(x, y);
            row[x * 3] = p.r;
            row[x * 3 + 1] = p.g;
            row[x * 3 + 2] = p.b;
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const bool written = std::fclose(out) == 0;
    return written ? 0 : 1;
}
