// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tests of the photo readers share: a photo written under its kind's file name in a folder of
// its own, the codec that reads it, and what a bitmap of it shows or a printed one carries.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/jpeg_codec.h"
#include "support/bitmap_colours.h"
#include "support/temp_folder.h"

namespace posteri::test {

class PhotoReaderTest : public ::testing::Test {
  protected:
    explicit PhotoReaderTest(std::string file_name) : file_name_(std::move(file_name)) {}

    // The photo's path, holding `bytes`.
    std::string photo(const std::string& bytes) {
        const std::string path = (folder_.path() / file_name_).string();
        write_file(path, bytes);
        return path;
    }
    Rgb colour_at(const MemoryBitmap& bitmap, int x, int y) { return test::colour_at(codec_, bitmap, x, y); }
    static const EmbeddedPhoto* embedded(const std::unique_ptr<MemoryBitmap>& bitmap) {
        return dynamic_cast<const CairoBitmap&>(*bitmap).embedded();
    }

    TempFolder folder_{"posteri-reader"};
    JpegCodec codec_;

  private:
    std::string file_name_;
};

}  // namespace posteri::test
