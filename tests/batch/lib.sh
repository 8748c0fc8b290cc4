# SPDX-License-Identifier: GPL-3.0-or-later
# What each posteri-batch test script starts with: the binary and the sample photo as $BATCH and
# $SAMPLE (the script's arguments), a scratch folder $WORK removed at the end, and fail().
set -euo pipefail

BATCH=$(readlink -f "$1")
SAMPLE=$(readlink -f "$2")
WORK=$(mktemp -d /tmp/posteri-batch.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
# Font caches that system libraries keep for the life of the process are not the program's leaks.
export LSAN_OPTIONS="suppressions=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../e2e/library_leaks.supp"):print_suppressions=0"

# The standard error file $1 without the line that names the face printed in place of the default
# one: whether that face is installed depends on the machine.
errors_but_face() {
    grep -v '^Il font «ar bonnie» non è installato: ho stampato con ' "$1" || true
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
