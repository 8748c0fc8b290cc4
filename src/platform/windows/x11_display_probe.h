// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the X display named by DISPLAY answers. A display that accepts the connection and never
// replies (a stale ssh -X forwarding) would stop the first window's opening for ever; asked in a
// child process with a time limit, it costs at most that limit.

#include <chrono>

namespace posteri {

enum class DisplayAnswer {
    NoDisplay,  // DISPLAY unset, or the display refused (no server there)
    Answers,
    Silent,     // no answer within the limit
};

DisplayAnswer probe_x_display(std::chrono::milliseconds limit);

}  // namespace posteri
