#!/usr/bin/env bash
# Runs every fuzz target under libFuzzer for a while each (60 seconds by default), one after the
# other, with coverage on the libraries under test and AddressSanitizer/UndefinedBehaviorSanitizer.
# It configures and builds its own folder, build-fuzz (clang, TNX_BUILD_FUZZ=ON, TNX_SANITIZE=ON),
# and builds only the fuzz programs there. Not part of the test run or of CI.
#
# Usage: scripts/fuzz.sh [seconds per target] [target ...]   (default: 60, every target)
# Each target starts from its seed folders; what it finds new is kept in build-fuzz/corpus/<target>
# (so a later run goes on from there), and an input that crashes, leaks or hangs it is written to
# build-fuzz/findings/<target>/. The script ends with status 1 when any target had a finding.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
dir=build-fuzz

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DTNX_BUILD_FUZZ=ON -DTNX_SANITIZE=ON -DTNX_WERROR=ON >/dev/null

declare -A seeds=()
order=()
while read -r name rest; do
    [[ -n "$name" ]] || continue
    seeds[$name]="$rest"
    order+=("$name")
done <"$dir/fuzz-targets.txt"
if [[ $# -gt 0 ]]; then order=("$@"); fi

cmake --build "$dir" --parallel "$(nproc)" --target "${order[@]}"

export TNX_BUILD_LIB_DIR="$PWD/$dir/lib"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
failed=()
for name in "${order[@]}"; do
    [[ -v "seeds[$name]" ]] || { echo "fuzz.sh: no fuzz target $name" >&2; exit 2; }
    corpus="$dir/corpus/$name"
    findings="$dir/findings/$name"
    mkdir -p "$corpus" "$findings"
    echo "== $name: $seconds s"
    # shellcheck disable=SC2086  # the seed folders are separate words
    if "$dir/bin/$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" ${seeds[$name]} >"$dir/findings/$name.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::new_units_added|^#[0-9]+ +DONE' "$dir/findings/$name.log" |
            tr '\n' ' '
        echo
    else
        failed+=("$name")
        echo "   FINDING: see $dir/findings/$name.log and $findings/"
        tail -n 30 "$dir/findings/$name.log"
    fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "fuzz.sh: findings in ${failed[*]}"
    exit 1
fi
echo "fuzz.sh: ${#order[@]} targets, $seconds s each, no finding"
