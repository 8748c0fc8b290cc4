#include "platform/linux/terminal_console.h"

#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
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
#include <cwchar>
#include <string_view>
#include <utility>

#include "format/codepage.h"
#include "platform/linux/render_file.h"

namespace posteri {

namespace {

constexpr const char* kNoTerminal = "posteri: serve un terminale (stdin e stdout).";
constexpr const char* kNoUtf8 = "posteri: serve una localizzazione UTF-8 (per esempio LANG=C.UTF-8).";
constexpr const char* kUnknownTerminal =
    "posteri: tipo di terminale sconosciuto (controllare TERM, per esempio TERM=xterm-256color).";
constexpr const char* kFewColours =
    "posteri: il terminale deve avere almeno 16 colori (per esempio TERM=xterm-256color).";

constexpr std::string_view kMouseOn = "\x1b[?1000h\x1b[?1006h";
constexpr std::string_view kMouseOff = "\x1b[?1006l\x1b[?1000l";
// xterm window operation 9;1: maximise.
constexpr std::string_view kMaximiseWindow = "\x1b[9;1t";

constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::array kFatalSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// --- state shared with the signal handlers (plain data only)

volatile std::sig_atomic_t g_end_signal = 0;
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

void write_all(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(std::size_t(written));
    }
}

// Async-signal-safe: one write of the reset sequence and the saved terminal modes.
void emergency_restore() {
    if (!g_terminal_taken) return;
    g_terminal_taken = 0;
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, g_reset_sequence.data(), g_reset_length);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_termios);
}

void on_ending_signal(int signal_number) {
    // A second one before the program came back to the console to answer the first: leave now,
    // taking a page rendered into a named file along.
    if (g_end_signal != 0) {
        emergency_restore();
        remove_render_litter();
        ::_exit(128 + signal_number);
    }
    g_end_signal = signal_number;
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
    g_end_signal = 0;
    g_stop_requested = 0;
    g_continued = 0;
    g_resized = 0;
}

KeyDecoder::Millis now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A terminfo string capability, empty when the terminal has none.
std::string capability(const char* name) {
    const char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<const char*>(-1)) return {};
    return value;
}

// The Linux console shows neither titles nor cursor shapes, and prints such sequences as text.
bool is_linux_console() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::string_view(term).starts_with("linux");
}

// DECSCUSR 0 gives back the cursor shape the user set up for the terminal. terminfo's Se names one
// fixed shape instead (a steady block for xterm and tmux), so it serves only a terminal whose Ss is
// something other than DECSCUSR. An empty Ss means the program sends DECSCUSR itself.
std::string cursor_reset_sequence(std::string_view cursor_shape) {
    if (cursor_shape.empty() || cursor_shape.ends_with(" q")) return "\x1b[0 q";
    return capability("Se");
}

// Console colours have blue in bit 0 and red in bit 2, curses colours the other way round.
short curses_colour(int console_colour) {
    return short((console_colour & 0b1010) | ((console_colour & 1) << 2) | ((console_colour & 4) >> 2));
}

// Pair number attr + 1 shows attribute attr (pair 0 cannot be changed).
void init_colour_pairs() {
    for (int attr = 0; attr < 256; ++attr) {
        init_pair(short(attr + 1), curses_colour(attr & 15), curses_colour(attr >> 4));
    }
}

// The title as UTF-8 without control characters, which would end or hijack the sequence.
std::string printable_title(std::string_view cp1252) {
    std::string text;
    for (const char byte : cp1252) {
        const char32_t ch = cp1252_to_unicode(static_cast<unsigned char>(byte));
        if (ch >= 0x20 && (ch < 0x7F || ch >= 0xA0)) text += utf8_encode(ch);
    }
    return text;
}

void store_reset_sequence(std::string_view sequence) {
    g_reset_length = std::min(sequence.size(), g_reset_sequence.size());
    std::memcpy(g_reset_sequence.data(), sequence.data(), g_reset_length);
}

void draw_cell(int row, int col, const Cell& cell) {
    wchar_t shown[2] = {static_cast<wchar_t>(cell.ch), L'\0'};
    if (::wcwidth(shown[0]) != 1) shown[0] = L'?';  // a wide or zero-width character would shift the row
    cchar_t cc;
    setcchar(&cc, shown, A_NORMAL, short(cell.attr + 1), nullptr);
    mvwadd_wch(stdscr, row - 1, col - 1, &cc);
}

void restore_at_exit() {
    if (g_instance != nullptr) g_instance->restore();
}

// Undoes a failed start.
void give_up(SCREEN* screen, const char* message) {
    endwin();
    delscreen(screen);
    ::tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved_termios);
    uninstall_signal_handlers();
    throw TerminalError(message);
}

}  // namespace

struct TerminalConsole::Capabilities {
    bool titles = false;
    bool window_operations = false;
    std::string cursor_shape;  // terminfo Ss, or empty for the plain DECSCUSR form
    std::string cursor_reset;
    bool cursor_shapes = false;
};

