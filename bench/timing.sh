# SPDX-License-Identifier: MIT
# Timing helpers the benchmark scripts source. They expect $work (a scratch
# directory holding runs/) and $run (the number of the current run).

# timed NAME COMMAND...: runs COMMAND once, with @OUT@ standing for a fresh
# directory runs/NAME-RUN, and records the wall time in ns. Its standard
# error is kept in runs/NAME-RUN.err, and shown if it fails. Every run writes
# a directory of its own, and none is removed until the end: ext4 is slow to
# hand out inodes of files deleted a moment ago. The sync keeps the
# write-back of the last run's files out of this run's time.
timed() {
    local name=$1 out=$work/runs/$1-$run
    shift
    [[ $1 == cp ]] || mkdir "$out" # cp -r makes its own
    local args=("${@//@OUT@/$out}")
    sync
    local start end
    start=$(date +%s%N)
    "${args[@]}" >/dev/null 2>"$out.err" || { cat "$out.err" >&2; return 1; }
    end=$(date +%s%N)
    echo $((end - start)) >>"$work/$name.times"
}

# median NAME: the median of NAME's times, in ms.
median() {
    sort -n "$work/$1.times" | awk '{ v[NR] = $1 } END {
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1e6 }'
}

# ratio A B: A / B to two places.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
