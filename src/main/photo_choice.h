// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open-file dialog as the run asks for it: a filter text, a file-name buffer of fixed size and
// flags, answered by the console file chooser.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

// Dialog flags.
inline constexpr std::int32_t kOfnHideReadOnly = 0x4;
inline constexpr std::int32_t kOfnExtensionDifferent = 0x400;
inline constexpr std::int32_t kOfnFileMustExist = 0x1000;
inline constexpr std::int32_t kOfnExplorer = 0x80000;
inline constexpr std::int32_t kOfnLongNames = 0x200000;

// The size of the dialog's file-name buffer, in characters.
inline constexpr std::size_t kFileNameBufferSize = 16384;

// Shows the dialog. `filter` holds description and pattern pairs, each followed by "|"; the first
// pair is used. The chosen full path comes back in `file_name` and the dialog's flags in `flags`.
// A file whose full path is longer than `longest_path` cannot be chosen: the user is told so.
// Non-zero when the user chose a file, 0 otherwise.
std::int32_t OPENFILE(Platform& platform, std::string_view title, std::string& file_name,
                      std::string_view initial_directory, std::string_view filter,
                      std::string_view default_extension, std::int32_t& flags,
                      std::size_t longest_path = kFileNameBufferSize - 1);

// A photo named on the command line, taken as the file chooser would give it: its whole path
// (Windows-1252, "." and ".." resolved), and why it cannot be taken (Windows-1252): an empty name,
// the chooser's own refusals, or that the file is no JPEG or PNG photo. An empty refusal: it can.
struct PhotoArgument {
    std::string path;
    std::string_view refusal;
};
PhotoArgument photo_argument(System& system, ImageCodec& images, std::string_view native);
inline constexpr std::string_view kNotAPhoto = "Questo file non \xE8 una foto JPEG o PNG.";
inline constexpr std::string_view kEmptyPhotoName = "Il nome della foto \xE8 vuoto.";
// The line both programs refuse a photo argument with (Windows-1252): the name as given, cut if it
// is long, then the refusal; an empty name is not repeated.
std::string photo_refusal_line(std::string_view native, std::string_view refusal);

// The filter text as the dialog takes it: every "|" a NUL, and one more NUL at the end.
std::string dialog_filter(std::string_view filter);
// The name the dialog left in its buffer: up to the first pair of NULs, else up to the only NUL;
// a buffer without any NUL gives nothing.
std::string returned_file_name(std::string_view buffer);

}  // namespace posteri
