# SPDX-License-Identifier: GPL-3.0-or-later
# Ctrl-C ends the run at once with status 130 and gives the terminal back.
source "$(dirname "$0")/lib.sh"

start_posteri
wait_for "Scegli il file"
type_text "a"
keys C-c
status=$(exit_status)
[ "$status" -eq 130 ] || fail "exit status $status after Ctrl-C"
expect_terminal_restored
echo "interrupt: ok"

# The first Ctrl-C is enough while the run waits on a display that accepts and never answers, and
# while a slow poster (an interlaced PNG is decoded) prints: no PDF, nothing else left behind.
# Sends Ctrl-C while the run waits on $1: the run must end with 130 within a second.
interrupt_waiting_on() {
    local start status took
    start=$(date +%s%N)
    keys C-c
    status=$(exit_status)
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$status" -eq 130 ] || fail "exit status $status after Ctrl-C on $1"
    [ "$took" -lt 1000 ] || fail "Ctrl-C on $1 took $took ms"
}

display_number=$(( 40 + $$ % 50 ))
python3 -c "
import socket, time
s = socket.socket(); s.bind(('127.0.0.1', 6000 + $display_number)); s.listen(8)
open('$WORK/.listening', 'w').close(); time.sleep(60)" &
listener=$!
trap 'kill $listener 2>/dev/null; cleanup' EXIT
for _ in $(seq 1 50); do [ -e "$WORK/.listening" ] && break; sleep 0.1; done
start_posteri "127.0.0.1:$display_number"
sleep 0.5
screen_text | grep -qF "Scegli il file" && fail "the run did not wait on the display"
interrupt_waiting_on "a silent display"
# Left alone, the run goes on after 2 seconds with its windows on the terminal, and says why after.
start_posteri "127.0.0.1:$display_number"
wait_for "Scegli il file"
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "the run on a silent display did not end well"
wait_for "il display grafico non ha risposto"

"${CONVERT:-convert-im6.q16}" -size 3000x2000 plasma:fractal -interlace PNG "PNG24:$WORK/lenta.jpg"
start_posteri
wait_for "Scegli il file"
type_text "lenta"; keys Enter
wait_for "Scelta della stampante"
type_text "pdfcreator A0"; keys Enter
wait_for "ok, vai con questi parametri."
keys Up Enter
sleep 0.5
screen_text | grep -qF "Riassunto poster" && fail "the poster printed too fast to be interrupted"
interrupt_waiting_on "a poster printing"
expect_terminal_restored
left=$(cd "$WORK" && ls -A | grep -vxE 'lenta.jpg|impostazioni.log|fulllog.log|\.exit|\.stty|\.listening' || true)
[ -z "$left" ] || fail "left behind: $left"
echo "interrupt while waiting: ok"
