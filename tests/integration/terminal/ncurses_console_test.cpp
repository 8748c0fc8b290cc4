// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal driver against a pseudo-terminal: the test binary starts itself again as a child
// whose terminal is the pty, with POSTERI_TERMINAL_SCENARIO naming what the child does. The child
// reports through a pipe; the test plays the user at the pty's master side.

#include "platform/terminal/ncurses_console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace posteri {
namespace {

constexpr const char* kScenarioVariable = "POSTERI_TERMINAL_SCENARIO";
constexpr const char* kReportVariable = "POSTERI_TERMINAL_REPORT_FD";

// --- the child's side

void report(std::string_view text) {
    const int fd = std::atoi(std::getenv(kReportVariable));
    const std::string line = std::string(text) + "\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
}

std::string hex(std::string_view bytes) {
    std::string text;
    char digits[4];
    for (const char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(byte));
        text += digits;
    }
    return text;
}

void run_scenario(std::string_view scenario) {
    struct rlimit no_core {};
    ::setrlimit(RLIMIT_CORE, &no_core);
    std::unique_ptr<TerminalConsole> console;
    try {
        console = TerminalConsole::open();
    } catch (const TerminalError& error) {
        report(std::string("error ") + error.what());
        std::exit(2);
    }
    console->set_colour(0x1F);
    console->write("\xC8 ok ");
    console->write("\xDA\xC4\xBF", Charset::Glyphs);
    console->set_title("Prova \x07titolo");
    console->set_cursor_size(100);
    if (scenario == "keys") {
        report("ready");
        for (int i = 0; i < 4; ++i) report(hex(console->read_key()));
    } else if (scenario == "mouse") {
        console->set_mouse(true);
        report("ready");
        for (int i = 0; i < 2; ++i) {
            const std::string key = console->read_key();
            const CellPos at = console->mouse_position();
            report(hex(key) + " " + std::to_string(at.row) + " " + std::to_string(at.col));
        }
    } else if (scenario == "resize") {
        report("ready");
        console->read_key();
        report(std::to_string(console->size().cols) + "x" + std::to_string(console->size().rows));
    } else if (scenario == "suspend") {
        report("ready");
        report(hex(console->read_key()));
    } else if (scenario == "library_output") {
        const std::string_view said = "libreria: avviso\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, said.data(), said.size());
        report("ready");
        console->read_key();
    } else if (scenario == "interrupt") {
        console->set_mouse(true);
        report("ready");
        console->read_key();
    } else if (scenario == "exit") {
        console->set_mouse(true);
        report("ready");
        std::exit(3);
    } else if (scenario == "crash") {
        console->set_mouse(true);
        report("ready");
        std::abort();
    }
    console->restore();
    report("done");
    std::exit(0);
}

// Runs before the tests when this process is such a child.
[[maybe_unused]] const bool kIsChild = [] {
    if (const char* scenario = std::getenv(kScenarioVariable)) run_scenario(scenario);
    return false;
}();

// --- the test's side

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(10);

