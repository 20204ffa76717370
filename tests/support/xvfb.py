"""The real program under a virtual X server: Xvfb on a display of its own and the xdotool
helpers the end-to-end tests and the screenshot script drive it with, and a drag of a file
onto the program (drag_file)."""
import os
import random
import select
import signal
import subprocess
import tempfile
import sys
import time

SKIP = 77


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for(predicate, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def start_smtp_server(script, home):
    """The loopback SMTP server `script` writing what it receives into home/smtp; returns the
    process, the port and that folder."""
    out = os.path.join(home, "smtp")
    os.makedirs(out)
    port_file = os.path.join(home, "port")
    server = subprocess.Popen(["/usr/bin/python3", script, "--out", out, "--port-file", port_file])
    port = int(wait_for(lambda: os.path.exists(port_file) and open(port_file).read().strip(), 10, "the SMTP server"))
    return server, port, out


def stop_smtp_server(server):
    """Ends a server start_smtp_server started (None: nothing to end)."""
    if server is not None:
        server.send_signal(signal.SIGTERM)
        server.wait(timeout=10)


class Xvfb:
    """Starts Xvfb on a display of its own; raises RuntimeError when it does not.

    The number is drawn at random from a high range rather than taken as the lowest free one
    (-displayfd alone): tests of several builds start Xvfb at the same moment, and two servers
    that find the same stale lock of the lowest number can both take it, one then removing the
    other's socket. A number already held makes Xvfb end at once, and another is drawn.
    -noreset: without it the server resets each time its last client goes (every killed or
    ended program), recompiling its keymap.
    """
    def __init__(self):
        for _ in range(20):
            number = random.randrange(1000, 30000)
            self.log = tempfile.TemporaryFile()
            read, write = os.pipe()
            self.process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=self.log)
            os.close(write)
            # The number comes through the pipe once the server accepts clients; end of file
            # without it: the server ended (the number was taken).
            with os.fdopen(read, "rb") as pipe:
                said = pipe.readline()
            if said.strip():
                self.display = ":" + said.decode().strip()
                return
            self.process.wait(timeout=10)
        raise RuntimeError("Xvfb did not start: " + self.output())

    def output(self):
        """What the server said (on a failure: why it ended, if it did)."""
        self.log.seek(0)
        text = self.log.read().decode("utf-8", "replace")
        code = self.process.poll()
        return text + ("" if code is None else "\n(Xvfb ended with %d)" % code)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def xdotool(env, *args):
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=20)


def window_named(env, name):
    result = xdotool(env, "search", "--onlyvisible", "--name", "^" + name + "$")
    ids = result.stdout.split()
    return ids[0] if ids else None


def key(env, window, *keys):
    for k in keys:
        result = xdotool(env, "key", k)
        if result.returncode != 0:
            fail("xdotool key %s: %s" % (k, result.stderr))
        time.sleep(0.15)


def type_text(env, text):
    xdotool(env, "type", "--delay", "20", text)
    time.sleep(0.2)


def focus(env, window):
    xdotool(env, "windowactivate", "--sync", window)
    xdotool(env, "windowfocus", "--sync", window)
    time.sleep(0.2)


def drag_file(env, drag_source, path, x, y):
    """Drags `path` from the build's quillon-drag-source (a window near the bottom right) and
    drops it at (x, y) on the screen: a real XDND drop, as from a file manager. Returns the
    helper's process, which stays a few seconds to hand over the data; the caller ends it."""
    # Its own place and size in screen pixels, whatever DPI the program is tried at.
    plain = {k: v for k, v in env.items() if k != "QT_FONT_DPI"}
    source = subprocess.Popen([drag_source, path], env=plain, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    wait_for(lambda: window_named(env, "quillon-drag-source"), 10, "the drag source")
    start_x, start_y, steps = 1100, 940, 20
    # A press that comes before the new window takes input starts nothing: press again.
    for _ in range(5):
        xdotool(env, "mousemove", "--sync", str(start_x), str(start_y))
        xdotool(env, "mousedown", "1")
        ready, _, _ = select.select([source.stdout], [], [], 2)
        if ready:
            break
        xdotool(env, "mouseup", "1")
    if not ready or source.stdout.readline().strip() != b"dragging":
        source.kill()
        fail("the drag did not start")
    time.sleep(0.3)
    # Relative steps: the drag's own pointer grab sees these as motion over each window.
    for _ in range(steps):
        xdotool(env, "mousemove_relative", "--sync", "--", str((x - start_x) // steps), str((y - start_y) // steps))
        time.sleep(0.1)
    time.sleep(0.3)
    xdotool(env, "mouseup", "1")
    return source
