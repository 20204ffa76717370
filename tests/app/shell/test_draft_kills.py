"""The real quillon binary under Xvfb, killed with SIGKILL at 50 random moments while keys
(xdotool) type into each page: after every kill the draft on disk (read by this script's own
reader of the format in docs/PLATFORM.md, CRC-32 by zlib) must hold everything typed up to 3 s
before the kill, and the restart must offer it ("確認", answered Yes with Enter) and carry on
from it. At the end the restored program sends, and its message must equal, byte for byte but
for Date and Message-ID, the message an uninterrupted program sends with the same fields.

The To text typed into the Address page's entry stays there unadded until the send, so the
draft keeps it as the page's record ("page": Address, entry:0, text) rather than as To
addresses; it is reached from the subject with Tab ("宛先(&A)" opens the address book).

Prints the reliability figure: kills survived with nothing older than 3 s lost, out of how many.
Exit code 77 (skipped) when Xvfb, xdotool or aiosmtpd are missing.
"""
import argparse
import os
import random
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from xvfb import SKIP, Xvfb, fail, start_smtp_server, stop_smtp_server  # noqa: E402

KILLS = 50
WINDOW = 3.0  # seconds: what was typed this long before a kill must be in the draft
TITLES = {"Body": "Velto Quillon - 本文、添付ファイル", "Letter": "Velto Quillon - 件名、文面定型",
          "Address": "Velto Quillon - 宛先"}
ORDER = ["Body", "Letter", "Address"]


def parse_draft(data):
    """The draft format, read independently: records of length-prefixed fields, CRC-32 last."""
    magic = b"QuillonDraft 1\r\n"
    if not data.startswith(magic):
        raise ValueError("no magic line")
    pos, records = len(magic), []
    while True:
        start = pos
        blank = data.index(b" ", pos)
        name = data[pos:blank].decode("ascii")
        end = data.index(b"\r\n", blank)
        count = int(data[blank + 1:end])
        pos = end + 2
        fields = []
        for _ in range(count):
            colon = data.index(b":", pos)
            length = int(data[pos:colon])
            fields.append(data[colon + 1:colon + 1 + length])
            if data[colon + 1 + length:colon + 3 + length] != b"\r\n":
                raise ValueError("field not ended")
            pos = colon + 3 + length
        if name == "end":
            if pos != len(data) or fields[0].decode() != "%08x" % zlib.crc32(data[:start]):
                raise ValueError("bad end or CRC")
            return records
        records.append((name, fields))


def fields_of(records):
    """The typed fields as the draft keeps them. The To text is the document's To addresses
    (added ones) followed by what stands in the To entry unadded (the Address page's record)."""
    state = {"subject": "", "body": "", "to": ""}
    added, entry = [], ""
    for name, fields in records:
        if name == "subject":
            state["subject"] = fields[0].decode("cp932")
        elif name == "body":
            state["body"] = fields[0].decode("cp932").replace("\r\n", "\n")
        elif name == "to":
            added.append(fields[2].decode("cp932"))
        elif name == "page" and fields[0] == b"Address" and fields[1] == b"entry:0":
            entry = fields[2].decode("utf-8")
    state["to"] = ", ".join(added + ([entry] if entry else []))
    page = next((f[0].decode() for n, f in records if n == "wizard"), "Body")
    return state, page


class Session:
    def __init__(self, quillon, env, xvfb):
        self.quillon, self.env, self.xvfb = quillon, env, xvfb

    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=20)

    def window(self, name):
        ids = self.xdo("search", "--onlyvisible", "--name", "^" + re.escape(name) + "$").stdout.split()
        return ids[0] if ids else None

    def wait_window(self, names, timeout, process=None):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            for name in names:
                found = self.window(name)
                if found:
                    return name, found
            if process is not None and process.poll() is not None:
                self.log.seek(0)
                fail("quillon ended with %d: %s\nXvfb: %s" % (process.returncode, self.log.read().decode("utf-8", "replace"),
                                                               self.xvfb.output()))
            time.sleep(0.03)
        fail("timed out waiting for %r\nXvfb: %s" % (names, self.xvfb.output()))

    def focus(self, window):
        self.xdo("windowfocus", "--sync", window)

    def to_entry(self):
        # "宛先(&A)" opens the address book; the To entry follows it in the Tab order after
        # the subject, "差出人(&N)" and the sender box.
        self.keys("alt+s", "Tab", "Tab", "Tab", "Tab", "End")

    def keys(self, *keys):
        for k in keys:
            self.xdo("key", k)

    def type(self, text):
        # xdotool types "\n" as Linefeed, a key no keyboard's Enter sends: lines end in Return.
        for number, line in enumerate(text.split("\n")):
            if number:
                self.keys("Return")
            if line:
                self.xdo("type", "--delay", "12", line)

    def start(self):
        """Starts the program; answers the restore question with Yes; returns (process, page)."""
        self.log = tempfile.TemporaryFile()
        process = subprocess.Popen([self.quillon], env=self.env, stderr=self.log)
        name, window = self.wait_window(["確認"] + list(TITLES.values()), 20, process)
        if name == "確認":
            self.focus(window)
            self.keys("Return")
            name, window = self.wait_window(list(TITLES.values()), 20, process)
        self.focus(window)
        return process, next(page for page, title in TITLES.items() if title == name)


