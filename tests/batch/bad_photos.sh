# SPDX-License-Identifier: GPL-3.0-or-later
# What is no photo: posteri-batch and posteri refuse it with one line and exit 1, writing nothing.
source "$(dirname "$0")/lib.sh"
POSTERI=$(dirname "$BATCH")/posteri

cd "$WORK"
mkdir cartella lavoro && mkfifo canale.jpg && ln -s manca.jpg rotto.jpg && echo "non una foto" >note.txt
long=$(head -c 131000 /dev/zero | tr '\0' a)

# Each case: the photo as given (LUNGO: 131000 letters), then the line after the program's name.
while IFS='|' read -r photo said; do
    [ "$photo" = LUNGO ] && photo=$long
    for program in "$BATCH" "$POSTERI"; do
        arguments=("$photo") && [ "$program" = "$BATCH" ] && arguments+=("pdfcreator A4" lavoro)
        status=0
        timeout 5 "$program" "${arguments[@]}" </dev/null >out 2>err || status=$?
        [ "$status" -eq 1 ] && [ ! -s out ] && [ "$(cat err)" = "$(basename "$program"): $said" ] ||
            fail "$program '${photo:0:70}': exit $status: $(head -c 300 err)"
    done
    [ -z "$(ls -A lavoro)" ] || fail "'${photo:0:70}' wrote $(ls -A lavoro)"
done <<'CASES'
manca.jpg|manca.jpg: Questo file non c'è più.
rotto.jpg|rotto.jpg: Questo file non c'è più.
cartella|cartella: Questa è una cartella, non una foto.
canale.jpg|canale.jpg: Questo è un canale (FIFO), non una foto.
/dev/null|/dev/null: Questo è un dispositivo, non una foto.
/dev/zero|/dev/zero: Questo è un dispositivo, non una foto.
note.txt|note.txt: Questo file non è una foto JPEG o PNG.
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb|bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb: Questo file non c'è più.
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbc|bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb…: Questo file non c'è più.
|Il nome della foto è vuoto.
LUNGO|aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa…: Percorso troppo lungo: sposta il file in una cartella più vicina.
CASES

# Standard output full or closed fails the run; a photo without a "." names the PDF with all its name.
cp "$SAMPLE" senzapunto
while IFS='|' read -r program redirect arguments reason; do
    status=0
    eval "\"\$(dirname \"\$BATCH\")/$program\" $arguments $redirect 2>err" || status=$?
    said="$program: scrittura su standard output non riuscita: $reason"
    [ "$status" -eq 1 ] && [ "$(errors_but_face err)" = "$said" ] || fail "$program $arguments $redirect: exit $status: $(cat err)"
done <<'CASES'
posteri-batch|>/dev/full|senzapunto "pdfcreator A4" lavoro|No space left on device
posteri-batch|>/dev/full|--help|No space left on device
posteri-batch|>&-|senzapunto "pdfcreator A4" lavoro|Bad file descriptor
posteri|>/dev/full|--version|No space left on device
CASES
[ -f "lavoro/senzapuntopdfcreator A4.pdf" ] && [ -f "lavoro/senzapuntopdfcreator A4 (1).pdf" ] ||
    fail "the posters were not printed: $(ls lavoro)"

echo "bad_photos: ok"
