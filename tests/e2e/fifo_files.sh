# SPDX-License-Identifier: GPL-3.0-or-later
# FIFOs where the settings file and a photo should be: the chooser refuses the FIFO photo as what it
# is, the settings FIFO raises the notice 75 at loading and at saving, and the run never
# waits on either and reaches its end with the FIFO left as it was. The photo printed is cut short:
# once the terminal is given back, standard error says that its readable part was printed.
source "$(dirname "$0")/lib.sh"

head -c "$(($(stat -c %s "$SAMPLE_PHOTO") / 2))" "$SAMPLE_PHOTO" >"$WORK/esempio.jpg"
mkfifo "$WORK/fifo.jpg" "$WORK/impostazioni.log"
start_posteri

wait_for "Scegli il file"
type_text "fifo"; keys Enter
wait_for "Questo è un canale (FIFO), non una foto."
type_text "esempio"; keys Enter
wait_for "Scelta della stampante"
keys Home Enter
wait_for "Untrapped Error #75 (Path/file access error)"
wait_for "has occurred following execution of SCP_DEFA"
keys Enter
wait_for "ok, vai con questi parametri."
keys Up Enter
wait_for "has occurred following execution of SCP_SALV"
keys Enter
wait_for "Riassunto poster"
keys Escape
status=$(exit_status)
[ "$status" = 0 ] || fail "exit status $status"
wait_for "Foto incompleta: stampo la parte leggibile."
[ -p "$WORK/impostazioni.log" ] || fail "the settings FIFO was replaced"
grep -q "a.px_cm" "$WORK/fulllog.log" || fail "the log was not appended to"
echo "fifo_files: ok"
