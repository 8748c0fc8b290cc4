// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The poster preview in a window of its own, titled "Anteprima", at the right edge of the work area
// (under X11 beside the terminal's window, named by WINDOWID, when there is room). While it is open
// the console's key wait keeps its events flowing, so it repaints when uncovered, and keys typed
// into it go to the console. Its close button closes only the preview. Without a display it shows
// nothing.

#include <memory>
#include <optional>
#include <string>

#include "platform/terminal/console.h"
#include "platform/windows/poster_preview.h"
#include "platform/windows/sdl_windows.h"

namespace posteri {

// Where a preview of the sheet goes: as tall as the work area allows (leaving room for a title
// bar), at most half its width, beside the terminal's window when it fits there, else at the work
// area's right edge.
PixelArea preview_area(const SheetMetrics& sheet, const PixelArea& work, std::optional<PixelArea> terminal);

class SdlPosterPreview : public PosterPreview {
  public:
    SdlPosterPreview(SdlWindows& windows, Console& console) : windows_(windows), console_(console) {}
    ~SdlPosterPreview() override { close(); }
    SdlPosterPreview(const SdlPosterPreview&) = delete;
    SdlPosterPreview& operator=(const SdlPosterPreview&) = delete;

    void open() override;
    void show(const PreviewPage& page) override;
    void close() override;
    bool showing() const override { return open_ && !dismissed_; }

  private:
    void open_window(const SheetMetrics& sheet);
    void take_photo(const std::string& path);
    // The console's side keys: the window's keys, and the close button noticed.
    std::string next_key();

    SdlWindows& windows_;
    Console& console_;
    bool open_ = false;
    bool dismissed_ = false;
    WindowHandle window_ = 0;
    std::optional<PreviewPage> shown_;
    std::string photo_path_;
    std::unique_ptr<MemoryBitmap> photo_;
};

}  // namespace posteri
