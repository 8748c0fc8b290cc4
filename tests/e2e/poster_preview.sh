# SPDX-License-Identifier: GPL-3.0-or-later
# The poster's preview beside the parameter editor on a virtual X display: the "Anteprima" window
# shows the photo and the title, follows a change of fits within a second, its close button closes
# only the preview, and Esc in the editor still ends the run. Set POSTERI_E2E_SHOTS to a folder to
# keep the screenshots.
source "$(dirname "$0")/lib.sh"
COLS=120 ROWS=40

CLOSE_WINDOW="$(dirname "$POSTERI_BIN")/tests/close-window"
[ -x "$CLOSE_WINDOW" ] || fail "no test program at $CLOSE_WINDOW"
start_display 1600x1000
cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"

choose_row() {
    keys Home
    for _ in $(seq 2 "$1"); do keys Down; done
    keys Enter
}
# How many pixels of the window's area in screenshot $1 are strongly coloured (the photo) and how
# many are nearly black (the text): "<colour> <ink>".
photo_and_ink() {
    "$CONVERT" "$WORK/$1.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -depth 8 txt:- |
        awk -F'[(),]+' 'NR > 1 { r = $4; g = $5; b = $6
            hi = r > g ? (r > b ? r : b) : (g > b ? g : b); lo = r < g ? (r < b ? r : b) : (g < b ? g : b)
            if (hi - lo > 100) colour++; else if (hi < 60) ink++ } END { print colour + 0, ink + 0 }'
}
area_sum() { "$CONVERT" "$WORK/$1.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -depth 8 rgb:- | md5sum; }

start_posteri "$DISPLAY"
choose_sample_photo
type_text "pdfcreator A4"; keys Enter
wait_for "ok, vai con questi parametri."

# This xdotool finds SDL's windows by class only; the title is read back with xwininfo.
window=$(wait_for_window posteri)
xwininfo -id "$window" | grep -qF '"Anteprima"' || fail "the preview is not titled Anteprima: $(xwininfo -id "$window")"
# A user time of 0 asks a window manager to leave the keyboard with the terminal.
xprop -id "$window" _NET_WM_USER_TIME | grep -qxF '_NET_WM_USER_TIME(CARDINAL) = 0' ||
    fail "the preview asks for the keyboard when shown: $(xprop -id "$window" _NET_WM_USER_TIME)"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ $((X + WIDTH)) -eq 1600 ] || fail "the preview is not at the right edge: $X + $WIDTH"
for _ in $(seq 1 20); do
    screenshot preview
    read -r colour ink <<<"$(photo_and_ink preview)"
    [ "$colour" -gt 5000 ] && [ "$ink" -gt 300 ] && break
    sleep 0.2
done
[ "$colour" -gt 5000 ] || fail "the preview shows no photo ($colour coloured pixels)"
[ "$ink" -gt 300 ] || fail "the preview shows no title ($ink dark pixels)"
before=$(area_sum preview)

# fits 0 puts the photo at the box's height from its corner: the page changes within a second.
choose_row 6
wait_for "0, fits=0 la mette da (0,0)"
choose_row 1
wait_for "06 a.fits         (3)      = 0"
changed=""
for _ in $(seq 1 10); do
    sleep 0.1
    screenshot preview_fits0
    [ "$(area_sum preview_fits0)" != "$before" ] && changed=yes && break
done
[ -n "$changed" ] || fail "the preview did not follow fits 0 within a second"

# The close button closes the preview only; the editor goes on and takes its keys.
"$CLOSE_WINDOW" "$window"
for _ in $(seq 1 50); do
    xdotool search --class posteri >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --class posteri >/dev/null 2>&1 && fail "the close button left the preview open"
sleep 0.3
screen_text | grep -qF "ok, vai con questi parametri." || fail "closing the preview ended the editor"
[ -s "$WORK/.exit" ] && fail "closing the preview ended the run"

keys Escape
[ "$(exit_status)" -eq 0 ] || fail "Esc in the editor did not end the run well"
[ -e "$WORK/esempiopdfcreator A4.pdf" ] && fail "Esc printed the poster"
echo "poster_preview: ok"
