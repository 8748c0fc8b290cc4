// SPDX-License-Identifier: GPL-3.0-or-later
// The poster preview beside the parameter editor, seen from the run: when it opens and closes, and
// that each page it is handed is the page the print job then prints.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/run_operations.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const SheetMetrics kA4{4961, 7016, 0, 0, 4961, 7016, 600, 600};
const std::string kPhoto = "/home/utente/mare.jpg";

class PosterPreviewRun : public ::testing::Test {
  protected:
    PosterPreviewRun() {
        fake.system.files[kPhoto] = "jpeg";
        fake.images.photos[kPhoto] = PhotoFacts{3000, 2000, 300, 300};
        fake.printers.names = {"pdfcreator A4"};
        fake.printers.sheet = kA4;
        fake.console.set_largest_size({120, 40});
        // Photo, orientation (landscape, the first row), printer.
        fake.console.push_text("mare.jpg");
        fake.console.push_keys({keys::kEnter, keys::kHome, keys::kEnter});
    }
    // Row 6 of the editor, then the value row `value_row` of its list.
    void choose_fits(int value_row) {
        fake.console.push_key(keys::kHome);
        for (int row = 1; row < 6; ++row) fake.console.push_key(keys::kDown);
        fake.console.push_key(keys::kEnter);
        for (int row = 1; row < value_row; ++row) fake.console.push_key(keys::kDown);
        fake.console.push_key(keys::kEnter);
    }
    void confirm_and_close_summary() {
        fake.console.push_keys({keys::kEnd, keys::kUp, keys::kEnter});
        fake.console.push_pause();
        fake.console.push_key(keys::kEsc);
    }
    void run() { run_main_sequence(fake.platform()); }

    FakePlatform fake;
};

// Shown before the first display, after every change and again from the defaults after "*"; the last
// page is what the job prints, text sizes included (the band's height is |altezza_cm| by then).
TEST_F(PosterPreviewRun, ShowsEachEditedPosterAsTheJobThenPrintsIt) {
    fake.preview.display = true;
    choose_fits(1);
    fake.console.push_key("*");
    choose_fits(3);
    confirm_and_close_summary();
    run();
    EXPECT_THAT(fake.preview.calls, ElementsAre("open", "show", "show", "show", "show", "close"));
    const std::vector<PreviewPage>& pages = fake.preview.pages;
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_NE(pages[0], pages[1]);  // fits 3 (the default), then 0
    EXPECT_EQ(pages[2], pages[0]);  // the defaults again after "*"
    const PreviewPage& last = pages[3];
    EXPECT_EQ(last.sheet, kA4);
    ASSERT_TRUE(last.photo);
    EXPECT_EQ(last.photo->path, kPhoto);
    ASSERT_EQ(fake.printers.stretched.size(), 1u);
    EXPECT_EQ(last.photo->source, fake.printers.stretched[0].source);
    EXPECT_EQ(last.photo->destination, fake.printers.stretched[0].destination);
    std::vector<std::string> printed_lines;
    bool printing = false;
    for (const std::string& call : fake.printers.calls) {
        printing = printing || call == "stretch";
        if (printing && (call.starts_with("font ") || call.starts_with("move ") || call.starts_with("text ")))
            printed_lines.push_back(call);
    }
    std::vector<std::string> previewed_lines;
    for (const PreviewText& line : last.lines) {
        previewed_lines.push_back("font " + line.face + " " + std::to_string(line.points) +
                                  (line.bold ? " bold" : ""));
        previewed_lines.push_back("move " + std::to_string(line.at.x) + " " + std::to_string(line.at.y));
        previewed_lines.push_back("text " + line.text);
        EXPECT_GT(line.points, 8) << line.text;
    }
    EXPECT_EQ(previewed_lines, printed_lines);
}

// Without a display the run is the same as ever: nothing shown, nothing measured for it.
TEST_F(PosterPreviewRun, WithoutADisplayNothingIsShownOrMeasured) {
    fake.console.push_key(keys::kEsc);
    run();
    EXPECT_THAT(fake.preview.calls, ElementsAre("open", "close"));
    EXPECT_THAT(fake.preview.pages, IsEmpty());
    for (const std::string& call : fake.printers.calls) EXPECT_FALSE(call.starts_with("font ")) << call;
}

}  // namespace
}  // namespace posteri
