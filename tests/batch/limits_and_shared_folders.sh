# SPDX-License-Identifier: GPL-3.0-or-later
# Under a file-size limit (SIGXFSZ at its default) each file ends whole or absent, the run with its
# notice, never killed; links another user planted in a shared sticky folder lead nowhere.
source "$(dirname "$0")/lib.sh"

# Runs posteri-batch in $WORK/lavoro under `ulimit -f $1` (KiB) and expects notice 75 from step $2.
run_limited() {
    local limit=$1 step=$2 status=0
    shift 2
    (ulimit -f "$limit" && exec "$BATCH" "$@" "$SAMPLE" "pdfcreator A4" "$WORK/lavoro") >/dev/null 2>"$WORK/err" ||
        status=$?
    [ "$status" -eq 255 ] && [[ "$(cat "$WORK/err")" == *"Untrapped Error #75 (Path/file access error)"*"$step"* ]] ||
        fail "ulimit -f $limit: exit $status: $(cat "$WORK/err")"
}

# A first whole run leaves the settings files the limited runs start from.
fresh_run() {
    rm -rf "$WORK/lavoro" && mkdir "$WORK/lavoro"
    "$BATCH" "$SAMPLE" "pdfcreator A4" "$WORK/lavoro" >/dev/null 2>&1 || fail "an unlimited run failed"
    rm "$WORK/lavoro/"*.pdf
}

# The log's next record would pass 3 KiB: the log stays as it was, a whole number of records.
fresh_run
head -c 3000 /dev/zero | tr '\0' x >"$WORK/lavoro/fulllog.log"
run_limited 3 SCP_SALV
[ "$(stat -c %s "$WORK/lavoro/fulllog.log")" -eq 3000 ] || fail "the log was cut or torn"

# Settings with a second name are rewritten in place; 1 KiB cannot hold them, so both keep the old.
fresh_run
ln "$WORK/lavoro/impostazioni.log" "$WORK/lavoro/gemello.log"
cp "$WORK/lavoro/impostazioni.log" "$WORK/prima.log"
run_limited 1 SCP_SALV --set testo1=Nuovo
cmp -s "$WORK/prima.log" "$WORK/lavoro/impostazioni.log" || fail "the settings were torn"
[ "$WORK/lavoro/impostazioni.log" -ef "$WORK/lavoro/gemello.log" ] || fail "the two names were split"

# The settings fit in 50 KiB, the PDF does not: no PDF and no hidden render file is left.
fresh_run
rm "$WORK/lavoro/fulllog.log"
run_limited 50 SUB_STAM
[ -z "$(ls -A "$WORK/lavoro" | grep -v -x -e impostazioni.log -e fulllog.log)" ] ||
    fail "the PDF run left: $(ls -A "$WORK/lavoro")"

# Root in a sticky folder everyone may write: another user's links to root's files are not followed.
if [ "$(id -u)" -eq 0 ]; then
    rm -rf "$WORK/lavoro" && mkdir -m 1777 "$WORK/lavoro" "$WORK/privato"
    printf 'segreto\n' >"$WORK/privato/fulllog.log"
    printf 'a.px_cm = 1\n' >"$WORK/privato/impostazioni.log"
    ln -s "$WORK/privato/fulllog.log" "$WORK/privato/impostazioni.log" "$WORK/lavoro/"
    chown -h nobody "$WORK/lavoro/"*
    run_limited unlimited ""
    [ "$(cat "$WORK/privato/"*)" = "segreto"$'\n'"a.px_cm = 1" ] || fail "a planted link was written through"
fi
