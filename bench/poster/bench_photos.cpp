// SPDX-License-Identifier: GPL-3.0-or-later
#include "poster/bench_photos.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "support/test_heif.h"
#include "support/test_jxl.h"
#include "support/test_webp.h"

namespace posteri::bench {

namespace {

using posteri::test::Rgb;

constexpr std::size_t kPngIdatBytes = 1 << 20;

std::uint32_t grain_hash(int x, int y) {
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ h >> 12;
}

int channel(double value) {
    return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}

// A landscape-like picture: a sky gradient over rolling ground, soft light, fine structure and
// sensor grain, so that it compresses about as a camera photo does rather than as a flat colour.
Rgb photo_pixel(int x, int y, int width, int height) {
    const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
    const double horizon = 0.45 + 0.08 * std::sin(7.0 * u) + 0.03 * std::sin(23.0 * u + 1.3);
    const double light = 0.85 + 0.15 * std::sin(5.3 * u + 3.1 * v) * std::cos(4.7 * v - 2.2 * u);
    const double structure =
        14.0 * std::sin(0.11 * x + 2.0 * std::sin(0.013 * y)) * std::sin(0.07 * y + 0.5 * u);
    const double grain = static_cast<double>(grain_hash(x, y) % 25) - 12.0;
    const double detail = v < horizon ? 0.25 * structure + 0.5 * grain : structure + grain;
    if (v < horizon) {
        const double sky = v / horizon;
        return {channel((90 + 80 * sky) * light + detail), channel((140 + 60 * sky) * light + detail),
                channel((220 - 20 * sky) * light + detail)};
    }
    const double ground = (v - horizon) / (1 - horizon);
    return {channel((110 - 40 * ground) * light + detail), channel((120 + 20 * ground) * light + detail),
            channel((60 + 10 * ground) * light + detail)};
}

// A writer's recipe for the photo's size and picture, the rest as the writer defaults it.
template <typename Recipe>
Recipe recipe_for(const PhotoSpec& photo) {
    Recipe recipe;
    recipe.width = photo.width;
    recipe.height = photo.height;
    recipe.pixel = [&photo](int x, int y) { return photo_pixel(x, y, photo.width, photo.height); };
    return recipe;
}

std::string photo_bytes(const PhotoSpec& photo, const std::string& folder) {
    switch (photo.kind) {
        case PhotoKind::FlatPng:
            return posteri::test::make_png(photo.width, photo.height, [](int, int) {
                return Rgb{200, 40, 40};
            });
        case PhotoKind::Png: {  // img2pdf joins IDAT chunks one by one: minutes for 8 KB ones at this size
            auto recipe = recipe_for<posteri::test::PngSpec>(photo);
            recipe.idat_bytes = kPngIdatBytes;
            return posteri::test::make_png(recipe);
        }
        case PhotoKind::Tiff:  // from its pixels as a PNG, which ImageMagick turns into the TIFF
            return posteri::test::make_png(recipe_for<posteri::test::PngSpec>(photo));
        case PhotoKind::Webp: {
            auto recipe = recipe_for<posteri::test::WebpSpec>(photo);
            recipe.lossless = false;
            return posteri::test::make_webp(recipe);
        }
        case PhotoKind::Jxl:
            return posteri::test::make_jxl(posteri::test::make_png(recipe_for<posteri::test::PngSpec>(photo)),
                                           "-d 1", folder);
        case PhotoKind::JpegJxl:
            return posteri::test::make_jxl(photo_bytes({photo.name, photo.width, photo.height}, folder), "",
                                           folder);
        case PhotoKind::Heic: {
            auto recipe = recipe_for<posteri::test::HeifSpec>(photo);
            recipe.lossless = false;
            recipe.quality = 50;  // about the size a phone's camera saves at
            return posteri::test::make_heif(recipe);
        }
        default:
            break;
    }
    auto recipe = recipe_for<posteri::test::JpegSpec>(photo);
    recipe.coding = photo.coding;
    recipe.density_unit = 1;
    recipe.x_density = 300;
    recipe.y_density = 300;
    if (photo.kind == PhotoKind::CmykJpeg) recipe.colours = posteri::test::Colours::AdobeCmyk;
    if (photo.kind == PhotoKind::IccJpeg) recipe.icc = posteri::test::wide_gamut_profile();
    return posteri::test::make_jpeg(recipe);
}

}  // namespace

std::string PhotoSpec::label() const {
    return name + " " + std::to_string(width) + "x" + std::to_string(height);
}

bool make_photos(const std::string& folder, const std::vector<PhotoSpec>& photos) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        for (const PhotoSpec& photo : photos) {
            const std::string path = folder + "/" + photo.name;
            if (photo.kind != PhotoKind::Tiff) {
                posteri::test::write_file(path, photo_bytes(photo, folder));
                continue;
            }
            posteri::test::write_file(path + ".png", photo_bytes(photo, folder));
            const std::string convert = "convert '" + path + ".png' -compress lzw '" + path + "'";
            if (std::system(convert.c_str()) != 0) _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace posteri::bench
