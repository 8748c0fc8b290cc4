// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/memory_console.h"

#include "format/codepage.h"

namespace posteri {

MemoryConsole::MemoryConsole(ScreenSize size) : BufferedConsole(size) {}

void MemoryConsole::push_key(std::string key) {
    script_.push_back(Event{std::move(key), false, false, CellPos{}});
}

void MemoryConsole::push_keys(std::initializer_list<std::string> keys) {
    for (const auto& key : keys) push_key(key);
}

void MemoryConsole::push_text(std::string_view text) {
    for (const char ch : text) push_key(std::string(1, ch));
}

void MemoryConsole::push_mouse(std::string key, int row, int col) {
    script_.push_back(Event{std::move(key), true, false, CellPos{row, col}});
}

void MemoryConsole::push_pause() {
    script_.push_back(Event{{}, false, true, CellPos{}});
}

std::string MemoryConsole::row_text(int row) const {
    std::string text;
    for (int col = 1; col <= size().cols; ++col) text += utf8_encode(char_at(row, col));
    return text;
}

std::string MemoryConsole::screen_text() const {
    std::string text;
    for (int row = 1; row <= size().rows; ++row) text += row_text(row) + '\n';
    return text;
}

Attribute MemoryConsole::attr_at(int row, int col) const {
    return buffer().at(row, col).attr;
}

char32_t MemoryConsole::char_at(int row, int col) const {
    return buffer().at(row, col).ch;
}

ScreenSize MemoryConsole::largest_size() const {
    return largest_.cols > 0 ? largest_ : size();
}

void MemoryConsole::set_size(ScreenSize size) {
    edit_buffer().resize(size);
}

bool MemoryConsole::key_waiting() {
    drop_unreported_mouse();
    return !script_.empty() && !script_.front().is_pause;
}

std::string MemoryConsole::read_key() {
    if (before_read) before_read();
    skip_pauses();
    if (script_.empty()) throw ScriptExhausted();
    Event event = std::move(script_.front());
    script_.pop_front();
    if (event.is_mouse) mouse_position_ = event.pos;
    return std::move(event.key);
}

void MemoryConsole::drop_unreported_mouse() {
    while (!mouse_on_ && !script_.empty() && script_.front().is_mouse) script_.pop_front();
}

void MemoryConsole::skip_pauses() {
    for (;;) {
        drop_unreported_mouse();
        if (script_.empty() || !script_.front().is_pause) return;
        script_.pop_front();
    }
}

}  // namespace posteri
