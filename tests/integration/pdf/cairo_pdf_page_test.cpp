// SPDX-License-Identifier: GPL-3.0-or-later
// A PDF page on sheets of any resolution, checked on the file it writes with poppler.
#include "platform/pdf/cairo_pdf_page.h"

#include <gtest/gtest.h>

#include "support/pdf_test_support.h"

namespace posteri {
namespace {

using namespace posteri::testing;

struct DrawnWord {
    TextExtent extent;  // as measured, in device pixels
    WordBox box;        // as drawn, in points on paper
};

// Draws one word at (1 inch, 2 inches) on an A4 sheet at the given resolutions.
DrawnWord draw_word(int dpi_x, int dpi_y, const std::string& word) {
    const int width = 4961 * dpi_x / 600;
    const int height = 7016 * dpi_y / 600;
    std::string bytes;
    PdfPage page(SheetMetrics{width, height, 0, 0, width, height, dpi_x, dpi_y}, "risoluzione",
                 [&bytes](const unsigned char* data, unsigned int length) {
                     bytes.append(reinterpret_cast<const char*>(data), length);
                 });
    page.select_font("DejaVu Sans", 48, true);
    DrawnWord drawn;
    drawn.extent = page.text_extent(word);
    page.move_to({dpi_x, 2 * dpi_y});
    page.draw_text(word);
    EXPECT_EQ(page.current_position(), (DevicePoint{dpi_x + drawn.extent.width, 2 * dpi_y}));
    EXPECT_TRUE(page.finish());
    const fs::path pdf = fs::temp_directory_path() / ("posteri-page-" + std::to_string(::getpid()) + ".pdf");
    std::ofstream(pdf, std::ios::binary) << bytes;
    const std::vector<WordBox> words = word_boxes(pdf);
    fs::remove(pdf);
    EXPECT_EQ(words.size(), 1u);
    if (!words.empty()) drawn.box = words.front();
    return drawn;
}

// Whatever the two resolutions, a text has one shape on paper, and its measured extent is the
// room it takes there.
TEST(PdfPageText, KeepsItsShapeOnPaperWhenTheResolutionsDiffer) {
    const DrawnWord square = draw_word(600, 600, "Poster");
    for (const auto& [dpi_x, dpi_y] : {std::pair{600, 1200}, std::pair{1200, 600}, std::pair{300, 600}}) {
        const DrawnWord word = draw_word(dpi_x, dpi_y, "Poster");
        const std::string at = std::to_string(dpi_x) + " x " + std::to_string(dpi_y) + " dpi";
        // The em is 48 points on paper: round(48 × dpi_y / 72) vertical device pixels.
        EXPECT_NEAR(word.extent.width * 72.0 / dpi_x, square.extent.width * 72.0 / 600, 0.3) << at;
        EXPECT_NEAR(word.extent.height * 72.0 / dpi_y, square.extent.height * 72.0 / 600, 0.3) << at;
        EXPECT_NEAR(word.box.x_max - word.box.x_min, word.extent.width * 72.0 / dpi_x, 0.5) << at;
        EXPECT_NEAR(word.box.y_max - word.box.y_min, square.box.y_max - square.box.y_min, 0.3) << at;
        EXPECT_NEAR(word.box.x_min, 72, 0.5) << at;
        EXPECT_NEAR(word.box.y_min, square.box.y_min, 0.3) << at;
    }
}

// A text's height is the face's usWinAscent + usWinDescent at the em, whatever the text: the values
// are those of the font files' OS/2 tables. At 72 points on a sheet of as many dots per inch as the
// face has units per em, the em is those units.
TEST(PdfPageText, HeightIsTheFacesWindowsCellAtTheEm) {
    struct Face {
        const char* name;
        int units_per_em;
        int win_ascent;
        int win_descent;
    };
    for (const Face& face : {Face{"Nimbus Roman", 1000, 1044, 341}, Face{"URW Gothic", 1000, 1083, 279},
                             Face{"DejaVu Sans", 2048, 1901, 483}}) {
        const int dpi = face.units_per_em;
        PdfPage page(SheetMetrics{10 * dpi, 10 * dpi, 0, 0, 10 * dpi, 10 * dpi, dpi, dpi}, "altezza",
                     [](const unsigned char*, unsigned int) {});
        page.select_font(face.name, 72, true);
        for (const char* text : {"\xC8\xC0\xD9", "a", ""})
            EXPECT_EQ(page.text_extent(text).height, face.win_ascent + face.win_descent) << face.name << " " << text;
    }
}

}  // namespace
}  // namespace posteri
