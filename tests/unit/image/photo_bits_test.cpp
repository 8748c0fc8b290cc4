// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/photo_bits.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace posteri {
namespace {

std::string bits_of_size(std::int32_t width, std::int32_t height, bool with_pixels = true) {
    std::string bits(8 + (with_pixels ? 4 * static_cast<std::size_t>(width) * height : 0), '\0');
    for (int i = 0; i < 4; ++i) {
        bits[i] = static_cast<char>(static_cast<std::uint32_t>(width) >> (8 * i) & 0xFF);
        bits[4 + i] = static_cast<char>(static_cast<std::uint32_t>(height) >> (8 * i) & 0xFF);
    }
    return bits;
}

// Images whose bitmaps are sizes only: bits come out as the bitmap's size with black pixels, and
// clears and stretches are written down.
class SizedImages : public FakeImages {
public:
    struct Stretch {
        PixelRect from;
        DeviceRect to;
        int target_width;
        int target_height;
    };
    std::vector<Stretch> stretches;
    std::vector<std::uint32_t> clears;
    std::vector<std::string> written;
    bool sizes_only = false;  // bits of the size alone, for bitmaps too large to spell out

    std::string read_bits(const MemoryBitmap& bitmap) override {
        return bits_of_size(bitmap.width(), bitmap.height(), !sizes_only);
    }
    void write_bits(MemoryBitmap&, std::string_view bits) override { written.emplace_back(bits); }
    void clear(MemoryBitmap&, std::uint32_t rgb) override { clears.push_back(rgb); }
    void stretch(const MemoryBitmap&, const PixelRect& from, MemoryBitmap& target, const DeviceRect& to) override {
        stretches.push_back({from, to, target.width(), target.height()});
    }
};

class PhotoBitsTest : public ::testing::Test {
protected:
    PhotoBitsTest() {
        images_.photos["land.jpg"] = {800, 600, 96, 96};
        images_.photos["small.jpg"] = {3, 2, 96, 96};
        images_.photos["broken.jpg"] = {640, 480, 96, 96};
        images_.undecodable.insert("broken.jpg");
    }
    Platform platform() {
        return {fake_.console, fake_.system, fake_.fault, fake_.speech, fake_.printers, images_, fake_.windows, fake_.fonts};
    }

