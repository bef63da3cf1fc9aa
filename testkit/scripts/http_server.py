#!/usr/bin/python3
"""HTTP and HTTPS test server on 127.0.0.1 with scripted replies, or a small
forwarding proxy (CONNECT tunnels and absolute-URI requests).

Started by testkit::HttpServer (testkit/include/testkit/http_server.h), which
writes the reply script and reads the log. The script is JSON, read again for
every request, so a test can change it between requests:

    {"routes": {"/path": [reply, ...]}, "fallback": reply}

A route's replies are used in turn; the last one repeats. A reply holds:
status, reason, headers ([[name, value], ...]), body_hex, generate (a body of
that many pattern bytes: byte i is i % 251), echo (the request's body),
no_content_length, delay_ms (before anything is sent), drip_ms and
drip_bytes (the pace of the body, and of the head with drip_head), and fault:
"close" (no reply), "reset" (RST instead of a reply), "reset_mid_body" (RST
after half the body), "raw" (raw_hex instead of a reply).

The log gets one line per request, fields "key=hex(value)" separated by
spaces: event, method, target, version, header (repeated, "Name: value"),
body (up to 2 MiB), length (decimal), peer (the client certificate's CN).
A proxy adds "forward" requests for what it passed on, and "tls_error" lines
record handshakes that failed.

With --credentials (a server) or --proxy-credentials (a proxy) "user:password",
a request without those Basic credentials is refused with 401 or 407 and a
challenge for the realm "testkit".
"""

import argparse
import base64
import json
import os
import select
import socket
import ssl
import struct
import sys
import threading
import time

sys.dont_write_bytecode = True  # nothing written beside the scripts
import quiet_https  # noqa: E402

PATTERN = bytes(range(251)) * 256  # 64,256 bytes: a whole number of periods
MAX_HEAD = 1 << 20
LOGGED_BODY = 2 << 20


class Log:
    def __init__(self, path):
        self._file = open(path, "a", encoding="ascii")
        self._lock = threading.Lock()

    def write(self, fields):
        parts = []
        for key, value in fields:
            if isinstance(value, str):
                value = value.encode("latin-1", "replace")
            parts.append(key + "=" + value.hex())
        with self._lock:
            self._file.write(" ".join(parts) + "\n")
            self._file.flush()


class Script:
    def __init__(self, path):
        self._path = path
        self._counts = {}
        self._lock = threading.Lock()

    def reply_for(self, target):
        with open(self._path, encoding="utf-8") as f:
            script = json.load(f)
        path = target.split("?", 1)[0]
        replies = script.get("routes", {}).get(path)
        if not replies:
            return script.get("fallback") or {"status": 404, "reason": "Not Found"}
        with self._lock:
            n = self._counts.get(path, 0)
            self._counts[path] = n + 1
        return replies[min(n, len(replies) - 1)]


def read_head(conn, pending=b""):
    data = pending
    while b"\r\n\r\n" not in data:
        if len(data) > MAX_HEAD:
            return None
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, rest = data.split(b"\r\n\r\n", 1)
    lines = head.decode("latin-1").split("\r\n")
    parts = lines[0].split(" ", 2)
    if len(parts) != 3:
        return None
    headers = []
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers.append((name.strip(), value.strip()))
    return parts[0], parts[1], parts[2], headers, rest


def header(headers, name):
    for key, value in headers:
        if key.lower() == name.lower():
            return value
    return None


def read_body(conn, headers, rest):
    length = int(header(headers, "Content-Length") or 0)
    body = rest
    while len(body) < length:
        chunk = conn.recv(min(1 << 20, length - len(body)))
        if not chunk:
            break
        body += chunk
    return body[:length]


def request_fields(event, method, target, version, headers, body, peer=""):
    fields = [("event", event), ("method", method), ("target", target), ("version", version)]
    fields += [("header", name + ": " + value) for name, value in headers]
    if len(body) <= LOGGED_BODY:
        fields.append(("body", body))
    fields.append(("length", str(len(body))))
    if peer:
        fields.append(("peer", peer))
    return fields


def reset(conn):
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()


def body_chunks(reply, request_body):
    if reply.get("echo"):
        yield request_body
        return
    if "generate" in reply:
        left = int(reply["generate"])
        while left > 0:
            n = min(left, len(PATTERN))
            yield PATTERN[:n]
            left -= n
        return
    yield bytes.fromhex(reply.get("body_hex", ""))


def body_length(reply, request_body):
    if reply.get("echo"):
        return len(request_body)
    if "generate" in reply:
        return int(reply["generate"])
    return len(reply.get("body_hex", "")) // 2


def send_paced(conn, data, reply):
    drip_ms = reply.get("drip_ms", 0)
    if not drip_ms:
        conn.sendall(data)
        return
    step = max(1, reply.get("drip_bytes", 1))
    for i in range(0, len(data), step):
        conn.sendall(data[i:i + step])
        time.sleep(drip_ms / 1000.0)


