// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Graphic windows for tests: with or without a display, recording every call as a line of text, with
// scripted keys (then the console's) and clicks and a scripted text measure. Plain C++, no test
// framework.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/terminal/console.h"
#include "platform/windows/graphic_windows.h"

namespace posteri {

class FakeWindows : public GraphicWindows {
  public:
    bool display = true;
    PixelArea desktop_area{0, 0, 1920, 1080};
    PixelArea work{0, 0, 1920, 1040};
    // Text extents: width = characters * points, height = points * 2 unless the test says otherwise.
    std::function<TextExtent(const FontSpec&, std::string_view)> measure = [](const FontSpec& font,
                                                                              std::string_view text) {
        return TextExtent{static_cast<int>(text.size()) * font.points, font.points * 2};
    };
    // What each poll_key() returns in turn ("" = nothing this time); "" once the script runs out.
    std::deque<std::string> keys;
    // What each poll_click() returns in turn; nothing once the script runs out.
    std::deque<std::optional<MouseClick>> clicks;
    // "open <h> <x> <y> <w> <h> [lingering] |<caption>|", "close <h>", "raise <h>", "clear <h> <rgb>",
    // "text <h> <x> <y> <face> <points> <style> <rgb> [on <rgb>] |<text>|",
    // "box <h> <x> <y> <width> <height> [outline <rgb>] [fill <rgb>]", "bitmap <h>", "present <h>".
    std::vector<std::string> calls;
    // The windows open now.
    std::map<WindowHandle, WindowSpec> open_windows;
    int key_polls = 0;
    // Where keys come from once the script runs out; none when null.
    Console* console = nullptr;

    bool has_display() override { return display; }
    PixelArea desktop() override { return desktop_area; }
    PixelArea work_area() override { return work; }

    WindowHandle open(const WindowSpec& window_spec) override {
        const WindowHandle handle = next_handle_++;
        open_windows[handle] = window_spec;
        const PixelArea& a = window_spec.area;
        calls.push_back("open " + numbers({handle, a.x, a.y, a.width, a.height}) +
                        (window_spec.lingering ? " lingering" : "") + " |" + window_spec.caption + "|");
        return handle;
    }
    void close(WindowHandle window) override {
        open_windows.erase(window);
        calls.push_back("close " + std::to_string(window));
    }
    void raise(WindowHandle window) override { calls.push_back("raise " + std::to_string(window)); }
    PixelArea client_area(WindowHandle window) override {
        const auto found = open_windows.find(window);
        if (found == open_windows.end()) return {};
        return {0, 0, found->second.area.width, found->second.area.height};
    }

    TextExtent measure_text(const FontSpec& font, std::string_view text) override {
        return measure(font, text);
    }
    TextExtent character_size(const FontSpec& font) override { return measure(font, "X"); }
    // Runs while measure_texts() measures, with its progress report and the number of texts.
    std::function<void(const MeasureProgress&, int)> while_measuring;
    std::vector<TextExtent> measure_texts(const std::vector<FontText>& texts,
                                          const MeasureProgress& progress) override {
        if (while_measuring) while_measuring(progress, static_cast<int>(texts.size()));
        return GraphicWindows::measure_texts(texts, progress);
    }

    void clear(WindowHandle window, std::uint32_t rgb) override {
        calls.push_back("clear " + std::to_string(window) + " " + hex(rgb));
    }
    void draw_text(WindowHandle window, DevicePoint at, const FontSpec& font, std::string_view text,
                   std::uint32_t rgb, std::optional<std::uint32_t> background) override {
        calls.push_back("text " + numbers({window, at.x, at.y}) + " " + font.face + " " +
                        numbers({font.points, font.style}) + " " + hex(rgb) +
                        (background ? " on " + hex(*background) : "") + " |" + std::string(text) + "|");
    }
    void draw_box(WindowHandle window, const PixelArea& a, std::optional<std::uint32_t> outline,
                  std::optional<std::uint32_t> fill) override {
        calls.push_back("box " + numbers({window, a.x, a.y, a.width, a.height}) +
                        (outline ? " outline " + hex(*outline) : "") + (fill ? " fill " + hex(*fill) : ""));
    }
    void draw_bitmap(WindowHandle window, const MemoryBitmap&, const PixelRect&, const DeviceRect&) override {
        calls.push_back("bitmap " + std::to_string(window));
    }
    void present(WindowHandle window) override { calls.push_back("present " + std::to_string(window)); }
    // With `keeps_texts`, a text not readied before is readied ("ready |<text>|"); otherwise none is.
    bool keeps_texts = false;
    bool ready_text(const FontSpec&, std::string_view text) override {
        const std::string call = "ready |" + std::string(text) + "|";
        if (!keeps_texts || std::find(calls.begin(), calls.end(), call) != calls.end()) return false;
        calls.push_back(call);
        return true;
    }

    // Scripted keys first; then, as on a real display, keys typed on the console (its clicks are
    // dropped). A wait that would never end fails the test instead of hanging it.
    std::string poll_key(WindowHandle) override {
        ++key_polls;
        std::string key;
        const bool scripted = !keys.empty();
        if (scripted) {
            key = keys.front();
            keys.pop_front();
        }
        while (!scripted && key.empty() && console && console->key_waiting()) {
            key = console->read_key();
            if (key.size() == 4 && key[0] == '\xff') key.clear();
        }
        idle_polls_ = key.empty() ? idle_polls_ + 1 : 0;
        if (idle_polls_ > kMaxIdlePolls) throw std::runtime_error("fake windows: polled without end");
        return key;
    }
    std::optional<MouseClick> poll_click(WindowHandle) override {
        if (clicks.empty()) return std::nullopt;
        const std::optional<MouseClick> click = clicks.front();
        clicks.pop_front();
        return click;
    }

    static std::string hex(std::uint32_t rgb) {
        char text[8];
        std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(rgb));
        return text;
    }

  private:
    static std::string numbers(std::initializer_list<int> values) {
        std::string text;
        for (const int value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
        return text;
    }

    static constexpr int kMaxIdlePolls = 100000;
    WindowHandle next_handle_ = 1;
    int idle_polls_ = 0;
};

}  // namespace posteri