class PtyChild {
  public:
    PtyChild(const std::string& scenario, const std::string& term = "xterm-256color",
             const std::string& locale = "C.UTF-8") {
        int report_pipe[2];
        if (::pipe(report_pipe) != 0) throw std::runtime_error("pipe");
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 80;
        pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ < 0) throw std::runtime_error("forkpty");
        if (pid_ == 0) {
            ::close(report_pipe[0]);
            ::setenv(kScenarioVariable, scenario.c_str(), 1);
            ::setenv(kReportVariable, std::to_string(report_pipe[1]).c_str(), 1);
            ::setenv("TERM", term.c_str(), 1);
            ::setenv("LC_ALL", locale.c_str(), 1);
            ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            ::execl("/proc/self/exe", "terminal_child", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(report_pipe[1]);
        report_ = report_pipe[0];
    }

    ~PtyChild() {
        if (!status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
        ::close(report_);
    }

    // The next line the child reports, or nothing when it does not come in time. What the child
    // wrote to the terminal before reporting is all read by then: a report can overtake it.
    std::optional<std::string> next_report() {
        const auto deadline = Clock::now() + kPatience;
        while (Clock::now() < deadline) {
            if (const auto end = reports_.find('\n'); end != std::string::npos) {
                std::string line = reports_.substr(0, end);
                reports_.erase(0, end + 1);
                drain_terminal();
                return line;
            }
            pump(50);
        }
        return std::nullopt;
    }

    void send(std::string_view bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    // Lets a lone Esc time out (and a signal arrive) before the next bytes.
    void pause() {
        const auto until = Clock::now() + std::chrono::milliseconds(150);
        while (Clock::now() < until) pump(10);
    }

    // The child's wait status once it has ended.
    int wait_exit() {
        const auto deadline = Clock::now() + kPatience;
        while (!status_ && Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
            pump(20);
        }
        pump(50);
        return status_.value_or(-1);
    }

    const std::string& screen_output() const { return output_; }
    int master() const { return master_; }

  private:
    // Appends what one read of `fd` gives; false at its end or on an error.
    static bool read_into(int fd, std::string& into) {
        char bytes[4096];
        const ssize_t got = ::read(fd, bytes, sizeof bytes);
        if (got > 0) into.append(bytes, std::size_t(got));
        return got > 0;
    }

    void drain_terminal() {
        pollfd terminal{master_, POLLIN, 0};
        while (::poll(&terminal, 1, 20) > 0 && (terminal.revents & POLLIN)) {
            if (!read_into(master_, output_)) return;
        }
    }

    // Collects what the child writes to the terminal and to the report pipe.
    void pump(int timeout_ms) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {report_, POLLIN, 0}};
        if (::poll(fds, 2, timeout_ms) <= 0) return;
        if (fds[0].revents & POLLIN) read_into(master_, output_);
        if (fds[1].revents & POLLIN) read_into(report_, reports_);
    }

    pid_t pid_ = -1;
    int master_ = -1;
    int report_ = -1;
    std::string output_;
    std::string reports_;
    std::optional<int> status_;
};

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

void expect_terminal_given_back(PtyChild& child) {
    const std::string& out = child.screen_output();
    const auto leave = out.rfind("\x1b[?1049l");
    ASSERT_NE(leave, std::string::npos) << "normal screen never restored";
    // The title the terminal had before is pushed at the start and popped at the end.
    const auto pushed = out.find("\x1b[22;0t");
    ASSERT_NE(pushed, std::string::npos) << "title never pushed";
    EXPECT_GT(out.rfind("\x1b[23;0t"), out.rfind("\x1b]2;")) << "title not popped after the last one set";
    EXPECT_NE(out.rfind("\x1b[?1000l"), std::string::npos) << "mouse reporting left on";
    // The terminal's own cursor shape comes back after the block or underline the program chose.
    const auto default_shape = out.rfind("\x1b[0 q");
    ASSERT_NE(default_shape, std::string::npos) << "cursor shape never given back";
    for (const char* shape : {"\x1b[2 q", "\x1b[4 q"}) {
        const auto last = out.rfind(shape);
        if (last != std::string::npos) {
            EXPECT_GT(default_shape, last) << "cursor shape left changed";
        }
    }
    termios modes{};
    ASSERT_EQ(::tcgetattr(child.master(), &modes), 0);
    EXPECT_NE(modes.c_lflag & ICANON, 0u);
    EXPECT_NE(modes.c_lflag & ECHO, 0u);
    EXPECT_NE(modes.c_iflag & IXON, 0u);
}

TEST(TerminalConsole, ShowsUtf8DecodesKeysAndEndsCleanly) {
    PtyChild child("keys");
    ASSERT_EQ(child.next_report(), "ready");
    const std::string& out = child.screen_output();
    EXPECT_TRUE(contains(out, "\x1b[?1049h"));
    EXPECT_TRUE(contains(out, "È ok"));
    EXPECT_TRUE(contains(out, "┌─┐"));
    EXPECT_TRUE(contains(out, "\x1b]2;Prova titolo\a"));
    child.send("\x1b[A");
    child.send("è");
    child.send("\x1b");
    child.pause();
    child.send("\r");
    EXPECT_EQ(child.next_report(), "0048");  // Up
    EXPECT_EQ(child.next_report(), "e8");    // è in Windows-1252
    EXPECT_EQ(child.next_report(), "1b");    // Esc
    EXPECT_EQ(child.next_report(), "0d");    // Enter
    EXPECT_EQ(child.next_report(), "done");
    const int status = child.wait_exit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    expect_terminal_given_back(child);
}

TEST(TerminalConsole, ReportsPressesAndDoubleClicksWithTheirCell) {
    PtyChild child("mouse");
    ASSERT_EQ(child.next_report(), "ready");
    EXPECT_TRUE(contains(child.screen_output(), "\x1b[?1000h\x1b[?1006h"));
    child.send("\x1b[<0;7;3M\x1b[<0;7;3m\x1b[<0;7;3M");
    EXPECT_EQ(child.next_report(), "ffff0401 3 7");
    EXPECT_EQ(child.next_report(), "ffff0201 3 7");
}

TEST(TerminalConsole, FollowsTheTerminalSize) {
    PtyChild child("resize");
    ASSERT_EQ(child.next_report(), "ready");
    winsize size{};
    size.ws_row = 30;
    size.ws_col = 100;
    ASSERT_EQ(::ioctl(child.master(), TIOCSWINSZ, &size), 0);
    child.pause();
    child.send("x");
    EXPECT_EQ(child.next_report(), "100x30");
}

TEST(TerminalConsole, CtrlZLeavesTheScreenAndComesBackRedrawn) {
    PtyChild child("suspend");
    ASSERT_EQ(child.next_report(), "ready");
    const std::size_t before = child.screen_output().size();
    // The child's process group has no parent in its session, so the stop itself is skipped by
    // the kernel; leaving and re-entering the screen still happen.
    child.send("\x1a");
    child.pause();
    child.send("k");
    EXPECT_EQ(child.next_report(), "6b");
    const std::string after = child.screen_output().substr(before);
    const auto left = after.find("\x1b[?1049l");
    ASSERT_NE(left, std::string::npos);
    const auto back = after.find("\x1b[?1049h", left);
    ASSERT_NE(back, std::string::npos);
    EXPECT_TRUE(contains(after.substr(back), "È ok"));
}

// What a library writes to stderr while the screen is the program's waits until the screen is gone.
TEST(TerminalConsole, LibraryOutputAppearsOnlyAfterTheScreen) {
    PtyChild child("library_output");
    ASSERT_EQ(child.next_report(), "ready");
    EXPECT_FALSE(contains(child.screen_output(), "libreria"));
    child.send("x");
    EXPECT_EQ(child.next_report(), "done");
    child.wait_exit();
    const std::string& out = child.screen_output();
    const auto said = out.find("libreria: avviso");
    ASSERT_NE(said, std::string::npos);
    EXPECT_GT(said, out.rfind("\x1b[?1049l"));
    EXPECT_EQ(out.find("libreria", said + 1), std::string::npos);  // once
}

TEST(TerminalConsole, CtrlCRestoresTheTerminalAndExits130) {
    PtyChild child("interrupt");
    ASSERT_EQ(child.next_report(), "ready");
    child.send("\x03");
    const int status = child.wait_exit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 130);
    expect_terminal_given_back(child);
}

