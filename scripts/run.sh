#!/usr/bin/env bash
# The demo: builds the panel and the simulated instrument, puts the instrument
# on a pseudo-terminal and starts the panel connected to it.
#   bash scripts/run.sh [QZ7732|QZ7731]
# Settings of the demo live in build/demo/demo-settings.ini, never in the
# user's own store; log and data files are written to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
model=${1:-QZ7732}
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target morvane-panel morvane-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: the panel is a window and needs one." >&2
    echo "Run it on a desktop session, or under a virtual X server:" >&2
    echo "  xvfb-run -a -s '-screen 0 1024x768x24' bash scripts/run.sh $model" >&2
    echo "(then 'DISPLAY=:99 import -window root shot.png' shows it, with the display number xvfb-run chose)." >&2
    exit 2
fi

demo=build/demo
mkdir -p "$demo"
simlog="$demo/sim.out"
./build/sim/morvane-sim --model "$model" >"$simlog" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
port=""
for _ in $(seq 50); do
    port=$(sed -n 's/^Port: //p' "$simlog" | head -n 1)
    [ -n "$port" ] && break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "The simulated instrument did not start:" >&2
    cat "$simlog" >&2
    exit 1
fi
settings="$PWD/$demo/demo-settings.ini"
cat >"$settings" <<INI
[Comms]
CommPort=$port
Active=1

[Control]
Diagnostic_level=1
INI
echo "Simulated $model on $port; starting the panel (settings: $settings)."
cd "$demo"
../app/morvane-panel --settings "$settings"
