// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/key_decoder.h"

#include <array>
#include <utility>
#include <vector>

#include "format/codepage.h"

namespace posteri {

namespace {

constexpr unsigned char kEscByte = 0x1B;
// No key sequence is longer; a longer one is garbage and is dropped whole when it ends.
constexpr std::size_t kLongestSequence = 32;
constexpr std::size_t kX10ReportBytes = 3;
// Mouse report button codes: bits 0-1 the button (0 left, 3 none), 32 motion, 64 wheel,
// 128 extra buttons; 4, 8 and 16 are Shift, Alt and Ctrl, which do not matter here.
constexpr int kButtonMask = 3;
constexpr int kMotionOrWheelOrExtra = 32 | 64 | 128;

bool is_final_byte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0x7E;
}
bool is_csi_parameter_byte(unsigned char byte) {
    return byte >= 0x20 && byte <= 0x3F;
}
bool is_digit(unsigned char byte) {
    return byte >= '0' && byte <= '9';
}

// The numbers of "12;3;45"; empty fields count as 0. Nothing when other characters appear.
std::optional<std::vector<int>> parameters(std::string_view text) {
    std::vector<int> values{0};
    for (const char ch : text) {
        if (ch == ';') {
            values.push_back(0);
        } else if (is_digit(static_cast<unsigned char>(ch))) {
            int& value = values.back();
            if (value < 100000) value = value * 10 + (ch - '0');
        } else {
            return std::nullopt;
        }
    }
    return values;
}

// The modifier parameter of xterm sequences is 1 + 1 for Shift + 2 for Alt + 4 for Ctrl + 8 for Meta;
// a sequence without one (or with 0) has no modifier.
constexpr int kShiftModifier = 2;

// Function key `number` (F1 to F20 as the VT220 numbers them) with its modifier. F13 to F20 are
// what the Linux console and rxvt send for Shift+F3 to Shift+F10. Ctrl, Alt and Meta combinations
// have no key string: their PC codes would read as other keys once an exit-key list upper-cases them.
std::string modified_function_key(int number, int modifier) {
    const bool plain = modifier <= 1;
    if (plain) return number > 12 ? keys::function_key(number - 10, true) : keys::function_key(number);
    if (modifier == kShiftModifier && number <= 12) return keys::function_key(number, true);
    return {};
}

// The key of an xterm cursor or function key by the final byte of its CSI or SS3 sequence; cursor
// keys are the same whatever modifiers they carry.
std::string key_by_final_byte(char final_byte, int modifier) {
    switch (final_byte) {
        case 'A':
            return keys::kUp;
        case 'B':
            return keys::kDown;
        case 'C':
            return keys::kRight;
        case 'D':
            return keys::kLeft;
        case 'H':
            return keys::kHome;
        case 'F':
            return keys::kEnd;
        case 'P':
        case 'Q':
        case 'R':
        case 'S':
            return modified_function_key(final_byte - 'P' + 1, modifier);
        default:
            return {};
    }
}

// The VT220 number of the function key of a "CSI n ~" code (11 to 34, with gaps), or 0.
int function_number_by_tilde_code(int code) {
    static constexpr std::array<int, 24> kNumbers{1,  2,  3,  4,  5, 0,  6,  7, 8,  9,  10, 0,
                                                  11, 12, 13, 14, 0, 15, 16, 0, 17, 18, 19, 20};
    const int index = code - 11;
    return index >= 0 && index < int(kNumbers.size()) ? kNumbers[std::size_t(index)] : 0;
}

// The key of a "CSI n ~" sequence (VT220 numbering, as xterm, screen and the Linux console send).
std::string key_by_tilde_code(int code, int modifier) {
    switch (code) {
        case 1:
        case 7:
            return keys::kHome;
        case 2:
            return keys::kIns;
        case 3:
            return keys::kDel;
        case 4:
        case 8:
            return keys::kEnd;
        case 5:
            return keys::kPgUp;
        case 6:
            return keys::kPgDn;
        default:
            break;
    }
    const int number = function_number_by_tilde_code(code);
    return number == 0 ? std::string() : modified_function_key(number, modifier);
}

// Alt with a letter key, either case: NUL and the scan code of the letter's key on a PC keyboard.
// Empty for any other byte.
std::string alt_letter_key(unsigned char byte) {
    static constexpr std::array<std::pair<std::string_view, int>, 3> kKeyRows{
        {{"qwertyuiop", 16}, {"asdfghjkl", 30}, {"zxcvbnm", 44}}};
    const char letter = char(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
    for (const auto& [row, first_code] : kKeyRows) {
        if (const auto at = row.find(letter); at != std::string_view::npos) {
            return std::string{'\0', char(first_code + int(at))};
        }
    }
    return {};
}

std::size_t utf8_length_by_lead(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

void KeyDecoder::feed(std::string_view bytes, Millis now) {
    settle(now);
    for (const char byte : bytes) take(static_cast<unsigned char>(byte), now);
    last_byte_at_ = now;
}

bool KeyDecoder::key_ready(Millis now) {
    settle(now);
    return !keys_.empty();
}

std::optional<DecodedKey> KeyDecoder::next_key(Millis now) {
    settle(now);
    if (keys_.empty()) return std::nullopt;
    DecodedKey key = std::move(keys_.front());
    keys_.pop_front();
    return key;
}

void KeyDecoder::set_mouse(bool on) {
    mouse_on_ = on;
    last_press_.reset();
    if (!on) std::erase_if(keys_, [](const DecodedKey& key) { return key.is_mouse; });
}

void KeyDecoder::discard() {
    keys_.clear();
    mouse_rest_ = {};
    restart();
}

void KeyDecoder::take(unsigned char byte, Millis now) {
    if (state_ == State::Ground && mouse_rest_.active() && take_mouse_rest(byte)) return;
    switch (state_) {
        case State::Ground:
            take_in_ground(byte);
            break;
        case State::Escape:
            take_after_escape(byte);
            break;
        case State::Csi:
            take_in_csi(byte, now);
            break;
        case State::LinuxFunction:
            take_linux_function(byte);
            break;
        case State::Ss3:
            take_in_ss3(byte);
            break;
        case State::X10Mouse:
            take_x10_mouse(byte, now);
            break;
        case State::Utf8:
            take_utf8(byte);
            break;
    }
}

void KeyDecoder::take_in_ground(unsigned char byte) {
    switch (byte) {
        case kEscByte:
            state_ = State::Escape;
            return;
        case '\r':
        case '\n':
            emit(keys::kEnter);
            return;
        case 0x7F:
        case '\b':
            emit(keys::kBackspace);
            return;
        case '\0':
            return;  // Ctrl+Space: a lone NUL would read as half an extended key
        default:
            break;
    }
    if (byte < 0x80) {
        emit(std::string(1, char(byte)));
        return;
    }
    utf8_length_ = utf8_length_by_lead(byte);
    if (utf8_length_ == 0) return;
    sequence_.assign(1, char(byte));
    state_ = State::Utf8;
}

// Alt+key arrives as ESC + key at once: Alt with a letter is an extended key, Alt with any other
// key is dropped (of a non-ASCII character only the lead byte is taken here; the ground state drops
// the continuation bytes after it). An ESC before another ESC is Esc; an ESC left alone is settled
// as Esc by time, so a key typed after Esc never joins it, wherever the reads were cut.
void KeyDecoder::take_after_escape(unsigned char byte) {
    if (byte == '[') {
        state_ = State::Csi;
        return;
    }
    if (byte == 'O') {
        state_ = State::Ss3;
        return;
    }
    restart();
    if (byte == kEscByte) {
        emit(keys::kEsc);
        take_in_ground(byte);
    } else if (std::string key = alt_letter_key(byte); !key.empty()) {
        emit(std::move(key));
    }
}

void KeyDecoder::take_in_csi(unsigned char byte, Millis now) {
    if (sequence_.empty() && byte == 'M') {
        state_ = State::X10Mouse;
    } else if (sequence_.empty() && byte == '[') {
        state_ = State::LinuxFunction;
    } else if (is_csi_parameter_byte(byte)) {
        add_to_sequence(byte);
    } else if (is_final_byte(byte)) {
        const bool broken_mouse_report = sequence_.starts_with('<') && byte != 'M' && byte != 'm';
        if (broken_mouse_report) {
            break_off_mouse_report(now);
        } else {
            finish_csi(char(byte), now);
        }
        restart();
    } else {
        restart();
        take_in_ground(byte);
    }
}

void KeyDecoder::finish_csi(char final_byte, Millis now) {
    if (sequence_.size() > kLongestSequence) return;
    if (sequence_.starts_with('<')) {
        const auto values = parameters(std::string_view(sequence_).substr(1));
        if ((final_byte == 'M' || final_byte == 'm') && values && values->size() == 3) {
            mouse_report((*values)[0], final_byte == 'm', (*values)[2], (*values)[1], now);
        }
        return;
    }
    const auto values = parameters(sequence_);
    if (!values) return;
    const int modifier = values->size() > 1 ? (*values)[1] : 0;
    std::string key;
    if (final_byte == '~') {
        key = key_by_tilde_code(values->front(), modifier);
    } else if (final_byte == 'Z') {
        key = keys::kShiftTab;
    } else {
        key = key_by_final_byte(final_byte, modifier);
    }
    if (!key.empty()) emit(std::move(key));
}

void KeyDecoder::take_in_ss3(unsigned char byte) {
    if (is_digit(byte) || byte == ';') {
        add_to_sequence(byte);
        return;
    }
    if (is_final_byte(byte)) {
        // A modifier comes as the sequence's last number ("ESC O 2 P" is Shift+F1).
        const auto values = parameters(sequence_);
        std::string key = byte == 'M' ? keys::kEnter : key_by_final_byte(char(byte), values->back());
        if (!key.empty() && sequence_.size() <= kLongestSequence) emit(std::move(key));
        restart();
        return;
    }
    restart();
    take_in_ground(byte);
}

// The Linux console sends F1 to F5 as ESC [ [ A to ESC [ [ E.
void KeyDecoder::take_linux_function(unsigned char byte) {
    restart();
    if (byte >= 'A' && byte <= 'E') {
        emit(keys::function_key(byte - 'A' + 1));
    } else if (!is_final_byte(byte)) {
        take_in_ground(byte);
    }
}

// ESC [ M and three bytes: button code, column and row, each plus 32.
void KeyDecoder::take_x10_mouse(unsigned char byte, Millis now) {
    sequence_ += char(byte);
    if (sequence_.size() < kX10ReportBytes) return;
    const int code = static_cast<unsigned char>(sequence_[0]) - 32;
    const int col = static_cast<unsigned char>(sequence_[1]) - 32;
    const int row = static_cast<unsigned char>(sequence_[2]) - 32;
    restart();
    mouse_report(code, (code & kButtonMask) == kButtonMask, row, col, now);
}

void KeyDecoder::take_utf8(unsigned char byte) {
    if (byte < 0x80 || byte > 0xBF) {
        restart();
        take_in_ground(byte);
        return;
    }
    sequence_ += char(byte);
    if (sequence_.size() < utf8_length_) return;
    char32_t ch = 0;
    const bool well_formed = utf8_decode(sequence_, ch) == sequence_.size();
    restart();
    if (!well_formed || ch < 0xA0) return;  // C1 controls are no typed characters
    if (const auto byte1252 = unicode_to_cp1252(ch)) emit(std::string(1, char(*byte1252)));
}

void KeyDecoder::settle(Millis now) {
    if (mouse_rest_.active() && now - mouse_rest_.since >= kHeldSequenceTimeout) mouse_rest_ = {};
    if (state_ == State::Ground) return;
    const Millis limit = state_ == State::Escape ? kSequenceTimeout : kHeldSequenceTimeout;
    if (now - last_byte_at_ < limit) return;
    if (state_ == State::Escape) emit(keys::kEsc);
    if (state_ == State::Ss3 && sequence_.empty()) emit(alt_letter_key('O'));  // ESC O alone: Alt+Shift+O
    break_off_mouse_report(now);
    restart();
}

// A mouse report that ended early or in a foreign byte: what is left of it, when it comes, is
// swallowed too, so that a click never turns into typed characters.
void KeyDecoder::break_off_mouse_report(Millis now) {
    if (state_ == State::Csi && sequence_.starts_with('<')) {
        mouse_rest_ = MouseRest{true, 0, now};
    } else if (state_ == State::X10Mouse) {
        mouse_rest_ = MouseRest{false, int(kX10ReportBytes - sequence_.size()), now};
    }
}

bool KeyDecoder::take_mouse_rest(unsigned char byte) {
    if (mouse_rest_.x10_bytes > 0) {
        --mouse_rest_.x10_bytes;
        return true;
    }
    if (is_digit(byte) || byte == ';' || byte == '<') return true;
    mouse_rest_ = {};
    return byte == 'M' || byte == 'm';
}

void KeyDecoder::mouse_report(int button_code, bool released, int row, int col, Millis now) {
    const bool left_press =
        !released && (button_code & kMotionOrWheelOrExtra) == 0 && (button_code & kButtonMask) == 0;
    if (!mouse_on_ || !left_press || row < 1 || col < 1) return;
    const CellPos cell{row, col};
    const bool double_click =
        last_press_ && last_press_->cell == cell && now - last_press_->at <= kDoubleClickTime;
    if (double_click) {
        last_press_.reset();
    } else {
        last_press_ = Press{cell, now};
    }
    keys_.push_back(DecodedKey{double_click ? keys::kMouseDoubleClick : keys::kMousePress, true, cell});
}

// Past the longest real sequence one more byte is kept, only to mark the sequence as garbage.
void KeyDecoder::add_to_sequence(unsigned char byte) {
    if (sequence_.size() <= kLongestSequence) sequence_ += char(byte);
}

void KeyDecoder::emit(std::string key) {
    keys_.push_back(DecodedKey{std::move(key), false, CellPos{}});
}

void KeyDecoder::restart() {
    state_ = State::Ground;
    sequence_.clear();
}

}  // namespace posteri
