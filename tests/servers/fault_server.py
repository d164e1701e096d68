#!/usr/bin/env python3
"""Scriptable HTTP/1.1 server on 127.0.0.1 for the misbehaviour a real server will not show on purpose.

Every response closes its connection. Bodies follow a fixed pattern, byte i of a resource being i % 251,
so that a client can check any range it received. The query string scripts the answer:

  /file?size=N        body of N pattern bytes; honours "Range: bytes=S-" with 206 unless range=ignore
      range=ignore    answer a range request with 200 and the whole body
      crstart=X       on a range request, serve from X (and say so in Content-Range) instead of S
      cl=TEXT         send TEXT as Content-Length and at most that many bytes (when TEXT is a number)
      nolength=1      no Content-Length: the body ends when the connection closes
      chunked=1       chunked transfer coding
      extra=E         send E pattern bytes more than N
      drop=K          close the connection once byte K of the resource has been sent
      silent=K        stop sending at byte K and keep the connection open until the client leaves
      rate=B          send B bytes per second, in tenths of a second
      drip=S          send one byte every S seconds
      interim=C       send an interim response with status C first (e.g. 103)
      status=C        final status code (default 200, or 206 for ranges)
      lower=1         header names in lower case
      once=1          with drop/silent: misbehave only on the first request of this tag
      header=N:V      one more header line, sent as given
  /redirect?to=P      302 to P (no Location when "to" is missing); cl=K adds a K-byte body
  /loop               302 to itself, for ever
  /gate?group=G&count=N  hold the request until N requests of group G are held, then answer all
  /echo               answers with the request's body
  /requests?tag=T     one line per request seen with that tag: "<path> <range or ->"
Options: --port-file F (written once listening), --lifetime S (the process ends by itself after S seconds).
"""
import argparse
import os
import socket
import socketserver
import threading
import time
import urllib.parse

PATTERN_PERIOD = 251
GATE_TIMEOUT_S = 20
SILENT_HOLD_S = 120

_log_lock = threading.Lock()
_log = []  # (tag, path, range)
_seen_tags = {}
_gate_cond = threading.Condition()
_gate_held = {}
_pattern = bytes(i % PATTERN_PERIOD for i in range(PATTERN_PERIOD * 4096))


