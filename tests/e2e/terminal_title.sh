# SPDX-License-Identifier: GPL-3.0-or-later
# The terminal's title is the same before and after a run, however it ends (the summary closed, Esc in
# the parameter editor, Ctrl-C), although the run changed it (a search in the parameter editor shows
# its text in the title). A finished run then says where the poster went.
source "$(dirname "$0")/lib.sh"

cp "$SAMPLE_PHOTO" "$WORK/esempio.jpg"
pane_title() { tmux -L "$SOCKET" display -p -t e2e '#{pane_title}'; }

for ending in summary Escape C-c; do
    rm -f "$WORK/.exit" "$WORK/.stty" "$WORK"/*.pdf
    start_posteri
    wait_for "Scegli il file"
    before=$(pane_title)
    type_text "esempio"; keys Enter
    wait_for "Scelta della stampante"
    type_text "pdfcreator A4"; keys Enter
    wait_for "ok, vai con questi parametri."
    type_text "zz"
    for _ in $(seq 1 50); do [ "$(pane_title)" = zz ] && break; sleep 0.1; done
    [ "$(pane_title)" = zz ] || fail "$ending: the search did not set the title: $(pane_title)"
    expected=0
    case $ending in
        summary)
            keys End Up Enter
            wait_for "Riassunto poster"
            keys Escape ;;
        Escape) keys Escape ;;
        C-c) keys C-c; expected=130 ;;
    esac
    status=$(exit_status)
    [ "$status" -eq "$expected" ] || fail "$ending: exit status $status"
    [ "$(pane_title)" = "$before" ] || fail "$ending: title '$(pane_title)' after the run, '$before' before"
    if [ "$ending" = summary ]; then
        screen_text | grep -qxF "PDF: $WORK/esempiopdfcreator A4.pdf" || fail "no PDF line after the run"
    fi
done
echo "terminal_title: ok"
