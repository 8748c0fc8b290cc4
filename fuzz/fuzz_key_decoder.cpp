// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes arbitrary terminal input and checks the key strings it gives.
//
// Input: a flag byte (bit 0: mouse reporting on, bits 1-7: where to cut the rest into reads), then
// the bytes the terminal sends. The bytes are decoded twice, in one read and cut into several reads
// arriving at the same moment; both must give the same keys, and every key must have the form of a
// key string: one byte other than NUL, NUL and a scan code, or a mouse event with its cell.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/terminal/key_decoder.h"

namespace posteri {
namespace {

constexpr KeyDecoder::Millis kStart = 1000;
constexpr KeyDecoder::Millis kLongAfter = kStart + 2 * KeyDecoder::kHeldSequenceTimeout;

void check(bool condition) {
    if (!condition) std::abort();
}

void check_shape(const DecodedKey& key, bool mouse_on) {
    if (key.is_mouse) {
        check(mouse_on);
        check(key.key == keys::kMousePress || key.key == keys::kMouseDoubleClick);
        check(key.mouse.row >= 1 && key.mouse.col >= 1);
    } else if (key.key.size() == 2) {
        check(key.key[0] == '\0' && key.key[1] != '\0');
    } else {
        check(key.key.size() == 1 && key.key[0] != '\0');
    }
}

std::vector<DecodedKey> drain(KeyDecoder& decoder, KeyDecoder::Millis now) {
    std::vector<DecodedKey> keys;
    while (auto key = decoder.next_key(now)) keys.push_back(std::move(*key));
    return keys;
}

std::vector<DecodedKey> decode(std::string_view bytes, bool mouse_on, unsigned cut_every) {
    KeyDecoder decoder;
    decoder.set_mouse(mouse_on);
    std::vector<DecodedKey> keys;
    while (!bytes.empty()) {
        const std::size_t length =
            cut_every == 0 ? bytes.size() : std::min<std::size_t>(cut_every, bytes.size());
        decoder.feed(bytes.substr(0, length), kStart);
        bytes.remove_prefix(length);
        for (auto& key : drain(decoder, kStart)) keys.push_back(std::move(key));
    }
    for (auto& key : drain(decoder, kLongAfter)) keys.push_back(std::move(key));
    check(!decoder.holding_bytes());
    return keys;
}

}  // namespace
}  // namespace posteri

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace posteri;
    if (size == 0) return 0;
    const bool mouse_on = (data[0] & 1) != 0;
    const unsigned cut_every = data[0] >> 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto whole = decode(bytes, mouse_on, 0);
    const auto cut = decode(bytes, mouse_on, cut_every);
    check(whole.size() == cut.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        check_shape(whole[i], mouse_on);
        check(whole[i].key == cut[i].key && whole[i].mouse == cut[i].mouse);
    }
    return 0;
}
