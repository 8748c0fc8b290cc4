# SPDX-License-Identifier: GPL-3.0-or-later
# posteri-batch among the files a real home folder has: FIFOs and links where its files and the
# photo should be, names with control characters, and a photo cut short.
# Arguments: the posteri-batch binary and the sample photo.
source "$(dirname "$0")/lib.sh"

# An empty working folder $WORK/lavoro for the next run.
fresh_folder() {
    rm -rf "$WORK/lavoro"
    mkdir -p "$WORK/lavoro"
}

# Runs posteri-batch on the photo in $WORK/lavoro; a run that hangs is ended after 5 s. Sets
# $status, $out, $err and $ms (how long it took).
run_batch() {
    status=0
    local started
    started=$(date +%s%N)
    timeout 5 "$BATCH" "$1" "pdfcreator A4" "$WORK/lavoro" >"$WORK/out" 2>"$WORK/err" || status=$?
    ms=$((($(date +%s%N) - started) / 1000000))
    out=$(cat "$WORK/out")
    err=$(errors_but_face "$WORK/err")
}

# A FIFO as the settings file is no file to load: the notice 75, at once.
fresh_folder
mkfifo "$WORK/lavoro/impostazioni.log"
run_batch "$SAMPLE"
[ "$status" -eq 255 ] && [ "$ms" -lt 1000 ] || fail "FIFO settings: exit $status after $ms ms: $err"
[[ "$err" == *"Untrapped Error #75 (Path/file access error)"* ]] || fail "FIFO settings: $err"
[ -p "$WORK/lavoro/impostazioni.log" ] || fail "the FIFO was replaced"

# A FIFO as the photo is refused at once, never waited on.
fresh_folder
mkfifo "$WORK/foto.jpg"
run_batch "$WORK/foto.jpg"
[ "$status" -eq 1 ] && [ "$ms" -lt 1000 ] || fail "FIFO photo: exit $status after $ms ms: $err"
[ "$err" = "posteri-batch: $WORK/foto.jpg: Questo è un canale (FIFO), non una foto." ] || fail "FIFO photo: $err"

# /dev/null as the settings file switches it off: the run prints and logs what a first run does.
fresh_folder
run_batch "$SAMPLE"
first_run="$out"$'\n'$(cat "$WORK/lavoro/fulllog.log")
fresh_folder
ln -s /dev/null "$WORK/lavoro/impostazioni.log"
run_batch "$SAMPLE"
[ "$status" -eq 0 ] || fail "settings switched off: $err"
[ "$out"$'\n'"$(cat "$WORK/lavoro/fulllog.log")" = "$first_run" ] || fail "defaults not used: $out"
[ -c /dev/null ] && [ -L "$WORK/lavoro/impostazioni.log" ] || fail "/dev/null or the link was replaced"

# Names holding ESC, BEL, CR and LF reach standard output and error as '?', never as the bytes.
hostile="$WORK/"$'\e]0;preso\a\e[2J\rriga\nnuova.jpg'
cp "$SAMPLE" "$hostile"
fresh_folder
run_batch "$hostile"
[ "$status" -eq 0 ] || fail "hostile name: exit $status: $err"
if LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f\x7f]' "$WORK/out" "$WORK/err"; then fail "control bytes written"; fi
grep -qx "PDF: $WORK/lavoro/?]0;preso??\[2J?riga?nuovapdfcreator A4.pdf" "$WORK/out" || fail "PDF line: $out"
run_batch "$hostile.manca"
[ "$status" -eq 1 ] || fail "hostile missing photo: exit $status"
# The name as given is repeated up to its 60th character.
shown="$WORK/?]0;preso??[2J?riga?nuova.jpg.manca"
[ "$err" = "posteri-batch: ${shown:0:60}…: Questo file non c'è più." ] || fail "error line: $err"

# A photo cut short prints what it holds and says so.
head -c "$(($(stat -c %s "$SAMPLE") / 2))" "$SAMPLE" >"$WORK/tagliata.jpg"
fresh_folder
run_batch "$WORK/tagliata.jpg"
[ "$status" -eq 0 ] || fail "cut photo: exit $status: $err"
[ "$err" = "Foto incompleta: stampo la parte leggibile." ] || fail "cut photo: $err"
[ "$(pdfimages -list "$WORK/lavoro/tagliatapdfcreator A4.pdf" | tail -n +3 | wc -l)" -eq 1 ] ||
    fail "the cut photo is not in the PDF"

# So does a PNG cut short: its readable rows are decoded, never its cut data carried into the PDF.
pdftoppm -png -r 20 -singlefile "$WORK/lavoro/tagliatapdfcreator A4.pdf" "$WORK/pagina"
head -c "$(($(stat -c %s "$WORK/pagina.png") * 6 / 10))" "$WORK/pagina.png" >"$WORK/tagliata.png"
fresh_folder
run_batch "$WORK/tagliata.png"
[ "$status" -eq 0 ] && [ "$err" = "Foto incompleta: stampo la parte leggibile." ] || fail "cut PNG: exit $status: $err"
pdfimages -list "$WORK/lavoro/tagliatapdfcreator A4.pdf" | grep -q " image " || fail "the cut PNG is not in the PDF"

echo "hostile_files: ok"
