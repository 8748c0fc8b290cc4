// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jpeg_codec.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>

#include "image/photo_bits.h"
#include "main/run_operations.h"
#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/jpeg_structure.h"
#include "support/bitmap_colours.h"
#include "support/child_run.h"
#include "support/fake_platform.h"
#include "support/temp_folder.h"
#include "support/test_photos.h"

extern char** environ;

namespace posteri {
namespace {

namespace fs = std::filesystem;
using test::Coding;
using test::Colours;
using test::ExifSpec;
using test::JpegSpec;
using test::Rgb;

class JpegCodecTest : public ::testing::Test {
protected:
    std::string photo(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        test::write_file(path, bytes);
        return path;
    }
    std::string jpeg(const std::string& name, const JpegSpec& recipe) { return photo(name, test::make_jpeg(recipe)); }
    static const CairoBitmap& cairo(const std::unique_ptr<MemoryBitmap>& bitmap) {
        return dynamic_cast<const CairoBitmap&>(*bitmap);
    }
    Rgb colour_at(const MemoryBitmap& bitmap, int x, int y) { return test::colour_at(codec_, bitmap, x, y); }

    TempFolder folder_{"posteri-jpeg"};
    const fs::path& dir_ = folder_.path();
    JpegCodec codec_;
};

using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::LooksLike;
// The red, green and blue quadrants of a CMYK test photo as PDF readers show their inks.
const Rgb kInkRed{237, 28, 36}, kInkGreen{0, 166, 80}, kInkBlue{46, 49, 146};

TEST_F(JpegCodecTest, ResolutionComesFromExifThenJfifThenDefault) {
    const auto dpi = [&](const JpegSpec& recipe) {
        const auto facts = codec_.facts(jpeg("r.jpg", recipe));
        return facts ? std::pair(facts->dpi_x, facts->dpi_y) : std::pair(-1.0f, -1.0f);
    };
    EXPECT_EQ(dpi({.density_unit = 1, .x_density = 300, .y_density = 200}), std::pair(300.0f, 200.0f));
    EXPECT_EQ(dpi({.density_unit = 2, .x_density = 100, .y_density = 50}), std::pair(254.0f, 127.0f));
    EXPECT_EQ(dpi({.density_unit = 0, .x_density = 3, .y_density = 4}), std::pair(96.0f, 96.0f));
    EXPECT_EQ(dpi({.density_unit = 1, .x_density = 0, .y_density = 72}), std::pair(96.0f, 96.0f));
    const std::string exif_inches = test::make_exif({.x_resolution = 240, .y_resolution = 180, .unit = 2});
    EXPECT_EQ(dpi({.jfif = false, .exif = exif_inches}), std::pair(240.0f, 180.0f));
    EXPECT_EQ(dpi({.density_unit = 1, .x_density = 72, .y_density = 72, .exif = exif_inches}), std::pair(240.0f, 180.0f));
    const std::string exif_cm = test::make_exif({.big_endian = true, .x_resolution = 100, .y_resolution = 100, .unit = 3});
    EXPECT_EQ(dpi({.jfif = false, .exif = exif_cm}), std::pair(254.0f, 254.0f));
    const std::string exif_no_unit = test::make_exif({.x_resolution = 300, .y_resolution = 300, .unit = 1});
    EXPECT_EQ(dpi({.density_unit = 1, .x_density = 72, .y_density = 72, .exif = exif_no_unit}), std::pair(72.0f, 72.0f));
    const std::string exif_zero = test::make_exif({.x_resolution = 0, .y_resolution = 300, .unit = 2});
    EXPECT_EQ(dpi({.jfif = false, .exif = exif_zero}), std::pair(96.0f, 96.0f));
}

TEST_F(JpegCodecTest, QuarterTurnedPhotoReportsUprightSizeAndSwappedResolution) {
    const std::string exif = test::make_exif({.orientation = 6, .x_resolution = 300, .y_resolution = 200, .unit = 2});
    const auto facts = codec_.facts(jpeg("turned.jpg", {.width = 400, .height = 304, .exif = exif}));
    EXPECT_EQ(facts, (PhotoFacts{304, 400, 200, 300}));
    FakePlatform fake;
    fake.images.photos.clear();
    Platform platform{fake.console, fake.system, fake.fault, fake.speech, fake.printers, codec_, fake.windows, fake.fonts};
    std::int32_t width = 0, height = 0, orientation = 0;
    float dpi_x = 0, dpi_y = 0;
    LI_DIMEN(platform, (dir_ / "turned.jpg").string(), width, height, orientation, dpi_x, dpi_y);
    EXPECT_EQ(std::tuple(width, height, orientation), std::tuple(304, 400, 1));
}

TEST_F(JpegCodecTest, EveryOrientationDrawsUpright) {
    // Upright corners (top-left, top-right, bottom-left, bottom-right) of the stored quadrants
    // red, green / blue, white, for each EXIF orientation; 0 and a bad value mean as stored.
    const std::map<int, std::array<Rgb, 4>> corners = {
        {0, {kRed, kGreen, kBlue, kWhite}}, {1, {kRed, kGreen, kBlue, kWhite}}, {2, {kGreen, kRed, kWhite, kBlue}},
        {3, {kWhite, kBlue, kGreen, kRed}}, {4, {kBlue, kWhite, kRed, kGreen}}, {5, {kRed, kBlue, kGreen, kWhite}},
        {6, {kBlue, kRed, kWhite, kGreen}}, {7, {kWhite, kGreen, kBlue, kRed}}, {8, {kGreen, kWhite, kRed, kBlue}},
        {9, {kRed, kGreen, kBlue, kWhite}}};
    for (const auto& [orientation, expected] : corners) {
        SCOPED_TRACE(orientation);
        const std::string exif = test::make_exif({.big_endian = orientation % 2 == 1, .orientation = orientation});
        const std::string path = jpeg("o.jpg", {.width = 64, .height = 48, .exif = exif});
        const auto photo = codec_.load_photo(path);
        ASSERT_NE(photo, nullptr);
        const bool quarter = orientation >= 5 && orientation <= 8;
        EXPECT_EQ(photo->width(), quarter ? 48 : 64);
        EXPECT_EQ(codec_.facts(path)->width, photo->width());
        const int right = photo->width() - 1, bottom = photo->height() - 1;
        EXPECT_THAT(colour_at(*photo, 0, 0), LooksLike(expected[0]));
        EXPECT_THAT(colour_at(*photo, right, 0), LooksLike(expected[1]));
        EXPECT_THAT(colour_at(*photo, 0, bottom), LooksLike(expected[2]));
        EXPECT_THAT(colour_at(*photo, right, bottom), LooksLike(expected[3]));
        const EmbeddedPhoto* embeddable = cairo(photo).embedded();
        ASSERT_NE(embeddable, nullptr);
        EXPECT_EQ(embeddable->orientation, orientation >= 1 && orientation <= 8 ? orientation : 1);
        EXPECT_EQ(std::pair(embeddable->stored_width, embeddable->stored_height), std::pair(64, 48));
    }
}

// A photo loaded to print is the file itself, mapped: until the bitmap is gone, a program that
// truncates the file waits, so the bytes the job embeds stay whole. A file this process holds open
// for writing gets no lease and is read instead.
TEST_F(JpegCodecTest, PhotoLoadedToPrintHoldsItsFileUntilItIsGone) {
    const std::string path = jpeg("p.jpg", {.width = 640, .height = 480});
    const std::string original = test::read_file(path);
    auto photo = codec_.load_photo_to_print(path, 1 << 20);
    ASSERT_NE(photo, nullptr);
    // Another program: a forked copy of this one would share the lease's open file.
    std::string program = "sh", script = "printf x > \"$0\"", target = path, dash_c = "-c";
    char* argv[] = {program.data(), dash_c.data(), script.data(), target.data(), nullptr};
    pid_t writer = 0;
    ASSERT_EQ(posix_spawnp(&writer, "sh", nullptr, nullptr, argv, environ), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(writer, &status, WNOHANG), 0) << "the writer did not wait";
    EXPECT_EQ(cairo(photo).embedded()->image->data.front(), original);  // a truncated mapping would end the test here
    photo.reset();
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test::read_file(path), "x");

