// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop clipboard's image, through the X11 CLIPBOARD selection.

#include <optional>
#include <string>

namespace posteri {

// The bytes of a PNG or JPEG image on the clipboard. Whenever a display answers, the clipboard is
// emptied afterwards, whether it held an image or not. Nothing when no display answers, the
// clipboard holds no image, or its owner does not answer within a second.
std::optional<std::string> take_clipboard_image_bytes();

}  // namespace posteri
