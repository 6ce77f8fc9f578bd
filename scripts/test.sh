#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# Usage: scripts/test.sh [default|asan]
#   default  g++, optimised with debug information (folder build)
#   asan     clang with AddressSanitizer and UndefinedBehaviorSanitizer (folder build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."

config="${1:-default}"
scripts/install-deps.sh
scripts/build.sh "$config"
dir=build; [[ "$config" == asan ]] && dir=build-asan
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)" --timeout 600
