#!/usr/bin/env bash
# Compares two builds of the peer harness (bench_compare) by the instructions each work executes,
# counted by valgrind's callgrind inside the timed call only (cmp::PerformWork). Unlike times,
# instruction counts do not move with the load of the machine, so two builds can be compared on a
# busy machine: a change that makes a cell slower shows as more instructions.
#
# Usage: scripts/bench-instructions.sh BEFORE_BINARY AFTER_BINARY [WORK/CONTENDER ...]
#   e.g. scripts/bench-instructions.sh /tmp/old/build-bench/bin/bench_compare build-bench/bin/bench_compare
#   Pairs are the harness's benchmark names without the suffix ("0/2": work 0, contender 2); the
#   default is every work for the raw engine (0), the client library (1), TAsaSQL (2) and, where it
#   takes part, TAsaDataset (5). The harness runs with --small (a run takes about 25 s under
#   callgrind). Prints a Markdown table: instructions before, after, and after/before.
set -euo pipefail

if [[ $# -lt 2 ]]; then
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
fi
before=$(realpath "$1")
after=$(realpath "$2")
shift 2
for bin in "$before" "$after"; do
    [[ -x "$bin" ]] || { echo "bench-instructions: not an executable: $bin" >&2; exit 2; }
done
command -v valgrind >/dev/null || { echo "bench-instructions: valgrind is not installed" >&2; exit 2; }

pairs=("$@")
if [[ ${#pairs[@]} -eq 0 ]]; then
    pairs=(0/0 0/1 0/2 0/5 1/0 1/1 1/2 2/0 2/1 2/2 3/0 3/1 3/2 4/0 4/1 4/2 5/0 5/1 5/2 5/5)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/instruction-count.sh"

echo "| Work/contender | before | after | after/before |"
echo "|---|---:|---:|---:|"
for p in "${pairs[@]}"; do
    b=$(count_instructions "$before" "$p" "$work" before)
    a=$(count_instructions "$after" "$p" "$work" after)
    if [[ "$b" == failed || "$a" == failed ]]; then
        ratio="n/a"
    else
        ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.4f", a / b }')
    fi
    echo "| $p | $b | $a | $ratio |"
done