    FakePlatform fake_;
    SizedImages images_;
};

TEST(BitsSizeTest, ReadsLittleEndianSizesAndTakesShortBitsAsEmpty) {
    std::string bits = bits_of_size(2, 1);
    EXPECT_EQ(bits.size(), 16u);
    EXPECT_EQ(bits.substr(0, 8), std::string("\x02\0\0\0\x01\0\0\0", 8));
    EXPECT_EQ(bits_size(bits), (BitsSize{2, 1}));
    EXPECT_EQ(bits_size(bits_of_size(70000, 3)), (BitsSize{70000, 3}));
    EXPECT_EQ(bits_size(std::string("\x02\0\0\0\x01\0\0", 7)), (BitsSize{0, 0}));
    EXPECT_EQ(bits_size(""), (BitsSize{0, 0}));
}

TEST(HalvedSizeTest, HalvesWithTiesToEvenAndKeepsProportions) {
    EXPECT_EQ(halved_size({5, 3}), (BitsSize{2, 1}));     // 2.5 -> 2, 1.5 -> 2; landscape: round(3 * 2 / 5)
    EXPECT_EQ(halved_size({4, 4}), (BitsSize{2, 2}));     // square takes the portrait branch
    EXPECT_EQ(halved_size({600, 800}), (BitsSize{300, 400}));
    EXPECT_EQ(halved_size({7, 9}), (BitsSize{3, 4}));     // h2 = 4 (4.5 -> 4), width round(7 * 4 / 9) = 3
    EXPECT_EQ(halved_size({3, 1}), (BitsSize{2, 1}));     // h2 0 takes w2
    EXPECT_EQ(halved_size({1, 3}), (BitsSize{1, 2}));     // w2 0 takes h2
    EXPECT_EQ(halved_size({10000, 10}), (BitsSize{5000, 5}));
}

TEST(HalvedSizeTest, LeavesTinyAndEmptySizesAlone) {
    EXPECT_EQ(halved_size({1, 1}), std::nullopt);
    EXPECT_EQ(halved_size({0, 5}), std::nullopt);
    EXPECT_EQ(halved_size({-4, 4}), std::nullopt);
}

TEST(PhotoPlacementTest, StretchesOverTheWholeBitmapWithoutLetterbox) {
    EXPECT_EQ(photo_placement(800, 600, 400, 400, false), (Placement{0, 0, 400, 400}));
}

TEST(PhotoPlacementTest, LetterboxCentresTheLargestProportionalSize) {
    EXPECT_EQ(photo_placement(800, 600, 400, 400, true), (Placement{0, 50, 400, 300}));
    EXPECT_EQ(photo_placement(600, 800, 400, 400, true), (Placement{50, 0, 300, 400}));
    EXPECT_EQ(photo_placement(800, 600, 400, 401, true), (Placement{0, 50, 400, 300}));  // 101 / 2 truncates
    EXPECT_EQ(photo_placement(800, 600, 400, 300, true), (Placement{0, 0, 400, 300}));   // exact fit
}

TEST(PhotoPlacementTest, KeepsTheRatioToFourDecimals) {
    // 3 / 7 = 0.428571... kept as 0.4286: 20000 x 0.4286 = 8572 (the exact ratio gives 8571).
    EXPECT_EQ(photo_placement(7, 3, 20000, 20000, true), (Placement{0, 5714, 20000, 8572}));
    // 7 / 3 = 2.3333...: too tall, so the width comes from w / h = 0.4286 kept the same way.
    EXPECT_EQ(photo_placement(3, 7, 20000, 20000, true), (Placement{5714, 0, 8572, 20000}));
}

TEST_F(PhotoBitsTest, SizeTextUsesTwoFivePlaceFields) {
    images_.photos["vga.jpg"] = {640, 480, 72, 72};
    EXPECT_EQ(LI_DIMEN_TESTO(fake_.platform(), "missing.jpg"), "    0 x     0");
    Platform with_photo = platform();
    EXPECT_EQ(LI_DIMEN_TESTO(with_photo, "vga.jpg"), "  640 x   480");
}

TEST_F(PhotoBitsTest, LoadingBitsPaintsThePhotoOverABitmapOfItsOwnSize) {
    Platform run = platform();
    const std::string bits = LI_CARIC(run, "small.jpg");
    EXPECT_EQ(bits_size(bits), (BitsSize{3, 2}));
    EXPECT_EQ(bits.size(), 8u + 4 * 3 * 2);
    ASSERT_EQ(images_.stretches.size(), 1u);
    EXPECT_EQ(images_.stretches[0].from, (PixelRect{0, 0, 2, 1}));
    EXPECT_EQ(images_.stretches[0].to, (DeviceRect{0, 0, 3, 2}));
}

TEST_F(PhotoBitsTest, LoadingBitsOfAnUnusablePhotoGivesNoBits) {
    Platform run = platform();
    EXPECT_EQ(LI_CARIC(run, "missing.jpg"), "");
    EXPECT_EQ(LI_CARIC(run, "broken.jpg"), "");
    EXPECT_TRUE(images_.stretches.empty());
}

TEST_F(PhotoBitsTest, PaintingFitsToTheTargetWidthOrStretchesOverIt) {
    Platform run = platform();
    const auto target = images_.create_bitmap(400, 400);
    LI_CARIC_SU(run, *target, "land.jpg", 0);
    LI_CARIC_SU(run, *target, "land.jpg", 1);
    LI_CARIC_SU(run, *target, "missing.jpg", 1);
    ASSERT_EQ(images_.stretches.size(), 2u);
    EXPECT_EQ(images_.stretches[0].from, (PixelRect{0, 0, 799, 599}));
    EXPECT_EQ(images_.stretches[0].to, (DeviceRect{0, 0, 400, 300}));
    EXPECT_EQ(images_.stretches[1].to, (DeviceRect{0, 0, 400, 400}));
}

TEST_F(PhotoBitsTest, PaintingOntoAWindowDrawsAndShowsOnlyALoadedPhoto) {
    Platform run = platform();
    const WindowHandle window = fake_.windows.open({{0, 0, 400, 400}, "", false});
    fake_.windows.calls.clear();
    LI_CARIC_SU(run, window, "land.jpg", 0);
    LI_CARIC_SU(run, window, "missing.jpg", 0);
    EXPECT_EQ(fake_.windows.calls, (std::vector<std::string>{"bitmap 1", "present 1"}));
}

TEST_F(PhotoBitsTest, LoaderLetterboxesOnTheBackgroundColourReference) {
    const auto target = images_.create_bitmap(400, 400);
    EXPECT_TRUE(fGDIp_2hBMP(images_, "land.jpg", *target, 1, 0x0000FF));
    EXPECT_TRUE(fGDIp_2hBMP(images_, "land.jpg", *target, 1, kNoBackground));
    EXPECT_TRUE(fGDIp_2hBMP(images_, "land.jpg", *target, 0, 0x0000FF));
    EXPECT_FALSE(fGDIp_2hBMP(images_, "missing.jpg", *target, 1, 0));
    EXPECT_EQ(images_.clears, (std::vector<std::uint32_t>{0xFF0000}));  // red as 0x00BBGGRR
    ASSERT_EQ(images_.stretches.size(), 3u);
    EXPECT_EQ(images_.stretches[0].to, (DeviceRect{0, 50, 399, 349}));
    EXPECT_EQ(images_.stretches[1].to, (DeviceRect{0, 50, 399, 349}));
    EXPECT_EQ(images_.stretches[2].to, (DeviceRect{0, 0, 399, 399}));
}

TEST_F(PhotoBitsTest, LoaderWithoutTargetGivesThePhotoAtItsOwnSize) {
    const auto photo = fGDIp_2hBMP(images_, "land.jpg");
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->width(), 800);
    EXPECT_EQ(photo->height(), 600);
    EXPECT_EQ(fGDIp_2hBMP(images_, "broken.jpg"), nullptr);
    EXPECT_EQ(fGDIp_2hBMP(images_, ""), nullptr);  // no clipboard image
}

