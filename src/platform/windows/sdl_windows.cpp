// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/sdl_windows.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <utility>

#include "format/codepage.h"
#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/cairo_stretch.h"
#include "platform/type/fontconfig_font_set.h"
#include "platform/type/harfbuzz_face_extents.h"
#include "platform/type/pango_screen_text.h"

namespace posteri {

namespace {

constexpr std::string_view kFaultCaption = "posteri";

void set_colour(cairo_t* cr, std::uint32_t rgb) {
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// The key string of a key that brings no text of its own (letters and digits arrive as text input).
// Function keys with Ctrl or Alt have none, as on the terminal.
std::string key_string(const SDL_Keysym& key) {
    const bool control = (key.mod & KMOD_CTRL) != 0;
    const bool shift = (key.mod & KMOD_SHIFT) != 0;
    if (control && key.sym >= SDLK_a && key.sym <= SDLK_z) return std::string(1, char(key.sym - SDLK_a + 1));
    if (key.sym >= SDLK_F1 && key.sym <= SDLK_F12) {
        if (control || (key.mod & KMOD_ALT) != 0) return {};
        return keys::function_key(int(key.sym - SDLK_F1) + 1, shift);
    }
    switch (key.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return keys::kEnter;
        case SDLK_ESCAPE:
            return keys::kEsc;
        case SDLK_TAB:
            return shift ? keys::kShiftTab : keys::kTab;
        case SDLK_BACKSPACE:
            return keys::kBackspace;
        case SDLK_UP:
            return keys::kUp;
        case SDLK_DOWN:
            return keys::kDown;
        case SDLK_LEFT:
            return keys::kLeft;
        case SDLK_RIGHT:
            return keys::kRight;
        case SDLK_PAGEUP:
            return keys::kPgUp;
        case SDLK_PAGEDOWN:
            return keys::kPgDn;
        case SDLK_HOME:
            return keys::kHome;
        case SDLK_END:
            return keys::kEnd;
        case SDLK_INSERT:
            return keys::kIns;
        case SDLK_DELETE:
            return keys::kDel;
        default:
            return {};
    }
}

// Said once the terminal is given back (stderr is captured meanwhile), so that a user whose windows
// came up on the terminal learns why.
void say_display_refused(std::string_view what) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "posteri: %.*s (display %s, SDL: %s).\n", int(what.size()), what.data(),
                 display != nullptr ? display : "-", SDL_GetError());
}

const char* video_driver_for_session() {
    const char* x11 = std::getenv("DISPLAY");
    if (x11 && *x11) return "x11";
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland) return "wayland";
    return nullptr;
}

}  // namespace

struct SdlWindows::Window {
    SDL_Window* sdl = nullptr;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    std::deque<std::string> keys;
    std::optional<MouseClick> click;
    bool closable = false;
    bool close_asked = false;

    ~Window() {
        if (cr) cairo_destroy(cr);
        if (surface) cairo_surface_destroy(surface);
        if (sdl) SDL_DestroyWindow(sdl);
    }

    // Copies the picture to the window.
    void show() {
        cairo_surface_flush(surface);
        SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
            cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
            cairo_image_surface_get_height(surface), 32, cairo_image_surface_get_stride(surface),
            SDL_PIXELFORMAT_ARGB8888);
        SDL_Surface* screen = SDL_GetWindowSurface(sdl);
        if (picture && screen) {
            SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
            SDL_BlitSurface(picture, nullptr, screen, nullptr);
            SDL_UpdateWindowSurface(sdl);
        }
        if (picture) SDL_FreeSurface(picture);
    }
};

SdlWindows::SdlWindows(Console& console)
    : boxes_(console),
      measure_(std::make_unique<TextMasks>()),
      extents_(
          [](const std::vector<const FontText*>& texts, const MeasureProgress& progress) {
              return measure_faces(texts, screen_em, progress);
          },
          font_extents_file()) {}

