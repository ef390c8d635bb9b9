#!/usr/bin/env bash
# Installs what is missing, builds, and starts DARuri.
#   ./run.sh                      against the built-in unit simulator (default profile)
#   ./run.sh --profile NAME       against the simulator with another unit profile
#   ./run.sh --fault SPEC         simulator with a fault (silent, short=1, late=800, drop-after=20, ...)
#   ./run.sh --fault-memory SPEC  faults in the unit's memory (3=permanent, 7=sporadic:3, head-temp=short)
#   ./run.sh --actuator-test-ms MS   how long the unit runs an actuator test
#   ./run.sh --engine MODE        how the simulated engine runs: cycle (default), stopped, or an rpm
#   ./run.sh --list-profiles      the simulator's unit profiles
#   ./run.sh --hardware [ARGS]    against real hardware; ARGS go to the program
#                                 (e.g. --port /dev/ttyUSB0 --trace link.log)
# The program runs in the folder run.sh is called from, so vlm.ini and relative
# paths (--trace link.log, --settings-dir DIR) land where the user means them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
. "$ROOT/scripts/deps.sh"
ensure_deps

BUILD=${BUILD_DIR:-$ROOT/build}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDARURI_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target daruri daruri-ecusim

APP="$BUILD/src/daruri"
SIM="$BUILD/sim/daruri-ecusim"

if [ "${1:-}" = "--hardware" ]; then
  shift
  exec "$APP" "$@"
fi

SIM_ARGS=()
APP_ARGS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --profile|--fault|--fault-memory|--actuator-test-ms|--engine) SIM_ARGS+=("$1" "$2"); shift 2 ;;
    --list-profiles) exec "$SIM" --list-profiles ;;
    *) APP_ARGS+=("$1"); shift ;;
  esac
done

LINK="${XDG_RUNTIME_DIR:-/tmp}/daruri-sim-$$"
"$SIM" --link "$LINK" --wire-time "${SIM_ARGS[@]}" >/dev/null &
SIM_PID=$!
trap 'kill $SIM_PID 2>/dev/null; wait $SIM_PID 2>/dev/null; rm -f "$LINK"' EXIT
for _ in $(seq 1 50); do [ -e "$LINK" ] && break; sleep 0.1; done
[ -e "$LINK" ] || { echo "run.sh: the simulator did not start" >&2; exit 1; }
echo "Simulator on $LINK (port 129). Press \"Motorsteuergerät öffnen\"."
"$APP" --port "$LINK" "${APP_ARGS[@]}"
