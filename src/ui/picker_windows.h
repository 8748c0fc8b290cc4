// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The list pickers' two graphic windows: the help page, waited on until a key, and the record card of
// an item, left open beside the picker.

#include <string>

#include "platform/platform.h"

namespace posteri {

// Shows the help page and returns when a key is typed into it.
void HELP_ALO(Platform& platform);
// Shows the record card of `record` (its lines separated by the vertical bar glyph, code page 437
// byte 179) and returns at once with the card's window, which stays open.
WindowHandle VIEW_ALO(Platform& platform, const std::string& record);

// The record card a picker shows after every move: the card of the previous move is closed when the
// next one opens, so that moving through a list leaves one card open, not one per move.
class RecordCard {
  public:
    void show(Platform& platform, const std::string& record);

  private:
    WindowHandle shown_ = 0;
};

}  // namespace posteri
