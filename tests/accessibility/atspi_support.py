"""What the accessibility tests share: an X server of their own, the tool's application on
the accessibility bus, and a walk over its tree."""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile

import pyatspi


def write(path, text):
    with open(path, "w", newline="") as f:
        f.write(text)


def station(prefix):
    """A scratch station: its folder, its config folder and the demo's download files'
    folder; and the environment the tool runs in there."""
    work = tempfile.mkdtemp(prefix=prefix)
    # Removed when the script ends, after its `finally` has stopped the tool that wrote there.
    atexit.register(shutil.rmtree, work, ignore_errors=True)
    config, folder = os.path.join(work, "config"), os.path.join(work, "station")
    os.makedirs(os.path.join(config, "auxpad-flash"))
    os.makedirs(folder)
    demo = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo")
    env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_RUNTIME_DIR=work)
    return folder, config, demo, env


def x_server(size="1920x1080x24"):
    """Xvfb on a free display; returns the process and its DISPLAY."""
    read, written = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(written), "-nolisten", "tcp",
                             "-screen", "0", size], pass_fds=[written],
                            stderr=subprocess.DEVNULL)
    os.close(written)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    if not number:
        sys.exit("Xvfb did not start")
    return xvfb, ":" + number


def the_app(pid):
    """The application of process `pid` on the accessibility bus, once it is there."""
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def nodes(root):
    """Every node under `root` that can still be read, as (node, name, role name)."""
    found, todo = [], [root]
    while todo:
        node = todo.pop()
        try:
            found.append((node, node.name or "", node.getRoleName()))
            todo.extend(c for c in node if c is not None)
        except Exception:  # a node that went while it was read
            continue
    return found


def stop(children):
    for child in reversed(children):
        child.terminate()
        try:
            child.wait(10)
        except subprocess.TimeoutExpired:
            child.kill()
