#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times Scanmill's batch against its nearest peers on 100 scans of 32767
# points, all in one run on this machine: medians of alternating runs, then
# the ratios the program is held to. The scans hold whole counts, as the
# instrument records them; scans of random values, which need all seven
# digits in every field, are timed beside them.
#   bench/compare.sh [BUILD_DIR] [RUNS]      defaults: build-release/ and 5 runs
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build-release}
runs=${2:-5}
"$top/scripts/setup" packages.txt packages-proof.txt
"$top/scripts/build" "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
batch=$build/bench/scanmill_batch
convert=$build/cli/scanmill-convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for kind in counts random; do
    "$batch" make "$work/$kind" 100 32767 $kind
    mkdir "$work/$kind-made"
    "$batch" ascii "$work/$kind" "$work/$kind-made" >/dev/null
done
# xyconv reads Bruker RAW1.01, so it gets the same scans in that form.
mkdir "$work/bruker-made"
"$batch" bruker "$work/counts" "$work/bruker-made" >/dev/null
mkdir "$work/runs"

source "$top/bench/timing.sh"

for ((run = 1; run <= runs; run++)); do
    timed ascii "$batch" ascii "$work/counts" @OUT@
    timed xyconv xyconv -s -m @OUT@ "$work"/bruker-made/*.raw
    timed cp-dat cp -r "$work/counts-made" @OUT@
    timed ascii-random "$batch" ascii "$work/random" @OUT@
    timed cp-dat-random cp -r "$work/random-made" @OUT@
    timed bruker "$batch" bruker "$work/counts" @OUT@
    timed cp-raw cp -r "$work/counts" @OUT@
    timed cli-ascii "$convert" -q -o @OUT@ "$work/counts"
    timed cli-svg "$convert" -q -f svg -o @OUT@ "$work/counts"
    timed cli-cif "$convert" -q -f cif -o @OUT@ "$work/counts"
done
for name in ascii xyconv ascii-random bruker cli-ascii cli-svg cli-cif; do
    [[ $(ls "$work/runs/$name-$runs" | wc -l) == 100 ]] ||
        { echo "a run of $name did not produce 100 files" >&2; exit 1; }
done

peakKib() { # peak memory of a batch over the first $2 scans
    rm -rf "$work/out" && mkdir "$work/out"
    "$batch" "$1" "$work/counts" "$work/out" "$2" | sed -n 's/.*peak memory \([0-9]*\) KiB/\1/p'
}

ascii=$(median ascii) xyconv=$(median xyconv) cpDat=$(median cp-dat)
asciiRandom=$(median ascii-random) cpDatRandom=$(median cp-dat-random)
bruker=$(median bruker) cpRaw=$(median cp-raw)
cliAscii=$(median cli-ascii) cliSvg=$(median cli-svg) cliCif=$(median cli-cif)
echo "100 scans of 32767 points, medians of $runs alternating runs:"
printf '  %-48s %9s ms\n' "Scanmill batch to ASCII, whole counts" "$ascii" \
    "xyconv -s -m on the same scans (RAW1.01)" "$xyconv" \
    "cp -r of the .dat files" "$cpDat" \
    "Scanmill batch to ASCII, random values" "$asciiRandom" \
    "cp -r of those .dat files" "$cpDatRandom" \
    "Scanmill batch to Bruker RAW1.01" "$bruker" \
    "cp -r of the input scans" "$cpRaw" \
    "scanmill-convert to .dat" "$cliAscii" \
    "scanmill-convert -f svg, a plot of each" "$cliSvg" \
    "scanmill-convert -f cif, pdCIF" "$cliCif"
echo "Ratios:"
echo "  xyconv / Scanmill ASCII                  $(ratio "$xyconv" "$ascii")   (at least 10)"
echo "  Scanmill ASCII / cp -r of .dat           $(ratio "$ascii" "$cpDat")   (at most 2)"
echo "  same, random values                      $(ratio "$asciiRandom" "$cpDatRandom")"
echo "  Scanmill Bruker / cp -r of scans         $(ratio "$bruker" "$cpRaw")   (at most 1.5)"
echo "  scanmill-convert -f svg / to .dat        $(ratio "$cliSvg" "$cliAscii")   (at most 1)"
echo "  scanmill-convert -f cif / to .dat        $(ratio "$cliCif" "$cliAscii")   (at most 1)"
for format in ascii bruker; do
    one=$(peakKib $format 1) hundred=$(peakKib $format 100)
    echo "  peak memory, $format: 100 scans $hundred KiB, 1 scan $one KiB," \
        "difference $((hundred - one)) KiB (at most 16384)"
done
