// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tools for checking printed PDF pages: running poppler's tools, reading their rendered pixels, and
// small photos made on the spot, as cairo bitmaps with or without their JPEG bytes.

#include <cairo.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/photos/cairo_bitmap.h"

namespace posteri::testing {

namespace fs = std::filesystem;

struct CommandResult {
    int status = -1;
    std::string output;
};

// Runs a shell command line (the test's own, fixed commands) and gathers its standard output.
inline CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), got);
    result.status = ::pclose(pipe);
    return result;
}

inline std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

inline std::string file_content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using Rgb = std::array<int, 3>;

// A rendered picture (binary PPM).
struct Picture {
    int width = 0;
    int height = 0;
    std::string pixels;
    Rgb at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {static_cast<unsigned char>(pixels[i]), static_cast<unsigned char>(pixels[i + 1]),
                static_cast<unsigned char>(pixels[i + 2])};
    }
};

// Renders part of a page (the first unless told) at `dpi` (the part in pixels of that resolution).
// Without antialiasing the edges of glyphs and lines are not blended with the paper, so renderings
// whose pixel grids fall differently on the page compare pixel by pixel.
// A display profile, when given, is the colour space the page is rendered in, sRGB's otherwise.
inline Picture render(const fs::path& pdf, int dpi, int x, int y, int width, int height, int page = 1,
                      bool antialiased = true, const fs::path& display_profile = {}) {
    const fs::path out = fs::temp_directory_path() / ("posteri-render-" + std::to_string(::getpid()));
    const std::string command =
        "pdftoppm -singlefile" + std::string(antialiased ? "" : " -aa no -aaVector no") +
        (display_profile.empty() ? "" : " -displayprofile " + quoted(display_profile)) + " -f " +
        std::to_string(page) + " -r " + std::to_string(dpi) + " -x " + std::to_string(x) + " -y " +
        std::to_string(y) + " -W " + std::to_string(width) + " -H " + std::to_string(height) + " " +
        quoted(pdf) + " " + quoted(out);
    Picture picture;
    if (run(command).status != 0) return picture;
    std::ifstream in(out.string() + ".ppm", std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> picture.width >> picture.height >> maximum;
    in.get();
    picture.pixels.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(out.string() + ".ppm");
    return picture;
}

// Near a colour, allowing for interpolation and JPEG loss.
inline bool near(const Rgb& actual, const Rgb& expected, int tolerance = 40) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(actual[i] - expected[i]) > tolerance) return false;
    }
    return true;
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

class TestBitmap : public CairoBitmap {
  public:
    TestBitmap(int width, int height, cairo_surface_t* pixels, std::optional<EmbeddedPhoto> jpeg)
        : width_(width), height_(height), pixels_(pixels), jpeg_(std::move(jpeg)) {}
    ~TestBitmap() override {
        if (pixels_ != nullptr) cairo_surface_destroy(pixels_);
        if (jpeg_ && jpeg_->proxy != nullptr) cairo_surface_destroy(jpeg_->proxy);
    }
    int width() const override { return width_; }
    int height() const override { return height_; }
    cairo_surface_t* pixels() const override { return pixels_; }
    const EmbeddedPhoto* embedded() const override { return jpeg_ ? &*jpeg_ : nullptr; }

  private:
    int width_;
    int height_;
    cairo_surface_t* pixels_;
    std::optional<EmbeddedPhoto> jpeg_;
};

inline cairo_surface_t* filled_surface(int width, int height, Rgb left, Rgb right) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, left[0] / 255.0, left[1] / 255.0, left[2] / 255.0);
    cairo_rectangle(cr, 0, 0, width / 2, height);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, right[0] / 255.0, right[1] / 255.0, right[2] / 255.0);
    cairo_rectangle(cr, width / 2, 0, width - width / 2, height);
    cairo_fill(cr);
    cairo_destroy(cr);
    return surface;
}

// A photo drawn from its pixels: left half red, right half blue.
inline std::unique_ptr<TestBitmap> pixel_photo(int width, int height) {
    return std::make_unique<TestBitmap>(width, height, filled_surface(width, height, kRed, kBlue),
                                        std::nullopt);
}

// A blue JPEG stored `stored_width` × `stored_height` with its top-left quadrant red, so every
// turn and mirror puts the red somewhere else.
inline std::string marked_jpeg(int stored_width, int stored_height) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(stored_width) * stored_height * 3);
    for (int y = 0; y < stored_height; ++y) {
        for (int x = 0; x < stored_width; ++x) {
            const Rgb colour = x < stored_width / 2 && y < stored_height / 2 ? kRed : kBlue;
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<std::size_t>(y) * stored_width + x) * 3 + c] = colour[c];
        }
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(compressor, rgb.data(), stored_width, 0, stored_height, TJPF_RGB, &jpeg, &size, TJSAMP_444,
                95, 0);
    std::string bytes(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return bytes;
}

// A photo carried by its JPEG bytes, turned upright by `orientation`. Its proxy is plain green, so a
// page that shows red and blue shows the embedded bytes.
inline std::unique_ptr<TestBitmap> jpeg_photo(const std::string& bytes, int stored_width, int stored_height,
                                              int orientation) {
    PdfImage image;
    image.block = std::make_shared<const ByteBlock>(bytes);
    image.data = {image.block->view()};
    image.width = stored_width;
    image.height = stored_height;
    EmbeddedPhoto jpeg;
    jpeg.image = with_placeholder(std::move(image));
    jpeg.stored_width = stored_width;
    jpeg.stored_height = stored_height;
    jpeg.orientation = orientation;
    jpeg.proxy =
        filled_surface((stored_width + 7) / 8, (stored_height + 7) / 8, Rgb{0, 255, 0}, Rgb{0, 255, 0});
    const bool turned = orientation >= 5 && orientation <= 8;
    return std::make_unique<TestBitmap>(turned ? stored_height : stored_width,
                                        turned ? stored_width : stored_height, nullptr, std::move(jpeg));
}

// A word of the page's text and its box on paper, in points from the sheet's top-left corner.
struct WordBox {
    std::string text;
    double x_min = 0;
    double y_min = 0;
    double x_max = 0;
    double y_max = 0;
};

// The words of the first page as poppler finds them (`pdftotext -bbox`).
inline std::vector<WordBox> word_boxes(const fs::path& pdf) {
    std::vector<WordBox> words;
    std::istringstream lines(run("pdftotext -bbox -f 1 -l 1 " + quoted(pdf) + " -").output);
    std::string line;
    while (std::getline(lines, line)) {
        WordBox word;
        int start = 0;
        int end = 0;
        if (std::sscanf(line.c_str(), " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%n%*[^<]%n",
                        &word.x_min, &word.y_min, &word.x_max, &word.y_max, &start, &end) < 4 ||
            end <= start)
            continue;
        word.text = line.substr(start, end - start);
        words.push_back(word);
    }
    return words;
}

}  // namespace posteri::testing
