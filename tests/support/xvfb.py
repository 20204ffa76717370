"""A private X server (Xvfb) for the tests that drive the real program with keys."""
import os
import random
import subprocess
import tempfile


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
