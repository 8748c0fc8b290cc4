// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/parameter_editor.h"

#include <gtest/gtest.h>

#include <functional>

#include "format/codepage.h"
#include "format/text.h"
#include "settings/settings_files.h"
#include "support/fake_platform.h"
#include "ui/console_text.h"

namespace posteri {
namespace {

// The record as the first run loads it.
PosterSettings default_settings() {
    FakePlatform fresh;
    PosterSettings s;
    SCP_DEFA(fresh.platform(), s);
    return s;
}

std::string five_digits(int n) {
    std::string text = std::to_string(n);
    return std::string(5 - text.size(), '0') + text;
}

std::string right_trimmed(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// What a framed list shows, read off the screen: its rows (between the side borders, trailing
// blanks dropped) and the selection number over its top border.
struct ShownList {
    std::vector<std::string> rows;
    std::string number;
    std::string top;    // the top border with the title
    int first_row = 0;  // screen row of the first list row
    int first_col = 0;
    Attribute second_row_colours = 0;
};

ShownList shown_list(const MemoryConsole& console) {
    ShownList list;
    const std::string side = utf8_encode(U'│');
    for (int row = 1; row <= console.size().rows; ++row) {
        const std::string text = console.row_text(row);
        const std::size_t corner = text.find(utf8_encode(U'┌'));
        if (corner != std::string::npos) {
            list.number = text.substr(corner + utf8_encode(U'┌').size(), 5);
            list.top = text;
            list.first_row = row + 1;
        }
        const std::size_t left = text.find(side);
        const std::size_t right = text.rfind(side);
        if (left == std::string::npos || right == left) continue;
        if (list.first_col == 0) list.first_col = static_cast<int>(left) + 2;
        list.rows.push_back(right_trimmed(text.substr(left + side.size(), right - left - side.size())));
    }
    if (list.first_col > 0) list.second_row_colours = console.attr_at(list.first_row + 1, list.first_col);
    return list;
}

class ParameterEditorTest : public ::testing::Test {
  protected:
    ParameterEditorTest() {
        console.set_size({200, 40});
        console.before_read = [this] { seen.push_back(shown_list(console)); };
    }

    // Keys that choose row `k` of a list: Home, then Down; 0 leaves it with Esc.
    void choose(int k) {
        if (k == 0) return console.push_key(keys::kEsc);
        console.push_key(keys::kHome);
        for (int i = 1; i < k; ++i) console.push_key(keys::kDown);
        console.push_key(keys::kEnter);
    }

    std::string run() { return SCP_CAMB(fake.platform(), settings); }

    FakePlatform fake;
    MemoryConsole& console = fake.console;
    PosterSettings settings = default_settings();
    std::vector<ShownList> seen;
};

TEST_F(ParameterEditorTest, ShowsEveryParameterBlackOnWhite) {
    console.push_key(keys::kEsc);
    EXPECT_EQ(run(), keys::kEsc);
    ASSERT_EQ(seen.size(), 1u);
    const std::vector<std::string> expected = {
        "01 a.px_cm        (2)      = 3.2",
        "02 a.py_cm        (2)      = 3.2",
        "03 a.larghezza_cm (-2)     =-3.2",
        "04 a.altezza_cm   (-5)     =-5.8",
        "05 a.autocentra   (0)      = 0 il rettangolo viene disegnato a partire da px,py.",
        "06 a.fits         (3)      = 3  mantiene la proporzione e riempie la finestra con perdite della "
        "foto.",
        "",
        "07 a.testo1                = MAXI_STAMPA",
        "08 a.testo2                = GALMINI OTTAVIANO",
        "09 a.testo3                = 2017",
        "",
        "10 a.nomefont              = ar bonnie",
        "11 a.tipoautore   (1)      = 1, Zelmo e Zolmo",
        "12 a.logorroico   (si)     = si",
        "",
        "ok, vai con questi parametri.",
        "",
    };
    EXPECT_EQ(seen[0].rows, expected);
    EXPECT_NE(seen[0].top.find("Cambio parametri (* reset   esc fine)"), std::string::npos);
    // The first display starts from row 0, which wraps round to the last row of a list that fits.
    EXPECT_EQ(seen[0].number, "00017");
    EXPECT_EQ(seen[0].second_row_colours, attribute(kBlack, kWhite));
}

TEST_F(ParameterEditorTest, OddValuesHaveNoDescriptionOrTheirOwn) {
    struct Case {
        std::int32_t autocentra;
        std::int32_t fits;
        float px_cm;
        std::string row1, row5, row6;
    };
    const std::vector<Case> cases = {
        {5, 2, 0.5F, "01 a.px_cm        (2)      = .5", "05 a.autocentra   (0)      = 5",
         "06 a.fits         (3)      = 2  mantiene la proporzione e inserisce il massimo senza perdite. "
         "Possono restare zone nere."},
        {1, -1, -12.25F, "01 a.px_cm        (2)      =-12.25",
         "05 a.autocentra   (0)      = 1 il rettangolo viene disegnato autocentrato nel foglio.",
         "06 a.fits         (3)      =-1"},
        {0, 0, 0, "01 a.px_cm        (2)      = 0",
         "05 a.autocentra   (0)      = 0 il rettangolo viene disegnato a partire da px,py.",
         "06 a.fits         (3)      = 0  la mette da (0,0)"},
    };
    for (const Case& c : cases) {
        settings.autocentra = c.autocentra;
        settings.fits = c.fits;
        settings.px_cm = c.px_cm;
        seen.clear();
        console.push_key(keys::kEsc);
        run();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].rows[0], c.row1);
        EXPECT_EQ(seen[0].rows[4], c.row5);
        EXPECT_EQ(seen[0].rows[5], c.row6);
    }
}

TEST_F(ParameterEditorTest, TheFontRowMarksAFaceThatIsNotInstalledWithinItsWidth) {
    const std::string prefix = "10 a.nomefont              = ";
    const std::string long_face(64, 'x');
    struct Case {
        std::string face;
        bool installed;
        std::string row;
    };
    const std::vector<Case> cases = {
        {"ar bonnie", true, prefix + "ar bonnie"},
        {"ar bonnie", false, prefix + "ar bonnie (non installato)"},
        {long_face, true, prefix + long_face},
        {long_face, false, prefix + std::string(47, 'x') + " (non installato)"},
    };
    for (const Case& c : cases) {
        settings.nomefont = c.face;
        fake.fonts.substitutes.clear();
        if (!c.installed) fake.fonts.substitutes[c.face] = "Noto Sans Bold";
        seen.clear();
        console.push_key(keys::kEsc);
        run();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].rows[11], c.row) << c.face << (c.installed ? " installed" : " missing");
    }
}

