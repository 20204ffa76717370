"""A private X server (Xvfb) for the tests that drive the real program with keys."""
import os
import subprocess
import tempfile


class Xvfb:
    """Starts Xvfb on a free display number (-displayfd); raises RuntimeError when it does not.

    -noreset: without it the server resets each time its last client goes (every killed or
    ended program), recompiling its keymap; a start that meets a reset cannot open the display.
    """
    def __init__(self):
        self.log = tempfile.TemporaryFile()
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=self.log)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            raise RuntimeError("Xvfb did not start: " + self.output())
        self.display = ":" + number.decode().strip()

    def output(self):
        """What the server said (on a failure: why it ended, if it did)."""
        self.log.seek(0)
        text = self.log.read().decode("utf-8", "replace")
        code = self.process.poll()
        return text + ("" if code is None else "\n(Xvfb ended with %d)" % code)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
