#!/usr/bin/env python3
"""What an operator may do at a locked line window, as the accessibility tree says it.

Runs `auxpad-flash line --lock` on an X server of its own with one board (an auxpad-sim
process), flashes it over AT-SPI, and reads which controls are enabled: while locked, the
files cannot be chosen and the passed board cannot be flashed again; once an engineer's
badge and PIN are typed into the window, they can.
Run by run.sh inside a session bus of its own; arguments: auxpad-flash, auxpad-sim.
"""
import os
import subprocess
import sys
import time

import pyatspi

from atspi_support import nodes, station as scratch_station, stop, the_app, write, x_server

FLASH, SIM = sys.argv[1], sys.argv[2]


def wait_for(what, seconds=60):
    """The first true answer of `what`, asked twice a second, or None."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        answer = what()
        if answer:
            return answer
        time.sleep(0.5)
    return None


def controls(app):
    """The window's controls a person acts on, by what they say: name -> [(node, enabled)]."""
    found = {}
    for node, name, role in nodes(app):
        if role in ("push button", "text", "password text") and name:
            try:
                enabled = node.getState().contains(pyatspi.STATE_ENABLED)
            except Exception:
                continue
            found.setdefault(name, []).append((node, enabled))
    return found


def row_says(app, text):
    return any(name.startswith("COM21") and text in name for _, name, _ in nodes(app))


def main():
    station, _, demo, env = scratch_station("auxpad-lock-")
    for name in ("initdisk.txt", "initdata.txt", "flash.ini"):
        text = open(os.path.join(demo, name), newline="").read()
        write(os.path.join(station, name), text.replace('Format="20"', 'Format="1"'))
    env.pop("AUXPAD_FLASH_DB", None)
    # The station's own list of people: an engineer with the PIN 4711, given as a script does.
    added = subprocess.run([FLASH, "people", "add", "E1", "--name", "Eve", "--role", "engineer"],
                           input="4711\n", text=True, capture_output=True, cwd=station,
                           env=dict(env, AUXPAD_FLASH_PIN_FD="0"))
    if added.returncode != 0:
        print("FAIL: people add:", added.stderr)
        return 1
    children = []
    try:
        xvfb, display = x_server("1280x800x24")
        children.append(xvfb)
        sim = subprocess.Popen([SIM, "--com", "21", "--quiet"], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        children.append(sim)
        sim.stdout.readline()  # its pty, once ports.conf names it
        env.pop("QT_QPA_PLATFORM", None)
        tool = subprocess.Popen(
            [FLASH, "line", "--lock", "--port", "COM21", "--disk", "initdisk.txt", "--data", "initdata.txt",
             "--view", "rows"],
            cwd=station, env=dict(env, DISPLAY=display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"),
            stderr=subprocess.DEVNULL)
        children.append(tool)
        app = wait_for(lambda: the_app(tool.pid), 30)
        if app is None or not wait_for(lambda: "Flash" in controls(app), 30):
            print("FAIL: the window's controls were never heard")
            return 1
        flash = [n for n, _ in controls(app)["Flash"]]
        flash[-1].queryAction().doAction(0)  # the row's own, not Flash all
        if not wait_for(lambda: row_says(app, "PASS"), 120):
            print("FAIL: the board never passed")
            return 1

        def enabled(name):
            return [e for _, e in controls(app).get(name, [])]

        problems = []
        locked = {"Choose...": enabled("Choose..."), "Flash": enabled("Flash"), "Stop all": enabled("Stop all")}
        if locked["Choose..."] != [False, False]:
            problems.append("locked, the files can be chosen: %s" % locked["Choose..."])
        if locked["Flash"] != [False]:
            problems.append("locked, the passed board can be flashed again: %s" % locked["Flash"])
        if locked["Stop all"] != [False]:
            problems.append("locked, the bench can be stopped")
        fields = controls(app)
        for name, value in (("Badge to unlock", "E1"), ("PIN to unlock", "4711")):
            fields[name][0][0].queryEditableText().setTextContents(value)
        fields["Unlock"][0][0].queryAction().doAction(0)
        if not wait_for(lambda: enabled("Flash") == [True], 10):
            problems.append("unlocked, the passed board still cannot be flashed again: %s" % enabled("Flash"))
        if enabled("Choose...") != [True, True]:
            problems.append("unlocked, the files still cannot be chosen: %s" % enabled("Choose..."))
        for p in problems:
            print("FAIL:", p)
        if not problems:
            print("locked: files and the passed board disabled; unlocked by the engineer: enabled")
        return 1 if problems else 0
    finally:
        stop(children)


if __name__ == "__main__":
    sys.exit(main())
