#!/usr/bin/env bash
# Measures the CPU that an idle auxpad-flash uses: the built tool, off screen, with its
# message window, connected to the simulated board, over SECONDS once it has settled.
# Prints the share of one core.
#
#   tools/measure-idle-cpu.sh [BUILD_DIR] [SECONDS]     (default: build 10)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}

source tools/scratch.sh
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen

"$build/auxpad-sim" --com 5 --quiet >"$work/sim.out" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
device=$(head -n 1 "$work/sim.out")
printf 'COMport="5"\r\nShow="Yes"\r\n' >"$work/station/flash.ini"
(cd "$work/station" && exec "$build/auxpad-flash") &
tool=$!
pids+=("$tool")

# The tool is up once it holds the line; then give it a second to settle.
opened=""
for _ in $(seq 200); do
  for fd in /proc/"$tool"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$device" ] && opened=yes && break
  done
  [ -n "$opened" ] && break
  sleep 0.05
done
[ -n "$opened" ] || { echo "auxpad-flash did not open $device" >&2; exit 1; }
sleep 1

cpu_ticks() { sed 's/.*) //' "/proc/$tool/stat" | awk '{print $12 + $13}'; }
c0=$(cpu_ticks); t0=$(date +%s%N)
sleep "$seconds"
c1=$(cpu_ticks); t1=$(date +%s%N)
awk -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" -v ns="$((t1 - t0))" 'BEGIN {
  printf "auxpad-flash idle over %.1f s: %.2f %% of one core (%d ticks of %d ms)\n", ns / 1e9, c / hz / (ns / 1e9) * 100, c, 1000 / hz
}'
