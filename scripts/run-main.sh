#!/usr/bin/env bash
# Installs what is missing, builds what the main job needs (tnxsql and the client library it loads;
# the tests, fuzzers and benchmarks are left to scripts/test.sh and scripts/bench.sh), and runs the
# main job: tnxsql on the sample database. It builds build/sample/sample.db afresh from
# examples/sample/sample.sql, runs the tour (a join, an aggregate, an update, a backup), showing
# each statement before its result, and opens the backup copy to show that it is whole.
# Arguments are passed to the tour's tnxsql run (for example --format csv or --timing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [[ ! -x build/bin/tnxsql ]]; then
    echo "== Building tnxsql and its client library: a first build takes 147 steps, about 4 minutes"
    echo "   on two idle cores (longer on a busy machine); later runs rebuild only what changed."
fi
scripts/build.sh default tnxsql

root="$PWD"
tnxsql="$root/build/bin/tnxsql"
work="$root/build/sample"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

echo "== Building the sample database from examples/sample/sample.sql"
"$tnxsql" --quiet --create sample.db -f "$root/examples/sample/sample.sql"
"$tnxsql" sample.db '\tables'

echo "== The tour (examples/sample/tour.sql)"
"$tnxsql" --bail --echo "$@" sample.db -f "$root/examples/sample/tour.sql"

echo "== The backup copy opens on its own"
"$tnxsql" --bail sample-backup/sample.db "SELECT count(*) AS orders, count(shipped) AS shipped FROM orders"
