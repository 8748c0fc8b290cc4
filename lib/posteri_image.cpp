// SPDX-License-Identifier: GPL-3.0-or-later
// libposteri-image: the general photo loader for other programs, over the Linux image codec.
#include "posteri_image.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "image/photo_bits.h"
#include "platform/photos/jpeg_codec.h"

namespace posteri {
namespace {

// Longer names than any file system accepts are taken as a bad length.
constexpr std::int32_t kLongestName = 4096;

class BitmapTable {
public:
    std::int32_t add(std::unique_ptr<MemoryBitmap> bitmap) {
        if (!bitmap) return 0;
        const std::lock_guard lock(mutex_);
        do {
            next_ = next_ == INT32_MAX ? 1 : next_ + 1;
        } while (bitmaps_.contains(next_));
        bitmaps_.emplace(next_, std::move(bitmap));
        return next_;
    }
    bool remove(std::int32_t handle) {
        const std::lock_guard lock(mutex_);
        return bitmaps_.erase(handle) == 1;
    }
    // Runs `use` on the bitmap while no other thread can release it; nothing for an unknown handle.
    template <typename Use>
    auto with(std::int32_t handle, Use use) -> std::optional<decltype(use(std::declval<MemoryBitmap&>()))> {
        const std::lock_guard lock(mutex_);
        const auto found = bitmaps_.find(handle);
        if (found == bitmaps_.end()) return std::nullopt;
        return use(*found->second);
    }

private:
    std::mutex mutex_;
    std::map<std::int32_t, std::unique_ptr<MemoryBitmap>> bitmaps_;
    std::int32_t next_ = 0;
};

BitmapTable& table() {
    static BitmapTable bitmaps;
    return bitmaps;
}

JpegCodec& codec() {
    static JpegCodec images;
    return images;
}

// The name a string handle points at; nothing for a null pointer, a bad length or a name with a
// NUL byte inside.
std::optional<std::string> name_of(const char* file) {
    if (file == nullptr) return std::nullopt;
    std::int32_t length = 0;
    std::memcpy(&length, file - sizeof length, sizeof length);
    if (length < 0 || length > kLongestName) return std::nullopt;
    std::string name(file, static_cast<std::size_t>(length));
    if (name.find('\0') != std::string::npos) return std::nullopt;
    return name;
}

}  // namespace
}  // namespace posteri

using posteri::table;

extern "C" int32_t fGDIp_2hBMP(const char* file, int32_t bitmap, int32_t fit, int32_t background) {
    const auto name = posteri::name_of(file);
    if (!name) return 0;
    if (bitmap == 0) return table().add(posteri::fGDIp_2hBMP(posteri::codec(), *name));
    const auto drawn = table().with(bitmap, [&](posteri::MemoryBitmap& target) {
        return posteri::fGDIp_2hBMP(posteri::codec(), *name, target, fit, background);
    });
    return drawn.value_or(false) ? bitmap : 0;
}

extern "C" int32_t posteri_create_bitmap(int32_t width, int32_t height) {
    return table().add(posteri::codec().create_bitmap(width, height));
}

extern "C" int32_t posteri_bitmap_width(int32_t bitmap) {
    return table().with(bitmap, [](posteri::MemoryBitmap& found) { return found.width(); }).value_or(0);
}

extern "C" int32_t posteri_bitmap_height(int32_t bitmap) {
    return table().with(bitmap, [](posteri::MemoryBitmap& found) { return found.height(); }).value_or(0);
}

extern "C" int64_t posteri_bitmap_bits(int32_t bitmap, unsigned char* buffer, int64_t capacity) {
    const auto length = table().with(bitmap, [&](posteri::MemoryBitmap& found) -> int64_t {
        const std::int64_t needed = 8 + 4 * static_cast<std::int64_t>(found.width()) * found.height();
        if (buffer == nullptr || capacity < needed) return needed;
        const std::string bits = posteri::codec().read_bits(found);
        std::memcpy(buffer, bits.data(), bits.size());
        return static_cast<std::int64_t>(bits.size());
    });
    return length.value_or(0);
}

extern "C" int32_t posteri_free_bitmap(int32_t bitmap) {
    return table().remove(bitmap) ? 1 : 0;
}
