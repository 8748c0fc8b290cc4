// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/reading.h"

#include "main/run_operations.h"
#include "ui/failure.h"
#include "ui/speech.h"

namespace posteri {

namespace {

// Every occurrence, left to right; a replacement is not searched again.
void replace_all(std::string& text, std::string_view from, std::string_view to) {
    std::string result;
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(from, start)) != std::string::npos;
         start = found + from.size()) {
        result.append(text, start, found - start).append(to);
    }
    text = result.append(text, start);
}

std::string single_spaces(std::string_view text) {
    std::string result;
    int spaces = 0;
    for (const char ch : text) {
        spaces = ch == ' ' ? spaces + 1 : 0;
        if (spaces <= 1) result += ch;
    }
    return result;
}

}  // namespace

std::string RIPULISC(std::string& text) {
    RoutineName routine("RIPULISC");
    replace_all(text, "...", ".");
    replace_all(text, "u'", "\xF9");
    replace_all(text, "i'", "\xEC");
    replace_all(text, "e'", "\xE8");
    replace_all(text, "a'", "\xE0");
    // A hint that makes the voice pronounce these words as meant.
    replace_all(text, "hinando", "hinand\xF3");
    return single_spaces(text);
}

void LEGGI_FR(Platform& platform, std::string_view sentence) {
    RoutineName routine("LEGGI_FR");
    PARLA6(platform, sentence);
}

// Each "."-piece is spoken as a sentence of its own. A key stops the reading before the next
// piece and is used up, so a key typed during a sentence lets that sentence finish.
void LEGGI_TE(Platform& platform, std::string& text) {
    RoutineName routine("LEGGI_TE");
    text = RIPULISC(text);
    std::size_t start = 0;
    for (;;) {
        if (platform.console.key_waiting()) {
            platform.console.read_key();
            return;
        }
        const std::size_t dot = text.find('.', start);
        LEGGI_FR(platform, text.substr(start, dot - start) + ".");
        if (dot == std::string::npos) return;
        start = dot + 1;
    }
}

}  // namespace posteri