    const std::string open_path = jpeg("o.jpg", {.width = 64, .height = 48});
    const int held_for_writing = ::open(open_path.c_str(), O_WRONLY);
    const auto read_photo = codec_.load_photo_to_print(open_path, 1 << 20);
    ::close(held_for_writing);
    ASSERT_NE(read_photo, nullptr);
    EXPECT_EQ(cairo(read_photo).embedded()->image->data.front(), test::read_file(open_path));
}

TEST_F(JpegCodecTest, HuffmanPhotosKeepTheirBytesAndASmallProxy) {
    for (const JpegSpec& recipe : {JpegSpec{.width = 160, .height = 96, .coding = Coding::Progressive},
                                 JpegSpec{.width = 160, .height = 96, .colours = Colours::Gray}}) {
        const std::string path = jpeg("h.jpg", recipe);
        const auto photo = codec_.load_photo(path);
        ASSERT_NE(photo, nullptr);
        const EmbeddedPhoto* embeddable = cairo(photo).embedded();
        ASSERT_NE(embeddable, nullptr);
        EXPECT_EQ(embeddable->image->data.front(), test::read_file(path));
        // At most 64 pixels a side, in the stored grid's shape: 160 x 96 in thirds.
        EXPECT_EQ(cairo_image_surface_get_width(embeddable->proxy), 54);
        EXPECT_EQ(cairo_image_surface_get_height(embeddable->proxy), 32);
        const Rgb top_left = recipe.colours == Colours::Gray ? Rgb{76, 76, 76} : kRed;
        EXPECT_THAT(colour_at(*photo, 3, 3), LooksLike(top_left));
    }
}

TEST_F(JpegCodecTest, DrawingIntoAPhotoDropsItsOriginalBytes) {
    const auto photo = codec_.load_photo(jpeg("p.jpg", {}));
    ASSERT_NE(cairo(photo).embedded(), nullptr);
    codec_.clear(*photo, 0x102030);
    EXPECT_EQ(cairo(photo).embedded(), nullptr);
    EXPECT_THAT(colour_at(*photo, 0, 0), LooksLike(Rgb{0x10, 0x20, 0x30}));
}

TEST_F(JpegCodecTest, ArithmeticPhotoBecomesTheSameCoefficientsHuffmanCoded) {
    const std::string path = jpeg("a.jpg", {.width = 80, .height = 64, .coding = Coding::Arithmetic});
    const auto loaded = codec_.load_photo(path);
    ASSERT_NE(loaded, nullptr);
    const EmbeddedPhoto* embeddable = cairo(loaded).embedded();
    ASSERT_NE(embeddable, nullptr);
    EXPECT_NE(embeddable->image->data.front(), test::read_file(path));
    const std::string huffman = photo("huffman.jpg", std::string(embeddable->image->data.front()));
    const auto again = codec_.load_photo(huffman);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(cairo(again).embedded()->image->data.front(), embeddable->image->data.front());  // already Huffman: kept as it is
    EXPECT_EQ(codec_.read_bits(*again), codec_.read_bits(*loaded));  // lossless
    EXPECT_THAT(colour_at(*loaded, 79, 63), LooksLike(kWhite));
}

TEST_F(JpegCodecTest, AdobeCmykPhotoKeepsItsBytesAndDecodesWithTheRightColours) {
    const std::string path = jpeg("cmyk.jpg", {.colours = Colours::AdobeCmyk});
    const auto photo = codec_.load_photo(path);
    ASSERT_NE(photo, nullptr);
    ASSERT_NE(cairo(photo).embedded(), nullptr);
    EXPECT_EQ(cairo(photo).embedded()->image->data.front(), test::read_file(path));
    EXPECT_TRUE(cairo(photo).embedded()->image->inverted);
    EXPECT_THAT(colour_at(*photo, 2, 2), LooksLike(kInkRed));
    EXPECT_THAT(colour_at(*photo, 61, 2), LooksLike(kInkGreen));
    EXPECT_THAT(colour_at(*photo, 2, 45), LooksLike(kInkBlue));
    EXPECT_THAT(colour_at(*photo, 61, 45), LooksLike(kWhite));
}

TEST_F(JpegCodecTest, ExtremeSizesLoad) {
    for (const auto& [width, height] : {std::pair(1, 1), std::pair(10000, 10)}) {
        const std::string path = jpeg("x.jpg", {.width = width, .height = height, .pixel = [](int, int) { return kBlue; }});
        EXPECT_EQ(codec_.facts(path), (PhotoFacts{width, height, 96, 96}));
        const auto photo = codec_.load_photo(path);
        ASSERT_NE(photo, nullptr);
        EXPECT_THAT(colour_at(*photo, width - 1, height - 1), LooksLike(kBlue));
    }
}

// Streams libjpeg reads with a warning only: no EOI, stray bytes between segments, data cut short.
// Each is rewritten whole and then handled as a sound photo of its kind: turned upright and kept as
// Huffman-coded JPEG bytes.
TEST_F(JpegCodecTest, StreamsReadWithWarningsAreRepairedWhole) {
    const std::string exif = test::make_exif({.orientation = 6, .x_resolution = 150, .y_resolution = 150, .unit = 2});
    const auto made = [&](Coding coding, Colours colours) {
        return test::make_jpeg({.width = 64, .height = 48, .coding = coding, .colours = colours, .exif = exif});
    };
    const auto without_end = [](const std::string& whole) { return whole.substr(0, whole.size() - 2); };
    const std::string baseline = made(Coding::Baseline, Colours::Rgb);
    const std::size_t data_middle = (baseline.find("\xFF\xDA") + baseline.size()) / 2;
    struct Case {
        const char* name;
        std::string bytes;
        bool all_data;
    };
    for (const Case& c : {Case{"no EOI", without_end(baseline), true},
                          Case{"stray bytes", std::string(baseline).insert(baseline.find("\xFF\xDB"), "\x12\x34"), true},
                          Case{"cut short", baseline.substr(0, data_middle), false},
                          Case{"progressive", without_end(made(Coding::Progressive, Colours::Rgb)), true},
                          Case{"arithmetic", without_end(made(Coding::Arithmetic, Colours::Rgb)), true},
                          Case{"cmyk", without_end(made(Coding::Baseline, Colours::AdobeCmyk)), true}}) {
        SCOPED_TRACE(c.name);
        const std::string path = photo("d.jpg", c.bytes);
        EXPECT_EQ(codec_.facts(path), (PhotoFacts{48, 64, 150, 150}));
        const auto loaded = codec_.load_photo(path);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(std::pair(loaded->width(), loaded->height()), std::pair(48, 64));
        EXPECT_EQ(loaded->incomplete(), !c.all_data) << "only missing data makes a photo incomplete";
        const EmbeddedPhoto* embeddable = cairo(loaded).embedded();
        ASSERT_NE(embeddable, nullptr);
        EXPECT_TRUE(jpeg_structure_is_whole(embeddable->image->data.front()));
        EXPECT_EQ(embeddable->orientation, 6);
        // Upright, the stored top rows (red, green) are the right-hand column.
        const bool inks = std::string(c.name) == "cmyk";
        EXPECT_THAT(colour_at(*loaded, 47, 0), LooksLike(inks ? kInkRed : kRed));
        EXPECT_THAT(colour_at(*loaded, 47, 63), LooksLike(inks ? kInkGreen : kGreen));
        if (c.all_data) {
            EXPECT_THAT(colour_at(*loaded, 0, 0), LooksLike(inks ? kInkBlue : kBlue));
            EXPECT_THAT(colour_at(*loaded, 0, 63), LooksLike(kWhite));
        }
    }
}

TEST_F(JpegCodecTest, StreamsLibjpegCannotReadGiveNoPhoto) {
    const std::string whole = test::make_jpeg({.width = 256, .height = 256, .density_unit = 1, .x_density = 150, .y_density = 150});
    std::string unknown_marker = whole;
    unknown_marker.back() = '\x3A';  // EOI becomes a marker libjpeg does not know
    std::string corrupt = whole;
    const std::size_t data_middle = (whole.find("\xFF\xDA") + whole.size()) / 2;
    for (std::size_t i = data_middle; i < data_middle + 64; ++i) corrupt[i] = static_cast<char>(0xFF);
    for (const std::string& bytes : {unknown_marker, corrupt}) {
        const std::string path = photo("c.jpg", bytes);
        EXPECT_EQ(codec_.facts(path), (PhotoFacts{256, 256, 150, 150}));
        EXPECT_EQ(codec_.load_photo(path), nullptr);
    }
    for (const std::string& bytes : {std::string("\xFF\xD8", 2) + std::string(100, 'x'), whole.substr(0, 40)}) {
        const std::string path = photo("h.jpg", bytes);
        EXPECT_EQ(codec_.facts(path), std::nullopt);
        EXPECT_EQ(codec_.load_photo(path), nullptr);
    }
}

TEST_F(JpegCodecTest, ExifAfterAnXmpSegmentIsRead) {
    const std::string exif = test::make_exif({.orientation = 6, .x_resolution = 300, .y_resolution = 200, .unit = 2});
    const std::string path = jpeg("xmp.jpg", {.width = 400, .height = 304, .exif = exif, .xmp = test::make_xmp()});
    EXPECT_EQ(codec_.facts(path), (PhotoFacts{304, 400, 200, 300}));
    const auto loaded = codec_.load_photo(path);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(cairo(loaded).embedded()->orientation, 6);
}

TEST_F(JpegCodecTest, HeaderClaimingTooManyPixelsIsRefusedBeforeDecoding) {
    std::string bomb = test::make_jpeg({.width = 16, .height = 16});
    const std::size_t sof = bomb.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bomb.replace(sof + 5, 4, std::string("\xFF\xDC\xFF\xDC", 4));  // 65500 x 65500
    const std::string path = photo("bomb.jpg", bomb);
    EXPECT_EQ(codec_.facts(path), (PhotoFacts{65500, 65500, 96, 96}));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(codec_.load_photo(path), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
}

TEST_F(JpegCodecTest, FilesThatAreNotPhotosGiveNothing) {
    for (const std::string& bytes : {std::string("just some text, not a photo"), std::string(),
                                     std::string("\xFF\xD8\xFF\xE0\x00\x02", 6), std::string("\xFF\xD8", 2)}) {
        const std::string path = photo("n.jpg", bytes);
        EXPECT_EQ(codec_.facts(path), std::nullopt);
        EXPECT_EQ(codec_.load_photo(path), nullptr);
    }
    EXPECT_EQ(codec_.facts((dir_ / "missing.jpg").string()), std::nullopt);
    EXPECT_EQ(codec_.load_photo((dir_ / "missing.jpg").string()), nullptr);
}

TEST_F(JpegCodecTest, PngUnderAJpegNameIsAPhotoLaidOverWhite) {
    const std::string dense = photo("png.jpg", test::make_png(30, 20, {0, 0, 255}, 255, 3780));
    const auto facts = codec_.facts(dense);
    ASSERT_TRUE(facts);
    EXPECT_EQ(std::pair(facts->width, facts->height), std::pair(30, 20));
    EXPECT_NEAR(facts->dpi_x, 96.012, 0.001);
    const auto photo_bitmap = codec_.load_photo(dense);
    ASSERT_NE(photo_bitmap, nullptr);
    EXPECT_EQ(cairo(photo_bitmap).embedded(), nullptr);
    EXPECT_THAT(colour_at(*photo_bitmap, 29, 19), LooksLike(kBlue));
    const std::string half_clear = photo("alpha.jpg", test::make_png(4, 4, {0, 0, 0}, 128, std::nullopt));
    EXPECT_EQ(codec_.facts(half_clear), (PhotoFacts{4, 4, 96, 96}));
    EXPECT_THAT(colour_at(*codec_.load_photo(half_clear), 0, 0), LooksLike(Rgb{127, 127, 127}));
}

// Unfiltered 8-bit rows, red over blue, noisy so that the deflated stream spreads over the rows.
std::string red_over_blue_rows(int width, int height, int samples) {
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';
        for (int x = 0; x < width; ++x) {
            const char noise = static_cast<char>((x * 7 + y * 13) % 16),
                       full = static_cast<char>(240 + noise);
            rows += y < height / 2 ? std::string{full, noise, noise} : std::string{noise, noise, full};
            if (samples == 4) rows += '\xFF';
        }
    }
    return rows;
}

// A 4 x 4 RGB PNG with `chunks` before its image data.
std::string small_png(const std::string& chunks) {
    std::string png = test::png_holding(4, 4, 2, test::deflated(red_over_blue_rows(4, 4, 3)));
    return png.insert(png.find("IDAT") - 4, chunks);
}

// Damage past the first megabyte of rows is decoded: readable rows, the rest white, marked incomplete.
TEST_F(JpegCodecTest, DamagedPngDataPrintsItsReadableRowsMarkedIncomplete) {
    constexpr int kWidth = 600, kHeight = 1200, kStride = 1 + 3 * kWidth;  // 2.1 MB of rows
    const std::string rows = red_over_blue_rows(kWidth, kHeight, 3);
    std::string bad_filter = rows;
    bad_filter[900 * kStride] = 7;
    const auto png = [&](const std::string& data, int type = 2) {
        return test::png_holding(kWidth, kHeight, type, data);
    };
    const auto cut = [](const std::string& packed) { return packed.substr(0, packed.size() * 6 / 10); };
    const std::string packed = test::deflated(rows), whole = png(packed);
    const long long all = kWidth * kHeight, quarter = all / 4;
    for (const auto& [name, bytes, most_pixels, incomplete] :
         {std::tuple{"whole", whole, all, false},
          std::tuple{"bad IEND checksum", whole.substr(0, whole.size() - 1) + '\x01', all, false},
          std::tuple{"half the rows", png(test::deflated(rows.substr(0, rows.size() / 2))), all, true},
          std::tuple{"stream cut at 60 %", png(cut(packed)), all, true},
          std::tuple{"filter type 7 at row 900", png(test::deflated(bad_filter)), all, true},
          std::tuple{"cut at 60 %, reduced", png(cut(packed)), quarter, true},
          std::tuple{"RGBA cut at 60 %", png(cut(test::deflated(red_over_blue_rows(kWidth, kHeight, 4))), 6),
                     all, true}}) {
        SCOPED_TRACE(name);
        const auto loaded = codec_.load_photo_to_print(photo("rotta.png", bytes), most_pixels);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->incomplete(), incomplete);
        EXPECT_EQ(cairo(loaded).embedded() != nullptr, !incomplete && most_pixels == all);
        EXPECT_THAT(colour_at(*loaded, 0, 0), LooksLike(kRed));
        EXPECT_THAT(colour_at(*loaded, loaded->width() - 1, loaded->height() - 1),
                    LooksLike(incomplete ? kWhite : kBlue));
    }
}

