// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as "impostazioni.log" and checks that the record it gives saves, loads and
// saves again to the same file.
//
// One known exception: a Windows-1252 text whose bytes happen to form UTF-8 is read back as UTF-8
// (the loader accepts files from Linux editors). Each such reading turns several bytes into one, so
// the file must still settle within as many rounds as it has non-ASCII bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "format/codepage.h"
#include "settings/settings_files.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

bool is_high(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

bool has_utf8_line(std::string_view file) {
    while (!file.empty()) {
        const std::size_t end = std::min(file.find("\r\n"), file.size());
        const std::string_view line = file.substr(0, end);
        if (std::any_of(line.begin(), line.end(), is_high) && is_valid_utf8(line)) return true;
        file.remove_prefix(std::min(end + 2, file.size()));
    }
    return false;
}

class RoundTrip {
public:
    std::string load_and_save(std::string_view file) {
        const std::string name(kSettingsFile);
        fake_.system.files[name] = file;
        PosterSettings settings;
        SCP_DEFA(fake_.platform(), settings);
        SCP_SALV(fake_.platform(), kSettingsFile, settings, 0);
        return fake_.system.files[name];
    }

private:
    FakePlatform fake_;
};

}  // namespace
}  // namespace posteri

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    posteri::RoundTrip round_trip;
    std::string file = round_trip.load_and_save(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto rounds = std::count_if(file.begin(), file.end(), posteri::is_high) + 1;
    for (long round = 0; round <= rounds; ++round) {
        const std::string again = round_trip.load_and_save(file);
        if (again == file) return 0;
        if (!posteri::has_utf8_line(file)) std::abort();
        file = again;
    }
    std::abort();
}
