#!/usr/bin/env python3
"""Parses every .eml of the corpus with `quillon-mail parse` and with Python's standard email
package, and checks that both agree on subject, addresses, body text, attachment names and
attachment bytes. Python's text is brought through code page 932 first, as the parser keeps
text in that code page ("〓" for what it cannot hold).

usage: compare_with_python.py PARSE_TOOL CORPUS_DIR
"""
import codecs
import glob
import json
import os
import subprocess
import sys
import tempfile
from email import policy
from email.header import decode_header, make_header
from email.parser import BytesParser

codecs.register_error("geta", lambda e: ("〓", e.end))
PROHIBITED = '\\/:,;*?"<>|'
EXTENSIONS = {"image/jpeg": ".jpg", "image/png": ".png", "image/gif": ".gif",
              "application/pdf": ".pdf", "application/zip": ".zip", "text/plain": ".txt",
              "text/html": ".html", "message/rfc822": ".eml"}


def cp932(text):
    return text.encode("cp932", errors="geta").decode("cp932")


def unword(text):
    if text and "=?" in text:
        return str(make_header(decode_header(text)))
    return text


def clean(name):
    for c in PROHIBITED:
        name = name.replace(c, "_")
    return "".join("_" if ord(c) < 0x20 else c for c in name).strip()


def lines(text):
    return text.replace("\r\n", "\n")


class Expected:
    def __init__(self):
        self.body = ""
        self.attachments = []  # (title, bytes or None, inner message or None)

    def add_file(self, part):
        name = part.get_filename()
        name = clean(cp932(unword(name))) if name else ""
        if name in ("", ".", ".."):
            name = "attachment%d%s" % (len(self.attachments) + 1,
                                       EXTENSIONS.get(part.get_content_type(), ""))
        self.attachments.append((name, part.get_payload(decode=True), None))

    def add_mail(self, part):
        inner = part.get_payload(0)
        self.attachments.append((cp932(str(inner["subject"] or "")), None, inner))

    def text(self, part):
        return cp932(part.get_content())

    def mime(self, part):
        ct = part.get_content_type()
        if ct == "multipart/alternative":
            for sub in part.iter_parts():
                if sub.get_content_type() == "text/plain":
                    self.body = self.text(sub)
                    break
        elif ct == "multipart/related":
            found = False
            for sub in part.iter_parts():
                before = self.body
                self.body = ""
                self.mime(sub)
                if found or not self.body:
                    self.body = before
                else:
                    found = True
        elif ct.startswith("multipart/"):
            for sub in part.iter_parts():
                st = sub.get_content_type()
                if st.startswith("multipart/"):
                    self.mime(sub)
                elif st == "text/plain":
                    if sub.get_filename():
                        self.add_file(sub)
                    else:
                        self.body = self.text(sub)
                elif st == "message/rfc822":
                    self.add_mail(sub)
                else:
                    self.add_file(sub)
        elif ct == "text/plain":
            self.body = self.text(part)
        elif ct.startswith("image"):
            self.add_file(part)


def leaves(msg):
    return [(p.get_filename(), p.get_payload(decode=True))
            for p in msg.walk() if not p.is_multipart()]


def addresses(header):
    if header is None:
        return []
    return [(cp932(a.display_name), a.addr_spec) for a in header.addresses]


def parse_tool(tool, path, temp, reply=False):
    args = [tool, "parse", path, "--temp", temp] + (["--reply"] if reply else [])
    run = subprocess.run(args, capture_output=True, check=False)
    if run.returncode != 0:
        raise AssertionError("%s exited %d: %s" % (args, run.returncode, run.stderr))
    return json.loads(run.stdout.decode("utf-8"))


def ours(entries):
    # The address model keeps the quotes around a Japanese display name.
    return [(e["name"][1:-1] if e["name"].startswith('"') and e["name"].endswith('"')
             else e["name"], e["address"]) for e in entries]


def check(tool, path, failures):
    name = os.path.basename(path)

    def expect(what, got, want):
        if got != want:
            failures.append("%s: %s\n  ours:   %r\n  python: %r" % (name, what, got, want))

    with open(path, "rb") as f:
        raw = f.read()
    msg = BytesParser(policy=policy.default).parsebytes(raw)
    want = Expected()
    want.mime(msg)

    with tempfile.TemporaryDirectory() as temp:
        got = parse_tool(tool, path, temp)
        expect("result", got["result"], 1)
        expect("subject", got["subject"], cp932(str(msg["subject"] or "")))
        to = []
        for a in addresses(msg["to"]):
            if a[1] not in [t[1] for t in to]:
                to.append(a)
        expect("to", ours(got["to"]), to)
        expect("cc", ours(got["cc"]), addresses(msg["cc"]))
        expect("body", lines(got["body"]), lines(want.body))
        expect("file titles", [f["title"] for f in got["files"]], [a[0] for a in want.attachments])
        for f, (title, data, inner) in zip(got["files"], want.attachments):
            expect("folder of " + title, os.path.dirname(f["path"]), temp)
            with open(f["path"], "rb") as saved:
                content = saved.read()
            if inner is None:
                expect("bytes of " + title, content, data)
            else:
                mail = BytesParser(policy=policy.default).parsebytes(content)
                expect("subject of attached " + title, str(mail["subject"]), str(inner["subject"]))
                expect("parts of attached " + title, leaves(mail), leaves(inner))
        summary = got["original_summary"].split("\r\n")
        expect("summary subject", summary[-2 if not want.attachments else -3],
               " Subject: " + got["subject"])
        if want.attachments:
            expect("summary files", summary[-2],
                   " File:    " + ";".join(a[0] for a in want.attachments))

        if msg["message-id"]:
            reply = parse_tool(tool, path, temp, reply=True)
            mid = str(msg["message-id"])
            refs = str(msg["references"] or "")
            expect("reply in_reply_to", reply["in_reply_to"], mid)
            expect("reply references", reply["references"], (refs + "\r\n\t" if refs else "") + mid)
            expect("reply to", [a for _, a in ours(reply["to"])], [a for _, a in addresses(msg["from"])])
            expect("reply cc", [a for _, a in ours(reply["cc"])],
                   [a for _, a in addresses(msg["to"]) + addresses(msg["cc"])
                    if a not in [f for _, f in addresses(msg["from"])]])


def main():
    tool, corpus = sys.argv[1], sys.argv[2]
    files = sorted(glob.glob(os.path.join(corpus, "*.eml")))
    if not files:
        print("no corpus in", corpus)
        return 1
    failures = []
    # The command's exit codes: 2 for usage errors, 1 for an unreadable file.
    for args, code in (([], 2), (["parse"], 2), (["parse", files[0], "--bogus"], 2),
                       (["parse", files[0], "--temp", os.path.join(corpus, "no-such-folder")], 2),
                       (["parse", os.path.join(corpus, "no-such.eml")], 1),
                       (["parse", corpus], 1)):
        got = subprocess.run([tool] + args, capture_output=True, check=False).returncode
        if got != code:
            failures.append("quillon-mail %s: exit %d, expected %d" % (" ".join(args), got, code))
    for path in files:
        try:
            check(tool, path, failures)
        except Exception as e:  # a crash or bad JSON is a failure of that file
            failures.append("%s: %s: %s" % (os.path.basename(path), type(e).__name__, e))
    for f in failures:
        print(f)
    print("%d files, %d differences" % (len(files), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
