# SPDX-License-Identifier: GPL-3.0-or-later
# With a list open, a terminal shrunk and grown back shows the whole frame again at once, without a
# key; Ctrl-L repaints what something else wrote over the screen.
source "$(dirname "$0")/lib.sh"

cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"
start_posteri
choose_sample_photo
wait_for "Versione 28062017"
frame=$(screen_text)

for size in "70 20" "20 5"; do
    read -r cols rows <<<"$size"
    tmux -L "$SOCKET" resize-window -t e2e -x "$cols" -y "$rows"
    sleep 0.5
    tmux -L "$SOCKET" resize-window -t e2e -x "$COLS" -y "$ROWS"
    for _ in $(seq 1 30); do [ "$(screen_text)" = "$frame" ] && break; sleep 0.1; done
    [ "$(screen_text)" = "$frame" ] || fail "after shrinking to $cols x $rows the screen is not whole again"
done

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
