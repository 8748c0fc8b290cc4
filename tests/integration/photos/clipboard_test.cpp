// SPDX-License-Identifier: GPL-3.0-or-later
// An image on the desktop clipboard taken through libposteri-image, on a private Xvfb server whose
// clipboard is owned by a child process made here.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "posteri_image.h"
#include "support/test_photos.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace posteri {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Waits until fd can be read, at most `patience`.
bool readable(int fd, std::chrono::milliseconds patience) {
    pollfd wanted{fd, POLLIN, 0};
    return ::poll(&wanted, 1, static_cast<int>(patience.count())) == 1;
}

// What fd gives up to a newline; what came when it closes first or the deadline passes.
std::string read_line(int fd, Clock::time_point deadline) {
    std::string line;
    char next = 0;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const bool more = left.count() > 0 && readable(fd, left) && ::read(fd, &next, 1) == 1;
        if (!more || next == '\n') return line;
        line += next;
    }
}

// Xvfb on the first free display from :97 to :120, for the whole suite.
class VirtualScreen {
public:
    VirtualScreen() {
        for (int number = 97; number <= 120 && name_.empty() && !missing_; ++number) start(number);
    }
    ~VirtualScreen() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    const std::string& name() const { return name_; }  // empty when no server started
    bool missing() const { return missing_; }

private:
    // The server writes its display number and a newline to a pipe once it accepts clients (and
    // fails if the pipe closes before it is done); it closes the pipe unwritten when it cannot
    // start, say because another server has that display.
    void start(int number) {
        const std::string display = ":" + std::to_string(number);
        if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) return;
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) return;
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            const std::string fd = std::to_string(::dup(ready[1]));
            // Without -noreset the server restarts whenever its last client leaves, refusing
            // clients meanwhile.
            ::execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp",
                     "-noreset", "-screen", "0", "64x64x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ready[1]);
        const bool started = pid > 0 && read_line(ready[0], Clock::now() + 3s) == std::to_string(number);
        ::close(ready[0]);
        if (pid <= 0) return;
        if (started) {
            pid_ = pid;
            name_ = display;
            return;
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        missing_ = WIFEXITED(status) && WEXITSTATUS(status) == 127;
    }

    pid_t pid_ = -1;
    std::string name_;
    bool missing_ = false;
};

int ignore_x_error(Display*, XErrorEvent*) {
    return 0;
}

// Values longer than this are sent in pieces (the INCR protocol).
constexpr std::size_t kPiece = 64 * 1024;

// Owns CLIPBOARD in a child process: answers TARGETS and the offered targets, and notes being told
// to give the selection up.
class SelectionOwner {
public:
    SelectionOwner(Display* display, std::map<std::string, std::string> offer) : display_(display) {
        XSetErrorHandler(ignore_x_error);
        window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        clipboard_ = XInternAtom(display, "CLIPBOARD", False);
        targets_ = XInternAtom(display, "TARGETS", False);
        incremental_ = XInternAtom(display, "INCR", False);
        for (auto& [name, bytes] : offer)
            offer_.emplace(XInternAtom(display, name.c_str(), False), std::move(bytes));
    }

    bool take_clipboard() {
        XSetSelectionOwner(display_, clipboard_, window_, CurrentTime);
        return XGetSelectionOwner(display_, clipboard_) == window_;
    }

    // Serves until `done` is closed; true when the selection was cleared meanwhile.
    bool serve(int done) {
        const auto give_up = Clock::now() + 5s;
        while (true) {
            pollfd wanted[] = {{ConnectionNumber(display_), POLLIN, 0}, {done, POLLIN, 0}};
            ::poll(wanted, 2, 50);
            const bool finished = wanted[1].revents != 0 || Clock::now() > give_up;
            if (finished) XSync(display_, False);  // the events sent before `done` was closed
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                handle(event);
            }
            if (finished) return cleared_;
        }
    }

