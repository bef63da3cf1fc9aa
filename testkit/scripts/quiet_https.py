"""The HTTPS server the testkit services share: 127.0.0.1 on a free port,
one thread per connection, no log lines, stopped when the test that
started it is gone. The port goes to <folder>/port once it listens; each
request a server records goes to <folder>/requests."""

import os
import ssl
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class QuietServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


class QuietHandler(BaseHTTPRequestHandler):
    """HTTP/1.0 without log lines; read_body takes what Content-Length
    announces, at most `limit` bytes."""
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def read_body(self, limit):
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = 0
        return self.rfile.read(max(0, min(length, limit)))


_recording = threading.Lock()


def record_request(folder, body, body_suffix, meta):
    """Keeps a request as <n><body_suffix> and its meta lines (tuples of
    values, tab-separated) as <n>.meta, written last and whole, so that a
    test reading the folder sees each request complete or not at all."""
    clean = lambda value: value.replace("\t", " ").replace("\n", " ").replace("\r", " ")
    with _recording:
        requests = os.path.join(folder, "requests")
        n = len([name for name in os.listdir(requests) if name.endswith(".meta")])
        with open(os.path.join(requests, "%d%s" % (n, body_suffix)), "wb") as f:
            f.write(body)
        with open(os.path.join(requests, "%d.meta.tmp" % n), "w", encoding="utf-8") as f:
            f.write("".join("\t".join(clean(v) for v in line) + "\n" for line in meta))
        os.rename(os.path.join(requests, "%d.meta.tmp" % n), os.path.join(requests, "%d.meta" % n))


def exit_with_parent():
    """A test that crashes leaves no server behind."""
    parent = os.getppid()
    while os.getppid() == parent:
        time.sleep(0.5)
    os._exit(0)


def serve(handler, folder, cert, key):
    """Serves HTTPS with the certificate chain and key until the parent ends."""
    threading.Thread(target=exit_with_parent, daemon=True).start()
    server = QuietServer(("127.0.0.1", 0), handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    port_file = os.path.join(folder, "port")
    with open(port_file + ".tmp", "w", encoding="ascii") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()
