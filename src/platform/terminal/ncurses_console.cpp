// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/ncurses_console.h"

#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "format/text.h"
#include "platform/system/render_file.h"
#include "platform/terminal/stderr_capture.h"
#include "platform/terminal/terminal_sequences.h"

namespace posteri {

namespace {

constexpr const char* kNoTerminal = "posteri: serve un terminale (stdin e stdout).";
constexpr const char* kNoTermVariable =
    "posteri: la variabile TERM non è impostata (ad esempio TERM=xterm-256color).";
constexpr const char* kEmptyTermVariable =
    "posteri: la variabile TERM è vuota (ad esempio TERM=xterm-256color).";
constexpr std::string_view kMouseOn = "\x1b[?1000h\x1b[?1006h";
constexpr std::string_view kMouseOff = "\x1b[?1006l\x1b[?1000l";
// xterm window operation 9;1: maximise.
constexpr std::string_view kMaximiseWindow = "\x1b[9;1t";
// xterm window operations 22 and 23: push and pop the window's title (and icon name).
constexpr std::string_view kPushTitle = "\x1b[22;0t";
constexpr std::string_view kPopTitle = "\x1b[23;0t";
// The form feed key: repaint the whole terminal, as terminal programs do.
constexpr std::string_view kRepaintKey = "\x0c";

constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::array kFatalSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// --- state shared with the signal handlers (plain data only)

volatile std::sig_atomic_t g_stop_requested = 0;
volatile std::sig_atomic_t g_continued = 0;
volatile std::sig_atomic_t g_resized = 0;
// The terminal is in the program's modes and must be given back.
volatile std::sig_atomic_t g_terminal_taken = 0;
termios g_saved_termios{};
std::array<char, 512> g_reset_sequence{};
std::size_t g_reset_length = 0;
std::array<struct sigaction, NSIG> g_previous_actions{};
std::array<bool, NSIG> g_handler_installed{};
std::array<char, 64 * 1024> g_fatal_stack{};

TerminalConsole* g_instance = nullptr;

// Async-signal-safe: one write of the reset sequence, the saved terminal modes, then what
// libraries wrote to stderr meanwhile.
void emergency_restore() {
    if (!g_terminal_taken) return;
    g_terminal_taken = 0;
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, g_reset_sequence.data(), g_reset_length);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_termios);
    release_stderr();
}

// The run ends here and now, wherever it waits (a blocking open, a display, a print job): a page
// being rendered goes with the process, and nothing is linked under a name.
void on_ending_signal(int signal_number) {
    emergency_restore();
    remove_render_litter();
    ::_exit(128 + signal_number);
}

void on_stop_signal(int) {
    g_stop_requested = 1;
}
void on_continue_signal(int) {
    g_continued = 1;
}
void on_resize_signal(int) {
    g_resized = 1;
}

void on_fatal_signal(int signal_number, siginfo_t* info, void*) {
    emergency_restore();
    ::sigaction(signal_number, &g_previous_actions[std::size_t(signal_number)], nullptr);
    // A fault caused by an instruction happens again on return, now under the previous handler
    // (the default one, or a sanitizer's); a signal that was sent is sent again.
    if (info == nullptr || info->si_code <= 0) ::raise(signal_number);
}

void install_handler(int signal_number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal_number, &action, nullptr);
}

// Signals the user's environment ignores (nohup, a shell without job control) stay ignored.
void take_signal(int signal_number, void (*handler)(int)) {
    auto& previous = g_previous_actions[std::size_t(signal_number)];
    ::sigaction(signal_number, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) return;
    install_handler(signal_number, handler);
    g_handler_installed[std::size_t(signal_number)] = true;
}

void take_fatal_signal(int signal_number) {
    auto& previous = g_previous_actions[std::size_t(signal_number)];
    ::sigaction(signal_number, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) previous.sa_handler = SIG_DFL;  // returning would fault forever
    struct sigaction action {};
    action.sa_sigaction = on_fatal_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigaction(signal_number, &action, nullptr);
    g_handler_installed[std::size_t(signal_number)] = true;
}

