"""A real SMTP server for the transport's integration test, on aiosmtpd (Debian's
python3-aiosmtpd, so run it with /usr/bin/python3).

Listens on a free loopback port and writes that port number to --port-file once it accepts
connections. Each message received is stored in --out as message-N.eml (the data exactly as
the server took it, dot-stuffing removed) and envelope-N.json (sender and recipients). With
--refuse the server answers the end of the data with that reply instead of accepting.
Stops on SIGTERM.

With --cert and --key the server speaks TLS: it offers and requires STARTTLS, or with
--implicit it is TLS from the first byte. With --user and --password it requires AUTH
(PLAIN and LOGIN built in, CRAM-MD5 checked here with Python's hmac); --exclude drops a
mechanism. --drop-in-data cuts the connection right after its 354 reply to DATA. The
envelope then also records the login and whether the session was encrypted.
"""
import argparse
import asyncio
import hmac
import json
import os
import signal
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, out, refuse, user=None, password=None):
        self.out = out
        self.refuse = refuse
        self.count = 0
        self.user = user
        self.password = password

    def authenticate(self, server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == self.user
              and auth_data.password.decode() == self.password)
        return AuthResult(success=ok, auth_data=auth_data if ok else None)

    async def auth_CRAM__MD5(self, server, args):
        challenge = f"<{os.getpid()}.{self.count}@loopback.test>".encode()
        response = await server.challenge_auth(challenge)
        if not isinstance(response, bytes):
            return AuthResult(success=False, handled=True)
        login, _, digest = response.decode().rpartition(" ")
        expected = hmac.new(self.password.encode(), challenge, "md5").hexdigest()
        ok = login == self.user and hmac.compare_digest(digest, expected)
        # handled=False: aiosmtpd sends the 235 or 535 reply itself.
        return AuthResult(success=ok, handled=False, auth_data=LoginPassword(login.encode(), b"") if ok else None)

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, f"{self.count}")
        with open(f"{base}.eml", "wb") as f:
            f.write(envelope.original_content)
        record = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos, "helo": session.host_name}
        if self.user is not None:
            record["login"] = session.auth_data.login.decode() if session.auth_data else None
            record["tls"] = server.transport.get_extra_info("cipher") is not None
        with open(f"{base}.json", "w") as f:
            json.dump(record, f)
        return self.refuse or "250 OK stored"


class DroppingSMTP(SMTP):
    async def smtp_DATA(self, arg):
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        self.transport.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--refuse", default="")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--implicit", action="store_true")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--exclude", action="append", default=[])
    parser.add_argument("--drop-in-data", action="store_true")
    args = parser.parse_args()

    store = Store(args.out, args.refuse, args.user, args.password)
    context = None
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
    options = {"data_size_limit": None, "hostname": "loopback.test", "auth_exclude_mechanism": args.exclude}
    if args.user is not None:
        options.update(authenticator=store.authenticate, auth_required=True)
    else:
        options["auth_exclude_mechanism"] = args.exclude + ["CRAM-MD5"]
    if context and not args.implicit:
        options.update(tls_context=context, require_starttls=True)
    elif context:
        # The listener itself is TLS, which aiosmtpd cannot see: AUTH needs no STARTTLS here.
        options["auth_require_tls"] = False
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: (DroppingSMTP if args.drop_in_data else SMTP)(store, **options), "127.0.0.1", 0, ssl=context if args.implicit else None)
    port = server.sockets[0].getsockname()[1]
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(port))
    os.replace(tmp, args.port_file)

    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    await stop.wait()
    server.close()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
