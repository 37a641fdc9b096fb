#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests, in a folder of its own and reachable only through
# a Unix socket in that folder.
#   scripts/test-server.sh start DIR   initialises and starts it; prints the connection string
#   scripts/test-server.sh stop DIR    stops it and removes DIR
# The server refuses to run as root; as root it runs as the postgres system user.
set -euo pipefail
action=${1:?start or stop}
dir=${2:?folder}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bindir" ] || { echo "PostgreSQL is not installed (scripts/deps.sh installs it)" >&2; exit 1; }

as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$action" in
start)
  mkdir -p "$dir"
  if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
  chmod 700 "$dir"
  as_server "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust --encoding=UTF8 --locale=C -N >"$dir/initdb.log"
  # No durability needed: the data are thrown away after the run.
  as_server "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -s \
    -o "-c listen_addresses='' -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off" start
  as_server "$bindir/createdb" -h "$dir" -U postgres kelvaro_test
  echo "host=$dir dbname=kelvaro_test user=postgres"
  ;;
stop)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_server "$bindir/pg_ctl" -D "$dir/data" -m immediate -s stop || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
