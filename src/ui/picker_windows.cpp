// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/picker_windows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "format/text.h"
#include "ui/failure.h"

namespace posteri {

namespace {

constexpr std::uint32_t kTextColour = 0x000000;
constexpr std::uint32_t kHelpBackground = 0xFFC8C8;
constexpr std::uint32_t kCardBackground = 0xDBDBDB;
constexpr std::uint32_t kCardLineBackground = 0xE5E5E5;
constexpr char kCardLineBreak = '\xB3';
constexpr int kKeyPollMs = 25;
constexpr int kSecondsPerDay = 24 * 60 * 60;

const FontSpec kHelpFont{"lucida console", 10, 0};
const FontSpec kCardMeasureFont{"lucida console", 10, font_style::kBold};
const FontSpec kCardFont{"lucida console", 10, 0};

// "hh:mm:ss" of a time of day in seconds.
std::string clock_text(double seconds_of_day) {
    const int seconds = std::clamp(static_cast<int>(std::floor(seconds_of_day)), 0, kSecondsPerDay - 1);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::vector<std::string> help_lines(double seconds_of_day) {
    return {"  Aiuto per questa finestra",
            "  ",
            ". Per muoverti nella finestra puoi usare le frecce",
            "  o ricercare il record scrivendo parzialmente il",
            "  testo che verr\xE0 visualizzato nella riga blu in alto.",
            "  Per cancellare il testo di ricerca scrivi un carattere",
            "  che non \xE8 contenuto (per esempio !)",
            "  Per cancellare la riga Shift+del.",
            ". La scelta del record puo essere fatta con Enter o ",
            "  con il doppio click del mouse.",
            "  ",
            "  Esc o Enter per uscire ora dall'aiuto " + clock_text(seconds_of_day)};
}

int longest(const std::vector<std::string>& lines) {
    std::size_t length = 0;
    for (const std::string& line : lines) length = std::max(length, line.size());
    return static_cast<int>(length);
}

// A window of the given size centred in the desktop's work area.
PixelArea centred_in_work_area(GraphicWindows& windows, int width, int height) {
    const PixelArea work = windows.work_area();
    return PixelArea{work.x + (work.width - width) / 2, work.y + (work.height - height) / 2, width, height};
}

void wait_for_key(Platform& platform, WindowHandle window) {
    while (platform.windows.poll_key(window).empty()) platform.system.sleep_ms(kKeyPollMs);
}

}  // namespace

void HELP_ALO(Platform& platform) {
    RoutineName routine("HELP_ALO");
    GraphicWindows& windows = platform.windows;
    const std::vector<std::string> lines = help_lines(platform.system.seconds_of_day());
    const TextExtent cell = windows.character_size(kHelpFont);
    const int width = (longest(lines) + 1) * cell.width;
    const int height = static_cast<int>(lines.size()) * cell.height;
    const WindowHandle window =
        windows.open(WindowSpec{centred_in_work_area(windows, width, height), lines[0]});
    windows.clear(window, kHelpBackground);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const DevicePoint at{0, static_cast<int>(i - 1) * cell.height};
        windows.draw_text(window, at, kHelpFont, lines[i], kTextColour);
    }
    windows.present(window);
    windows.raise(window);
    wait_for_key(platform, window);
    windows.close(window);
}

WindowHandle VIEW_ALO(Platform& platform, const std::string& record) {
    RoutineName routine("VIEW_ALO");
    GraphicWindows& windows = platform.windows;
    const std::vector<std::string> lines = split_at(record, kCardLineBreak);
    const TextExtent cell = windows.character_size(kCardMeasureFont);
    const int width = (longest(lines) + 1) * cell.width;
    const int height = static_cast<int>(lines.size()) * cell.height;
    const WindowHandle window =
        windows.open(WindowSpec{centred_in_work_area(windows, width, height), " ", /*lingering=*/true});
    windows.clear(window, kCardBackground);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const DevicePoint at{0, static_cast<int>(i) * cell.height};
        windows.draw_text(window, at, kCardFont, lines[i], kTextColour, kCardLineBackground);
    }
    windows.present(window);
    return window;
}

void RecordCard::show(Platform& platform, const std::string& record) {
    if (shown_ != 0) platform.windows.close(shown_);
    shown_ = VIEW_ALO(platform, record);
}

}  // namespace posteri
