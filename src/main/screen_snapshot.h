#pragma once
// The whole screen and the cursor, put back when the snapshot ends: a dialog of the run that draws
// over the screen leaves no trace of itself.

#include <vector>

#include "platform/console.h"

namespace posteri {

class ScreenSnapshot {
public:
    explicit ScreenSnapshot(Console& console);
    ~ScreenSnapshot();
    ScreenSnapshot(const ScreenSnapshot&) = delete;
    ScreenSnapshot& operator=(const ScreenSnapshot&) = delete;

private:
    Console& console_;
    CellRect screen_;
    std::vector<Cell> cells_;
    CellPos cursor_;
    Attribute colour_;
};

}  // namespace posteri
