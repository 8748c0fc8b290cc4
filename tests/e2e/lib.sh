# SPDX-License-Identifier: GPL-3.0-or-later
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

# Ends the tmux server of the last run and names a new one, so that no run's session is opened on
# the socket of a server still shutting down ("server exited unexpectedly"); forgets the last run's
# exit status and terminal state.
fresh_server() {
    tmux -L "$SOCKET" kill-server 2>/dev/null || true
    RUNS=$((${RUNS:-0} + 1))
    SOCKET="posteri-e2e-$$-$RUNS"
    rm -f "$WORK/.exit" "$WORK/.stty" "$WORK/result"
}

# Starts posteri in a fresh tmux server, in $WORK, with a 256-colour terminal (or $POSTERI_TERM) and a
# UTF-8 locale, and no display, so that every window shows as a box on the terminal; or on the X
# display $1 when given. The pane stays after the program ends, so its exit status can be read.
start_posteri() {
    fresh_server
    tmux -L "$SOCKET" -f /dev/null new-session -d -x "$COLS" -y "$ROWS" -s e2e \
        "cd '$WORK' && env -u DISPLAY -u WAYLAND_DISPLAY ${1:+DISPLAY=$1} LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=${POSTERI_TERM:-tmux-256color} '$POSTERI_BIN'; echo \"EXIT=\$?\" > '$WORK/.exit'; stty -a > '$WORK/.stty'; sleep 60"
    tmux -L "$SOCKET" set-option -g default-terminal tmux-256color >/dev/null
}

# From the photo chooser of a started run: chooses the sample photo and waits for the printer list.
choose_sample_photo() {
    wait_for "Scegli il file"
    type_text "esempio"; keys Enter
    wait_for "Scelta della stampante"
}
screen_text() { tmux -L "$SOCKET" capture-pane -p -t e2e; }
screen_with_colours() { tmux -L "$SOCKET" capture-pane -p -e -t e2e; }

# Sends tmux key names (Enter, Escape, C-c, …) or literal text with -l.
keys() { tmux -L "$SOCKET" send-keys -t e2e "$@"; }
type_text() { tmux -L "$SOCKET" send-keys -t e2e -l "$1"; }

# Left button pressed and released at a cell (row, column), as an SGR mouse report typed into the pane.
click() {
    local row=$1 col=$2
    # shellcheck disable=SC2046
    keys -H $(printf '\e[<0;%d;%dM\e[<0;%d;%dm' "$col" "$row" "$col" "$row" | od -An -tx1)
}

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

# --- a virtual X display, for the tests of graphic windows

