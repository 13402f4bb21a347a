#!/usr/bin/env bash
# Runs a command beside a throw-away PostgreSQL server (Debian's pg_virtualenv, which works as
# root too), its URI in VELKO_TEST_POSTGRESQL. The server gets a port of its own, so that other
# clusters on the machine (another test run, a developer's) do not collide with it.
set -euo pipefail
command -v pg_virtualenv >/dev/null || { echo "pg_virtualenv is missing (apt-get install postgresql-common postgresql)" >&2; exit 1; }

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$((20000 + ($$ % 20000)))
until port_free "$port" && port_free $((port + 1)); do port=$((port + 2)); done

exec pg_virtualenv -t -c "-p $port" -- bash -c '
  export VELKO_TEST_POSTGRESQL="postgresql://$PGUSER:$PGPASSWORD@$PGHOST:$PGPORT/$PGDATABASE"
  exec "$@"' with_postgresql "$@"
