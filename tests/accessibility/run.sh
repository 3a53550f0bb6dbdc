#!/usr/bin/env bash
# Reads the bench grid's tiles over AT-SPI: grid_atspi.py on a session bus of its own,
# where the accessibility bus starts when the tool asks for it.
set -euo pipefail
# Debian's own Python, which has the AT-SPI bindings.
exec dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/grid_atspi.py" "$@"
