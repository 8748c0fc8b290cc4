// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jpeg_structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/test_photos.h"

namespace posteri {
namespace {

using test::Coding;
using test::Colours;
using test::JpegSpec;

const std::string kEndOfImage("\xFF\xD9", 2);

// Where the first `marker` (0xFF and its code) stands at or after `from`; the tests' photos hold no
// 0xFF byte in their tables, so the first match is the marker itself.
std::size_t marker_at(const std::string& bytes, unsigned char code, std::size_t from = 0) {
    const std::size_t at = bytes.find(std::string{'\xFF', static_cast<char>(code)}, from);
    EXPECT_NE(at, std::string::npos) << "no marker " << std::hex << static_cast<int>(code);
    return at;
}

// Where the entropy-coded data of the first scan starts: after the SOS segment.
std::size_t first_scan_data(const std::string& bytes) {
    const std::size_t scan = marker_at(bytes, 0xDA);
    const std::size_t length =
        static_cast<unsigned char>(bytes[scan + 2]) << 8 | static_cast<unsigned char>(bytes[scan + 3]);
    return scan + 2 + length;
}

// A place in the middle of the first scan's data that does not follow 0xFF, so that bytes put
// there stand between two whole data bytes.
std::size_t inside_scan_data(const std::string& bytes) {
    std::size_t at = (first_scan_data(bytes) + bytes.size()) / 2;
    while (bytes[at - 1] == '\xFF') ++at;
    return at;
}

std::size_t last_restart(const std::string& bytes) {
    std::size_t last = 0;
    for (int code = 0xD0; code <= 0xD7; ++code) {
        const std::size_t at = bytes.rfind(std::string{'\xFF', static_cast<char>(code)});
        if (at != std::string::npos) last = std::max(last, at);
    }
    EXPECT_GT(last, first_scan_data(bytes));
    return last;
}

std::string with_inserted(std::string bytes, std::size_t at, const std::string& inserted) {
    return bytes.insert(at, inserted);
}

const std::string& restart_photo() {
    static const std::string photo = test::make_jpeg({.width = 61, .height = 45, .restart_interval = 1});
    return photo;
}

TEST(JpegStructureTest, WholePhotosOfEveryCodingPass) {
    for (const JpegSpec& recipe :
         {JpegSpec{.width = 61, .height = 45}, JpegSpec{.width = 61, .height = 45, .colours = Colours::Gray},
          JpegSpec{.width = 61, .height = 45, .coding = Coding::Progressive},
          JpegSpec{.width = 61, .height = 45, .coding = Coding::Progressive, .restart_interval = 1},
          JpegSpec{.width = 61,
          .height = 45,
          .coding = Coding::Progressive,
          .colours = Colours::Gray,
          .restart_interval = 3},
          JpegSpec{.width = 61, .height = 45, .restart_interval = 2},
          JpegSpec{.width = 61, .height = 45, .coding = Coding::Arithmetic},
          JpegSpec{.width = 1, .height = 1}, JpegSpec{.width = 3000, .height = 9, .restart_interval = 7}}) {
        SCOPED_TRACE(testing::Message()
                     << recipe.width << "x" << recipe.height << " coding " << static_cast<int>(recipe.coding)
                     << " restarts " << recipe.restart_interval);
        EXPECT_TRUE(jpeg_structure_is_whole(test::make_jpeg(recipe)));
    }
}

TEST(JpegStructureTest, ProgressivePhotoOfManyScansPasses) {
    const std::string progressive =
        test::make_jpeg({.width = 61, .height = 45, .coding = Coding::Progressive});
    const std::size_t second_scan = marker_at(progressive, 0xDA, first_scan_data(progressive));
    ASSERT_NE(progressive.find("\xFF\xDA", second_scan + 2), std::string::npos);
    EXPECT_TRUE(jpeg_structure_is_whole(progressive));
    EXPECT_FALSE(jpeg_structure_is_whole(progressive.substr(0, second_scan)));
}

TEST(JpegStructureTest, BytesAfterEndOfImageAreIgnored) {
    const std::string whole = test::make_jpeg({});
    EXPECT_TRUE(jpeg_structure_is_whole(whole + std::string(100, '\0')));
    EXPECT_TRUE(jpeg_structure_is_whole(whole + "\xFF\xD8 trailing text"));
}

TEST(JpegStructureTest, CutShortAnywhereFails) {
    for (const std::string& whole :
         {test::make_jpeg({.width = 61, .height = 45}), restart_photo(),
          test::make_jpeg({.width = 61, .height = 45, .coding = Coding::Progressive})}) {
        const std::size_t data = first_scan_data(whole);
        for (const std::size_t length :
             {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{7}, marker_at(whole, 0xDB) + 5,
              data - 1, data, data + 10, (data + whole.size()) / 2, whole.size() - 2, whole.size() - 1}) {
            SCOPED_TRACE(length);
            EXPECT_FALSE(jpeg_structure_is_whole(whole.substr(0, length)));
        }
    }
}

TEST(JpegStructureTest, DataWithoutEndOfImageFails) {
    const std::string whole = test::make_jpeg({});
    const std::string without = whole.substr(0, whole.size() - 2);
    EXPECT_FALSE(jpeg_structure_is_whole(without));
    EXPECT_FALSE(jpeg_structure_is_whole(without + std::string(64, '\0')));
    EXPECT_FALSE(jpeg_structure_is_whole(without + "\xFF\xC4"));
}

TEST(JpegStructureTest, StrayMarkerInsideEntropyCodedDataFails) {
    const std::string whole = test::make_jpeg({.width = 61, .height = 45});
    const std::size_t inside = inside_scan_data(whole);
    for (const std::string& stray :
         {std::string("\xFF\xD8", 2), std::string("\xFF\x12", 2), std::string("\xFF\xD0", 2),
          std::string("\xFF\xFF\x00", 3), std::string("\xFF\x01", 2), std::string("\xFF\xC0", 2)}) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(stray[1])));
        EXPECT_FALSE(jpeg_structure_is_whole(with_inserted(whole, inside, stray)));
    }
    EXPECT_TRUE(jpeg_structure_is_whole(with_inserted(whole, inside, std::string("\xFF\x00", 2))));
}

