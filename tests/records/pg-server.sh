#!/usr/bin/env bash
# A throwaway PostgreSQL server for the record tests, on 127.0.0.1 and a free port, in a
# temporary folder. HANDLE is a folder of the build tree where the server's folder ("home")
# and address ("url") are kept for the tests. Every user but one is trusted; that one,
# halyard_password, must give its password ("password-url" without it, "password" the password,
# readable by the owner only).
#   pg-server.sh start HANDLE    a fresh server; a server left under HANDLE is stopped first
#   pg-server.sh pause HANDLE    stop it, keeping its data and port (an outage)
#   pg-server.sh resume HANDLE   start it again on the same port
#   pg-server.sh stop HANDLE     stop it and remove everything
# PostgreSQL refuses to run as root: as root, the server runs as "nobody".
set -euo pipefail

command=${1:?start, pause, resume or stop}
handle=${2:?the handle folder}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [[ -z "$bin" ]]; then
  echo "pg-server.sh: no PostgreSQL under /usr/lib/postgresql (scripts/install-deps.sh)" >&2
  exit 1
fi

as_owner() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

run_server() {  # start on the port in $home/port
  local home=$1
  as_owner "$bin/pg_ctl" -D "$home/data" -l "$home/server.log" -w -t 60 \
    -o "-p $(cat "$home/port") -k $home -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
}

stop_server() {
  local home=$1 mode=$2
  if [[ -f "$home/data/postmaster.pid" ]]; then
    as_owner "$bin/pg_ctl" -D "$home/data" -m "$mode" -w -t 60 stop >/dev/null || true
  fi
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

case "$command" in
  start)
    "$0" stop "$handle"
    mkdir -p "$handle"
    home=$(mktemp -d /tmp/halyard-pg.XXXXXX)
    echo "$home" >"$handle/home"
    chmod 755 "$home"
    if [[ $(id -u) -eq 0 ]]; then chown nobody "$home"; fi
    as_owner "$bin/initdb" -D "$home/data" -U postgres -A trust -E UTF8 --locale=C \
      >"$home/initdb.log" 2>&1 || { cat "$home/initdb.log" >&2; exit 1; }
    # The first line that matches decides: the password user's comes before the trusting ones.
    hba="$home/data/pg_hba.conf"
    { echo "host all halyard_password 127.0.0.1/32 scram-sha-256"; cat "$hba"; } >"$home/hba"
    as_owner tee "$hba" <"$home/hba" >/dev/null
    rm -f "$home/hba"
    password="pw-$RANDOM$RANDOM-x"
    for _ in $(seq 1 20); do
      port=$((20000 + RANDOM % 40000))
      port_in_use "$port" && continue
      echo "$port" | as_owner tee "$home/port" >/dev/null
      if run_server "$home"; then
        echo "postgresql://postgres@127.0.0.1:$port/postgres" >"$handle/url"
        psql -qAt "postgresql://postgres@127.0.0.1:$port/postgres" \
          -c "CREATE ROLE halyard_password LOGIN SUPERUSER PASSWORD '$password'" >/dev/null
        (umask 077 && echo "$password" >"$handle/password")
        echo "postgresql://halyard_password@127.0.0.1:$port/postgres" >"$handle/password-url"
        exit 0
      fi
    done
    echo "pg-server.sh: the server would not start; see $home/server.log" >&2
    exit 1
    ;;
  pause)
    stop_server "$(cat "$handle/home")" fast
    ;;
  resume)
    run_server "$(cat "$handle/home")"
    ;;
  stop)
    if [[ -f "$handle/home" ]]; then
      home=$(cat "$handle/home")
      stop_server "$home" immediate
      rm -rf "$home"
    fi
    rm -rf "$handle"
    ;;
  *)
    echo "pg-server.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
