#!/usr/bin/env bash
# Installs the peer libraries of the comparison when missing, builds the benchmarks in release mode
# (folder build-bench) and runs the comparison harness, which prints a Markdown table on stdout.
# Usage: scripts/bench.sh [--record] [--server] [--floor] [--guard] [harness options: --reps=N --small --data-dir=DIR ...]
#   --record  also writes the report to docs/benchmarks.md (the published table)
#   --server  runs the server benchmark (bench_server, which starts a database server of its own)
#             instead of the in-process comparison; its --record block is a section of its own
#   --floor   runs bench_floor instead: the least the forward read and the long write can cost through
#             the product's interfaces, timed beside the raw engine, the client library and TAsaSQL
#             (its options: --rounds=N --work=read|lookups|inserts|write|all --small --data-dir=DIR)
#   --processes=K spreads the comparison's timed runs over K processes (default 6; not for --server)
#   --guard   runs the instruction-count guard of the comparison's cells instead (scripts/bench-guard.sh):
#             no timing, the same verdict on a busy machine; exits 1 when a cell is over its budget
set -euo pipefail
cd "$(dirname "$0")/.."

record=0
guard=0
program=bench_compare
marker=results
args=()
for a in "$@"; do
    if [[ "$a" == "--record" ]]; then
        record=1
    elif [[ "$a" == "--guard" ]]; then
        guard=1
    elif [[ "$a" == "--server" ]]; then
        program=bench_server
        marker=server-results
    elif [[ "$a" == "--floor" ]]; then
        program=bench_floor
        marker=floor-results
    else
        args+=("$a")
    fi
done

scripts/install-deps.sh --bench >&2
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
      -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DTNX_BUILD_BENCH=ON -DTNX_WERROR=ON \
      -DTNX_BUILD_TESTS=OFF -DTNX_BUILD_EXAMPLES=OFF -DTNX_BUILD_TOOLS=OFF >/dev/null
# The build talks on stderr: stdout is the report alone (scripts/bench.sh > table.md).
cmake --build build-bench --target "$program" --parallel "$(nproc)" >&2
[[ $guard -eq 1 ]] && exec scripts/bench-guard.sh build-bench/bin/bench_compare

if [[ $record -eq 1 ]]; then
    out=$(mktemp)
    build-bench/bin/"$program" ${args[@]+"${args[@]}"} | tee "$out"
    block=$(mktemp)
    {
        echo "<!-- $marker: written by scripts/bench.sh --record; the text outside these markers is kept -->"
        flags="--record"
        [[ "$program" == bench_server ]] && flags+=" --server"
        [[ "$program" == bench_floor ]] && flags+=" --floor"
        echo "Made with \`scripts/bench.sh $flags${args[*]:+ ${args[*]}}\`."
        echo
        cat "$out"
        echo "<!-- /$marker -->"
    } > "$block"
    doc=docs/benchmarks.md
    mkdir -p docs
    if [[ -f "$doc" ]] && grep -q "^<!-- $marker:" "$doc" && grep -q "^<!-- /$marker -->" "$doc"; then
        # Replace the block between the markers, keep the notes around it.
        awk -v block="$block" -v opener="<!-- $marker:" -v closer="<!-- /$marker -->" '
            index($0, opener) == 1 { while ((getline line < block) > 0) print line; skip = 1; next }
            $0 == closer { skip = 0; next }
            !skip { print }' "$doc" > "$doc.new" && mv "$doc.new" "$doc"
    elif [[ -f "$doc" ]]; then
        { echo; cat "$block"; } >> "$doc"
    else
        { echo "# Benchmarks"; echo; cat "$block"; } > "$doc"
    fi
    rm -f "$out" "$block"
    echo "written to $doc" >&2
else
    build-bench/bin/"$program" ${args[@]+"${args[@]}"}
fi
