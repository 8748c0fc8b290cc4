# SPDX-License-Identifier: GPL-3.0-or-later
# With a list open, a terminal shrunk below what is drawn shows it moved just enough to stay whole,
# or, smaller than the drawing, one centred line asking for a larger terminal (cut to the width)
# while keys are dropped, never a cut border; grown back, it shows the whole frame again at once,
# without a key. Ctrl-L repaints what something else wrote over the screen.
source "$(dirname "$0")/lib.sh"
export LC_ALL=C.UTF-8  # rows are cut by characters, not bytes

cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"
start_posteri
choose_sample_photo
wait_for "Versione 28062017"
frame=$(screen_text)

# The frame's rows and columns from (row + 1, col + 1) on, in a terminal of the given size.
frame_part() {
    local rows=$1 cols=$2 row=$3 col=$4 line
    sed -n "$((row + 1)),$((row + rows))p" <<<"$frame" | while IFS= read -r line; do
        line=${line:col:cols}
        printf '%s\n' "${line%"${line##*[! ]}"}"
    done
}

# The drawing covers rows 2 to 21 and columns 18 to 83 (the list's pointer column), so it needs 66 x 20.
request="Ingrandisci il terminale: servono almeno 66 × 20 caratteri."
for size in "70 20 moved 1 13" "65 20 request" "66 19 request" "20 5 request"; do
    read -r cols rows shown row col <<<"$size"
    tmux -L "$SOCKET" resize-window -t e2e -x "$cols" -y "$rows"
    if [ "$shown" = moved ]; then
        expected=$(frame_part "$rows" "$cols" "$row" "$col")
        for _ in $(seq 1 30); do [ "$(screen_text)" = "$expected" ] && break; sleep 0.1; done
        [ "$(screen_text)" = "$expected" ] || fail "at $cols x $rows the list is not shown whole, moved"
        # A click lands on the row shown under it: "pdfcreator A1" stands on the screen's row 13.
        click $((13 - row)) $((19 - col))
        for _ in $(seq 1 30); do [[ "$(text_at_cursor)" == "pdfcreator A1 "* ]] && break; sleep 0.1; done
        [[ "$(text_at_cursor)" == "pdfcreator A1 "* ]] || fail "a click on the moved list chose another row"
        keys End
    else
        line=${request:0:cols}
        for _ in $(seq 1 30); do [[ "$(text_at_cursor)" == "$line" ]] && break; sleep 0.1; done
        [ "$(text_at_cursor)" = "$line" ] || fail "at $cols x $rows the cursor is not on the request"
        [ "$(screen_text | grep -c .)" -eq 1 ] || fail "at $cols x $rows more than the request shows"
        [ "$(screen_text | grep -F -- "$line" | sed 's/^ *//')" = "$line" ] || fail "the request is not one line"
        # Centred: the columns left of it and right of it differ by one at most.
        margin=$(screen_text | grep -F -- "$line" | sed 's/[^ ].*//')
        case $((cols - ${#line} - 2 * ${#margin})) in 0 | 1) ;; *) fail "at $cols x $rows the request is not centred" ;; esac
    fi
    tmux -L "$SOCKET" resize-window -t e2e -x "$COLS" -y "$ROWS"
    for _ in $(seq 1 30); do [ "$(screen_text)" = "$frame" ] && break; sleep 0.1; done
    [ "$(screen_text)" = "$frame" ] || fail "after shrinking to $cols x $rows the screen is not whole again"
done

# A key typed while the request shows is dropped: it would act on a list nobody sees. It is read
# by the time a second request shows, and the frame grown back still has its selection.
tmux -L "$SOCKET" resize-window -t e2e -x 65 -y 20
wait_for "Ingrandisci il terminale"
keys Home
tmux -L "$SOCKET" resize-window -t e2e -x 20 -y 5
for _ in $(seq 1 30); do [ "$(text_at_cursor)" = "${request:0:20}" ] && break; sleep 0.1; done
tmux -L "$SOCKET" resize-window -t e2e -x "$COLS" -y "$ROWS"
for _ in $(seq 1 30); do [ "$(screen_text)" = "$frame" ] && break; sleep 0.1; done
[ "$(screen_text)" = "$frame" ] || fail "a key typed while the request showed moved the selection"

printf 'SCRITTO SOPRA' >"$(tmux -L "$SOCKET" display -p -t e2e '#{pane_tty}')"
wait_for "SCRITTO SOPRA"
keys C-l
for _ in $(seq 1 30); do [ "$(screen_text)" = "$frame" ] && break; sleep 0.1; done
[ "$(screen_text)" = "$frame" ] || fail "Ctrl-L did not repaint the screen"
keys Escape
wait_for "un tasto..."
keys Enter
exit_status >/dev/null
echo "resize_and_repaint: ok"