// A photo loads at its own size up to 64 megapixels and is refused above before any bitmap is made.
TEST_F(PhotoBitsTest, LoadingStopsAtTheMostPixelsDecodedAtOnce) {
    images_.sizes_only = true;
    const auto target = images_.create_bitmap(40, 30);
    Platform run = platform();
    for (const auto& [width, height, loads] :
         {std::tuple{8000, 8000, true}, std::tuple{8000, 8001, false}, std::tuple{16000, 4000, true},
          std::tuple{4000, 16001, false}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        images_.photos["p.jpg"] = {width, height, 96, 96};
        images_.stretches.clear();
        EXPECT_EQ(bits_size(LI_CARIC(run, "p.jpg")), (loads ? BitsSize{width, height} : BitsSize{}));
        EXPECT_EQ(images_.stretches.size(), loads ? 1u : 0u);
        EXPECT_EQ(fGDIp_2hBMP(images_, "p.jpg") != nullptr, loads);
        EXPECT_EQ(fGDIp_2hBMP(images_, "p.jpg", *target, 0, kNoBackground), loads);
    }
}

TEST_F(PhotoBitsTest, HalvingReplacesTheBitsWithTheSmallerBitmap) {
    Platform run = platform();
    std::string bits = bits_of_size(5, 3);
    const std::string original = bits;
    const std::string halved = LI_DIMEZ(run, bits);
    EXPECT_EQ(bits, halved);
    EXPECT_EQ(bits_size(halved), (BitsSize{2, 1}));
    EXPECT_EQ(images_.written, (std::vector<std::string>{original}));
    ASSERT_EQ(images_.stretches.size(), 1u);
    EXPECT_EQ(images_.stretches[0].from, (PixelRect{0, 0, 4, 2}));
    EXPECT_EQ(images_.stretches[0].to, (DeviceRect{0, 0, 2, 1}));
    EXPECT_EQ(images_.stretches[0].target_width, 2);
    EXPECT_TRUE(fake_.windows.calls.empty());  // no notice window is open
}

TEST_F(PhotoBitsTest, HalvingLeavesUnhalvableOrMalformedBitsAlone) {
    Platform run = platform();
    for (std::string bits : {bits_of_size(1, 1), bits_of_size(5, 3).substr(0, 20), std::string("abc"),
                             bits_of_size(5, 1)}) {
        const std::string original = bits;
        EXPECT_EQ(LI_DIMEZ(run, bits), original);
        EXPECT_EQ(bits, original);
    }
    EXPECT_TRUE(images_.stretches.empty());
}

TEST_F(PhotoBitsTest, WaitNoticeIsGreenTextCentredOnBlack) {
    LI_ATTES(fake_.platform(), 0, "attendere");
    EXPECT_TRUE(fake_.windows.calls.empty());
    const WindowHandle window = fake_.windows.open({{0, 0, 401, 300}, "", false});
    fake_.windows.calls.clear();
    LI_ATTES(fake_.platform(), window, "ab");  // 64 x 64 in the fake's measure
    EXPECT_EQ(fake_.windows.calls, (std::vector<std::string>{"clear 1 000000", "text 1 168 118 arial 32 0 00ff00 |ab|",
                                                            "present 1"}));
}

}  // namespace
}  // namespace posteri
