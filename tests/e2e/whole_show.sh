#!/bin/sh
# whole_show.sh -- the whole default show captured at 20 fps with every 200th frame written, at
# 320 x 240 so that the GL driver's share stays small: in the sanitizer build any report ends the
# capture with a failing status.
# Usage: whole_show.sh SHOW CAPTURE   (SHOW: the default show, loose, as varnel-mkdata makes it)
set -u
show=$1
capture=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -f "$show/script.txt" ] || { echo "FAIL: no show in $show"; exit 1; }
# The show's files linked, its script copied with the smaller display.
mkdir "$work/show" && cp -rs "$(cd "$show" && pwd)/." "$work/show/" || { echo "FAIL: cannot link $show"; exit 1; }
rm "$work/show/script.txt"
sed -e 's/^gl_width .*/gl_width 320/' -e 's/^gl_height .*/gl_height 240/' "$show/script.txt" > "$work/show/script.txt"
cd "$work/show" || exit 1
"$capture" --fps 20 --every 200 --out "$work/frames" || { echo "FAIL: varnel-capture, status $?"; exit 1; }
frames=$(ls "$work/frames" | wc -l)
[ "$frames" -ge 10 ] || { echo "FAIL: only $frames frames written"; exit 1; }
echo "the whole show: $frames frames written, no report"