// A stack of its own for the fatal handler, so that a stack overflow still restores the terminal.
void ensure_signal_stack() {
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) return;
    stack_t own{};
    own.ss_sp = g_fatal_stack.data();
    own.ss_size = g_fatal_stack.size();
    ::sigaltstack(&own, nullptr);
}

// Installed before ncurses starts, which then leaves these signals to us.
void install_signal_handlers() {
    for (const int signal_number : kEndingSignals) take_signal(signal_number, on_ending_signal);
    take_signal(SIGTSTP, on_stop_signal);
    take_signal(SIGCONT, on_continue_signal);
    take_signal(SIGWINCH, on_resize_signal);
    ensure_signal_stack();
    for (const int signal_number : kFatalSignals) take_fatal_signal(signal_number);
}

void uninstall_signal_handlers() {
    for (std::size_t signal_number = 0; signal_number < g_handler_installed.size(); ++signal_number) {
        if (!g_handler_installed[signal_number]) continue;
        ::sigaction(int(signal_number), &g_previous_actions[signal_number], nullptr);
        g_handler_installed[signal_number] = false;
    }
    g_stop_requested = 0;
    g_continued = 0;
    g_resized = 0;
}

KeyDecoder::Millis now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// DECSCUSR 0 gives back the cursor shape the user set up for the terminal. terminfo's Se names one
// fixed shape instead (a steady block for xterm and tmux), so it serves only a terminal whose Ss is
// something other than DECSCUSR. An empty Ss means the program sends DECSCUSR itself.
std::string cursor_reset_sequence(std::string_view cursor_shape) {
    if (cursor_shape.empty() || cursor_shape.ends_with(" q")) return "\x1b[0 q";
    return terminal_capability("Se");
}

// The locale's name for the refusal line, with nothing in it that the terminal would act on.
std::string no_utf8_message() {
    const char* name = std::setlocale(LC_CTYPE, nullptr);
    return "posteri: serve una localizzazione UTF-8, trovata \"" + utf8_controls_shown(name ? name : "") +
           "\" (va bene LANG=C.UTF-8, o it_IT.UTF-8 se generata).";
}

// The terminal type as the refusal lines name it, with nothing in it that the terminal would act on.
std::string named_type(const char* term) {
    return "«" + utf8_controls_shown(term) + "»";
}

std::string unknown_type_message(const char* term) {
    return "posteri: tipo di terminale " + named_type(term) + " sconosciuto (controllare TERM).";
}

std::string few_colours_message(const char* term) {
    return "posteri: il terminale " + named_type(term) + " ha meno di 8 colori (ne servono almeno 8).";
}

// Why the terminal type cannot serve, read from its terminfo entry alone: decided before the terminal
// is set up, nothing has been written to it, and the line stands where the prompt was. Nothing when
// the type serves.
std::optional<std::string> terminal_type_refusal() {
    const char* term = std::getenv("TERM");
    if (term == nullptr) return kNoTermVariable;
    if (*term == '\0') return kEmptyTermVariable;
    int found = 0;
    if (setupterm(term, STDOUT_FILENO, &found) != OK) return unknown_type_message(term);
    std::optional<std::string> refusal;
    if (terminal_capability("cup").empty()) {
        refusal = "posteri: il terminale " + named_type(term) + " non ha l'indirizzamento del cursore.";
    } else if (tigetnum("colors") < 8) {
        refusal = few_colours_message(term);
    }
    del_curterm(cur_term);
    return refusal;
}

void store_reset_sequence(std::string_view sequence) {
    g_reset_length = std::min(sequence.size(), g_reset_sequence.size());
    std::memcpy(g_reset_sequence.data(), sequence.data(), g_reset_length);
}

void restore_at_exit() {
    if (g_instance != nullptr) g_instance->restore();
}