// A text chunk claiming a gigabyte in 57 bytes, or a hundred 16 MB profiles, costs what the file holds.
TEST_F(JpegCodecTest, PngChunksCostNoMoreThanTheFileHolds) {
    const std::string bomb =
        test::png_chunk("iCCP", std::string("bomba\0\0", 7) + test::deflated(std::string(16 << 20, '\0')));
    std::string profiles;
    for (int i = 0; i < 100; ++i) profiles += bomb;
    std::vector<std::pair<std::string, std::string>> files{{"100 iCCP", small_png(profiles)}};
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "pCAL", "sCAL"}) {
        files.emplace_back(
            type, test::png_start(1, 1, 2) + std::string("\x40\0\0\0", 4) + type + std::string(16, 'x'));
    }
    for (const auto& [name, bytes] : files) {
        const std::string path = photo("costosa.png", bytes);
        const auto load = [&] { return codec_.load_photo_to_print(path, 1 << 24) ? 0 : 1; };
        EXPECT_LT(test::run_in_child(load).added_peak_kb, 16 << 10) << name;
    }
}

// PNG allows one profile: the first is used, or none when it is damaged, whatever follows it.
TEST_F(JpegCodecTest, PngTakesItsFirstProfileOnly) {
    const auto profile = [](const std::string& icc) {
        return test::png_chunk("iCCP", std::string("p\0\0", 3) + icc);
    };
    const std::string wide = test::wide_gamut_profile(), damaged = profile("not deflated");
    for (const auto& [name, profiles, used] :
         {std::tuple{"wide, then damaged", profile(test::deflated(wide)) + damaged, wide},
          std::tuple{"damaged, then wide", damaged + profile(test::deflated(wide)), std::string()}}) {
        SCOPED_TRACE(name);
        const auto loaded = codec_.load_photo_to_print(photo("profili.png", small_png(profiles)), 1 << 20);
        ASSERT_TRUE(loaded && cairo(loaded).embedded());
        EXPECT_EQ(cairo(loaded).embedded()->image->icc, used);
    }
}