SdlWindows::~SdlWindows() {
    windows_.clear();
    if (video_ == Video::Started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindows::has_display() {
    if (video_ == Video::Unknown) {
        video_ = Video::Absent;
        if (const char* driver = video_driver_for_session()) {
            // Picking the driver ourselves keeps a missing display quick and quiet; no OpenGL for a
            // plain surface, no signal handlers of SDL's own, and the screensaver left alone.
            SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
                video_ = Video::Started;
            } else {
                say_display_refused("il display non accetta finestre, mostrate quindi nel terminale");
            }
            bring_fonts_up_to_date();
        }
    }
    return video_ == Video::Started;
}

PixelArea SdlWindows::desktop() {
    if (!has_display()) return boxes_.desktop();
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(0, &bounds);
    return {bounds.x, bounds.y, bounds.w, bounds.h};
}

PixelArea SdlWindows::work_area() {
    if (!has_display()) return boxes_.work_area();
    SDL_Rect bounds{};
    if (SDL_GetDisplayUsableBounds(0, &bounds) != 0) return desktop();
    return {bounds.x, bounds.y, bounds.w, bounds.h};
}

namespace {

// Asks the window manager not to give the keyboard to a window when it is first shown: a user time
// of 0 means that the user has not yet interacted with it (the desktop's rule for focus-stealing
// prevention). Only X11 has the property; elsewhere the window shows as usual.
void ask_not_to_focus_when_shown(SDL_Window* sdl) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
    const unsigned long never = 0;
    XChangeProperty(info.info.x11.display, info.info.x11.window,
                    XInternAtom(info.info.x11.display, "_NET_WM_USER_TIME", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&never), 1);
}

}  // namespace

WindowHandle SdlWindows::open(const WindowSpec& request) {
    if (!has_display()) return boxes_.open(request);
    return open_window(request, Focus::Take);
}

WindowHandle SdlWindows::open_window(const WindowSpec& request, Focus focus) {
    auto window = std::make_unique<Window>();
    const int width = std::max(request.area.width, 1);
    const int height = std::max(request.area.height, 1);
    const Uint32 flags = request.caption.empty() ? SDL_WINDOW_BORDERLESS : 0;
    window->sdl = SDL_CreateWindow(cp1252_to_utf8(request.caption).c_str(), request.area.x, request.area.y,
                                   width, height, flags | SDL_WINDOW_HIDDEN);
    if (!window->sdl) return 0;
    if (focus == Focus::Leave) ask_not_to_focus_when_shown(window->sdl);
    SDL_ShowWindow(window->sdl);
    window->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    window->cr = cairo_create(window->surface);
    set_colour(window->cr, 0xFFFFFF);
    cairo_paint(window->cr);
    const WindowHandle handle = next_handle_++;
    windows_.emplace(handle, std::move(window));
    return handle;
}

void SdlWindows::close(WindowHandle window) {
    if (!has_display()) return boxes_.close(window);
    windows_.erase(window);
    pump_events();
}

void SdlWindows::raise(WindowHandle window) {
    if (!has_display()) return boxes_.raise(window);
    if (Window* found = find(window)) SDL_RaiseWindow(found->sdl);
}

PixelArea SdlWindows::client_area(WindowHandle window) {
    if (!has_display()) return boxes_.client_area(window);
    const Window* found = find(window);
    if (!found) return {};
    return {0, 0, cairo_image_surface_get_width(found->surface),
            cairo_image_surface_get_height(found->surface)};
}

TextExtent SdlWindows::measure_text(const FontSpec& font, std::string_view text) {
    if (!has_display()) return boxes_.measure_text(font, text);
    return logical_extent(text_layout(measure_->cr, font, text).get());
}

std::vector<TextExtent> SdlWindows::measure_texts(const std::vector<FontText>& texts,
                                                  const MeasureProgress& progress) {
    if (!has_display()) return boxes_.measure_texts(texts, progress);
    std::vector<TextExtent> extents = extents_.measure(texts, progress);
    // Texts kept as drawn in fonts that have changed since are drawn afresh.
    if (std::string fonts = font_set_key(); fonts != measure_->fonts) {
        measure_->forget_masks();
        measure_->fonts = std::move(fonts);
    }
    return extents;
}

