#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/check-includes passes the tree as it is, and names each kind of fault planted in a copy:
# an include up the map, one sideways between rooms of one level, logic reaching an outside
# library's header through a platform header, and a folder the map does not know.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$top/scripts/check-includes" "$top/src" "$top/docs/architecture.md" >/dev/null

plant() {  # FILE LINE EXPECTED: the copy with LINE added to FILE must fail, naming EXPECTED
    rm -rf "$work/src" && cp -r "$top/src" "$work/src"
    mkdir -p "$(dirname "$work/src/$1")" && echo "$2" >>"$work/src/$1"
    if out=$("$top/scripts/check-includes" "$work/src" "$top/docs/architecture.md"); then
        echo "not refused: $2 in $1"; exit 1
    fi
    grep -qF -- "$3" <<<"$out" || { echo "for $2 in $1, expected \"$3\" in:"; echo "$out"; exit 1; }
}
plant platform/system/write_all.h '#include "platform/photos/byte_block.h"' "system stands no higher than photos"
plant platform/photos/png/png_image.h '#include "platform/pdf/printers.h"' "photos stands no higher than pdf"
plant platform/photos/png/png_image.h '#include "platform/type/fontconfig_font_set.h"' "photos stands no higher than type"
plant platform/windows/sdl_windows.cpp '#include "main/reading.h"' "windows stands no higher than main"
plant ui/frame.h '#include "settings/summary.h"' "ui stands no higher than settings"
plant platform/geometry.h '#include "platform/photos/images.h"' "geometry.h stands no higher than photos"
plant settings/summary.h '#include "platform/type/pango_screen_text.h"' "src/settings/summary.h: logic reaches outside headers: <cairo.h>"
plant print/layout.cpp '#include <SDL.h>' "src/print/layout.cpp: logic reaches outside headers: <SDL.h>"
plant extra/helper.cpp 'int helper;' "its folder extra is not on the include map"
echo "include map: the tree passes and 9 planted faults are refused"