TEST(TerminalConsole, ExitWithoutRestoreStillGivesTheTerminalBack) {
    PtyChild child("exit");
    ASSERT_EQ(child.next_report(), "ready");
    const int status = child.wait_exit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 3);
    expect_terminal_given_back(child);
}

TEST(TerminalConsole, ACrashStillGivesTheTerminalBack) {
    PtyChild child("crash");
    ASSERT_EQ(child.next_report(), "ready");
    const int status = child.wait_exit();
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    expect_terminal_given_back(child);
}

// Terminals with 8 colours serve; the refusal line names the terminal type and what it lacks.
TEST(TerminalConsole, RefusesOnlyTerminalsItCannotDrawOn) {
    const std::vector<std::array<std::string, 3>> cases{
        {"linux", "C.UTF-8", "ready"},
        {"xterm", "C.UTF-8", "ready"},
        {"screen", "C.UTF-8", "ready"},
        {"vt100", "C.UTF-8",
         "error posteri: il terminale «vt100» ha meno di 8 colori (ne servono almeno 8)."},
        {"dumb", "C.UTF-8", "error posteri: il terminale «dumb» non ha l'indirizzamento del cursore."},
        {"xterm-256color", "C",
         "error posteri: serve una localizzazione UTF-8, trovata \"C\" (va bene LANG=C.UTF-8, o it_IT.UTF-8 "
         "se generata)."},
        {"no-such-terminal", "C.UTF-8",
         "error posteri: tipo di terminale «no-such-terminal» sconosciuto (controllare TERM)."},
    };
    for (const auto& [term, locale, expected] : cases) {
        PtyChild child("keys", term, locale);
        EXPECT_EQ(child.next_report(), expected) << term;
    }
}

TEST(TerminalConsole, RefusesWhenStdinIsNoTerminal) {
    int report_pipe[2];
    ASSERT_EQ(::pipe(report_pipe), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int null_input = ::open("/dev/null", O_RDONLY);
        ::dup2(null_input, STDIN_FILENO);
        std::string message = "no error";
        try {
            TerminalConsole::open();
        } catch (const TerminalError& error) {
            message = error.what();
        }
        [[maybe_unused]] const ssize_t written = ::write(report_pipe[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(report_pipe[1]);
    std::string message;
    char bytes[256];
    for (ssize_t got; (got = ::read(report_pipe[0], bytes, sizeof bytes)) > 0;)
        message.append(bytes, std::size_t(got));
    ::close(report_pipe[0]);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(message, "posteri: serve un terminale (stdin e stdout).");
}

}  // namespace
}  // namespace posteri
