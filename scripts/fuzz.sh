#!/bin/sh
# Runs every fuzz target of build-fuzz for SECONDS each (default 60), or for RUNS inputs each with
# --runs, one per core at a time, niced, from its seeds, the inputs that once failed and the default
# show's own files, and fails on any crash, leak, timeout (over 1 s for one input) or out-of-memory
# (over 512 MB). Prints per target the inputs run, inputs per second and the coverage; a run longer
# than a minute prints each running target's count once a minute. libFuzzer's timeout is wall-clock
# time, which a niced fuzzer on a busy machine can spend waiting: FUZZ_TIMEOUT=N gives it N seconds.
# Usage: scripts/fuzz.sh [SECONDS | --runs RUNS] [TARGET...]   (from the repository root, after make data)
set -u
runs_asked=""
seconds=60
if [ "${1:-}" = --runs ]; then
    runs_asked=${2:?"--runs needs a count"}
    shift 2
elif [ $# -gt 0 ]; then
    seconds=$1
    shift
fi
targets=${*:-"script archive pcx tga jpeg model3ds"}
# Below this many inputs a second a target is too slow to reach millions of inputs in a night.
slow_rate=1000
# FUZZ_DIR: the fuzz build whose bin/ runs and where corpus, logs and artifacts go (a copy of it keeps
# a long run apart from make fuzz).
fuzz=${FUZZ_DIR:-build-fuzz}
# ASan's quarantine of freed blocks (256 MB by default) on top of a grown corpus runs close to the
# 512 MB limit below over millions of inputs; 64 MB still holds many runs' worth of freed blocks.
ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}
export ASAN_OPTIONS
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
    if [ -n "$runs_asked" ]; then
        limit="-runs=$runs_asked -max_total_time=0"
    else
        limit="-max_total_time=$seconds"
    fi
    begin=$(date +%s)
    # The first directory is the working corpus, which grows; the others are only read.
    # shellcheck disable=SC2086
    nice -n 19 "$binary" $limit -timeout="${FUZZ_TIMEOUT:-1}" -rss_limit_mb=512 -malloc_limit_mb=512 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" $dict \
        "$corpus" "fuzz/seeds/$target" "$show_seeds/$target" $regressions > "$log" 2>&1
    rc=$?
    elapsed=$(($(date +%s) - begin))
    [ "$elapsed" -gt 0 ] || elapsed=1
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
    # Over the whole run, the seeds' first pass included.
    rate=$(( ${runs:-0} / elapsed ))
    speed="$rate inputs/s"
    [ "$rate" -lt "$slow_rate" ] && speed="$speed, slower than $slow_rate a second"
    if [ "$rc" -eq 0 ]; then
        echo "fuzz: $target: ${runs:-?} inputs in $elapsed s, $speed, ${cov:-no coverage line}, corpus $(ls "$corpus" | wc -l) inputs: clean" > "$out"
    else
        {
            echo "fuzz: $target: FAILED (status $rc) after ${runs:-?} runs; the last of $log:"
            tail -n 40 "$log"
            echo "fuzz: the failing input is in $artifacts/; fix the fault and keep the input in fuzz/regressions/$target/"
        } > "$out"
    fi
}

# The inputs a running target has passed: libFuzzer's latest "#N" line, which it writes on new
# coverage and at each power of two.
reached() {
    grep -o '^#[0-9]*' "$fuzz/logs/$1.log" 2>/dev/null | tail -n 1 | tr -d '#'
}

# As many targets at a time as there are cores (or FUZZ_JOBS), each fuzzer on one; the next starts when one ends.
jobs=${FUZZ_JOBS:-$(nproc 2>/dev/null || echo 1)}
mkdir -p "$fuzz/logs"
queue=$targets
running=""
ticks=0
while [ -n "$queue" ] || [ -n "$running" ]; do
    still=""
    for entry in $running; do
        if kill -0 "${entry#*:}" 2>/dev/null; then still="$still $entry"; else wait "${entry#*:}"; fi
    done
    running=$still
    while [ -n "$queue" ] && [ "$(echo $running | wc -w)" -lt "$jobs" ]; do
        set -- $queue
        run_target "$1" &
        running="$running $1:$!"
        shift
        queue=$*
    done
    [ -n "$running" ] || break
    sleep 1
    ticks=$((ticks + 1))
    if [ $((ticks % 60)) -eq 0 ]; then
        for entry in $running; do
            name=${entry%%:*}
            echo "fuzz: $name: past $(reached "$name")${runs_asked:+ of $runs_asked} inputs"
        done
    fi
done
for target in $targets; do
    cat "$fuzz/logs/$target.out"
    tail -n 1 "$fuzz/logs/$target.out" | grep -q ': clean$' || failed="$failed $target"
done

if [ -n "$failed" ]; then
    echo "fuzz: failed:$failed"
    exit 1
fi
echo "fuzz: every target clean"
