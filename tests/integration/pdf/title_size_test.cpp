// SPDX-License-Identifier: GPL-3.0-or-later
// The title size search on the real PDF printer: text heights grow with the size, so the bisection
// finds what trying every size from 200 down would find.
#include <gtest/gtest.h>

#include "platform/pdf/linux_printers.h"
#include "print/layout.h"

namespace posteri {
namespace {

TextMeasurer measure_on(Printers& printers) {
    return [&printers](std::string_view face, int points, bool bold, std::string_view text) {
        printers.select_font(face, points, bold);
        return printers.text_extent(text);
    };
}

TEST(TitleSizeOnThePdfPrinter, HeightsGrowWithTheSizeAndTheSearchAgreesWithEverySize) {
    LinuxPrinters printers(false);
    ASSERT_EQ(printers.attach("pdfcreator A4", "prova"), 0);
    const TextMeasurer measure = measure_on(printers);
    int previous = 0;
    for (int points = 10; points <= 200; ++points) {
        const int height = measure("pragmatapro", points, true, "testo").height;
        ASSERT_GE(height, previous) << "at " << points << " points";
        previous = height;
    }
    PosterSettings settings{};
    settings.punti_cm = 600 / 2.54f;
    for (const float band_cm : {0.5f, 2.0f, 5.8f, 9.1f, 30.0f}) {
        settings.altezza_testo_cm = band_cm;
        int linear = 0;
        for (int points = 200; points >= 10 && linear == 0; --points) {
            if (3.0 * measure("pragmatapro", points, true, "testo").height <
                static_cast<double>(settings.punti_cm) * band_cm) {
                linear = points;
            }
        }
        EXPECT_EQ(CALCOLAZ(settings, measure), linear) << "band " << band_cm << " cm";
    }
    printers.release();
}

}  // namespace
}  // namespace posteri
