# SPDX-License-Identifier: GPL-3.0-or-later
# posteri-batch as scripts use it: a poster printed on a built-in PDF printer with the default
# settings, the report on standard output, and the exit codes of the runs that cannot print.
# Arguments: the posteri-batch binary and the sample photo.
source "$(dirname "$0")/lib.sh"

# Runs posteri-batch from $WORK/altrove with the given arguments; sets $status, $out and $err.
run_batch() {
    mkdir -p "$WORK/altrove"
    status=0
    (cd "$WORK/altrove" && "$BATCH" "$@" >"$WORK/out" 2>"$WORK/err") || status=$?
    out=$(cat "$WORK/out")
    err=$(errors_but_face "$WORK/err")
}

# A photo with an accented name, given by a path relative to where the command runs.
mkdir -p "$WORK/foto" "$WORK/lavoro"
cp "$SAMPLE" "$WORK/foto/caffè.jpg"
run_batch ../foto/caffè.jpg "pdfcreator A4" "$WORK/lavoro"
[ "$status" -eq 0 ] || fail "exit $status: $err"
pdf="$WORK/lavoro/caffèpdfcreator A4.pdf"
[ "$(printf '%s\n' "$out" | head -1)" = "Nome file                                : $WORK/foto/caffè.jpg" ] ||
    fail "first line: $out"
[ "$(printf '%s\n' "$out" | wc -l)" -eq 15 ] || fail "expected 14 summary lines and the PDF line: $out"
grep -qx "Font usata                               : ar bonnie" <<<"$out" || fail "font line: $out"
[ "$(printf '%s\n' "$out" | tail -1)" = "PDF: $pdf" ] || fail "PDF line: $out"
[ -z "$err" ] || fail "unexpected standard error: $err"
[ -f "$pdf" ] || fail "no PDF at $pdf"
[ -f "$WORK/lavoro/impostazioni.log" ] && [ -f "$WORK/lavoro/fulllog.log" ] || fail "settings not saved"
# The sample is wider than high: a landscape A4 page with the photo and the three lines.
pdfinfo "$pdf" | grep -q "Page size: *841.* x 595.* pts" || fail "page size: $(pdfinfo "$pdf")"
pdftotext "$pdf" - | grep -q "MAXI_STAMPA" || fail "title missing from the PDF"
[ "$(pdfimages -list "$pdf" | tail -n +3 | wc -l)" -eq 1 ] || fail "expected one image in the PDF"

# The same photo again: a new file, never over the first one.
run_batch ../foto/caffè.jpg "pdfcreator A4" "$WORK/lavoro"
[ "$status" -eq 0 ] || fail "second run: exit $status: $err"
[ "$(ls "$WORK/lavoro"/*.pdf | wc -l)" -eq 2 ] || fail "the second PDF replaced the first"

# The printers that print the big sheet on A4 or A3 sheets: one page per sheet, the photo once.
for job in "A0 su A4:25:A4" "A1 su A4:15:A4" "A2 su A4:8:A4" "A0 su A3:15:A3" "A1 su A3:8:A3"; do
    IFS=: read -r sheets count paper <<<"$job"
    run_batch ../foto/caffè.jpg "pdfcreator $sheets" "$WORK/lavoro"
    [ "$status" -eq 0 ] || fail "pdfcreator $sheets: exit $status: $err"
    tiled="$WORK/lavoro/caffèpdfcreator $sheets.pdf"
    [ "$(printf '%s\n' "$out" | tail -1)" = "PDF: $tiled" ] || fail "pdfcreator $sheets: $out"
    pdfinfo "$tiled" | grep -qx "Pages: *$count" || fail "pdfcreator $sheets: $(pdfinfo "$tiled")"
    pdfinfo "$tiled" | grep -q "Page size: .*($paper)" || fail "pdfcreator $sheets: $(pdfinfo "$tiled")"
    [ "$(pdfimages -list "$tiled" | tail -n +3 | awk '{print $11}' | sort -u | wc -l)" -eq 1 ] ||
        fail "pdfcreator $sheets: the photo is not one image"
done

run_batch ../foto/manca.jpg "pdfcreator A4" "$WORK/lavoro"
[ "$status" -eq 1 ] || fail "missing photo: exit $status"
[ -z "$out" ] || fail "missing photo printed a report: $out"

run_batch ../foto/caffè.jpg "stampante che non esiste" "$WORK/lavoro"
[ "$status" -eq 1 ] || fail "unknown printer: exit $status"

run_batch ../foto/caffè.jpg
[ "$status" -eq 2 ] || fail "one argument: exit $status"
run_batch ../foto/caffè.jpg "pdfcreator A4" "$WORK/non-esiste"
[ "$status" -eq 2 ] || fail "missing working folder: exit $status"

# A log that cannot be written raises the failure notice: its text on standard error, then the end.
mkdir -p "$WORK/bloccata/fulllog.log"
run_batch ../foto/caffè.jpg "pdfcreator A4" "$WORK/bloccata"
[ "$status" -eq 255 ] || fail "failure notice: exit $status"
printf '%s\n' "$err" | grep -q "^Untrapped Error #" || fail "notice text: $err"
[ -z "$(ls "$WORK/bloccata"/*.pdf 2>/dev/null)" ] || fail "printed after the notice"

echo "ok"
