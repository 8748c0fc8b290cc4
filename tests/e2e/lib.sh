# Helpers for driving the real posteri binary in tmux, as a person at a terminal would.
# Each test script sources this file with the binary and the sample photo as $1 and $2.

set -euo pipefail

POSTERI_BIN=$(readlink -f "$1")
SAMPLE_PHOTO=$(readlink -f "$2")
WORK=$(mktemp -d /tmp/posteri-e2e.XXXXXX)
SOCKET="posteri-e2e-$$"
COLS=${COLS:-100}
ROWS=${ROWS:-30}

cleanup() {
    tmux -L "$SOCKET" kill-server 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- screen:" >&2
    screen_text >&2 || true
    exit 1
}

# Starts posteri in a fresh tmux server, in $WORK, with a 256-colour terminal and a UTF-8 locale, and
# no display, so that every window shows as a box on the terminal.
# The pane stays after the program ends, so its exit status can be read.
start_posteri() {
    tmux -L "$SOCKET" -f /dev/null new-session -d -x "$COLS" -y "$ROWS" -s e2e \
        "cd '$WORK' && env -u DISPLAY -u WAYLAND_DISPLAY LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color '$POSTERI_BIN'; echo \"EXIT=\$?\" > '$WORK/.exit'; stty -a > '$WORK/.stty'; sleep 60"
    tmux -L "$SOCKET" set-option -g default-terminal tmux-256color >/dev/null
}

screen_text() { tmux -L "$SOCKET" capture-pane -p -t e2e; }
screen_with_colours() { tmux -L "$SOCKET" capture-pane -p -e -t e2e; }

# Sends tmux key names (Enter, Escape, C-c, …) or literal text with -l.
keys() { tmux -L "$SOCKET" send-keys -t e2e "$@"; }
type_text() { tmux -L "$SOCKET" send-keys -t e2e -l "$1"; }

# Waits until the screen shows the text (a fixed string), for up to 10 seconds.
wait_for() {
    local text=$1
    for _ in $(seq 1 100); do
        if screen_text | grep -qF -- "$text"; then return 0; fi
        sleep 0.1
    done
    fail "the screen never showed: $text"
}

# Waits for the program to end and prints its exit status.
exit_status() {
    for _ in $(seq 1 100); do
        if [ -s "$WORK/.exit" ]; then sed 's/EXIT=//' "$WORK/.exit"; return 0; fi
        sleep 0.1
    done
    fail "posteri did not end"
}

# The terminal must be usable again after the program: line editing and echo back on.
expect_terminal_restored() {
    for _ in $(seq 1 50); do [ -s "$WORK/.stty" ] && break; sleep 0.1; done
    grep -qE '(^| )icanon( |$)' "$WORK/.stty" || fail "terminal left without icanon"
    grep -qE '(^| )echo( |$)' "$WORK/.stty" || fail "terminal left without echo"
}
