"""The real program under a virtual X server: Xvfb on a display of its own and the xdotool
helpers the end-to-end tests and the screenshot script drive it with."""
import os
import subprocess
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


class Xvfb:
    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            fail("Xvfb did not start")
        self.display = ":" + number.decode().strip()

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
