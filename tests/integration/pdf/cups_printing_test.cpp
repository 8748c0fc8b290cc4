// SPDX-License-Identifier: GPL-3.0-or-later
// A real print server: the test starts its own cupsd with a cups-pdf queue "PDFCreator", prints
// on it through LinuxPrinters and finds the PDF that cups-pdf wrote.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>
#include <thread>

#include "platform/pdf/linux_printers.h"
#include "support/pdf_test_support.h"
#include "support/test_print_server.h"

namespace posteri {
namespace {

using namespace posteri::testing;

// The queue's sheets, edited into cups-pdf's description: A4 with margins of 10 pt left, 30 pt
// right and top, 20 pt bottom; A3 with 18 pt all round and a borderless twin.
constexpr const char* kSheetEdits =
    R"(-e 's/^\*ImageableArea A4\/A4: .*/*ImageableArea A4\/A4: "10 20 565 812"/' )"
    R"(-e '/^\*\(PageSize\|PageRegion\|PaperDimension\) A3\/A3:/{p;s/A3\/A3/A3.Fullbleed\/A3/}' )"
    R"(-e '/^\*ImageableArea A3\/A3:/{s/: .*/: "18 18 824 1173"/;p;s/A3\/A3: .*/A3.Fullbleed\/A3: "0 0 842 1191"/}')";

constexpr double kDpi = 300;

int pt_pixels(double points) {
    return static_cast<int>(std::lround(points * kDpi / 72));
}

double pixels_mm(double pixels, int dpi) {
    return pixels / dpi * 25.4;
}

// A box on the printed paper in millimetres, from its top-left corner.
struct PaperBox {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// Where the queue puts a rectangle drawn on the page, and where the rectangle's top-left corner
// lands: a landscape page is turned a quarter counterclockwise onto the portrait paper, so its
// top edge runs down the paper's left side.
struct Placement {
    PaperBox box;
    double corner_x = 0, corner_y = 0;
};

Placement on_paper(const SheetMetrics& sheet, const DeviceRect& drawn, PageOrientation orientation) {
    const double x1 = pixels_mm(sheet.offset_x + drawn.x1, sheet.dpi_x);
    const double x2 = pixels_mm(sheet.offset_x + drawn.x2 + 1, sheet.dpi_x);
    const double y1 = pixels_mm(sheet.offset_y + drawn.y1, sheet.dpi_y);
    const double y2 = pixels_mm(sheet.offset_y + drawn.y2 + 1, sheet.dpi_y);
    if (orientation == PageOrientation::Portrait) return {{x1, y1, x2, y2}, x1, y1};
    const double width = pixels_mm(sheet.physical_width, sheet.dpi_x);
    return {{y1, width - x2, y2, width - x1}, y1, width - x1};
}

// The box around everything printed that is not near white.
PaperBox ink_box(const Picture& page, int dpi) {
    int left = page.width, top = page.height, right = -1, bottom = -1;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const Rgb colour = page.at(x, y);
            if (std::min({colour[0], colour[1], colour[2]}) >= 128) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return {pixels_mm(left, dpi), pixels_mm(top, dpi), pixels_mm(right + 1, dpi), pixels_mm(bottom + 1, dpi)};
}

// The first page's size in points, as pdfinfo reports it.
std::pair<double, double> page_points(const fs::path& pdf) {
    const std::string info = run("pdfinfo " + quoted(pdf)).output;
    double width = 0, height = 0;
    const std::size_t at = info.find("Page size:");
    if (at != std::string::npos) std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &width, &height);
    return {width, height};
}

class CupsPrintingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TestPrintServer::installed()) GTEST_SKIP() << "cupsd or cups-pdf is not installed";
        server_ = std::make_unique<TestPrintServer>();
        if (!server_->running()) GTEST_SKIP() << "cupsd cannot start here: " << server_->error_log();
        const fs::path ppd = server_->folder() / "pdfcreator.ppd";
        ASSERT_EQ(run(std::string("sed ") + kSheetEdits + " " + quoted(TestPrintServer::kCupsPdfPpd) + " > " +
                      quoted(ppd))
                      .status,
                  0);
        // Left to itself, the queue fits every page into the printable area.
        ASSERT_TRUE(
            server_->add_queue("PDFCreator", ppd.string(), {"TitlePref=1", "print-scaling-default=fit"}));
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, "PDFCreator", nullptr);
        ASSERT_NE(dest, nullptr);
        const char* scaling = cupsGetOption("print-scaling", dest->num_options, dest->options);
        EXPECT_STREQ(scaling, "fit");
        cupsFreeDests(1, dest);
    }

    void TearDown() override {
        server_.reset();
        for (const fs::path& file : printed_) fs::remove(file);
    }

    // cups-pdf names the file after the job's title, spaces made "_", with the job's number.
    fs::path wait_for_printed(const std::string& title, int job) {
        const fs::path file = fs::path("/root/PDF") / (title + "-job_" + std::to_string(job) + ".pdf");
        printed_.push_back(file);
        for (int tries = 0; tries < 200; ++tries) {
            if (fs::exists(file) && run("qpdf --check " + quoted(file) + " >/dev/null 2>&1").status == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return file;
    }

    std::unique_ptr<TestPrintServer> server_;
    std::vector<fs::path> printed_;
    LinuxPrinters printers_{false};
};

TEST_F(CupsPrintingTest, QueuesFollowTheBuiltInsWithTheirMediaMarginsAndResolution) {
    const std::vector<std::string> names = printers_.list();
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(names[10], "PDFCreator");

    ASSERT_EQ(printers_.attach("PDFCreator", "prova"), 0);
    EXPECT_EQ(printers_.attached_name(), "PDFCreator");
    // A4 (595 × 842 pt) at the queue's 300 dpi: 1 pt is 300 / 72 device pixels.
    const SheetMetrics portrait = printers_.metrics();
    EXPECT_EQ(portrait.dpi_x, 300);
    EXPECT_EQ(portrait.dpi_y, 300);
    EXPECT_NEAR(portrait.physical_width, 2480, 1);
    EXPECT_NEAR(portrait.physical_height, 3508, 1);
    EXPECT_NEAR(portrait.offset_x, 42, 1);            // left 10 pt
    EXPECT_NEAR(portrait.offset_y, 125, 1);           // top 30 pt
    EXPECT_NEAR(portrait.printable_width, 2313, 1);   // 555 pt
    EXPECT_NEAR(portrait.printable_height, 3300, 1);  // 792 pt

    printers_.set_orientation(PageOrientation::Landscape);
    const SheetMetrics landscape = printers_.metrics();
    EXPECT_EQ(landscape.physical_width, portrait.physical_height);
    EXPECT_EQ(landscape.physical_height, portrait.physical_width);
    EXPECT_NEAR(landscape.offset_x, 83, 1);  // the bottom margin, 20 pt, comes to the left
    EXPECT_EQ(landscape.offset_y, portrait.offset_x);
    EXPECT_EQ(landscape.printable_width, portrait.printable_height);
    EXPECT_EQ(landscape.printable_height, portrait.printable_width);
    printers_.release();

    EXPECT_EQ(printers_.attach("NessunaCoda", "prova"), 68);
    EXPECT_EQ(printers_.attached_name(), "");
}

TEST_F(CupsPrintingTest, APrintedPosterKeepsItsTextAndPhotoAndIsTitledWithTheDocumentName) {
    const std::string title = "poster_" + std::to_string(::getpid());
    const std::string jpeg = marked_jpeg(64, 32);
    const auto photo = jpeg_photo(jpeg, 64, 32, 1);
    ASSERT_EQ(printers_.attach("PDFCreator", title), 0);
    printers_.stretch_bitmap(*photo, PixelRect{0, 0, 63, 31}, DeviceRect{100, 100, 739, 419});
    printers_.select_font("DejaVu Sans", 24, true);
    printers_.set_text_colour(0);
    printers_.move_to({100, 600});
    printers_.draw_text("Il mare d'inverno");
    ASSERT_EQ(printers_.end_job(), 0);
    const int job = printers_.last_job().job_id;
    EXPECT_GT(job, 0);
    EXPECT_EQ(printers_.last_job().pdf_path, "");

    const fs::path printed = wait_for_printed(title, job);
    ASSERT_TRUE(fs::exists(printed)) << "cups-pdf wrote nothing: " << server_->error_log();
    // Still text, not a picture of the page.
    EXPECT_NE(run("pdftotext " + quoted(printed) + " -").output.find("Il mare d'inverno"), std::string::npos);
    // The photo sits at the printable area's corner plus (100, 100) device pixels: at 30 dpi,
    // (42 + 100) / 10 and (125 + 100) / 10; its red quarter is top left.
    const Picture page = render(printed, 30, 0, 0, 248, 350);
    EXPECT_TRUE(near(page.at(14 + 8, 22 + 8), kRed, 60));
    EXPECT_TRUE(near(page.at(14 + 48, 22 + 24), kBlue, 60));
    EXPECT_TRUE(near(page.at(10, 18), kWhite, 10));
}

TEST_F(CupsPrintingTest, PaperSizesNameEachSheetOnceWithTheQueueDefaultFirst) {
    const std::vector<PaperSize> papers = printers_.paper_sizes("PDFCreator");
    ASSERT_GT(papers.size(), 3u);
    EXPECT_EQ(papers.front(), (PaperSize{"A4", "iso_a4_210x297mm", 20990, 29704}));
    std::set<std::pair<int, int>> sheets;
    for (const PaperSize& paper : papers) {
        EXPECT_TRUE(sheets.insert({paper.width, paper.length}).second) << paper.media << " twice";
    }
    const auto sheet_of = [&](int width, int length) {
        const auto found = std::find_if(papers.begin(), papers.end(), [&](const PaperSize& paper) {
            return paper.width == width && paper.length == length;
        });
        return found != papers.end() ? *found : PaperSize{};
    };
    // A3 keeps the sheet with margins, not its borderless twin.
    EXPECT_EQ(sheet_of(29704, 42016), (PaperSize{"A3", "iso_a3_297x420mm", 29704, 42016}));
    EXPECT_EQ(sheet_of(21590, 27940).name, "Letter");
    // A size with no common name is left for its dimensions to tell.
    EXPECT_EQ(sheet_of(14852, 20990).name, "");
    // Every size attaches by its media name.
    for (const PaperSize& paper : papers) {
        ASSERT_EQ(printers_.attach("PDFCreator", "prova", paper.media), 0);
        EXPECT_NEAR(printers_.metrics().physical_width, pt_pixels(paper.width * 72 / 2540.0), 1)
            << paper.media;
        EXPECT_NEAR(printers_.metrics().physical_height, pt_pixels(paper.length * 72 / 2540.0), 1)
            << paper.media;
    }
    printers_.release();

    EXPECT_TRUE(printers_.paper_sizes("pdfcreator A3").empty());
    EXPECT_TRUE(printers_.paper_sizes("NessunaCoda").empty());
}

TEST_F(CupsPrintingTest, AChosenPaperSetsTheSheetAndAnUnknownOneKeepsTheDefault) {
    struct Case {
        const char* media;
        double width, length, left, top, right, bottom;  // points
    };
    const Case cases[] = {
        {"", 595, 842, 10, 30, 30, 20},
        {"iso_a3_297x420mm", 842, 1191, 18, 18, 18, 18},
        {"carta_da_pacchi", 595, 842, 10, 30, 30, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.media);
        ASSERT_EQ(printers_.attach("PDFCreator", "prova", c.media), 0);
        const SheetMetrics sheet = printers_.metrics();
        EXPECT_NEAR(sheet.physical_width, pt_pixels(c.width), 1);
        EXPECT_NEAR(sheet.physical_height, pt_pixels(c.length), 1);
        EXPECT_NEAR(sheet.offset_x, pt_pixels(c.left), 1);
        EXPECT_NEAR(sheet.offset_y, pt_pixels(c.top), 1);
        EXPECT_NEAR(sheet.printable_width, pt_pixels(c.width - c.left - c.right), 1);
        EXPECT_NEAR(sheet.printable_height, pt_pixels(c.length - c.top - c.bottom), 1);
        printers_.release();
    }
}

// The queue fits pages into its printable area unless told otherwise; every job tells it to
// print 1:1 on the paper and in the orientation the page was drawn for.
TEST_F(CupsPrintingTest, APrintedPhotoLandsOnThePaperWhereItWasLaidOut) {
    struct Case {
        const char* media;
        PageOrientation orientation;
        DeviceRect photo;
        double paper_width, paper_length;  // points, as the paper comes out
    };
    const Case cases[] = {
        {"", PageOrientation::Landscape, {100, 100, 1339, 719}, 595, 842},
        {"iso_a3_297x420mm", PageOrientation::Portrait, {200, 300, 1479, 939}, 842, 1191},
    };
    const std::string jpeg = marked_jpeg(64, 32);
    struct Submitted {
        std::string title;
        int job = 0;
        Placement expected;
    };
    std::vector<Submitted> submitted;
    for (const Case& c : cases) {
        const std::string title =
            "posa_" + std::to_string(::getpid()) + "_" + std::to_string(submitted.size());
        const auto photo = jpeg_photo(jpeg, 64, 32, 1);
        ASSERT_EQ(printers_.attach("PDFCreator", title, c.media), 0);
        printers_.set_orientation(c.orientation);
        const Placement expected = on_paper(printers_.metrics(), c.photo, c.orientation);
        printers_.stretch_bitmap(*photo, PixelRect{0, 0, 63, 31}, c.photo);
        ASSERT_EQ(printers_.end_job(), 0);
        submitted.push_back({title, printers_.last_job().job_id, expected});
    }
    constexpr int kRenderDpi = 100;
    for (std::size_t i = 0; i < submitted.size(); ++i) {
        SCOPED_TRACE(submitted[i].title);
        const Case& c = cases[i];
        const fs::path printed = wait_for_printed(submitted[i].title, submitted[i].job);
        ASSERT_TRUE(fs::exists(printed)) << "cups-pdf wrote nothing: " << server_->error_log();
        const auto [width, length] = page_points(printed);
        EXPECT_NEAR(width, c.paper_width, 1);
        EXPECT_NEAR(length, c.paper_length, 1);
        const Picture page = render(printed, kRenderDpi, 0, 0, static_cast<int>(width * kRenderDpi / 72),
                                    static_cast<int>(length * kRenderDpi / 72));
        const PaperBox found = ink_box(page, kRenderDpi);
        const Placement& expected = submitted[i].expected;
        EXPECT_NEAR(found.left, expected.box.left, 0.5);
        EXPECT_NEAR(found.top, expected.box.top, 0.5);
        EXPECT_NEAR(found.right, expected.box.right, 0.5);
        EXPECT_NEAR(found.bottom, expected.box.bottom, 0.5);
        // The photo's red top-left quarter is at the corner its top-left corner was drawn at.
        const double red_x = (2 * expected.corner_x + expected.box.left + expected.box.right) / 4;
        const double red_y = (2 * expected.corner_y + expected.box.top + expected.box.bottom) / 4;
        EXPECT_TRUE(near(
            page.at(static_cast<int>(red_x / 25.4 * kRenderDpi), static_cast<int>(red_y / 25.4 * kRenderDpi)),
            kRed, 60));
    }
}

TEST(CupsWithoutServerTest, OnlyTheBuiltInsAreListedAtOnce) {
    cupsSetServer((fs::temp_directory_path() / "posteri-no-cupsd.sock").c_str());
    LinuxPrinters printers(false);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> names = printers.list();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(names.size(), 10u);
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_EQ(printers.attach("PDFCreator", "prova"), 68);
    cupsSetServer(nullptr);
}

}  // namespace
}  // namespace posteri
