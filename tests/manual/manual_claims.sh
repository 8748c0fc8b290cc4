# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages, English and Italian, against the programs: they format without a warning and
# man's indexer reads their name; the options they list are the ones --help lists and the programs
# accept; the colours a terminal needs, the lines of impostazioni.log and posteri-batch's exit
# statuses are what the programs do. Arguments: posteri, posteri-batch, the sample photo.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh" "$1" "$3"
BATCH=$(readlink -f "$2")
PAGES=$(readlink -f "$(dirname "$0")/../../docs/man")
LANGUAGES=("" it/)

# The heading line of every .TP (and .TQ) entry of a page, its troff escapes for "-" undone.
entry_headings() {
    awk 'previous ~ /^\.(TP|TQ)/ { print } { previous = $0 }' "$1" | sed 's/\\-/-/g'
}

# The one number a page states in the words matched by the extended regex $2 (a number in it).
stated_number() {
    local numbers
    numbers=$(grep -oE -- "$2" "$1" | grep -oE '[0-9]+' | sort -u)
    if [ -z "$numbers" ] || [ "$(wc -l <<<"$numbers")" -ne 1 ]; then
        fail "$1: no single number for '$2': $numbers"
    fi
    echo "$numbers"
}

# Lines joined by spaces, for a failure's message.
joined() { tr '\n' ' ' <<<"$1"; }

# --- every page formats cleanly and has a name line for the whatis index
for language in "${LANGUAGES[@]}"; do
    for page in "$PAGES/$language"*.1; do
        warnings=$(groff -k -man -Tutf8 -ww -z "$page" 2>&1; MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page: $warnings"
        lexgrog "$page" | grep -qE ': "posteri(-batch)? - .+"$' || fail "$page: lexgrog finds no name line"
    done
done

# --- options: the manual's, --help's and the ones the program takes are the same
options_of() { grep -oE -- '(^|[ ,|])--?[a-zA-Z][a-zA-Z-]*' | grep -oE -- '-.*' | sort -u; }
for program in "$POSTERI_BIN" "$BATCH"; do
    name=$(basename "$program")
    helped=$("$program" --help | options_of)
    for language in "${LANGUAGES[@]}"; do
        listed=$(entry_headings "$PAGES/$language$name.1" | options_of)
        [ "$listed" = "$helped" ] || fail "$language$name.1 lists options [$(joined "$listed")], --help [$(joined "$helped")]"
    done
    for option in $helped; do
        refusal=$("$program" "$option" </dev/null 2>&1 >/dev/null || true)
        [[ $refusal != *sconosciuta* ]] || fail "$name refuses $option: $refusal"
    done
done

# --- colours: a terminal with one colour fewer than the manual asks for is refused, one with as many runs
for language in "${LANGUAGES[@]}"; do
    stated_number "$PAGES/${language}posteri.1" '(at least|almeno) [0-9]+ (colours|colori)' >>"$WORK/colours"
done
needed=$(sort -u "$WORK/colours")
[ "$(wc -l <<<"$needed")" -eq 1 ] || fail "the manuals differ on colours: $(joined "$needed")"
for colours in $((needed - 1)) "$needed"; do
    printf 'posteri-colours-%d|xterm with %d colours,\n\tcolors#%d, use=xterm,\n' "$colours" "$colours" "$colours"
done >"$WORK/terminals.src"
tic -x -o "$WORK/terminfo" "$WORK/terminals.src"
export TERMINFO="$WORK/terminfo"
POSTERI_TERM=posteri-colours-$((needed - 1)) start_posteri
[ "$(exit_status)" -eq 2 ] || fail "a terminal of $((needed - 1)) colours was not refused"
POSTERI_TERM=posteri-colours-$needed start_posteri
wait_for "Scegli il file"
keys Escape
[ "$(exit_status)" -eq 0 ] || fail "a terminal of $needed colours did not run"
unset TERMINFO

# --- impostazioni.log after a run: the manual's keys in its order, as many lines as it says, the dashes
mkdir "$WORK/files"
"$BATCH" "$SAMPLE_PHOTO" "pdfcreator A4" "$WORK/files" >/dev/null
saved_keys=$(sed -n '/^-/q; s/ *=.*//p' "$WORK/files/impostazioni.log")
last_line=$(tail -n 1 "$WORK/files/impostazioni.log" | tr -d '\r')
for language in "${LANGUAGES[@]}"; do
    page="$PAGES/${language}posteri.1"
    [ "$(entry_headings "$page" | sed -n 's/^\.B \(a\.[a-z_0-9]*\)$/\1/p')" = "$saved_keys" ] ||
        fail "$page does not list the keys of impostazioni.log in order: $(joined "$saved_keys")"
    [ "$(stated_number "$page" '(with|con) [0-9]+ (lines|righe)')" -eq "$(wc -l <<<"$saved_keys")" ] ||
        fail "$page: the line count of impostazioni.log"
    dashes=$(stated_number "$page" '[0-9]+ (dashes|trattini)')
    [ "$last_line" = "$(printf -- '-%.0s' $(seq "$dashes"))" ] || fail "$page: the last line is not $dashes dashes"
done

# --- posteri-batch's exit statuses: one case each, and the manuals document exactly these
mkdir "$WORK/locked"
"$BATCH" "$SAMPLE_PHOTO" "pdfcreator A4" "$WORK/locked" >/dev/null
chmod 444 "$WORK/locked/impostazioni.log"
cases=(
    "0|$SAMPLE_PHOTO|pdfcreator A4|$WORK/files"
    "1|$WORK/missing.jpg|pdfcreator A4|$WORK/files"
    "2|--no-such-option"
    "255|--set|testo3=changed|$SAMPLE_PHOTO|pdfcreator A4|$WORK/locked"
)
for case in "${cases[@]}"; do
    IFS='|' read -r -a words <<<"$case"
    set +e
    "$BATCH" "${words[@]:1}" >/dev/null 2>&1
    status=$?
    set -e
    [ "$status" -eq "${words[0]}" ] || fail "posteri-batch ${words[*]:1}: status $status, not ${words[0]}"
    echo "${words[0]}" >>"$WORK/statuses"
done
for language in "${LANGUAGES[@]}"; do
    documented=$(entry_headings "$PAGES/${language}posteri-batch.1" | sed -n 's/^\.B \([0-9]*\)$/\1/p' | sort -n)
    [ "$documented" = "$(sort -n "$WORK/statuses")" ] ||
        fail "${language}posteri-batch.1 documents statuses $(joined "$documented")"
done
echo "manual_claims: ok"
