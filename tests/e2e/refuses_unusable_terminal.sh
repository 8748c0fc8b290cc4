# SPDX-License-Identifier: GPL-3.0-or-later
# Without a terminal, a UTF-8 locale or a usable terminal type posteri says so in one line and exits
# with 2. A terminal type is refused before anything is written to the terminal: the line stands
# where the prompt was, never on the bottom row, and names the type (or says TERM is empty or unset).
source "$(dirname "$0")/lib.sh"

expect_refusal() {
    local what=$1; shift
    local err
    set +e
    err=$("$@" 2>&1 >/dev/null </dev/null)
    local status=$?
    set -e
    [ "$status" -eq 2 ] || fail "$what: exit status $status"
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "$what: expected one line, got: $err"
    printf '%s\n' "$err" | grep -q '^posteri: ' || fail "$what: unexpected message: $err"
}

expect_refusal "no terminal" env LANG=C.UTF-8 TERM=xterm-256color "$POSTERI_BIN"

# A locale that is not UTF-8, in a real terminal.
tmux -L "$SOCKET" -f /dev/null new-session -d -x 80 -y 24 -s e2e \
    "cd '$WORK'; LANG=C LC_ALL=C TERM=tmux-256color '$POSTERI_BIN' 2>'$WORK/err1'; echo \$? >'$WORK/st1';
     sleep 30"
for _ in $(seq 1 100); do [ -s "$WORK/st1" ] && break; sleep 0.1; done
[ "$(cat "$WORK/st1")" = 2 ] || fail "non-UTF-8 locale: status $(cat "$WORK/st1")"
grep -q 'UTF-8' "$WORK/err1" || fail "non-UTF-8 locale: message $(cat "$WORK/err1")"

# Runs posteri in a fresh 80 x 24 pane with TERM as given ("-": unset), under a line standing for the
# shell's prompt; every byte the pane's programs write goes to $WORK/bytes. Sets $status.
refused_in_pane() {
    local setting="TERM='$1'"
    [ "$1" = - ] && setting="-u TERM"
    fresh_server
    : >"$WORK/bytes"
    tmux -L "$SOCKET" -f /dev/null new-session -d -x 80 -y 24 -s e2e \
        "tmux -L '$SOCKET' wait-for go; printf 'prompt\n';
         env $setting LANG=C.UTF-8 LC_ALL=C.UTF-8 '$POSTERI_BIN'; echo \"EXIT=\$?\" >'$WORK/.exit'; sleep 60"
    tmux -L "$SOCKET" pipe-pane -t e2e "cat >>'$WORK/bytes'"
    tmux -L "$SOCKET" wait-for -S go
    status=$(exit_status)
}

# TERM | the line
cases=(
    "vt100|posteri: il terminale «vt100» ha meno di 8 colori (ne servono almeno 8)."
    "dumb|posteri: il terminale «dumb» non ha l'indirizzamento del cursore."
    "terminale-inventato|posteri: tipo di terminale «terminale-inventato» sconosciuto (controllare TERM)."
    "|posteri: la variabile TERM è vuota (ad esempio TERM=xterm-256color)."
    "-|posteri: la variabile TERM non è impostata (ad esempio TERM=xterm-256color)."
)
for case in "${cases[@]}"; do
    term=${case%%|*} line=${case#*|}
    refused_in_pane "$term"
    [ "$status" = 2 ] || fail "TERM=$term: exit status $status"
    # The prompt, then the line and nothing else: no escape sequence moved the cursor or set a mode.
    printf 'prompt\r\n%s\r\n' "$line" >"$WORK/expected"
    for _ in $(seq 1 20); do cmp -s "$WORK/bytes" "$WORK/expected" && break; sleep 0.1; done
    cmp -s "$WORK/bytes" "$WORK/expected" || fail "TERM=$term: wrote $(od -c "$WORK/bytes" | head -20)"
    [ "$(screen_text | sed -n 2p)" = "$line" ] || fail "TERM=$term: the line is not under the prompt"
    [ -z "$(screen_text | sed -n 24p)" ] || fail "TERM=$term: something stands on the bottom row"
done
echo "refuses_unusable_terminal: ok"
