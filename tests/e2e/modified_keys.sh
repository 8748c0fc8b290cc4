# SPDX-License-Identifier: GPL-3.0-or-later
# Keys with Alt, Shift and the upper function keys, as tmux sends them: Alt+letter and Ctrl+F1 at the
# photo chooser and Shift+F1, F6 and Shift+Tab at the printer choice end neither dialog (as Esc or F1
# would); the run goes on as usual.
source "$(dirname "$0")/lib.sh"

cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"
start_posteri
wait_for "Scegli il file"
# Each key on its own: tmux would send keys of one call in one write.
for key in M-q M-x C-F1; do keys "$key"; sleep 0.1; done
sleep 0.3
[ -s "$WORK/.exit" ] && fail "a key with Alt or Ctrl ended the photo choice"
type_text "esempio"; keys Enter
wait_for "Scelta della stampante"
for key in S-F1 F6 BTab; do keys "$key"; sleep 0.1; done
sleep 0.3
wait_for "Scelta della stampante"
type_text "pdfcreator A4"; keys Enter
wait_for "ok, vai con questi parametri."
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "the run did not end well"
echo "modified_keys: ok"
