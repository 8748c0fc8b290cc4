# SPDX-License-Identifier: GPL-3.0-or-later
# posteri-batch's options as scripts use them: --help, --version, --list-printers, --set, and the
# refusals that leave nothing written; posteri's own options and photo without a terminal. Both read
# their command lines as GNU tools do.
# Arguments: the posteri-batch binary and the sample photo.
source "$(dirname "$0")/lib.sh"
POSTERI=$(dirname "$BATCH")/posteri

# Runs the program with the given arguments, standard input not a terminal; sets $status, $out, $err.
run() {
    status=0
    "$@" </dev/null >"$WORK/out" 2>"$WORK/err" || status=$?
    out=$(cat "$WORK/out")
    err=$(cat "$WORK/err")
}

for program in "$POSTERI" "$BATCH"; do
    name=$(basename "$program")
    run "$program" --help
    [ "$status" -eq 0 ] && [ -z "$err" ] || fail "$name --help: exit $status: $err"
    grep -q "^uso: $name" <<<"${out%%$'\n'*}" || fail "$name --help: $out"
    run "$program" --version
    [ "$status" -eq 0 ] || fail "$name --version: exit $status"
    printf '%s\n' "$out" | grep -Eqx "$name [0-9.]+ \(Versione 28062017\)" || fail "$name --version: $out"
done

run "$BATCH" --list-printers
[ "$status" -eq 0 ] || fail "--list-printers: exit $status: $err"
printf '%s\n' "$out" | grep -qxP "pdfcreator A4\t21\.0 x 29\.7 cm" || fail "--list-printers: $out"
printf '%s\n' "$out" | grep -qxP "pdfcreator A0 su A4\t84\.1 x 118\.9 cm" || fail "--list-printers: $out"
printf '%s\n' "$out" | grep -qxP "pdfcreator A1 su A3\t59\.4 x 84\.1 cm" || fail "--list-printers: $out"
[ "$(printf '%s\n' "$out" | grep -c $'\t')" -eq "$(printf '%s\n' "$out" | wc -l)" ] ||
    fail "a line without a tab: $out"

# Printer names match as the print server matches its queues, without regard to letter case.
mkdir -p "$WORK/maiuscole"
run "$BATCH" "$SAMPLE" "PDFCREATOR A4" "$WORK/maiuscole"
[ "$status" -eq 0 ] && [ -f "$WORK/maiuscole/esempiopdfcreator A4.pdf" ] || fail "PDFCREATOR A4: exit $status: $err"

# Settings given on the command line print and are saved; testo.log stays untouched.
mkdir -p "$WORK/lavoro"
cp "$SAMPLE" "$WORK/foto.jpg"
run "$BATCH" --set "testo1=Caffè al mare" --set fits=2abc "$WORK/foto.jpg" "pdfcreator A4" "$WORK/lavoro" \
    --set "testo3= 2026 "
[ "$status" -eq 0 ] || fail "--set: exit $status: $err"
pdf=$(printf '%s\n' "$out" | sed -n 's/^PDF: //p')
pdftotext "$pdf" - | grep -q "Caffè al mare" || fail "the title is not in the PDF"
pdftotext "$pdf" - | grep -q "2026" || fail "the date is not in the PDF"
saved=$(iconv -f WINDOWS-1252 -t UTF-8 "$WORK/lavoro/impostazioni.log")
grep -q "^a.testo1             = Caffè al mare " <<<"$saved" || fail "title not saved: $saved"
grep -q "^a.fits               = 2 " <<<"$saved" || fail "fits not saved: $saved"
[ ! -e "$WORK/lavoro/testo.log" ] || fail "testo.log written"

# The first and the last value of fits and autocentra are taken and saved.
for pair in "0 1" "3 0"; do
    read -r fits centred <<<"$pair"
    run "$BATCH" --set "fits=$fits" --set "autocentra=$centred" "$WORK/foto.jpg" "pdfcreator A4" "$WORK/lavoro"
    [ "$status" -eq 0 ] && grep -q "^a.fits  *= $fits " "$WORK/lavoro/impostazioni.log" &&
        grep -q "^a.autocentra  *= $centred " "$WORK/lavoro/impostazioni.log" || fail "fits=$fits autocentra=$centred: $err"
done

# A refused --set: one line on standard error, exit 2, nothing written in the folder.
mkdir -p "$WORK/vuota"
for setting in "colore=rosso" "fits=abc" "testo2=日本" "px_cm" "fits=9" "autocentra=2" "logorroico=forse"; do
    run "$BATCH" --set "$setting" "$WORK/foto.jpg" "pdfcreator A4" "$WORK/vuota"
    [ "$status" -eq 2 ] || fail "--set $setting: exit $status"
    [ -z "$out" ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "--set $setting: $out / $err"
    [ -z "$(ls -A "$WORK/vuota")" ] || fail "--set $setting wrote $(ls -A "$WORK/vuota")"
done

# Each case: the exit status and the start of the line the program writes (o: stdout, e: stderr).
echo "non una foto" >"$WORK/note.txt"
cd "$WORK"
while IFS='|' read -r program expected stream text arguments; do
    # shellcheck disable=SC2086
    run "$(dirname "$BATCH")/$program" $arguments
    line=$([ "$stream" = o ] && printf '%s' "$out" || printf '%s' "$err")
    [ "$status" -eq "$expected" ] && [ "${line:0:${#text}}" = "$text" ] ||
        fail "$program $arguments: exit $status, expected $expected: $line"
done <<'CASES'
posteri|0|o|uso: posteri [FOTO]|-h
posteri|0|o|posteri 0|-V
posteri|2|e|posteri: opzione sconosciuta «--foo». Prova «posteri --help».|--foo
posteri|1|e|posteri: manca.jpg: Questo file non c'è più.|manca.jpg
posteri|1|e|posteri: note.txt: Questo file non è una foto JPEG o PNG.|note.txt
posteri|2|e|posteri: una foto sola|foto.jpg note.txt
posteri-batch|0|o|uso: posteri-batch|-h
posteri-batch|0|o|posteri-batch 0|-V
posteri-batch|2|e|posteri-batch: opzione sconosciuta «--foo». Prova «posteri-batch --help».|--foo
CASES
# A photo that can be taken passes on to the terminal, which a run without one refuses.
run "$POSTERI" foto.jpg
[ "$status" -eq 2 ] && ! grep -q "foto.jpg" <<<"$err" || fail "posteri foto.jpg: exit $status: $err"

echo "ok"
