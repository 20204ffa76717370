"""A mail file dropped on the real quillon under Xvfb, through X's own drag and drop (XDND)
from another program: the drop menu appears where the mail was let go, "返信(R)" chosen by
its key makes the reply (subject "Re: ...", the sender as recipient, In-Reply-To), and
Escape instead leaves the page as it was. The program's document dump
(QUILLON_DUMP_DOCUMENT) says what its pages held when it ended.

Exit code 77 (skipped) when Xvfb or xdotool is missing.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from xvfb import SKIP, Xvfb, drag_file, fail, focus, key, wait_for, window_named, xdotool  # noqa: E402

BODY = "Velto Quillon - 本文、添付ファイル"

# As a Japanese mail reader saves it: ISO-2022-JP, the subject and sender name B-encoded.
MAIL = (b"From: =?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEIyVjtSGyhC?= <hanako@example.jp>\r\n"
        b"To: taro@example.jp\r\n"
        b"Subject: =?ISO-2022-JP?B?GyRCRGpOYzJxNUQkTkZ8RHgkSyREJCQkRhsoQg==?=\r\n"
        b"Date: Tue, 08 Dec 2026 10:00:00 +0900\r\n"
        b"Message-ID: <meeting-1@example.jp>\r\n"
        b"MIME-Version: 1.0\r\n"
        b"Content-Type: text/plain; charset=ISO-2022-JP\r\n"
        b"Content-Transfer-Encoding: 7bit\r\n\r\n"
        b"\x1b$BNkLZMM\x1b(B\r\n")


def visible(env):
    return set(xdotool(env, "search", "--onlyvisible", "--name", ".*").stdout.split())


def run_once(args, env, home, answer):
    """Starts quillon, drops the mail on its body, presses `answer` in the drop menu, closes
    the program without sending ("はい" to the question) and returns the dumped document."""
    dump = os.path.join(home, "document.json")
    if os.path.exists(dump):
        os.remove(dump)
    quillon = subprocess.Popen([args.quillon], env=dict(env, QUILLON_DUMP_DOCUMENT=dump), stderr=subprocess.PIPE)
    dragging = None
    try:
        page = wait_for(lambda: window_named(env, BODY), 30, "the first page")
        geometry = xdotool(env, "getwindowgeometry", "--shell", page).stdout
        place = dict(line.split("=") for line in geometry.split())
        before = visible(env)
        mail = os.path.join(home, "定例会議の日程について.eml")
        dragging = drag_file(env, args.drag_source, mail, int(place["X"]) + 300, int(place["Y"]) + 300)
        source = window_named(env, "quillon-drag-source")
        menu = wait_for(lambda: visible(env) - before - {source}, 10, "the drop menu")
        if len(menu) != 1:
            fail("the drop opened %d windows" % len(menu))
        key(env, page, answer)
        wait_for(lambda: not (visible(env) & menu), 10, "the drop menu to close")
        # Close without sending: Ctrl+Left on the first page, then "はい" if asked.
        page = wait_for(lambda: window_named(env, BODY), 10, "the first page after the drop")
        focus(env, page)
        key(env, page, "ctrl+Left")
        end = time.monotonic() + 10
        while quillon.poll() is None and time.monotonic() < end:
            question = window_named(env, "新規メール")
            if question:
                focus(env, question)
                key(env, question, "alt+y")
            time.sleep(0.1)
        if quillon.poll() is None:
            fail("quillon did not end after Cancel")
        if quillon.returncode != 0:
            fail("quillon ended with %d: %s" % (quillon.returncode, quillon.stderr.read()))
        return json.load(open(dump, encoding="utf-8"))
    finally:
        for process in (quillon, dragging):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quillon", required=True)
    parser.add_argument("--drag-source", required=True)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed (Debian packages xvfb, xdotool)" % tool)
            return SKIP

    home = tempfile.mkdtemp(prefix="quillon-drop-")
    os.chmod(home, 0o700)
    env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update({"XDG_DATA_HOME": os.path.join(home, "data"), "XDG_CONFIG_HOME": os.path.join(home, "config"),
                "XDG_RUNTIME_DIR": home, "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"})
    with open(os.path.join(home, "定例会議の日程について.eml"), "wb") as f:
        f.write(MAIL)
    xvfb = Xvfb()
    try:
        env["DISPLAY"] = xvfb.display
        reply = run_once(args, env, home, "r")
        expected = {"subject": "Re: 定例会議の日程について", "to": ["山田 花子 <hanako@example.jp>"],
                    "inReplyTo": "<meeting-1@example.jp>"}
        for name, value in expected.items():
            if reply[name] != value:
                fail("reply %s: %r, expected %r" % (name, reply[name], value))
        if "鈴木様" not in reply["body"]:
            fail("the reply does not quote the mail: %r" % reply["body"])

        dismissed = run_once(args, env, home, "Escape")
        if dismissed["subject"] or dismissed["to"] or dismissed["files"] or dismissed["inReplyTo"]:
            fail("Escape in the drop menu changed the message: %r" % dismissed)
        print("dropped, replied by key, and dismissed without a change")
        return 0
    finally:
        xvfb.stop()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
