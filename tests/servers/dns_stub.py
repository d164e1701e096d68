#!/usr/bin/env python3
"""A DNS server on 127.0.0.1:53 for a private network namespace, answering some names late.

  NAME under slow.zorva.test    answered (A 127.0.0.1) only after --hold seconds
  any other name                answered at once with A 127.0.0.1
Every event is appended to --log as one line: "query NAME TYPE", or "answer NAME TYPE" just
before the answer is sent.
Options: --log F, --hold S, --ready F (written once listening), --lifetime S.
"""
import argparse
import os
import socket
import struct
import threading

SLOW_SUFFIX = "slow.zorva.test"
TYPE_A = 1


def parse_question(packet):
    """(id, name, qtype, end of the question) of a query."""
    ident = struct.unpack(">H", packet[:2])[0]
    labels, at = [], 12
    while packet[at] != 0:
        length = packet[at]
        labels.append(packet[at + 1:at + 1 + length].decode("ascii", "replace"))
        at += 1 + length
    qtype = struct.unpack(">H", packet[at + 1:at + 3])[0]
    return ident, ".".join(labels).lower(), qtype, at + 5


def answer(packet, ident, qtype, end):
    """The response to a query: one A record 127.0.0.1 for A, no record for any other type."""
    records = 1 if qtype == TYPE_A else 0
    head = struct.pack(">HHHHHH", ident, 0x8180, 1, records, 0, 0)
    out = head + packet[12:end]
    if records:
        out += struct.pack(">HHHIH", 0xC00C, TYPE_A, 1, 60, 4) + socket.inet_aton("127.0.0.1")
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--hold", type=float, default=20)
    parser.add_argument("--ready", required=True)
    parser.add_argument("--lifetime", type=float, default=300)
    args = parser.parse_args()
    lock = threading.Lock()

    def note(line):
        with lock, open(args.log, "a") as f:
            f.write(line + "\n")

    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 53))
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    open(args.ready, "w").close()
    while True:
        packet, peer = sock.recvfrom(4096)
        try:
            ident, name, qtype, end = parse_question(packet)
        except (IndexError, struct.error):
            continue
        note("query %s %d" % (name, qtype))
        reply = answer(packet, ident, qtype, end)

        def send(reply=reply, peer=peer, name=name, qtype=qtype):
            note("answer %s %d" % (name, qtype))
            sock.sendto(reply, peer)

        if name.endswith(SLOW_SUFFIX):
            threading.Timer(args.hold, send).start()
        else:
            send()


if __name__ == "__main__":
    main()
