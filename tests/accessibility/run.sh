#!/usr/bin/env bash
# Runs one of the AT-SPI checks (SCRIPT FLASH SIM) on a session bus of its own, where the
# accessibility bus starts when the tool asks for it. The accessibility bus puts its socket
# in the runtime directory, which two checks running at once would otherwise share: the
# second bus would take the first one's socket, and with it the first check's tool.
set -euo pipefail
script="$1"
shift
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
# Debian's own Python, which has the AT-SPI bindings.
dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/$script" "$@"