// A photo whose pixels must be decoded and that is larger than the pixels asked for comes reduced,
// its proportions and colours kept: a PNG by a whole factor as its rows are read (an interlaced one
// from its last pass alone), a JPEG of untransformed RGB through libjpeg's scaling.
TEST_F(JpegCodecTest, DecodedPhotosLargerThanAskedForAreReduced) {
    const auto quadrants = [](int x, int y) { return test::quadrant_colour(x, y, 40, 30); };
    struct Case {
        const char* name;
        std::string bytes;
        int most_pixels;
        std::pair<int, int> reduced;
    };
    for (const Case& c : {Case{"sequential PNG", test::make_png(40, 30, quadrants), 300, {20, 15}},
                          Case{"interlaced PNG", test::make_png(40, 30, quadrants, true), 300, {20, 15}},
                          Case{"RGB JPEG", test::make_jpeg({.width = 64, .height = 48, .colours = Colours::StoredRgb}),
                               800, {32, 24}}}) {
        SCOPED_TRACE(c.name);
        const std::string path = photo("grande.jpg", c.bytes);
        const auto reduced = codec_.load_photo_to_print(path, c.most_pixels);
        ASSERT_NE(reduced, nullptr);
        const auto [width, height] = c.reduced;
        EXPECT_EQ(std::pair(reduced->width(), reduced->height()), c.reduced);
        const bool inks = std::string(c.name) == "CMYK JPEG";
        EXPECT_THAT(colour_at(*reduced, 0, 0), LooksLike(inks ? kInkRed : kRed));
        EXPECT_THAT(colour_at(*reduced, width - 1, 0), LooksLike(inks ? kInkGreen : kGreen));
        EXPECT_THAT(colour_at(*reduced, 0, height - 1), LooksLike(inks ? kInkBlue : kBlue));
        EXPECT_THAT(colour_at(*reduced, width - 1, height - 1), LooksLike(kWhite));
        EXPECT_EQ(codec_.load_photo_to_print(path, 4 * c.most_pixels)->width(), 2 * width) << "no smaller than need be";
    }
}

