#include "platform/key_decoder.h"

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

TEST(KeyDecoderSequences, ModifiersAreIgnored) {
    EXPECT_EQ(keys_of("\x1b[3;2~"), Keys{keys::kDel});
    EXPECT_EQ(keys_of("\x1b[1;5A\x1b[1;3H"), (Keys{keys::kUp, keys::kHome}));
    EXPECT_EQ(keys_of("\x1b[15;2~\x1b[1;2P\x1bO5Q"), (Keys{keys::kF5, keys::kF1, keys::kF2}));
    EXPECT_EQ(keys_of("\x1b[Z"), Keys{keys::kTab});
}

TEST(KeyDecoderSequences, FunctionKeysOfXtermAndTheLinuxConsole) {
    EXPECT_EQ(keys_of("\x1bOP\x1bOQ\x1bOR\x1bOS\x1b[15~\x1b[21~"),
              (Keys{keys::kF1, keys::kF2, keys::kF3, keys::kF4, keys::kF5, keys::kF10}));
    EXPECT_EQ(keys_of("\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E"),
              (Keys{keys::kF1, keys::kF2, keys::kF3, keys::kF4, keys::kF5}));
    EXPECT_EQ(keys_of("\x1b[11~\x1b[14~"), (Keys{keys::kF1, keys::kF4}));
    EXPECT_EQ(keys_of("\x1bOM"), Keys{keys::kEnter});
}

TEST(KeyDecoderSequences, UnknownAndGarbledSequencesLeakNothing) {
    EXPECT_EQ(keys_of("\x1b[17~\x1b[24~\x1b[200~x"), Keys{"x"});  // F6, F12, paste start
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

TEST(KeyDecoderEscape, EscFollowedByAKeyGivesBoth) {
    EXPECT_EQ(keys_of("\x1bx"), (Keys{keys::kEsc, "x"}));
    EXPECT_EQ(keys_of("\x1b\x1b[A"), (Keys{keys::kEsc, keys::kUp}));
    EXPECT_EQ(keys_of("\x1b\r"), (Keys{keys::kEsc, keys::kEnter}));
}

TEST(KeyDecoderEscape, AnUnfinishedSequenceTimesOutSilently) {
    KeyDecoder decoder;
    decoder.feed("\x1b[1;", 0);
    EXPECT_FALSE(decoder.next_key(KeyDecoder::kSequenceTimeout + 1));
    EXPECT_FALSE(decoder.holding_bytes());
    EXPECT_EQ(keys_of(decoder, "A", 100), Keys{"A"});
}

std::string sgr(int button, int col, int row, char final_byte = 'M') {
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(col) + ";" + std::to_string(row) +
           final_byte;
}

std::string x10(int button, int col, int row) {
    return std::string("\x1b[M") + char(button + 32) + char(col + 32) + char(row + 32);
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