private:
    struct Transfer {
        Window requestor;
        Atom property;
        Atom type;
        const std::string* bytes;
        std::size_t sent = 0;
    };

    void handle(const XEvent& event) {
        if (event.type == SelectionClear && event.xselectionclear.window == window_) cleared_ = true;
        if (event.type == SelectionRequest) answer(event.xselectionrequest);
        const bool piece_taken = event.type == PropertyNotify && event.xproperty.state == PropertyDelete &&
                                 transfer_ && event.xproperty.window == transfer_->requestor &&
                                 event.xproperty.atom == transfer_->property;
        if (piece_taken) send_piece();
    }

    void answer(const XSelectionRequestEvent& request) {
        XEvent reply{};
        XSelectionEvent& notice = reply.xselection;
        notice.type = SelectionNotify;
        notice.display = display_;
        notice.requestor = request.requestor;
        notice.selection = request.selection;
        notice.target = request.target;
        notice.property = request.property;
        notice.time = request.time;
        const auto found = offer_.find(request.target);
        if (request.target == targets_) {
            std::vector<Atom> list{targets_};
            for (const auto& offered : offer_) list.push_back(offered.first);
            XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(list.data()),
                            static_cast<int>(list.size()));
        } else if (found == offer_.end()) {
            notice.property = None;
        } else if (found->second.size() > kPiece) {
            XSelectInput(display_, request.requestor, PropertyChangeMask);
            const long size = static_cast<long>(found->second.size());
            XChangeProperty(display_, request.requestor, request.property, incremental_, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&size), 1);
            transfer_ = Transfer{request.requestor, request.property, request.target, &found->second};
        } else {
            put(request.requestor, request.property, request.target, found->second);
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
        XFlush(display_);
    }

    // The next piece once the requestor took the last one; the empty piece ends the transfer.
    void send_piece() {
        const std::size_t length = std::min(kPiece, transfer_->bytes->size() - transfer_->sent);
        put(transfer_->requestor, transfer_->property, transfer_->type,
            transfer_->bytes->substr(transfer_->sent, length));
        transfer_->sent += length;
        if (length == 0) transfer_.reset();
        XFlush(display_);
    }

    void put(Window window, Atom property, Atom type, const std::string& bytes) {
        XChangeProperty(display_, window, property, type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    }

    Display* display_;
    Window window_ = None;
    Atom clipboard_ = None, targets_ = None, incremental_ = None;
    std::map<Atom, std::string> offer_;
    std::optional<Transfer> transfer_;
    bool cleared_ = false;
};

// The child's exit status when it was asked to give up the clipboard.
constexpr int kCleared = 0;

// In the child process: owns the clipboard, says so on `ready`, serves until `done` is closed.
[[noreturn]] void own_clipboard(const std::string& display_name, std::map<std::string, std::string> offer,
                                int ready, int done) {
    Display* display = XOpenDisplay(display_name.c_str());
    if (display == nullptr) ::_exit(3);
    SelectionOwner owner(display, std::move(offer));
    if (!owner.take_clipboard()) ::_exit(4);
    if (::write(ready, "!", 1) != 1) ::_exit(5);
    ::_exit(owner.serve(done) ? kCleared : 1);
}

test::Rgb noise(int x, int y) {
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return {static_cast<int>(h & 0xFF), static_cast<int>(h >> 8 & 0xFF), static_cast<int>(h >> 16 & 0xFF)};
}

// BitmapBits of a picture whose pixels are `pixel`.
std::string bits_of(int width, int height, const std::function<test::Rgb(int x, int y)>& pixel) {
    std::string bits(8 + 4 * static_cast<std::size_t>(width) * height, '\0');
    const std::int32_t size[] = {width, height};
    std::memcpy(bits.data(), size, sizeof size);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const test::Rgb colour = pixel(x, y);
            const std::size_t at = 8 + 4 * (static_cast<std::size_t>(y) * width + x);
            bits[at] = static_cast<char>(colour.b);
            bits[at + 1] = static_cast<char>(colour.g);
            bits[at + 2] = static_cast<char>(colour.r);
        }
    }
    return bits;
}

// The width and height at the start of BitmapBits.
std::pair<std::int32_t, std::int32_t> size_of(const std::string& bits) {
    std::int32_t size[2] = {};
    if (bits.size() >= sizeof size) std::memcpy(size, bits.data(), sizeof size);
    return {size[0], size[1]};
}

class ClipboardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { screen_ = std::make_unique<VirtualScreen>(); }
    static void TearDownTestSuite() { screen_.reset(); }

    void SetUp() override {
        if (screen_->missing()) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_FALSE(screen_->name().empty()) << "no Xvfb server started on :97 to :120";
        library_ = ::dlopen(POSTERI_IMAGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << ::dlerror();
        load_ = reinterpret_cast<decltype(&::fGDIp_2hBMP)>(::dlsym(library_, "fGDIp_2hBMP"));
        bits_ = reinterpret_cast<decltype(&::posteri_bitmap_bits)>(::dlsym(library_, "posteri_bitmap_bits"));
        free_ = reinterpret_cast<decltype(&::posteri_free_bitmap)>(::dlsym(library_, "posteri_free_bitmap"));
        watcher_ = XOpenDisplay(screen_->name().c_str());
        ASSERT_NE(watcher_, nullptr);
    }

    void TearDown() override {
        if (owner_ > 0) owner_was_cleared();
        if (watcher_ != nullptr) XCloseDisplay(watcher_);
        if (library_ != nullptr) ::dlclose(library_);
    }

    // A child process owns the clipboard with these targets; returns once it does.
    void offer(std::map<std::string, std::string> targets) {
        int ready[2], done[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(done), 0);
        owner_ = ::fork();
        ASSERT_GE(owner_, 0);
        if (owner_ == 0) {
            ::close(ready[0]);
            ::close(done[1]);
            own_clipboard(screen_->name(), std::move(targets), ready[1], done[0]);
        }
        ::close(ready[1]);
        ::close(done[0]);
        done_ = done[1];
        char signal = 0;
        const bool owns = readable(ready[0], 2000ms) && ::read(ready[0], &signal, 1) == 1;
        ::close(ready[0]);
        ASSERT_TRUE(owns) << "the clipboard owner did not start";
    }

    // Ends the clipboard's owner; true when it had been told to give up the clipboard.
    bool owner_was_cleared() {
        ::close(done_);
        int status = -1;
        ::waitpid(owner_, &status, 0);
        owner_ = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == kCleared;
    }

    Window clipboard_owner() {
        return XGetSelectionOwner(watcher_, XInternAtom(watcher_, "CLIPBOARD", False));
    }

    // fGDIp_2hBMP with an empty name, with DISPLAY naming the test's server for this call only.
    std::int32_t load_from_clipboard() {
        const char* outer = std::getenv("DISPLAY");
        const std::optional<std::string> saved =
            outer != nullptr ? std::optional<std::string>(outer) : std::nullopt;
        ::setenv("DISPLAY", screen_->name().c_str(), 1);
        static const char kEmptyName[5] = {};  // the length 0 in the 4 bytes before no characters
        const std::int32_t bitmap = load_(kEmptyName + 4, 0, 0, 0);
        if (saved) {
            ::setenv("DISPLAY", saved->c_str(), 1);
        } else {
            ::unsetenv("DISPLAY");
        }
        return bitmap;
    }

    std::string bits(std::int32_t bitmap) {
        std::string out(static_cast<std::size_t>(bits_(bitmap, nullptr, 0)), '\0');
        bits_(bitmap, reinterpret_cast<unsigned char*>(out.data()), static_cast<std::int64_t>(out.size()));
        return out;
    }

    static inline std::unique_ptr<VirtualScreen> screen_;
    void* library_ = nullptr;
    Display* watcher_ = nullptr;
    pid_t owner_ = -1;
    int done_ = -1;
    decltype(&::fGDIp_2hBMP) load_ = nullptr;
    decltype(&::posteri_bitmap_bits) bits_ = nullptr;
    decltype(&::posteri_free_bitmap) free_ = nullptr;
};

