# SPDX-License-Identifier: GPL-3.0-or-later
# The parameter editor as a person uses it, without a display: fits changed through its list, a title
# with an accent typed through the empty choice, a font picked in the console preview, confirmed on
# the "ok" row; the poster, the remembered texts and the next run show the changes.
source "$(dirname "$0")/lib.sh"
COLS=120 ROWS=40

cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"
# Up to the editor: the photo and the A4 PDF printer.
reach_editor() {
    start_posteri
    choose_sample_photo
    type_text "pdfcreator A4"; keys Enter
    wait_for "ok, vai con questi parametri."
}
# Moves from the first row down to row $1 of the list shown and chooses it.
choose_row() {
    keys Home
    for _ in $(seq 2 "$1"); do keys Down; done
    keys Enter
}

reach_editor
choose_row 6
wait_for "3, fits=3 mantiene la proporzione e riempie la finestra con perdite della foto."
choose_row 3
wait_for "06 a.fits         (3)      = 2  mantiene la proporzione e inserisce il massimo"
choose_row 8
wait_for "QZ9QZQ"
choose_row 1  # the empty choice comes first
wait_for "Testo (titolo) :"
type_text "Città di mare"; keys Enter
wait_for "07 a.testo1                = Città di mare"
choose_row 12
wait_for ", ABC abc 1234567890"
keys Home Enter
wait_for "ok, vai con questi parametri."
keys End Up Enter
wait_for "Riassunto poster"
font=$(screen_text | sed -n 's/.*Font usata *: \(.*[^ ]\) *│.*/\1/p')
[ -n "$font" ] && [ "$font" != "ar bonnie" ] || fail "the summary names no chosen font: '$font'"
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "the run did not end well"

pdf="$WORK/esempiopdfcreator A4.pdf"
pdftotext "$pdf" - | grep -qF "Città di mare" || fail "the poster lacks its title"
pdffonts "$pdf" | grep -qF "+${font// /}" || fail "the poster is not set in $font: $(pdffonts "$pdf")"
grep -q $'^a.fits               = 2 \r$' "$WORK/impostazioni.log" || fail "fits was not saved"
[ "$(od -An -tx1 "$WORK/testo.log" | tr -d ' \n')" = "$(printf 'Citt\xe0 di mare\r\n' | od -An -tx1 | tr -d ' \n')" ] ||
    fail "testo.log does not hold the title in Windows-1252 with CR LF"

# The next run offers the typed title among the texts.
reach_editor
choose_row 8
wait_for "QZ9QZQ"
wait_for "Città di mare"
keys Escape; sleep 0.2
wait_for "ok, vai con questi parametri."
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "the second run did not end well"
echo "parameter_editor: ok"
