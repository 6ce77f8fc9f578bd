#!/usr/bin/env bash
# A throw-away PostgreSQL server for tests: a cluster in a folder of its own, listening on a private
# unix-socket folder and on a free loopback port, never on another address.
# Usage: scripts/pg-test-server.sh start|stop DIR
#   start  creates the cluster in DIR/data on first use (initdb), then starts the server (again
#          on the port it had before, when it was started before) and prints the connection
#          parameters as KEY=VALUE lines:
#            TNX_PG_HOST TNX_PG_PORT TNX_PG_SOCKET TNX_PG_USER TNX_PG_PASSWORD TNX_PG_DB
#          Loopback TCP connections need the password; the socket folder trusts its owner.
#   stop   stops the server (fast: open sessions are ended, their transactions rolled back);
#          the cluster stays in DIR, so `start DIR` brings the same data back.
# Run as root, the server runs as the unprivileged user nobody (the database server refuses root),
# and DIR is handed to that user. Exit codes: 0 done, 2 usage, 3 server programs not found,
# 1 anything else (the server's log, DIR/server.log, says why).
# The binaries are found through PG_BINDIR, else the newest /usr/lib/postgresql/*/bin, else PATH.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[[ $# -eq 2 ]] || usage
action="$1"
mkdir -p "$2"
dir="$(cd "$2" && pwd)"

bindir="${PG_BINDIR:-}"
if [[ -z "$bindir" ]]; then
    bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)"
fi
if [[ -z "$bindir" ]] && command -v initdb >/dev/null 2>&1; then
    bindir="$(dirname "$(command -v initdb)")"
fi
if [[ -z "$bindir" || ! -x "$bindir/initdb" || ! -x "$bindir/pg_ctl" ]]; then
    echo "PostgreSQL server programs (initdb, pg_ctl) not found; install postgresql-15" >&2
    exit 3
fi

# Runs a command as the cluster's owner: nobody when we are root, else ourselves.
as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

data="$dir/data"
sock="$dir/sock"
log="$dir/server.log"
user="tnx"
password="tnx-test-password"

# A loopback port nobody listens on (a refused connection), from a range apart from the usual ones.
free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 20000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

# The connection parameters of the server on port $1, as VAR=value lines.
print_parameters() {
    echo "TNX_PG_HOST=127.0.0.1"
    echo "TNX_PG_PORT=$1"
    echo "TNX_PG_SOCKET=$sock"
    echo "TNX_PG_USER=$user"
    echo "TNX_PG_PASSWORD=$password"
    echo "TNX_PG_DB=postgres"
}

start() {
    if [[ $(id -u) -eq 0 ]]; then
        chown -R nobody "$dir"
        if ! runuser -u nobody -- test -w "$dir"; then
            echo "the user nobody cannot write $dir (a parent folder is closed to it)" >&2
            exit 1
        fi
    fi
    mkdir -p "$sock"
    [[ $(id -u) -eq 0 ]] && chown nobody "$sock"
    chmod 700 "$sock"
    if [[ ! -f "$data/PG_VERSION" ]]; then
        local pwfile="$dir/pwfile"
        printf '%s\n' "$password" >"$pwfile"
        [[ $(id -u) -eq 0 ]] && chown nobody "$pwfile"
        # No sync at initdb: a test cluster that a machine crash loses is simply made again.
        as_owner "$bindir/initdb" -D "$data" -U "$user" --pwfile="$pwfile" -E UTF8 --locale=C \
            --auth-local=trust --auth-host=scram-sha-256 --no-sync >"$dir/initdb.log" 2>&1 || {
            cat "$dir/initdb.log" >&2
            exit 1
        }
        rm -f "$pwfile"
    fi
    local port tries
    # Already running (a second start): say so and print its parameters again.
    if [[ -f "$dir/port" ]] && as_owner "$bindir/pg_ctl" -D "$data" -s status >/dev/null 2>&1; then
        echo "the server in $dir is already running" >&2
        print_parameters "$(cat "$dir/port")"
        return 0
    fi
    for tries in 1 2 3 4 5; do
        if [[ -f "$dir/port" && $tries -eq 1 ]]; then
            port="$(cat "$dir/port")"
        else
            port="$(free_port)" || { echo "no free loopback port found" >&2; exit 1; }
        fi
        # fsync off: the tests stop the server themselves (never the machine), and the write-ahead
        # log still brings committed work back after any stop of the server alone.
        if as_owner "$bindir/pg_ctl" -D "$data" -l "$log" -w -t 30 -s start \
            -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$sock' \
                -c fsync=off -c full_page_writes=off -c max_connections=40 \
                -c shared_buffers=16MB -c max_wal_size=256MB" >/dev/null 2>&1; then
            echo "$port" >"$dir/port"
            print_parameters "$port"
            return 0
        fi
        # Another program took the port between the check and the start: try another one.
        grep -q "could not bind\|Address already in use" "$log" 2>/dev/null || break
    done
    echo "the server did not start; its log follows" >&2
    tail -n 20 "$log" >&2 || true
    exit 1
}

stop() {
    [[ -f "$data/postmaster.pid" ]] || return 0
    as_owner "$bindir/pg_ctl" -D "$data" -w -t 30 -s -m fast stop >/dev/null 2>&1 || {
        echo "the server did not stop; its log follows" >&2
        tail -n 20 "$log" >&2 || true
        exit 1
    }
}

case "$action" in
    start) start ;;
    stop) stop ;;
    *) usage ;;
esac