TextExtent SdlWindows::character_size(const FontSpec& font) {
    if (!has_display()) return boxes_.character_size(font);
    const LayoutPtr layout = text_layout(measure_->cr, font, "X");
    PangoFontMetrics* metrics = pango_context_get_metrics(
        pango_layout_get_context(layout.get()), pango_layout_get_font_description(layout.get()), nullptr);
    const int width = static_cast<int>(
        std::nearbyint(double(pango_font_metrics_get_approximate_char_width(metrics)) / PANGO_SCALE));
    pango_font_metrics_unref(metrics);
    return {width, logical_extent(layout.get()).height};
}

void SdlWindows::clear(WindowHandle window, std::uint32_t rgb) {
    if (!has_display()) return boxes_.clear(window, rgb);
    Window* found = find(window);
    if (!found) return;
    set_colour(found->cr, rgb);
    cairo_paint(found->cr);
}

void SdlWindows::draw_text(WindowHandle window, DevicePoint at, const FontSpec& font, std::string_view text,
                           std::uint32_t rgb, std::optional<std::uint32_t> background) {
    if (!has_display()) return boxes_.draw_text(window, at, font, text, rgb, background);
    Window* found = find(window);
    if (!found) return;
    if (background) {
        const TextExtent extent = logical_extent(text_layout(found->cr, font, text).get());
        set_colour(found->cr, *background);
        cairo_rectangle(found->cr, at.x, at.y, extent.width, extent.height);
        cairo_fill(found->cr);
    }
    const TextMasks::Mask& mask = measure_->mask(font, text);
    if (mask.ink == nullptr) return;
    set_colour(found->cr, rgb);
    cairo_mask_surface(found->cr, mask.ink, at.x + mask.x, at.y + mask.y);
}

void SdlWindows::draw_box(WindowHandle window, const PixelArea& area, std::optional<std::uint32_t> outline,
                          std::optional<std::uint32_t> fill) {
    if (!has_display()) return boxes_.draw_box(window, area, outline, fill);
    Window* found = find(window);
    if (!found || area.width <= 0 || area.height <= 0) return;
    cairo_t* cr = found->cr;
    if (fill) {
        set_colour(cr, *fill);
        cairo_rectangle(cr, area.x, area.y, area.width, area.height);
        cairo_fill(cr);
    }
    if (outline) {
        // Half-pixel offsets put the one-pixel line exactly on the box's edge pixels.
        set_colour(cr, *outline);
        cairo_set_line_width(cr, 1.0);
        cairo_rectangle(cr, area.x + 0.5, area.y + 0.5, area.width - 1.0, area.height - 1.0);
        cairo_stroke(cr);
    }
}

void SdlWindows::draw_bitmap(WindowHandle window, const MemoryBitmap& bitmap, const PixelRect& from,
                             const DeviceRect& to) {
    if (!has_display()) return boxes_.draw_bitmap(window, bitmap, from, to);
    Window* found = find(window);
    const auto* pixels_of = dynamic_cast<const CairoBitmap*>(&bitmap);
    cairo_surface_t* pixels = pixels_of ? pixels_of->pixels() : nullptr;
    if (!found || !pixels) return;
    paint_stretched(found->cr, pixels, from, to);
}

void SdlWindows::show_reading_point(WindowHandle window, DevicePoint at) {
    if (!has_display()) boxes_.show_reading_point(window, at);
}

bool SdlWindows::ready_text(const FontSpec& font, std::string_view text) {
    if (!has_display() || measure_->has_mask(font, text)) return false;
    measure_->mask(font, text);
    return true;
}

void SdlWindows::present(WindowHandle window) {
    if (!has_display()) return boxes_.present(window);
    if (Window* found = find(window)) found->show();
    pump_events();
}

std::string SdlWindows::poll_key(WindowHandle window) {
    if (!has_display()) return boxes_.poll_key(window);
    if (std::string key = window_key(window); !key.empty()) return key;
    // With no boxes open, the console boxes read the console's keys and drop its clicks.
    return boxes_.poll_key(window);
}

