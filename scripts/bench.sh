#!/usr/bin/env bash
# Installs the peer libraries of the comparison when missing, builds the benchmarks in release mode
# (folder build-bench) and runs the comparison harness, which prints a Markdown table on stdout.
# Usage: scripts/bench.sh [--record] [harness options: --reps=N --small --data-dir=DIR ...]
#   --record  also writes the report to docs/benchmarks.md (the published table)
set -euo pipefail
cd "$(dirname "$0")/.."

record=0
args=()
for a in "$@"; do
    if [[ "$a" == "--record" ]]; then record=1; else args+=("$a"); fi
done

scripts/install-deps.sh --bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
      -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DTNX_BUILD_BENCH=ON -DTNX_WERROR=ON \
      -DTNX_BUILD_TESTS=OFF -DTNX_BUILD_EXAMPLES=OFF -DTNX_BUILD_TOOLS=OFF >/dev/null
cmake --build build-bench --target bench_compare --parallel "$(nproc)"

if [[ $record -eq 1 ]]; then
    out=$(mktemp)
    build-bench/bin/bench_compare "${args[@]}" | tee "$out"
    block=$(mktemp)
    {
        echo "<!-- results: written by scripts/bench.sh --record; the text outside these markers is kept -->"
        echo "Made with \`scripts/bench.sh --record${args[*]:+ ${args[*]}}\`."
        echo
        cat "$out"
        echo "<!-- /results -->"
    } > "$block"
    doc=docs/benchmarks.md
    mkdir -p docs
    if [[ -f "$doc" ]] && grep -q '^<!-- results' "$doc" && grep -q '^<!-- /results -->' "$doc"; then
        # Replace the block between the markers, keep the notes around it.
        awk -v block="$block" '
            /^<!-- results/ { while ((getline line < block) > 0) print line; skip = 1; next }
            /^<!-- \/results -->/ { skip = 0; next }
            !skip { print }' "$doc" > "$doc.new" && mv "$doc.new" "$doc"
    else
        { echo "# Benchmarks"; echo; cat "$block"; } > "$doc"
    fi
    rm -f "$out" "$block"
    echo "written to $doc" >&2
else
    build-bench/bin/bench_compare "${args[@]}"
fi
