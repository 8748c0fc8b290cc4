# SPDX-License-Identifier: GPL-3.0-or-later
# Without a terminal, a UTF-8 locale or 8 colours posteri says so in one line and exits with 2.
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

# In a real terminal: a locale that is not UTF-8, then a terminal type without colours.
tmux -L "$SOCKET" -f /dev/null new-session -d -x 80 -y 24 -s e2e \
    "cd '$WORK'; LANG=C LC_ALL=C TERM=tmux-256color '$POSTERI_BIN' 2>'$WORK/err1'; echo \$? >'$WORK/st1';
     LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=vt100 '$POSTERI_BIN' 2>'$WORK/err2'; echo \$? >'$WORK/st2'; sleep 30"
for _ in $(seq 1 100); do [ -s "$WORK/st2" ] && break; sleep 0.1; done
[ "$(cat "$WORK/st1")" = 2 ] || fail "non-UTF-8 locale: status $(cat "$WORK/st1")"
grep -q 'UTF-8' "$WORK/err1" || fail "non-UTF-8 locale: message $(cat "$WORK/err1")"
[ "$(cat "$WORK/st2")" = 2 ] || fail "no colours: status $(cat "$WORK/st2")"
grep -q '8 colori' "$WORK/err2" || fail "no colours: message $(cat "$WORK/err2")"
echo "refuses_unusable_terminal: ok"
