// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/preview_page.h"

#include <cmath>
#include <optional>
#include <string>

#include "format/text.h"
#include "print/layout.h"
#include "print/print_job.h"
#include "ui/failure.h"

namespace posteri {

namespace {

// The photo's upright size from its facts; nothing when they could not be read.
std::optional<PhotoSize> photo_size(const PosterSettings& settings) {
    if (settings.foto_larghezza_px <= 0 || settings.foto_altezza_px <= 0) return std::nullopt;
    return PhotoSize{settings.foto_larghezza_px, settings.foto_altezza_px};
}

}  // namespace

PreviewPage preview_page(Platform& platform, const PosterSettings& settings) {
    RoutineName routine("PREVIEWP");
    PosterSettings printed = settings;
    printed.altezza_testo_cm = std::fabs(settings.altezza_cm);
    const SheetMetrics sheet = platform.printers.metrics();
    const PosterLayout layout =
        lay_out_poster(printed, sheet, photo_size(printed), measure_on(platform.printers));
    PreviewPage page{sheet, std::nullopt, {}};
    if (layout.photo) {
        page.photo = PreviewPhoto{std::string(trim_spaces(settings.nomefile.view())), layout.photo->source,
                                  layout.photo->destination};
    }
    for (const TextLine& line : layout.lines) {
        page.lines.push_back({line.face, line.points, line.bold, line.text, {round_even(line.x), line.y}});
    }
    return page;
}

void show_preview(Platform& platform, const PosterSettings& settings) {
    RoutineName routine("ANTEPRIM");
    // Laying out measures text on the printer: not worth it for a page nobody sees.
    if (!platform.preview.showing()) return;
    platform.preview.show(preview_page(platform, settings));
}

}  // namespace posteri
