// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console on a real terminal: the screen is drawn with ncursesw on the alternate screen in the
// 16 colours, or their nearest on a terminal with 8, and input is read from stdin as raw bytes and
// turned into key strings by the KeyDecoder. The terminal is given back, with the title it had, on
// every way out: restore(), the destructor, exit(), Ctrl-C, SIGTERM, SIGHUP, SIGQUIT and crashes;
// what libraries wrote to stderr meanwhile follows it. Ctrl-Z suspends and resumes with the screen
// redrawn; a resized terminal is repainted at once: the screen keeps its size, and a smaller
// terminal shows its drawing moved to fit whole, or one line asking for a larger terminal, never a
// cut window; Ctrl-L repaints.

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/terminal/console_buffer.h"
#include "platform/terminal/key_decoder.h"
#include "platform/terminal/terminal_colours.h"
#include "platform/terminal/viewport.h"

struct screen;

namespace posteri {

// The terminal cannot be used; what() is one Italian line for stderr.
class TerminalError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TerminalConsole : public BufferedConsole {
  public:
    // Takes over the terminal on stdin and stdout. Throws TerminalError when they are not a
    // terminal, the locale is not UTF-8, TERM is unset or empty, or the terminal type is unknown,
    // has no cursor addressing or fewer than 8 colours; all but too few colour pairs are found
    // before anything is written to the terminal.
    // Only one may be open at a time.
    static std::unique_ptr<TerminalConsole> open();
    ~TerminalConsole() override;
    TerminalConsole(const TerminalConsole&) = delete;
    TerminalConsole& operator=(const TerminalConsole&) = delete;

    // Gives the terminal back as it was (mouse reporting off, normal screen, cursor shown, the
    // terminal's modes). Idempotent; afterwards the screen is no longer drawn.
    void restore();

    // The terminal's own size.
    ScreenSize largest_size() const override;
    // The screen always has the terminal's size, so this changes nothing.
    void set_size(ScreenSize size) override;
    bool key_waiting() override;
    std::string read_key() override;
    void discard_input() override;
    void set_mouse(bool on) override;
    // Asks an xterm-like terminal to maximise its window (terminals that do not allow it ignore the
    // request; a resize follows when it is granted). A terminal has no system menu.
    void maximise_window(const WindowMenu& kept) override;
    bool mouse_enabled() const override { return decoder_.mouse_on(); }
    CellPos mouse_position() const override { return mouse_position_; }
    void set_side_keys(std::function<std::string()> source) override;
    void show_reading_point(CellPos cell) override;
    void set_title(std::string_view text) override;

  protected:
    void screen_changed() override;

  private:
    struct Capabilities {
        ColourDepth colours = ColourDepth::Sixteen;
        bool titles = false;
        bool window_operations = false;
        std::string cursor_shape;  // terminfo Ss, or empty for the plain DECSCUSR form
        std::string cursor_reset;
        bool cursor_shapes = false;
    };
    TerminalConsole(::screen* screen, Capabilities caps);

    // Draws the changed cells, cursor and title.
    void present();
    // The changed cells the terminal shows of the screen; a new viewport draws them all.
    void draw_cells(const Viewport& view);
    // Where the terminal's cursor goes: the reading point or the screen's cursor, moved as the
    // viewport moves the screen, or the start of the line that asks for a larger terminal.
    CellPos terminal_cursor(const Viewport& view) const;
    std::string cursor_shape_sequence() const;
    // Acts on the signals that arrived since the last call: ends the run, suspends, redraws.
    void handle_signals();
    void follow_terminal_size();
    void suspend();
    void redraw_all();
    void leave_screen();
    // Reads what stdin has within `timeout_ms` into the decoder.
    void read_input(int timeout_ms);
    [[noreturn]] void end_run(int signal_number);
    // Whether a key from beside the console is waiting in side_key_ (asking the source for one).
    bool side_key_waiting();
    // Whether a decoded key is waiting in waiting_key_ (taking one from the decoder).
    bool decoded_key_waiting();

    ::screen* screen_;
    std::unique_ptr<Capabilities> caps_;
    bool active_ = true;
    KeyDecoder decoder_;
    std::optional<DecodedKey> waiting_key_;
    // Where the terminal's cursor stands until the next output, for screen readers.
    std::optional<CellPos> reading_point_;
    // The terminal's own title stands until the program sets one.
    bool title_set_ = false;
    CellPos mouse_position_;
    // What the terminal shows of the screen since the last present().
    Viewport shown_view_;
    std::function<std::string()> side_keys_;
    std::string side_key_;
};

}  // namespace posteri
