// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the raw bytes a terminal sends (UTF-8 text, escape sequences of the xterm family and of
// the Linux console, Alt as an ESC before a key, mouse reports in SGR and X10 form) into the
// console's key strings. Pure: the caller passes the bytes with the time they arrived, so timing
// rules (a lone ESC, double clicks) can be tested with a fake clock.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "platform/terminal/console.h"

namespace posteri {

struct DecodedKey {
    std::string key;
    bool is_mouse = false;
    // For a mouse event: the pointer's cell.
    CellPos mouse;
};

class KeyDecoder {
  public:
    // Milliseconds on a monotonic clock.
    using Millis = std::int64_t;
    // An ESC left alone this long is the Esc key; a key typed within it after the ESC is Alt and
    // that key. Only time decides, never where the reads were cut.
    static constexpr Millis kSequenceTimeout = 30;
    // A sequence begun after its ESC ("ESC [", "ESC O", a mouse report) waits this long for its rest,
    // which over ssh or a slow link may come in a later piece; then it is dropped.
    static constexpr Millis kHeldSequenceTimeout = 250;
    // A second left press on the same cell within this time is a double click.
    static constexpr Millis kDoubleClickTime = 500;

    // Bytes that arrived at `now`.
    void feed(std::string_view bytes, Millis now);
    // Whether a key is ready at `now`, without taking it.
    bool key_ready(Millis now);
    // The next key, if one is ready at `now`.
    std::optional<DecodedKey> next_key(Millis now);
    // An unfinished sequence is held, waiting for more bytes or for its time-out.
    bool holding_bytes() const { return state_ != State::Ground; }

    // While off, mouse reports are read and dropped, and mouse events not yet taken are dropped.
    void set_mouse(bool on);
    bool mouse_on() const { return mouse_on_; }
    // Forgets every ready key and any unfinished sequence.
    void discard();

  private:
    enum class State { Ground, Escape, Csi, LinuxFunction, Ss3, X10Mouse, Utf8 };
    // What is still to come of a mouse report that was broken off: nothing, the bytes up to the
    // M or m of an SGR report, or a count of X10 bytes.
    struct MouseRest {
        bool sgr = false;
        int x10_bytes = 0;
        Millis since = 0;
        bool active() const { return sgr || x10_bytes > 0; }
    };

    void take(unsigned char byte, Millis now);
    // Swallows `byte` when it belongs to the rest of a broken-off mouse report.
    bool take_mouse_rest(unsigned char byte);
    void break_off_mouse_report(Millis now);
    void take_in_ground(unsigned char byte);
    void take_after_escape(unsigned char byte);
    void take_in_csi(unsigned char byte, Millis now);
    void take_in_ss3(unsigned char byte);
    void take_linux_function(unsigned char byte);
    void take_x10_mouse(unsigned char byte, Millis now);
    void take_utf8(unsigned char byte);
    void settle(Millis now);
    void finish_csi(char final_byte, Millis now);
    void mouse_report(int button_code, bool released, int row, int col, Millis now);
    void add_to_sequence(unsigned char byte);
    void emit(std::string key);
    void restart();

    State state_ = State::Ground;
    // The bytes of the unfinished sequence after its introducer.
    std::string sequence_;
    std::size_t utf8_length_ = 0;
    Millis last_byte_at_ = 0;
    MouseRest mouse_rest_;

    std::deque<DecodedKey> keys_;

    bool mouse_on_ = false;
    struct Press {
        CellPos cell;
        Millis at = 0;
    };
    std::optional<Press> last_press_;
};

}  // namespace posteri
