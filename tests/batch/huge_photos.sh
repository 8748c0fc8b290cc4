# SPDX-License-Identifier: GPL-3.0-or-later
# posteri-batch with a photo too large to decode whole: a 20000 x 20000 PNG under a .jpg name prints
# reduced to the sheet within 600 MB (its time is measured by the poster benchmark).
# Arguments: the posteri-batch binary and the sample photo (unused).
source "$(dirname "$0")/lib.sh"

# A PNG of one colour with an alpha channel, written row by row: a page cannot carry its own data,
# so it is decoded.
python3 - "$WORK/enorme.jpg" <<'PY'
import struct, sys, zlib
width = height = 20000
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
row = b"\0" + bytes([200, 40, 40, 255]) * width
packer = zlib.compressobj(1)
data = b"".join(packer.compress(row) for _ in range(height)) + packer.flush()
header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
with open(sys.argv[1], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b""))
PY
mkdir "$WORK/lavoro"
/usr/bin/time -f "%e %M" -o "$WORK/time" timeout 60 "$BATCH" "$WORK/enorme.jpg" "pdfcreator A4" "$WORK/lavoro" \
    >"$WORK/out" 2>"$WORK/err" || fail "huge PNG: $(cat "$WORK/err")"
read -r seconds kilobytes <"$WORK/time"
echo "20000 x 20000 PNG: $seconds s, $((kilobytes / 1024)) MB at most"
[ "$kilobytes" -lt $((600 * 1024)) ] || fail "huge PNG took $((kilobytes / 1024)) MB"
images=$(pdfimages -list "$WORK/lavoro/enormepdfcreator A4.pdf" | tail -n +3)
[ "$(printf '%s\n' "$images" | wc -l)" -eq 1 ] || fail "huge PNG: $images"
read -r _ _ _ width height _ <<<"$images"
[ "$((width * height))" -le $((4961 * 7016)) ] || fail "huge PNG embedded as $images"

echo "huge_photos: ok"