// Undoes a failed start.
void give_up(SCREEN* screen, const std::string& message) {
    endwin();
    delscreen(screen);
    ::tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved_termios);
    uninstall_signal_handlers();
    throw TerminalError(message);
}

}  // namespace

std::unique_ptr<TerminalConsole> TerminalConsole::open() {
    if (g_instance != nullptr) throw std::logic_error("the terminal console is already open");
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) throw TerminalError(kNoTerminal);
    // Only the character type follows the environment; numbers keep the C conventions.
    std::setlocale(LC_CTYPE, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) throw TerminalError(no_utf8_message());
    if (::tcgetattr(STDIN_FILENO, &g_saved_termios) != 0) throw TerminalError(kNoTerminal);
    if (const std::optional<std::string> refusal = terminal_type_refusal()) throw TerminalError(*refusal);

    install_signal_handlers();
    const char* term = std::getenv("TERM");
    SCREEN* screen = newterm(term, stdout, stdin);
    if (screen == nullptr) {
        uninstall_signal_handlers();
        throw TerminalError(unknown_type_message(term));
    }
    // The colour pairs are known only once the colours are started.
    const std::optional<ColourDepth> depth = start_terminal_colours();
    if (!depth) give_up(screen, few_colours_message(term));

    // cbreak, not raw: Ctrl-C and Ctrl-Z stay signals. Input is read from stdin directly, so
    // curses neither decodes keys nor looks ahead for typed keys in the middle of an update.
    cbreak();
    noecho();
    nonl();
    meta(stdscr, TRUE);
    typeahead(-1);
    termios modes{};
    ::tcgetattr(STDIN_FILENO, &modes);
    modes.c_iflag &= ~tcflag_t(IXON);  // Ctrl-S and Ctrl-Q never freeze the output
    ::tcsetattr(STDIN_FILENO, TCSADRAIN, &modes);
    def_prog_mode();

    Capabilities caps;
    caps.colours = *depth;
    caps.titles = !is_linux_console();
    caps.window_operations = !is_linux_console();
    caps.cursor_shape = terminal_capability("Ss");
    caps.cursor_shapes = !caps.cursor_shape.empty() || !is_linux_console();
    if (caps.cursor_shapes) caps.cursor_reset = cursor_reset_sequence(caps.cursor_shape);
    store_reset_sequence(std::string(kMouseOff) + caps.cursor_reset + terminal_capability("sgr0") +
                         terminal_capability("cnorm") + terminal_capability("rmcup") +
                         std::string(caps.titles ? kPopTitle : ""));
    if (caps.titles) write_to_terminal(kPushTitle);
    capture_stderr();
    g_terminal_taken = 1;

    // exit() from anywhere in the program gives the terminal back too.
    static const bool exit_hook_registered = std::atexit(restore_at_exit) == 0;
    (void)exit_hook_registered;

    std::unique_ptr<TerminalConsole> console(new TerminalConsole(screen, std::move(caps)));
    g_instance = console.get();
    console->redraw_all();
    return console;
}

TerminalConsole::TerminalConsole(SCREEN* screen, Capabilities caps)
    : BufferedConsole(laid_out_size(ScreenSize{COLS, LINES}, {})),
      screen_(screen),
      caps_(std::make_unique<Capabilities>(std::move(caps))) {}

TerminalConsole::~TerminalConsole() {
    restore();
    if (g_instance == this) g_instance = nullptr;
}

void TerminalConsole::restore() {
    if (!active_) return;
    active_ = false;
    leave_screen();
    delscreen(screen_);
    ::tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved_termios);
    g_terminal_taken = 0;
    uninstall_signal_handlers();
    release_stderr();
}

ScreenSize TerminalConsole::largest_size() const {
    winsize ws{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
        return {int(ws.ws_col), int(ws.ws_row)};
    }
    return size();
}

void TerminalConsole::set_size(ScreenSize) {}

bool TerminalConsole::key_waiting() {
    handle_signals();
    read_input(0);
    return decoded_key_waiting() || side_key_waiting();
}

