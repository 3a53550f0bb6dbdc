#!/usr/bin/env bash
# Installs what is missing, builds, and starts auxpad-flash against the simulated board
# in a demo working folder (demo/run). Select initdisk.txt in the InitDisk list and
# initdata.txt in the InitData list, then press "Step 2: Flash AUXPAD".
# The simulator borrows COM9 in your port map while it runs and restores it afterwards.
# Extra arguments go to auxpad-sim (for example --baud-pace 115200).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh

run=demo/run
mkdir -p "$run"
cp demo/flash.ini demo/initdisk.txt demo/initdata.txt "$run"/

sim_out=$(mktemp)
build/auxpad-sim --com 9 --power-up --start-delay 1500 --image-out "$run/received-image.bin" "$@" >"$sim_out" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -f "$sim_out"' EXIT
for _ in $(seq 100); do
  [ -s "$sim_out" ] && break
  sleep 0.05
done
echo "Simulated board on $(head -n 1 "$sim_out") as COM9; it logs its traffic here."
echo "What it receives during flashing is written to $run/received-image.bin."

echo "The demo's records go to $run/records.sqlite: build/auxpad-flash report --db sqlite:$run/records.sqlite"
(cd "$run" && ../../build/auxpad-flash --db "sqlite:$PWD/records.sqlite")
