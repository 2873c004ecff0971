#!/usr/bin/python3
"""A pyftpdlib server for the FTP client's tests (started by pv::test::PyFtpServer).

    /usr/bin/python3 pyftpd_server.py --root DIR [--port 0] [--user editor]
        [--password s3cret] [--passive-ports 20000-32000]
        [--folder-perm NAME=PERM ...] [--linger NAME ...]

Serves DIR to one user with every permission (elradfmwMT) on 127.0.0.1.  With
--port 0 the kernel picks a free port.  When it is ready it prints one line
"PORT <n>" (flushed) with the port it listens on.  SIGTERM ends it.

--folder-perm NAME=PERM gives the user only the permissions PERM (pyftpdlib's
letters) in the folder NAME of DIR and everything under it; the folder is made
when missing ("Locked=elr": files there can be listed and read, not written,
deleted or renamed).

--linger NAME makes the server slow to let go of files named NAME: DELE
answers "250 File removed." and leaves the file where it is, to be listed
until somebody else removes it.
"""
import argparse
import logging
import os
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
    parser.add_argument("--folder-perm", action="append", default=[],
                        help="NAME=PERM, repeatable")
    parser.add_argument("--linger", action="append", default=[],
                        help="file name whose deletion is answered but not done")
    args = parser.parse_args()

    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(message)s")

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    for entry in args.folder_perm:
        name, perm = entry.split("=", 1)
        folder = os.path.join(args.root, name)
        os.makedirs(folder, exist_ok=True)
        authorizer.override_perm(args.user, folder, perm, recursive=True)

    class Handler(FTPHandler):
        lingering = frozenset(args.linger)

        def ftp_DELE(self, path):
            if os.path.basename(path) in self.lingering:
                self.respond("250 File removed.")
                return path
            return super().ftp_DELE(path)

    handler = Handler
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
