// SPDX-License-Identifier: GPL-3.0-or-later
// libposteri-image loaded with dlopen, as another program would use it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>

#include "posteri_image.h"
#include "support/temp_folder.h"
#include "support/test_photos.h"

namespace posteri {
namespace {

namespace fs = std::filesystem;

// A string handle: the 32-bit byte length in the 4 bytes before the characters.
class StringHandle {
public:
    explicit StringHandle(const std::string& text) : storage_(4 + text.size() + 1, '\0') {
        const auto length = static_cast<std::int32_t>(text.size());
        std::memcpy(storage_.data(), &length, 4);
        std::memcpy(storage_.data() + 4, text.data(), text.size());
    }
    void set_length(std::int32_t length) { std::memcpy(storage_.data(), &length, 4); }
    const char* get() const { return storage_.data() + 4; }

private:
    std::string storage_;
};

class ImageLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = ::dlopen(POSTERI_IMAGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << ::dlerror();
        load_ = symbol<decltype(&::fGDIp_2hBMP)>("fGDIp_2hBMP");
        create_ = symbol<decltype(&::posteri_create_bitmap)>("posteri_create_bitmap");
        width_ = symbol<decltype(&::posteri_bitmap_width)>("posteri_bitmap_width");
        height_ = symbol<decltype(&::posteri_bitmap_height)>("posteri_bitmap_height");
        bits_ = symbol<decltype(&::posteri_bitmap_bits)>("posteri_bitmap_bits");
        free_ = symbol<decltype(&::posteri_free_bitmap)>("posteri_free_bitmap");
    }
    void TearDown() override {
        if (library_ != nullptr) ::dlclose(library_);
    }
    template <typename Function>
    Function symbol(const char* name) {
        return reinterpret_cast<Function>(::dlsym(library_, name));
    }
    std::string bits(std::int32_t bitmap) {
        const std::int64_t length = bits_(bitmap, nullptr, 0);
        std::string out(static_cast<std::size_t>(length), '\0');
        EXPECT_EQ(bits_(bitmap, reinterpret_cast<unsigned char*>(out.data()), length), length);
        return out;
    }

    void* library_ = nullptr;
    TempFolder folder_{"posteri-library"};
    const fs::path& dir_ = folder_.path();
    decltype(&::fGDIp_2hBMP) load_ = nullptr;
    decltype(&::posteri_create_bitmap) create_ = nullptr;
    decltype(&::posteri_bitmap_width) width_ = nullptr;
    decltype(&::posteri_bitmap_height) height_ = nullptr;
    decltype(&::posteri_bitmap_bits) bits_ = nullptr;
    decltype(&::posteri_free_bitmap) free_ = nullptr;
};

TEST_F(ImageLibraryTest, LoadsAPhotoIntoANewBitmapAndFreesIt) {
    const std::string path = (dir_ / "foto.jpg").string();
    test::write_file(path, test::make_jpeg({.width = 64, .height = 48}));
    const StringHandle name(path);
    const std::int32_t bitmap = load_(name.get(), 0, 0, 0);
    ASSERT_NE(bitmap, 0);
    EXPECT_EQ(width_(bitmap), 64);
    EXPECT_EQ(height_(bitmap), 48);
    const std::string photo = bits(bitmap);
    ASSERT_EQ(photo.size(), 8u + 4 * 64 * 48);
    EXPECT_GT(static_cast<unsigned char>(photo[8 + 2]), 200);  // top-left red
    EXPECT_EQ(free_(bitmap), 1);
    EXPECT_EQ(free_(bitmap), 0);
    EXPECT_EQ(width_(bitmap), 0);
}

// A photo loads at its own size up to 64 megapixels; a larger one gives no bitmap and draws into none.
TEST_F(ImageLibraryTest, LoadingStopsAtTheMostPixelsDecodedAtOnce) {
    const std::int32_t target = create_(40, 30);
    for (const auto& [width, loads] : {std::pair{8000, true}, std::pair{8001, false}}) {
        const std::string path = (dir_ / ("foto" + std::to_string(width) + ".png")).string();
        test::write_file(path,
                         test::make_png({.width = width, .height = 8000, .colour_type = 3, .bit_depth = 2}));
        const StringHandle name(path);
        const std::int32_t bitmap = load_(name.get(), 0, 0, 0);
        EXPECT_EQ(width_(bitmap), loads ? width : 0) << width;
        EXPECT_EQ(load_(name.get(), target, 0, 0), loads ? target : 0) << width;
        free_(bitmap);
    }
    free_(target);
}

TEST_F(ImageLibraryTest, LetterboxesIntoAGivenBitmapOnItsBackground) {
    const std::string path = (dir_ / "foto.jpg").string();
    test::write_file(path, test::make_jpeg({.width = 64, .height = 32, .pixel = [](int, int) {
                                                return test::Rgb{0, 0, 255};
                                            }}));
    const std::int32_t target = create_(40, 40);
    ASSERT_NE(target, 0);
    const StringHandle name(path);
    EXPECT_EQ(load_(name.get(), target, 1, 0x0000FF), target);  // red as 0x00BBGGRR
    const std::string out = bits(target);
    const auto pixel = [&](int x, int y) { return out.substr(8 + 4 * (y * 40 + x), 3); };
    EXPECT_EQ(pixel(20, 2), std::string("\0\0\xFF", 3));  // band above: background
    EXPECT_GT(static_cast<unsigned char>(pixel(20, 20)[0]), 200);  // photo: blue
    EXPECT_EQ(free_(target), 1);
}

TEST_F(ImageLibraryTest, BadArgumentsGiveZero) {
    const StringHandle missing((dir_ / "missing.jpg").string());
    EXPECT_EQ(load_(nullptr, 0, 0, 0), 0);
    EXPECT_EQ(load_(missing.get(), 0, 0, 0), 0);
    EXPECT_EQ(load_(missing.get(), 12345, 0, 0), 0);
    StringHandle bad_length("foto.jpg");
    bad_length.set_length(-5);
    EXPECT_EQ(load_(bad_length.get(), 0, 0, 0), 0);
    bad_length.set_length(1 << 30);
    EXPECT_EQ(load_(bad_length.get(), 0, 0, 0), 0);
    EXPECT_EQ(create_(0, 10), 0);
    EXPECT_EQ(create_(-1, -1), 0);
    EXPECT_EQ(bits_(777, nullptr, 0), 0);
    EXPECT_EQ(free_(0), 0);
    const std::int32_t bitmap = create_(2, 1);
    unsigned char small[4] = {};
    EXPECT_EQ(bits_(bitmap, small, sizeof small), 16);  // too small: only the length
    EXPECT_EQ(free_(bitmap), 1);
}

TEST_F(ImageLibraryTest, EmptyNameWithoutADisplayGivesZero) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    ::unsetenv("DISPLAY");
    const StringHandle empty("");
    EXPECT_EQ(load_(empty.get(), 0, 0, 0), 0);
    if (display != nullptr) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
}  // namespace posteri
