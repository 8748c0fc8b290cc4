# SPDX-License-Identifier: GPL-3.0-or-later
# The photo chooser with the keyboard: only folders and JPEG files are listed (whatever their letter
# case), a name that cannot be used is refused with a message, folders open with Enter, and names with
# spaces, commas, apostrophes and accents reach the run whole, up to the printer step.
source "$(dirname "$0")/lib.sh"

folder="foto d'estate, 2017"
mkdir "$WORK/$folder"
cp "$SAMPLE_PHOTO" "$WORK/$folder/città di mare.jpg"
cp "$SAMPLE_PHOTO" "$WORK/ALTRA.JPG"
cp "$SAMPLE_PHOTO" "$WORK/東京.jpg"
echo testo > "$WORK/note.txt"

start_posteri
wait_for "Scegli il file"
wait_for "$folder/"
wait_for "ALTRA.JPG"
wait_for "??.jpg"
screen_text | grep -qF "note.txt" && fail "a file that is not a JPEG is listed"

# "..", the folder, "??.jpg", "ALTRA.JPG": the name with no Windows-1252 form cannot be chosen.
type_text "??"; keys Enter
wait_for "rinominalo per sceglierlo"
screen_text | grep -qF "Hai scelto" && fail "an unusable name was chosen"

keys Home Down Enter
wait_for "$WORK/$folder"
wait_for "città di mare.jpg"
keys Down Enter
wait_for "Hai scelto $WORK/$folder/città di mare.jpg."
wait_for "pdfcreator A4"
keys C-c
status=$(exit_status)
[ "$status" -eq 130 ] || fail "exit status $status after Ctrl-C"
expect_terminal_restored
echo "photo_chooser_keys: ok"
