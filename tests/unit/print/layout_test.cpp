// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace posteri {
namespace {

// 254 dpi makes exactly 100 dots per cm, so the expected pixels are easy to read.
const SheetMetrics kSheet100{2100, 2970, 0, 0, 2100, 2970, 254, 254};
const SheetMetrics kA4{4961, 7016, 0, 0, 4961, 7016, 600, 600};

// Width = characters × points, height = 3 × points, like a plain monospaced face.
TextExtent plain_measure(std::string_view, int points, bool, std::string_view text) {
    return {static_cast<int>(text.size()) * points, 3 * points};
}

PosterSettings poster(float px, float py, float width, float height) {
    PosterSettings settings{};
    settings.px_cm = px;
    settings.py_cm = py;
    settings.larghezza_cm = width;
    settings.altezza_cm = height;
    settings.foglio_larghezza_cm = 21.0f;
    settings.foglio_altezza_cm = 29.7f;
    settings.punti_cm = 100.0f;
    settings.altezza_testo_cm = std::fabs(height);
    settings.nomefont = "Serif";
    settings.testo1 = "  Titolo  ";
    settings.testo2 = "Autore";
    settings.testo3 = "2017";
    return settings;
}

TEST(EffectiveBox, NegativeSizesAreMarginsAndOtherSizesStay) {
    PosterSettings settings = poster(3.2f, 3.2f, -3.2f, -5.8f);
    settings.foglio_larghezza_cm = 19.6f;
    settings.foglio_altezza_cm = 28.4f;
    EXPECT_FLOAT_EQ(effective_box(settings).width_cm, 13.2f);
    EXPECT_FLOAT_EQ(effective_box(settings).height_cm, 19.4f);
    EXPECT_EQ(effective_box(poster(3.2f, 3.2f, 15, 20)), (EffectiveBox{15, 20}));
    EXPECT_EQ(effective_box(poster(3.2f, 3.2f, 0, 0)), (EffectiveBox{0, 0}));
}

TEST(PhotoBox, PositionSizeAndTheShiftToTheDeviceCorner) {
    const PhotoBox box = photo_box(kSheet100, 3.2f, 4.5f, 15, 20, false);
    EXPECT_EQ(box.width_px, 1500);
    EXPECT_EQ(box.height_px, 2000);
    EXPECT_NEAR(box.x0, 320, 1e-3);
    EXPECT_NEAR(box.y0, 450, 1e-3);

    const SheetMetrics with_margins{2100, 2970, 40, 60, 2020, 2850, 254, 254};
    const PhotoBox shifted = photo_box(with_margins, 3.2f, 4.5f, 15, 20, false);
    EXPECT_NEAR(shifted.x0, 280, 1e-3);
    EXPECT_NEAR(shifted.y0, 390, 1e-3);
}

TEST(PhotoBox, ZeroSizeSpansTheWholePhysicalSheet) {
    const PhotoBox box = photo_box(kA4, 0, 0, 0, 0, false);
    EXPECT_EQ(box.width_px, 4961);
    EXPECT_EQ(box.height_px, 7016);
}

TEST(PhotoBox, AutocentreIgnoresTheEnteredPosition) {
    const PhotoBox box = photo_box(kSheet100, 9.0f, 9.0f, 15, 20, true);
    EXPECT_FLOAT_EQ(box.x_cm, 3.0f);
    EXPECT_FLOAT_EQ(box.y_cm, 4.85f);
    EXPECT_NEAR(box.x0, 300, 1e-3);
}

struct FitCase {
    const char* name;
    int fits;
    PhotoSize photo;
    int box_w, box_h;
    PixelRect source;
    DeviceRect destination;
};

void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class PlacePhoto : public ::testing::TestWithParam<FitCase> {};

TEST_P(PlacePhoto, SourceAndDestinationCorners) {
    const FitCase& c = GetParam();
    PhotoBox box;
    box.width_px = c.box_w;
    box.height_px = c.box_h;
    box.x0 = 50;
    box.y0 = 70;
    const auto placement = place_photo(box, c.fits, c.photo);
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->source, c.source);
    EXPECT_NEAR(placement->destination.x1, c.destination.x1, 1e-3);
    EXPECT_NEAR(placement->destination.y1, c.destination.y1, 1e-3);
    EXPECT_NEAR(placement->destination.x2, c.destination.x2, 1e-3);
    EXPECT_NEAR(placement->destination.y2, c.destination.y2, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    FitModes, PlacePhoto,
    ::testing::Values(
        FitCase{"HeightKeptWidthUnbounded",
                0,
                {4000, 3000},
                1000,
                1000,
                {0, 0, 3999, 2999},
                {50, 70, 50 + 4000.0 * 1000 / 3000, 1070}},
        FitCase{"Stretched", 1, {4000, 3000}, 1000, 1000, {0, 0, 3999, 2999}, {50, 70, 1050, 1070}},
        FitCase{
            "InsideLandscapePhoto", 2, {4000, 3000}, 1000, 1000, {0, 0, 3999, 2999}, {50, 195, 1050, 945}},
        FitCase{"InsidePortraitPhoto", 2, {3000, 4000}, 1000, 1000, {0, 0, 2999, 3999}, {175, 70, 925, 1070}},
        // A 20 x 10 cm box at 600 dpi: off_x = round((4724 - 2362 / r) / 2) = round(590.50005), which a
        // drawn width rounded to single (3543) would make 590.5 and then 590.
        FitCase{"InsideKeepsTheDrawnWidthUnrounded",
                2,
                {3000, 2000},
                4724,
                2362,
                {0, 0, 2999, 1999},
                {50 + 591, 70, 50 + 591 + 2362 / static_cast<double>(2.0f / 3.0f), 70 + 2362}},
        FitCase{"CutLandscapePhoto", 3, {4000, 3000}, 1000, 1000, {500, 0, 3499, 2999}, {50, 70, 1050, 1070}},
        FitCase{"CutPortraitPhoto", 3, {3000, 4000}, 1000, 1000, {0, 500, 2999, 3499}, {50, 70, 1050, 1070}},
        FitCase{
            "CutEqualShapesKeepsAll", 3, {4000, 3000}, 1000, 750, {0, 0, 3999, 2999}, {50, 70, 1050, 820}},
        // Cuts worked out by hand: (1005 - 1000) / 2 = 2.5 gives 2, (1007 - 1000) / 2 = 3.5 gives 4,
        // (1000 - 9946 * 1000 / 10000) / 2 = 2.7 gives 3; across and down.
        FitCase{"CutHalfEvenAcross", 3, {1005, 1000}, 1000, 1000, {2, 0, 1002, 999}, {50, 70, 1050, 1070}},
        FitCase{"CutHalfOddAcross", 3, {1007, 1000}, 1000, 1000, {4, 0, 1002, 999}, {50, 70, 1050, 1070}},
        FitCase{"CutPointSevenAcross", 3, {1000, 1000}, 9946, 10000, {3, 0, 996, 999}, {50, 70, 9996, 10070}},
        FitCase{"CutHalfEvenDown", 3, {1000, 1005}, 1000, 1000, {0, 2, 999, 1002}, {50, 70, 1050, 1070}},
        FitCase{"CutHalfOddDown", 3, {1000, 1007}, 1000, 1000, {0, 4, 999, 1002}, {50, 70, 1050, 1070}},
        FitCase{"CutPointSevenDown", 3, {1000, 1000}, 10000, 9946, {0, 3, 999, 996}, {50, 70, 10050, 10016}},
        // Negative boxes by the same rules: a far corner before the near one mirrors the photo.
        // Fit 0 ignores the width: 50 + 4000 * 1000 / 3000; and with a negative height 50 - 800.
        FitCase{"NegativeWidthHeightKept", 0, {4000, 3000}, -1000, 1000, {0, 0, 3999, 2999},
                {50, 70, 50 + 4000.0 * 1000 / 3000, 1070}},
        FitCase{"NegativeHeightHeightKept", 0, {4000, 3000}, 1000, -600, {0, 0, 3999, 2999}, {50, 70, -750, -530}},
        FitCase{"NegativeWidthStretched", 1, {4000, 3000}, -1000, 1000, {0, 0, 3999, 2999}, {50, 70, -950, 1070}},
        // -1 < 0.75: dw = 1000 / 0.75, off_x = round((-1000 - 1333.33) / 2) = -1167.
        FitCase{"NegativeWidthInside", 2, {4000, 3000}, -1000, 1000, {0, 0, 3999, 2999},
                {50 - 1167, 70, 50 - 1167 + 1000 / 0.75, 1070}},
        // dw = -1000 / 0.75, off_x = round((1000 + 1333.33) / 2) = 1167.
        FitCase{"NegativeHeightInside", 2, {4000, 3000}, 1000, -1000, {0, 0, 3999, 2999},
                {50 + 1167, 70, 50 + 1167 - 1000 / 0.75, -930}},
        // cut_y = round((3000 + 4000) / 2) = 3500: source (0, 3500) .. (3999, -501), kept on the photo.
        FitCase{"NegativeWidthCut", 3, {4000, 3000}, -1000, 1000, {0, 2999, 3999, 0}, {50, 70, -950, 1070}},
        // Both negative: 1 >= 0.75, cut_x = round((4000 - 3000) / 2) = 500, the photo turned round.
        FitCase{"NegativeBothCut", 3, {4000, 3000}, -1000, -1000, {500, 0, 3499, 2999}, {50, 70, -950, -930}}),
    [](const auto& info) { return std::string(info.param.name); });

// With equal shapes the height follows from the width; a comparison done in double would have
// judged the single-precision 2/3 larger and placed the photo by its height. The drawn height is
// that 2/3 times the width, not rounded back to single.
TEST(PlacePhotoEdges, EqualShapesTakeTheWidthBranchInSinglePrecision) {
    PhotoBox box;
    box.width_px = 600;
    box.height_px = 400;
    const auto placement = place_photo(box, 2, {300, 200});
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->destination.x2, 600.0);
    EXPECT_EQ(placement->destination.y2, static_cast<double>(200.0f / 300.0f) * 600.0);
}

