#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Counts how often the window's Convert names one file to the system: the
# calls that look a path up (stat, open, access, rename, ...) naming the
# tenth of 20 scans, and naming its output, under strace.
#   bench/window_lookups.sh [BUILD_DIR]      default: build/
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
batch=$build/bench/scanmill_batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$batch" make "$work/in" 20 1001 counts
mkdir "$work/out"
strace -f -qq -e trace=%file -o "$work/trace" "$batch" ascii "$work/in" "$work/out" >/dev/null
# Temporaries beside the output carry its name too; only the output's own
# name counts.
input=$(grep -c '/in/scan010\.raw"' "$work/trace" || true)
output=$(grep -c '/out/scan010\.dat"' "$work/trace" || true)
echo "per file: input looked up $input times, output $output times"
