#!/bin/sh
# deb_check.sh -- the Debian package on a bare Debian 12 system, as a new user installs it. A minimal
# root (debootstrap --variant=minbase, once, under build/deb-check/); in a copy of it the package
# installed with apt (Depends alone, no Recommends); there, as an ordinary user, the player's
# --version, varnel-mkdata's show and a short headless varnel-capture, whose frame must match the
# build's own capture of it; every program's manual page; then the package purged and every package
# and file it brought gone. Last, piuparts, Debian's install and removal test, on another copy.
# Needs root and Debian's archive (the one this machine's apt uses); not part of make test.
# Usage: scripts/deb_check.sh [--drop-depends "PACKAGE..."] DEB
#   --drop-depends: check a copy of DEB whose Depends lack those packages, to see what breaks.
set -u
say() { echo "deb-check: $*"; }
fail() { echo "deb-check: FAIL: $*"; exit 1; }

drop=""
if [ "${1:-}" = --drop-depends ]; then
    drop=${2:?"--drop-depends needs the packages to drop"}
    shift 2
fi
[ $# -eq 1 ] || { echo "usage: scripts/deb_check.sh [--drop-depends \"PACKAGE...\"] DEB" >&2; exit 2; }
[ -f "$1" ] || fail "no package at $1 (make deb builds it)"
deb=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || fail "debootstrap, chroot and piuparts need root"
for tool in debootstrap piuparts unshare; do
    command -v "$tool" > /dev/null || fail "$tool not found (scripts/deps.sh --deb-check installs it)"
done

repo=$(cd "$(dirname "$0")/.." && pwd)
work=${DEB_CHECK_DIR:-$repo/build/deb-check}
capture=${VARNEL_CAPTURE:-$repo/build/bin/varnel-capture}
suite=bookworm
base=$work/base
root=$work/root
mkdir -p "$work"

# The suites of this machine's own apt sources (updates and security too), so that the bare root
# has the library versions the package was built against. DEB_MIRROR names another archive.
if [ -n "${DEB_MIRROR:-}" ]; then
    sources="$DEB_MIRROR $suite"
else
    sources=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' 'Component: main' |
        awk -v suite=$suite '$2 ~ "^" suite { print }' | sort -u)
fi
mirror=$(echo "$sources" | awk -v suite=$suite '$2 == suite { print $1; exit }')
# Without sources of its own to copy, the root keeps the one debootstrap wrote.
write_sources() {
    [ -z "$sources" ] || echo "$sources" | awk '{ print "deb " $1 " " $2 " main" }' > "$1/etc/apt/sources.list"
    cp /etc/resolv.conf "$1/etc/resolv.conf"
}

# A copy of a root, made anew; never while something is mounted inside the old one.
fresh_copy() {
    if grep -q " $2/" /proc/mounts; then fail "$2 still has something mounted inside"; fi
    rm -rf --one-file-system "$2"
    cp -a "$1" "$2"
}

# COMMAND... inside the root, with /proc and /dev mounted in a mount namespace of its own, which
# takes them away again when the command ends.
in_root() {
    unshare --mount --propagation private --fork sh -c '
        root=$1; shift
        mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" || exit 125
        exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
            DEBIAN_FRONTEND=noninteractive "$@"' sh "$root" "$@"
}
# As the ordinary user viewer, in its home directory.
as_viewer() {
    in_root runuser -u viewer -- /usr/bin/env HOME=/home/viewer sh -c "cd && $1"
}
# Every package installed, and every file outside the places that change anyway (logs, caches,
# apt's and dpkg's own records, homes, /tmp).
snapshot() {
    in_root sh -c 'dpkg-query -W -f "\${Package}\n" | sort' > "$1.packages"
    in_root find / -xdev \( -path /proc -o -path /dev -o -path /sys -o -path /run -o -path /tmp -o -path /home \
        -o -path /root -o -path /var/log -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg \) -prune \
        -o -print | sort > "$1.files"
}

