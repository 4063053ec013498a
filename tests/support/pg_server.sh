#!/bin/sh
# Starts or stops the PostgreSQL server of the test runs: its own cluster in DIR, listening only on
# a Unix socket in DIR. As root it runs as the postgres system user, since the server refuses root.
#   pg_server.sh start DIR [durable]   pg_server.sh stop DIR
# Without "durable" it runs without fsync: test data may be lost with the machine, and the suite
# runs faster. The benchmarks want "durable", so that a commit's time includes its sync.
set -eu
action=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/initdb" ] || { echo "no PostgreSQL server binaries under /usr/lib/postgresql" >&2; exit 1; }
as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case "$action" in
start)
  as_owner "$bin/pg_ctl" -D "$dir/data" stop -m immediate >/dev/null 2>&1 || true
  rm -rf "$dir"
  mkdir -p "$dir"
  [ "$(id -u)" = 0 ] && chown postgres "$dir"
  as_owner "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
  fsync=off
  [ "${3:-}" = durable ] && fsync=on
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-k $dir -c listen_addresses= -c fsync=$fsync -c max_connections=300" start >/dev/null
  echo "host=$dir user=postgres dbname=postgres" >"$dir/connection"
  ;;
stop)
  as_owner "$bin/pg_ctl" -D "$dir/data" stop -m fast >/dev/null 2>&1 || true
  rm -rf "$dir"
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
