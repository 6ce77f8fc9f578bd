#!/usr/bin/env bash
# Guards the harness's gains against the raw engine without timing anything: each guarded cell's
# instructions (callgrind, inside the timed call, small sizes) divided by the raw engine's on the
# same work must stay within the cell's budget in bench/compare/instruction-budgets.txt. The counts
# do not move with the machine's load, so the guard gives the same verdict on a busy machine.
#
# Usage: scripts/bench-guard.sh [BENCH_COMPARE_BINARY]   (default build-bench/bin/bench_compare)
#   Prints a Markdown table and exits 1 when a cell is over its budget or fails. Takes about two
#   minutes (one callgrind run per cell). `scripts/bench.sh --guard` builds the harness and runs this.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "${1:-$root/build-bench/bin/bench_compare}")
budgets="$root/bench/compare/instruction-budgets.txt"
[[ -x "$binary" ]] || { echo "bench-guard: not an executable: $binary (build it with scripts/bench.sh --guard)" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "bench-guard: valgrind is not installed (scripts/install-deps.sh --bench)" >&2; exit 2; }
source "$root/scripts/instruction-count.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

declare -A raw
status=0
echo "| Work/contender | raw engine | contender | ratio | budget | verdict |"
echo "|---|---:|---:|---:|---:|---|"
while read -r cell budget _; do
    [[ -z "$cell" || "$cell" == \#* ]] && continue
    w=${cell%%/*}
    [[ -n "${raw[$w]:-}" ]] || raw[$w]=$(count_instructions "$binary" "$w/0" "$work" guard)
    n=$(count_instructions "$binary" "$cell" "$work" guard)
    if [[ "${raw[$w]}" == failed || "$n" == failed ]]; then
        echo "| $cell | ${raw[$w]} | $n | n/a | $budget | **failed** (see the harness's --small run) |"
        status=1
        continue
    fi
    ratio=$(awk -v n="$n" -v r="${raw[$w]}" 'BEGIN { printf "%.3f", n / r }')
    if awk -v q="$ratio" -v b="$budget" 'BEGIN { exit !(q <= b) }'; then
        verdict=within
    else
        verdict="**over budget**"
        status=1
    fi
    echo "| $cell | ${raw[$w]} | $n | $ratio | $budget | $verdict |"
done < "$budgets"
exit $status
