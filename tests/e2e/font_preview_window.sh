# SPDX-License-Identifier: GPL-3.0-or-later
# The font preview over this machine's fonts: on a virtual X display a window of rows, each in its
# own face, the selection yellow on black, moved by the keys and chosen by a click; without a display
# a framed box on the terminal that keys and clicks drive the same way. The preview is shown by the
# show-font-preview test program, built beside the unit tests. Set POSTERI_E2E_SHOTS to a folder to
# keep the screenshot.
source "$(dirname "$0")/lib.sh"

SHOW_PREVIEW="$(dirname "$POSTERI_BIN")/tests/show-font-preview"
[ -x "$SHOW_PREVIEW" ] || fail "no test program at $SHOW_PREVIEW"
start_display 1280x1024

# Runs the preview with the first selection $1 on the display $2 (empty: none).
run_preview() { run_program "$2" "$SHOW_PREVIEW" "$1" "'$WORK/result'"; }

# The runs of pixel lines inside the window's margins as "<first line> <lines> <ink>", ink being
# "text" for lines with dark pixels on white and "black" for lines that are nearly all dark.
line_runs() {
    "$CONVERT" "$WORK/$1.png" -crop "$((WIDTH - 20))x$((HEIGHT - 20))+$((X + 10))+$((Y + 10))" +repage \
        -colorspace gray -scale "1x$((HEIGHT - 20))!" -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 {
            value = $4; kind = value < 60 ? "black" : value < 254 ? "text" : "white"
            if (kind != last) { if (last != "" && last != "white") print start, $2 - start, last; start = $2; last = kind }
        } END { if (last != "white") print start, NR - 1 - start, last }'
}

# --- with a display
run_preview 5 "$DISPLAY"
window=$(wait_for_window show-font-preview)
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
[ $((2 * X + WIDTH - 1280)) -ge -1 ] && [ $((2 * X + WIDTH - 1280)) -le 1 ] || fail "not centred across: $X + $WIDTH"
# A loaded machine may map the window before its first frame is drawn: look again for a while.
for _ in $(seq 1 20); do
    screenshot font_preview
    yellow=$(pixels_of font_preview "#FFFF00")
    [ "$yellow" -gt 200 ] && break
    sleep 0.2
done
[ "$yellow" -gt 200 ] || fail "the highlighted row shows only $yellow yellow pixels"
runs=$(line_runs font_preview)
highlight=$(awk '$3 == "black" { print $1, $2; exit }' <<<"$runs")
[ -n "$highlight" ] || fail "no row is highlighted black: $runs"
read -r highlight_top line_height <<<"$highlight"
[ "$highlight_top" -eq $((4 * line_height)) ] || fail "the fifth row is not the highlighted one: $runs"
# Faces of different design ink lines of different heights.
heights=$(awk '$3 == "text" { print $2 }' <<<"$runs" | sort -u | wc -l)
[ "$heights" -ge 3 ] || fail "the rows do not look like different faces: $runs"

# Down moves the highlight a row; a click on the third row chooses entry 3.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
xdotool key Shift_L
sleep 0.2
xdotool key Down
for _ in $(seq 1 20); do
    screenshot font_preview_down
    moved=$(line_runs font_preview_down | awk '$3 == "black" { print $1; exit }')
    [ "$moved" = $((5 * line_height)) ] && break
    sleep 0.2
done
[ "$moved" = $((5 * line_height)) ] || fail "Down left the highlight at line $moved"
xdotool mousemove $((X + WIDTH / 2)) $((Y + 10 + 2 * line_height + line_height / 2))
xdotool click 1
result=$(result_and_status)
[[ "$result" =~ ^"3 ".*", ABC abc 1234567890 / 0"$ ]] || fail "the click chose $result"

# --- without a display: a framed box on the terminal, as tall as the terminal allows
run_preview 1 ""
wait_for ", ABC abc 1234567890"
shown=$(screen_text | grep -c ', ABC abc 1234567890')
box_top=$(screen_text | grep -n '┌' | head -1 | cut -d: -f1)
first_row=$(screen_text | grep -n ', ABC abc 1234567890' | head -1 | cut -d: -f1)
keys End
sleep 0.3
keys Enter
result=$(result_and_status)
count=$(awk '{ print $1 }' <<<"$result")
[ "$count" -gt 1 ] || fail "End and Enter chose $result"
# 30 rows of 16 "pixels" hold fewer than 32 rows: 28, one a line, inside the box's frame.
expected=$((count < ROWS - 2 ? count : ROWS - 2))
[ "$shown" -eq "$expected" ] || fail "the box shows $shown rows, not $expected"
[ "$first_row" -eq $((box_top + 1)) ] || fail "the first row stands on line $first_row, the box's top on $box_top"

# A click on the box's third row chooses entry 3.
run_preview 1 ""
wait_for ", ABC abc 1234567890"
box_left=$(screen_text | sed -n "${box_top}p" | grep -o '^[^┌]*' | wc -m)
click $((box_top + 3)) $((box_left + 5))
result=$(result_and_status)
[[ "$result" =~ ^"3 " ]] || fail "a click on the box's third row chose $result"
echo "font_preview_window: ok"
