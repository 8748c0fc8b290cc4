#pragma once
// A whole Platform of fakes for tests: a memory console, an in-memory system, a recording failure
// notice, a voice that only writes down what it was asked to say, and printers that record calls.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "support/fake_system.h"
#include "support/memory_console.h"
#include "support/recording_fault.h"

namespace posteri {

class SilentSpeech : public Speech {
public:
    std::vector<std::string> spoken;
    void speak(std::string_view text) override { spoken.emplace_back(text); }
};

class FakePrinters : public Printers {
public:
    // What list() and metrics() return and what attach() and end_job() report.
    std::vector<std::string> names;
    SheetMetrics sheet;
    int attach_result = 0;
    int end_job_result = 0;
    // "list", "attach <name> | <document>", "orientation portrait|landscape", "end_job", "release".
    std::vector<std::string> calls;
    std::string attached;
    PageOrientation orientation = PageOrientation::Portrait;

    std::vector<std::string> list() override {
        calls.emplace_back("list");
        return names;
    }
    int attach(std::string_view name, std::string_view document) override {
        calls.push_back("attach " + std::string(name) + " | " + std::string(document));
        if (attach_result == 0) attached = name;
        return attach_result;
    }
    std::string attached_name() const override { return attached; }
    void set_orientation(PageOrientation value) override {
        orientation = value;
        calls.emplace_back(value == PageOrientation::Landscape ? "orientation landscape"
                                                               : "orientation portrait");
    }
    SheetMetrics metrics() const override { return sheet; }

    // Text extents: width = characters * points, height = points * 3 unless the test says otherwise.
    std::function<TextExtent(const std::string& face, int points, bool bold, std::string_view text)> measure =
        [](const std::string&, int points, bool, std::string_view text) {
            return TextExtent{static_cast<int>(text.size()) * points, points * 3};
        };
    std::string font_face;
    int font_points = 0;
    bool font_bold = false;
    DevicePoint position;

    void select_font(std::string_view face, int points, bool bold) override {
        font_face = face;
        font_points = points;
        font_bold = bold;
        calls.push_back("font " + font_face + " " + std::to_string(points) + (bold ? " bold" : ""));
    }
    void set_text_colour(std::uint32_t rgb) override { calls.push_back("colour " + std::to_string(rgb)); }
    TextExtent text_extent(std::string_view text) override {
        return measure(font_face, font_points, font_bold, text);
    }
    void move_to(DevicePoint to) override {
        position = to;
        calls.push_back("move " + std::to_string(to.x) + " " + std::to_string(to.y));
    }
    void draw_text(std::string_view text) override {
        calls.push_back("text " + std::string(text));
        position.x += text_extent(text).width;
    }
    DevicePoint current_position() const override { return position; }
    void stretch_bitmap(const MemoryBitmap&, const PixelRect& source, const DeviceRect& destination) override {
        stretched.push_back({source, destination});
        calls.emplace_back("stretch");
    }
    struct Stretch {
        PixelRect source;
        DeviceRect destination;
    };
    std::vector<Stretch> stretched;
    int end_job() override {
        calls.emplace_back("end_job");
        attached.clear();
        return end_job_result;
    }
    void release() override {
        calls.emplace_back("release");
        attached.clear();
    }
};

// The Platform refers to the members, so a FakePlatform stays where it was made.
struct FakePlatform {
    MemoryConsole console;
    FakeSystem system;
    RecordingFault fault;
    SilentSpeech speech;
    FakePrinters printers;

    FakePlatform() = default;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform& platform() { return platform_; }

private:
    Platform platform_{console, system, fault, speech, printers};
};

}  // namespace posteri
