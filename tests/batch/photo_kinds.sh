# SPDX-License-Identifier: GPL-3.0-or-later
# Photos are taken by their content under any name: a .jpeg prints, a WebP, a HEIC and an AVIF print
# as decoded images with their data compressed losslessly, a TIFF's JPEG strip goes in as it is, and a
# file of no kind read here is refused with the words of any other file that is no photo. A JPEG run
# never loads the WebP, HEIF or TIFF readers' libraries.
source "$(dirname "$0")/lib.sh"

cd "$WORK"
mkdir lavoro
cp "$SAMPLE" gita.jpeg
convert "$SAMPLE" sample.png && cwebp -quiet -q 90 sample.png -o Mare.WEBP
convert "$SAMPLE" -compress none sample.tif && tiffcp -c jpeg -r 100000 sample.tif Scansione.TIFF
heif-enc -q 90 -o Cielo.HEIC sample.png >/dev/null
heif-enc -A -p chroma=422 -o Prato.avif sample.png >/dev/null  # Debian's aom stops on 4:2:0 and 4:4:4
printf '\0\0\0\030ftypheic\0\0\0\0mif1heic' >IMG_0042.HEIC

for photo in gita.jpeg Mare.WEBP Scansione.TIFF Cielo.HEIC Prato.avif; do
    "$BATCH" "$photo" "pdfcreator A4" lavoro >out 2>err || fail "$photo: $(cat err)"
    pdf="lavoro/${photo%%.*}pdfcreator A4.pdf"
    [ -f "$pdf" ] || fail "$photo: no poster in $(ls lavoro)"
    coding=$(pdfimages -list "$pdf" | awk 'NR == 3 {print $9}')
    case $photo in gita.jpeg | Scansione.TIFF) expected=jpeg ;; *) expected=image ;; esac
    [ "$coding" = "$expected" ] || fail "$photo: its image is $coding, not $expected"
done

status=0
"$BATCH" IMG_0042.HEIC "pdfcreator A4" lavoro >out 2>err || status=$?
refused="posteri-batch: IMG_0042.HEIC: Questo file non è una foto JPEG o PNG."
[ "$status" -eq 1 ] && [ "$(cat err)" = "$refused" ] || fail "HEIC: exit $status: $(cat err)"

LD_DEBUG=libs "$BATCH" gita.jpeg "pdfcreator A4" lavoro >out 2>libs || fail "JPEG run: $(tail -3 libs)"
loaded=$(grep -oE '(libwebp|libheif|libtiff)[^ ]*' libs | sort -u | tr '\n' ' ' || true)
[ -z "$loaded" ] || fail "a JPEG run loaded $loaded"
for reader in Mare.WEBP:webp Scansione.TIFF:tiff Cielo.HEIC:heif; do
    photo=${reader%:*}
    LD_DEBUG=libs "$BATCH" "$photo" "pdfcreator A4" lavoro >out 2>libs || fail "$photo run: $(tail -3 libs)"
    grep -q "calling init: .*libposteri-${reader#*:}.so" libs || fail "a $photo run did not load its reader"
done

echo "photo_kinds: ok"
