# SPDX-License-Identifier: GPL-3.0-or-later
# The run's dialogs as a person meets them: the orientation list for a square photo, the printer list
# searched by typing, the summary window; then the print dialog to a print server's queue on a paper
# that is not its default.
source "$(dirname "$0")/lib.sh"

/usr/bin/convert-im6.q16 "$SAMPLE_PHOTO" -crop 400x400+0+0 +repage "$WORK/quadrata$$.jpg"
start_print_server "Dialogo$$"

start_posteri
wait_for "Scegli il file"
type_text "quadrata"; keys Enter
wait_for "Quale orientamento?"
keys Up; sleep 0.1; keys Enter
wait_for "Orientamento della foto verticale"
wait_for "Scelta della stampante"
type_text "pdfcreator A3"; keys Enter
wait_for "ok, vai con questi parametri."
keys Up Enter
wait_for "Riassunto poster"
# The nine lines of the run, then the print job's own.
summary=$(screen_text)
for line in "Nome file                                : $WORK/quadrata$$.jpg" \
            "Orientamento                             :  " \
            "Dimensione xy della foto                 : 400 x 400 pixels" \
            "Nome della stampante                     : pdfcreator A3" \
            "Larghezza e altezza del foglio cartaceo  : 29.7 x 42.0 cm" \
            "Larghezza e altezza della stampa         : 7016 x 9921 pixels" \
            "Risoluzione di stampa xy                 : 600 x 600 dpi" \
            "Font usata                               : ar bonnie"; do
    grep -qF -- "$line" <<<"$summary" || fail "the summary lacks: $line"
done
[ "$(grep -n 'Risoluzione di stampa xy' <<<"$summary" | cut -d: -f1)" -lt "$(grep -n 'Font usata' <<<"$summary" | cut -d: -f1)" ] ||
    fail "the print job's lines do not follow the run's"
keys F1
sleep 0.3
wait_for "Riassunto poster"
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "the first run did not end well"
pdfinfo "$WORK/quadrata$$pdfcreator A3.pdf" | grep -qE "Page size: +841.9[0-9]* x 1190.5[0-9]* pts \(A3\)" ||
    fail "the PDF is not portrait A3"

# Second run: "Scelta della stampante", the queue, then A3 instead of its default paper.
start_posteri
wait_for "Scegli il file"
type_text "quadrata"; keys Enter
wait_for "Quale orientamento?"
keys Up; sleep 0.1; keys Enter
wait_for "Scelta della stampante"
keys End Enter
wait_for "Stampa"
type_text "Dialogo$$"; keys Enter
wait_for "Formato carta"
type_text "A3 "; keys Enter
wait_for "ok, vai con questi parametri."
keys Up Enter
wait_for "Riassunto poster"
wait_for "Nome della stampante                     : Dialogo$$"
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "the second run did not end well"
# cups-pdf writes its file 1 to 10 seconds after the job, and takes a while to finish it.
output=""
for _ in $(seq 1 150); do
    output=$(ls -t /root/PDF/*quadrata$$*.pdf 2>/dev/null | head -1 || true)
    [ -n "$output" ] && pdfinfo "$output" >/dev/null 2>&1 && break
    sleep 0.1
done
[ -n "$output" ] || fail "the queue wrote no PDF"
pdfinfo "$output" | grep -qE "Page size: +842 x 1191 pts \(A3\)" || fail "the queue's page is not A3"
grep -q "iso_a3_297x420mm" "$WORK/cups/page_log" || fail "the job was not sent on A3"
rm -f "$output"
echo "run_dialogs: ok"
