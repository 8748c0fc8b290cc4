# SPDX-License-Identifier: GPL-3.0-or-later
# A whole run with the keyboard: photo, printer found by typing its name, parameters confirmed on the
# "ok" row, the summary window.
source "$(dirname "$0")/lib.sh"

cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"
start_posteri
choose_sample_photo
type_text "pdfcreator A4"; keys Enter
wait_for "ok, vai con questi parametri."
keys Up Enter
wait_for "Riassunto poster"
wait_for "Nome della stampante                     : pdfcreator A4"
wait_for "Larghezza e altezza del foglio cartaceo  : 29.7 x 21.0 cm"
# F1 does not close the summary; Esc does, and the run ends.
keys F1
sleep 0.3
wait_for "Riassunto poster"
keys Escape
status=$(exit_status)
[ "$status" -eq 0 ] || fail "exit status $status"
expect_terminal_restored

# The settings file holds the defaults as saved, byte for byte where it matters.
printf 'a.px_cm              = 3.2 \r\n' | cmp -s -n 29 - "$WORK/impostazioni.log" || fail "first settings line differs"
grep -q $'^a.nomestampante      = pdfcreator A4 \{51\}\r$' "$WORK/impostazioni.log" || fail "printer line differs"
[ "$(tail -c 82 "$WORK/impostazioni.log")" = "$(printf '%080d' 0 | tr 0 -)"$'\r' ] || fail "dash line differs"
cmp -s "$WORK/impostazioni.log" "$WORK/fulllog.log" || fail "the log does not hold the same record"
# The poster: one landscape A4 page carrying the photo and the text.
pdfinfo "$WORK/esempiopdfcreator A4.pdf" | grep -qE "Page size: +841.9[0-9]* x 595.3[0-9]* pts \(A4\)" || fail "the PDF is not landscape A4"
[ "$(pdfimages -list "$WORK/esempiopdfcreator A4.pdf" | tail -n +3 | wc -l)" -eq 1 ] || fail "the PDF does not hold the photo"
echo "full_run: ok"
