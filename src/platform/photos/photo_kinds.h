// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kinds of photo file, told apart by their first bytes whatever their names say.

#include <cstddef>
#include <optional>
#include <string_view>

namespace posteri {

enum class PhotoKind { Jpeg, Png, Webp, Heif, JpegXl, Tiff };

// How many of a file's first bytes tell its kind.
inline constexpr std::size_t kKindBytes = 12;

// The kind whose signature the file's first bytes (up to kKindBytes of them) carry; nothing for a
// file of no kind known here.
std::optional<PhotoKind> photo_kind(std::string_view first_bytes);

}  // namespace posteri