TEST(PlacePhotoEdges, NothingForOtherFitModesOrEmptyPhotos) {
    PhotoBox box;
    box.width_px = 1000;
    box.height_px = 1000;
    EXPECT_FALSE(place_photo(box, 5, {4000, 3000}));
    EXPECT_FALSE(place_photo(box, -1, {4000, 3000}));
    EXPECT_FALSE(place_photo(box, 1, {0, 0}));
}

// The first size from 200 down to 10 whose three sample lines are strictly lower than the band.
int linear_title_size(const PosterSettings& settings, const TextMeasurer& measure) {
    for (int size = 200; size >= 10; --size) {
        if (3.0 * measure("pragmatapro", size, true, "testo").height <
            static_cast<double>(settings.punti_cm) * settings.altezza_testo_cm) {
            return size;
        }
    }
    return 0;
}

TEST(TitleSize, BandEdges) {
    PosterSettings settings = poster(0, 0, 10, 10);
    settings.altezza_testo_cm = 10;  // 1000 pixels: 9 × s < 1000
    EXPECT_EQ(CALCOLAZ(settings, plain_measure), 111);
    settings.altezza_testo_cm = 9;  // exactly 900 at 100 points: strictly lower is 99
    EXPECT_EQ(CALCOLAZ(settings, plain_measure), 99);
    settings.altezza_testo_cm = 0.95f;
    EXPECT_EQ(CALCOLAZ(settings, plain_measure), 10);
    settings.altezza_testo_cm = 0.9f;
    EXPECT_EQ(CALCOLAZ(settings, plain_measure), 0);
    settings.altezza_testo_cm = 500;
    EXPECT_EQ(CALCOLAZ(settings, plain_measure), 200);
}

