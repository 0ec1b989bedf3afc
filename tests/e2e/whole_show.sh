#!/bin/sh
# whole_show.sh -- the whole default show, generated afresh, captured at 20 fps with every 200th frame
# written: in the sanitizer build any report ends the capture with a failing status.
# Usage: whole_show.sh MKDATA CAPTURE
set -u
mkdata=$1
capture=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$mkdata" "$work/show" > /dev/null || { echo "FAIL: varnel-mkdata"; exit 1; }
cd "$work/show" || exit 1
"$capture" --fps 20 --every 200 --out "$work/frames" || { echo "FAIL: varnel-capture, status $?"; exit 1; }
frames=$(ls "$work/frames" | wc -l)
[ "$frames" -ge 10 ] || { echo "FAIL: only $frames frames written"; exit 1; }
echo "the whole show: $frames frames written, no report"
