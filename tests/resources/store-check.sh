#!/usr/bin/env bash
# The build's check of the resource store against its manifest, and the resource tool's manifest:
#   store-check.sh SOURCE_DIR RESOURCE_TOOL
# Each broken store must fail the check with a message that names the file (or the manifest's
# line); the tool must write the manifest of the placeholder set and record a product image.
set -uo pipefail
source_dir=$1
tool=$2
check="$source_dir/cmake/CheckManifest.cmake"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fresh() {  # a copy of the repository's store, named resources/ as in the repository
    rm -rf "$work/resources"
    cp -r "$source_dir/resources" "$work/resources"
}
run_check() {
    cmake -DDIR="$work/resources" -DMANIFEST="$work/resources/manifest.txt" -P "$check" 2>&1
}
expect_failure() {  # NAME TEXT: the check fails and says TEXT
    local output
    if output=$(run_check); then
        echo "FAIL $1: the check passed"; failures=$((failures + 1))
    elif ! grep -qF -- "$2" <<< "$output"; then
        echo "FAIL $1: the check did not say '$2':"; echo "$output"; failures=$((failures + 1))
    else
        echo "ok   $1"
    fi
}

fresh
if run_check > /dev/null; then echo "ok   the repository's store passes"; else
    echo "FAIL the repository's store does not pass:"; run_check; failures=$((failures + 1)); fi

fresh; printf '\xff' | dd of="$work/resources/jpg/105.bin" bs=1 seek=1000 conv=notrunc status=none
expect_failure "a changed byte" "resources/jpg/105.bin: its SHA-256 is not the manifest's"

fresh; rm "$work/resources/pictures/101.bmp"
expect_failure "a missing file" "resources/pictures/101.bmp: listed in the manifest, but missing"

fresh; cp "$work/resources/jpg/100.bin" "$work/resources/jpg/999.bin"
expect_failure "an unlisted file" "resources/jpg/999.bin: not listed in the manifest"

fresh; truncate -s 32000 "$work/resources/jpg/100.bin"
expect_failure "a wrong size" "resources/jpg/100.bin: 32000 bytes, the manifest says 32768"

fresh; line=$(( $(wc -l < "$work/resources/manifest.txt") + 1 )); echo "100 JPG lots" >> "$work/resources/manifest.txt"
expect_failure "a line that does not parse" "manifest.txt:$line: cannot read '100 JPG lots'"

# The tool writes exactly the repository's placeholder set and manifest, and records a product
# image with its hash.
"$tool" placeholders "$work/made" || { echo "FAIL placeholders"; failures=$((failures + 1)); }
if diff -r "$source_dir/resources/jpg" "$work/made/jpg" > /dev/null &&
   diff -r "$source_dir/resources/pictures" "$work/made/pictures" > /dev/null &&
   diff "$source_dir/resources/manifest.txt" "$work/made/manifest.txt"; then
    echo "ok   the placeholder set and its manifest are the repository's"
else
    echo "FAIL the tool's placeholder set or manifest differs from the repository's"; failures=$((failures + 1))
fi
head -c 8192 /dev/urandom > "$work/raw.bin"
"$tool" put "$work/made" jpg 106 "$work/raw.bin" --raw --size 32768 > /dev/null
hash=$(sha256sum "$work/made/jpg/106.bin" | cut -d' ' -f1)
if grep -qx "106 JPG 32768 $hash product" "$work/made/manifest.txt" &&
   cmake -DDIR="$work/made" -DMANIFEST="$work/made/manifest.txt" -P "$check" > /dev/null 2>&1; then
    echo "ok   a product image is recorded with its hash, and the store still passes"
else
    echo "FAIL put did not record the product image"; failures=$((failures + 1))
fi

exit $((failures > 0))
