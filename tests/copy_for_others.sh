# SPDX-License-Identifier: GPL-3.0-or-later
# Tests that run the build's program as another user ("nobody") run a copy of it: in a checkout that
# only its owner may enter (root's home, a `mktemp -d` folder) nobody else can reach the build.

# copy_for_others PROGRAM FOLDER: copies the program, with the print server's module that sits
# beside it, into FOLDER (made readable by all) and prints the copy's path.
copy_for_others() {
    local program=$1 folder=$2
    mkdir -p "$folder"
    cp "$program" "$folder/"
    local module
    module="$(dirname "$program")/libposteri-cups.so"
    if [ -e "$module" ]; then cp "$module" "$folder/"; fi
    chmod -R a+rX "$folder"
    echo "$folder/$(basename "$program")"
}
