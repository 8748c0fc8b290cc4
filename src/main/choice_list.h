// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The short choices of the run: a sorting list picker centred on the screen in bright white, as tall
// as the screen allows, and the option strings they share.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace posteri {

// The exit keys F1 to F5 and F10, each enclosed in slashes as the pickers read them, then the
// pointer "<" beside the selected row.
std::string function_keys_and_pointer();

// Runs the picker over items 1 .. count (element 0 the title) in `foreground` on bright white, with
// `selection` highlighted first; returns the chosen item (0 after Esc or the close mark). The items
// may come back re-ordered by the search, so the caller reads the chosen one after the call.
std::int32_t choose_in_list(Platform& platform, std::vector<std::string>& items, std::int32_t count,
                            std::int32_t selection, std::int32_t foreground, std::string options);

// The cursor noted now and put back when the choice is over.
class KeptCursor {
  public:
    explicit KeptCursor(Console& console) : console_(console), noted_(console.cursor()) {}
    ~KeptCursor() { console_.set_cursor(noted_.row, noted_.col); }
    KeptCursor(const KeptCursor&) = delete;
    KeptCursor& operator=(const KeptCursor&) = delete;

  private:
    Console& console_;
    CellPos noted_;
};

}  // namespace posteri
