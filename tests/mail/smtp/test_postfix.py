#!/usr/bin/python3
"""Verifies a send through a real Postfix on loopback: the test configures Debian's postfix in
a folder of its own (a free port, delivery into one Maildir per recipient), starts and stops
it. What arrives must be, byte for byte, what `quillon-mail write` writes for the same message
(the Date, Message-ID and boundary aside, which carry the moment and process; and the trace
fields Postfix puts on top); every blind copy arrives and no copy carries a Bcc field. Once in
plain SMTP, once with STARTTLS and an 8-bit attached mail (BODY=8BITMIME).

Usage: test_postfix.py PATH-TO-quillon-mail"""
import os
import pwd
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = None
POSTFIX = "/usr/sbin/postfix"
RECIPIENTS = ["to", "cc", "bcc"]

MASTER_CF = """\
127.0.0.1:{port} inet n - n - - smtpd
pickup    unix  n - n 60 1 pickup
cleanup   unix  n - n - 0 cleanup
qmgr      unix  n - n 300 1 qmgr
rewrite   unix  - - n - - trivial-rewrite
bounce    unix  - - n - 0 bounce
defer     unix  - - n - 0 bounce
trace     unix  - - n - 0 bounce
verify    unix  - - n - 1 verify
flush     unix  n - n 1000? 0 flush
proxymap  unix  - - n - - proxymap
smtp      unix  - - n - - smtp
relay     unix  - - n - - smtp
showq     unix  n - n - - showq
error     unix  - - n - - error
retry     unix  - - n - - error
discard   unix  - - n - - discard
virtual   unix  - n n - - virtual
anvil     unix  - - n - 1 anvil
scache    unix  - - n - 1 scache
tlsmgr    unix  - - n 1000? 1 tlsmgr
postlog   unix-dgram n - n - 1 postlogd
"""

