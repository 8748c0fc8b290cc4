# SPDX-License-Identifier: GPL-3.0-or-later
# On a virtual X display: the notice window shows centred, in its colours, and returns the key typed
# into it; the failure notice is a message box whose OK goes on and whose Cancel ends with 255.
# The windows are shown by the show-notice test program, built beside the unit tests. Set
# POSTERI_E2E_SHOTS to a folder to keep the screenshots.
source "$(dirname "$0")/lib.sh"

SHOW_NOTICE="$(dirname "$POSTERI_BIN")/tests/show-notice"
[ -x "$SHOW_NOTICE" ] || fail "no test program at $SHOW_NOTICE"
start_display 1024x768

run_show_notice() { run_program "$DISPLAY" "$SHOW_NOTICE" "$@"; }

# Puts the pointer in the middle of the window and gives it the keyboard, which no window manager
# does here; sends a harmless key first: the first key a fresh display delivers can be lost.
type_into_window() {
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    xdotool windowfocus "$(xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p')"
    xdotool key Shift_L
    sleep 0.2
    xdotool key "$1"
}

# --- the notice window
run_show_notice notice 0 "'$WORK/result'"
window=$(wait_for_window show-notice)
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
[ $((2 * X + WIDTH - 1024)) -ge -1 ] && [ $((2 * X + WIDTH - 1024)) -le 1 ] || fail "not centred across: $X + $WIDTH"
[ $((2 * Y + HEIGHT - 768)) -ge -1 ] && [ $((2 * Y + HEIGHT - 768)) -le 1 ] || fail "not centred down: $Y + $HEIGHT"
# A loaded machine may map the window before its first frame is drawn: look again for a while.
for _ in $(seq 1 20); do
    screenshot notice
    background=$(pixels_of notice "#B0E0E6")
    text=$(pixels_of notice "#4169E1")
    [ "$background" -gt $((WIDTH * HEIGHT * 3 / 4)) ] && [ "$text" -gt 100 ] && break
    sleep 0.2
done
[ "$background" -gt $((WIDTH * HEIGHT * 3 / 4)) ] || fail "the notice's background covers only $background pixels"
[ "$text" -gt 100 ] || fail "the notice's text shows only $text pixels"
type_into_window x
[ "$(result_and_status)" = "KEY 78 / 0" ] || fail "the notice returned $(result_and_status)"

# Function keys with Ctrl or Alt bring nothing; F12, Shift+F1 and Shift+Tab have codes of their own.
for keys_and_code in "ctrl+F1 shift+F1 0054" "alt+F5 F12 0086" "ctrl+F12 shift+Tab 000f"; do
    read -r dropped key code <<<"$keys_and_code"
    run_show_notice notice 0 "'$WORK/result'"
    wait_for_window show-notice >/dev/null
    sleep 0.3
    type_into_window "$dropped"
    xdotool key "$key"
    [ "$(result_and_status)" = "KEY $code / 0" ] || fail "$dropped, $key on the notice gave $(result_and_status)"
done

# A key typed on the terminal serves as well; a time-out ends the notice with no key.
run_show_notice notice 0 "'$WORK/result'"
sleep 1
keys q
[ "$(result_and_status)" = "KEY 71 / 0" ] || fail "a terminal key gave $(result_and_status)"
run_show_notice notice 1 "'$WORK/result'"
[ "$(result_and_status)" = " / 0" ] || fail "the time-out gave $(result_and_status)"

# --- the failure notice, answered with Cancel and then with OK
for answer in Escape Return; do
    run_show_notice fault "'$WORK/result'"
    geometry=$(wait_for_titled_window posteri)
    IFS='x+' read -r WIDTH HEIGHT X Y <<<"$geometry"
    if [ "$answer" = Escape ]; then
        for _ in $(seq 1 20); do
            screenshot fault
            [ "$(pixels_of fault "#000000")" -lt $((WIDTH * HEIGHT / 2)) ] && break
            sleep 0.2
        done
        [ "$(pixels_of fault "#000000")" -lt $((WIDTH * HEIGHT / 2)) ] || fail "the failure notice is not drawn"
    fi
    type_into_window "$answer"
    expected="OK / 0"
    [ "$answer" = Escape ] && expected="CANCEL / 255"
    [ "$(result_and_status)" = "$expected" ] || fail "$answer on the failure notice gave $(result_and_status)"
done
echo "graphic_notice: ok"
