#!/usr/bin/env bash
# Runs every command of the README's code blocks as a reader would, from the state the README's
# two commands leave (scripts/demo.sh, scripts/test.sh), and fails on the first that fails.
# The programs a reader has installed (halvenmark-updater, halvenmark-doctor, ...) are the
# build's (BUILD_DIR, default build/ci). A comment right above a block says how to take it:
#   <!-- check: skip: REASON -->          not run here (sudo on a real system, Windows, ...);
#                                         listed at the end with its reason
#   <!-- check: exit N -->                each command ends with exit code N
#   <!-- check: with a firmware pack -->  run in a folder holding receivers-2026.12.zip, a pack
#                                         the resource tool made, with a data folder of its own
#   <!-- check: with a product image -->  run in a folder whose resources/ holds a product image
#   <!-- check: output -->                what the block above printed: it must show these lines
#   <!-- check: usage of COMMAND -->      the block is COMMAND's usage lines, spacing aside
#   <!-- check: line of COMMAND -->       COMMAND prints a line of this form (N, W, C, I: digits)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build/ci}")
readme=$root/README.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH="$build/tools:$build/app:$PATH"
export XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"  # nothing of the reader's is touched

ran=0
skipped=()
failures=0
last_output=""

fail() {  # LINE_NUMBER TEXT
    echo "README.md:$1: $2"
    failures=$((failures + 1))
}

# The folders the fixtures run in, made once.
product_store() {
    if [ ! -d "$work/store" ]; then
        mkdir -p "$work/store"
        cp -r "$root/resources" "$work/store/resources"
        head -c 65536 /dev/urandom > "$work/store/400.bin"
        halvenmark-resources put "$work/store/resources" jpg 400 "$work/store/400.bin" > /dev/null
    fi
    echo "$work/store"
}
pack_folder() {
    if [ ! -d "$work/pack" ]; then
        mkdir -p "$work/pack"
        halvenmark-resources pack "$(product_store)/resources" "$work/pack/receivers-2026.12.zip" > /dev/null
    fi
    echo "$work/pack"
}

run_block() {  # LINE_NUMBER MARKER FILE
    local line=$1 marker=$2 file=$3 folder=$root expected=0 command output status
    case "$marker" in
        "exit "*) expected=${marker#exit } ;;
        "with a firmware pack") folder=$(pack_folder) ;;
        "with a product image") folder=$(product_store) ;;
        "") ;;
        *) fail "$line" "unknown check marker '$marker'"; return ;;
    esac
    last_output=""
    while IFS= read -r command; do
        [ -z "$command" ] && continue
        output=$(cd "$folder" && bash -c "$command" 2>&1 < /dev/null)
        status=$?
        last_output+="$output"$'\n'
        ran=$((ran + 1))
        if [ "$status" -ne "$expected" ]; then
            fail "$line" "'$command' exited $status (expected $expected):"
            tail -n 15 <<< "$output"
        else
            echo "ok   $command"
        fi
    done < "$file"
}

check_output() {  # LINE_NUMBER FILE: the file's lines appear in order, together, in the output
    local shown
    shown=$(cat "$2")
    if [[ "$last_output" != *"$shown"* ]]; then
        fail "$1" "the output shown is not what the command above printed; it printed:"
        tail -n 25 <<< "$last_output"
    else
        echo "ok   (its output is as shown)"
    fi
}

squeeze() { sed -E 's/^usage: +//; s/^ +//; s/ +/ /g'; }

check_usage() {  # LINE_NUMBER COMMAND FILE
    local usage
    usage=$(bash -c "$2" 2>&1 | squeeze)
    while IFS= read -r shown; do
        if ! grep -qxF -- "$(squeeze <<< "$shown")" <<< "$usage"; then
            fail "$1" "'$2' gives no usage line '$shown'"
            return
        fi
    done < "$3"
    echo "ok   (the usage of $2 is as shown)"
}

check_line() {  # LINE_NUMBER COMMAND FILE
    local pattern output
    pattern=$(sed -E 's/(^|[=.])[NWCI]+/\1@/g; s/[.]/\\./g; s/@/[0-9]+/g' "$3")
    output=$(cd "$root" && bash -c "$2" 2>&1)
    if grep -qxE -- "$pattern" <<< "$output"; then
        echo "ok   (a line of $2 has the form shown)"
    else
        fail "$1" "'$2' printed no line of the form $(cat "$3")"
    fi
}

# Walks the README: each fenced block with the marker of the comment right above it.
marker="" in_block=false start=0 number=0 previous=""
block="$work/block"
while IFS= read -r text || [ -n "$text" ]; do
    number=$((number + 1))
    if ! $in_block && [[ $text == '```'* ]]; then
        in_block=true start=$number
        : > "$block"
        marker=""
        if [[ $previous =~ ^\<\!--\ check:\ (.*)\ --\>$ ]]; then marker=${BASH_REMATCH[1]}; fi
    elif $in_block && [[ $text == '```' ]]; then
        in_block=false
        case "$marker" in
            "skip: "*) while IFS= read -r c; do skipped+=("$c   (${marker#skip: })"); done < "$block" ;;
            output) check_output "$start" "$block" ;;
            "usage of "*) check_usage "$start" "${marker#usage of }" "$block" ;;
            "line of "*) check_line "$start" "${marker#line of }" "$block" ;;
            *) run_block "$start" "$marker" "$block" ;;
        esac
    elif $in_block; then
        echo "$text" >> "$block"
    fi
    [ -n "$text" ] && previous=$text
done < "$readme"

# A command that writes into the repository writes what is there already.
if [ -n "$(git -C "$root" status --porcelain -- resources)" ]; then
    fail 0 "a command changed resources/: $(git -C "$root" status --porcelain -- resources | head -3)"
fi

echo "readme: ${#skipped[@]} commands not run here:"
for s in "${skipped[@]}"; do echo "  $s"; done
echo "readme: $ran commands run, $failures failed"
[ "$failures" -eq 0 ]
