#pragma once
// An image codec that reads no photo, for runs where no decoder is in use yet.

#include "platform/images.h"

namespace posteri {

class NoImages : public ImageCodec {
public:
    std::optional<PhotoFacts> facts(const std::string&) override { return std::nullopt; }
    std::unique_ptr<MemoryBitmap> load_photo(const std::string&) override { return nullptr; }
    std::unique_ptr<MemoryBitmap> create_bitmap(int, int) override { return nullptr; }
    std::string read_bits(const MemoryBitmap&) override { return {}; }
    void write_bits(MemoryBitmap&, std::string_view) override {}
    void clear(MemoryBitmap&, std::uint32_t) override {}
    void stretch(const MemoryBitmap&, const PixelRect&, MemoryBitmap&, const DeviceRect&) override {}
};

}  // namespace posteri