def newest_draft(folder):
    drafts = [os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".draft")] if os.path.isdir(folder) else []
    return max(drafts, key=os.path.getmtime) if drafts else None


def is_prefix_between(low, value, high):
    return value.startswith(low) and high.startswith(value)


def strip_varying(message):
    return re.sub(rb"(?im)^(Date|Message-ID): .*\r\n", b"", message)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quillon", required=True)
    parser.add_argument("--smtp-server", required=True)
    parser.add_argument("--kills", type=int, default=KILLS)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed (Debian packages xvfb, xdotool)" % tool)
            return SKIP
    if subprocess.run(["/usr/bin/python3", "-c", "import aiosmtpd"], capture_output=True).returncode != 0:
        print("SKIP: /usr/bin/python3 lacks aiosmtpd (Debian package python3-aiosmtpd)")
        return SKIP
    rng = random.Random(args.seed)
    print("seed %d" % args.seed)

    home = tempfile.mkdtemp(prefix="quillon-kills-")
    env = dict(os.environ)
    env.update({"XDG_DATA_HOME": os.path.join(home, "data"), "XDG_CONFIG_HOME": os.path.join(home, "config"),
                "XDG_RUNTIME_DIR": home, "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"})
    env.pop("QT_QPA_PLATFORM", None)
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("SESSION_MANAGER", None)
    xvfb = Xvfb()
    server = None
    try:
        env["DISPLAY"] = xvfb.display
        if subprocess.run([args.quillon, "--exit-after-paint"], env=env, capture_output=True, timeout=30).returncode:
            fail("first start")
        server, port, out = start_smtp_server(args.smtp_server, home)
        data = os.path.join(env["XDG_DATA_HOME"], "Velto", "Quillon")
        drafts = os.path.join(data, "Drafts")
        with sqlite3.connect(os.path.join(data, "Account.mdb")) as db:
            cursor = db.execute("INSERT INTO ACCOUNT (DISPLAY_NAME, MAIL_ADDRESS, SEND_SERVER, SEND_PORT, NEED_SEND_AUTH)"
                                " VALUES ('Taro', 'taro@example.com', '127.0.0.1', ?, 0)", (port,))
            db.execute("UPDATE CURRENT_ACCOUNT SET ACCOUNT_ID = ?, SET_TO_BCC = 0", (cursor.lastrowid,))

        session = Session(args.quillon, env, xvfb)
        state = {"subject": "", "body": "", "to": ""}
        survived, lost = 0, []
        started = time.monotonic()
        for kill in range(args.kills):
            during_start = rng.random() < 0.1
            delay = rng.uniform(0.0, 0.6) if during_start else rng.uniform(0.2, 3.5)
            if during_start:
                process = subprocess.Popen([args.quillon], env=env, stderr=subprocess.DEVNULL)
                time.sleep(delay)
                kill_time = time.monotonic()
                process.send_signal(signal.SIGKILL)
                process.wait()
                history, inflight = [(kill_time - 100, dict(state))], dict(state)
            else:
                process, page = session.start()
                history = [(time.monotonic() - 100, dict(state))]  # the restored state is on disk
                inflight = dict(state)
                killed = threading.Event()
                deadline = time.monotonic() + delay

                def killer():
                    time.sleep(max(0.0, deadline - time.monotonic()))
                    process.send_signal(signal.SIGKILL)
                    killed.set()
                threading.Thread(target=killer, daemon=True).start()
                force_switch = False
                while not killed.is_set():
                    # Now and then another page; then a few keys into one of its fields.
                    if force_switch or rng.random() < 0.25:
                        force_switch = False
                        index = ORDER.index(page)
                        step = rng.choice([-1, 1]) if 0 < index < 2 else (1 if index == 0 else -1)
                        session.keys("ctrl+Right" if step > 0 else "ctrl+Left")
                        page = ORDER[index + step]
                        shown = session.window(TITLES[page])
                        waited = time.monotonic() + 10
                        while not shown and not killed.is_set() and time.monotonic() < waited:
                            time.sleep(0.03)
                            shown = session.window(TITLES[page])
                        if killed.is_set():
                            break
                        if not shown:
                            fail("the %s page did not show; visible windows: %s" % (page, session.xdo(
                                "search", "--onlyvisible", "--name", ".", "getwindowname", "%@").stdout.split("\n")))
                        session.focus(shown)
                    # The subject edit takes 255 bytes and the address edit its own limit:
                    # typing stops short of them.
                    fields = [f for f in {"Body": ["subject", "body"], "Letter": ["subject"],
                                          "Address": ["subject", "to"]}[page]
                              if len(state[f]) < {"subject": 200, "to": 60, "body": 100000}[f]]
                    if not fields:
                        force_switch = True
                        continue
                    field = rng.choice(fields)
                    if field == "subject":
                        session.keys("alt+s", "End")
                        chunk = rng.choice(["meet", " at", " ten", " re", "port", " v2"])
                    elif field == "to":
                        session.to_entry()
                        chunk = rng.choice(["ha", "na", "ko", "x1"])
                    else:
                        session.keys("alt+b", "ctrl+End")
                        line = state["body"].split("\n")[-1]
                        chunk = rng.choice(["Hello", " world", " ok", " fine", " done"])
                        if len(line) > 30:
                            chunk = "\n" + chunk.strip()
                    if not chunk:
                        continue
                    inflight = dict(state)
                    inflight[field] += chunk
                    session.type(chunk)
                    if killed.is_set():
                        break
                    state = inflight
                    history.append((time.monotonic(), dict(state)))
                process.wait()
                kill_time = deadline
            # The draft on disk against what was typed.
            path = newest_draft(drafts)
            saved = fields_of(parse_draft(open(path, "rb").read()))[0] if path else {"subject": "", "body": "", "to": ""}
            old = [snapshot for done, snapshot in history if done <= kill_time - WINDOW]
            floor = old[-1] if old else history[0][1]
            ok = all(is_prefix_between(floor[f], saved[f], inflight[f]) or is_prefix_between(floor[f], saved[f], state[f])
                     for f in saved)
            print("kill %d at %.1f s%s: %s" % (kill, delay, " (while starting)" if during_start else "",
                                                "kept" if ok else "LOST"), flush=True)
            if ok:
                survived += 1
                state = saved  # what the restart shows
            else:
                lost.append(kill)
                print("  typed >=%.0f s before: %r\n  draft: %r\n  typing: %r\n  typed: %r"
                      % (WINDOW, floor, saved, inflight, state), flush=True)
                # Each kill is judged on its own: after a loss the next run starts afresh.
                for name in os.listdir(drafts):
                    if name.endswith(".draft"):
                        os.remove(os.path.join(drafts, name))
                state = {"subject": "", "body": "", "to": ""}
        elapsed = time.monotonic() - started
        print("kills survived with nothing older than %.0f s lost: %d of %d (%.0f s)" % (WINDOW, survived, args.kills, elapsed))
        if lost:
            print("kills that lost text: %s" % ", ".join(map(str, lost)))

        print("the last draft holds: %r" % state)
        # The restored program sends; then an uninterrupted one sends the same fields.
        saved_state = dict(state)
        state["subject"] += "" if state["subject"] else "x"
        state["to"] += "@example.com" if state["to"] else "hanako@example.com"
        sent = []
        for attempt in ("restored", "uninterrupted"):
            process, page_now = session.start()
            current = dict(saved_state) if attempt == "restored" else {"subject": "", "body": "", "to": ""}
            # Walk to each page and make its fields what `state` says (only appending).
            while page_now != "Body":
                session.keys("ctrl+Left")
                page_now = ORDER[ORDER.index(page_now) - 1]
                session.focus(session.wait_window([TITLES[page_now]], 10)[1])
            session.keys("alt+s", "End")
            session.type(state["subject"][len(current["subject"]):])
            session.keys("alt+b", "ctrl+End")
            session.type(state["body"][len(current["body"]):])
            session.keys("ctrl+Right")
            session.focus(session.wait_window([TITLES["Letter"]], 10)[1])
            session.keys("ctrl+Right")
            session.focus(session.wait_window([TITLES["Address"]], 10)[1])
            session.to_entry()
            session.type(state["to"][len(current["to"]):])
            session.keys("ctrl+Right")  # send
            number = len(sent) + 1
            end = time.monotonic() + 20
            while not os.path.exists(os.path.join(out, "%d.eml" % number)):
                if time.monotonic() > end:
                    fail("the %s program did not send" % attempt)
                time.sleep(0.05)
            time.sleep(0.3)
            sent.append(open(os.path.join(out, "%d.eml" % number), "rb").read())
            session.focus(session.wait_window([TITLES["Body"]], 10)[1])
            session.keys("ctrl+Left")  # "キャンセル" on the emptied first page ends it
            try:
                process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                process.kill()
                fail("the %s program did not end" % attempt)
            if newest_draft(drafts):
                fail("a draft is left after the %s program sent" % attempt)
        if strip_varying(sent[0]) != strip_varying(sent[1]):
            fail("the restored program sent other bytes:\n%r\n--- uninterrupted:\n%r" % (sent[0], sent[1]))
        print("the restored program sent the same bytes as an uninterrupted one (%d bytes)" % len(sent[0]))
        if lost:
            fail("%d kills lost what was typed more than %.0f s before" % (len(lost), WINDOW))
        print("1 passed, 0 failed")
        return 0
    finally:
        stop_smtp_server(server)
        xvfb.stop()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
