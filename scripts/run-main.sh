#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the example program on the embedded default.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
build/bin/tnx-example "$@"
