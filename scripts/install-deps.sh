#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing. Safe to run again.
# Usage: scripts/install-deps.sh [--bench]   (--bench adds the peer libraries of the benchmarks)
set -euo pipefail

# The Qt widget set and its tests need Qt 6 Widgets (qt6-base-dev brings the test library), the
# platform plugins (the tests run on the offscreen one) and a font for the offscreen platform to draw;
# the network-server backend builds on libpq, and its tests start their own database server.
packages=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config libgtest-dev libgmock-dev libsqlite3-dev
          libffi-dev libreadline-dev libsodium-dev qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
          libpq-dev postgresql-15)
if [[ "${1:-}" == "--bench" ]]; then
    # The server benchmark's peers reach the database server through QPSQL and SOCI's PostgreSQL backend.
    packages+=(libbenchmark-dev libqt6sql6-sqlite libqt6sql6-psql libsoci-dev libsoci-postgresql4.0 valgrind)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
