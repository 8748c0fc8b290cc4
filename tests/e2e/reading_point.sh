# SPDX-License-Identifier: GPL-3.0-or-later
# A screen reader reads at the terminal's (hidden) cursor: in every list, box and notice it stands on
# the highlighted row, the focused button or the text to read, after every kind of move, at both ends
# of each list and in both directions.
source "$(dirname "$0")/lib.sh"
export LC_ALL=C.UTF-8  # the row is cut at the cursor by characters, not bytes

/usr/bin/convert-im6.q16 "$SAMPLE_PHOTO" -crop 400x400+0+0 +repage "$WORK/quadrata.jpg"
for i in $(seq -w 1 30); do cp "$WORK/quadrata.jpg" "$WORK/a$i.jpg"; done
cp "$WORK/quadrata.jpg" "$WORK/東京.jpg"  # listed as "??.jpg", a name that cannot be chosen

# Reads rows "keys|text": sends the tmux keys ("-" for none), then expects the cursor at the text.
expect_reading_points() {
    local widget=$1 sent expected
    while IFS='|' read -r sent expected; do
        # shellcheck disable=SC2086  # the keys are words
        [ "$sent" = "-" ] || keys $sent
        for _ in $(seq 1 30); do [[ "$(text_at_cursor)" == "$expected"* ]] && break; sleep 0.1; done
        [[ "$(text_at_cursor)" == "$expected"* ]] ||
            fail "$widget, after '$sent': the cursor stands at '$(text_at_cursor)', not at '$expected'"
    done
}

# A new run with the (square) photo $1 chosen and the orientation question answered.
start_at_printer_list() {
    start_posteri
    wait_for "Scegli il file"
    type_text "$1"; keys Enter
    wait_for "Quale orientamento?"
    keys Enter
    wait_for "Scelta della stampante"
}

start_posteri
wait_for "Scegli il file"
# "..", "??.jpg", a01.jpg to a30.jpg, quadrata.jpg; twenty rows show.
expect_reading_points "photo chooser" <<'TABLE'
-|..
Up|..
Down|??.jpg
Down|a01.jpg
Up|??.jpg
End|quadrata.jpg
Down|quadrata.jpg
Up|a30.jpg
PageUp|a10.jpg
PageDown|a30.jpg
PageDown|quadrata.jpg
Home|..
PageUp|..
PageDown|a19.jpg
-l a07|a07.jpg
Home Down Enter|Questo nome ha caratteri non utilizzabili
TABLE
keys End Enter
wait_for "Quale orientamento?"
expect_reading_points "orientation question" <<'TABLE'
-|2 Orizzontale
Down|1 Verticale
Up|2 Orizzontale
Home|1 Verticale
End|2 Orizzontale
PageDown|1 Verticale
PageUp|2 Orizzontale
TABLE
keys Enter
wait_for "Scelta della stampante"
expect_reading_points "printer list" <<'TABLE'
-|Scelta della stampante
Down|pdfcreator A0  
Up|Scelta della stampante
Home|pdfcreator A0  
Down|pdfcreator A0 su A3
End|Scelta della stampante
Home PageUp|Scelta della stampante
PageDown|pdfcreator A0  
?|. Per muoverti nella finestra
Escape|pdfcreator A0  
-l A4|pdfcreator A0 su A4
Escape|un tasto...
TABLE
keys Enter
exit_status >/dev/null

start_at_printer_list quadrata
type_text "pdfcreator A4"; keys Enter
wait_for "ok, vai con questi parametri."
expect_reading_points "parameter editor" <<'TABLE'
Up|ok, vai con questi parametri.
Home|01 a.px_cm
Down|02 a.py_cm
Up|01 a.px_cm
Up Up|ok, vai con questi parametri.
Down Down|01 a.px_cm
End Up|ok, vai con questi parametri.
PageUp Up|ok, vai con questi parametri.
TABLE
keys Enter
wait_for "Riassunto poster"
expect_reading_points "summary" <<'TABLE'
-|Font usata
Down|Nome file
Up|Font usata
Up Up|Dimensioni riquadro interno reale
Home|Nome file
End|Font usata
PageDown|Nome file
PageUp|Font usata
TABLE
keys Escape
exit_status >/dev/null

# The photo gone before printing: the line that says so.
start_at_printer_list a01
type_text "pdfcreator A4"; keys Enter
wait_for "ok, vai con questi parametri."
rm "$WORK/a01.jpg"
keys Up Enter
expect_reading_points "missing photo" <<<"-|Non trovo il file"
keys Enter
exit_status >/dev/null

# The settings file made a folder cannot be written: the failure notice.
rm -f "$WORK/impostazioni.log" && mkdir "$WORK/impostazioni.log"
start_at_printer_list quadrata
keys Home Enter
wait_for "Untrapped Error"
expect_reading_points "failure notice" <<'TABLE'
-|   OK
Tab| Cancel
Tab|   OK
Right| Cancel
Left|   OK
TABLE
keys Escape
exit_status >/dev/null
echo "reading_point: ok"