std::optional<MouseClick> SdlWindows::poll_click(WindowHandle window) {
    if (!has_display()) return boxes_.poll_click(window);
    pump_events();
    Window* found = find(window);
    if (!found) return std::nullopt;
    return std::exchange(found->click, std::nullopt);
}

WindowHandle SdlWindows::open_closable(const WindowSpec& request) {
    if (!has_display()) return 0;
    const WindowHandle handle = open_window(request, Focus::Leave);
    if (Window* found = find(handle)) found->closable = true;
    return handle;
}

bool SdlWindows::close_asked(WindowHandle window) {
    if (!has_display()) return false;
    pump_events();
    const Window* found = find(window);
    return found != nullptr && found->close_asked;
}

cairo_surface_t* SdlWindows::picture(WindowHandle window) {
    const Window* found = has_display() ? find(window) : nullptr;
    return found != nullptr ? found->surface : nullptr;
}

std::string SdlWindows::window_key(WindowHandle window) {
    if (!has_display()) return {};
    pump_events();
    Window* found = find(window);
    if (found == nullptr || found->keys.empty()) return {};
    std::string key = std::move(found->keys.front());
    found->keys.pop_front();
    return key;
}

SdlWindows::Window* SdlWindows::find(WindowHandle window) {
    const auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : found->second.get();
}

SdlWindows::Window* SdlWindows::find_sdl(std::uint32_t sdl_id) {
    for (auto& [handle, window] : windows_) {
        if (SDL_GetWindowID(window->sdl) == sdl_id) return window.get();
    }
    return nullptr;
}

void SdlWindows::pump_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_KEYDOWN:
                if (Window* window = find_sdl(event.key.windowID)) {
                    if (std::string key = key_string(event.key.keysym); !key.empty())
                        window->keys.push_back(key);
                }
                break;
            case SDL_TEXTINPUT:
                if (Window* window = find_sdl(event.text.windowID)) {
                    // Characters with no Windows-1252 byte cannot be typed into the program.
                    const std::string text = utf8_to_cp1252(event.text.text, '\0');
                    for (const char ch : text) {
                        if (ch != '\0') window->keys.emplace_back(1, ch);
                    }
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (Window* window = find_sdl(event.button.windowID);
                    window && event.button.button == SDL_BUTTON_LEFT) {
                    window->click =
                        MouseClick{event.button.clicks >= 2 ? 2 : 1, event.button.x, event.button.y};
                }
                break;
            case SDL_WINDOWEVENT:
                if (Window* window = find_sdl(event.window.windowID)) {
                    if (event.window.event == SDL_WINDOWEVENT_EXPOSED) window->show();
                    // The desktop's close button leaves the window as Esc would, unless the window
                    // closes by itself.
                    if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                        if (window->closable) window->close_asked = true;
                        else window->keys.push_back(keys::kEsc);
                    }
                }
                break;
            default:
                break;
        }
    }
}

std::optional<FaultAnswer> SdlWindows::ask_ok_cancel(std::string_view caption, std::string_view text) {
    if (!has_display()) return std::nullopt;
    enum : int { kOk = 0, kCancel = 1 };
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kOk, "OK"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kCancel, "Cancel"},
    };
    const std::string title = cp1252_to_utf8(caption);
    const std::string message = cp1252_to_utf8(text);
    const SDL_MessageBoxData box{SDL_MESSAGEBOX_WARNING | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                 nullptr,
                                 title.c_str(),
                                 message.c_str(),
                                 SDL_arraysize(buttons),
                                 buttons,
                                 nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        say_display_refused("l'avviso di errore non si apre in una finestra, mostrato quindi nel terminale");
        return std::nullopt;
    }
    return chosen == kOk ? FaultAnswer::Ok : FaultAnswer::Cancel;
}

FaultAnswer DisplayFault::show_notice(std::string_view text) {
    if (const std::optional<FaultAnswer> answer = windows_.ask_ok_cancel(kFaultCaption, text)) return *answer;
    return console_fault_.show_notice(text);
}

}  // namespace posteri
