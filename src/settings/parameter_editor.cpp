// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/parameter_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "fonts/font_list.h"
#include "fonts/font_preview.h"
#include "format/mask_format.h"
#include "format/number_text.h"
#include "format/text.h"
#include "settings/settings_files.h"
#include "ui/console_text.h"
#include "ui/failure.h"
#include "ui/line_editor.h"
#include "ui/list_picker.h"
#include "ui/option_words.h"

namespace posteri {

namespace {

constexpr std::int32_t kMainRows = 17;
constexpr std::int32_t kMainVisibleRows = 30;
// The console rows a value list leaves free.
constexpr int kValueListMargin = 10;
// Spaces added to a value list's first row, so that the window is never narrow.
constexpr std::size_t kValueListWidening = 20;
constexpr std::size_t kTypedTextLength = 40;
// The font preview: margin, centred on the work area, rows and the size entries are shown at.
constexpr std::int32_t kPreviewMargin = 10;
constexpr std::int32_t kPreviewCentred = 0;
constexpr std::int32_t kPreviewRows = 32;
constexpr std::int32_t kPreviewPoints = 24;

const std::string kReset = "*";

// A list for the picker: texts from index 0 (the title) and their colours.
struct PickerList {
    std::vector<std::string> items;
    std::vector<std::int32_t> background;
    std::vector<std::int32_t> foreground;
};

// The row the picker was on, and the key that ended it when that was Esc or an exit key.
struct Picked {
    std::int32_t selection;
    std::string options;
};

Picked pick(Platform& platform, PickerList& list, std::int32_t selection, std::int32_t visible_rows,
            std::string options) {
    std::int32_t row = 0;
    std::int32_t column = 0;
    std::int32_t columns = 1;
    auto count = static_cast<std::int32_t>(list.items.size()) - 1;
    ALONENEW(platform, row, column, list.background, list.foreground, columns, list.items, count, selection,
             visible_rows, options);
    return {selection, options};
}

// --- the main list

// What a value means, shown after it in the main list and in the value list; any other value has no
// description. The fits descriptions begin with their own space.
std::string autocentra_description(std::int32_t value) {
    if (value == 0) return "il rettangolo viene disegnato a partire da px,py.";
    if (value == 1) return "il rettangolo viene disegnato autocentrato nel foglio.";
    return {};
}

std::string fits_description(std::int32_t value) {
    switch (value) {
        case 0:
            return " la mette da (0,0)";
        case 1:
            return " stretch completo dell'immagine alla finestra senza mantenere le proporzioni";
        case 2:
            return " mantiene la proporzione e inserisce il massimo senza perdite. Possono restare zone "
                   "nere.";
        case 3:
            return " mantiene la proporzione e riempie la finestra con perdite della foto.";
        default:
            return {};
    }
}

std::string centimetres(float value) {
    return general_number(value, 7);
}

std::string whole(std::int32_t value) {
    return general_number(value, 15);
}

// The face as stored; one that is not installed is marked so, the mark taking the end of the field
// (cutting a long name) rather than widening the row. Posters print in bold.
std::string font_value(FontCatalog& fonts, const FixedText<64>& face) {
    constexpr std::string_view kNotInstalled = " (non installato)";
    const std::string_view name = trim_spaces(face.view());
    if (fonts.substitute_face(name, true).empty()) return face.str();
    const std::string_view shown = name.substr(0, face.width - kNotInstalled.size());
    return fit_width(std::string(shown) + std::string(kNotInstalled), face.width);
}

// Black on white: every row takes the title row's colours.
PickerList main_list(const PosterSettings& s, FontCatalog& fonts) {
    PickerList list;
    list.items = {
        "Cambio parametri (* reset   esc fine)",
        "01 a.px_cm        (2)      =" + centimetres(s.px_cm),
        "02 a.py_cm        (2)      =" + centimetres(s.py_cm),
        "03 a.larghezza_cm (-2)     =" + centimetres(s.larghezza_cm),
        "04 a.altezza_cm   (-5)     =" + centimetres(s.altezza_cm),
        "05 a.autocentra   (0)      =" + whole(s.autocentra) + " " + autocentra_description(s.autocentra),
        "06 a.fits         (3)      =" + whole(s.fits) + " " + fits_description(s.fits),
        "",
        "07 a.testo1                = " + s.testo1.str(),
        "08 a.testo2                = " + s.testo2.str(),
        "09 a.testo3                = " + s.testo3.str(),
        "",
        "10 a.nomefont              = " + font_value(fonts, s.nomefont),
        "11 a.tipoautore   (1)      = " + s.tipoautore.str(),
        "12 a.logorroico   (si)     = " + s.logorroico.str(),
        "",
        "ok, vai con questi parametri.",
        "",
    };
    list.background.assign(list.items.size(), 0);
    list.foreground.assign(list.items.size(), 0);
    list.background[0] = kWhite;
    list.foreground[0] = kBlack;
    return list;
}

// "*" and F1 end the main list; F2 to F5 stand without slashes and end nothing.
std::string main_options() {
    return "CORNICE cls ESCI CON /*/" + keys::kF1 + "/" + keys::kF2 + keys::kF3 + keys::kF4 + keys::kF5;
}

std::string value_options() {
    return "CORNiCE cls " + no_exit_keys();
}

// The row's first word (up to a space, comma or period), lower-cased: "01" .. "12", "ok" or "".
std::string first_word(std::string_view row) {
    row = trim_spaces(row);
    row = row.substr(0, row.find_first_of(" ,."));
    return to_lower(trim_spaces(row));
}

// --- value lists

PickerList value_list(std::vector<std::string> rows) {
    PickerList list;
    list.items = std::move(rows);
    list.background.assign(list.items.size(), kWhite);
    list.foreground.assign(list.items.size(), kBlue);
    list.foreground[0] = kMagenta;
    return list;
}

// The chosen row's text, nothing when the user left without choosing.
std::optional<std::string> choose_value(Platform& platform, std::vector<std::string> rows) {
    PickerList list = value_list(std::move(rows));
    if (list.items.size() > 1) list.items[1] += std::string(kValueListWidening, ' ');
    const int visible_rows = platform.console.size().rows - kValueListMargin;
    const Picked picked = pick(platform, list, 1, visible_rows, value_options());
    if (picked.selection <= 0 || static_cast<std::size_t>(picked.selection) >= list.items.size())
        return std::nullopt;
    return list.items[static_cast<std::size_t>(picked.selection)];
}

// The lengths from `first` to `last` in steps of 0.5, counted in single precision (0.5 is exact, so
// `last` is among them): « 0.0 cm» .. «10.0 cm».
std::vector<std::string> length_rows(float first, float last) {
    std::vector<std::string> rows{""};
    for (float value = first; value <= last; value += 0.5F) rows.push_back(mask_format("##.# cm", {value}));
    return rows;
}

void choose_length(Platform& platform, float& field, float first, float last) {
    if (const auto row = choose_value(platform, length_rows(first, last)))
        field = read_single(*row).value_or(field);
}

// "0, fits=0 la mette da (0,0)": the values 0 .. last, each with its name and its description.
std::vector<std::string> described_values(std::string_view name, std::string_view between, std::int32_t last,
                                          std::string (*describe)(std::int32_t)) {
    std::vector<std::string> rows{""};
    for (std::int32_t value = 0; value <= last; ++value) {
        const std::string number = std::to_string(value);
        rows.push_back(number + ", " + std::string(name) + "=" + number + std::string(between) +
                       describe(value));
    }
    return rows;
}

void choose_whole(Platform& platform, std::int32_t& field, std::vector<std::string> rows) {
    if (const auto row = choose_value(platform, std::move(rows))) field = read_integer(*row).value_or(field);
}

template <std::size_t N>
void choose_text(Platform& platform, FixedText<N>& field, std::vector<std::string> rows) {
    if (const auto row = choose_value(platform, std::move(rows))) field = trim_spaces(*row);
}

// --- text lines

// The suggestions, the empty choice for a new text and the texts typed before, sorted by character
// code, so that the empty choice comes first.
std::vector<std::string> text_rows(Platform& platform) {
    std::vector<std::string> rows{"", "Ottaviano Galmini fecit 2017", "QZ9QZQ", ""};
    auto count = static_cast<std::int32_t>(rows.size()) - 1;
    SCP_CARI(platform, kTextsFile, rows, count);
    rows.resize(static_cast<std::size_t>(count) + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

int rounded_half(int value) {
    return static_cast<int>(std::nearbyint(value / 2.0));
}

// A new text typed in the middle of the screen, remembered in "testo.log" when it is not empty.
std::string typed_text(Platform& platform, std::string_view prompt) {
    Console& console = platform.console;
    const std::string blank(kTypedTextLength, ' ');
    const ScreenSize screen = console.size();
    const int prompt_length = static_cast<int>(prompt.size() + blank.size());
    console.set_cursor(rounded_half(screen.rows), rounded_half(screen.cols - prompt_length));
    console.write(prompt);
    std::int32_t offset = 1;
    std::string start_mode = " ";
    std::string options = "insert";
    const std::string typed =
        std::string(trim_spaces(LONGINPU(platform, 0, 0, blank, static_cast<std::int32_t>(blank.size()),
                                         offset, start_mode, "", kWhite, kMagenta, options)));
    console.set_colour(attribute(kWhite, kBlack));
    console.clear();
    SCP_APPE(platform, kTextsFile, typed);
    return typed;
}

void choose_text_line(Platform& platform, FixedText<64>& field, std::string_view prompt) {
    choose_text(platform, field, text_rows(platform));
    if (trim_spaces(field.view()).empty()) field = typed_text(platform, prompt);
}

// --- the font

// The preview opens on the main list's current row and hands back its choice as the new current
// row: 0 after giving up, as with no fonts at all.
void choose_font(Platform& platform, FixedText<64>& field, std::int32_t& current) {
    std::vector<std::string> fonts;
    std::int32_t count = 0;
    LEGGIFON(platform, fonts, count);
    if (count <= 0) {
        current = 0;
        return;
    }
    std::int32_t margin = kPreviewMargin;
    std::int32_t mode = kPreviewCentred;
    std::int32_t rows = kPreviewRows;
    GRAPHIC_(platform, margin, mode, fonts, count, current, rows, kPreviewPoints);
    if (current > 0 && static_cast<std::size_t>(current) < fonts.size()) {
        field = trim_spaces(face_name(fonts[static_cast<std::size_t>(current)]));
    }
}

void edit_parameter(Platform& platform, PosterSettings& s, std::string_view word, std::int32_t& current) {
    if (word == "01") {
        choose_length(platform, s.px_cm, 0, 10);
    } else if (word == "02") {
        choose_length(platform, s.py_cm, 0, 10);
    } else if (word == "03") {
        choose_length(platform, s.larghezza_cm, -10, -1);
    } else if (word == "04") {
        choose_length(platform, s.altezza_cm, -10, -1);
    } else if (word == "05") {
        choose_whole(platform, s.autocentra, described_values("autocentra", " ", 1, autocentra_description));
    } else if (word == "06") {
        choose_whole(platform, s.fits, described_values("fits", "", 3, fits_description));
    } else if (word == "07") {
        choose_text_line(platform, s.testo1, "Testo (titolo) : ");
    } else if (word == "08") {
        choose_text_line(platform, s.testo2, "Testo (autore) : ");
    } else if (word == "09") {
        choose_text_line(platform, s.testo3, "Testo (data)  : ");
    } else if (word == "10") {
        choose_font(platform, s.nomefont, current);
    } else if (word == "11") {
        choose_text(platform, s.tipoautore, {"", "0, Visitor.", "1, Zelmo e Zolmo."});
    } else if (word == "12") {
        // The field keeps the first two characters: "no" or "si".
        choose_text(platform, s.logorroico, {"", "no, Silenzioso.", "si, Logorroico."});
    }
}

}  // namespace

// Each display opens one row below the row last chosen; after every change the list shows the new
// values. Whatever key ended the list other than Esc and "*", the current row is acted on.
std::string SCP_CAMB(Platform& platform, PosterSettings& settings, const SettingsWatcher& watcher) {
    RoutineName routine("SCP_CAMB");
    std::int32_t current = -1;
    if (watcher) watcher(settings);
    for (;;) {
        ++current;
        PickerList list = main_list(settings, platform.fonts);
        const Picked picked = pick(platform, list, current, kMainVisibleRows, main_options());
        current = picked.selection;
        if (picked.options == keys::kEsc) return keys::kEsc;
        if (picked.options == kReset) return kReset;
        const std::size_t row = static_cast<std::size_t>(std::clamp(current, 0, kMainRows));
        const std::string word = first_word(list.items[row]);
        if (word == "ok") return {};
        edit_parameter(platform, settings, word, current);
        if (watcher) watcher(settings);
    }
}

}  // namespace posteri
