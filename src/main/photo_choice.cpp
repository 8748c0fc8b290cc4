// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/photo_choice.h"

#include <filesystem>
#include <vector>

#include "format/codepage.h"
#include "format/text.h"
#include "main/file_chooser.h"
#include "main/run_operations.h"
#include "settings/poster_settings.h"
#include "ui/failure.h"

namespace posteri {

namespace {

// What the dialog is handed and what it fills in.
struct OpenFileRecord {
    // Description and pattern pairs, NUL-separated, ending in two NULs.
    std::string filter;
    int filter_index = 1;
    // Exactly kFileNameBufferSize characters.
    std::string file;
    std::string initial_directory;
    std::string title;
    std::int32_t flags = 0;
    std::string default_extension;
    std::size_t longest_path = 0;
};

struct FilterEntry {
    std::string description;
    std::string pattern;
};

// The index-th pair (from 1) of the filter list, the first when there is no such pair; an empty
// entry when the list has none.
FilterEntry filter_entry(std::string_view list, int index) {
    std::vector<std::string_view> parts;
    while (!list.empty() && list.front() != '\0') {
        const std::size_t end = list.find('\0');
        parts.push_back(list.substr(0, end));
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
    const int pairs = static_cast<int>(parts.size() / 2);
    if (pairs == 0) return {};
    const auto pair = static_cast<std::size_t>(index >= 1 && index <= pairs ? index - 1 : 0);
    return FilterEntry{std::string(parts[2 * pair]), std::string(parts[2 * pair + 1])};
}

// What follows the last "." of the path's last part, "" when it has none.
std::string extension_of(std::string_view path) {
    const std::string_view name = path.substr(path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1));
}

// The console file chooser in the dialog's place: the chosen path goes into the buffer followed
// by NULs, and a default extension that the chosen file does not have is flagged.
bool show_open_dialog(Platform& platform, OpenFileRecord& record) {
    const FilterEntry filter = filter_entry(record.filter, record.filter_index);
    const FileChooserRequest request{record.title.empty() ? "Apri" : record.title, record.initial_directory,
                                     filter.description.empty() ? "*" : filter.description, filter.pattern,
                                     record.longest_path};
    const auto path = choose_file(platform, request);
    if (!path || path->size() >= record.file.size()) return false;
    record.file.replace(0, path->size() + 1, *path + '\0');
    if (!record.default_extension.empty() &&
        to_upper(extension_of(*path)) != to_upper(record.default_extension)) {
        record.flags |= kOfnExtensionDifferent;
    }
    return true;
}

}  // namespace

std::string dialog_filter(std::string_view filter) {
    std::string list(filter);
    for (char& ch : list) {
        if (ch == '|') ch = '\0';
    }
    return list + '\0';
}

std::string returned_file_name(std::string_view buffer) {
    const std::size_t double_nul = buffer.find(std::string_view("\0\0", 2));
    if (double_nul != std::string_view::npos) return std::string(buffer.substr(0, double_nul));
    const std::size_t nul = buffer.find('\0');
    return nul == std::string_view::npos ? "" : std::string(buffer.substr(0, nul));
}

std::int32_t OPENFILE(Platform& platform, std::string_view title, std::string& file_name,
                      std::string_view initial_directory, std::string_view filter,
                      std::string_view default_extension, std::int32_t& flags, std::size_t longest_path) {
    RoutineName routine("OPENFILE");
    OpenFileRecord record;
    record.filter = dialog_filter(filter);
    record.initial_directory =
        initial_directory.empty() ? platform.system.working_directory() : std::string(initial_directory);
    record.file = file_name.substr(0, kFileNameBufferSize);
    record.file.resize(kFileNameBufferSize, '\0');
    record.title = title;
    record.flags = flags;
    record.default_extension = default_extension;
    record.longest_path = longest_path;
    const bool chosen = show_open_dialog(platform, record);
    file_name = returned_file_name(record.file);
    flags = record.flags;
    return chosen ? 1 : 0;
}

PhotoArgument photo_argument(System& system, ImageCodec& images, std::string_view native) {
    const std::string name = native_to_cp1252(native);
    const std::filesystem::path whole = std::filesystem::path(system.working_directory()) / name;
    PhotoArgument photo{whole.lexically_normal().string(), {}};
    if (native.empty()) {
        photo.refusal = kEmptyPhotoName;
    } else if (cp1252_to_utf8(name) != native) {
        photo.refusal = kUnusableName;
    } else {
        photo.refusal = file_refusal(system, photo.path, decltype(PosterSettings::nomefile)::width);
        if (photo.refusal.empty() && !images.facts(photo.path)) photo.refusal = kNotAPhoto;
    }
    return photo;
}

std::string photo_refusal_line(std::string_view native, std::string_view refusal) {
    if (native.empty()) return std::string(refusal);
    return echoed(native_to_cp1252(native)) + ": " + std::string(refusal);
}

// The pattern serves as its own description. A path longer than the run's file-name field would be
// cut there and name another file, so such a file cannot be chosen.
std::string FUN_SCELTA_FILE(Platform& platform, std::string_view pattern, std::string_view description) {
    RoutineName routine("FUN_SCEL");
    const std::string initial_directory = platform.system.working_directory();
    std::string file_name;
    const std::string filter = std::string(description) + "|" + std::string(pattern) + "|";
    std::int32_t flags = kOfnHideReadOnly | kOfnFileMustExist | kOfnExplorer | kOfnLongNames;
    const std::int32_t ok = OPENFILE(platform, "Scegli il file", file_name, initial_directory, filter, "",
                                     flags, decltype(PosterSettings::nomefile)::width);
    return ok == 0 ? "" : file_name;
}

}  // namespace posteri
