// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/notice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/failure.h"
#include "ui/speech.h"

namespace posteri {

namespace {

constexpr int kDefaultPoints = 14;
constexpr std::string_view kDefaultFace = "Lucida console";
constexpr std::uint32_t kDefaultBackground = 0xB0E0E6;  // RGB(176, 224, 230)
constexpr std::uint32_t kDefaultText = 0x4169E1;        // RGB(65, 105, 225)
constexpr int kMargin = 40;
constexpr int kPollMs = 25;
constexpr double kSecondsPerDay = 86400;

// One line per CR (an LF right after it belongs to the break); a line that is empty or all blanks
// becomes one blank, so that it still takes a line's height.
std::vector<std::string> notice_lines(std::string_view shown) {
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = shown.find('\r', start);
        const std::string_view line = shown.substr(start, end - start);
        const bool blank = line.find_first_not_of(' ') == std::string_view::npos;
        lines.emplace_back(blank ? std::string_view(" ") : line);
        if (end == std::string_view::npos) return lines;
        start = end + 1;
        if (start < shown.size() && shown[start] == '\n') ++start;
    }
}

FontSpec notice_font(std::int32_t size, std::string_view face, std::int32_t style) {
    return FontSpec{face.empty() ? std::string(kDefaultFace) : std::string(face),
                    size == 0 ? kDefaultPoints : std::abs(size), std::max(style, 0)};
}

std::uint32_t colour_or(std::int32_t colour, std::uint32_t fallback) {
    return colour == 0 ? fallback : static_cast<std::uint32_t>(colour) & 0xFFFFFF;
}

// Seconds since `since` on the time-of-day clock; a wait that runs past midnight keeps counting.
double seconds_since(System& system, double since) {
    const double elapsed = system.seconds_of_day() - since;
    return elapsed < 0 ? elapsed + kSecondsPerDay : elapsed;
}

}  // namespace

void AFXFORCE(Platform& platform, WindowHandle window) {
    RoutineName routine("AFXFORCE");
    platform.windows.raise(window);
}

// Colours are 0xRRGGBB; 0 picks the default.
std::string FUN_AVVI(Platform& platform, std::string_view spoken, std::string_view shown,
                     float timeout_seconds, std::int32_t size, std::string_view face, std::int32_t style,
                     std::int32_t background, std::int32_t foreground) {
    RoutineName routine("FUN_AVVI");
    GraphicWindows& windows = platform.windows;
    const FontSpec font = notice_font(size, face, style);
    const std::vector<std::string> lines = notice_lines(shown);
    std::vector<TextExtent> extents;
    int content_width = 0;
    int content_height = 0;
    for (const std::string& line : lines) {
        extents.push_back(windows.measure_text(font, line));
        content_width = std::max(content_width, extents.back().width);
        content_height += extents.back().height;
    }
    const int width = content_width + 2 * kMargin + 2 * windows.character_size(font).width;
    const int height = content_height + 2 * kMargin;
    const PixelArea desktop = windows.desktop();
    const WindowSpec placement{
        {desktop.x + static_cast<int>(std::nearbyint((desktop.width - width) / 2.0)),
         desktop.y + static_cast<int>(std::nearbyint((desktop.height - height) / 2.0)), width, height},
        "",
        false};
    const WindowHandle window = windows.open(placement);
    windows.clear(window, colour_or(background, kDefaultBackground));
    const std::uint32_t ink = colour_or(foreground, kDefaultText);
    int top = kMargin;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        windows.draw_text(window, {(width - extents[i].width) / 2, top}, font, lines[i], ink);
        top += extents[i].height;
    }
    windows.present(window);

    const double shown_at = platform.system.seconds_of_day();
    AFXFORCE(platform, window);
    if (!spoken.empty()) PARLA6(platform, spoken);
    std::string key;
    while ((key = windows.poll_key(window)).empty()) {
        if (timeout_seconds > 0 && seconds_since(platform.system, shown_at) > timeout_seconds) break;
        platform.system.sleep_ms(kPollMs);
    }
    windows.close(window);
    return key;
}

}  // namespace posteri
