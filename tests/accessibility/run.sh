#!/usr/bin/env bash
# Runs one of the AT-SPI checks (SCRIPT FLASH SIM) on a session bus of its own, where the
# accessibility bus starts when the tool asks for it.
set -euo pipefail
script="$1"
shift
# Debian's own Python, which has the AT-SPI bindings.
exec dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/$script" "$@"
