#!/bin/sh
# Installs the Debian package as a user would, generates the default show with the installed
# varnel-mkdata, plays it headless for a few seconds, finds the manual pages, then removes the
# package again. Skipped, with status 77, where packages cannot be installed (not root) or where
# varnel is installed already (that one is left alone).
# Usage: scripts/deb_install_test.sh DEB
set -u
deb=$(realpath "$1")
fail() { echo "FAIL: $*"; exit 1; }
if [ "$(id -u)" -ne 0 ]; then
    echo "deb_install_test: skipped: installing a package needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' varnel 2>/dev/null | grep -q " installed"; then
    echo "deb_install_test: skipped: a varnel package is installed already"
    exit 77
fi

work=$(mktemp -d)
cleanup() {
    dpkg --purge varnel >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=120 "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install $deb"; }
[ "$(command -v varnel)" = /usr/bin/varnel ] || fail "varnel is not /usr/bin/varnel"

cd "$work" || exit 1
varnel-mkdata --quiet show || fail "varnel-mkdata show"
cd show || exit 1
# Still playing when timeout stops it: 124. Anything else ended the show early.
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 6 varnel 2>"$work/stderr"
status=$?
[ "$status" -eq 124 ] || { cat "$work/stderr"; fail "varnel ended with status $status within 6 seconds"; }

for page in varnel varnel-capture; do
    man -w "$page" >/dev/null || fail "man finds no page for $page"
done
echo "installed $deb, played the default show, found the manual pages"
