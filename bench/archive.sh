#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times scanmill-convert on an archive as a lab keeps it: 2,000 scans of 1,001
# points (whole counts) in 20 dated folders, and ten times as many, each
# converted with -r -o into a fresh tree, against cp -r of the same output;
# and the nightly job's -u run over the 20,000 scans already converted,
# against their full run. All in one run on this machine: medians of
# alternating runs, then the ratios the program is held to. With BEFORE set
# to another build's scanmill-convert, that program's run over the 2,000
# scans alternates with this one's, for the ratio of the two. What --sync
# costs is timed over the 2,000 scans, into this disk and into tmpfs; what
# --index adds over the 20,000, to a full run and to -u; and, with strace,
# the system calls a scan of the whole run.
#   bench/archive.sh [BUILD_DIR] [RUNS]      defaults: build-release/ and 5 runs
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build-release}
runs=${2:-5}
"$top/scripts/setup" packages.txt
SCANMILL_TARGETS="scanmill-convert scanmill_batch" "$top/scripts/build" "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
batch=$build/bench/scanmill_batch
convert=$build/cli/scanmill-convert

work=$(mktemp -d)
shm=$(mktemp -d /dev/shm/scanmill-bench.XXXXXX)
mkdir "$shm/runs"
trap 'rm -rf "$work" "$shm"' EXIT
# archive NAME SCANS_PER_FOLDER: 20 folders of scans, then the converted tree
# that cp -r copies.
archive() {
    for ((folder = 1; folder <= 20; folder++)); do
        "$batch" make "$work/$1/$(printf '2005-%02d' "$folder")" "$2" 1001 counts
    done
    "$convert" -q -r -o "$work/$1-made" "$work/$1"
}
archive small 100
archive large 1000
mkdir "$work/runs"

source "$top/bench/timing.sh"

for ((run = 1; run <= runs; run++)); do
    timed small "$convert" -r -o @OUT@ "$work/small"
    if [[ -n ${BEFORE:-} ]]; then
        timed before "$BEFORE" -r -o @OUT@ "$work/small"
    fi
    timed cp-small cp -r "$work/small-made" @OUT@
    timed sync "$convert" --sync -r -o @OUT@ "$work/small"
    work=$shm timed small-tmpfs "$convert" -r -o @OUT@ "$work/small"
    work=$shm timed sync-tmpfs "$convert" --sync -r -o @OUT@ "$work/small"
    timed large "$convert" -r -o @OUT@ "$work/large"
    timed cp-large cp -r "$work/large-made" @OUT@
    timed update "$convert" -u -r -o "$work/large-made" "$work/large"
    timed index "$convert" -q --index -r -o @OUT@ "$work/large"
    timed update-index "$convert" -q -u --index -r -o "$work/large-made" "$work/large"
    grep -qx "0 converted, 0 failed, 0 skipped, 20000 up to date" "$work/runs/update-$run.err" ||
        { echo "the -u run did not find every scan up to date" >&2; exit 1; }
done
diff -r -q "$work/small-made" "$work/runs/small-$runs" >/dev/null ||
    { echo "a run did not produce the same tree" >&2; exit 1; }

# peakKib ARGS...: peak resident memory of scanmill-convert, median of 5 runs.
peakKib() {
    for i in 1 2 3 4 5; do
        rm -rf "$work/memory"
        /usr/bin/time -f %M "$convert" -q -o "$work/memory" "$@" 2>&1 >/dev/null
    done | sort -n | sed -n 3p
}

small=$(median small) cpSmall=$(median cp-small) large=$(median large) cpLarge=$(median cp-large)
update=$(median update) index=$(median index) updateIndex=$(median update-index)
sync=$(median sync) smallTmpfs=$(work=$shm median small-tmpfs) syncTmpfs=$(work=$shm median sync-tmpfs)
echo "Archives of 20 folders, scans of 1001 points, medians of $runs alternating runs:"
printf '  %-52s %9s ms\n' "scanmill-convert -r -o, 2,000 scans" "$small" \
    "cp -r of its output" "$cpSmall" \
    "scanmill-convert -r -o, 20,000 scans" "$large" \
    "cp -r of its output" "$cpLarge" \
    "scanmill-convert -u -r -o, 20,000 scans up to date" "$update" \
    "the same with --index, 20,000 scans" "$index" \
    "-u --index, 20,000 scans up to date" "$updateIndex" \
    "scanmill-convert --sync -r -o, 2,000 scans" "$sync" \
    "scanmill-convert -r -o, 2,000 scans, into tmpfs" "$smallTmpfs" \
    "scanmill-convert --sync -r -o, 2,000 scans, into tmpfs" "$syncTmpfs"
echo "Ratios:"
echo "  2,000 scans / cp -r of their output     $(ratio "$small" "$cpSmall")   (at most 1.3)"
echo "  20,000 scans / cp -r of their output    $(ratio "$large" "$cpLarge")"
echo "  20,000 scans / 2,000 scans              $(ratio "$large" "$small")   (at most 11)"
echo "  -u over 20,000 up to date / full run     $(ratio "$update" "$large")   (at most 0.05)"
echo "  --index / without, 20,000 scans         $(ratio "$index" "$large")   (at most 1.10)"
echo "  -u --index / -u, 20,000 up to date       $(ratio "$updateIndex" "$update")"
echo "  index.html of 20,000 scans               $(($(stat -c %s "$work/large-made/index.html") / 20000)) bytes a scan (at most 3072)"
echo "  --sync / without, 2,000 scans on disk    $(ratio "$sync" "$small")"
echo "  --sync / without, 2,000 scans on tmpfs   $(ratio "$syncTmpfs" "$smallTmpfs")"
if [[ -n ${BEFORE:-} ]]; then
    echo "  2,000 scans / the same with $BEFORE    $(ratio "$small" "$(median before)")"
fi
# callsPerScan PROGRAM ARGS...: system calls of the whole run (every thread)
# over the 2,000 scans, per scan.
callsPerScan() {
    strace -f -c -o "$work/strace" "$@" >/dev/null 2>&1 || true
    awk '$NF == "total" { printf "%.1f", $(NF - 2) / 2000 }' "$work/strace"
}
if command -v strace >/dev/null; then
    rm -rf "$work/calls"
    echo "  system calls a scan, -q -r -o (at most 12):" \
        "$(callsPerScan "$convert" -q -r -o "$work/calls" "$work/small")," \
        "-u over them up to date (at most 3):" \
        "$(callsPerScan "$convert" -q -r -u -o "$work/calls" "$work/small")"
    if [[ -n ${BEFORE:-} ]]; then
        rm -rf "$work/calls"
        echo "  the same with $BEFORE:" \
            "$(callsPerScan "$BEFORE" -q -r -o "$work/calls" "$work/small")," \
            "$(callsPerScan "$BEFORE" -q -r -u -o "$work/calls" "$work/small")"
    fi
fi
one=$(peakKib "$work/small/2005-01/scan001.raw")
all=$(peakKib -r "$work/small")
echo "  peak memory: 2,000 scans $all KiB, 1 scan $one KiB," \
    "difference $((all - one)) KiB (at most 16384)"