std::unique_ptr<TerminalConsole> TerminalConsole::open() {
    if (g_instance != nullptr) throw std::logic_error("the terminal console is already open");
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) throw TerminalError(kNoTerminal);
    // Only the character type follows the environment; numbers keep the C conventions.
    std::setlocale(LC_CTYPE, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) throw TerminalError(kNoUtf8);
    if (::tcgetattr(STDIN_FILENO, &g_saved_termios) != 0) throw TerminalError(kNoTerminal);

    install_signal_handlers();
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (screen == nullptr) {
        uninstall_signal_handlers();
        throw TerminalError(kUnknownTerminal);
    }
    if (!has_colors() || start_color() == ERR || COLORS < 16 || COLOR_PAIRS < 257)
        give_up(screen, kFewColours);

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
    init_colour_pairs();

    Capabilities caps;
    caps.titles = !is_linux_console();
    caps.window_operations = !is_linux_console();
    caps.cursor_shape = capability("Ss");
    caps.cursor_shapes = !caps.cursor_shape.empty() || !is_linux_console();
    if (caps.cursor_shapes) caps.cursor_reset = cursor_reset_sequence(caps.cursor_shape);
    store_reset_sequence(std::string(kMouseOff) + caps.cursor_reset + capability("sgr0") +
                         capability("cnorm") + capability("rmcup"));
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
    : BufferedConsole(ScreenSize{COLS, LINES}),
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
    return decoder_.key_ready(now_ms()) || side_key_waiting();
}

std::string TerminalConsole::read_key() {
    present();
    for (;;) {
        handle_signals();
        if (auto key = decoder_.next_key(now_ms())) {
            if (key->is_mouse) mouse_position_ = key->mouse;
            return std::move(key->key);
        }
        if (side_key_waiting()) return std::exchange(side_key_, {});
        read_input(1);
    }
}

void TerminalConsole::discard_input() {
    ::tcflush(STDIN_FILENO, TCIFLUSH);
    decoder_.discard();
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
    if (active_) write_all(on ? kMouseOn : kMouseOff);
}

void TerminalConsole::maximise_window(const WindowMenu&) {
    if (!active_ || !caps_->window_operations) return;
    std::fflush(stdout);
    write_all(kMaximiseWindow);
}

void TerminalConsole::present() {
    if (!active_) return;
    handle_signals();
    ConsoleBuffer& screen = edit_buffer();
    const ScreenSize size = screen.size();
    for (int row = 1; row <= size.rows; ++row) {
        if (!screen.row_changed(row)) continue;
        for (int col = 1; col <= size.cols; ++col) {
            if (screen.cell_changed(row, col)) draw_cell(row, col, screen.at(row, col));
        }
    }
    const CellPos cursor = screen.cursor();
    wmove(stdscr, cursor.row - 1, cursor.col - 1);
    if (screen.cursor_look_changed()) curs_set(screen.cursor_visible() ? 1 : 0);
    wnoutrefresh(stdscr);
    doupdate();

    std::string sequences;
    if (screen.cursor_look_changed() && screen.cursor_visible()) sequences += cursor_shape_sequence();
    if (screen.title_changed() && caps_->titles)
        sequences += "\x1b]2;" + printable_title(screen.title()) + "\a";
    std::fflush(stdout);
    write_all(sequences);
    screen.mark_shown();
}

std::string TerminalConsole::cursor_shape_sequence() const {
    if (!caps_->cursor_shapes) return {};
    // Windows-style cursor sizes: a large cursor is a block, a small one an underline.
    const int shape = buffer().cursor_size() > 50 ? 2 : 4;
    if (!caps_->cursor_shape.empty()) return tiparm(caps_->cursor_shape.c_str(), shape);
    return "\x1b[" + std::to_string(shape) + " q";
}

void TerminalConsole::handle_signals() {
    if (!active_) return;
    if (g_end_signal != 0) end_run(g_end_signal);
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

// After a resize, and after the run was stopped and continued (when the terminal may have
// changed size and the shell drew over the screen).
void TerminalConsole::follow_terminal_size() {
    const ScreenSize size = largest_size();
    resize_term(size.rows, size.cols);
    edit_buffer().resize(size);
    reset_prog_mode();
    redraw_all();
}

void TerminalConsole::suspend() {
    leave_screen();
    install_handler(SIGTSTP, SIG_DFL);
    ::raise(SIGTSTP);  // stopped here until continued
    install_handler(SIGTSTP, on_stop_signal);
    if (decoder_.mouse_on()) write_all(kMouseOn);
    g_continued = 0;
    follow_terminal_size();
}

void TerminalConsole::redraw_all() {
    edit_buffer().mark_all_changed();
    clearok(curscr, TRUE);
    present();
}

void TerminalConsole::leave_screen() {
    std::fflush(stdout);
    write_all(std::string(kMouseOff) + caps_->cursor_reset);
    endwin();
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

}  // namespace posteri
