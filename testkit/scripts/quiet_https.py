"""The HTTPS server the testkit services share: 127.0.0.1 on a free port,
one thread per connection, no log lines, stopped when the test that
started it is gone. The port goes to <folder>/port once it listens."""

import os
import ssl
import threading
import time
from http.server import ThreadingHTTPServer


class QuietServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


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
