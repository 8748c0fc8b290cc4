# SPDX-License-Identifier: GPL-3.0-or-later
# In a folder the user may not write to, each file that cannot be written raises the failure notice;
# OK goes on, and the run still reaches its end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../copy_for_others.sh"

# Root may write anywhere, so it runs the program as nobody; an ordinary user runs it as itself.
as_other=""
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "unwritable_folder: setpriv missing"; exit 1; }
    as_other="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
chmod 755 "$WORK"
mkdir "$WORK/sola-lettura"
cp "$SAMPLE_PHOTO" "$WORK/sola-lettura/esempio.jpg"
chmod 644 "$WORK/sola-lettura/esempio.jpg"
chmod 555 "$WORK/sola-lettura"
trap 'chmod 755 "$WORK/sola-lettura"; cleanup' EXIT
program=$(copy_for_others "$POSTERI_BIN" "$WORK/programma")

tmux -L "$SOCKET" -f /dev/null new-session -d -x 100 -y 30 -s e2e \
    "cd '$WORK/sola-lettura' && env -u DISPLAY -u WAYLAND_DISPLAY LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color $as_other '$program'; echo \"EXIT=\$?\" > '$WORK/.exit'; sleep 60"

wait_for "Scegli il file"
type_text "esempio"; keys Enter
wait_for "Scelta della stampante"
keys Home Enter
# Loading: the default file cannot be created, then it cannot be read.
wait_for "Untrapped Error #70 (Permission denied)"
wait_for "has occurred following execution of SCP_DEFA"
keys Enter
wait_for "Untrapped Error #53 (File not found)"
keys Enter
wait_for "ok, vai con questi parametri."
keys Up Enter
# Saving: the log cannot be appended to, the settings file cannot be rewritten.
wait_for "has occurred following execution of SCP_SALV"
keys Enter
sleep 0.3
wait_for "has occurred following execution of SCP_SALV"
keys Enter
# Printing: the PDF cannot be written into the folder.
wait_for "has occurred following execution of SUB_STAM"
keys Enter
wait_for "Riassunto poster"
keys Escape
status=$(grep -o '[0-9]*' <(for _ in $(seq 1 100); do [ -s "$WORK/.exit" ] && cat "$WORK/.exit" && break; sleep 0.1; done))
[ "$status" = 0 ] || fail "exit status $status"
[ -z "$(ls -A "$WORK/sola-lettura" | grep -v esempio.jpg)" ] || fail "files appeared in the read-only folder"
echo "unwritable_folder: ok"
