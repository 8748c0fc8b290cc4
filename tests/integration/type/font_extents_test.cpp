// SPDX-License-Identifier: GPL-3.0-or-later
// Text extents kept for the run and in their file, with the installed fonts of this machine.
#include "platform/type/font_extents.h"
#include "platform/type/fontconfig_font_set.h"
#include "platform/type/harfbuzz_face_extents.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "support/temp_folder.h"

namespace posteri {
namespace {

namespace fs = std::filesystem;

class FontExtentsTest : public ::testing::Test {
  protected:
    // Each text measured as its length by its points; the measurer counts the texts it measures.
    FontExtents extents(const fs::path& file) {
        return FontExtents(
            [this](const std::vector<const FontText*>& texts, const MeasureProgress&) {
                std::vector<TextExtent> extents;
                for (const FontText* text : texts)
                    extents.push_back({static_cast<int>(text->text.size()) * text->font.points, text->font.points});
                measured_ += static_cast<int>(texts.size());
                return extents;
            },
            file.string());
    }
    int measured() { return std::exchange(measured_, 0); }

    // Built one by one: GCC 12 at -O3 takes a braced list of these for uninitialised strings.
    static std::vector<FontText> sample_texts() {
        std::vector<FontText> texts;
        texts.push_back(FontText{FontSpec{"DejaVu Sans", 24, 0}, "DejaVu Sans, ABC"});
        texts.push_back(FontText{FontSpec{"Nimbus Roman", 24, 0}, "Nimbus Roman, ABC"});
        texts.push_back(FontText{FontSpec{"Nimbus Roman", 12, 0}, "Nimbus Roman, ABC"});
        return texts;
    }
    const std::vector<FontText> texts_ = sample_texts();
    const std::vector<TextExtent> expected_{{16 * 24, 24}, {17 * 24, 24}, {17 * 12, 12}};
    TempFolder folder_{"posteri-extents"};
    const fs::path dir_ = folder_.path();
    int measured_ = 0;
};

TEST_F(FontExtentsTest, MeasuresEachTextOnceKeepsItInItsFileAndAgainWhenTheFontsChange) {
    const fs::path file = dir_ / "cache" / "posteri" / "font-extents";
    FontExtents run = extents(file);
    EXPECT_EQ(run.measure(texts_, nullptr), expected_);
    EXPECT_EQ(measured(), 3);
    EXPECT_EQ(run.measure(texts_, nullptr), expected_);
    EXPECT_EQ(measured(), 0) << "kept for the run";
    EXPECT_EQ(extents(file).measure(texts_, nullptr), expected_);
    EXPECT_EQ(measured(), 0) << "kept in the file for the next run";
    EXPECT_EQ(fs::directory_iterator(file.parent_path())->path(), file) << "no temporary file left";

    // A font added to the configuration makes another font set: everything is measured afresh.
    ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(
                                                    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")));
    EXPECT_EQ(run.measure(texts_, nullptr), expected_);
    EXPECT_EQ(measured(), 3);
}

// A cache file of 8 MiB is used; one a byte larger is measured afresh and replaced by a small one.
TEST_F(FontExtentsTest, ACacheFileBeyondItsBoundIsMeasuredAfreshNotRead) {
    constexpr std::size_t kMostCacheBytes = 8 * 1024 * 1024;
    const fs::path file = dir_ / "font-extents";
    extents(file).measure(texts_, nullptr);
    measured();
    std::ifstream in(file, std::ios::binary);
    const std::string kept(std::istreambuf_iterator<char>(in), {});
    for (const std::size_t size : {kMostCacheBytes, kMostCacheBytes + 1}) {
        // One more record: "0 0 N\n" (N of seven digits), N letters and a line end.
        const std::size_t letters = size - kept.size() - 13;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << kept << "0 0 " << letters << '\n'
                                                                << std::string(letters, 'x') << '\n';
        ASSERT_EQ(fs::file_size(file), size);
        EXPECT_EQ(extents(file).measure(texts_, nullptr), expected_);
        EXPECT_EQ(measured(), size > kMostCacheBytes ? 3 : 0) << size;
        EXPECT_EQ(fs::file_size(file) < kMostCacheBytes, size > kMostCacheBytes) << size;
    }
}

// The file is read only when it is a regular file, and replaced whole or not at all: never through
// a link, never onto a pipe, and not when its folder cannot be made. Measuring goes on regardless.
TEST_F(FontExtentsTest, AFileThatCannotBeWrittenSafelyIsLeftAloneAndTheExtentsStillCome) {
    const fs::path pipe = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path target = dir_ / "target";
    std::ofstream(target) << "mine";
    const fs::path link = dir_ / "link";
    fs::create_symlink(target, link);
    std::ofstream(dir_ / "plain") << "a file, no folder";
    for (const fs::path& file : {pipe, link, dir_ / "plain" / "font-extents"}) {
        EXPECT_EQ(extents(file).measure(texts_, nullptr), expected_) << file;
        EXPECT_EQ(measured(), 3) << file;
    }
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    std::ifstream kept(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4) << "no temporary file";
}

// The font window's measure: each text in its own face alone, asked for by its first 31 characters.
// DejaVu Sans Mono has 2048 units per em, a cell of 1901 + 483 and advances of 1233: at an em of 32
// pixels a cell of 37.25 and advances of 19.26 whole pixels.
TEST(FaceExtents, TextsAreMeasuredInTheirOwnFaceAskedForBy31Characters) {
    const std::string cut = "DejaVu Sans Mono" + std::string(15, ' ') + "Oblique X";
    const FontText mono{{"DejaVu Sans Mono", 24, 0}, "Mono, ABC"};
    const FontText long_name{{cut, 24, 0}, "Mono, ABC"};
    const FontText sans{{"DejaVu Sans", 24, 0}, "Mono, ABC"};
    const std::vector<TextExtent> extents =
        measure_faces({&mono, &long_name, &sans}, [](int points) { return points * 4 / 3; }, nullptr);
    EXPECT_EQ(extents[0], (TextExtent{9 * 19, 37}));
    EXPECT_EQ(extents[1], extents[0]);
    EXPECT_NE(extents[2].width, extents[0].width);
}

// Where a face is missing, the help page's "lucida console" is the monospace face.
TEST(FontAliases, LucidaConsoleIsMonospacedWhereItIsMissing) {
    bring_fonts_up_to_date();
    FcPattern* asked = FcNameParse(reinterpret_cast<const FcChar8*>("lucida console"));
    FcConfigSubstitute(nullptr, asked, FcMatchPattern);
    FcDefaultSubstitute(asked);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, asked, &result);
    ASSERT_NE(found, nullptr);
    int spacing = 0;
    EXPECT_EQ(FcPatternGetInteger(found, FC_SPACING, 0, &spacing), FcResultMatch);
    EXPECT_EQ(spacing, FC_MONO);
    FcPatternDestroy(found);
    FcPatternDestroy(asked);
}

}  // namespace
}  // namespace posteri
