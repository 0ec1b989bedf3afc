#!/bin/sh
# Runs every fuzz target of build-fuzz for SECONDS each (default 60), one per core at a time, niced,
# from its seeds, the inputs that once failed and the default show's own files, and fails on any
# crash, leak, timeout (over 1 s for one input) or out-of-memory (over 512 MB). Prints per target the
# runs made and the coverage.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (from the repository root, after make data)
set -u
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"script archive pcx tga jpeg model3ds"}
fuzz=build-fuzz
show=build/demo-loose
failed=""

# Seeds from the default show: its script, a small archive of it, and its smaller pictures and models.
show_seeds=$fuzz/show-seeds
rm -rf "$show_seeds"
mkdir -p "$show_seeds/script" "$show_seeds/archive" "$show_seeds/jpeg" "$show_seeds/tga" "$show_seeds/pcx" "$show_seeds/model3ds"
if [ -f "$show/script.txt" ]; then
    cp "$show/script.txt" "$show_seeds/script/"
    small=$(mktemp -d)
    cp "$show/script.txt" "$small/"
    mkdir -p "$small/textures" && cp "$show/textures/loading.jpg" "$small/textures/"
    build/bin/varnel-tool pak create "$show_seeds/archive/show.dat" "$small" > /dev/null
    rm -rf "$small"
    n=0
    for f in $(find "$show" -type f -size -64k \( -name '*.jpg' -o -name '*.tga' -o -name '*.pcx' -o -name '*.3ds' \) | sort); do
        n=$((n + 1))
        case "$f" in
        *.jpg) cp "$f" "$show_seeds/jpeg/$n.jpg" ;;
        *.tga) cp "$f" "$show_seeds/tga/$n.tga" ;;
        *.pcx) cp "$f" "$show_seeds/pcx/$n.pcx" ;;
        *.3ds) cp "$f" "$show_seeds/model3ds/$n.3ds" ;;
        esac
    done
else
    echo "fuzz: no default show in $show (make data); the committed seeds only"
fi

# One target's run, its summary (and on failure the end of its log) in logs/TARGET.out.
run_target() {
    target=$1
    out=$fuzz/logs/$target.out
    binary=$fuzz/bin/${target}_fuzzer
    if [ ! -x "$binary" ]; then
        echo "fuzz: $target: no $binary" > "$out"
        return
    fi
    corpus=$fuzz/corpus/$target
    artifacts=$fuzz/artifacts/$target
    log=$fuzz/logs/$target.log
    mkdir -p "$corpus" "$artifacts"
    dict=""
    [ -f "fuzz/$target.dict" ] && dict="-dict=fuzz/$target.dict"
    regressions=""
    [ -d "fuzz/regressions/$target" ] && regressions="fuzz/regressions/$target"
    # The first directory is the working corpus, which grows; the others are only read.
    # shellcheck disable=SC2086
    nice -n 19 "$binary" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=512 -malloc_limit_mb=512 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" $dict \
        "$corpus" "fuzz/seeds/$target" "$show_seeds/$target" $regressions > "$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
    if [ "$rc" -eq 0 ]; then
        echo "fuzz: $target: ${runs:-?} runs in ${seconds} s, ${cov:-no coverage line}, corpus $(ls "$corpus" | wc -l) inputs: clean" > "$out"
    else
        {
            echo "fuzz: $target: FAILED (status $rc) after ${runs:-?} runs; the last of $log:"
            tail -n 40 "$log"
            echo "fuzz: the failing input is in $artifacts/; fix the fault and keep the input in fuzz/regressions/$target/"
        } > "$out"
    fi
}

# As many targets at a time as there are cores; each fuzzer runs on one.
jobs=$(nproc 2>/dev/null || echo 1)
mkdir -p "$fuzz/logs"
running=0
for target in $targets; do
    run_target "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait
        running=0
    fi
done
wait
for target in $targets; do
    cat "$fuzz/logs/$target.out"
    tail -n 1 "$fuzz/logs/$target.out" | grep -q ': clean$' || failed="$failed $target"
done

if [ -n "$failed" ]; then
    echo "fuzz: failed:$failed"
    exit 1
fi
echo "fuzz: every target clean"
