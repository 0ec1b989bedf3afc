#!/bin/sh
# check_floors.sh -- every include in src/ points to its own floor or one below; fails naming each one that does not
#   scripts/check_floors.sh [SRC]    (SRC defaults to the src/ beside this script)
set -eu
src=${1:-$(dirname "$0")/../src}
cd "$src"

# The floors from the ground up: a file may include its own floor and those before it.
awk -v floors="core platform resources render kernel sections studio" '
BEGIN {
    n = split(floors, names, " ")
    for (i = 1; i <= n; ++i) rank[names[i]] = i
    status = 0
}
FNR == 1 {
    file = substr(FILENAME, 3)
    split(file, parts, "/")
    own = (parts[1] in rank) ? rank[parts[1]] : 0
    if (!own) { print "check_floors: src/" file " is on no floor" > "/dev/stderr"; status = 1 }
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    target = $0
    sub(/^[^"]*"/, "", target)
    sub(/".*/, "", target)
    split(target, parts, "/")
    to = (target ~ /\// && parts[1] in rank) ? rank[parts[1]] : 0
    if (!own) next
    if (!to) {
        print "check_floors: src/" file ":" FNR " includes \"" target "\", which is on no floor" > "/dev/stderr"
        status = 1
    } else if (to > own) {
        print "check_floors: src/" file ":" FNR " includes \"" target "\", a floor above " names[own] "/" > "/dev/stderr"
        status = 1
    }
}
END {
    if (!status) print "check_floors: every include points to its own floor or one below"
    exit status
}' $(find . -name '*.h' -o -name '*.cpp' | sort)