MAIN_CF = """\
compatibility_level = 3.6
queue_directory = {dir}/queue
data_directory = {dir}/data
command_directory = /usr/sbin
daemon_directory = /usr/lib/postfix/sbin
meta_directory = /etc/postfix
shlib_directory = /usr/lib/postfix
mail_owner = postfix
setgid_group = postdrop
myhostname = loopback.test
mydomain = loopback.test
myorigin = loopback.test
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
smtpd_relay_restrictions = permit_mynetworks, reject
virtual_mailbox_domains = example.jp
virtual_mailbox_base = {dir}/mail
virtual_mailbox_maps = texthash:{dir}/etc/mailboxes
virtual_uid_maps = static:{uid}
virtual_gid_maps = static:{gid}
virtual_minimum_uid = 1
alias_maps =
alias_database =
biff = no
smtputf8_enable = no
maillog_file = {dir}/maillog
maillog_file_prefixes = {dir}
smtpd_tls_security_level = may
smtpd_tls_cert_file = {dir}/tls/server.pem
smtpd_tls_key_file = {dir}/tls/server.key
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def make_certificates(folder):
    os.makedirs(folder)
    key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run = lambda *args: subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)
    run("req", "-x509", *key, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj", "/CN=Quillon Test CA",
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write("subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")
    run("req", *key, "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost")
    run("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
        "-out", "server.pem", "-days", "2", "-extfile", "server.ext")


def normalized(message):
    """The moment and the process a message was written in, made equal."""
    message = re.sub(rb"\r\nDate: [^\r]*\r\n", b"\r\nDate: (date)\r\n", message)
    message = re.sub(rb"\r\nMessage-ID: <[^>]*>\r\n", b"\r\nMessage-ID: (id)\r\n", message)
    return re.sub(rb"BOUNDARY_[0-9A-F]{8}_[0-9A-F]{8}", b"BOUNDARY_(boundary)", message)


class Postfix(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = None
        if not os.access(POSTFIX, os.X_OK):
            raise unittest.SkipTest(f"{POSTFIX} is missing (Debian package postfix, installed by scripts/install-deps)")
        if os.geteuid() != 0:
            raise unittest.SkipTest("Postfix's master process starts only as root (CI runs as root)")
        owner = pwd.getpwnam("postfix")
        cls.dir = tempfile.mkdtemp(prefix="quillon-postfix-")
        # The delivery agent runs as the postfix user and must reach the mailboxes.
        os.chmod(cls.dir, 0o755)
        for name in ("etc", "queue", "data", "mail"):
            os.makedirs(os.path.join(cls.dir, name))
        for name in ("data", "mail"):
            os.chown(os.path.join(cls.dir, name), owner.pw_uid, owner.pw_gid)
        make_certificates(os.path.join(cls.dir, "tls"))
        cls.port = free_port()
        with open(os.path.join(cls.dir, "etc", "main.cf"), "w") as f:
            f.write(MAIN_CF.format(dir=cls.dir, uid=owner.pw_uid, gid=owner.pw_gid))
        with open(os.path.join(cls.dir, "etc", "master.cf"), "w") as f:
            f.write(MASTER_CF.format(port=cls.port))
        with open(os.path.join(cls.dir, "etc", "mailboxes"), "w") as f:
            f.writelines(f"{name}@example.jp {name}/\n" for name in RECIPIENTS)
        started = subprocess.run([POSTFIX, "-c", os.path.join(cls.dir, "etc"), "start"], capture_output=True, text=True)
        deadline = time.time() + 30
        while started.returncode == 0 and not listening(cls.port) and time.time() < deadline:
            time.sleep(0.1)
        if started.returncode != 0 or not listening(cls.port):
            log = open(os.path.join(cls.dir, "maillog")).read() if os.path.exists(os.path.join(cls.dir, "maillog")) else ""
            cls.tearDownClass()
            raise AssertionError(f"Postfix did not start: {started.stdout}{started.stderr}{log}")

    @classmethod
    def tearDownClass(cls):
        if not cls.dir:
            return
        subprocess.run([POSTFIX, "-c", os.path.join(cls.dir, "etc"), "stop"], capture_output=True)
        deadline = time.time() + 30
        while listening(cls.port) and time.time() < deadline:
            time.sleep(0.1)
        shutil.rmtree(cls.dir, ignore_errors=True)
        cls.dir = None

    def setUp(self):
        for name in RECIPIENTS:
            shutil.rmtree(os.path.join(self.dir, "mail", name), ignore_errors=True)
        self.work = os.path.join(self.dir, "work-" + self.id().rsplit(".", 1)[-1])
        os.makedirs(self.work)

    def file(self, name, data):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def delivered(self, name):
        folder = os.path.join(self.dir, "mail", name, "new")
        deadline = time.time() + 30
        while time.time() < deadline:
            if os.path.isdir(folder) and os.listdir(folder):
                with open(os.path.join(folder, os.listdir(folder)[0]), "rb") as f:
                    return f.read()
            time.sleep(0.1)
        with open(os.path.join(self.dir, "maillog")) as log:
            self.fail(f"nothing delivered to {name}@example.jp:\n{log.read()}")

    def send_and_compare(self, message_options, send_options, env=None):
        written = subprocess.run([BINARY, "write", *message_options], capture_output=True)
        self.assertEqual(written.returncode, 0, written.stderr.decode())
        sent = subprocess.run([BINARY, "send", "--server", "127.0.0.1", "--port", str(self.port), *send_options,
                               *message_options], capture_output=True, env=env)
        self.assertEqual(sent.returncode, 0, sent.stderr.decode())
        copies = {name: self.delivered(name) for name in RECIPIENTS}
        for name, data in copies.items():
            # Maildir keeps LF line ends; Postfix puts its trace fields on top.
            head, _, rest = data.partition(b"\nFrom: ")
            self.assertIn(b"Received: from", head, name)
            received = (b"From: " + rest).replace(b"\n", b"\r\n")
            self.assertNotIn(b"\r\nBcc:", received, name)
            self.assertEqual(normalized(received), normalized(written.stdout), name)
        return copies

    def test_plain_smtp_delivers_what_write_writes(self):
        body = self.file("body.txt", "本文①です。\n髙橋様 ｶﾞｲﾄﾞ\n.\n..dots stay\n".encode())
        report = self.file("見積書.pdf", bytes(range(256)) * 40)
        self.send_and_compare([
            "--from", "山田 太郎 <taro@example.jp>", "--to", "髙橋 一郎 <to@example.jp>",
            "--cc", '"山田, 太郎" <cc@example.jp>', "--bcc", "bcc@example.jp",
            "--subject", "会議①の件 " + "long " * 300, "--body", body, "--attach", report], [])

    def test_starttls_with_an_8bit_mail(self):
        body = self.file("body.txt", b"plain text\n")
        mail = self.file("original.eml", "Subject: 8bit\r\n\r\n日本語の本文\r\n".encode("cp932"))
        env = dict(os.environ, QUILLON_SMTP_CA_FILE=os.path.join(self.dir, "tls", "ca.pem"))
        copies = self.send_and_compare([
            "--from", "taro@example.jp", "--to", "to@example.jp", "--cc", "cc@example.jp", "--bcc", "bcc@example.jp",
            "--subject", "Forward", "--body", body, "--attach", mail], ["--starttls"], env)
        self.assertIn(b"with ESMTPS", copies["to"])
        self.assertIn("日本語の本文".encode("cp932"), copies["to"])
        self.assertIn(b"Content-Transfer-Encoding: 8bit", copies["to"])


if __name__ == "__main__":
    BINARY = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
