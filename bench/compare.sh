#!/usr/bin/env bash
# Times Scanmill's batch against its nearest peers on 100 scans of 32767
# points, all in one run on this machine: medians of alternating runs, then
# the ratios the program is held to.
#   bench/compare.sh [BUILD_DIR] [RUNS]      defaults: build/ and 5 runs
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
runs=${2:-5}
"$top/scripts/setup" packages.txt packages-proof.txt
"$top/scripts/build" "$build" >/dev/null
batch=$build/bench/scanmill_batch

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$batch" make "$work/scans" 100 32767
mkdir "$work/ascii-made" "$work/bruker-made"
"$batch" ascii "$work/scans" "$work/ascii-made" >/dev/null
# xyconv reads Bruker RAW1.01, so it gets the same scans in that form.
"$batch" bruker "$work/scans" "$work/bruker-made" >/dev/null

# timed NAME COMMAND...: runs COMMAND once into a fresh $work/out and records
# the wall time in ns. The sync keeps the write-back of the last run's files
# out of this run's time.
timed() {
    local name=$1
    shift
    rm -rf "$work/out"
    [[ $1 == cp ]] || mkdir "$work/out"
    sync
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $((end - start)) >>"$work/$name.times"
}

for ((run = 1; run <= runs; run++)); do
    timed ascii "$batch" ascii "$work/scans" "$work/out"
    timed xyconv xyconv -s -m "$work/out" "$work"/bruker-made/*.raw
    timed cp-dat cp -r "$work/ascii-made" "$work/out"
    timed bruker "$batch" bruker "$work/scans" "$work/out"
    timed cp-raw cp -r "$work/scans" "$work/out"
done
[[ $(ls "$work/out" | wc -l) == 100 ]] || { echo "a run did not produce 100 files" >&2; exit 1; }

median() { # in ms
    sort -n "$work/$1.times" | awk '{ v[NR] = $1 } END {
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1e6 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
peakKib() { # peak memory of a batch over the first $2 scans
    rm -rf "$work/out" && mkdir "$work/out"
    "$batch" "$1" "$work/scans" "$work/out" "$2" | sed -n 's/.*peak memory \([0-9]*\) KiB/\1/p'
}

ascii=$(median ascii) xyconv=$(median xyconv) cpDat=$(median cp-dat)
bruker=$(median bruker) cpRaw=$(median cp-raw)
echo "100 scans of 32767 points, medians of $runs alternating runs:"
printf '  %-44s %9s ms\n' "Scanmill batch to ASCII" "$ascii" \
    "xyconv -s -m on the same scans (RAW1.01)" "$xyconv" \
    "cp -r of the .dat files" "$cpDat" \
    "Scanmill batch to Bruker RAW1.01" "$bruker" \
    "cp -r of the input scans" "$cpRaw"
echo "Ratios:"
echo "  xyconv / Scanmill ASCII          $(ratio "$xyconv" "$ascii")   (at least 10)"
echo "  Scanmill ASCII / cp -r of .dat   $(ratio "$ascii" "$cpDat")   (at most 2)"
echo "  Scanmill Bruker / cp -r of scans $(ratio "$bruker" "$cpRaw")   (at most 1.5)"
for format in ascii bruker; do
    one=$(peakKib $format 1) hundred=$(peakKib $format 100)
    echo "  peak memory, $format: 100 scans $hundred KiB, 1 scan $one KiB," \
        "difference $((hundred - one)) KiB (at most 1024)"
done
