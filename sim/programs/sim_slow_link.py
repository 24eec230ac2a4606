#!/usr/bin/python3
"""A slow line in front of a server, for QAV's transfer tests: a TCP relay on 127.0.0.1.

It listens on the port given (0 picks a free one), prints "ready <port>", and carries each
connection to the target port on 127.0.0.1. What the client sends is taken at a steady rate
(--rate bytes a second, in small pieces), through a small receive buffer, so the client's system
sees its bytes taken as the line takes them, neither faster nor in bursts. What the server sends
goes back at once. With --stall-connection N the N-th connection (from 1) stops taking anything
once --stall-after bytes have passed, and never takes another byte.

It prints, flushed, "connected <n>", "moving <n>" once the n-th connection has carried 64 KB of
the client's bytes, "stalled <n>" and "closed <n>", so a test can act or time the client against
them. Run with /usr/bin/python3.
"""

import argparse
import socket
import sys
import threading
import time

PIECE_SECONDS = 0.01
MOVING_BYTES = 64 * 1024


def say(line):
    print(line, flush=True)


def pump_back(server, client):
    try:
        while True:
            data = server.recv(65536)
            if not data:
                break
            client.sendall(data)
    except OSError:
        pass
    try:
        client.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def carry(client, number, options):
    say("connected %d" % number)
    try:
        server = socket.create_connection(("127.0.0.1", options.target_port))
    except OSError:
        client.close()
        say("closed %d" % number)
        return
    threading.Thread(target=pump_back, args=(server, client), daemon=True).start()
    piece = max(1, int(options.rate * PIECE_SECONDS))
    stalls = number == options.stall_connection
    carried = 0
    next_time = time.monotonic()
    try:
        while True:
            if stalls and carried >= options.stall_after:
                say("stalled %d" % number)
                threading.Event().wait()  # takes nothing more, ever
            want = piece if not stalls else min(piece, options.stall_after - carried)
            data = client.recv(want)
            if not data:
                break
            server.sendall(data)
            before = carried
            carried += len(data)
            if before < MOVING_BYTES <= carried:
                say("moving %d" % number)
            next_time += len(data) / options.rate
            delay = next_time - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            else:
                next_time = time.monotonic()
    except OSError:
        pass
    try:
        server.shutdown(socket.SHUT_WR)
    except OSError:
        pass
    say("closed %d" % number)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--target-port", type=int, required=True)
    parser.add_argument("--rate", type=float, required=True, help="bytes a second from the client")
    parser.add_argument("--stall-connection", type=int, default=0)
    parser.add_argument("--stall-after", type=int, default=0)
    options = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    # A small window: the client's bytes are acknowledged as the relay takes them, not ahead.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    listener.bind(("127.0.0.1", options.port))
    listener.listen(8)
    say("ready %d" % listener.getsockname()[1])
    number = 0
    while True:
        client, _ = listener.accept()
        number += 1
        threading.Thread(target=carry, args=(client, number, options), daemon=True).start()


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(0)
