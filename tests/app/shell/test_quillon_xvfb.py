"""The real quillon binary under Xvfb, driven only by keys (xdotool): it starts on its first
page, walks the pages with Ctrl+Right, sends to an SMTP server on loopback (aiosmtpd), comes
back on the emptied first page and ends with exit code 0 after Ctrl+Left ("キャンセル").
Also: two instances at once on the same data folder both start and end cleanly, and a start
without a display says so in one line and ends with a non-zero code.

Exit code 77 (skipped) when Xvfb, xdotool or aiosmtpd are missing.
"""
import argparse
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from xvfb import SKIP, Xvfb, fail, focus, key, start_smtp_server, stop_smtp_server, type_text, wait_for, window_named, xdotool  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quillon", required=True)
    parser.add_argument("--smtp-server", required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()

    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed (Debian packages xvfb, xdotool)" % tool)
            return SKIP
    if subprocess.run(["/usr/bin/python3", "-c", "import aiosmtpd"], capture_output=True).returncode != 0:
        print("SKIP: /usr/bin/python3 lacks aiosmtpd (Debian package python3-aiosmtpd)")
        return SKIP

    home = tempfile.mkdtemp(prefix="quillon-xvfb-")
    env = dict(os.environ)
    env.update({"XDG_DATA_HOME": os.path.join(home, "data"), "XDG_CONFIG_HOME": os.path.join(home, "config"),
                "XDG_RUNTIME_DIR": home, "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"})
    env.pop("QT_QPA_PLATFORM", None)
    env.pop("WAYLAND_DISPLAY", None)

    # Without any display: one clear line, a non-zero exit, no hang.
    bare = {k: v for k, v in env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([args.quillon], env=bare, capture_output=True, timeout=20)
    if result.returncode == 0 or "DISPLAY" not in result.stderr.decode("utf-8", "replace"):
        fail("a start without a display: exit %d, %r" % (result.returncode, result.stderr))

    # A display that cannot be opened: the same kind of line instead of Qt's abort.
    result = subprocess.run([args.quillon], env=dict(bare, DISPLAY=":9999"), capture_output=True, timeout=20)
    if result.returncode != 2 or "画面を開けませんでした" not in result.stderr.decode("utf-8", "replace"):
        fail("a display that cannot be opened: exit %d, %r" % (result.returncode, result.stderr))

    xvfb = Xvfb()
    server = None
    try:
        env["DISPLAY"] = xvfb.display
        # The first start makes the databases.
        first = subprocess.run([args.quillon, "--exit-after-paint"], env=env, capture_output=True, timeout=30)
        if first.returncode != 0:
            fail("first start: exit %d %r" % (first.returncode, first.stderr))

        server, port, out = start_smtp_server(args.smtp_server, home)

        data = os.path.join(env["XDG_DATA_HOME"], "Velto", "Quillon")
        with sqlite3.connect(os.path.join(data, "Account.mdb")) as db:
            cursor = db.execute("INSERT INTO ACCOUNT (DISPLAY_NAME, MAIL_ADDRESS, SEND_SERVER, SEND_PORT, NEED_SEND_AUTH)"
                                " VALUES ('Taro', 'taro@example.com', '127.0.0.1', ?, 0)", (port,))
            db.execute("UPDATE CURRENT_ACCOUNT SET ACCOUNT_ID = ?, SET_TO_BCC = 0", (cursor.lastrowid,))

        # Two instances at once on the same folder, each with its own document.
        pair = [subprocess.Popen([args.quillon, "--exit-after-paint"], env=env, stderr=subprocess.PIPE) for _ in range(2)]
        for process in pair:
            if process.wait(timeout=30) != 0:
                fail("one of two instances ended with %d" % process.returncode)

        quillon = subprocess.Popen([args.quillon], env=env, stderr=subprocess.PIPE)
        body_title = "Velto Quillon - 本文、添付ファイル"
        window = wait_for(lambda: window_named(env, body_title), 20, "the first page")
        focus(env, window)
        type_text(env, "Monthly meeting")
        key(env, window, "alt+b")  # to the body by its label; Tab goes to the attachments first
        type_text(env, "Hello from Xvfb")
        if args.screenshots:
            subprocess.run(["import", "-display", xvfb.display, "-window", "root",
                            os.path.join(args.screenshots, "xvfb_body.png")], env=env)
        key(env, window, "ctrl+Right")
        letter = wait_for(lambda: window_named(env, "Velto Quillon - 件名、文面定型"), 10, "the Letter page")
        key(env, letter, "ctrl+Right")
        address = wait_for(lambda: window_named(env, "Velto Quillon - 宛先"), 10, "the Address page")
        focus(env, address)
        # From the subject: "差出人(&N)", the sender box, "宛先(&A)", then the To entry.
        key(env, address, "alt+s")
        for _ in range(4):
            key(env, address, "Tab")
        type_text(env, "hanako@example.com")
        key(env, address, "ctrl+Right")  # send from the last page

        wait_for(lambda: os.path.exists(os.path.join(out, "1.eml")), 20, "the message at the server")
        window = wait_for(lambda: window_named(env, body_title), 10, "the emptied first page")
        if window_named(env, "Velto Quillon - 宛先"):
            fail("the Address page is still shown after the send")
        focus(env, window)
        key(env, window, "ctrl+Left")  # "キャンセル" on the emptied first page
        try:
            code = quillon.wait(timeout=20)
        except subprocess.TimeoutExpired:
            quillon.kill()
            fail("quillon did not end after Cancel")
        if code != 0:
            fail("quillon ended with %d: %s" % (code, quillon.stderr.read()))

        message = open(os.path.join(out, "1.eml"), "rb").read().decode("ascii", "replace")
        envelope = json.load(open(os.path.join(out, "1.json")))
        if envelope["mail_from"] != "taro@example.com" or envelope["rcpt_tos"] != ["hanako@example.com"]:
            fail("envelope %r" % envelope)
        if "Subject: Monthly meeting" not in message or "Hello from Xvfb" not in message:
            fail("message:\n" + message)
        with sqlite3.connect(os.path.join(data, "Config.mdb")) as db:
            x, y = db.execute("SELECT WIZAWD_POS_X, WIZAWD_POS_Y FROM WINDOW_POS").fetchone()
        print("sent and ended cleanly; window position stored as (%d, %d)" % (x, y))
        print("1 passed, 0 failed")
        return 0
    finally:
        stop_smtp_server(server)
        xvfb.stop()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
