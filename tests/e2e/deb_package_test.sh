#!/bin/sh
# deb_package_test.sh -- the Debian package that make deb builds: its files, its declared
# dependencies against the libraries its programs link and the EGL that SDL loads, manual pages
# that name every option of their program's --help, and no lintian error.
# Usage: deb_package_test.sh DEB SOURCE_DIR
set -u
deb=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$deb" ] || fail "no package at $deb"
programs="varnel varnel-tool varnel-capture varnel-mkdata varnel-bench"

# Every file, and nothing else.
expected="/usr/share/doc/varnel/README.md /usr/share/doc/varnel/changelog.gz /usr/share/doc/varnel/copyright"
[ -f "$source_dir/ARCHITECTURE.md" ] && expected="$expected /usr/share/doc/varnel/ARCHITECTURE.md"
for p in $programs; do expected="$expected /usr/bin/$p /usr/share/man/man1/$p.1.gz"; done
echo "$expected" | tr ' ' '\n' | sort > "$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort > "$work/files"
diff -u "$work/expected" "$work/files" || fail "the package's files differ from the list above"

# Each library that a program links, by the package that holds it, is a dependency.
dpkg-deb -x "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends)
# One package name a line, alternatives and versions apart.
names=$(echo "$depends" | tr ',|' '\n' | awk '{ print $1 }')
libs=$(for p in $programs; do objdump -p "$work/root/usr/bin/$p" | awk '$1 == "NEEDED" { print $2 }'; done | sort -u)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
set --
for lib in $libs; do set -- "$@" "*/$multiarch/$lib"; done
owners=$(dpkg -S "$@") || fail "a library that the programs link belongs to no package"
for owner in $(echo "$owners" | cut -d: -f1 | sort -u); do
    echo "$names" | grep -qxF "$owner" || fail "$owner holds a library that the programs link, but Depends is: $depends"
done
for need in fonts-liberation libegl1 libegl-mesa0; do
    echo "$names" | grep -qxF "$need" || fail "$need is not in Depends: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = ffmpeg ] || fail "Recommends is not ffmpeg"

# Each manual page is made from its program's --help: every option there is on the page.
for p in $programs; do
    page=$(gzip -dc "$work/root/usr/share/man/man1/$p.1.gz" | sed 's/\\-/-/g')
    echo "$page" | grep -q "^$p - " || fail "$p.1 is not the page of $p"
    for option in $("$work/root/usr/bin/$p" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        echo "$page" | grep -qF -- "$option" || fail "$p.1 lacks $option"
    done
done

lintian --fail-on error "$deb" 2>/dev/null || fail "lintian reports an error"
echo "$deb: files, dependencies, manual pages and lintian as expected"
