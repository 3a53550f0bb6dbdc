#!/usr/bin/env python3
"""What a screen reader hears of a bench of 32 slots shown as tiles.

Runs `auxpad-flash line --auto --view grid` on an X server of its own, with two boards
(auxpad-sim processes: one that passes, one that misstores its serial) among 32 slots, and
reads the tiles' names over AT-SPI, as Orca would, until the two boards have ended.
Run by run.sh inside a session bus of its own; arguments: auxpad-flash, auxpad-sim.
"""
import hashlib
import os
import re
import subprocess
import sys
import time

import pyatspi

from atspi_support import nodes, station as scratch_station, stop, the_app, write, x_server

FLASH, SIM = sys.argv[1], sys.argv[2]
SLOTS = range(21, 53)


def tiles(app):
    """The window's tiles by slot: each one's accessible name and its place on the screen."""
    found = {}
    for node, name, _ in nodes(app):
        m = re.match(r"^COM(\d+) ", name)
        if not m:
            continue
        try:
            found[int(m.group(1))] = (name, node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
        except Exception:  # a node that went while it was read
            continue
    return found


def main():
    station, config, demo, env = scratch_station("auxpad-a11y-")
    # The demo's download files, which the boards take as they are.
    disk, data = (open(os.path.join(demo, f), newline="").read() for f in ("initdisk.txt", "initdata.txt"))
    write(os.path.join(station, "disk.txt"), disk)
    write(os.path.join(station, "data.txt"), data)
    sha = lambda t: hashlib.sha256(t.encode()).hexdigest()
    write(os.path.join(station, "recipe.ini"),
          "[recipe]\nname=Bench A\ninitdisk=disk.txt\ninitdisk_sha256=%s\ninitdata=data.txt\n"
          "initdata_sha256=%s\nformat=1\nhardware=0102\nmcusw=MCU02.00.01\ndspsw=DSP02.00.07\n"
          "code=0671234\nmanufacture=061226\nserials=SN0000001-SN0000999\n" % (sha(disk), sha(data)))
    # The empty slots' adapters are there, with no board on them: lines nobody answers.
    empty_lines = {n: os.openpty() for n in SLOTS if n > 22}
    write(os.path.join(config, "auxpad-flash", "ports.conf"),
          "".join("COM%d=%s\n" % (n, os.ttyname(far)) for n, (_, far) in empty_lines.items()))
    children = []
    try:
        xvfb, display = x_server()
        children.append(xvfb)
        for com, options in ((21, []), (22, ["--misstore-serial"])):
            sim = subprocess.Popen([SIM, "--com", str(com), "--quiet"] + options, env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            children.append(sim)
            sim.stdout.readline()  # its pty, once ports.conf names it
        env.pop("QT_QPA_PLATFORM", None)
        tool = subprocess.Popen(
            [FLASH, "line", "--recipe", "recipe.ini", "--auto", "--view", "grid"]
            + [a for n in SLOTS for a in ("--port", "COM%d" % n)],
            cwd=station, env=dict(env, DISPLAY=display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"),
            stderr=subprocess.DEVNULL)
        children.append(tool)
        names, heard, deadline = {}, {}, time.monotonic() + 120
        while time.monotonic() < deadline and tool.poll() is None:
            app = the_app(tool.pid)
            heard = tiles(app) if app is not None else {}
            names = {n: name for n, (name, _) in heard.items()}
            if (names.get(21, "").startswith("COM21 PASS")
                    and names.get(22, "").startswith("COM22 FAIL")):
                break
            time.sleep(0.5)
        problems = []
        if sorted(names) != list(SLOTS):
            problems.append("tiles heard: %s" % sorted(names))
        if not re.fullmatch(r"COM21 PASS SN0000\d\d\d", names.get(21, "")):
            problems.append("the passed board: %r" % names.get(21))
        if not names.get(22, "").startswith("COM22 FAIL"):
            problems.append("the failed board: %r" % names.get(22))
        off = [n for n, (_, e) in heard.items()
               if e.x < 0 or e.y < 0 or e.x + e.width > 1920 or e.y + e.height > 1080]
        if off:
            problems.append("tiles not wholly on the 1920 x 1080 screen: %s" % off)
        empty = [n for n in SLOTS if n > 22 and names.get(n) != "COM%d EMPTY" % n]
        if empty:
            problems.append("empty slots not heard as empty: %s" % [names.get(n) for n in empty])
        for p in problems:
            print("FAIL:", p)
        if not problems:
            print("32 tiles heard over AT-SPI:", names[21], "|", names[22], "|", names[23])
        return 1 if problems else 0
    finally:
        stop(children)


if __name__ == "__main__":
    sys.exit(main())
