// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/key_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace posteri {
namespace {

using Millis = KeyDecoder::Millis;

// Feeds bytes at a time and collects every key ready right after, without waiting.
std::vector<std::string> keys_of(KeyDecoder& decoder, std::string_view bytes, Millis at = 0) {
    decoder.feed(bytes, at);
    std::vector<std::string> keys;
    while (auto key = decoder.next_key(at)) keys.push_back(key->key);
    return keys;
}

std::vector<std::string> keys_of(std::string_view bytes) {
    KeyDecoder decoder;
    return keys_of(decoder, bytes);
}

using Keys = std::vector<std::string>;
using namespace std::string_literals;

TEST(KeyDecoderBytes, PlainKeysAreOneByte) {
    EXPECT_EQ(keys_of("aZ5 *"), (Keys{"a", "Z", "5", " ", "*"}));
    EXPECT_EQ(keys_of("\r\n"), (Keys{keys::kEnter, keys::kEnter}));
    EXPECT_EQ(keys_of("\t"), Keys{keys::kTab});
    EXPECT_EQ(keys_of("\x7f\b"), (Keys{keys::kBackspace, keys::kBackspace}));
    EXPECT_EQ(keys_of(std::string("\x01\0\x13", 3)), (Keys{"\x01", "\x13"}));
}

TEST(KeyDecoderBytes, Utf8CharactersBecomeTheirWindows1252Byte) {
    EXPECT_EQ(keys_of("è€Ù"), (Keys{"\xE8", "\x80", "\xD9"}));
    EXPECT_EQ(keys_of("a✓b"), (Keys{"a", "b"}));             // no Windows-1252 byte
    EXPECT_EQ(keys_of("\xC2\x85x"), Keys{"x"});              // C1 control
    EXPECT_EQ(keys_of("\xC3(\xFFz\x80"), (Keys{"(", "z"}));  // broken UTF-8 is dropped
    EXPECT_EQ(keys_of("\xE0\x80\xAFq"), Keys{"q"});          // overlong form
}

TEST(KeyDecoderBytes, ACharacterSplitAcrossReadsWaitsForItsRest) {
    KeyDecoder decoder;
    EXPECT_TRUE(keys_of(decoder, "\xC3", 0).empty());
    EXPECT_TRUE(decoder.holding_bytes());
    EXPECT_EQ(keys_of(decoder, "\xA8", 5), Keys{"\xE8"});
}

TEST(KeyDecoderSequences, CursorKeysInEveryForm) {
    EXPECT_EQ(keys_of("\x1b[A\x1b[B\x1b[C\x1b[D"), (Keys{keys::kUp, keys::kDown, keys::kRight, keys::kLeft}));
    EXPECT_EQ(keys_of("\x1bOA\x1bOD"), (Keys{keys::kUp, keys::kLeft}));
    EXPECT_EQ(keys_of("\x1b[H\x1b[F\x1bOH\x1bOF"), (Keys{keys::kHome, keys::kEnd, keys::kHome, keys::kEnd}));
    EXPECT_EQ(keys_of("\x1b[1~\x1b[4~\x1b[7~\x1b[8~"),
              (Keys{keys::kHome, keys::kEnd, keys::kHome, keys::kEnd}));
    EXPECT_EQ(keys_of("\x1b[2~\x1b[3~\x1b[5~\x1b[6~"),
              (Keys{keys::kIns, keys::kDel, keys::kPgUp, keys::kPgDn}));
}

TEST(KeyDecoderSequences, CursorKeysIgnoreModifiers) {
    EXPECT_EQ(keys_of("\x1b[3;2~"), Keys{keys::kDel});
    EXPECT_EQ(keys_of("\x1b[1;5A\x1b[1;3H"), (Keys{keys::kUp, keys::kHome}));
}

TEST(KeyDecoderSequences, FunctionKeysOfXtermAndTheLinuxConsole) {
    using keys::function_key;
    const std::vector<std::pair<std::string, Keys>> cases{
        {"\x1bOP\x1bOQ\x1bOR\x1bOS\x1b[15~",
         {function_key(1), function_key(2), function_key(3), function_key(4), function_key(5)}},
        {"\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~\x1b[23~\x1b[24~",
         {function_key(6), function_key(7), function_key(8), function_key(9), function_key(10),
          function_key(11), function_key(12)}},
        {"\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E",
         {function_key(1), function_key(2), function_key(3), function_key(4), function_key(5)}},
        {"\x1b[11~\x1b[14~", {function_key(1), function_key(4)}},
        {"\x1bOM", {keys::kEnter}},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(keys_of(bytes), expected) << bytes.substr(1);
}

// Shift+F1 to Shift+F10 are NUL + 84 to 93, Shift+Tab NUL + 15; Ctrl and Alt with a function key
// give nothing.
TEST(KeyDecoderSequences, ShiftedFunctionKeysDifferFromPlainOnes) {
    using keys::function_key;
    const std::vector<std::pair<std::string, Keys>> cases{
        {"\x1b[1;2P\x1b[1;2Q\x1b[1;2R\x1b[1;2S", {"\0T"s, "\0U"s, "\0V"s, "\0W"s}},
        {"\x1b[15;2~\x1b[17;2~\x1b[21;2~\x1b[23;2~\x1b[24;2~",
         {"\0X"s, "\0Y"s, "\0]"s, "\0\x87"s, "\0\x88"s}},
        {"\x1bO2P", {function_key(1, true)}},
        {"\x1b[25~\x1b[26~\x1b[28~\x1b[29~\x1b[31~\x1b[34~",  // Linux console, rxvt
         {function_key(3, true), function_key(4, true), function_key(5, true), function_key(6, true),
          function_key(7, true), function_key(10, true)}},
        {"\x1b[Z", {"\0\x0f"s}},
        {"\x1b[1;5P\x1b[1;3P\x1b[1;6P\x1b[15;5~\x1b[17;3~\x1b[24;9~\x1b[25;2~\x1bO5Q", {}},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(keys_of(bytes), expected) << bytes.substr(1);
}

TEST(KeyDecoderSequences, UnknownAndGarbledSequencesLeakNothing) {
    EXPECT_EQ(keys_of("\x1b[16~\x1b[22~\x1b[27~\x1b[35~\x1b[200~x"), Keys{"x"});  // gaps, paste start
    EXPECT_EQ(keys_of("\x1b[?1;2c\x1b[>0;1u\x1b[I\x1bOx"), Keys{});
    EXPECT_EQ(keys_of("\x1b[[Zq"), Keys{"q"});
    EXPECT_EQ(keys_of("\x1b[12\rk"), (Keys{keys::kEnter, "k"}));  // cut by a control byte
    EXPECT_EQ(keys_of("\x1b[1\x1b[A"), Keys{keys::kUp});          // cut by the next sequence
    EXPECT_EQ(keys_of("\x1b[" + std::string(200, '9') + "~z"), Keys{"z"});
}

TEST(KeyDecoderSequences, ASequenceSplitAcrossReadsIsJoined) {
    KeyDecoder decoder;
    EXPECT_TRUE(keys_of(decoder, "\x1b", 0).empty());
    EXPECT_TRUE(keys_of(decoder, "[", 10).empty());
    EXPECT_TRUE(keys_of(decoder, "1;5", 20).empty());
    EXPECT_EQ(keys_of(decoder, "B", 40), Keys{keys::kDown});
}

TEST(KeyDecoderEscape, ALoneEscIsAKeyOnlyAfterTheTimeout) {
    KeyDecoder decoder;
    decoder.feed("\x1b", 100);
    EXPECT_FALSE(decoder.key_ready(100 + KeyDecoder::kSequenceTimeout - 1));
    EXPECT_TRUE(decoder.key_ready(100 + KeyDecoder::kSequenceTimeout));
    EXPECT_EQ(decoder.next_key(200)->key, keys::kEsc);
    EXPECT_FALSE(decoder.holding_bytes());
}

TEST(KeyDecoderEscape, BytesAfterALateEscAreKeysOfTheirOwn) {
    KeyDecoder decoder;
    decoder.feed("\x1b", 0);
    EXPECT_EQ(keys_of(decoder, "[A", 1000), (Keys{keys::kEsc, "[", "A"}));
}

std::string sgr(int button, int col, int row, char final_byte = 'M') {
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(col) + ";" + std::to_string(row) +
           final_byte;
}

std::string x10(int button, int col, int row) {
    return std::string("\x1b[M") + char(button + 32) + char(col + 32) + char(row + 32);
}

// Each byte with an ESC before it, as a terminal sends keys typed with Alt.
std::string with_alt(std::string_view bytes) {
    std::string sent;
    for (const char byte : bytes) sent += {'\x1b', byte};
    return sent;
}

// ESC and a key at once are Alt and that key: Alt with a letter is NUL + the scan code of the
// letter's key (Q 16 ... P 25, A 30 ... L 38, Z 44 ... M 50), any other Alt combination gives nothing.
TEST(KeyDecoderEscape, EscWithAKeyInOneReadIsAlt) {
    const std::vector<std::pair<std::string, Keys>> cases{
        {with_alt("qpalzm"), {"\0\x10"s, "\0\x19"s, "\0\x1e"s, "\0\x26"s, "\0\x2c"s, "\0\x32"s}},
        {with_alt("Xo"), {"\0\x2d"s, "\0\x18"s}},  // Alt+Shift+X, Alt+O
        {with_alt("1- \r\t\x7f") + "\x1b\xc3\xa8\x1b\xe2\x82\xac", {}},
        {with_alt("1") + "k", {"k"}},
        {"\x1b\x1b[A", {keys::kEsc, keys::kUp}},
        {"\x1b\x1bx", {keys::kEsc, "\0\x2d"s}},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(keys_of(bytes), expected) << bytes.substr(1);
}

// Pieces of input, each with the time it arrives; the keys ready after each piece, and at the end.
Keys keys_of_pieces(const std::vector<std::pair<std::string, Millis>>& pieces, bool mouse_on = false) {
    KeyDecoder decoder;
    decoder.set_mouse(mouse_on);
    Keys keys;
    for (const auto& [bytes, at] : pieces) {
        for (auto& key : keys_of(decoder, bytes, at)) keys.push_back(std::move(key));
    }
    for (auto& key : keys_of(decoder, "", pieces.back().second + 1000)) keys.push_back(std::move(key));
    return keys;
}

// The same bytes at the same moment give the same keys however the reads cut them; only time
// separates an Esc from the key after it.
TEST(KeyDecoderPieces, InputCutIntoReadsDecodesAsWhole) {
    const std::vector<std::string> inputs{
        with_alt("qx1") + "\x1b\x1b[A\x1bOP\xc3\xa8"s,
        "\x1b" "0;5;5M\x1b[M !!\x1b[<64;[<0;5;5M\x1b[M !!\x1b[<64;1;1M",  // found by the fuzz target
        sgr(0, 3, 4) + x10(0, 5, 6) + "\x1b[<0;7" + x10(0, 1, 1) + "z",
    };
    for (const bool mouse_on : {false, true}) {
        for (const auto& bytes : inputs) {
            std::vector<std::pair<std::string, Millis>> one_byte_reads;
            for (const char byte : bytes) one_byte_reads.emplace_back(std::string(1, byte), 0);
            EXPECT_EQ(keys_of_pieces(one_byte_reads, mouse_on), keys_of_pieces({{bytes, 0}}, mouse_on)) << bytes;
        }
    }
    EXPECT_EQ(keys_of_pieces({{"a\x1b", 0}, {"x", 5}}), (Keys{"a", "\0\x2d"s}));
    EXPECT_EQ(keys_of_pieces({{"a\x1b", 0}, {"x", KeyDecoder::kSequenceTimeout}}), (Keys{"a", keys::kEsc, "x"}));
}

// A mouse report broken off (by time, or by a byte that does not belong) is swallowed with the
// rest of it that comes later: a click never becomes typed characters.
TEST(KeyDecoderMouse, ABrokenOffReportLeavesNoCharacters) {
    constexpr Millis kLate = KeyDecoder::kHeldSequenceTimeout + 10;
    const std::vector<std::pair<std::vector<std::pair<std::string, Millis>>, Keys>> cases{
        {{{"\x1b[<0;5", 0}, {"", kLate}, {";5Mk", kLate + 20}}, {"k"}},
        {{{"\x1b[M ", 0}, {"", kLate}, {"!!k", kLate + 20}}, {"k"}},
        {{{"\x1b[<64;[<0;5;5Mk", 0}}, {"k"}},
        {{{"\x1b[<0;5", 0}, {"", kLate}, {"5", 2 * kLate}}, {"5"}},  // the rest never came: typing goes on
    };
    for (const auto& [pieces, expected] : cases) EXPECT_EQ(keys_of_pieces(pieces, true), expected) << pieces[0].first;
}

TEST(KeyDecoderEscape, EscOAloneIsAltShiftO) {
    KeyDecoder decoder;
    decoder.feed("\x1bO", 0);
    EXPECT_EQ(decoder.next_key(KeyDecoder::kHeldSequenceTimeout)->key, "\0\x18"s);
}

TEST(KeyDecoderEscape, AnUnfinishedSequenceTimesOutSilently) {
    KeyDecoder decoder;
    decoder.feed("\x1b[1;", 0);
    EXPECT_FALSE(decoder.next_key(KeyDecoder::kHeldSequenceTimeout + 1));
    EXPECT_FALSE(decoder.holding_bytes());
    EXPECT_EQ(keys_of(decoder, "A", 100), Keys{"A"});
}

TEST(KeyDecoderMouse, ALeftPressIsReportedWithItsCell) {
    KeyDecoder decoder;
    decoder.set_mouse(true);
    decoder.feed(sgr(0, 12, 5), 0);
    const auto key = decoder.next_key(0);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->key, keys::kMousePress);
    EXPECT_TRUE(key->is_mouse);
    EXPECT_EQ(key->mouse, (CellPos{5, 12}));
    decoder.feed(x10(0, 7, 3), 1000);
    EXPECT_EQ(decoder.next_key(1000)->mouse, (CellPos{3, 7}));
}

TEST(KeyDecoderMouse, OnlyLeftPressesCount) {
    KeyDecoder decoder;
    decoder.set_mouse(true);
    const std::string ignored = sgr(0, 1, 1, 'm') + sgr(2, 1, 1) + sgr(1, 1, 1) + sgr(32, 4, 4) +
                                sgr(35, 4, 4) + sgr(64, 1, 1) + sgr(65, 1, 1) + x10(3, 1, 1) + x10(64, 1, 1) +
                                x10(2, 1, 1);
    EXPECT_EQ(keys_of(decoder, ignored), Keys{});
    EXPECT_EQ(keys_of(decoder, sgr(16, 2, 2), 2000), Keys{keys::kMousePress});  // Ctrl+click
}

TEST(KeyDecoderMouse, ASecondPressOnTheSameCellSoonIsADoubleClick) {
    KeyDecoder decoder;
    decoder.set_mouse(true);
    EXPECT_EQ(keys_of(decoder, sgr(0, 4, 2), 0), Keys{keys::kMousePress});
    EXPECT_EQ(keys_of(decoder, sgr(0, 4, 2, 'm'), 50), Keys{});
    EXPECT_EQ(keys_of(decoder, sgr(0, 4, 2), KeyDecoder::kDoubleClickTime), Keys{keys::kMouseDoubleClick});
    EXPECT_EQ(keys_of(decoder, sgr(0, 4, 2), 600), Keys{keys::kMousePress});   // a third press starts anew
    EXPECT_EQ(keys_of(decoder, sgr(0, 5, 2), 700), Keys{keys::kMousePress});   // another cell
    EXPECT_EQ(keys_of(decoder, sgr(0, 5, 2), 1201), Keys{keys::kMousePress});  // too late
}

TEST(KeyDecoderMouse, ReportsAreSwallowedWhileMouseIsOff) {
    KeyDecoder decoder;
    EXPECT_EQ(keys_of(decoder, sgr(0, 4, 2) + x10(0, 4, 2) + "k"), Keys{"k"});
    decoder.set_mouse(true);
    decoder.feed(sgr(0, 4, 2) + "j", 10);
    decoder.set_mouse(false);
    EXPECT_EQ(decoder.next_key(10)->key, "j");
}

TEST(KeyDecoderMouse, X10ReportBytesAreNeverKeys) {
    KeyDecoder decoder;
    decoder.set_mouse(true);
    decoder.feed("\x1b[M", 0);
    decoder.feed(" ", 1);
    decoder.feed("[A", 2);
    const auto key = decoder.next_key(2);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->key, keys::kMousePress);
    EXPECT_EQ(key->mouse, (CellPos{'A' - 32, '[' - 32}));
    EXPECT_FALSE(decoder.key_ready(2));
}

TEST(KeyDecoderDiscard, DropsReadyKeysAndHeldBytes) {
    KeyDecoder decoder;
    decoder.feed("ab\x1b[", 0);
    decoder.discard();
    EXPECT_FALSE(decoder.holding_bytes());
    EXPECT_EQ(keys_of(decoder, "A", 1), Keys{"A"});
}

}  // namespace
}  // namespace posteri
