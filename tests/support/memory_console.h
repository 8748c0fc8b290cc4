// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A console in memory for tests: the screen is a ConsoleBuffer the test can inspect, and input is
// a script of key strings pushed beforehand. Reading past the end of the script throws
// ScriptExhausted, so a test whose code waits for more keys than scripted fails instead of hanging.

#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/terminal/console_buffer.h"

namespace posteri {

class ScriptExhausted : public std::runtime_error {
  public:
    ScriptExhausted() : std::runtime_error("memory console: no more scripted keys") {}
};

class MemoryConsole : public BufferedConsole {
  public:
    explicit MemoryConsole(ScreenSize size = {80, 25});

    // --- the input script, read in order
    void push_key(std::string key);
    void push_keys(std::initializer_list<std::string> keys);
    // Each byte of `text` (Windows-1252) as one key.
    void push_text(std::string_view text);
    // A mouse event (such as keys::kMousePress) with the pointer at (row, col). Like a terminal,
    // the console reports mouse events only while mouse reporting is on: one that comes up in the
    // script while it is off is dropped.
    void push_mouse(std::string key, int row, int col);
    // Runs at the start of every read_key(), with the screen as the program left it for the user.
    std::function<void()> before_read;
    // The keys pushed after a pause are typed only once the program waits for a key: until it next
    // reads one, key_waiting() finds none.
    void push_pause();
    std::size_t keys_left() const { return script_.size(); }

    // --- what the test inspects
    // The characters of a row as UTF-8, trailing blanks included.
    std::string row_text(int row) const;
    // All rows as UTF-8, each followed by '\n' (handy in failure messages).
    std::string screen_text() const;
    Attribute attr_at(int row, int col) const;
    char32_t char_at(int row, int col) const;
    const std::string& title() const { return buffer().title(); }
    int cursor_size() const { return buffer().cursor_size(); }
    bool mouse_on() const { return mouse_enabled(); }
    int discard_count() const { return discard_count_; }
    // The system-menu items kept by the last maximise_window(), nothing when it was never called.
    const std::optional<WindowMenu>& maximised() const { return maximised_; }
    // What largest_size() reports; the screen size itself by default.
    void set_largest_size(ScreenSize size) { largest_ = size; }

    // --- Console
    ScreenSize largest_size() const override;
    void set_size(ScreenSize size) override;
    bool key_waiting() override;
    std::string read_key() override;
    // Scripted keys stand for keys typed after the program asked for them, so discarding waiting
    // input leaves the script alone; the calls are counted.
    void discard_input() override { ++discard_count_; }
    void set_mouse(bool on) override { mouse_on_ = on; }
    void maximise_window(const WindowMenu& kept) override { maximised_ = kept; }
    bool mouse_enabled() const override { return mouse_on_; }
    CellPos mouse_position() const override { return mouse_position_; }
    // Kept until the next output, as a terminal keeps its cursor there.
    void show_reading_point(CellPos cell) override { reading_point = cell; }
    std::optional<CellPos> reading_point;

  protected:
    void screen_changed() override { reading_point.reset(); }

  private:
    struct Event {
        std::string key;
        bool is_mouse = false;
        bool is_pause = false;
        CellPos pos;
    };
    void drop_unreported_mouse();
    void skip_pauses();

    std::deque<Event> script_;
    bool mouse_on_ = false;
    CellPos mouse_position_;
    ScreenSize largest_;
    int discard_count_ = 0;
    std::optional<WindowMenu> maximised_;
};

}  // namespace posteri
