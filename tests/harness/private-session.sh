# Sourced by the Wayland harnesses: a private runtime folder, processes started
# in groups of their own and ended by process id, and private buses that
# activate nothing but the services put in their folder. Set `harness` first.
pids=()
cleanup() {
  for (( i=${#pids[@]}-1; i>=0; i-- )); do
    kill -TERM -- "-${pids[$i]}" 2>/dev/null
    for _ in $(seq 60); do kill -0 "${pids[$i]}" 2>/dev/null || break; sleep 0.05; done
    kill -KILL -- "-${pids[$i]}" 2>/dev/null; wait "${pids[$i]}" 2>/dev/null
  done
  rm -rf "$runtime"
}
# Short: the Wayland socket's path must fit in a socket address.
runtime=$(mktemp -d "/tmp/quoblin-$harness.XXXXXX") && chmod 700 "$runtime" && : >"$runtime/log" || exit 1
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
export XDG_RUNTIME_DIR=$runtime
# Each process leads its own group, so what it spawns (Xwayland, services) goes down with it.
start() { setsid "$@" </dev/null >>"$runtime/log" 2>&1 & pids+=($!); }
fail() { echo "with-$harness: $*" >&2; tail -n 40 "$runtime/log" >&2; exit 1; }
wait_for() { # seconds command...: bounded however slow each try is
  local deadline=$((SECONDS + $1)); until "${@:2}"; do (( SECONDS < deadline )) || return 1; sleep 0.1; done
}
# private_bus NAME: a bus at $runtime/NAME-bus with the real session limits,
# activating what $runtime/NAME-services holds.
private_bus() {
  mkdir -p "$runtime/$1-services"
  cat >"$runtime/$1.conf" <<CONF
<busconfig><type>session</type><listen>unix:path=$runtime/$1-bus</listen>
<servicedir>$runtime/$1-services</servicedir>$(grep '<limit ' /usr/share/dbus-1/session.conf)<policy context="default">
<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
CONF
  start dbus-daemon --nofork --config-file="$runtime/$1.conf"
  wait_for 10 test -S "$runtime/$1-bus" || fail "the $1 bus did not start"
}
