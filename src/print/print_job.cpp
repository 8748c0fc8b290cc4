// SPDX-License-Identifier: GPL-3.0-or-later
// The poster's print job: one console line, the job's summary lines, then the photo in its box and
// the three text lines on the attached printer, and the job ended.

#include <memory>
#include <optional>
#include <string>

#include "format/mask_format.h"
#include "format/number_text.h"
#include "format/text.h"
#include "print/layout.h"
#include "print/print_job.h"
#include "ui/console_text.h"
#include "ui/failure.h"

namespace posteri {

namespace {

constexpr std::uint32_t kBlackInk = 0x000000;

void add_job_summary(const PosterSettings& settings, Summary& summary) {
    const EffectiveBox effective = effective_box(settings);
    summary.add("Posizione," + mask_format("a.px_cm       =+#.# cm  a.py_cm     =+#.# cm",
                                           {settings.px_cm, settings.py_cm}));
    summary.add("Dimensioni riquadro interno," + mask_format("a.larghezza_cm=+#.# cm  a.altezza_cm=+#.# cm",
                                                             {settings.larghezza_cm, settings.altezza_cm}));
    summary.add("Dimensioni riquadro interno reale," +
                mask_format("a.larghezza_cm= #.# cm  a.altezza_cm= #.# cm",
                            {effective.width_cm, effective.height_cm}));
    summary.add(",");
    summary.add("Font usata," + settings.nomefont.str());
}

// The photo's pixels, or nothing when the file is missing or cannot be decoded; the poster is then
// printed without it.
std::unique_ptr<MemoryBitmap> STAMPA_I(Platform& platform, const std::string& file) {
    RoutineName routine("STAMPA_I");
    if (file.empty() || !platform.system.is_file(file)) return nullptr;
    const SheetMetrics sheet = platform.printers.metrics();
    const long long sheet_dots = static_cast<long long>(sheet.printable_width) * sheet.printable_height;
    std::unique_ptr<MemoryBitmap> photo = platform.images.load_photo_to_print(file, sheet_dots);
    if (photo && (photo->width() <= 0 || photo->height() <= 0)) return nullptr;
    if (photo && photo->incomplete()) platform.system.tell("Foto incompleta: stampo la parte leggibile.");
    return photo;
}

std::unique_ptr<MemoryBitmap> STAMPAIM(Platform& platform, const PosterSettings& settings) {
    RoutineName routine("STAMPAIM");
    return STAMPA_I(platform, std::string(trim_spaces(settings.nomefile.view())));
}

std::optional<PhotoSize> size_of(const std::unique_ptr<MemoryBitmap>& photo) {
    if (!photo) return std::nullopt;
    return PhotoSize{photo->width(), photo->height()};
}

void PRE_STAM(Printers& printers, const PosterLayout& layout) {
    RoutineName routine("PRE_STAM");
    for (const TextLine& line : layout.lines) {
        printers.select_font(line.face, line.points, line.bold);
        printers.set_text_colour(kBlackInk);
        printers.move_to({round_even(line.x), line.y});
        printers.draw_text(line.text);
    }
}

// The summary names the face asked for; when another one printed in its place, the person is told
// which, once the screen is gone.
void tell_face_printed(Platform& platform, const PosterSettings& settings) {
    const std::string face(trim_spaces(settings.nomefont.view()));
    const std::string substitute = platform.fonts.substitute_face(face, true);
    if (substitute.empty()) return;
    platform.system.tell("Il font \xAB" + face + "\xBB non \xE8 installato: ho stampato con " + substitute +
                         ".");
}

}  // namespace

TextMeasurer measure_on(Printers& printers) {
    return [&printers](std::string_view face, int points, bool bold, std::string_view text) {
        printers.select_font(face, points, bold);
        return printers.text_extent(text);
    };
}

// The entered box sizes stay in the record: the layout works with their effective values itself.
void SUB_STAM(Platform& platform, PosterSettings& settings, Summary& summary) {
    RoutineName routine("SUB_STAM");
    Printers& printers = platform.printers;
    if (printers.attached_name().empty()) return;
    write_centred_line(platform.console, "Altezza dello spazio per scrivere il testo" +
                                             general_number(settings.altezza_testo_cm, 7));
    add_job_summary(settings, summary);

    const std::unique_ptr<MemoryBitmap> photo = STAMPAIM(platform, settings);
    const PosterLayout layout =
        lay_out_poster(settings, printers.metrics(), size_of(photo), measure_on(printers));
    if (photo && layout.photo)
        printers.stretch_bitmap(*photo, layout.photo->source, layout.photo->destination);
    PRE_STAM(printers, layout);
    settings.y_testo_px = layout.y_testo_px;

    const int failure = printers.end_job();
    if (failure != 0) {
        raise_failure(platform.fault, failure);
        return;
    }
    tell_face_printed(platform, settings);
}

}  // namespace posteri
