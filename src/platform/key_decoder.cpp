#include "platform/key_decoder.h"

#include <vector>

#include "format/codepage.h"

namespace posteri {

namespace {

constexpr unsigned char kEscByte = 0x1B;
// No key sequence is longer; a longer one is garbage and is dropped whole when it ends.
constexpr std::size_t kLongestSequence = 32;
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

// The key of an xterm cursor or function key by the final byte of its CSI or SS3 sequence,
// whatever modifiers the parameters carry.
std::optional<std::string> key_by_final_byte(char final_byte) {
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
            return keys::kF1;
        case 'Q':
            return keys::kF2;
        case 'R':
            return keys::kF3;
        case 'S':
            return keys::kF4;
        default:
            return std::nullopt;
    }
}

// The key of a "CSI n ~" sequence (VT220 numbering, as xterm, screen and the Linux console send).
std::optional<std::string> key_by_tilde_code(int code) {
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
        case 11:
            return keys::kF1;
        case 12:
            return keys::kF2;
        case 13:
            return keys::kF3;
        case 14:
            return keys::kF4;
        case 15:
            return keys::kF5;
        case 21:
            return keys::kF10;
        default:
            return std::nullopt;
    }
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
    restart();
}

void KeyDecoder::take(unsigned char byte, Millis now) {
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

// Alt+key arrives as ESC + key; it reads as Esc followed by the key, so an Esc typed ahead of
// other keys is never lost.
void KeyDecoder::take_after_escape(unsigned char byte) {
    if (byte == '[') {
        state_ = State::Csi;
    } else if (byte == 'O') {
        state_ = State::Ss3;
    } else {
        emit(keys::kEsc);
        restart();
        take_in_ground(byte);
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
        finish_csi(char(byte), now);
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
    std::optional<std::string> key;
    if (final_byte == '~') {
        key = key_by_tilde_code(values->front());
    } else if (final_byte == 'Z') {
        key = keys::kTab;  // Shift+Tab
    } else {
        key = key_by_final_byte(final_byte);
    }
    if (key) emit(*key);
}

void KeyDecoder::take_in_ss3(unsigned char byte) {
    if (is_digit(byte) || byte == ';') {
        add_to_sequence(byte);
        return;
    }
    if (is_final_byte(byte)) {
        const auto key = byte == 'M' ? std::optional(keys::kEnter) : key_by_final_byte(char(byte));
        if (key && sequence_.size() <= kLongestSequence) emit(*key);
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
        emit(std::string{'\0', char(keys::kF1[1] + (byte - 'A'))});
    } else if (!is_final_byte(byte)) {
        take_in_ground(byte);
    }
}

// ESC [ M and three bytes: button code, column and row, each plus 32.
void KeyDecoder::take_x10_mouse(unsigned char byte, Millis now) {
    sequence_ += char(byte);
    if (sequence_.size() < 3) return;
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
    if (state_ == State::Ground || now - last_byte_at_ < kSequenceTimeout) return;
    if (state_ == State::Escape) emit(keys::kEsc);
    restart();
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
