// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in printers that print a big sheet on A4 or A3 sheets: listed and measured as their big
// sheet, their sheets joined giving back the whole page, the photo embedded once for all of them.
#include "integration/pdf/builtin_printers_fixture.h"

namespace posteri {
namespace {

using namespace posteri::testing;

struct TilingPrinter {
    const char* name;
    const char* whole;  // the printer of the same big sheet in one piece
    const char* size;   // the big sheet as the printer list shows it
};

constexpr TilingPrinter kTilingPrinters[] = {
    {"pdfcreator A0 su A4", "pdfcreator A0", "84.1 x 118.9 cm"},
    {"pdfcreator A1 su A4", "pdfcreator A1", "59.4 x 84.1 cm"},
    {"pdfcreator A2 su A4", "pdfcreator A2", "42.0 x 59.4 cm"},
    {"pdfcreator A0 su A3", "pdfcreator A0", "84.1 x 118.9 cm"},
    {"pdfcreator A1 su A3", "pdfcreator A1", "59.4 x 84.1 cm"},
};

TEST_F(BuiltinPdfPrintersTest, TilingPrintersAreListedAndMeasuredAsTheirBigSheet) {
    BatchPlatform batch(printers_);
    const std::vector<std::string> listed = printer_list(batch.platform);
    for (const TilingPrinter& printer : kTilingPrinters) {
        SCOPED_TRACE(printer.name);
        EXPECT_NE(std::find(listed.begin(), listed.end(), std::string(printer.name) + "\t" + printer.size),
                  listed.end());
        const std::string entry = FUN_PROP(batch.platform, printer.name);
        const std::string whole_entry = FUN_PROP(batch.platform, printer.whole);
        EXPECT_EQ(entry.rfind(printer.name, 0), 0u) << entry;
        EXPECT_EQ(entry.substr(entry.find(',')), whole_entry.substr(whole_entry.find(',')));
        for (const PageOrientation orientation : {PageOrientation::Portrait, PageOrientation::Landscape}) {
            ASSERT_EQ(printers_.attach(printer.whole, "intero"), 0);
            printers_.set_orientation(orientation);
            const SheetMetrics whole = printers_.metrics();
            ASSERT_EQ(printers_.attach(printer.name, "a fogli"), 0);
            printers_.set_orientation(orientation);
            EXPECT_EQ(printers_.metrics(), whole);
        }
    }
    printers_.release();
}

struct PdfPages {
    int count = 0;
    double width = 0;  // points
    double height = 0;
};

PdfPages pages_of(const fs::path& pdf) {
    const std::string info = run("pdfinfo " + quoted(pdf)).output;
    PdfPages pages;
    std::sscanf(info.c_str() + info.find("Pages:"), "Pages: %d", &pages.count);
    std::sscanf(info.c_str() + info.find("Page size:"), "Page size: %lf x %lf", &pages.width, &pages.height);
    return pages;
}

// Each page's label "riga r, colonna c (di R × C)" as "r c R C".
std::vector<std::string> sheet_labels(const fs::path& pdf) {
    std::istringstream text(run("pdftotext " + quoted(pdf) + " -").output);
    std::vector<std::string> labels;
    std::string page;
    while (std::getline(text, page, '\f')) {
        int numbers[4] = {};
        const std::size_t at = page.find("riga ");
        if (at == std::string::npos ||
            std::sscanf(page.c_str() + at, "riga %d, colonna %d (di %d \xC3\x97 %d)", &numbers[0],
                        &numbers[1], &numbers[2], &numbers[3]) != 4)
            continue;
        labels.push_back(std::to_string(numbers[0]) + " " + std::to_string(numbers[1]) + " " +
                         std::to_string(numbers[2]) + " " + std::to_string(numbers[3]));
    }
    return labels;
}

constexpr int kWallDpi = 50;
constexpr double kPixelsPerPoint = kWallDpi / 72.0;
constexpr double kPointsPerMm = 72 / 25.4;
constexpr Rgb kUncovered{255, 0, 255};

void put(Picture& picture, int x, int y, const Rgb& colour) {
    const std::size_t i = (static_cast<std::size_t>(y) * picture.width + x) * 3;
    for (int c = 0; c < 3; ++c) picture.pixels[i + c] = static_cast<char>(colour[c]);
}

// The sheets laid on the wall at kWallDpi, in reading order: each sheet's part, inside its 10 mm
// border, goes where it belongs on the big page; the parts overlap by 10 mm and the last ones end
// with the page. Where parts meet, a pixel is taken from a part that holds all of it, not from one
// whose cut runs through it. A pixel of the page that no part covers stays magenta. Counts on
// `ink_at_edges` what is printed within 4.5 mm of a sheet's edge.
Picture joined_sheets(const fs::path& tiled, const PdfPages& sheet, int rows, int columns,
                      const PdfPages& page, int wall_width, int wall_height, int& ink_at_edges) {
    const double border = 10 * kPointsPerMm;
    const double part_width = sheet.width - 2 * border;
    const double part_height = sheet.height - 2 * border;
    const int edge = static_cast<int>(4.5 * kPointsPerMm * kPixelsPerPoint);
    Picture wall{wall_width, wall_height,
                 std::string(static_cast<std::size_t>(wall_width) * wall_height * 3, '\xFF')};
    for (int y = 0; (y + 0.5) / kPixelsPerPoint < page.height; ++y) {
        for (int x = 0; (x + 0.5) / kPixelsPerPoint < page.width; ++x) put(wall, x, y, kUncovered);
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const Picture paper =
                render(tiled, kWallDpi, 0, 0, 2000, 2000, row * columns + column + 1, false);
            for (int y = 0; y < paper.height; ++y) {
                for (int x = 0; x < paper.width; ++x) {
                    const bool at_edge = std::min({x, y, paper.width - 1 - x, paper.height - 1 - y}) < edge;
                    ink_at_edges += at_edge && !near(paper.at(x, y), kWhite, 5) ? 1 : 0;
                }
            }
            const double left = column * (part_width - 10 * kPointsPerMm);
            const double top = row * (part_height - 10 * kPointsPerMm);
            const double right = std::min(left + part_width, page.width);
            const double bottom = std::min(top + part_height, page.height);
            const double pixel = 1 / kPixelsPerPoint;
            const double first_x = column > 0 ? left + pixel : left;
            const double last_x = column < columns - 1 ? right - pixel : right;
            const double first_y = row > 0 ? top + pixel : top;
            const double last_y = row < rows - 1 ? bottom - pixel : bottom;
            for (int y = 0; y < wall_height; ++y) {
                const double centre_y = (y + 0.5) / kPixelsPerPoint;
                if (centre_y < first_y || centre_y >= last_y) continue;
                for (int x = 0; x < wall_width; ++x) {
                    const double centre_x = (x + 0.5) / kPixelsPerPoint;
                    if (centre_x < first_x || centre_x >= last_x) continue;
                    put(wall, x, y,
                        paper.at(static_cast<int>((centre_x - left + border) * kPixelsPerPoint),
                                 static_cast<int>((centre_y - top + border) * kPixelsPerPoint)));
                }
            }
        }
    }
    return wall;
}

// Pixels of `joined` whose colour lies outside what `whole` shows within one pixel of the same place.
int pixels_off_by_more_than_one(const Picture& joined, const Picture& whole) {
    constexpr int kTolerance = 8;
    int off = 0;
    for (int y = 0; y < joined.height; ++y) {
        for (int x = 0; x < joined.width; ++x) {
            Rgb lowest{255, 255, 255};
            Rgb highest{0, 0, 0};
            for (int ny = std::max(0, y - 1); ny <= std::min(whole.height - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(whole.width - 1, x + 1); ++nx) {
                    for (int c = 0; c < 3; ++c) {
                        lowest[c] = std::min(lowest[c], whole.at(nx, ny)[c]);
                        highest[c] = std::max(highest[c], whole.at(nx, ny)[c]);
                    }
                }
            }
            const Rgb colour = joined.at(x, y);
            bool outside = false;
            for (int c = 0; c < 3; ++c)
                outside =
                    outside || colour[c] < lowest[c] - kTolerance || colour[c] > highest[c] + kTolerance;
            off += outside ? 1 : 0;
        }
    }
    return off;
}

// Sheets upright or turned, whichever needs fewer, each labelled with its place in reading order;
// joined by their overlap they give back the page of the printer that prints the big sheet whole,
// and nothing is printed near a sheet's edge.
TEST_F(BuiltinPdfPrintersTest, TiledSheetsJoinedByTheirOverlapRebuildTheWholePage) {
    struct Case {
        const char* printer;
        bool wide_photo;
        int rows;
        int columns;
        bool turned_sheets;
    };
    const fs::path wide = quadrant_photo(dir_, true);
    const fs::path tall = quadrant_photo(dir_, false);
    for (const Case& c :
         {Case{"pdfcreator A0 su A4", false, 5, 5, false}, Case{"pdfcreator A0 su A4", true, 5, 5, true},
          Case{"pdfcreator A1 su A4", true, 3, 5, false}, Case{"pdfcreator A2 su A4", false, 4, 2, true},
          Case{"pdfcreator A0 su A3", true, 3, 5, false}, Case{"pdfcreator A1 su A3", false, 4, 2, true}}) {
        SCOPED_TRACE(std::string(c.printer) + (c.wide_photo ? ", wide photo" : ", tall photo"));
        const fs::path tiled = print_poster(printers_, c.wide_photo ? wide : tall, c.printer);
        const fs::path whole =
            print_poster(printers_, c.wide_photo ? wide : tall, std::string(c.printer).substr(0, 13));
        const PdfPages sheets = pages_of(tiled);
        const bool on_a4 = std::string(c.printer).ends_with("A4");
        EXPECT_NEAR(c.turned_sheets ? sheets.height : sheets.width, on_a4 ? 595.28 : 841.89, 0.01);
        EXPECT_NEAR(c.turned_sheets ? sheets.width : sheets.height, on_a4 ? 841.89 : 1190.55, 0.01);
        std::vector<std::string> reading_order;
        for (int i = 0; i < c.rows * c.columns; ++i) {
            reading_order.push_back(std::to_string(i / c.columns + 1) + " " +
                                    std::to_string(i % c.columns + 1) + " " + std::to_string(c.rows) + " " +
                                    std::to_string(c.columns));
        }
        ASSERT_EQ(sheets.count, c.rows * c.columns);
        EXPECT_EQ(sheet_labels(tiled), reading_order);

        const Picture expected = render(whole, kWallDpi, 0, 0, 3000, 3000, 1, false);
        int ink_at_edges = 0;
        const Picture joined = joined_sheets(tiled, sheets, c.rows, c.columns, pages_of(whole),
                                             expected.width, expected.height, ink_at_edges);
        EXPECT_EQ(pixels_off_by_more_than_one(joined, expected), 0);
        EXPECT_EQ(ink_at_edges, 0) << "a home printer's edge stays blank";
    }
}

// A photo of camera-like grain, too big to be embedded twice within the allowance.
fs::path grainy_photo(const fs::path& folder) {
    test::JpegSpec recipe;
    recipe.width = 800;
    recipe.height = 600;
    recipe.pixel = [](int x, int y) {
        const unsigned h =
            (static_cast<unsigned>(x) * 0x9E3779B1u) ^ (static_cast<unsigned>(y) * 0x85EBCA77u);
        const int grain = static_cast<int>((h ^ (h >> 15)) % 64);
        return test::Rgb{120 + grain, 90 + grain, 60 + grain};
    };
    const fs::path file = folder / "grana.jpg";
    test::write_file(file.string(), test::make_jpeg(recipe));
    return file;
}

TEST_F(BuiltinPdfPrintersTest, TiledSheetsShareThePhotoEmbeddedOnceAndKeepTheTextAsText) {
    const fs::path photo = grainy_photo(dir_);
    ASSERT_GT(fs::file_size(photo), 100u << 10);
    for (const TilingPrinter& printer : kTilingPrinters) {
        SCOPED_TRACE(printer.name);
        const fs::path tiled = print_poster(printers_, photo, printer.name);
        const fs::path whole = print_poster(printers_, photo, printer.whole);
        EXPECT_LE(fs::file_size(tiled), fs::file_size(whole) + (100u << 10));
        const std::vector<ImageRow> rows = image_rows(tiled);
        ASSERT_FALSE(rows.empty());
        for (const ImageRow& row : rows) {
            EXPECT_EQ(row.object, rows.front().object);
            EXPECT_EQ(row.size_and_coding, "800 x 600 jpeg");
        }
        EXPECT_NE(run("pdftotext " + quoted(tiled) + " -").output.find("MAXI_STAMPA"), std::string::npos);
        const std::string fonts = run("pdffonts " + quoted(tiled)).output;
        EXPECT_EQ(fonts.find(" no "), std::string::npos) << "every font embedded:\n" << fonts;
        EXPECT_EQ(run("qpdf --check " + quoted(tiled) + " >/dev/null").status, 0);
    }
}

}  // namespace
}  // namespace posteri
