// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Graphic windows on a display through SDL2, each drawn with cairo and pango into an image surface
// that is copied to the window at present(). Whether a display answers is found out once, on first
// need: the video driver follows DISPLAY (x11) or WAYLAND_DISPLAY (wayland); without either, or when
// the display does not answer, every window is a console box instead.
//
// Everything runs on the calling thread: window events are read whenever a window is polled or
// presented, and keys typed on the console count as keys of the polled window.

#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include <cairo.h>

#include "platform/fault.h"
#include "platform/terminal/console.h"
#include "platform/type/font_extents.h"
#include "platform/windows/console_box_windows.h"
#include "platform/windows/graphic_windows.h"

namespace posteri {

class TextMasks;

class SdlWindows : public GraphicWindows {
  public:
    explicit SdlWindows(Console& console);
    ~SdlWindows() override;
    SdlWindows(const SdlWindows&) = delete;
    SdlWindows& operator=(const SdlWindows&) = delete;

    // A modal message box with the warning icon and the buttons OK and Cancel (closing it is Cancel);
    // nothing when there is no display or the box cannot be shown.
    std::optional<FaultAnswer> ask_ok_cancel(std::string_view caption, std::string_view text);

    bool has_display() override;
    PixelArea desktop() override;
    PixelArea work_area() override;

    WindowHandle open(const WindowSpec& request) override;
    void close(WindowHandle window) override;
    void raise(WindowHandle window) override;
    PixelArea client_area(WindowHandle window) override;

    TextExtent measure_text(const FontSpec& font, std::string_view text) override;
    // In the one face each font selects, as Windows measures them; once per installed font set, kept
    // for the run and in the cache file.
    std::vector<TextExtent> measure_texts(const std::vector<FontText>& texts,
                                          const MeasureProgress& progress) override;
    TextExtent character_size(const FontSpec& font) override;

    void clear(WindowHandle window, std::uint32_t rgb) override;
    void draw_text(WindowHandle window, DevicePoint at, const FontSpec& font, std::string_view text,
                   std::uint32_t rgb, std::optional<std::uint32_t> background) override;
    void draw_box(WindowHandle window, const PixelArea& area, std::optional<std::uint32_t> outline,
                  std::optional<std::uint32_t> fill) override;
    void draw_bitmap(WindowHandle window, const MemoryBitmap& bitmap, const PixelRect& from,
                     const DeviceRect& to) override;
    void present(WindowHandle window) override;
    // Draws the text into the kept masks now, when it is not there yet.
    bool ready_text(const FontSpec& font, std::string_view text) override;

    std::string poll_key(WindowHandle window) override;
    void show_reading_point(WindowHandle window, DevicePoint at) override;
    std::optional<MouseClick> poll_click(WindowHandle window) override;

    // --- for windows of this platform's own (the poster preview); display only
    // A window whose close button only asks for it to close (close_asked), instead of typing Esc.
    // It shows beside the terminal's work, so the desktop is asked to leave the keyboard where it is.
    WindowHandle open_closable(const WindowSpec& request);
    bool close_asked(WindowHandle window);
    // The window's picture (ARGB32), drawn into directly and shown at present(); nullptr when unknown.
    cairo_surface_t* picture(WindowHandle window);
    // The next key typed into this window, "" when none: never a console key.
    std::string window_key(WindowHandle window);

  private:
    struct Window;
    enum class Focus { Take, Leave };

    WindowHandle open_window(const WindowSpec& request, Focus focus);

    Window* find(WindowHandle window);
    Window* find_sdl(std::uint32_t sdl_id);
    // Reads every waiting window event into the windows' key and click queues.
    void pump_events();

    ConsoleBoxWindows boxes_;
    enum class Video { Unknown, Started, Absent } video_ = Video::Unknown;
    std::map<WindowHandle, std::unique_ptr<Window>> windows_;
    std::unique_ptr<TextMasks> measure_;
    FontExtents extents_;
    WindowHandle next_handle_ = 1;
};

// The failure notice: a message box when a display answers, otherwise (or when the box cannot be
// shown) the console's own notice.
class DisplayFault : public Fault {
  public:
    DisplayFault(SdlWindows& windows, Fault& console_fault)
        : windows_(windows), console_fault_(console_fault) {}
    FaultAnswer show_notice(std::string_view text) override;

  private:
    SdlWindows& windows_;
    Fault& console_fault_;
};

}  // namespace posteri
