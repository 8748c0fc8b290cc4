// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/png/png_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/photos/photo_header.h"
#include "platform/photos/png/png_chunks.h"

namespace posteri {

namespace {

// PNG allows sides up to 2^31 - 1; no photo this program prints comes near a million pixels a
// side, and a header that claims more is refused before anything is allocated for it.
constexpr png_uint_32 kLargestSide = 1'000'000;
// Ancillary chunks libpng may keep at once; the ones kept here are few.
constexpr png_uint_32 kMostCachedChunks = 32;
// Chunks the program never uses, skipped without being read: text, suggested palettes,
// calibration, histograms, times, EXIF (a PNG's resolution comes from pHYs); iCCP comes through
// keep_first_profile. Each name takes five bytes, its four letters and a zero, as libpng lists them.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0pCAL\0sCAL\0hIST\0tIME\0eXIf\0iCCP";
constexpr int kNameBytes = 5;

[[noreturn]] void jump_back(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void say_nothing(png_structp, png_const_charp) {}

// The bytes from the file's position to its end; 0 when they cannot be told.
png_alloc_size_t bytes_left(std::FILE* file) {
    const long at = std::ftell(file);
    const long long size = file_size(file);
    return at >= 0 && size > at ? static_cast<png_alloc_size_t>(size - at) : 0;
}

}  // namespace

PngReader::PngReader(std::FILE* file) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jump_back, say_nothing);
    info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (!ready()) return;
    png_init_io(png, file);
    png_set_user_limits(png, kLargestSide, kLargestSide);
    png_set_chunk_cache_max(png, kMostCachedChunks);
    // No chunk outside the image data can be longer than the file; libpng's limit of 0 means none.
    png_set_chunk_malloc_max(png, std::max<png_alloc_size_t>(bytes_left(file), 1));
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                sizeof kSkippedChunks / kNameBytes);
    png_set_read_user_chunk_fn(png, this, keep_first_profile);
}

PngReader::~PngReader() {
    png_destroy_read_struct(&png, &info, nullptr);
}

std::string PngReader::icc_profile() const {
    return packed_profile_ ? inflated_profile(*packed_profile_) : std::string();
}

// Called by libpng for each chunk handled as unknown, once its checksum is right; 0 lets libpng
// skip an ancillary chunk and refuse a critical one it does not know.
int PngReader::keep_first_profile(png_structp png, png_unknown_chunkp chunk) {
    if (std::memcmp(chunk->name, "iCCP", 4) != 0) return 0;
    auto* reader = static_cast<PngReader*>(png_get_user_chunk_ptr(png));
    if (!reader->packed_profile_) {
        reader->packed_profile_.emplace(reinterpret_cast<const char*>(chunk->data), chunk->size);
    }
    return 1;
}

}  // namespace posteri