TEST_F(JpegCodecTest, BitmapsRoundTripBitsAndRefuseBadSizes) {
    EXPECT_EQ(codec_.create_bitmap(0, 5), nullptr);
    EXPECT_EQ(codec_.create_bitmap(40000, 2), nullptr);
    const auto bitmap = codec_.create_bitmap(2, 1);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(codec_.read_bits(*bitmap), std::string("\x02\0\0\0\x01\0\0\0", 8) + std::string(8, '\0'));
    const std::string bits = std::string("\x02\0\0\0\x01\0\0\0", 8) + std::string("\x10\x20\x30\x00\x40\x50\x60\x00", 8);
    codec_.write_bits(*bitmap, bits);
    EXPECT_EQ(codec_.read_bits(*bitmap), bits);
    codec_.write_bits(*bitmap, bits.substr(0, 12));  // wrong length: ignored
    codec_.write_bits(*bitmap, std::string("\x01\0\0\0\x02\0\0\0", 8) + std::string(8, 'x'));  // wrong size
    EXPECT_EQ(codec_.read_bits(*bitmap), bits);
    codec_.clear(*bitmap, 0xA0B0C0);
    EXPECT_EQ(codec_.read_bits(*bitmap).substr(8, 4), std::string("\xC0\xB0\xA0\x00", 4));
}

