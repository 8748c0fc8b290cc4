# SPDX-License-Identifier: GPL-3.0-or-later
# A poster asked for in a face that is not installed prints in another: the summary keeps the name
# asked for, and standard error names the face that printed, the one the PDF holds.
# Arguments: the posteri-batch binary and the sample photo.
source "$(dirname "$0")/lib.sh"

# A name without blanks, in small letters, as the font configuration compares family names.
folded() { tr -d ' -' <<<"$1" | tr '[:upper:]' '[:lower:]'; }

# face asked for : installed (yes, no, or either for an alias a machine may or may not resolve)
cases=("nessun font si chiama così:no" "DejaVu Sans:yes" "dejavusans:yes" "lucida console:either"
       "Arial:either")
for case in "${cases[@]}"; do
    face=${case%:*} installed=${case##*:}
    rm -rf "$WORK/lavoro" && mkdir -p "$WORK/lavoro"
    "$BATCH" --set "nomefont=$face" "$SAMPLE" "pdfcreator A4" "$WORK/lavoro" >"$WORK/out" 2>"$WORK/err" ||
        fail "$face: exit $?: $(cat "$WORK/err")"
    grep -qx "Font usata *: $face" "$WORK/out" || fail "$face: the summary names another face"
    pdf=$(sed -n 's/^PDF: //p' "$WORK/out")
    # The one font in the PDF, without its subset tag: "NotoSans-Bold".
    printed=$(pdffonts "$pdf" | tail -n +3 | awk '{print $1}' | sed 's/^[A-Z]*+//' | sort -u)
    [ "$(wc -l <<<"$printed")" -eq 1 ] || fail "$face: expected one font in the PDF: $printed"
    err=$(cat "$WORK/err")
    if [ -z "$err" ]; then
        [ "$installed" != no ] || fail "$face: no line names the face that printed ($printed)"
        [[ $(folded "$printed") == "$(folded "$face")"* ]] || fail "$face: printed in $printed unannounced"
    else
        [ "$installed" != yes ] || fail "$face: an installed face said missing: $err"
        substitute=$(sed -n "s/^Il font «$face» non è installato: ho stampato con \(.*\)\.$/\1/p" <<<"$err")
        [ -n "$substitute" ] && [ "$(wc -l <<<"$err")" -eq 1 ] || fail "$face: standard error: $err"
        [ "$(folded "$substitute")" = "$(folded "$printed")" ] ||
            fail "$face: says $substitute, printed $printed"
    fi
done
echo "ok"
