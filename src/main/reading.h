// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading texts aloud: cleaning a text for the voice and speaking it sentence by sentence.
// LEGGI_TE itself is declared with the other operations of the run.

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

// Replaces, in the text itself and in this order, "..." by ".", the apostrophe accents u' i' e' a'
// by ù ì è à, and "hinando" by "hinandó". Returns that text with every run of spaces cut to one.
std::string RIPULISC(std::string& text);

// Speaks one sentence and returns when the voice has finished.
void LEGGI_FR(Platform& platform, std::string_view sentence);

}  // namespace posteri
