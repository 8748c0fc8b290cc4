#include "main/screen_snapshot.h"

namespace posteri {

ScreenSnapshot::ScreenSnapshot(Console& console)
    : console_(console),
      screen_{1, 1, console.size().rows, console.size().cols},
      cells_(console.read_cells(screen_)),
      cursor_(console.cursor()),
      colour_(console.colour()) {}

ScreenSnapshot::~ScreenSnapshot() {
    console_.write_cells(screen_, cells_);
    console_.set_cursor(cursor_.row, cursor_.col);
    console_.set_colour(colour_);
}

}  // namespace posteri
