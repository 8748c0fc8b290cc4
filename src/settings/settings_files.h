// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file "impostazioni.log", the parameter log "fulllog.log" and the remembered texts
// "testo.log": loading, saving, reading a list of lines, appending a line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "settings/poster_settings.h"

namespace posteri {

inline constexpr std::string_view kSettingsFile = "impostazioni.log";
inline constexpr std::string_view kLogFile = "fulllog.log";
inline constexpr std::string_view kTextsFile = "testo.log";

// A list of texts with first index 0 and a separate count (the last used index).
using TextList = std::vector<std::string>;

// The twelve persistent parameters by their names in the file without "a." ("px_cm", "testo1", …),
// in the file's order.
std::vector<std::string_view> parameter_names();
// Whether the named persistent parameter holds a text (false for a number or an unknown name).
bool is_text_parameter(std::string_view name);

enum class ParameterOutcome { Set, UnknownName, NoNumber, TooLarge };
// Sets a persistent parameter from a value text (Windows-1252) read as a line of the file reads it:
// a text trimmed of spaces and cut to its field, a number as its field's type. Stricter than the
// file: a number field whose value holds no number at all, or a number its field cannot hold, is
// refused and the record left alone.
ParameterOutcome set_parameter(PosterSettings& settings, std::string_view name, std::string_view value);

// Creates "impostazioni.log" with the twelve default lines when it is missing, then loads it into
// the twelve persistent fields.
void SCP_DEFA(Platform& platform, PosterSettings& settings);
// Writes the fourteen field lines and the dash line; append 0 replaces the file, anything else
// appends to it.
void SCP_SALV(Platform& platform, std::string_view file, const PosterSettings& settings, std::int32_t append);
// Creates the file empty when missing; appends each of its lines to the list at count + 1.
void SCP_CARI(Platform& platform, std::string_view file, TextList& list, std::int32_t& count);
// Appends the text as one line unless it is empty or all spaces.
void SCP_APPE(Platform& platform, std::string_view file, std::string_view text);

}  // namespace posteri
