#!/usr/bin/env bash
# Installs the default build into a temporary prefix, then builds and runs a small consumer project
# against it twice: once through find_package(Tarnix), once through pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix/usr" >/dev/null

cmake -S tests/consumer -B "$prefix/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix/usr" >/dev/null
cmake --build "$prefix/consumer"
"$prefix/consumer/consumer"

export PKG_CONFIG_PATH="$prefix/usr/lib/pkgconfig:$prefix/usr/lib/$(gcc -print-multiarch 2>/dev/null)/pkgconfig"
g++ tests/consumer/consumer.cpp -o "$prefix/consumer-pc" $(pkg-config --cflags --libs tarnix)
"$prefix/consumer-pc"
echo "install check passed"
