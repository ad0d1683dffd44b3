#!/usr/bin/env bash
# Checks that includes run one way, from the window down to the link:
#   app -> flash -> catalogue -> protocol -> link
# and that nothing below the window includes Qt. Prints every include that breaks it.
set -euo pipefail
cd "$(dirname "$0")/.."

# The project folders each layer may include from, itself first.
declare -A allowed=(
    [link]="link"
    [protocol]="protocol link"
    [catalogue]="catalogue protocol link"
    [flash]="flash catalogue protocol link"
    [app]="app flash catalogue protocol link resources"
    [resources]="resources flash catalogue protocol link"
)

# The C++ files git knows under the given paths that exist in the working tree.
sources() {
    git ls-files -co --exclude-standard -- "$@" | while read -r file; do
        [ -f "$file" ] && echo "$file"
    done
}

status=0
for layer in "${!allowed[@]}"; do
    while IFS=: read -r file line include; do
        folder=${include%%/*}
        if ! [[ " ${allowed[$layer]} " == *" $folder "* ]]; then
            echo "$file:$line: $layer/ must not include $include"
            status=1
        fi
    done < <(sources "$layer/*.h" "$layer/*.cpp" | xargs -r grep -Hn '^#include "' | sed -E 's/^([^:]*):([0-9]*):#include "([^"]*)".*/\1:\2:\3/')
done

# Only the window (app/window) and the program's start-up (app/main.cpp) use Qt: the core
# library below them is shared by the bench, the tools and the tests.
while IFS= read -r hit; do
    echo "$hit: only app/window includes Qt"
    status=1
done < <(sources link protocol catalogue flash resources 'app/*.h' 'app/*.cpp' | grep -v -e '^app/window/' -e '^app/main.cpp$' | xargs -r grep -Hn '^#include <Q' || true)

[ $status -eq 0 ] && echo "layers: every include runs from the window down to the link"
exit $status
