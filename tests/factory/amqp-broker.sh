#!/usr/bin/env bash
# A throwaway AMQP 1.0 broker for the factory tests: Debian's RabbitMQ with its AMQP 1.0 plugin,
# started by hand (no service manager) on 127.0.0.1 with everything in a temporary folder: its
# configuration, plugins file, database, logs, Erlang cookie, and an epmd of its own on a port of
# its own. HANDLE is a folder of the build tree where the broker's folder ("home") and address
# ("url") are kept for the tests.
#   amqp-broker.sh start HANDLE    a fresh broker; one left under HANDLE is stopped first
#   amqp-broker.sh pause HANDLE    stop it, keeping its queues and port (an outage)
#   amqp-broker.sh resume HANDLE   start it again on the same port
#   amqp-broker.sh stop HANDLE     stop it and its epmd, and remove everything
# As root, the broker runs as "nobody".
set -euo pipefail

command=${1:?start, pause, resume or stop}
handle=${2:?the handle folder}

server=/usr/lib/rabbitmq/bin/rabbitmq-server
epmd=$(ls /usr/lib/erlang/erts-*/bin/epmd 2>/dev/null | sort -V | tail -n 1)
if [[ ! -x "$server" || -z "$epmd" ]]; then
  echo "amqp-broker.sh: no RabbitMQ under /usr/lib/rabbitmq (scripts/install-deps.sh)" >&2
  exit 1
fi

as_owner() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# The broker's environment: every file it writes lies under $home.
broker_env() {
  local home=$1 port
  port=$(cat "$home/port")
  echo HOME="$home" ERL_CRASH_DUMP="$home/erl_crash.dump" \
    RABBITMQ_CONFIG_FILE="$home/rabbitmq.conf" RABBITMQ_ENABLED_PLUGINS_FILE="$home/enabled_plugins" \
    RABBITMQ_CONF_ENV_FILE="$home/rabbitmq-env.conf" RABBITMQ_ADVANCED_CONFIG_FILE="$home/advanced.config" \
    RABBITMQ_MNESIA_BASE="$home/mnesia" RABBITMQ_LOG_BASE="$home/log" RABBITMQ_PID_FILE="$home/rabbit.pid" \
    RABBITMQ_PLUGINS_EXPAND_DIR="$home/plugins" RABBITMQ_NODENAME="rabbit$port@localhost" \
    RABBITMQ_NODE_IP_ADDRESS=127.0.0.1 RABBITMQ_NODE_PORT="$port" RABBITMQ_DIST_PORT=$((port + 1)) \
    ERL_EPMD_ADDRESS=127.0.0.1 ERL_EPMD_PORT=$((port + 2))
}

# Starts the broker on the port in $home/port and waits until it says it is up (or gave up).
run_broker() {
  local home=$1 port log
  port=$(cat "$home/port")
  log="$home/log/rabbit$port@localhost.log"
  rm -f "$log"
  # shellcheck disable=SC2046
  as_owner env $(broker_env "$home") "$server" >"$home/server.out" 2>&1 &
  echo $! >"$home/launcher.pid"
  for _ in $(seq 1 1200); do
    if [[ -f "$log" ]] && grep -q "Server startup complete" "$log"; then return 0; fi
    if ! kill -0 "$(cat "$home/launcher.pid")" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "amqp-broker.sh: the broker would not start; see $home/server.out" >&2
  return 1
}

# Stops the broker: gracefully for an outage (TERM), so that what it accepted is on its disk when
# it comes back; at once (KILL) when everything of it is removed anyway.
stop_broker() {
  local home=$1 signal=$2 pid
  [[ -f "$home/rabbit.pid" ]] || return 0
  pid=$(cat "$home/rabbit.pid")
  as_owner kill -"$signal" "$pid" 2>/dev/null || true
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && as_owner kill -9 "$pid" 2>/dev/null || true
  rm -f "$home/rabbit.pid"
}

case "$command" in
  start)
    "$0" stop "$handle"
    mkdir -p "$handle"
    home=$(mktemp -d /tmp/halyard-amqp.XXXXXX)
    echo "$home" >"$handle/home"
    chmod 755 "$home"
    for _ in $(seq 1 20); do
      port=$((20000 + RANDOM % 40000))
      port_in_use "$port" || port_in_use $((port + 1)) || port_in_use $((port + 2)) || break
    done
    echo "$port" >"$home/port"
    cat >"$home/rabbitmq.conf" <<CONF
listeners.tcp.default = 127.0.0.1:$port
loopback_users = none
CONF
    echo "[rabbitmq_amqp1_0]." >"$home/enabled_plugins"
    : >"$home/rabbitmq-env.conf"
    mkdir -p "$home/log"
    if [[ $(id -u) -eq 0 ]]; then chown -R nobody "$home"; fi
    # Its own epmd, so that stopping the broker can stop it too: it writes its own pid (as root,
    # runuser's would be the one known, and epmd would outlive it).
    as_owner bash -c 'echo $$ >"$1/epmd.pid"; exec "$2" -address 127.0.0.1 -port "$3"' \
      epmd "$home" "$epmd" $((port + 2)) >/dev/null 2>&1 &
    run_broker "$home"
    echo "amqp://127.0.0.1:$port" >"$handle/url"
    ;;
  pause)
    stop_broker "$(cat "$handle/home")" TERM
    ;;
  resume)
    run_broker "$(cat "$handle/home")"
    ;;
  stop)
    if [[ -f "$handle/home" ]]; then
      home=$(cat "$handle/home")
      stop_broker "$home" KILL
      if [[ -f "$home/epmd.pid" ]]; then as_owner kill "$(cat "$home/epmd.pid")" 2>/dev/null || true; fi
      rm -rf "$home"
    fi
    rm -rf "$handle"
    ;;
  *)
    echo "amqp-broker.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
