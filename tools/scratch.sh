# Sourced by the measurement scripts: a scratch folder with config, station and runtime
# folders, and the background processes started into `pids`, all cleared away on exit.
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config" "$work/station" "$work/runtime" "$work/data"
# The runs' records stay in the scratch folder, away from the station's own.
export XDG_DATA_HOME="$work/data"
chmod 700 "$work/runtime"
