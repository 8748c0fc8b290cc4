// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/sdl_poster_preview.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/windows/cairo_preview_drawing.h"
#include "platform/windows/preview_photo.h"

namespace posteri {

namespace {

constexpr std::string_view kCaption = "Anteprima";
// Left free above and below the window for the desktop's title bar and frame.
constexpr int kFrameRoom = 32;

int silent_x_error(Display*, XErrorEvent*) {
    return 0;
}

// The terminal's window on the screen, as the X server places it; nothing when WINDOWID names no
// window, or there is no X display.
std::optional<PixelArea> terminal_window() {
    const char* display_name = std::getenv("DISPLAY");
    const char* id = std::getenv("WINDOWID");
    if (display_name == nullptr || *display_name == '\0' || id == nullptr || *id == '\0') return std::nullopt;
    char* end = nullptr;
    const unsigned long window = std::strtoul(id, &end, 0);
    if (*end != '\0' || window == 0) return std::nullopt;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    // A stale WINDOWID must not end the run through Xlib's default error handler.
    const auto previous = XSetErrorHandler(silent_x_error);
    std::optional<PixelArea> area;
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = 0;
    if (XGetWindowAttributes(display, window, &attributes) != 0 &&
        XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child) != 0) {
        area = PixelArea{x, y, attributes.width, attributes.height};
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return area;
}

}  // namespace

PixelArea preview_area(const SheetMetrics& sheet, const PixelArea& work, std::optional<PixelArea> terminal) {
    const double across = sheet.dpi_x > 0 ? sheet.physical_width / double(sheet.dpi_x) : 1;
    const double down = sheet.dpi_y > 0 ? sheet.physical_height / double(sheet.dpi_y) : 1;
    int height = std::max(work.height - 2 * kFrameRoom, 1);
    int width = std::max(static_cast<int>(std::lround(height * across / down)), 1);
    if (width > work.width / 2) {
        width = std::max(work.width / 2, 1);
        height = std::max(static_cast<int>(std::lround(width * down / across)), 1);
    }
    PixelArea area{work.x + work.width - width, work.y + kFrameRoom, width, height};
    if (terminal && terminal->x + terminal->width + width <= work.x + work.width) {
        area.x = std::max(terminal->x + terminal->width, work.x);
        area.y =
            std::clamp(terminal->y, work.y + kFrameRoom, std::max(work.y + work.height - height, work.y));
    }
    return area;
}

void SdlPosterPreview::open() {
    if (open_ || !windows_.has_display()) return;
    open_ = true;
    dismissed_ = false;
    console_.set_side_keys([this] { return next_key(); });
}

void SdlPosterPreview::show(const PreviewPage& page) {
    if (!showing() || shown_ == page) return;
    if (window_ == 0 || !shown_ || shown_->sheet != page.sheet) open_window(page.sheet);
    cairo_surface_t* picture = windows_.picture(window_);
    if (picture == nullptr) return;
    take_photo(page.photo ? page.photo->path : std::string());
    draw_preview_page(picture, page, photo_.get());
    windows_.present(window_);
    shown_ = page;
}

void SdlPosterPreview::close() {
    if (!open_) return;
    console_.set_side_keys({});
    if (window_ != 0) windows_.close(window_);
    window_ = 0;
    open_ = false;
    shown_.reset();
    photo_.reset();
    photo_path_.clear();
}

void SdlPosterPreview::open_window(const SheetMetrics& sheet) {
    if (window_ != 0) windows_.close(window_);
    const PixelArea area = preview_area(sheet, windows_.work_area(), terminal_window());
    window_ = windows_.open_closable({area, std::string(kCaption)});
    shown_.reset();
    // The photo was decoded for the old window's size.
    photo_.reset();
    photo_path_.clear();
}

// Decoded once for the window and kept while the photo stays the same (a photo that cannot be
// decoded is not tried again).
void SdlPosterPreview::take_photo(const std::string& path) {
    if (path == photo_path_) return;
    photo_path_ = path;
    photo_.reset();
    if (path.empty()) return;
    const PixelArea size = windows_.client_area(window_);
    photo_ = preview_photo(path, std::max(size.width, size.height));
}

std::string SdlPosterPreview::next_key() {
    if (window_ == 0) return {};
    if (windows_.close_asked(window_)) {
        windows_.close(window_);
        window_ = 0;
        dismissed_ = true;
        return {};
    }
    return windows_.window_key(window_);
}

}  // namespace posteri
