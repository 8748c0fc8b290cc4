// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole Platform of fakes for tests: a memory console, an in-memory system, a recording failure
// notice, a voice that only writes down what it was asked to say, and printers that record calls.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "support/fake_preview.h"
#include "support/fake_system.h"
#include "support/fake_windows.h"
#include "support/memory_console.h"
#include "support/recording_fault.h"

namespace posteri {

class SilentSpeech : public Speech {
public:
    std::vector<std::string> spoken;
    // Runs after each text is noted, while it would still be heard (a test can type a key then).
    std::function<void()> while_speaking;
    void speak(std::string_view text) override {
        spoken.emplace_back(text);
        if (while_speaking) while_speaking();
    }
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
    std::string default_name;
    // Paper sizes by printer name.
    std::map<std::string, std::vector<PaperSize>> papers;
    std::string default_printer() override { return default_name; }
    std::vector<PaperSize> paper_sizes(std::string_view name) override {
        const auto found = papers.find(std::string(name));
        return found == papers.end() ? std::vector<PaperSize>{} : found->second;
    }
    // The media of the last attach.
    std::string media;
    std::string own_printer(std::string_view) override { return {}; }
    int attach(std::string_view name, std::string_view document, std::string_view paper = {}) override {
        calls.push_back("attach " + std::string(name) + " | " + std::string(document) +
                        (paper.empty() ? "" : " | " + std::string(paper)));
        media = paper;
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
    JobOutcome outcome;
    JobOutcome last_job() const override { return outcome; }
};

// Bitmaps that are only sizes; photos are known by path with their facts.
class FakeBitmap : public MemoryBitmap {
public:
    FakeBitmap(int width, int height, std::string source = {}, bool incomplete = false)
        : width_(width), height_(height), source_(std::move(source)), incomplete_(incomplete) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    bool incomplete() const override { return incomplete_; }
    const std::string& source() const { return source_; }

private:
    int width_;
    int height_;
    std::string source_;
    bool incomplete_;
};

class FakeImages : public ImageCodec {
public:
    // Photos by path: their facts; a photo listed in `undecodable` has facts but no pixels, one in
    // `incomplete` only some of them.
    std::map<std::string, PhotoFacts> photos;
    std::set<std::string> undecodable;
    std::set<std::string> incomplete;

    std::optional<PhotoFacts> facts(const std::string& path) override {
        const auto found = photos.find(path);
        if (found == photos.end()) return std::nullopt;
        return found->second;
    }
    std::unique_ptr<MemoryBitmap> load_photo(const std::string& path) override {
        const auto found = photos.find(path);
        if (found == photos.end() || undecodable.contains(path)) return nullptr;
        return std::make_unique<FakeBitmap>(found->second.width, found->second.height, path, incomplete.contains(path));
    }
    std::unique_ptr<MemoryBitmap> create_bitmap(int width, int height) override {
        if (width <= 0 || height <= 0) return nullptr;
        return std::make_unique<FakeBitmap>(width, height);
    }
    std::string read_bits(const MemoryBitmap&) override { return {}; }
    void write_bits(MemoryBitmap&, std::string_view) override {}
    void clear(MemoryBitmap&, std::uint32_t) override {}
    void stretch(const MemoryBitmap&, const PixelRect&, MemoryBitmap&, const DeviceRect&) override {}
};

// Installed fonts: the family names a test gives, in its order, and the faces it calls missing,
// each with the face that prints instead.
class FakeFonts : public FontCatalog {
public:
    std::vector<std::string> names;
    std::map<std::string, std::string, std::less<>> substitutes;
    std::vector<std::string> family_names() override { return names; }
    std::string substitute_face(std::string_view face, bool) override {
        const auto found = substitutes.find(face);
        return found == substitutes.end() ? std::string() : found->second;
    }
};

// The Platform refers to the members, so a FakePlatform stays where it was made.
struct FakePlatform {
    MemoryConsole console;
    FakeSystem system;
    RecordingFault fault;
    SilentSpeech speech;
    FakePrinters printers;
    FakeImages images;
    FakeWindows windows;
    FakeFonts fonts;
    FakePreview preview;

    FakePlatform() { windows.console = &console; }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform& platform() { return platform_; }

private:
    Platform platform_{console, system, fault, speech, printers, images, windows, fonts, preview};
};

}  // namespace posteri
