// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the built-in PDF printers' tests share: a fixture whose printers write into a working folder
// of its own, posters printed as posteri-batch prints them, and the images a PDF holds.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "main/batch_run.h"
#include "main/run_operations.h"
#include "platform/pdf/linux_printers.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/system/posix_system.h"
#include "platform/type/fontconfig_catalog.h"
#include "platform/windows/console_box_windows.h"
#include "print/layout.h"
#include "print/print_job.h"
#include "support/fake_platform.h"
#include "support/pdf_test_support.h"
#include "support/temp_folder.h"
#include "support/test_photos.h"

namespace posteri::testing {

class BuiltinPdfPrintersTest : public ::testing::Test {
  protected:
    // Prints with `draw` on a built-in printer and returns the PDF written.
    template <typename Draw>
    fs::path print(const std::string& printer, const std::string& document, Draw draw,
                   PageOrientation orientation = PageOrientation::Portrait) {
        EXPECT_EQ(printers_.attach(printer, document), 0);
        printers_.set_orientation(orientation);
        draw(printers_);
        EXPECT_EQ(printers_.end_job(), 0);
        EXPECT_EQ(printers_.attached_name(), "");
        return printers_.last_job().pdf_path;
    }

    std::vector<std::string> folder_names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    WorkingFolder folder_{"posteri-pdf"};
    const fs::path& dir_ = folder_.path();
    LinuxPrinters printers_{false};
};

inline void nothing(Printers&) {}

// The rows of `pdfimages -list`, one an image drawn on a page.
struct ImageRow {
    std::string size_and_coding;  // "width x height coding"
    std::string object;           // the number of the image's object
};

inline std::vector<ImageRow> image_rows(const fs::path& pdf) {
    std::istringstream listing(run("pdfimages -list " + quoted(pdf)).output);
    std::vector<ImageRow> rows;
    std::string line;
    for (int row = 0; std::getline(listing, line); ++row) {
        if (row < 2) continue;  // the heading and its rule
        std::istringstream fields(line);
        std::string page, number, type, width, height, colour, components, bits, coding, interpolated, object;
        fields >> page >> number >> type >> width >> height >> colour >> components >> bits >> coding >>
            interpolated >> object;
        rows.push_back({width + " x " + height + " " + coding, object});
    }
    return rows;
}

// The images a PDF holds, as "width x height coding".
inline std::vector<std::string> images_in(const fs::path& pdf) {
    std::vector<std::string> images;
    for (const ImageRow& row : image_rows(pdf)) images.push_back(row.size_and_coding);
    return images;
}

// The pieces posteri-batch runs on, around the fixture's printers.
struct BatchPlatform {
    explicit BatchPlatform(Printers& printers)
        : platform{console, system, fault, speech, printers, images, windows, fonts} {}
    UnseenConsole console{{120, 40}};
    PosixSystem system;
    std::ostringstream failures;
    StreamFault fault{failures};
    NoVoice speech;
    JpegCodec images;
    ConsoleBoxWindows windows{console};
    FontconfigCatalog fonts;
    Platform platform;
};

// A quadrant photo (red, green, blue, white) as a file, wide or tall.
inline fs::path quadrant_photo(const fs::path& folder, bool wide) {
    test::JpegSpec recipe;
    recipe.width = wide ? 480 : 360;
    recipe.height = wide ? 360 : 480;
    const fs::path file = folder / (wide ? "orizzontale.jpg" : "verticale.jpg");
    test::write_file(file.string(), test::make_jpeg(recipe));
    return file;
}

// The default poster of `photo` printed on `printer` as posteri-batch prints it; the PDF written.
inline fs::path print_poster(Printers& printers, const fs::path& photo, const std::string& printer) {
    BatchPlatform batch(printers);
    const BatchOutcome outcome = run_batch(batch.platform, BatchRequest{photo.string(), printer, ""});
    EXPECT_EQ(outcome.exit_code, 0) << outcome.error << batch.failures.str();
    return printers.last_job().pdf_path;
}

}  // namespace posteri::testing
