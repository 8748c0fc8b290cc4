// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file chooser drawn on the console: a framed list of the folder's subfolders and of the files that
// match a pattern, browsed with the keys or the mouse and searched by typing.

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

struct FileChooserRequest {
    std::string title;
    // Where the chooser starts: a full path (Windows-1252).
    std::string folder;
    // What the user is told the list shows, such as "*.jpg".
    std::string filter_name;
    // ";"-separated wildcard patterns the files must match; empty lists every file.
    std::string patterns;
    // A file with a longer full path cannot be chosen (the caller could not keep its name whole).
    std::size_t longest_path = std::string::npos;
};

// The full path of the existing file the user chose, or nothing when the user left with Esc.
// The screen, the cursor and the mouse mode are as before when it returns.
std::optional<std::string> choose_file(Platform& platform, const FileChooserRequest& request);

// The chooser's words for a file whose name Windows-1252 cannot write (Windows-1252).
inline constexpr std::string_view kUnusableName =
    "Questo nome ha caratteri non utilizzabili: rinominalo per sceglierlo.";

// Why the chooser does not give the file at this full path (its own words, Windows-1252): a path
// longer than `longest_path`, nothing there, or something that is no file (a folder, a FIFO, a
// device, a socket), named as what it is; empty when it gives it.
std::string_view file_refusal(System& system, const std::string& path, std::size_t longest_path);

// Whether the name matches one of the ";"-separated patterns, where "*" stands for any run of
// characters and "?" for one character, ignoring letter case.
bool matches_patterns(std::string_view name, std::string_view patterns);

}  // namespace posteri