def send_reply(conn, reply, request_body):
    time.sleep(reply.get("delay_ms", 0) / 1000.0)
    fault = reply.get("fault", "")
    if fault == "close":
        conn.close()
        return
    if fault == "reset":
        reset(conn)
        return
    if fault == "raw":
        conn.sendall(bytes.fromhex(reply.get("raw_hex", "")))
        conn.close()
        return
    status = reply.get("status", 200)
    head = "HTTP/1.1 %d %s\r\n" % (status, reply.get("reason", "OK"))
    headers = reply.get("headers", [])
    if not reply.get("echo") and not any(n.lower() == "content-type" for n, _ in headers):
        headers = headers + [["Content-Type", "application/octet-stream"]]
    length = body_length(reply, request_body)
    if not reply.get("no_content_length"):
        headers = headers + [["Content-Length", str(length)]]
    headers = headers + [["Connection", "close"]]
    for name, value in headers:
        head += "%s: %s\r\n" % (name, value)
    head = (head + "\r\n").encode("latin-1")
    if reply.get("drip_head"):
        send_paced(conn, head, reply)
    else:
        conn.sendall(head)
    sent = 0
    for chunk in body_chunks(reply, request_body):
        if fault == "reset_mid_body" and sent + len(chunk) >= length // 2:
            conn.sendall(chunk[:length // 2 - sent])
            reset(conn)
            return
        send_paced(conn, chunk, reply)
        sent += len(chunk)
    conn.close()


def peer_name(conn):
    try:
        cert = conn.getpeercert()
    except (AttributeError, ValueError):
        return ""
    for rdn in (cert or {}).get("subject", ()):
        for key, value in rdn:
            if key == "commonName":
                return value
    return ""


def refused_without(credentials, headers, conn, proxy):
    """Refuses the request (True) unless it carries these Basic credentials."""
    expected = "Basic " + base64.b64encode(credentials.encode()).decode()
    if header(headers, "Proxy-Authorization" if proxy else "Authorization") == expected:
        return False
    if proxy:
        conn.sendall(b"HTTP/1.1 407 Proxy Authentication Required\r\n"
                     b"Proxy-Authenticate: Basic realm=\"testkit\"\r\n"
                     b"Content-Length: 0\r\nConnection: close\r\n\r\n")
    else:
        conn.sendall(b"HTTP/1.1 401 Unauthorized\r\n"
                     b"WWW-Authenticate: Basic realm=\"testkit\"\r\n"
                     b"Content-Length: 0\r\nConnection: close\r\n\r\n")
    conn.close()
    return True


def serve(conn, args, script, log):
    parsed = read_head(conn)
    if parsed is None:
        conn.close()
        return
    method, target, version, headers, rest = parsed
    body = read_body(conn, headers, rest)
    log.write(request_fields("request", method, target, version, headers, body, peer_name(conn)))
    if args.credentials and refused_without(args.credentials, headers, conn, proxy=False):
        return
    send_reply(conn, script.reply_for(target), body)


def relay(a, b):
    sockets = [a, b]
    while True:
        readable, _, _ = select.select(sockets, [], [], 30)
        if not readable:
            return
        for s in readable:
            data = s.recv(65536)
            if not data:
                return
            (b if s is a else a).sendall(data)


def proxy(conn, args, script, log):
    parsed = read_head(conn)
    if parsed is None:
        conn.close()
        return
    method, target, version, headers, rest = parsed
    body = b"" if method == "CONNECT" else read_body(conn, headers, rest)
    log.write(request_fields("request", method, target, version, headers, body))
    if args.proxy_credentials and refused_without(args.proxy_credentials, headers, conn, proxy=True):
        return
    if method == "CONNECT":
        host, _, port = target.rpartition(":")
        upstream = socket.create_connection((host, int(port)))
        conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        if rest:
            upstream.sendall(rest)
        relay(conn, upstream)
        upstream.close()
        conn.close()
        return
    rest_of_url = target.split("://", 1)[1]
    authority, _, path = rest_of_url.partition("/")
    host, _, port = authority.rpartition(":")
    upstream = socket.create_connection((host, int(port or 80)))
    kept = [(n, v) for n, v in headers if not n.lower().startswith("proxy-")]
    log.write(request_fields("forward", method, "/" + path, version, kept, body))
    head = "%s /%s %s\r\n" % (method, path, version)
    head += "".join("%s: %s\r\n" % (n, v) for n, v in kept) + "\r\n"
    upstream.sendall(head.encode("latin-1") + body)
    while True:
        data = upstream.recv(65536)
        if not data:
            break
        conn.sendall(data)
    upstream.close()
    conn.close()


def handle(raw, args, tls, script, log):
    try:
        conn = raw
        if tls is not None:
            try:
                conn = tls.wrap_socket(raw, server_side=True)
            except (ssl.SSLError, OSError) as e:
                log.write([("event", "tls_error"), ("reason", str(e))])
                raw.close()
                return
        (proxy if args.proxy else serve)(conn, args, script, log)
    except (OSError, ssl.SSLError, ValueError):
        try:
            raw.close()
        except OSError:
            pass


def main():
    threading.Thread(target=quiet_https.exit_with_parent, daemon=True).start()
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--client-ca")
    parser.add_argument("--proxy", action="store_true")
    parser.add_argument("--proxy-credentials")
    parser.add_argument("--credentials")
    args = parser.parse_args()

    tls = None
    if args.cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.cert, args.key)
        if args.client_ca:
            tls.verify_mode = ssl.CERT_REQUIRED
            tls.load_verify_locations(args.client_ca)

    script = Script(args.script)
    log = Log(args.log)
    listener = socket.create_server(("127.0.0.1", 0), backlog=64)
    with open(args.port_file + ".tmp", "w", encoding="ascii") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=handle, args=(raw, args, tls, script, log), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
