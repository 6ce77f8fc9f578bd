# Sourced by bench-instructions.sh and bench-guard.sh: counts the instructions one cell of the peer
# harness executes, with valgrind's callgrind inside the timed call only (cmp::PerformWork), on the
# harness's small sizes. Instruction counts do not move with the machine's load, unlike times.

# count_instructions BINARY WORK/CONTENDER SCRATCH_DIR TAG: prints the count, or "failed".
# The database is prepared once per SCRATCH_DIR/TAG and reused by later cells. With --small the
# harness times in its own process (no --processes children), which is what callgrind follows;
# the flag is not passed, so that builds from before it existed can still be counted.
count_instructions() {
    local out="$3/$4-${2//\//-}.cg"
    valgrind --tool=callgrind --toggle-collect='cmp::PerformWork*' --callgrind-out-file="$out" \
        "$1" --small --reps=1 --data-dir="$3/data-$4" --benchmark_filter="^w${2}/" \
        >/dev/null 2>"$out.err" || true
    local total
    total=$(awk '/^totals:/ {print $2}' "$out" 2>/dev/null || true)
    if [[ -z "$total" || "$total" == 0 ]]; then echo failed; else echo "$total"; fi
}
