# SPDX-License-Identifier: GPL-3.0-or-later
# posteri-batch killed at random moments leaves no hidden render file and no half-written PDF under
# a final name; a whole run by an ordinary user still writes its PDF. Runs as "nobody" when started
# by root, so that linking the rendered file into place is shown to work without privileges.
# Arguments: the posteri-batch binary and the sample photo (unused: a large photo is made here).
set -euo pipefail
source "$(dirname "$0")/../copy_for_others.sh"

WORK=$(mktemp -d /tmp/posteri-killed.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
chmod 755 "$WORK"
BATCH=$(copy_for_others "$(readlink -f "$1")" "$WORK/programma")
RUNS_PER_SIGNAL=30
# Font caches that system libraries keep for the life of the process are not the program's leaks.
export LSAN_OPTIONS="suppressions=$(readlink -f "$(dirname "$0")/../e2e/library_leaks.supp"):print_suppressions=0"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(runuser -u nobody --); fi

# A photo large enough that a kill lands inside the run, where the page is being rendered.
convert_program=/usr/bin/convert-im6.q16
[ -x "$convert_program" ] || convert_program=convert
"$convert_program" -size 4000x3000 plasma:fractal -quality 95 "$WORK/grande.jpg"
chmod 644 "$WORK/grande.jpg"
mkdir -m 777 "$WORK/lavoro" "$WORK/tmp" "$WORK/pid"

# Starts a run in the background; its own process id (not the user switch's) lands in $pid_file.
pid_file="$WORK/pid/run"
start_run() {
    rm -f "$pid_file"
    "${as_user[@]}" env TMPDIR="$WORK/tmp" sh -c 'echo $$ >"$1"; exec "$2" "$3" "pdfcreator A4" "$4"' \
        sh "$pid_file" "$BATCH" "$WORK/grande.jpg" "$WORK/lavoro" >/dev/null 2>&1 &
    runner=$!
    for _ in $(seq 5000); do
        [ -s "$pid_file" ] && return
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.001
    done
    [ -s "$pid_file" ] || fail "the run did not start"
}

started=$(date +%s%N)
start_run
wait "$runner" || fail "a whole run as $(id -un) ${as_user[*]} failed"
pdf="$WORK/lavoro/grandepdfcreator A4.pdf"
[ -f "$pdf" ] || fail "no PDF at $pdf"
if [ "${#as_user[@]}" -gt 0 ]; then [ "$(stat -c %U "$pdf")" = nobody ] || fail "PDF not written by nobody"; fi
pdfinfo "$pdf" >/dev/null 2>&1 || fail "the whole run's PDF is unreadable"
run_ms=$(( ($(date +%s%N) - started) / 1000000 + 1 ))

# A run takes a fraction of a second: each kill comes at a random point within it.
for signal in KILL TERM; do
    for _ in $(seq "$RUNS_PER_SIGNAL"); do
        start_run
        delay=$((RANDOM % run_ms))
        sleep "$((delay / 1000)).$(printf '%03d' $((delay % 1000)))"
        kill -s "$signal" "$(cat "$pid_file")" 2>/dev/null || true
        wait "$runner" || true
    done
done

litter=$(find "$WORK/lavoro" "$WORK/tmp" -name '.posteri-*')
[ -z "$litter" ] || fail "hidden render files left: $(printf '%s\n' "$litter" | wc -l): $litter"
written=0
for file in "$WORK/lavoro"/*.pdf; do
    pdfinfo "$file" >/dev/null 2>&1 || fail "half-written PDF under a final name: $file"
    written=$((written + 1))
done
echo "ok ($written whole PDFs, $((2 * RUNS_PER_SIGNAL)) runs killed)"
