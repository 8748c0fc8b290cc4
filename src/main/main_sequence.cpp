// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <string>

#include "format/mask_format.h"
#include "format/text.h"
#include "main/run_operations.h"
#include "main/run_steps.h"
#include "print/layout.h"
#include "print/preview_page.h"
#include "settings/settings_files.h"
#include "ui/console_text.h"
#include "ui/failure.h"

namespace posteri {

namespace {

constexpr float kCmPerInch = 2.54f;

bool is_verbose(const PosterSettings& settings) { return settings.logorroico.view() == "si"; }

std::string_view orientation_word(std::int32_t orientation) {
    if (orientation == 1) return "verticale";
    if (orientation == 2) return "orizzontale";
    return "";
}

// Speaks only in talkative mode.
void announce(Platform& platform, const PosterSettings& settings, std::string_view text) {
    if (!is_verbose(settings)) return;
    std::string spoken(text);
    LEGGI_TE(platform, spoken);
}

// The spoken orientation words keep the voice's "th" spelling.
void announce_orientation(Platform& platform, const PosterSettings& settings, std::string_view prefix) {
    if (settings.orientamento == 1) announce(platform, settings, std::string(prefix) + "verticale");
    if (settings.orientamento == 2) announce(platform, settings, std::string(prefix) + "orizzonthale");
}

std::string trimmed(std::string_view text) { return std::string(trim_spaces(text)); }

// The single-precision 2.54 times pixels over dots per inch, worked out in double as the layout
// does. This is deliberate: all in single precision, near-ties such as 1200 px at 96 dpi (31.749999…)
// would round up to the next tenth on screen. A photo without a resolution (one that could not be
// read) has no length: 0 cm, not a division by zero.
double photo_length_cm(std::int32_t pixels, float dpi) {
    if (dpi == 0) return 0;
    return static_cast<double>(kCmPerInch) * pixels / static_cast<double>(dpi);
}

// The photo's field, without the blanks that pad it, up to the first "." of the file's own name (the
// whole name when it has none). A dot in a folder's name does not count: it would name the document,
// and so the PDF, after the folder instead of the photo.
std::string before_first_dot(std::string_view field) {
    const std::string_view path = trim_spaces(field);
    const std::size_t name_start = path.find_last_of('/') + 1;
    return std::string(path.substr(0, path.find('.', name_start)));
}

void choose_photo(Platform& platform, PosterSettings& settings, std::string_view photo) {
    if (!photo.empty()) {
        settings.nomefile = photo;
        return;
    }
    const std::string noted_directory = platform.system.working_directory();
    settings.nomefile = FUN_SCELTA_FILE(platform, kPhotoPatterns, kPhotoKindNames);
    raise_for_errno(platform.fault, platform.system.set_working_directory(noted_directory));
}

}  // namespace

void gather_photo_facts(Platform& platform, PosterSettings& settings, Summary& summary) {
    const std::string name = trimmed(settings.nomefile.view());
    write_centred_line(platform.console, "Hai scelto " + name + ".");
    summary.add("Nome file," + name);
    LI_DIMEN(platform, name, settings.foto_larghezza_px, settings.foto_altezza_px, settings.orientamento,
             settings.foto_dpi_x, settings.foto_dpi_y);
    summary.add("Orientamento," + std::string(orientation_word(settings.orientamento)));
    summary.add("Dimensione xy della foto," +
                mask_format("# x # pixels", {settings.foto_larghezza_px, settings.foto_altezza_px}));
    summary.add("Risoluzione xy," + mask_format("# x # dpi", {settings.foto_dpi_x, settings.foto_dpi_y}));
    summary.add("Dimensione xy della foto," +
                mask_format("#.# x #.# cm", {photo_length_cm(settings.foto_larghezza_px, settings.foto_dpi_x),
                                             photo_length_cm(settings.foto_altezza_px, settings.foto_dpi_y)}));
}

std::string document_name(const PosterSettings& settings, std::string_view printer) {
    return before_first_dot(settings.nomefile.view()) + std::string(printer);
}

namespace {

// The printer is attached by its full name: the name its entry showed may be cut.
void attach_printer(Platform& platform, PosterSettings& settings, const std::string& printer) {
    if (trimmed(settings.nomestampante.view()) == kSystemPrintDialog) {
        choose_printer_in_dialog(platform, before_first_dot(settings.nomefile.view()));
        settings.nomestampante = platform.printers.attached_name();
        return;
    }
    const int failure = platform.printers.attach(printer, document_name(settings, printer));
    if (failure != 0) raise_failure(platform.fault, failure);
}

void leave_without_printer(Platform& platform) {
    FUN_AVVI(platform, "Abbandono del programma", "un tasto...", 0, 14, "pragmatapro", 1, 0, 0);
}

// Orientation 0 (the question left with Esc) prints portrait, the printer's own default.
PageOrientation page_orientation(std::int32_t orientamento) {
    return orientamento == 2 ? PageOrientation::Landscape : PageOrientation::Portrait;
}

void show_sheet(Platform& platform, PosterSettings& settings, Summary& summary) {
    Console& console = platform.console;
    const SheetMetrics metrics = platform.printers.metrics();
    settings.punti_cm = dots_per_cm(metrics);
    DIMENSIO(platform, settings.foglio_larghezza_cm, settings.foglio_altezza_cm);

    console.set_colour(attribute(kLightGreen, kBlack));
    console.new_line();
    write_centred_line(console, mask_format("Larghezza del foglio ###.# cm e altezza del foglio ###.# cm",
                                            {settings.foglio_larghezza_cm, settings.foglio_altezza_cm}));
    const float print_width_px = settings.punti_cm * settings.foglio_larghezza_cm;
    const float print_height_px = settings.punti_cm * settings.foglio_altezza_cm;
    write_centred_line(console, trimmed(settings.nomestampante.view()) + " : " +
                                    trimmed(settings.nomefile.view()) + "   " +
                                    mask_format("Larghezza in pixel ####  e altezza in pixel #### ",
                                                {print_width_px, print_height_px}));
    summary.add("Larghezza e altezza del foglio cartaceo," +
                mask_format("##.# x ##.# cm", {settings.foglio_larghezza_cm, settings.foglio_altezza_cm}));
    summary.add("Larghezza e altezza della stampa," +
                mask_format("# x # pixels", {print_width_px, print_height_px}));
    summary.add("Risoluzione di stampa xy," + mask_format("# x # dpi", {metrics.dpi_x, metrics.dpi_y}));
}

}  // namespace

void prepare_attached_printer(Platform& platform, PosterSettings& settings, Summary& summary) {
    summary.add("Nome della stampante," + trimmed(settings.nomestampante.view()));
    platform.printers.set_orientation(page_orientation(settings.orientamento));
    platform.console.set_colour(attribute(kWhite, kBlack));
    write_centred_line(platform.console,
                       "Ricontrollo orientamento : " + std::string(orientation_word(settings.orientamento)));
    announce_orientation(platform, settings, "confermo ");
    show_sheet(platform, settings, summary);
}

void save_parameters(Platform& platform, PosterSettings& settings) {
    SCP_SALV(platform, kLogFile, settings, 1);
    SCP_SALV(platform, kSettingsFile, settings, 0);
    settings.altezza_testo_cm = std::fabs(settings.altezza_cm);
}

// Like a PDF printer's own window, the run tells where the file it wrote is.
void print_poster(Platform& platform, PosterSettings& settings, Summary& summary) {
    Console& console = platform.console;
    console.set_colour(attribute(kWhite, kBlack));
    console.new_line();
    SUB_STAM(platform, settings, summary);
    const std::string pdf = platform.printers.last_job().pdf_path;
    if (pdf.empty()) return;
    console.write("PDF salvato in: " + controls_shown(pdf));
    console.new_line();
}

namespace {

// Loads and edits the parameters until the editor ends with something other than "*", with the
// poster's preview beside the editor all along. Returns false when the user left with Esc.
bool edit_parameters(Platform& platform, PosterSettings& settings) {
    const auto show_poster = [&platform](const PosterSettings& edited) { show_preview(platform, edited); };
    for (;;) {
        const CellPos noted = platform.console.cursor();
        SCP_DEFA(platform, settings);
        const std::string key = SCP_CAMB(platform, settings, show_poster);
        if (key == "\x1b") return false;
        if (key == "*") {
            raise_for_errno(platform.fault, platform.system.delete_file(std::string(kSettingsFile)));
            continue;
        }
        platform.console.set_cursor(noted.row, noted.col);
        return true;
    }
}

bool parameter_step(Platform& platform, PosterSettings& settings) {
    platform.preview.open();
    const bool confirmed = edit_parameters(platform, settings);
    platform.preview.close();
    return confirmed;
}

// A uniform integer from low to high.
int random_between(System& system, int low, int high) {
    return low + static_cast<int>(std::floor(system.random_unit() * (high - low + 1)));
}

void say_goodbye(Platform& platform, const PosterSettings& settings) {
    static constexpr std::string_view kPraise[] = {"bravo!",       "sei geniale!",    "sei forte racazzo!",
                                                   "sei un duro!", "intelligentone!", "bravo mandrillo!",
                                                   "ei,lucertolone!"};
    static constexpr std::string_view kTeasing[] = {"pirla!", "intontito!", "vecchiaccio!", "imbranato!",
                                                    "coglionazzo!"};
    Console& console = platform.console;
    platform.system.seed_random(platform.system.seconds_of_day());
    console.new_line();
    console.set_colour(attribute(kWhite, kBlack));
    write_centred_line(console, "\xC8 un fatto fatto! Guarda il pdf. Puoi salvarlo se vuoi.");
    announce(platform, settings, "Fatto!");
    if (!is_verbose(settings)) return;
    if (to_lower(settings.tipoautore.view()).find("zelmo e zolmo") != std::string::npos) {
        announce(platform, settings, kPraise[random_between(platform.system, 1, 7) - 1]);
    } else {
        announce(platform, settings, kTeasing[random_between(platform.system, 1, 5) - 1]);
    }
}

}  // namespace

void run_main_sequence(Platform& platform, std::string_view given_photo) {
    RoutineName routine("MAIN");
    Console& console = platform.console;
    PosterSettings settings{};
    Summary summary;

    FUN_FULL(platform, "close on");
    console.set_colour(attribute(kWhite, kBlack));
    console.new_line();
    write_centred_line(console, "Scelta del file da posteriorizzare...Versione 28062017");
    announce(platform, settings, "Un poster per i posteri.");

    choose_photo(platform, settings, given_photo);
    if (trim_spaces(settings.nomefile.view()).empty()) return;
    gather_photo_facts(platform, settings, summary);

    if (settings.orientamento == 3) settings.orientamento = CHIEDI_O(platform);
    write_centred_line(console, "Orientamento della foto " + std::string(orientation_word(settings.orientamento)));
    announce_orientation(platform, settings, "");

    std::string printer;
    settings.nomestampante = FUN_SCELTA_STAMPANTE(platform, printer);
    if (trim_spaces(settings.nomestampante.view()).empty()) return leave_without_printer(platform);
    // A cancelled print dialog, or a printer that failed to attach, leaves nothing to print on.
    attach_printer(platform, settings, printer);
    if (platform.printers.attached_name().empty()) return leave_without_printer(platform);
    prepare_attached_printer(platform, settings, summary);

    // The runs that end before printing detach the printer, so that it leaves nothing behind.
    if (!parameter_step(platform, settings)) return platform.printers.release();
    save_parameters(platform, settings);

    const std::string photo = trimmed(settings.nomefile.view());
    if (!platform.system.is_file(photo)) {
        const CellPos message = console.cursor();
        console.write("Non trovo il file " + controls_shown(photo) + "... (un tasto)");
        console.new_line();
        console.show_reading_point(message);
        console.read_key();
        return platform.printers.release();
    }
    print_poster(platform, settings, summary);
    say_goodbye(platform, settings);
    RESOCONT(platform, summary.riassunto, summary.n_riassunto);
}

}  // namespace posteri
