"""A minimal, fast SMTP sink for the send benchmark: answers every command with success and
throws the message data away, so that the clients' own cost is what is measured. Serves one
connection after another on a free loopback port, written to the file given as argv[1].
Handles HELO and EHLO clients alike; no extensions are offered."""
import os
import socket
import sys


def serve(conn):
    conn.sendall(b"220 sink ready\r\n")
    buf = b""
    while True:
        while b"\n" not in buf:
            chunk = conn.recv(65536)
            if not chunk:
                return
            buf += chunk
        line, buf = buf.split(b"\n", 1)
        verb = line.strip().split(b" ", 1)[0].upper()
        if verb == b"QUIT":
            conn.sendall(b"221 bye\r\n")
            return
        if verb != b"DATA":
            conn.sendall(b"250 ok\r\n")
            continue
        conn.sendall(b"354 go\r\n")
        # The end mark is the last thing a client sends before it waits for the reply.
        tail = b"\r\n" + buf
        while not tail.endswith(b"\r\n.\r\n"):
            chunk = conn.recv(1 << 20)
            if not chunk:
                return
            tail = tail[-4:] + chunk
        buf = b""
        conn.sendall(b"250 accepted\r\n")


def main():
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    tmp = sys.argv[1] + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(server.getsockname()[1]))
    os.replace(tmp, sys.argv[1])
    while True:
        conn, _ = server.accept()
        with conn:
            serve(conn)


if __name__ == "__main__":
    main()
