// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <type_traits>
#include <variant>

#include "format/codepage.h"
#include "format/number_text.h"
#include "format/text.h"
#include "ui/failure.h"

namespace posteri {

namespace {

constexpr int kOverflow = 6;
constexpr int kSubscriptOutOfRange = 9;
constexpr std::size_t kKeyColumn = 21;
constexpr std::string_view kLineEnd = "\r\n";

using Member =
    std::variant<float PosterSettings::*, std::int32_t PosterSettings::*, FixedText<254> PosterSettings::*,
                 FixedText<64> PosterSettings::*, FixedText<2> PosterSettings::*>;

struct Field {
    std::string_view key;
    Member member;
    // The value text of the default file; empty for the fields that are saved but never loaded.
    std::string_view default_text;
    bool persistent() const { return !default_text.empty(); }
    // The key without its "a.", as the command line names the field.
    std::string_view name() const { return key.substr(2); }
};

// In the order of a saved file. The persistent ones, in the same order, make the default file and
// are the keys the loader looks for.
const std::array<Field, 14> kFields = {{
    {"a.px_cm", &PosterSettings::px_cm, "3.2"},
    {"a.py_cm", &PosterSettings::py_cm, "3.2"},
    {"a.larghezza_cm", &PosterSettings::larghezza_cm, "-3.2"},
    {"a.altezza_cm", &PosterSettings::altezza_cm, "-5.8"},
    {"a.autocentra", &PosterSettings::autocentra, "0"},
    {"a.fits", &PosterSettings::fits, "3"},
    {"a.nomefile", &PosterSettings::nomefile, ""},
    {"a.testo1", &PosterSettings::testo1, "MAXI_STAMPA"},
    {"a.testo2", &PosterSettings::testo2, "GALMINI OTTAVIANO"},
    {"a.testo3", &PosterSettings::testo3, "2017"},
    {"a.nomefont", &PosterSettings::nomefont, "ar bonnie"},
    {"a.tipoautore", &PosterSettings::tipoautore, "1, Zelmo e Zolmo"},
    {"a.logorroico", &PosterSettings::logorroico, "si, parlo"},
    {"a.nomestampante", &PosterSettings::nomestampante, ""},
}};

std::string key_column(const Field& field) {
    return fit_width(field.key, kKeyColumn) + "=";
}

std::string default_settings_text() {
    std::string text;
    for (const Field& field : kFields) {
        if (field.persistent())
            text += key_column(field) + " " + std::string(field.default_text) + std::string(kLineEnd);
    }
    return text;
}

// Numbers get their sign position and one trailing space; texts one space and the whole field.
std::string saved_value(const PosterSettings& settings, const Member& member) {
    return std::visit(
        [&](auto field) -> std::string {
            const auto& value = settings.*field;
            using Value = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, float>) {
                return general_number(value, 7) + " ";
            } else if constexpr (std::is_same_v<Value, std::int32_t>) {
                return general_number(value, 15) + " ";
            } else {
                return " " + value.str();
            }
        },
        member);
}

std::string saved_settings_text(const PosterSettings& settings) {
    std::string text;
    for (const Field& field : kFields)
        text += key_column(field) + saved_value(settings, field.member) + std::string(kLineEnd);
    return text + std::string(80, '-') + std::string(kLineEnd);
}

// CR LF, LF alone or CR alone ends a line; a last line without an end still counts. A line of a
// Linux editor's file is UTF-8; a Windows-1252 line with accented letters is almost never valid
// UTF-8, and an ASCII line reads the same either way.
std::vector<std::string> file_lines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
        lines.push_back(native_to_cp1252(bytes.substr(start, end - start)));
        start = end + 1;
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ++start;
    }
    return lines;
}

// A number as its field's type; empty when it does not fit.
template <typename T>
std::optional<T> read_as(std::string_view value) {
    if constexpr (std::is_same_v<T, float>) {
        return read_single(value);
    } else {
        return read_integer(value);
    }
}

// A number that does not fit its field is a run-time overflow; after OK the field keeps its value.
template <typename T>
void assign_number(Platform& platform, T& target, std::optional<T> number) {
    if (number) {
        target = *number;
    } else {
        raise_failure(platform.fault, kOverflow);
    }
}

void load_value(Platform& platform, PosterSettings& settings, const Member& member, std::string_view value) {
    std::visit(
        [&](auto field) {
            auto& target = settings.*field;
            using Value = std::remove_cvref_t<decltype(target)>;
            if constexpr (std::is_same_v<Value, float> || std::is_same_v<Value, std::int32_t>) {
                assign_number(platform, target, read_as<Value>(value));
            } else {
                target = trim_spaces(value);
            }
        },
        member);
}

// Which of kFields some line of the file has set.
using FieldsSet = std::array<bool, kFields.size()>;

