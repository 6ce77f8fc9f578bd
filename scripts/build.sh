#!/usr/bin/env bash
# Configures and builds one configuration of the project.
# Usage: scripts/build.sh [default|asan|release]   (build folders: build, build-asan, build-release)
set -euo pipefail
cd "$(dirname "$0")/.."

config="${1:-default}"
case "$config" in
    default) dir=build;         args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc) ;;
    asan)    dir=build-asan;    args=(-DCMAKE_BUILD_TYPE=Debug -DTNX_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang) ;;
    release) dir=build-release; args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc) ;;
    *) echo "unknown configuration: $config (default, asan or release)" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -G Ninja -DTNX_WERROR=ON "${args[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
