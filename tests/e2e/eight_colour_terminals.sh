# SPDX-License-Identifier: GPL-3.0-or-later
# The terminals with 8 colours that Linux users have (the Linux console, xterm, screen) run the
# program: it starts, draws its frame and its highlight, and ends with the terminal given back.
source "$(dirname "$0")/lib.sh"

for POSTERI_TERM in linux xterm screen; do
    start_posteri
    wait_for "Scegli il file"
    wait_for "└───"
    # The chooser's highlight (black on light cyan) keeps a background of its own.
    screen_with_colours | grep -F ' ..' | grep -q $'\e\[[0-9;]*46m' || fail "$POSTERI_TERM: no highlight"
    keys Escape
    status=$(exit_status)
    [ "$status" -eq 0 ] || fail "$POSTERI_TERM: exit status $status"
    expect_terminal_restored
done
echo "eight_colour_terminals: ok"
