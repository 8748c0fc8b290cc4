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
