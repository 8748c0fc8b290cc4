# SPDX-License-Identifier: GPL-3.0-or-later
# JPEG XL photos made by cjxl print as a photo viewer shows them: one made from a JPEG carries that
# JPEG's own bytes; the others are decoded (an animation's first frame) into an image object in their
# own colour space with their ICC profile (16-bit ones at 16 bits), which renders in the photo's
# colour. A file cut short prints its readable part with the words for it. A JPEG run never loads
# libjxl; a JPEG XL run loads the reader.
source "$(dirname "$0")/lib.sh"

cd "$WORK"
mkdir lavoro
convert -size 300x200 "xc:rgb(200,40,40)" rosso.png
convert -size 300x200 "xc:rgb(120,120,120)" -colorspace Gray grigio.png
convert -size 300x200 "xc:rgb(40,160,90)" -depth 16 PNG48:sedici.png
convert -delay 10 rosso.png -size 300x200 "xc:rgb(40,40,200)" animata.gif
{ cjxl "$SAMPLE" dajpeg.jxl && cjxl rosso.png lossless.jxl -d 0 && cjxl rosso.png lossy.jxl -d 1 &&
    cjxl grigio.png grigio.jxl -d 0 && cjxl animata.gif animata.jxl -d 0 && cjxl sedici.png sedici.jxl -d 0 &&
    cjxl "$SAMPLE" campione.jxl --lossless_jpeg=0 -d 1; } 2>cjxl.err >&2 ||
    fail "cjxl could not make the photos: $(cat cjxl.err)"

# The page's photo: its pixel size, colour space, components, bits and coding as pdfimages lists them,
# then the colour rendered at the middle of its box (the sample JPEG's is not one colour).
while IFS="|" read -r photo listed colour; do
    "$BATCH" "$photo.jxl" "pdfcreator A4" lavoro >out 2>err || fail "$photo: $(cat err)"
    pdf="lavoro/${photo}pdfcreator A4.pdf"
    seen=$(pdfimages -list "$pdf" | awk 'NR == 3 {print $4 "x" $5, $6, $7, $8, $9}')
    [ "$seen" = "$listed" ] || fail "$photo: its image is listed as '$seen', not '$listed'"
    [ "$colour" = - ] && continue
    # The photo's box on the sheet is 23.3 x 12.0 cm from 3.2 cm in: its middle at 20 dpi.
    read -r r g b < <(pdftoppm -r 20 -x 117 -y 72 -W 1 -H 1 "$pdf" | tail -c 3 | od -An -tu1)
    IFS=, read -r er eg eb <<<"$colour"
    for pair in "$r $er" "$g $eg" "$b $eb"; do
        set -- $pair
        [ $(($1 > $2 ? $1 - $2 : $2 - $1)) -le 40 ] || fail "$photo renders $r,$g,$b, not $colour"
    done
done <<'CASES'
dajpeg|1800x1200 rgb 3 8 jpeg|-
lossless|300x200 icc 3 8 image|200,40,40
lossy|300x200 icc 3 8 image|200,40,40
grigio|300x200 icc 1 8 image|120,120,120
animata|300x200 icc 3 8 image|200,40,40
sedici|300x200 icc 3 16 image|40,160,90
CASES
pdfimages -j "lavoro/dajpegpdfcreator A4.pdf" estratta && cmp -s estratta-000.jpg "$SAMPLE" ||
    fail "the JPEG XL made from a JPEG did not carry that JPEG's bytes"

head -c $(($(stat -c %s campione.jxl) * 6 / 10)) campione.jxl >tagliata.jxl
"$BATCH" tagliata.jxl "pdfcreator A4" lavoro >out 2>err || fail "cut file: $(cat err)"
grep -q "^Foto incompleta: stampo la parte leggibile.$" err || fail "cut file: $(cat err)"

LD_DEBUG=libs "$BATCH" "$SAMPLE" "pdfcreator A4" lavoro >out 2>libs || fail "JPEG run: $(tail -3 libs)"
! grep -q "libjxl" libs || fail "a JPEG run loaded $(grep -o 'libjxl[^ ]*' libs | sort -u | tr '\n' ' ')"
LD_DEBUG=libs "$BATCH" lossy.jxl "pdfcreator A4" lavoro >out 2>libs || fail "JPEG XL run: $(tail -3 libs)"
grep -q "calling init: .*libposteri-jxl.so" libs || fail "a JPEG XL run did not load the JPEG XL reader"

echo "jxl_photos: ok"
