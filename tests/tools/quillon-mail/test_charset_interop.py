#!/usr/bin/env python3
"""Verifies that what `quillon-mail write` sends is read with nothing lost by three readers
that share no code with it: Python's `email` package, nkf and glibc's iconv. The message holds
characters that ISO-2022-JP cannot carry (①, Ⅱ, ㈱, 髙, 﨑) beside plain Japanese: each field
must arrive as it was typed, whichever charset it was given; and with --charset iso-2022-jp
the old fault (iconv stops at ①) must show, so the test can tell.

Usage: test_charset_interop.py PATH-TO-quillon-mail WORK-FOLDER"""
import base64
import email
import email.header
import email.policy
import os
import re
import shutil
import subprocess
import sys
import unicodedata
import unittest

BINARY = None
WORK = None

SUBJECT = "会議①の件 ㈱ベルト 第Ⅱ期"
BODY = "髙橋様\n\n本文①です。﨑と ｶﾞｷﾞ も。\n以上\n"
FROM = "山田 太郎"
TO = "髙橋 一郎"
CC = "山田, 太郎"
FILES = ["① 見積.txt", "見積書.txt"]


def fold_kana(text):
    """ISO-2022-JP carries half-width katakana as full width (by design)."""
    return re.sub("[\uff61-\uff9f]+", lambda m: unicodedata.normalize("NFKC", m.group()), text)


def tool(*args):
    return subprocess.run([BINARY, *args], capture_output=True, stdin=subprocess.DEVNULL)


def iconv(data, charset):
    result = subprocess.run(["iconv", "-f", charset, "-t", "UTF-8"], input=data, capture_output=True)
    return result.returncode, result.stdout.decode("utf-8", "replace")


def nkf(data, *options):
    # -x: half-width katakana stay as they are.
    return subprocess.run(["nkf", "-w", "-x", *options], input=data, capture_output=True, check=True).stdout.decode()


def words(value):
    """The encoded words of a raw header value: (charset, bytes)."""
    return [(m.group(1), base64.b64decode(m.group(2)))
            for m in re.finditer(r"=\?([^?]+)\?B\?([A-Za-z0-9+/=]*)\?=", value)]


def raw_header(data, name):
    head = data.split(b"\r\n\r\n", 1)[0].decode("ascii")
    match = re.search(r"^" + name + r": (.*?)\r\n(?![ \t])", head + "\r\n", re.S | re.M | re.I)
    return match.group(1) if match else None


def iconv_words(value):
    """The encoded words of a value decoded by iconv alone; None when iconv fails."""
    text = ""
    for charset, data in words(value):
        status, decoded = iconv(data, charset)
        if status != 0:
            return None
        text += decoded
    return text


