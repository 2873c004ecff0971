#!/usr/bin/python3
"""A pyftpdlib server for the FTP client's tests (started by pv::test::PyFtpServer).

    /usr/bin/python3 pyftpd_server.py --root DIR [--port 0] [--user editor]
        [--password s3cret] [--passive-ports 20000-32000]

Serves DIR to one user with every permission (elradfmwMT) on 127.0.0.1.  With
--port 0 the kernel picks a free port.  When it is ready it prints one line
"PORT <n>" (flushed) with the port it listens on.  SIGTERM ends it.
"""
import argparse
import logging
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="editor")
    parser.add_argument("--password", default="s3cret")
    parser.add_argument("--passive-ports", default="",
                        help="FIRST-LAST; empty lets the kernel choose")
    args = parser.parse_args()

    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(message)s")

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    handler = FTPHandler
    handler.authorizer = authorizer
    handler.masquerade_address = "127.0.0.1"
    handler.auth_failed_timeout = 0  # answer a wrong password at once
    if args.passive_ports:
        first, last = (int(p) for p in args.passive_ports.split("-"))
        # A busy port is skipped; when all are busy the kernel chooses one.
        handler.passive_ports = range(first, last + 1)

    server = FTPServer(("127.0.0.1", args.port), handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever()
    finally:
        server.close_all()


if __name__ == "__main__":
    main()
