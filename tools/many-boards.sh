#!/usr/bin/env bash
# Flashes COUNT simulated boards at once with auxpad-flash flash (default 8), each on its
# own auxpad-sim mapped as COM21, COM22, ... in a scratch port map, with the demo files.
# Extra arguments go to auxpad-flash (for example --json).
#
#   tools/many-boards.sh [COUNT] [auxpad-flash option...]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-8}
shift || true
tools/install-deps.sh
tools/build.sh >/dev/null

source tools/scratch.sh
export XDG_CONFIG_HOME="$work/config"
cp demo/flash.ini demo/initdisk.txt demo/initdata.txt "$work/station/"
ports=()
for n in $(seq "$count"); do
  build/auxpad-sim --com $((20 + n)) --quiet --baud-pace 115200 >"$work/sim$n.out" 2>/dev/null &
  pids+=($!)
  # One at a time: each simulator writes its line into the port map before the next.
  for _ in $(seq 100); do [ -s "$work/sim$n.out" ] && break; sleep 0.05; done
  ports+=(--port "COM$((20 + n))")
done
cd "$work/station"
status=0
"$OLDPWD/build/auxpad-flash" flash --disk initdisk.txt --data initdata.txt "${ports[@]}" "$@" || status=$?
echo "exit status $status"
