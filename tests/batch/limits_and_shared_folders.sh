# SPDX-License-Identifier: GPL-3.0-or-later
# posteri-batch under a file-size limit, with the shell's default SIGXFSZ: the appended record, the
# settings file rewritten in place and the PDF each end whole or absent, and the run ends with its
# notice instead of being killed (exit 153). Then, run by root in a shared sticky folder, the links
# another user planted there lead nowhere.
# Arguments: the posteri-batch binary and the sample photo.
source "$(dirname "$0")/lib.sh"

# Runs posteri-batch in $WORK/lavoro under `ulimit -f LIMIT` (KiB); sets $status and $err.
run_limited() {
    local limit=$1
    shift
    status=0
    (ulimit -f "$limit" && exec "$BATCH" "$@" "$SAMPLE" "pdfcreator A4" "$WORK/lavoro") >/dev/null 2>"$WORK/err" ||
        status=$?
    err=$(cat "$WORK/err")
}

# A first whole run leaves the settings files the limited runs start from.
fresh_run() {
    rm -rf "$WORK/lavoro" && mkdir "$WORK/lavoro"
    "$BATCH" "$SAMPLE" "pdfcreator A4" "$WORK/lavoro" >/dev/null 2>&1 || fail "an unlimited run failed"
    rm "$WORK/lavoro/"*.pdf
}

expect_notice() {
    [ "$status" -eq 255 ] && [[ "$err" == *"Untrapped Error #75 (Path/file access error)"*"$2"* ]] ||
        fail "$1: exit $status: $err"
}

# The log's next record would pass 3 KiB: the log stays as it was, a whole number of records.
fresh_run
head -c 3000 /dev/zero | tr '\0' x >"$WORK/lavoro/fulllog.log"
run_limited 3
expect_notice "append past the limit" SCP_SALV
[ "$(stat -c %s "$WORK/lavoro/fulllog.log")" -eq 3000 ] || fail "the log was cut or torn"

# Settings with a second name are rewritten in place; 1 KiB cannot hold them, so both names keep
# the old settings whole.
fresh_run
ln "$WORK/lavoro/impostazioni.log" "$WORK/lavoro/gemello.log"
cp "$WORK/lavoro/impostazioni.log" "$WORK/prima.log"
run_limited 1 --set testo1=Nuovo
expect_notice "rewrite in place past the limit" SCP_SALV
cmp -s "$WORK/prima.log" "$WORK/lavoro/impostazioni.log" || fail "the settings were torn"
[ "$WORK/lavoro/impostazioni.log" -ef "$WORK/lavoro/gemello.log" ] || fail "the two names were split"

# The settings fit in 50 KiB, the PDF does not: no PDF and no hidden render file is left.
fresh_run
rm "$WORK/lavoro/fulllog.log"
run_limited 50
expect_notice "PDF past the limit" SUB_STAM
[ -z "$(ls -A "$WORK/lavoro" | grep -v -x -e impostazioni.log -e fulllog.log)" ] ||
    fail "the PDF run left: $(ls -A "$WORK/lavoro")"

# Root in a sticky folder that everyone may write: another user's links to root's files are not
# followed, so neither file changes and the run ends with its notice.
if [ "$(id -u)" -eq 0 ]; then
    rm -rf "$WORK/lavoro" && mkdir -m 1777 "$WORK/lavoro" "$WORK/privato"
    printf 'segreto\n' >"$WORK/privato/bashrc"
    printf 'a.px_cm = 1\n' >"$WORK/privato/impostazioni"
    ln -s "$WORK/privato/bashrc" "$WORK/lavoro/fulllog.log"
    ln -s "$WORK/privato/impostazioni" "$WORK/lavoro/impostazioni.log"
    chown -h nobody "$WORK/lavoro/fulllog.log" "$WORK/lavoro/impostazioni.log"
    run_limited unlimited
    [ "$status" -eq 255 ] && [[ "$err" == *"#75"* ]] || fail "planted links: exit $status: $err"
    [ "$(cat "$WORK/privato/bashrc")" = segreto ] && [ "$(cat "$WORK/privato/impostazioni")" = "a.px_cm = 1" ] ||
        fail "a planted link was written through"
fi