// The key part is the text before the first "=", the value part the text between the first and
// the second "="; every persistent key found in the key part takes the value.
void load_line(Platform& platform, PosterSettings& settings, std::string_view line, FieldsSet& set) {
    const std::size_t equals = line.find('=');
    const std::string_view key_part = line.substr(0, equals);
    std::string_view value;
    if (equals != std::string_view::npos) {
        value = line.substr(equals + 1);
        value = value.substr(0, value.find('='));
    }
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (kFields[i].persistent() && key_part.find(kFields[i].key) != std::string_view::npos) {
            load_value(platform, settings, kFields[i].member, value);
            set[i] = true;
        }
    }
}

bool is_text(const Member& member) {
    return !std::holds_alternative<float PosterSettings::*>(member) &&
           !std::holds_alternative<std::int32_t PosterSettings::*>(member);
}

// A text field that no line set would otherwise keep what the record held before, NUL characters
// in a fresh record, and a later save would write them into the files: it takes its default
// instead. A number field that no line set keeps its value.
void default_unset_texts(Platform& platform, PosterSettings& settings, const FieldsSet& set) {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (kFields[i].persistent() && !set[i] && is_text(kFields[i].member)) {
            load_value(platform, settings, kFields[i].member, kFields[i].default_text);
        }
    }
}

// The persistent field of that name; null for any other name.
const Field* persistent_field(std::string_view name) {
    for (const Field& field : kFields) {
        if (field.persistent() && field.name() == name) return &field;
    }
    return nullptr;
}

}  // namespace

std::vector<std::string_view> parameter_names() {
    std::vector<std::string_view> names;
    for (const Field& field : kFields) {
        if (field.persistent()) names.push_back(field.name());
    }
    return names;
}

bool is_text_parameter(std::string_view name) {
    const Field* field = persistent_field(name);
    return field != nullptr && is_text(field->member);
}

ParameterOutcome set_parameter(PosterSettings& settings, std::string_view name, std::string_view value) {
    const Field* field = persistent_field(name);
    if (field == nullptr) return ParameterOutcome::UnknownName;
    return std::visit(
        [&](auto member) {
            auto& target = settings.*member;
            using Value = std::remove_cvref_t<decltype(target)>;
            if constexpr (std::is_same_v<Value, float> || std::is_same_v<Value, std::int32_t>) {
                if (!starts_with_number(value)) return ParameterOutcome::NoNumber;
                const std::optional<Value> number = read_as<Value>(value);
                if (!number) return ParameterOutcome::TooLarge;
                target = *number;
            } else {
                target = trim_spaces(value);
            }
            return ParameterOutcome::Set;
        },
        field->member);
}

void SCP_DEFA(Platform& platform, PosterSettings& settings) {
    RoutineName routine("SCP_DEFA");
    const std::string path(kSettingsFile);
    std::string bytes;
    int error = platform.system.read_file(path, bytes);
    // An empty file holds no settings (an interrupted earlier write, a "touch"): it gets the
    // defaults like a missing one, so no field is left with NUL characters.
    if (error == ENOENT || (error == 0 && bytes.empty())) {
        raise_for_errno(platform.fault, platform.system.replace_file(path, default_settings_text()));
        error = platform.system.read_file(path, bytes);
        // Still empty after the defaults were written: the file is switched off (the null device),
        // and the run goes on with the defaults it would have held.
        if (error == 0 && bytes.empty()) bytes = default_settings_text();
    }
    FieldsSet set{};
    // After a read failure (the user chose to go on) no line set anything: the texts still get
    // their defaults.
    if (!raise_for_errno(platform.fault, error)) {
        for (const std::string& line : file_lines(bytes)) load_line(platform, settings, line, set);
    }
    default_unset_texts(platform, settings, set);
}

void SCP_SALV(Platform& platform, std::string_view file, const PosterSettings& settings,
              std::int32_t append) {
    RoutineName routine("SCP_SALV");
    const std::string path(file);
    const std::string text = saved_settings_text(settings);
    const int error =
        append == 0 ? platform.system.replace_file(path, text) : platform.system.append_file(path, text);
    raise_for_errno(platform.fault, error);
}

void SCP_CARI(Platform& platform, std::string_view file, TextList& list, std::int32_t& count) {
    RoutineName routine("SCP_CARI");
    const std::string path(file);
    std::string bytes;
    int error = platform.system.read_file(path, bytes);
    if (error == ENOENT) {
        raise_for_errno(platform.fault, platform.system.append_file(path, {}));
        error = platform.system.read_file(path, bytes);
    }
    if (raise_for_errno(platform.fault, error)) return;
    for (std::string& line : file_lines(bytes)) {
        ++count;
        if (count < 0) {
            raise_failure(platform.fault, kSubscriptOutOfRange);
            continue;
        }
        list.resize(static_cast<std::size_t>(count) + 1);
        list[static_cast<std::size_t>(count)] = std::move(line);
    }
}

void SCP_APPE(Platform& platform, std::string_view file, std::string_view text) {
    RoutineName routine("SCP_APPE");
    if (trim_spaces(text).empty()) return;
    raise_for_errno(platform.fault, platform.system.append_file(std::string(file),
                                                                std::string(text) + std::string(kLineEnd)));
}

}  // namespace posteri
