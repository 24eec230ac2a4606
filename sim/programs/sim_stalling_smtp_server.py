#!/usr/bin/python3
"""A mail server that misbehaves on purpose, for QAV's time-out tests: plain sockets on 127.0.0.1.

It listens on the port given (0 picks a free one), prints "ready <port>", and serves each
connection in one of these ways (--mode):
  silent      accepts and never says a word
  drip        sends its greeting one byte a second, so no reply line is ever complete in time
  stall-data  answers like a real server up to the message's end, then never answers that
It prints, flushed, one line for each step of a connection, so a test can time the client against
them: "connected", "data-end" (the message's closing dot has arrived) and "closed" (the client has
gone). It never accepts a mail. Run with /usr/bin/python3.
"""

import argparse
import socket
import sys
import threading
import time


def say(line):
    print(line, flush=True)


def read_line(conn, buffer):
    """One CRLF-terminated line from the client, or None when it has gone."""
    while b"\r\n" not in buffer[0]:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        buffer[0] += chunk
    line, _, rest = buffer[0].partition(b"\r\n")
    buffer[0] = rest
    return line


def wait_until_closed(conn):
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def serve_stall_data(conn):
    buffer = [b""]
    conn.sendall(b"220 qav-stalling-server ESMTP\r\n")
    while True:
        line = read_line(conn, buffer)
        if line is None:
            return
        verb = line[:4].upper()
        if verb in (b"EHLO", b"HELO"):
            conn.sendall(b"250-qav-stalling-server\r\n250 8BITMIME\r\n")
        elif verb == b"DATA":
            conn.sendall(b"354 End data with <CR><LF>.<CR><LF>\r\n")
            while True:
                body = read_line(conn, buffer)
                if body is None:
                    return
                if body == b".":
                    say("data-end")
                    wait_until_closed(conn)
                    return
        elif verb == b"QUIT":
            conn.sendall(b"221 Bye\r\n")
            return
        else:
            conn.sendall(b"250 OK\r\n")


def serve_drip(conn):
    greeting = b"220 qav-stalling-server ESMTP, a server that takes its time over every byte\r\n"
    conn.settimeout(1.0)
    for byte in greeting:
        try:
            conn.sendall(bytes([byte]))
        except OSError:
            return
        # A byte a second, and notice the client's leaving meanwhile.
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            try:
                if not conn.recv(65536):
                    return
            except socket.timeout:
                pass
            except OSError:
                return
    conn.settimeout(None)
    wait_until_closed(conn)


def serve(conn, mode):
    say("connected")
    try:
        if mode == "silent":
            wait_until_closed(conn)
        elif mode == "drip":
            serve_drip(conn)
        else:
            serve_stall_data(conn)
    except OSError:
        pass
    finally:
        conn.close()
        say("closed")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--mode", choices=["silent", "drip", "stall-data"], required=True)
    options = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", options.port))
    listener.listen(8)
    say("ready %d" % listener.getsockname()[1])
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn, options.mode), daemon=True).start()


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(0)