TEST(TitleSize, SampleIsBoldPragmataproWhateverThePosterUses) {
    std::vector<std::string> asked;
    const TextMeasurer recording = [&](std::string_view face, int points, bool bold, std::string_view text) {
        asked.push_back(std::string(face) + (bold ? " bold " : " ") + std::string(text));
        return plain_measure(face, points, bold, text);
    };
    CALCOLAZ(poster(0, 0, 5.8f, 5.8f), recording);
    for (const std::string& request : asked) EXPECT_EQ(request, "pragmatapro bold testo");
}

// Heights that grow with the size in the ways real faces do: proportional, rounded em heights with
// line spacing, steps, flat stretches.
std::vector<TextMeasurer> growing_measurers() {
    std::vector<TextMeasurer> measurers;
    for (const double factor : {1.0, 2.7, 3.0, 9.72, 40.0}) {
        measurers.push_back([factor](std::string_view, int points, bool, std::string_view) {
            return TextExtent{0, static_cast<int>(std::lround(points * factor))};
        });
    }
    measurers.push_back([](std::string_view, int points, bool, std::string_view) {
        const long em = std::lround(points * 600.0 / 72);
        return TextExtent{0, static_cast<int>(std::lround(em * 1.164))};
    });
    measurers.push_back([](std::string_view, int points, bool, std::string_view) {
        return TextExtent{0, 50 * (points / 17)};
    });
    measurers.push_back([](std::string_view, int points, bool, std::string_view) {
        return TextExtent{0, points < 120 ? 300 : 300 + points};
    });
    return measurers;
}