TEST_F(ClipboardTest, TakesAPngAndEmptiesTheClipboard) {
    const auto quadrants = [](int x, int y) { return test::quadrant_colour(x, y, 40, 30); };
    offer({{"image/png", test::make_png(40, 30, quadrants)}});
    const std::int32_t bitmap = load_from_clipboard();
    ASSERT_NE(bitmap, 0);
    EXPECT_TRUE(bits(bitmap) == bits_of(40, 30, quadrants));
    EXPECT_EQ(free_(bitmap), 1);
    EXPECT_EQ(clipboard_owner(), static_cast<Window>(None));
    EXPECT_TRUE(owner_was_cleared());
}

TEST_F(ClipboardTest, TakesAJpegWhenNoPngIsOffered) {
    offer({{"image/jpeg", test::make_jpeg({.width = 64, .height = 48})}, {"UTF8_STRING", "foto"}});
    const std::int32_t bitmap = load_from_clipboard();
    ASSERT_NE(bitmap, 0);
    const std::string out = bits(bitmap);
    ASSERT_EQ(size_of(out), std::make_pair(64, 48));
    const auto near = [&](int x, int y, test::Rgb want) {
        const auto at = out.begin() + 8 + 4 * (y * 64 + x);
        const int got[] = {static_cast<unsigned char>(at[2]), static_cast<unsigned char>(at[1]),
                           static_cast<unsigned char>(at[0])};
        return std::abs(got[0] - want.r) < 24 && std::abs(got[1] - want.g) < 24 &&
               std::abs(got[2] - want.b) < 24;
    };
    EXPECT_TRUE(near(16, 12, {255, 0, 0}));
    EXPECT_TRUE(near(48, 12, {0, 255, 0}));
    EXPECT_TRUE(near(16, 36, {0, 0, 255}));
    EXPECT_TRUE(near(48, 36, {255, 255, 255}));
    EXPECT_EQ(free_(bitmap), 1);
    EXPECT_TRUE(owner_was_cleared());
}

TEST_F(ClipboardTest, TakesALargeImageSentInPieces) {
    const std::string png = test::make_png(320, 300, noise);
    ASSERT_GT(png.size(), 256u * 1024);
    offer({{"image/png", png}});
    const std::int32_t bitmap = load_from_clipboard();
    ASSERT_NE(bitmap, 0);
    EXPECT_TRUE(bits(bitmap) == bits_of(320, 300, noise));
    EXPECT_EQ(free_(bitmap), 1);
    EXPECT_TRUE(owner_was_cleared());
}

TEST_F(ClipboardTest, TextGivesNoBitmapAndIsEmptiedToo) {
    offer({{"UTF8_STRING", "solo testo"}, {"STRING", "solo testo"}});
    EXPECT_EQ(load_from_clipboard(), 0);
    EXPECT_EQ(clipboard_owner(), static_cast<Window>(None));
    EXPECT_TRUE(owner_was_cleared());
}

TEST_F(ClipboardTest, EmptyClipboardGivesNoBitmap) {
    ASSERT_EQ(clipboard_owner(), static_cast<Window>(None));
    EXPECT_EQ(load_from_clipboard(), 0);
}

}  // namespace
}  // namespace posteri
