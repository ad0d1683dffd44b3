#!/usr/bin/env bash
# The build's check of the resource store against its manifest, and the resource tool's manifest:
#   store-check.sh SOURCE_DIR RESOURCE_TOOL
# Each broken store must fail the check with a message that names the file (or the manifest's
# line); the tool must write the manifest of the placeholder set and record a product image.
set -uo pipefail
source_dir=$1
tool=$(realpath "$2")
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

fresh; : > "$work/resources/jpg/100.bin"
expect_failure "an empty file" "resources/jpg/100.bin: 0 bytes, the manifest says 32768"

fresh; cp "$work/resources/jpg/100.bin" "$work/resources/jpg/0100.bin"
expect_failure "a file named with a leading zero" "resources/jpg/0100.bin: not a resource"

fresh; sed -i 's/^100 JPG /0100 JPG /' "$work/resources/manifest.txt"
expect_failure "an id with a leading zero" "cannot read '0100 JPG"

fresh; sed -i 's/^1 JPG 656 /1 JPG -656 /' "$work/resources/manifest.txt"
expect_failure "a negative size" "cannot read '1 JPG -656"

# A picture 100 pixels wide, its manifest line updated: the hash holds, the form does not.
fresh; printf '\x64' | dd of="$work/resources/pictures/105.bmp" bs=1 seek=18 conv=notrunc status=none
hash=$(sha256sum "$work/resources/pictures/105.bmp" | cut -d' ' -f1)
sed -i "s/^105 BITMAP 57654 [0-9a-f]* /105 BITMAP 57654 $hash /" "$work/resources/manifest.txt"
expect_failure "a picture of another width" "resources/pictures/105.bmp: a BMP picture not 160 pixels wide"

# The tool refuses bad input with a line and exit code 1 or 2, never an abort.
expect_refusal() {  # NAME CODE TEXT COMMAND...: the tool exits CODE and says TEXT
    local name=$1 code=$2 text=$3 output status
    shift 3
    output=$("$tool" "$@" 2>&1); status=$?
    if [ $status -ne "$code" ] || ! grep -qF -- "$text" <<< "$output"; then
        echo "FAIL $name: exit $status, said:"; echo "$output"; failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}
fresh
head -c 700 /dev/urandom > "$work/noise.bin"
head -c 4096 /dev/urandom > "$work/raw.bin"
touch "$work/a-file"
expect_refusal "a picture that is no bitmap" 1 "noise.bin: 700 bytes, but pictures/105.bmp holds exactly 57654" \
    put "$work/resources" bitmap 105 "$work/noise.bin"
expect_refusal "a raw image stored at a size not the store's" 1 "16384 bytes, but jpg/106.bin holds exactly 32768" \
    put "$work/resources" jpg 106 "$work/raw.bin" --raw --size 16384
expect_refusal "an id with a leading zero" 2 "'0100' is not a resource id" \
    put "$work/resources" jpg 0100 "$work/noise.bin"
expect_refusal "an id the store does not have" 1 "the store has no JPG resource 999" \
    put "$work/resources" jpg 999 "$work/noise.bin"
expect_refusal "a size that is no number" 2 "--size 0x4000: not an option, or not a decimal number" \
    encode "$work/raw.bin" "$work/stored.bin" --size 0x4000
expect_refusal "placeholders where no folder can be made" 1 "cannot write" \
    placeholders "$work/a-file/store"
if (cd "$work" && "$tool" encode raw.bin stored.bin) && [ "$(stat -c %s "$work/stored.bin")" -eq 16384 ]; then
    echo "ok   encode to a plain file name"
else
    echo "FAIL encode to a plain file name"; failures=$((failures + 1))
fi
if cmp -s "$source_dir/resources/manifest.txt" "$work/resources/manifest.txt"; then
    echo "ok   the refusals left the store's manifest as it was"
else
    echo "FAIL a refusal changed the store's manifest"; failures=$((failures + 1))
fi

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
"$tool" put "$work/made" jpg 106 "$work/raw.bin" --raw > /dev/null
hash=$(sha256sum "$work/made/jpg/106.bin" | cut -d' ' -f1)
if grep -qx "106 JPG 32768 $hash product" "$work/made/manifest.txt" &&
   cmake -DDIR="$work/made" -DMANIFEST="$work/made/manifest.txt" -P "$check" > /dev/null 2>&1; then
    echo "ok   a product image is recorded with its hash, and the store still passes"
else
    echo "FAIL put did not record the product image"; failures=$((failures + 1))
fi

exit $((failures > 0))