TEST(TitleSize, SearchGivesTheLinearSearchAnswerWithAtMostTenMeasurements) {
    PosterSettings settings = poster(0, 0, 10, 10);
    for (const float dots : {100.0f, 236.22047f, 47.244095f}) {
        settings.punti_cm = dots;
        for (const TextMeasurer& measure : growing_measurers()) {
            for (int hundredths = 0; hundredths <= 4000; hundredths += 7) {
                settings.altezza_testo_cm = static_cast<float>(hundredths) / 100.0f;
                int measurements = 0;
                const TextMeasurer counting = [&](std::string_view f, int p, bool b, std::string_view t) {
                    ++measurements;
                    return measure(f, p, b, t);
                };
                ASSERT_EQ(CALCOLAZ(settings, counting), linear_title_size(settings, measure))
                    << "band " << settings.altezza_testo_cm << " cm at " << dots << " dots per cm";
                ASSERT_LE(measurements, 10);
            }
        }
    }
}

// Each measurement is a font lookup: text heights, nearly proportional to the size, take about three
// where a bisection takes seven or eight.
TEST(TitleSize, NearlyProportionalHeightsTakeAboutThreeMeasurements) {
    PosterSettings settings = poster(0, 0, 10, 10);
    settings.punti_cm = 600 / 2.54f;
    int measurements = 0, bands = 0;
    const TextMeasurer rounded_em = [&](std::string_view, int points, bool, std::string_view) {
        ++measurements;
        return TextExtent{0, static_cast<int>(std::lround(std::lround(points * 600.0 / 72) * 1.164))};
    };
    for (int millimetres = 10; millimetres <= 150; millimetres += 1, ++bands) {
        settings.altezza_testo_cm = static_cast<float>(millimetres) / 10.0f;
        CALCOLAZ(settings, rounded_em);
    }
    EXPECT_LE(measurements, bands * 3.2);
}

TEST(TextLines, SizesPositionsAndTheLineBelow) {
    PosterSettings settings = poster(3, 3, 10, 10);
    settings.foglio_larghezza_cm = 20;
    const PosterLayout layout = lay_out_poster(settings, kSheet100, std::nullopt, plain_measure);
    // Title 111: 100 and 67 points; heights 333 + 300 + 201 = 834, gap (10 - 8.34) / 2 = 0.83 cm.
    EXPECT_EQ(layout.title_points, 111);
    EXPECT_EQ(layout.lines[0], (TextLine{"Serif", 111, true, "Titolo", 1000 - 666 / 2.0, 1383}));
    EXPECT_EQ(layout.lines[1], (TextLine{"Serif", 100, true, "Autore", 1000 - 600 / 2.0, 1716}));
    EXPECT_EQ(layout.lines[2], (TextLine{"Serif", 67, true, "2017", 1000 - 268 / 2.0, 2016}));
    EXPECT_EQ(layout.y_testo_px, 2217);
    EXPECT_FALSE(layout.photo.has_value());
}

TEST(TextLines, TitleFifteenMakesThirteenAndNine) {
    PosterSettings settings = poster(3, 3, 10, 1.4f);  // 140 pixels: 9 × 15 < 140
    const PosterLayout layout = lay_out_poster(settings, kSheet100, std::nullopt, plain_measure);
    EXPECT_EQ(layout.lines[0].points, 15);
    EXPECT_EQ(layout.lines[1].points, 13);
    EXPECT_EQ(layout.lines[2].points, 9);
}

TEST(TextLines, NoFittingTitleMakesEightPointsAndATooTallBlockStartsAboveTheBand) {
    PosterSettings settings = poster(3, 3, 10, 0.5f);  // 50 pixels: nothing from 10 points up fits
    const PosterLayout layout = lay_out_poster(settings, kSheet100, std::nullopt, plain_measure);
    EXPECT_EQ(layout.title_points, 0);
    for (const TextLine& line : layout.lines) EXPECT_EQ(line.points, 8);
    // 3 × 24 pixels in a 50 pixel band: gap -0.11 cm, so line 1 starts 11 pixels above the band.
    EXPECT_EQ(layout.lines[0].y, 350 - 11);
}

TEST(TextLines, FollowTheEnteredPositionAndTheEffectiveHeight) {
    PosterSettings settings = poster(3.2f, 3.2f, -3.2f, -5.8f);
    settings.autocentra = 1;
    const PosterLayout layout = lay_out_poster(settings, kSheet100, PhotoSize{4000, 3000}, plain_measure);
    // Effective height 29.7 - 3.2 - 5.8 = 20.7 cm; the band is 5.8 cm high.
    const int block = 3 * (layout.lines[0].points + layout.lines[1].points + layout.lines[2].points);
    EXPECT_EQ(layout.lines[0].y, std::lround((20.7 + 3.2 + (5.8 - block / 100.0) / 2) * 100));
    EXPECT_NE(layout.box.y_cm, 3.2f);
    ASSERT_TRUE(layout.photo.has_value());
    EXPECT_EQ(layout.box.width_px, 1460);
}

}  // namespace
}  // namespace posteri
