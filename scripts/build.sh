#!/usr/bin/env bash
# Configures and builds one configuration of the project: everything, or only the targets named.
# Usage: scripts/build.sh [default|asan|release] [TARGET ...]
#        (build folders: build, build-asan, build-release)
set -euo pipefail
cd "$(dirname "$0")/.."

config="${1:-default}"
shift || true
case "$config" in
    default) dir=build;         args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc) ;;
    asan)    dir=build-asan;    args=(-DCMAKE_BUILD_TYPE=Debug -DTNX_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang) ;;
    release) dir=build-release; args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc) ;;
    *) echo "unknown configuration: $config (default, asan or release)" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -G Ninja -DTNX_WERROR=ON "${args[@]}" >/dev/null
if [[ $# -gt 0 ]]; then
    cmake --build "$dir" --parallel "$(nproc)" --target "$@"
else
    cmake --build "$dir" --parallel "$(nproc)"
fi
