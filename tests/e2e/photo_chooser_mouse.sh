# SPDX-License-Identifier: GPL-3.0-or-later
# The photo chooser with the mouse: a double click opens a folder, a click selects a file and Enter
# chooses it; the run goes on to the printer step.
source "$(dirname "$0")/lib.sh"

mkdir "$WORK/album"
cp "$SAMPLE_PHOTO" "$WORK/album/esempio.jpg"
cp "$SAMPLE_PHOTO" "$WORK/zeta.jpg"

start_posteri
wait_for "Scegli il file"
wait_for "zeta.jpg"
# A 100 x 30 screen: the box is 76 x 26 at row 3, column 13; its list starts on row 6 with "..".
screen_text | sed -n 7p | grep -qF "album/" || fail "the folder is not on row 7"
click 7 20; click 7 20
wait_for "$WORK/album"
wait_for "esempio.jpg"
sleep 0.6  # so that the next click is not taken as the second half of a double click
click 7 30
keys Enter
wait_for "Hai scelto $WORK/album/esempio.jpg."
wait_for "pdfcreator A4"
keys C-c
status=$(exit_status)
[ "$status" -eq 130 ] || fail "exit status $status after Ctrl-C"
expect_terminal_restored
echo "photo_chooser_mouse: ok"