# Starts Xvfb with a screen of the given size (e.g. 1024x768) on a free display number, exports
# DISPLAY and stops the display when the test ends. Finds imagemagick's convert as $CONVERT.
start_display() {
    CONVERT=$(command -v convert-im6.q16 || command -v convert || true)
    for tool in Xvfb xdotool xwd xwininfo; do command -v "$tool" >/dev/null || fail "$tool missing"; done
    [ -n "$CONVERT" ] || fail "imagemagick missing"
    # Xvfb takes the first free display itself and names it once it accepts clients: two tests
    # that looked for a free number at the same moment would otherwise share one display. It never
    # resets: a reset when the last client leaves drops a client connecting meanwhile.
    Xvfb -displayfd 3 -noreset -screen 0 "${1}x24" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    trap 'kill "$XVFB_PID" 2>/dev/null || true; cleanup' EXIT
    for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
    [ -s "$WORK/display" ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    export DISPLAY=":$(head -n 1 "$WORK/display")"
    xwininfo -root >/dev/null 2>&1 || fail "Xvfb did not start"
}

# Runs a test program in a fresh tmux server, in $WORK, on the display $1 (empty: none), with the
# library leak suppressions; the pane stays after it ends, so its exit status can be read.
run_program() {
    local display=$1 program=$2
    shift 2
    local leaks
    leaks="$(readlink -f "$(dirname "${BASH_SOURCE[0]}")")/library_leaks.supp"
    fresh_server
    tmux -L "$SOCKET" -f /dev/null new-session -d -x "$COLS" -y "$ROWS" -s e2e \
        "cd '$WORK' && DISPLAY='$display' LSAN_OPTIONS=suppressions='$leaks' LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color '$program' $*; echo \"EXIT=\$?\" > '$WORK/.exit'; sleep 60"
}

# The whole screen as $WORK/<name>.png, copied into $POSTERI_E2E_SHOTS when that is set.
screenshot() {
    xwd -root -silent | "$CONVERT" xwd:- "png:$WORK/$1.png"
    if [ -n "${POSTERI_E2E_SHOTS:-}" ]; then cp "$WORK/$1.png" "$POSTERI_E2E_SHOTS/"; fi
}

# How many pixels of the window's area ($X, $Y, $WIDTH, $HEIGHT) in screenshot $1 have the colour $2
# (#RRGGBB).
pixels_of() {
    "$CONVERT" "$WORK/$1.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -format %c histogram:info:- |
        awk -v colour="$2" 'index($0, colour) { sum += $1 } END { print sum + 0 }'
}

# The id of the first window of the X class, once it is mapped and so takes keys (up to 10 seconds).
wait_for_window() {
    local window=""
    for _ in $(seq 1 100); do
        window=$(xdotool search --onlyvisible --class "$1" 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window of class $1 showed"
    echo "$window"
}

# The geometry (WxH+X+Y) of the first window titled $1 once it is mapped, before which keys are lost.
wait_for_titled_window() {
    local window=""
    for _ in $(seq 1 100); do
        window=$(xwininfo -root -tree | awk -v title="\"$1\":" '$2 == title { print $1; exit }')
        [ -n "$window" ] && xwininfo -id "$window" | grep -q "Map State: IsViewable" && break
        window=""
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window titled $1 showed"
    xwininfo -root -tree | awk -v id="$window" '$1 == id { print $(NF - 1) }'
}

# What the test program wrote to $WORK/result, and its exit status: "<result> / <status>".
result_and_status() {
    local status
    status=$(exit_status)
    echo "$(cat "$WORK/result" 2>/dev/null) / $status"
}

# Starts a print server of the test's own (cupsd in $WORK/cups, listening on a socket there) with one
# cups-pdf queue named $1, and points posteri's CUPS calls at it through CUPS_SERVER. cups-pdf writes
# what it prints, as root, into /root/PDF, named after the job's title.
start_print_server() {
    local queue=$1 cups="$WORK/cups"
    mkdir -p "$cups/spool" "$cups/cache" "$cups/state" "$cups/ppd"
    # The server's filters run as an unprivileged user, who must reach the queue's files.
    chmod 755 "$WORK" "$cups"
    printf 'Listen %s\nLogLevel warn\nBrowsing Off\nWebInterface No\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n' \
        "$cups/cups.sock" > "$cups/cupsd.conf"
    printf 'ServerRoot %s\nRequestRoot %s/spool\nCacheDir %s/cache\nStateDir %s/state\nTempDir %s/spool\nErrorLog %s/error_log\nAccessLog %s/access_log\nPageLog %s/page_log\nSystemGroup root\n' \
        "$cups" "$cups" "$cups" "$cups" "$cups" "$cups" "$cups" "$cups" > "$cups/cups-files.conf"
    /usr/sbin/cupsd -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" &
    CUPSD_PID=$!
    trap 'kill $CUPSD_PID 2>/dev/null; wait $CUPSD_PID 2>/dev/null; cleanup' EXIT
    for _ in $(seq 1 100); do [ -S "$cups/cups.sock" ] && break; sleep 0.05; done
    [ -S "$cups/cups.sock" ] || fail "cupsd did not start: $(cat "$cups/error_log" 2>/dev/null)"
    lpadmin -h "$cups/cups.sock" -p "$queue" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
        -o TitlePref=1 >/dev/null 2>&1 || fail "lpadmin could not add $queue"
    export CUPS_SERVER="$cups/cups.sock"
}

# What the terminal shows from its cursor to the end of the cursor's row.
text_at_cursor() {
    local x y line
    IFS=, read -r x y < <(tmux -L "$SOCKET" display -p -t e2e '#{cursor_x},#{cursor_y}')
    line=$(screen_text | sed -n "$((y + 1))p")
    printf '%s' "${line:x}"
}
