// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/photo_bits.h"

#include <charconv>
#include <cmath>
#include <functional>

#include "format/mask_format.h"
#include "ui/failure.h"

namespace posteri {

namespace {

constexpr std::string_view kWaitNotice = "dimezzo la foto...";
constexpr std::uint32_t kNoticeGreen = 0x00FF00;
constexpr std::uint32_t kNoticeBlack = 0x000000;

int rounded(double value) {
    return static_cast<int>(std::nearbyint(value));
}

double to_four_decimals(double value) {
    return std::nearbyint(value * 10000) / 10000;
}

std::int32_t little_endian_at(std::string_view bits, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bits[at + i]);
    return static_cast<std::int32_t>(value);
}

// The number in a field of the size text, spaces ignored; 0 when there is none.
int number_in(std::string_view field) {
    std::string digits;
    for (const char c : field) {
        if (c != ' ') digits.push_back(c);
    }
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

bool holds_whole_bitmap(std::string_view bits, BitsSize size) {
    return size.width > 0 && size.height > 0 &&
           bits.size() == 8 + 4 * static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
}

std::uint32_t rgb_of_colour_reference(std::int32_t colour) {
    const auto reference = static_cast<std::uint32_t>(colour);
    return (reference & 0xFF) << 16 | (reference & 0xFF00) | (reference >> 16 & 0xFF);
}

using StretchOnto = std::function<void(const MemoryBitmap&, const PixelRect&, const DeviceRect&)>;

// Stretches the whole photo over a target of the given client size, corners inclusive: mode 1 to
// the target's far corner, any other mode to its width and the proportional height.
bool paint_photo(ImageCodec& images, std::string_view file, int client_width, int client_height,
                 std::int32_t mode, const StretchOnto& stretch) {
    const auto photo = fGDIp_2hBMP(images, file);
    if (!photo) return false;
    const int width = photo->width();
    const int height = photo->height();
    const double bottom = mode == 1 ? client_height : static_cast<double>(height) * client_width / width;
    stretch(*photo, {0, 0, width - 1, height - 1}, {0, 0, static_cast<double>(client_width), bottom});
    return true;
}

}  // namespace

BitsSize bits_size(std::string_view bits) {
    if (bits.size() < 8) return {};
    return {little_endian_at(bits, 0), little_endian_at(bits, 4)};
}

std::optional<BitsSize> halved_size(BitsSize size) {
    if (size.width <= 0 || size.height <= 0) return std::nullopt;
    int half_width = rounded(size.width / 2.0);
    int half_height = rounded(size.height / 2.0);
    if (half_width == 0 && half_height == 0) return std::nullopt;
    if (half_height == 0) half_height = half_width;
    if (half_width == 0) half_width = half_height;
    const double width = size.width, height = size.height;
    if (width / height > 1) return BitsSize{half_width, rounded(height * half_width / width)};
    return BitsSize{rounded(width * half_height / height), half_height};
}

Placement photo_placement(int image_width, int image_height, int target_width, int target_height, bool letterbox) {
    if (!letterbox || image_width <= 0 || image_height <= 0) return {0, 0, target_width, target_height};
    const double ratio = to_four_decimals(static_cast<double>(image_height) / image_width);
    if (target_width * ratio <= target_height) {
        const int height = rounded(target_width * ratio);
        return {0, (target_height - height) / 2, target_width, height};
    }
    const double ratio2 = to_four_decimals(static_cast<double>(image_width) / image_height);
    const int width = rounded(target_height * ratio2);
    return {(target_width - width) / 2, 0, width, target_height};
}

std::string LI_DIMEN_TESTO(Platform& platform, std::string_view file) {
    RoutineName routine("LI_DIMEN");
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (const auto facts = platform.images.facts(std::string(file))) {
        width = facts->width;
        height = facts->height;
    }
    return mask_format("##### x #####", {width, height});
}

std::string LI_CARIC(Platform& platform, std::string_view file) {
    RoutineName routine("LI_CARIC");
    const std::string size = LI_DIMEN_TESTO(platform, file);
    const std::size_t x = size.find('x');
    const int width = number_in(std::string_view(size).substr(0, x));
    const int height = x == std::string::npos ? 0 : number_in(std::string_view(size).substr(x + 1));
    // Bits at its own size cannot come reduced: a photo too large to decode at once gives none.
    if (!decodable_whole(width, height)) return {};
    const auto bitmap = platform.images.create_bitmap(width, height);
    if (!bitmap) return {};
    ImageCodec& images = platform.images;
    const bool painted = paint_photo(images, file, width, height, 0,
                                     [&](const MemoryBitmap& photo, const PixelRect& from, const DeviceRect& to) {
                                         images.stretch(photo, from, *bitmap, to);
                                     });
    return painted ? images.read_bits(*bitmap) : std::string();
}

void LI_CARIC_SU(Platform& platform, MemoryBitmap& target, std::string_view file, std::int32_t mode) {
    RoutineName routine("LI_CARIC");
    ImageCodec& images = platform.images;
    paint_photo(images, file, target.width(), target.height(), mode,
                [&](const MemoryBitmap& photo, const PixelRect& from, const DeviceRect& to) {
                    images.stretch(photo, from, target, to);
                });
}

void LI_CARIC_SU(Platform& platform, WindowHandle target, std::string_view file, std::int32_t mode) {
    RoutineName routine("LI_CARIC");
    GraphicWindows& windows = platform.windows;
    const PixelArea client = windows.client_area(target);
    const bool painted = paint_photo(platform.images, file, client.width, client.height, mode,
                                     [&](const MemoryBitmap& photo, const PixelRect& from, const DeviceRect& to) {
                                         windows.draw_bitmap(target, photo, from, to);
                                     });
    if (painted) windows.present(target);
}

// A file's facts are checked before it is loaded, so a photo that the codec would decode reduced
// (whose pixels then no longer match its size) is never decoded; an image on the clipboard is
// checked as it comes.
std::unique_ptr<MemoryBitmap> fGDIp_2hBMP(ImageCodec& images, std::string_view file) {
    RoutineName routine("FGDIP_2H");
    if (!file.empty()) {
        const auto facts = images.facts(std::string(file));
        if (!facts || !decodable_whole(facts->width, facts->height)) return nullptr;
    }
    std::unique_ptr<MemoryBitmap> photo =
        file.empty() ? images.take_clipboard_image() : images.load_photo(std::string(file));
    if (!photo || !decodable_whole(photo->width(), photo->height())) return nullptr;
    return photo;
}

bool fGDIp_2hBMP(ImageCodec& images, std::string_view file, MemoryBitmap& target, std::int32_t fit,
                 std::int32_t background) {
    RoutineName routine("FGDIP_2H");
    const auto photo = fGDIp_2hBMP(images, file);
    if (!photo) return false;
    const bool letterbox = fit != 0;
    if (letterbox && background != kNoBackground) images.clear(target, rgb_of_colour_reference(background));
    const Placement place = photo_placement(photo->width(), photo->height(), target.width(), target.height(), letterbox);
    images.stretch(*photo, {0, 0, photo->width() - 1, photo->height() - 1}, target,
                   {static_cast<double>(place.x), static_cast<double>(place.y),
                    static_cast<double>(place.x + place.width - 1), static_cast<double>(place.y + place.height - 1)});
    return true;
}

std::string LI_DIMEZ(Platform& platform, std::string& bits) {
    RoutineName routine("LI_DIMEZ");
    LI_ATTES(platform, 0, kWaitNotice);
    const BitsSize size = bits_size(bits);
    const auto half = halved_size(size);
    if (!half || !holds_whole_bitmap(bits, size)) return bits;
    ImageCodec& images = platform.images;
    const auto source = images.create_bitmap(size.width, size.height);
    const auto halved = images.create_bitmap(half->width, half->height);
    if (!source || !halved) return bits;
    images.write_bits(*source, bits);
    images.stretch(*source, {0, 0, size.width - 1, size.height - 1}, *halved,
                   {0, 0, static_cast<double>(half->width), static_cast<double>(half->height)});
    bits = images.read_bits(*halved);
    return bits;
}

void LI_ATTES(Platform& platform, WindowHandle window, std::string_view text) {
    RoutineName routine("LI_ATTES");
    if (window == 0) return;
    GraphicWindows& windows = platform.windows;
    const FontSpec font{"arial", 32, 0};
    windows.clear(window, kNoticeBlack);
    const PixelArea client = windows.client_area(window);
    const TextExtent extent = windows.measure_text(font, text);
    const DevicePoint at{rounded((client.width - extent.width) / 2.0), rounded((client.height - extent.height) / 2.0)};
    windows.draw_text(window, at, font, text, kNoticeGreen);
    windows.present(window);
}

}  // namespace posteri