if [ -n "$drop" ]; then
    say "checking a copy of $(basename "$deb") whose Depends lack: $drop"
    rm -rf "$work/repack" && dpkg-deb -R "$deb" "$work/repack" || fail "dpkg-deb -R $deb"
    awk -v drop=" $drop " '
        /^Depends:/ {
            n = split(substr($0, 10), parts, ",")
            line = ""
            for (i = 1; i <= n; ++i) {
                name = parts[i]; sub(/^ +/, "", name); split(name, words, /[ (|]/)
                if (index(drop, " " words[1] " ")) continue
                line = line (line == "" ? " " : ", ") name
            }
            $0 = "Depends:" line
        }
        { print }' "$work/repack/DEBIAN/control" > "$work/control" && mv "$work/control" "$work/repack/DEBIAN/control"
    dpkg-deb --root-owner-group -b "$work/repack" "$work/varnel-dropped.deb" > /dev/null || fail "dpkg-deb -b"
    deb=$work/varnel-dropped.deb
fi

# The bare root, made once: debootstrap downloads and unpacks a few minutes' worth.
if [ ! -f "$work/base.done" ]; then
    say "a minimal Debian 12 root in $base (debootstrap --variant=minbase, a few minutes)"
    rm -rf --one-file-system "$base"
    # shellcheck disable=SC2086
    debootstrap --variant=minbase $suite "$base" $mirror > "$work/debootstrap.log" 2>&1 ||
        { tail -n 20 "$work/debootstrap.log"; fail "debootstrap (its log: $work/debootstrap.log)"; }
    touch "$work/base.done"
fi

fresh_copy "$base" "$root"
write_sources "$root"
cp "$deb" "$root/tmp/varnel.deb"
in_root apt-get update -q > "$work/apt.log" 2>&1 || { tail -n 20 "$work/apt.log"; fail "apt-get update in the root"; }
in_root useradd --create-home viewer || fail "useradd viewer"
snapshot "$work/before"

say "installing $(basename "$deb") with apt, without its Recommends"
in_root apt-get install -y -q --no-install-recommends /tmp/varnel.deb >> "$work/apt.log" 2>&1 ||
    { tail -n 20 "$work/apt.log"; fail "apt-get install $(basename "$deb") (log: $work/apt.log)"; }
say "$(($(in_root dpkg-query -W -f '${Package}\n' | wc -l) - $(wc -l < "$work/before.packages"))) packages installed"

version=$(as_viewer "varnel --version" 2>&1) || fail "varnel --version: $version"
case "$version" in
    "varnel "*) say "varnel --version: $version" ;;
    *) fail "varnel --version printed: $version" ;;
esac
out=$(as_viewer "varnel-mkdata --quiet show" 2>&1) || fail "varnel-mkdata show: $out"
[ -f "$root/home/viewer/show/data.dat" ] || fail "varnel-mkdata wrote no show/data.dat"
say "varnel-mkdata made the default show"

# Ten seconds into the show at 20 frames a second: the 3D logo in flight, well past the loading phase.
frame=10.000.png
out=$(as_viewer "cd show && varnel-capture --fps 20 --at 10 --to 10 --out frames" 2>&1) ||
    fail "varnel-capture in the bare root:
$out"
[ -f "$root/home/viewer/show/frames/$frame" ] || fail "varnel-capture wrote no frames/$frame: $out"
rm -rf "$work/frames"
out=$(cd "$root/home/viewer/show" && "$capture" --fps 20 --at 10 --to 10 --out "$work/frames" 2>&1) ||
    fail "the build's own varnel-capture: $out"
# At most 1 % of the pixels more than 2 % off, for a Mesa of another point release.
differ=$(compare -metric AE -fuzz 2% "$root/home/viewer/show/frames/$frame" "$work/frames/$frame" null: 2>&1)
pixels=$(identify -format '%[fx:w*h]' "$work/frames/$frame")
case "$differ" in
    *[!0-9]* | "") fail "compare: $differ" ;;
esac
[ $((differ * 100)) -le "$pixels" ] || fail "the bare root's frame at 10 s differs from the build's in $differ of $pixels pixels"
say "varnel-capture drew the frame at 10 s as the build does ($differ of $pixels pixels differ)"

programs=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed -n 's|^\./usr/bin/||p' | sort)
for p in $programs; do
    page=$root/usr/share/man/man1/$p.1.gz
    [ -f "$page" ] || fail "no manual page for $p in the root"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 > "$work/$p.txt")
    [ -z "$warnings" ] || fail "$p.1: $warnings"
    grep -Eq "^ *$p +- " "$work/$p.txt" || fail "$p.1 is not the page of $p"
done
say "manual pages of $(echo $programs | wc -w) programs: $(echo $programs)"

say "purging the package and what it brought"
in_root sh -c 'apt-get purge -y -q varnel && apt-get autoremove --purge -y -q' >> "$work/apt.log" 2>&1 ||
    { tail -n 20 "$work/apt.log"; fail "apt-get purge varnel"; }
snapshot "$work/after"
diff -u "$work/before.packages" "$work/after.packages" > "$work/packages.diff" ||
    { cat "$work/packages.diff"; fail "the packages before the install and after the purge differ"; }
diff -u "$work/before.files" "$work/after.files" > "$work/files.diff" ||
    { head -n 40 "$work/files.diff"; fail "the purge left files behind, or took some away"; }
say "the purge left every package and file as it was"

# piuparts on a root of its own, with the packages apt fetched above so that it need not fetch them again.
pbase=$work/piuparts-base
fresh_copy "$base" "$pbase"
write_sources "$pbase"
cp "$root"/var/cache/apt/archives/*.deb "$pbase/var/cache/apt/archives/" 2> /dev/null
say "piuparts: install, purge, and what that leaves behind"
piuparts --existing-chroot="$pbase" --keep-sources-list --distribution=$suite --no-upgrade-test --tmpdir="$work" \
    --log-file="$work/piuparts.log" "$deb" > /dev/null 2>&1 ||
    { tail -n 30 "$work/piuparts.log"; fail "piuparts (its log: $work/piuparts.log)"; }
say "piuparts: $(grep -o 'PASS: .*' "$work/piuparts.log" | tail -n 1)"
rm -rf --one-file-system "$root" "$pbase"
say "passed: $(basename "$deb") installs on a bare Debian 12, its tools run there, and it leaves nothing"
