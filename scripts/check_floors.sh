#!/bin/sh
# check_floors.sh -- every include in src/ points to its own floor or one below; fails naming each one that does not
#   scripts/check_floors.sh [SRC]    (SRC defaults to the src/ beside this script)
set -eu
src=${1:-$(dirname "$0")/../src}

# The floors from the ground up: a file may include its own floor and those before it.
floors="core platform resources render kernel sections"

rank() {
    n=0
    for f in $floors; do
        [ "$f" = "$1" ] && { echo $n; return; }
        n=$((n + 1))
    done
    echo -1
}

status=0
for dir in "$src"/*/; do
    floor=$(basename "$dir")
    own=$(rank "$floor")
    if [ "$own" -lt 0 ]; then
        echo "check_floors: src/$floor/ is on no floor" >&2
        status=1
        continue
    fi
    # Every quoted include, as file:line:#include "folder/name".
    for hit in $(grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir"*.h "$dir"*.cpp 2>/dev/null | tr -d ' \t'); do
        target=$(printf '%s\n' "$hit" | sed 's/.*include"\([^"]*\)".*/\1/')
        case "$target" in
        */*) to=$(rank "${target%%/*}") ;;
        *) to=-1 ;;
        esac
        where=src/${hit#"$src"/}
        where=$(printf '%s\n' "$where" | sed 's|src//*|src/|; s/:#.*//')
        if [ "$to" -lt 0 ]; then
            echo "check_floors: $where includes \"$target\", which is on no floor" >&2
            status=1
        elif [ "$to" -gt "$own" ]; then
            echo "check_floors: $where includes \"$target\", a floor above $floor/" >&2
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "check_floors: every include points to its own floor or one below"
exit $status