TEST_F(JpegCodecTest, StretchCoversTheInclusiveRoundedDestination) {
    const auto source = codec_.create_bitmap(2, 2);
    codec_.clear(*source, 0xFF0000);
    const auto target = codec_.create_bitmap(8, 8);
    codec_.stretch(*source, {0, 0, 1, 1}, *target, {2.5, 1.5, 5.4, 3.5});  // rounds to 2,2 .. 5,4
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x <= 5 && y >= 2 && y <= 4;
            EXPECT_THAT(colour_at(*target, x, y), LooksLike(inside ? kRed : Rgb{})) << x << "," << y;
        }
    }
}

// A second corner before the first runs backwards: x from 5 back to 2 covers pixels 4 and 3, the
// source's left pixel on the right.
TEST_F(JpegCodecTest, StretchOntoABackwardsDestinationMirrors) {
    const auto source = codec_.create_bitmap(2, 1);
    codec_.write_bits(*source, std::string("\x02\0\0\0\x01\0\0\0", 8) + std::string("\0\0\xFF\0\xFF\0\0\0", 8));
    const auto target = codec_.create_bitmap(8, 1);
    codec_.stretch(*source, {0, 0, 1, 0}, *target, {5, 0, 2, 0});
    const Rgb expected[8] = {{}, {}, {}, kBlue, kRed, {}, {}, {}};
    for (int x = 0; x < 8; ++x) EXPECT_THAT(colour_at(*target, x, 0), LooksLike(expected[x])) << x;
}