std::string TerminalConsole::read_key() {
    present();
    for (;;) {
        handle_signals();
        if (decoded_key_waiting()) {
            DecodedKey key = std::move(*waiting_key_);
            waiting_key_.reset();
            if (key.is_mouse) {
                mouse_position_ = {key.mouse.row + shown_view_.row_offset,
                                   key.mouse.col + shown_view_.col_offset};
            }
            return std::move(key.key);
        }
        if (side_key_waiting()) return std::exchange(side_key_, {});
        read_input(1);
    }
}

// Ctrl-L is answered here, in every widget, and never given out. While the terminal asks to be
// enlarged, keys and clicks are dropped: they would act on a screen nobody sees.
bool TerminalConsole::decoded_key_waiting() {
    while (!waiting_key_) {
        waiting_key_ = decoder_.next_key(now_ms());
        if (!waiting_key_) return false;
        if (waiting_key_->key == kRepaintKey) redraw_all();
        if (waiting_key_->key == kRepaintKey || shown_view_.needed) waiting_key_.reset();
    }
    return true;
}

void TerminalConsole::discard_input() {
    ::tcflush(STDIN_FILENO, TCIFLUSH);
    decoder_.discard();
    waiting_key_.reset();
    side_key_.clear();
}

void TerminalConsole::set_side_keys(std::function<std::string()> source) {
    side_keys_ = std::move(source);
    side_key_.clear();
}

bool TerminalConsole::side_key_waiting() {
    if (side_key_.empty() && side_keys_) side_key_ = side_keys_();
    return !side_key_.empty();
}

void TerminalConsole::set_mouse(bool on) {
    decoder_.set_mouse(on);
    if (!on && waiting_key_ && waiting_key_->is_mouse) waiting_key_.reset();
    if (active_) write_to_terminal(on ? kMouseOn : kMouseOff);
}

void TerminalConsole::maximise_window(const WindowMenu&) {
    if (!active_ || !caps_->window_operations) return;
    std::fflush(stdout);
    write_to_terminal(kMaximiseWindow);
}

void TerminalConsole::handle_signals() {
    if (!active_) return;
    drain_stderr();
    if (g_stop_requested) {
        g_stop_requested = 0;
        suspend();
    }
    if (g_continued || g_resized) {
        g_continued = 0;
        g_resized = 0;
        follow_terminal_size();
    }
}

void TerminalConsole::suspend() {
    leave_screen();
    install_handler(SIGTSTP, SIG_DFL);
    ::raise(SIGTSTP);  // stopped here until continued
    install_handler(SIGTSTP, on_stop_signal);
    if (caps_->titles) write_to_terminal(kPushTitle);
    if (decoder_.mouse_on()) write_to_terminal(kMouseOn);
    g_continued = 0;
    follow_terminal_size();
}

void TerminalConsole::leave_screen() {
    std::fflush(stdout);
    write_to_terminal(std::string(kMouseOff) + caps_->cursor_reset);
    endwin();
    if (caps_->titles) write_to_terminal(kPopTitle);
}

void TerminalConsole::read_input(int timeout_ms) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, timeout_ms) <= 0) return;
    if ((input.revents & POLLIN) != 0) {
        std::array<char, 4096> bytes;
        const ssize_t got = ::read(STDIN_FILENO, bytes.data(), bytes.size());
        if (got > 0) {
            decoder_.feed(std::string_view(bytes.data(), std::size_t(got)), now_ms());
            return;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    }
    // The terminal is gone (hung up or closed): nobody is left to answer.
    end_run(SIGHUP);
}

void TerminalConsole::end_run(int signal_number) {
    restore();
    std::exit(128 + signal_number);
}

void TerminalConsole::screen_changed() {
    reading_point_.reset();
    present();
}

void TerminalConsole::set_title(std::string_view text) {
    title_set_ = true;
    BufferedConsole::set_title(text);
}

void TerminalConsole::show_reading_point(CellPos cell) {
    reading_point_ = cell;
    present();
}

}  // namespace posteri
