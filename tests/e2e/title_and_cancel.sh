# SPDX-License-Identifier: GPL-3.0-or-later
# The title line is centred in bright white; Esc at the photo choice ends the run quietly, and the
# terminal is usable again.
source "$(dirname "$0")/lib.sh"

start_posteri
wait_for "Scelta del file da posteriorizzare...Versione 28062017"

line=$(screen_text | grep -F "Versione 28062017")
expected_indent=$(( (COLS - 54) / 2 ))
shopt -s extglob
stripped=${line##+( )}
indent=$(( ${#line} - ${#stripped} ))
[ "$indent" -eq "$expected_indent" ] || fail "title indented by $indent, expected $expected_indent"

# Bright white (colour 15) is SGR 97 in tmux's capture.
screen_with_colours | grep -F "Versione 28062017" | grep -q $'\e\[97m' || fail "title is not bright white"

keys Escape
status=$(exit_status)
[ "$status" -eq 0 ] || fail "exit status $status after Esc"
expect_terminal_restored
[ ! -e "$WORK/impostazioni.log" ] || fail "a cancelled run wrote the settings file"
echo "title_and_cancel: ok"
