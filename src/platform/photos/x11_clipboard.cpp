// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/x11_clipboard.h"

#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>

namespace posteri {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kOwnerPatience = std::chrono::seconds(1);
// A large image may take a while in pieces, but an owner that trickles forever must not hold the
// caller: the whole transfer gets at most this long.
constexpr auto kLongestTransfer = std::chrono::seconds(30);
constexpr const char* kImageTypes[] = {"image/png", "image/jpeg"};

// X errors (a window that vanished, say) would otherwise print and end the process.
int ignore_x_error(Display*, XErrorEvent*) {
    return 0;
}

struct Session {
    Display* display;
    Window window = None;
    Atom clipboard = None;
    Atom property = None;
    Atom incremental = None;
    XErrorHandler previous_handler = nullptr;

    explicit Session(Display* opened) : display(opened) {
        previous_handler = XSetErrorHandler(ignore_x_error);
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(display, window, PropertyChangeMask);
        clipboard = XInternAtom(display, "CLIPBOARD", False);
        property = XInternAtom(display, "POSTERI_CLIPBOARD", False);
        incremental = XInternAtom(display, "INCR", False);
    }
    ~Session() {
        XDestroyWindow(display, window);
        XSync(display, False);
        XSetErrorHandler(previous_handler);
        XCloseDisplay(display);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// Waits for an event of the given type on the session's window, up to the deadline.
bool wait_for(Session& session, int type, XEvent& event, Clock::time_point deadline) {
    while (true) {
        while (XPending(session.display) > 0) {
            XNextEvent(session.display, &event);
            if (event.type == type && event.xany.window == session.window) return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd connection{ConnectionNumber(session.display), POLLIN, 0};
        ::poll(&connection, 1, static_cast<int>(left.count()));
    }
}

struct Property {
    Atom type = None;
    std::string bytes;
};

// Reads and deletes the session's property.
Property take_property(Session& session) {
    Property taken;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(session.display, session.window, session.property, 0, LONG_MAX / 4, True,
                           AnyPropertyType, &type, &format, &items, &after, &data) != Success) {
        return taken;
    }
    taken.type = type;
    if (data != nullptr && format == 8) taken.bytes.assign(reinterpret_cast<char*>(data), items);
    if (data != nullptr) XFree(data);
    return taken;
}

// A large image arrives in pieces: each new value of the property is the next piece, an empty
// one ends it. The owner gets its patience anew for every piece.
std::optional<std::string> take_in_pieces(Session& session) {
    const auto give_up = Clock::now() + kLongestTransfer;
    std::string bytes;
    XEvent event;
    while (wait_for(session, PropertyNotify, event, std::min(Clock::now() + kOwnerPatience, give_up))) {
        if (event.xproperty.atom != session.property || event.xproperty.state != PropertyNewValue) continue;
        const Property piece = take_property(session);
        if (piece.bytes.empty()) return bytes;
        bytes += piece.bytes;
    }
    return std::nullopt;
}

std::optional<std::string> convert_to(Session& session, const char* type) {
    const Atom target = XInternAtom(session.display, type, False);
    XConvertSelection(session.display, session.clipboard, target, session.property, session.window, CurrentTime);
    const auto deadline = Clock::now() + kOwnerPatience;
    XEvent event;
    if (!wait_for(session, SelectionNotify, event, deadline) || event.xselection.property == None) {
        return std::nullopt;
    }
    const Property value = take_property(session);
    if (value.type == session.incremental) return take_in_pieces(session);
    if (value.type != target || value.bytes.empty()) return std::nullopt;
    return value.bytes;
}

}  // namespace

std::optional<std::string> take_clipboard_image_bytes() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    Session session(display);
    std::optional<std::string> image;
    if (XGetSelectionOwner(display, session.clipboard) != None) {
        for (const char* type : kImageTypes) {
            image = convert_to(session, type);
            if (image && !image->empty()) break;
        }
    }
    XSetSelectionOwner(display, session.clipboard, None, CurrentTime);
    return image;
}

}  // namespace posteri
