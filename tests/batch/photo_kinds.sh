# SPDX-License-Identifier: GPL-3.0-or-later
# Photos are taken by their content under any name: a .jpeg prints, a WebP prints as a decoded image
# with its data compressed losslessly, a TIFF's JPEG strip goes in as it is, and a kind without a
# reader yet is refused with the words of any other file that is no photo. A JPEG run never loads
# the WebP or TIFF readers' libraries.
source "$(dirname "$0")/lib.sh"

cd "$WORK"
mkdir lavoro
cp "$SAMPLE" gita.jpeg
convert "$SAMPLE" sample.png && cwebp -quiet -q 90 sample.png -o Mare.WEBP
convert "$SAMPLE" -compress none sample.tif && tiffcp -c jpeg -r 100000 sample.tif Scansione.TIFF
printf '\0\0\0\030ftypheic\0\0\0\0mif1heic' >IMG_0042.HEIC

for photo in gita.jpeg Mare.WEBP Scansione.TIFF; do
    "$BATCH" "$photo" "pdfcreator A4" lavoro >out 2>err || fail "$photo: $(cat err)"
    pdf="lavoro/${photo%%.*}pdfcreator A4.pdf"
    [ -f "$pdf" ] || fail "$photo: no poster in $(ls lavoro)"
    coding=$(pdfimages -list "$pdf" | awk 'NR == 3 {print $9}')
    expected=$([ "$photo" = Mare.WEBP ] && echo image || echo jpeg)
    [ "$coding" = "$expected" ] || fail "$photo: its image is $coding, not $expected"
done

status=0
"$BATCH" IMG_0042.HEIC "pdfcreator A4" lavoro >out 2>err || status=$?
refused="posteri-batch: IMG_0042.HEIC: Questo file non è una foto JPEG o PNG."
[ "$status" -eq 1 ] && [ "$(cat err)" = "$refused" ] || fail "HEIC: exit $status: $(cat err)"

LD_DEBUG=libs "$BATCH" gita.jpeg "pdfcreator A4" lavoro >out 2>libs || fail "JPEG run: $(tail -3 libs)"
! grep -q "libwebp\|libtiff" libs || fail "a JPEG run loaded $(grep -o 'lib\(webp\|tiff\)[^ ]*' libs | sort -u | tr '\n' ' ')"
LD_DEBUG=libs "$BATCH" Mare.WEBP "pdfcreator A4" lavoro >out 2>libs || fail "WebP run: $(tail -3 libs)"
grep -q "calling init: .*libposteri-webp.so" libs || fail "a WebP run did not load the WebP reader"
LD_DEBUG=libs "$BATCH" Scansione.TIFF "pdfcreator A4" lavoro >out 2>libs || fail "TIFF run: $(tail -3 libs)"
grep -q "calling init: .*libposteri-tiff.so" libs || fail "a TIFF run did not load the TIFF reader"

echo "photo_kinds: ok"
