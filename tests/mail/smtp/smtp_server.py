"""A real SMTP server for the transport's integration test, on aiosmtpd (Debian's
python3-aiosmtpd, so run it with /usr/bin/python3).

Listens on a free loopback port and writes that port number to --port-file once it accepts
connections. Each message received is stored in --out as message-N.eml (the data exactly as
the server took it, dot-stuffing removed) and envelope-N.json (sender and recipients). With
--refuse the server answers the end of the data with that reply instead of accepting.
Stops on SIGTERM.
"""
import argparse
import asyncio
import json
import os
import signal
import sys

from aiosmtpd.smtp import SMTP


class Store:
    def __init__(self, out, refuse):
        self.out = out
        self.refuse = refuse
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, f"{self.count}")
        with open(f"{base}.eml", "wb") as f:
            f.write(envelope.original_content)
        with open(f"{base}.json", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "helo": session.host_name}, f)
        return self.refuse or "250 OK stored"


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--refuse", default="")
    args = parser.parse_args()

    store = Store(args.out, args.refuse)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(store, data_size_limit=None, hostname="loopback.test"), "127.0.0.1", 0)
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