TEST_F(ParameterEditorTest, ValueListsOfferTheRangeAndApplyTheChoice) {
    struct Case {
        int main_row;
        int value_row;
        std::string first_value, last_value;
        std::size_t values;
        std::function<void(PosterSettings&)> expect_change;
    };
    const std::vector<Case> cases = {
        {1, 2, " 0.0 cm", "10.0 cm", 21, [](PosterSettings& s) { s.px_cm = 0.5F; }},
        {2, 21, " 0.0 cm", "10.0 cm", 21, [](PosterSettings& s) { s.py_cm = 10; }},
        {3, 1, "-10.0 cm", "-1.0 cm", 19, [](PosterSettings& s) { s.larghezza_cm = -10; }},
        {4, 18, "-10.0 cm", "-1.0 cm", 19, [](PosterSettings& s) { s.altezza_cm = -1.5F; }},
        {5, 2, "0, autocentra=0 il rettangolo viene disegnato a partire da px,py.",
         "1, autocentra=1 il rettangolo viene disegnato autocentrato nel foglio.", 2,
         [](PosterSettings& s) { s.autocentra = 1; }},
        {6, 3, "0, fits=0 la mette da (0,0)",
         "3, fits=3 mantiene la proporzione e riempie la finestra con perdite della foto.", 4,
         [](PosterSettings& s) { s.fits = 2; }},
        {6, 1, "0, fits=0 la mette da (0,0)",
         "3, fits=3 mantiene la proporzione e riempie la finestra con perdite della foto.", 4,
         [](PosterSettings& s) { s.fits = 0; }},
        {13, 1, "0, Visitor.", "1, Zelmo e Zolmo.", 2,
         [](PosterSettings& s) { s.tipoautore = "0, Visitor."; }},
        {14, 1, "no, Silenzioso.", "si, Logorroico.", 2, [](PosterSettings& s) { s.logorroico = "no"; }},
        {1, 0, " 0.0 cm", "10.0 cm", 21, [](PosterSettings&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.main_row);
        settings = default_settings();
        seen.clear();
        choose(c.main_row);
        choose(c.value_row);
        console.push_key(keys::kEsc);
        EXPECT_EQ(run(), keys::kEsc);
        PosterSettings expected = default_settings();
        c.expect_change(expected);
        EXPECT_EQ(settings, expected);

        const ShownList& values = seen[static_cast<std::size_t>(c.main_row) + 1];
        ASSERT_EQ(values.rows.size(), c.values);
        EXPECT_EQ(values.rows.front(), c.first_value);
        EXPECT_EQ(values.rows.back(), c.last_value);
        EXPECT_EQ(values.number, "00001");
        EXPECT_EQ(values.second_row_colours, attribute(kBlue, kWhite));
        // The main list reopens one row below the row chosen.
        EXPECT_EQ(seen.back().number, five_digits(c.main_row + 1));
    }
}

TEST_F(ParameterEditorTest, AnEmptyRowChangesNothing) {
    choose(7);
    console.push_key(keys::kEsc);
    EXPECT_EQ(run(), keys::kEsc);
    EXPECT_EQ(settings, default_settings());
    EXPECT_EQ(seen.back().number, "00008");
}

TEST_F(ParameterEditorTest, TheEmptyChoiceAsksForANewTextAndRemembersIt) {
    console.set_size({198, 41});
    choose(8);  // 07 a.testo1
    choose(1);  // the empty choice
    console.push_text("Titolo \xE0");
    console.push_key(keys::kEnter);
    console.push_key(keys::kEsc);
    std::vector<std::string> at_prompt;
    int reads = 0;
    console.before_read = [&] {
        seen.push_back(shown_list(console));
        if (++reads == 12) {
            at_prompt = {console.row_text(20), std::to_string(console.cursor_size()),
                         std::to_string(console.attr_at(20, 87))};
        }
    };
    EXPECT_EQ(run(), keys::kEsc);

    const ShownList& texts = seen[9];
    EXPECT_EQ(texts.rows, (std::vector<std::string>{"", "Ottaviano Galmini fecit 2017", "QZ9QZQ"}));
    // The prompt and the 40-cell field centred, ties to even: row 41 / 2 = 20.5 gives 20, column
    // (198 - 57) / 2 = 70.5 gives 70.
    ASSERT_EQ(at_prompt.size(), 3u);
    EXPECT_EQ(at_prompt[0].substr(69, 17), "Testo (titolo) : ");
    EXPECT_EQ(at_prompt[1], "100");
    EXPECT_EQ(at_prompt[2], std::to_string(attribute(kMagenta, kWhite)));
    EXPECT_EQ(settings.testo1.str(), fit_width("Titolo \xE0", 64));
    EXPECT_EQ(fake.system.files["testo.log"], "Titolo \xE0\r\n");
    EXPECT_EQ(seen.back().rows[7], "07 a.testo1                = Titolo \xC3\xA0");
    EXPECT_EQ(seen.back().number, "00009");
}

// The line editor opens only for an empty field: an empty new text writes nothing, and leaving the
// texts with an empty field still asks for one.
TEST_F(ParameterEditorTest, ANewTextIsAskedForOnlyWhenTheFieldIsEmpty) {
    choose(9);  // 08 a.testo2
    choose(1);
    console.push_key(keys::kEnter);  // the line editor, left empty
    choose(9);
    choose(0);
    console.push_text("Nuovo");
    console.push_key(keys::kEnter);
    choose(9);
    choose(0);
    console.push_key(keys::kEsc);
    std::vector<std::string> files_seen;
    console.before_read = [&] { files_seen.push_back(fake.system.files["testo.log"]); };
    EXPECT_EQ(run(), keys::kEsc);
    EXPECT_EQ(files_seen[13], "");  // the main list after the empty text
    EXPECT_EQ(settings.testo2.str(), fit_width("Nuovo", 64));
    EXPECT_EQ(fake.system.files["testo.log"], "Nuovo\r\n");
    // The screen was cleared white on black after each editing.
    EXPECT_EQ(console.attr_at(1, 1), attribute(kWhite, kBlack));
}

TEST_F(ParameterEditorTest, RememberedTextsAreSortedByCharacterCode) {
    fake.system.files["testo.log"] = "b\r\nA\r\n";
    choose(10);  // 09 a.testo3
    choose(2);
    console.push_key(keys::kEsc);
    EXPECT_EQ(run(), keys::kEsc);
    EXPECT_EQ(seen[11].rows,
              (std::vector<std::string>{"", "A", "Ottaviano Galmini fecit 2017", "QZ9QZQ", "b"}));
    EXPECT_EQ(settings.testo3.str(), fit_width("A", 64));
    EXPECT_EQ(fake.system.files["testo.log"], "b\r\nA\r\n");
}

class FontRowTest : public ParameterEditorTest {
  protected:
    FontRowTest() {
        for (int i = 1; i <= 45; ++i) fake.fonts.names.push_back("Font " + five_digits(i).substr(3));
    }
    // The font window's highlighted entry in its first drawing.
    std::string first_highlight() const {
        for (const std::string& call : fake.windows.calls) {
            if (call.starts_with("text ") && call.find(" ffff00 ") != std::string::npos)
                return call.substr(call.find('|'));
        }
        return {};
    }
};

TEST_F(FontRowTest, TheFontWindowOpensOnTheCurrentRowAndItsChoiceBecomesIt) {
    struct Case {
        std::vector<std::string> window_keys;
        std::string nomefont;
        std::string reopened_at;
    };
    std::vector<std::string> to_40(28, keys::kDown);
    to_40.push_back(keys::kEnter);
    const std::vector<Case> cases = {
        {{keys::kEnter}, "Font 12", "00013"},
        {{keys::kEsc}, "ar bonnie", "00001"},
        // Row 41 lies past the list's end: the list wraps round to its first row.
        {to_40, "Font 40", "00001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nomefont);
        settings = default_settings();
        seen.clear();
        fake.windows.calls.clear();
        fake.windows.keys.assign(c.window_keys.begin(), c.window_keys.end());
        choose(12);
        console.push_key(keys::kEsc);
        EXPECT_EQ(run(), keys::kEsc);
        EXPECT_EQ(first_highlight(), "|Font 12, ABC abc 1234567890|");
        EXPECT_EQ(settings.nomefont.str(), fit_width(c.nomefont, 64));
        EXPECT_EQ(seen.back().number, c.reopened_at);
    }
}

TEST_F(FontRowTest, NoFontsKeepTheFaceAndReopenAtTheFirstRow) {
    fake.fonts.names.clear();
    choose(12);
    console.push_key(keys::kEsc);
    EXPECT_EQ(run(), keys::kEsc);
    EXPECT_TRUE(fake.windows.calls.empty());
    EXPECT_EQ(settings.nomefont.str(), fit_width("ar bonnie", 64));
    EXPECT_EQ(seen.back().number, "00001");
}

TEST_F(ParameterEditorTest, EndsWithEscResetOrConfirmation) {
    struct Case {
        std::vector<std::string> keys;
        std::string result;
    };
    const std::vector<Case> cases = {
        {{keys::kEsc}, keys::kEsc},
        {{"*"}, "*"},
        {{keys::kEnd, keys::kUp, keys::kEnter}, ""},
        // F1 ends the list, and the editor then acts on the row it was on.
        {{keys::kEnd, keys::kUp, keys::kF1}, ""},
        // F2 ends nothing.
        {{keys::kF2, keys::kUp, keys::kEnter}, ""},
    };
    for (const Case& c : cases) {
        for (const std::string& key : c.keys) console.push_key(key);
        EXPECT_EQ(run(), c.result);
        EXPECT_EQ(console.keys_left(), 0u);
    }
    EXPECT_EQ(settings, default_settings());
}

}  // namespace
}  // namespace posteri