class CharsetInterop(unittest.TestCase):
    def setUp(self):
        self.folder = os.path.join(WORK, self.id().rsplit(".", 1)[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.body = os.path.join(self.folder, "body.txt")
        with open(self.body, "w", encoding="utf-8") as f:
            f.write(BODY)
        self.files = []
        for name in FILES:
            path = os.path.join(self.folder, name)
            with open(path, "wb") as f:
                f.write(name.encode())
            self.files.append(path)

    def write(self, *options):
        result = tool("write", "--from", f"{FROM} <taro@example.jp>", "--to", f"{TO} <ichiro@example.jp>",
                      "--cc", f'"{CC}" <cc@example.jp>', "--subject", SUBJECT, "--body", self.body,
                      *[a for path in self.files for a in ("--attach", path)], *options)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        return result.stdout

    def test_each_reader_gets_every_character(self):
        data = self.write()
        message = email.message_from_bytes(data, policy=email.policy.default)
        self.assertEqual(message.defects, [])
        # Python's email package.
        self.assertEqual(message["subject"], SUBJECT)
        self.assertEqual([(a.display_name, a.addr_spec) for a in message["from"].addresses], [(FROM, "taro@example.jp")])
        self.assertEqual([(a.display_name, a.addr_spec) for a in message["to"].addresses], [(TO, "ichiro@example.jp")])
        self.assertEqual([(a.display_name, a.addr_spec) for a in message["cc"].addresses], [(CC, "cc@example.jp")])
        parts = list(message.iter_parts())
        self.assertEqual(parts[0].get_content_charset(), "utf-8")
        self.assertEqual(parts[0].get_content().replace("\r\n", "\n"), BODY)
        self.assertEqual([p.get_filename() for p in parts[1:]], FILES)
        self.assertEqual([p.get_content_type() for p in parts[1:]], ["text/plain", "text/plain"])
        # Fields that fit keep ISO-2022-JP, byte for byte as before.
        self.assertEqual(words(raw_header(data, "From"))[0][0], "iso-2022-jp")
        self.assertEqual(words(raw_header(data, "Subject"))[0][0], "UTF-8")

        # nkf: header fields through its MIME decoder, the body after Base64.
        decoded = nkf(data.split(b"\r\n\r\n", 1)[0], "-m")
        self.assertIn("Subject: " + SUBJECT, decoded)
        self.assertIn(f"From: {FROM} <taro@example.jp>", decoded)
        self.assertIn(f"To: {TO} <ichiro@example.jp>", decoded)
        self.assertEqual(nkf(parts[0].get_payload(decode=True)).replace("\r\n", "\n"), BODY)

        # iconv: every encoded word in its own charset, the body in its declared one.
        self.assertEqual(iconv_words(raw_header(data, "Subject")), SUBJECT)
        self.assertEqual(iconv_words(raw_header(data, "To")), TO)
        self.assertEqual(iconv_words(raw_header(data, "Cc")), CC)
        status, text = iconv(parts[0].get_payload(decode=True), "UTF-8")
        self.assertEqual((status, text.replace("\r\n", "\n")), (0, BODY))

    def test_stand_ins_keep_iso_2022_jp_and_every_reader_agrees(self):
        data = self.write("--replace", "all")
        message = email.message_from_bytes(data, policy=email.policy.default)
        subject = "会議(1)の件 (株)ベルト 第II期"
        body = fold_kana("高橋様\n\n本文(1)です。崎と ｶﾞｷﾞ も。\n以上\n")
        self.assertEqual(message["subject"], subject)
        self.assertEqual([a.display_name for a in message["to"].addresses], ["高橋 一郎"])
        part = list(message.iter_parts())[0]
        self.assertEqual(part.get_content_charset(), "iso-2022-jp")
        self.assertNotIn(b"UTF-8", data.split(b"\r\n\r\n", 1)[0])
        self.assertEqual(iconv_words(raw_header(data, "Subject")), subject)
        status, text = iconv(part.get_payload(decode=True), "ISO-2022-JP")
        self.assertEqual((status, text.replace("\r\n", "\n")), (0, body))
        self.assertEqual(fold_kana(nkf(part.get_payload(decode=True))).replace("\r\n", "\n"), body)

    def test_forced_iso_2022_jp_shows_the_old_loss(self):
        # The raw extension codes that nkf reads but iconv and Python reject.
        data = self.write("--charset", "iso-2022-jp")
        self.assertIsNone(iconv_words(raw_header(data, "Subject")))
        decoded = nkf(data.split(b"\r\n\r\n", 1)[0], "-m")
        self.assertIn("Subject: " + SUBJECT, decoded)

    def test_check_lists_what_does_not_fit(self):
        result = tool("check", "--subject", SUBJECT, "--body", self.body)
        self.assertEqual(result.returncode, 1)
        lines = [line.split("\t") for line in result.stdout.decode().splitlines()]

        def at(text, character):  # byte offset in code page 932, by Python's codec
            return str(len(text[:text.index(character)].encode("cp932")))
        self.assertEqual(lines, [
            ["件名", "0", at(SUBJECT, "①"), "①", "(1)", "symbol"],
            ["件名", "0", at(SUBJECT, "㈱"), "㈱", "(株)", "symbol"],
            ["件名", "0", at(SUBJECT, "Ⅱ"), "Ⅱ", "II", "symbol"],
            ["本文", "0", "0", "髙", "高", "variant"],
            ["本文", "0", at(BODY.replace("\n", "\r\n"), "①"), "①", "(1)", "symbol"],
            ["本文", "0", at(BODY.replace("\n", "\r\n"), "﨑"), "﨑", "崎", "variant"],
        ])
        result = tool("check", "--subject", "来週の会議", "--body", "-")
        self.assertEqual((result.returncode, result.stdout), (0, b""))


if __name__ == "__main__":
    BINARY, WORK = sys.argv[1], sys.argv[2]
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