TEST_F(JpegCodecTest, LoadingBitsAndHalvingWorkOnARealPhoto) {
    FakePlatform fake;
    Platform platform{fake.console, fake.system, fake.fault, fake.speech, fake.printers, codec_, fake.windows, fake.fonts};
    const std::string exif = test::make_exif({.orientation = 8});
    std::string bits = LI_CARIC(platform, jpeg("q.jpg", {.width = 64, .height = 48, .exif = exif}));
    ASSERT_EQ(bits_size(bits), (BitsSize{48, 64}));
    const auto pixel = [&](int x, int y) {
        const std::size_t at = 8 + 4 * (static_cast<std::size_t>(y) * bits_size(bits).width + x);
        return Rgb{static_cast<unsigned char>(bits[at + 2]), static_cast<unsigned char>(bits[at + 1]),
                   static_cast<unsigned char>(bits[at])};
    };
    EXPECT_THAT(pixel(4, 4), LooksLike(kGreen));
    LI_DIMEZ(platform, bits);
    ASSERT_EQ(bits_size(bits), (BitsSize{24, 32}));
    EXPECT_THAT(pixel(2, 2), LooksLike(kGreen));
    EXPECT_THAT(pixel(21, 29), LooksLike(kBlue));
    EXPECT_EQ(LI_CARIC(platform, photo("bad.jpg", "nope")), "");
}

}  // namespace
}  // namespace posteri
