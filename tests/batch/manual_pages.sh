# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages: they format without a warning, and posteri-batch's page documents every option
# its --help names. Arguments: the posteri-batch binary (the sample photo is not used).
set -euo pipefail

BATCH=$(readlink -f "$1")
PAGES=$(readlink -f "$(dirname "$0")/../../docs/man")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for page in "$PAGES"/*.1; do
    warnings=$(groff -k -ww -z -man "$page" 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

text=$(MANWIDTH=200 man -l "$PAGES/posteri-batch.1" 2>/dev/null)
for option in $("$BATCH" --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$text" || fail "posteri-batch(1) does not document $option"
done
echo "ok"
