#!/usr/bin/env python3
"""Verifies `quillon-mail write` end to end: what goes in on the command line comes out of
Python's own `email` parser (email.policy.default) unchanged, including Japanese names, a
20 MB attachment and an attached mail; paths are used as the file system's own bytes (names
code page 932 cannot hold, in a folder under café/, written and parsed back); and the exit
statuses and failure texts.

Usage: test_quillon_mail.py PATH-TO-quillon-mail WORK-FOLDER"""
import email
import email.header
import email.policy
import json
import os
import shutil
import subprocess
import sys
import unittest

BINARY = None
WORK = None


def run(*args, stdin=None):
    return subprocess.run([BINARY, *args], input=stdin, capture_output=True)


def parse(data):
    return email.message_from_bytes(data, policy=email.policy.default)


def addresses(header):
    return [(a.display_name, a.addr_spec) for a in header.addresses]


def rfc2047_decoded(message, name):
    raw = next(value for key, value in message.raw_items() if key.lower() == name.lower())
    return str(email.header.make_header(email.header.decode_header(raw)))


class WriteInterop(unittest.TestCase):
    def setUp(self):
        self.folder = os.path.join(WORK, self.id().rsplit(".", 1)[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def file(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_everything_that_goes_in_comes_out(self):
        big = os.urandom(20 * 1024 * 1024 + 17)
        small = bytes(range(256)) * 3
        attached_mail = (b"From: =?iso-2022-jp?B?GyRCOzNFRBsoQg==?= <a@example.jp>\r\n"
                         b"To: b@example.jp\r\nSubject: original\r\n\r\nthe original text\r\n")
        files = [
            self.file("第三四半期の売上報告書（最終版）.bin", small),
            self.file("big.dat", big),
            self.file("元のメール.eml", attached_mail),
            self.file("upper.EML", b"not a mail\r\n"),
            self.file('say "hi" \\ now.txt', b"quoted"),
        ]
        body = self.file("body.txt", "本文の一行目です。\n二行目は ASCII と混在 mixed.\n\n三行目。\n"
                         .encode())
        subject = "【ご案内】来週の定例会議の日程変更について Re: schedule"
        result = run(
            "write",
            "--from", "山田 太郎 <taro@example.jp>",
            "--reply-to", "\"Support, Desk\" <support@example.jp>",
            "--to", "佐藤 花子 <hanako@example.com>",
            "--to", "\"Ann \\\"The Boss\\\" Lee\" <ann@example.com>",
            "--to", "bare@example.com",
            "--cc", "株式会社ベルト 営業部 鈴木 一郎 <sales@example.co.jp>",
            "--bcc", "高橋 <takahashi@example.jp>",
            "--subject", subject,
            "--dear", "佐藤様",
            "--greeting", "いつもお世話になっております。",
            "--body", body,
            "--closing", "以上、よろしくお願いいたします。",
            "--signature", "山田 太郎\ntaro@example.jp",
            "--in-reply-to", "<orig.1@example.jp>",
            "--references", "<a.1@example.jp> <orig.1@example.jp>",
            "--mailer", "quillon-mail test",
            *[arg for path in files for arg in ("--attach", path)],
        )
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        self.assertEqual(result.stderr, b"")
        data = result.stdout
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "bare LF in the message")
        message = parse(data)
        self.assertEqual(message.defects, [])

        self.assertEqual(message["subject"], subject)
        self.assertEqual(addresses(message["from"]), [("山田 太郎", "taro@example.jp")])
        self.assertEqual(addresses(message["reply-to"]),
                         [("Support, Desk", "support@example.jp")])
        self.assertEqual(addresses(message["to"]), [
            ("佐藤 花子", "hanako@example.com"),
            ('Ann "The Boss" Lee', "ann@example.com"),
            ("", "bare@example.com"),
        ])
        # A long name becomes several encoded words. The default policy's address parser
        # keeps the blank between adjacent encoded words, against RFC 2047 section 6.2;
        # the package's own RFC 2047 decoder joins them as the RFC says.
        self.assertEqual(addresses(message["cc"])[0][1], "sales@example.co.jp")
        self.assertEqual(rfc2047_decoded(message, "Cc"),
                         "株式会社ベルト 営業部 鈴木 一郎 <sales@example.co.jp>")
        # The sent text keeps blind copies blind; --keep-bcc writes the saved copy.
        self.assertIsNone(message["bcc"])
        self.assertEqual(message["in-reply-to"], "<orig.1@example.jp>")
        self.assertEqual(message["references"], "<a.1@example.jp> <orig.1@example.jp>")
        self.assertEqual(message["x-mailer"], "quillon-mail test")
        self.assertEqual(message["mime-version"], "1.0")
        self.assertEqual(message.get_content_type(), "multipart/mixed")

        parts = list(message.iter_parts())
        self.assertEqual(len(parts), 6)
        text = parts[0].get_payload(decode=True).decode("iso-2022-jp")
        self.assertEqual(text.replace("\r\n", "\n"),
                         "佐藤様\n\nいつもお世話になっております。\n\n"
                         "本文の一行目です。\n二行目は ASCII と混在 mixed.\n\n三行目。\n"
                         "\n\n以上、よろしくお願いいたします。\n\n山田 太郎\ntaro@example.jp")
        self.assertEqual(parts[0].get_content_charset(), "iso-2022-jp")

        for part, path, data_in in ((parts[1], files[0], small), (parts[2], files[1], big),
                                    (parts[4], files[3], b"not a mail\r\n"),
                                    (parts[5], files[4], b"quoted")):
            self.assertEqual(part.get_filename(), os.path.basename(path))
            self.assertEqual(part.get_content_disposition(), "attachment")
            self.assertEqual(part.get_payload(decode=True), data_in)

        mail = parts[3]
        self.assertEqual(mail.get_content_type(), "message/rfc822")
        self.assertEqual(mail.get_filename(), "元のメール.eml")
        inner = mail.get_content()
        self.assertEqual(inner["subject"], "original")
        self.assertEqual(addresses(inner["from"]), [("山田", "a@example.jp")])
        self.assertEqual(inner.get_content().replace("\r\n", "\n"), "the original text\n")

    def test_ascii_body_from_standard_input_gets_crlf_lines(self):
        result = run("write", "--from", "a@example.jp", "--to", "b@example.jp",
                     "--subject", "plain", "--body", "-", stdin=b"line one\nline two\r\nend\n")
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        head, _, body = result.stdout.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Type: text/plain\r\n", head + b"\r\n")
        self.assertEqual(body, b"line one\r\nline two\r\nend\r\n")
        message = parse(result.stdout)
        self.assertEqual(message["subject"], "plain")

    def test_header_values_cannot_add_fields(self):
        result = run("write", "--from", "Eve\n<eve@example.jp>", "--to", "b@example.jp",
                     "--subject", "Hi\nBcc: victim@example.com",
                     "--mailer", "m\r\nX-Evil: 1", "--references", "<a@x>\r\n <b@x>")
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        message = parse(result.stdout)
        self.assertIsNone(message["bcc"])
        self.assertIsNone(message["x-evil"])
        self.assertEqual(message["subject"], "Hi Bcc: victim@example.com")
        self.assertEqual(message["x-mailer"], "m X-Evil: 1")
        self.assertEqual(message["references"], "<a@x> <b@x>")
        self.assertIn(b"References: <a@x>\r\n <b@x>\r\n", result.stdout)

    def test_output_file(self):
        out = os.path.join(self.folder, "saved.eml")
        result = run("write", "--from", "a@example.jp", "--subject", "件名", "--output", out)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        self.assertEqual(result.stdout, b"")
        with open(out, "rb") as f:
            self.assertEqual(parse(f.read())["subject"], "件名")
        self.assertEqual(os.listdir(self.folder), ["saved.eml"])

        result = run("write", "--output", os.path.join(self.folder, "no", "such", "x.eml"))
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"cannot create", result.stderr)

    def test_paths_keep_the_file_systems_bytes(self):
        folder = os.path.join(self.folder, "café")
        os.makedirs(folder)
        wave_dash = os.path.join(folder, "資料〜最終版.xlsx")  # U+301C
        cafe = os.path.join(folder, "café_menu.txt")
        latin1 = os.path.join(os.fsencode(folder), b"caf\xe9.txt")  # no UTF-8 at all
        for path, data in ((wave_dash, b"sheet"), (cafe, b"menu"), (latin1, b"latin")):
            with open(path, "wb") as f:
                f.write(data)
        out = os.path.join(folder, "資料〜最終版.eml")
        result = run("write", "--from", "a@example.jp", "--to", "b@example.jp",
                     "--subject", "files", "--body", "-", "--attach", wave_dash,
                     "--attach", cafe, "--attach", latin1, "--output", out, stdin=b"x\n")
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        with open(out, "rb") as f:
            message = parse(f.read())
        parts = list(message.iter_parts())[1:]
        # In the header a name is code page 932 text: 〜 stays, what it lacks is "〓".
        self.assertEqual([p.get_filename() for p in parts],
                         ["資料〜最終版.xlsx", "caf〓_menu.txt", "caf〓.txt"])
        self.assertEqual([p.get_payload(decode=True) for p in parts],
                         [b"sheet", b"menu", b"latin"])

        # Parsed back into a working folder under café/: files named with the titles in UTF-8.
        temp = os.path.join(folder, "TEMP")
        os.makedirs(temp)
        result = run("parse", out, "--temp", temp)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        files = json.loads(result.stdout.decode())["files"]
        self.assertEqual([f["title"] for f in files],
                         ["資料～最終版.xlsx", "caf〓_menu.txt", "caf〓.txt"])
        self.assertEqual([os.path.dirname(f["path"]) for f in files], [temp] * 3)
        contents = []
        for f in files:
            with open(f["path"], "rb") as written:
                contents.append(written.read())
        self.assertEqual(contents, [b"sheet", b"menu", b"latin"])

    def test_missing_attachments_fail_before_anything_is_written(self):
        out = os.path.join(self.folder, "never.eml")
        first = os.path.join(self.folder, "missing one.txt")
        second = os.path.join(self.folder, "ない.eml")
        for extra in ([], ["--output", out]):
            result = run("write", "--from", "a@example.jp", "--attach", first,
                         "--attach", second, *extra)
            self.assertEqual(result.returncode, 1)
            self.assertEqual(result.stdout, b"")
            self.assertEqual(
                result.stderr.decode(),
                "添付ファイルのオープンに失敗しました。\n"
                "次のファイルの場所を移動したり、名前を変えたりしていないか、確認してください。\n\n"
                + first + "\n" + second + "\n")
        self.assertEqual(os.listdir(self.folder), [])

    def test_usage_errors(self):
        for args in ([], ["frobnicate"], ["write", "--bogus"], ["write", "--to"],
                     ["write", "stray"], ["write", "--output"]):
            result = run(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(b"usage: quillon-mail", result.stderr, args)
            self.assertEqual(result.stdout, b"", args)


if __name__ == "__main__":
    BINARY, WORK = sys.argv[1], sys.argv[2]
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