def pattern(start, count):
    """Bytes start..start+count of the resource pattern."""
    out = bytearray()
    while count > 0:
        offset = start % PATTERN_PERIOD
        take = min(count, len(_pattern) - offset)
        out += _pattern[offset:offset + take]
        start += take
        count -= take
    return bytes(out)


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.request.settimeout(SILENT_HOLD_S)
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def handle(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(65536)
            if not chunk:
                return
            data += chunk
            if len(data) > 65536:
                return
        head, _, body = data.partition(b"\r\n\r\n")
        head = head.decode("latin-1")
        lines = head.split("\r\n")
        parts = lines[0].split(" ")
        if len(parts) < 2:
            return
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        want = int(headers.get("content-length", "0") or "0")
        while len(body) < want:
            chunk = self.request.recv(65536)
            if not chunk:
                return
            body += chunk
        self.body = body
        url = urllib.parse.urlsplit(parts[1])
        query = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query).items()}
        tag = query.get("tag", "")
        if url.path != "/requests":
            with _log_lock:
                _log.append((tag, url.path, headers.get("range", "-")))
                first = tag not in _seen_tags
                _seen_tags[tag] = True
            query["_first"] = first
        routes = {"/file": self.file, "/redirect": self.redirect, "/loop": self.loop,
                  "/gate": self.gate, "/requests": self.requests, "/echo": self.echo}
        route = routes.get(url.path)
        try:
            if route:
                route(query, headers)
            else:
                self.simple(404, b"not found")
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass

    def send_head(self, status, fields, lower=False):
        reasons = {200: "OK", 204: "No Content", 206: "Partial Content", 302: "Found", 404: "Not Found",
                   103: "Early Hints", 100: "Continue"}
        out = "HTTP/1.1 %d %s\r\n" % (status, reasons.get(status, "Status"))
        for name, value in fields + [("Connection", "close")]:
            out += "%s: %s\r\n" % (name.lower() if lower else name, value)
        self.request.sendall((out + "\r\n").encode("latin-1"))

    def simple(self, status, body, fields=()):
        self.send_head(status, list(fields) + [("Content-Length", str(len(body)))])
        self.request.sendall(body)

    def file(self, q, headers):
        size = int(q.get("size", "0"))
        lower = q.get("lower") == "1"
        misbehave = q.get("once") != "1" or q["_first"]
        start, status = 0, int(q.get("status", "200"))
        fields = []
        requested = headers.get("range", "")
        if requested.startswith("bytes=") and q.get("range") != "ignore":
            start = int(requested[6:].split("-")[0])
            start = int(q.get("crstart", start))
            status = int(q.get("status", "206"))
            fields.append(("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size)))
        end = size + int(q.get("extra", "0"))
        length_text = q.get("cl", str(end - start))
        if length_text.isdigit() and int(length_text) < end - start:
            end = start + int(length_text)
        if "header" in q:
            name, _, value = q["header"].partition(":")
            fields.append((name, value))
        chunked = q.get("chunked") == "1"
        if chunked:
            fields.append(("Transfer-Encoding", "chunked"))
        elif q.get("nolength") != "1":
            fields.append(("Content-Length", length_text))
        if "interim" in q:
            self.send_head_raw(int(q["interim"]), lower)
        self.send_head(status, fields, lower)
        if status == 204:
            return
        stop_at, silent = end, False
        if misbehave and "drop" in q and start < int(q["drop"]):
            stop_at = int(q["drop"])
        if misbehave and "silent" in q and start < int(q["silent"]):
            stop_at, silent = int(q["silent"]), True
        rate = int(q.get("rate", "0"))
        drip = float(q.get("drip", "0"))
        slice_size = 1 if drip else max(1, rate // 10) if rate else 256 * 1024
        interval = drip or 0.1
        position = start
        next_send = time.monotonic()
        while position < min(stop_at, end):
            take = min(slice_size, min(stop_at, end) - position)
            block = pattern(position, take)
            if chunked:
                block = b"%x\r\n" % take + block + b"\r\n"
            if rate or drip:
                next_send += interval
                delay = next_send - time.monotonic()
                if delay > 0:
                    time.sleep(delay)
            self.request.sendall(block)
            position += take
        if silent:
            self.hold_until_client_leaves()
            return
        if stop_at < end:
            # A plain close: everything sent arrives, then the body ends early.
            return
        if chunked:
            self.request.sendall(b"0\r\n\r\n")

    def send_head_raw(self, status, lower):
        name = "link" if lower else "Link"
        self.request.sendall(("HTTP/1.1 %d Interim\r\n%s: </style.css>\r\n\r\n" % (status, name)).encode())

    def hold_until_client_leaves(self):
        deadline = time.monotonic() + SILENT_HOLD_S
        self.request.settimeout(1)
        while time.monotonic() < deadline:
            try:
                if not self.request.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def redirect(self, q, headers):
        fields = [("Location", q["to"])] if "to" in q else []
        body = pattern(0, int(q.get("cl", "0")))
        self.simple(int(q.get("code", "302")), body, fields)

    def loop(self, q, headers):
        self.simple(302, b"", [("Location", "/loop?" + urllib.parse.urlencode(
            {k: v for k, v in q.items() if not k.startswith("_")}))])

    def gate(self, q, headers):
        group, count = q.get("group", ""), int(q.get("count", "1"))
        deadline = time.monotonic() + GATE_TIMEOUT_S
        with _gate_cond:
            _gate_held[group] = _gate_held.get(group, 0) + 1
            _gate_cond.notify_all()
            while _gate_held[group] < count and time.monotonic() < deadline:
                _gate_cond.wait(timeout=max(0.0, deadline - time.monotonic()))
            released = _gate_held[group] >= count
        self.simple(200, b"released" if released else b"timeout")

    def echo(self, q, headers):
        self.simple(200, self.body)

    def requests(self, q, headers):
        tag = q.get("tag", "")
        with _log_lock:
            lines = ["%s %s" % (path, rng) for t, path, rng in _log if t == tag]
        self.simple(200, "".join(line + "\n" for line in lines).encode())


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=1200)
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    # The watchdog ends the process even when nobody stops it.
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
