// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// While the terminal shows the program's screen, file descriptor 2 goes to a pipe instead, so that
// what libraries write there (audio servers, X, fonts) never lands over the screen. The pipe is
// drained into memory while the program waits for keys; when the terminal is given back the text is
// written to the real stderr, once.

namespace posteri {

// Sends fd 2 into the pipe. Does nothing when it is already captured or no pipe can be made.
void capture_stderr();
// Moves what is in the pipe into memory; cheap when nothing is.
void drain_stderr();
// Puts fd 2 back and writes what was captured to it. Async-signal-safe, for the handlers that end
// the run; calling it again does nothing.
void release_stderr();

}  // namespace posteri