TEST(JpegStructureTest, RestartMarkersMustComeInCyclicOrder) {
    const std::string& whole = restart_photo();
    std::string swapped = whole;
    swapped[marker_at(whole, 0xD1, first_scan_data(whole)) + 1] = '\xD3';
    EXPECT_FALSE(jpeg_structure_is_whole(swapped));
    std::string restarted = whole;
    restarted[marker_at(whole, 0xD2, first_scan_data(whole)) + 1] = '\xD0';
    EXPECT_FALSE(jpeg_structure_is_whole(restarted));
}

TEST(JpegStructureTest, FewerRestartsThanTheMcusNeedFails) {
    const std::string& whole = restart_photo();
    // The data cut before its last restart marker and closed with EOI: the order still holds, the
    // count does not.
    EXPECT_FALSE(jpeg_structure_is_whole(whole.substr(0, last_restart(whole)) + kEndOfImage));
    EXPECT_FALSE(jpeg_structure_is_whole(whole.substr(0, marker_at(whole, 0xD0, first_scan_data(whole))) +
                                         kEndOfImage));
}

TEST(JpegStructureTest, FillBytesMayPrecedeMarkers) {
    const std::string& whole = restart_photo();
    EXPECT_TRUE(jpeg_structure_is_whole(with_inserted(whole, marker_at(whole, 0xDB), "\xFF\xFF")));
    EXPECT_TRUE(jpeg_structure_is_whole(
        with_inserted(whole, marker_at(whole, 0xD1, first_scan_data(whole)), "\xFF")));
    EXPECT_TRUE(jpeg_structure_is_whole(with_inserted(whole, whole.size() - 2, "\xFF\xFF\xFF")));
}

TEST(JpegStructureTest, SegmentLengthOutsideItsBoundsFails) {
    const std::string whole = test::make_jpeg({});
    const std::size_t table = marker_at(whole, 0xDB);
    for (const unsigned length : {0u, 1u, 0xFFFFu}) {
        SCOPED_TRACE(length);
        std::string bad = whole;
        bad[table + 2] = static_cast<char>(length >> 8);
        bad[table + 3] = static_cast<char>(length & 0xFF);
        EXPECT_FALSE(jpeg_structure_is_whole(bad));
    }
    std::string longer = whole;
    ++longer[table + 3];  // the table then swallows the next marker's first byte
    EXPECT_FALSE(jpeg_structure_is_whole(longer));
}

TEST(JpegStructureTest, FrameAndScanAreRequired) {
    const std::string whole = test::make_jpeg({});
    const std::size_t frame = marker_at(whole, 0xC0);
    const std::size_t after_frame = marker_at(whole, 0xC4, frame);
    EXPECT_FALSE(jpeg_structure_is_whole(whole.substr(0, frame) + whole.substr(after_frame)));
    EXPECT_FALSE(jpeg_structure_is_whole(whole.substr(0, marker_at(whole, 0xDA)) + kEndOfImage));
    EXPECT_FALSE(
        jpeg_structure_is_whole(with_inserted(whole, after_frame, whole.substr(frame, after_frame - frame))));
}

TEST(JpegStructureTest, LosslessAndHierarchicalFramesFail) {
    const std::string whole = test::make_jpeg({});
    for (const char code : {'\xC3', '\xC5', '\xCB', '\xDE'}) {
        std::string other = whole;
        other[marker_at(whole, 0xC0) + 1] = code;
        EXPECT_FALSE(jpeg_structure_is_whole(other));
    }
}

TEST(JpegStructureTest, NumberOfLinesMayOnlyFollowAScan) {
    const std::string whole = test::make_jpeg({});
    const std::string lines("\xFF\xDC\x00\x04\x00\x30", 6);
    EXPECT_TRUE(jpeg_structure_is_whole(with_inserted(whole, whole.size() - 2, lines)));
    EXPECT_FALSE(jpeg_structure_is_whole(with_inserted(whole, marker_at(whole, 0xDA), lines)));
}

}  // namespace
}  // namespace posteri
