# SPDX-License-Identifier: GPL-3.0-or-later
# Photos are taken by their content under any name: a .jpeg prints, a WebP prints as a decoded image
# with its data compressed losslessly, and a kind without a reader yet is refused with the words of
# any other file that is no photo. A JPEG run never loads the WebP reader's library.
source "$(dirname "$0")/lib.sh"

cd "$WORK"
mkdir lavoro
cp "$SAMPLE" gita.jpeg
convert "$SAMPLE" sample.png && cwebp -quiet -q 90 sample.png -o Mare.WEBP
printf '\0\0\0\030ftypheic\0\0\0\0mif1heic' >IMG_0042.HEIC

for photo in gita.jpeg Mare.WEBP; do
    "$BATCH" "$photo" "pdfcreator A4" lavoro >out 2>err || fail "$photo: $(cat err)"
    pdf="lavoro/${photo%%.*}pdfcreator A4.pdf"
    [ -f "$pdf" ] || fail "$photo: no poster in $(ls lavoro)"
    coding=$(pdfimages -list "$pdf" | awk 'NR == 3 {print $9}')
    expected=$([ "$photo" = gita.jpeg ] && echo jpeg || echo image)
    [ "$coding" = "$expected" ] || fail "$photo: its image is $coding, not $expected"
done

status=0
"$BATCH" IMG_0042.HEIC "pdfcreator A4" lavoro >out 2>err || status=$?
refused="posteri-batch: IMG_0042.HEIC: Questo file non è una foto JPEG o PNG."
[ "$status" -eq 1 ] && [ "$(cat err)" = "$refused" ] || fail "HEIC: exit $status: $(cat err)"

LD_DEBUG=libs "$BATCH" gita.jpeg "pdfcreator A4" lavoro >out 2>libs || fail "JPEG run: $(tail -3 libs)"
! grep -q "libwebp" libs || fail "a JPEG run loaded $(grep -o 'libwebp[^ ]*' libs | sort -u | tr '\n' ' ')"
LD_DEBUG=libs "$BATCH" Mare.WEBP "pdfcreator A4" lavoro >out 2>libs || fail "WebP run: $(tail -3 libs)"
grep -q "calling init: .*libposteri-webp.so" libs || fail "a WebP run did not load the WebP reader"

echo "photo_kinds: ok"
