"""Runs a pyftpdlib server on 127.0.0.1 for the tests and benchmarks.

Usage: pyftpd_server.py ROOT USER PASSWORD [READ_LIMIT [CERTIFICATE]]
READ_LIMIT caps what the server receives on a data connection, in bytes per second.
CERTIFICATE, a PEM file holding the server's certificate and key, makes the server require
TLS (AUTH TLS) on the control connection and on every data connection.
Prints the chosen port on stdout and serves until its standard input closes.
"""
import logging
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password = sys.argv[1:4]
    read_limit = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    certificate = sys.argv[5] if len(sys.argv) > 5 else ""
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    base = FTPHandler
    if certificate:
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler
    handler = type("Handler", (base,), {})
    handler.authorizer = authorizer
    if certificate:
        handler.certfile = certificate
        handler.tls_control_required = True
        handler.tls_data_required = True
    if read_limit > 0:
        # Throttled in front of the handler's own, so a TLS data connection stays secured.
        bases = (ThrottledDTPHandler, handler.dtp_handler) if certificate else (ThrottledDTPHandler,)
        handler.dtp_handler = type("Throttled", bases, {"read_limit": read_limit})
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)

    stop = threading.Event()

    def watch_stdin():
        sys.stdin.read()
        stop.set()

    threading.Thread(target=watch_stdin, daemon=True).start()
    while not stop.is_set():
        server.serve_forever(timeout=0.1, blocking=False, handle_exit=False)
    server.close_all()


if __name__ == "__main__":
    main()
