#!/usr/bin/python3
"""An SMTP server for the mailer's tests (started by pv::test::SmtpServer).

    /usr/bin/python3 smtp_server.py --out DIR [--port 0] [--user mailer]
        [--password m41l-pw] [--no-auth-required] [--starttls]

Listens on 127.0.0.1 (with --port 0 the kernel picks a free port) and prints
one line "PORT <n>" (flushed) once it accepts connections.  AUTH LOGIN and
AUTH PLAIN are offered without TLS and checked against --user/--password; a
wrong pair gets 535.  Unless --no-auth-required, MAIL is refused (530) before
a successful AUTH.  With --starttls it also offers STARTTLS with a self-signed
certificate made by `openssl req` in DIR at start.

Each accepted message n (1, 2, ... in arrival order) becomes DIR/<n>.eml, the
DATA bytes as received (dot-unstuffed, CRLF line ends), and then DIR/<n>.json,
{"mail_from": "...", "rcpt_tos": ["...", ...]} (ASCII, written under a
temporary name and renamed, so a reader that sees it also sees the .eml).
SIGTERM ends it.
"""
import argparse
import asyncio
import json
import logging
import os
import signal
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Handler:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        n = self.count
        with open(os.path.join(self.out, "%d.eml" % n), "wb") as f:
            f.write(envelope.original_content or b"")
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": list(envelope.rcpt_tos)}
        final = os.path.join(self.out, "%d.json" % n)
        with open(final + ".tmp", "w", encoding="ascii") as f:
            json.dump(meta, f, ensure_ascii=True)
        os.rename(final + ".tmp", final)
        logging.info("message %d from %s to %s, %d bytes", n, envelope.mail_from,
                     ", ".join(envelope.rcpt_tos), len(envelope.original_content or b""))
        return "250 2.0.0 Message accepted"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        good = (isinstance(auth_data, LoginPassword)
                and auth_data.login == user.encode()
                and auth_data.password == password.encode())
        login = getattr(auth_data, "login", b"?")
        logging.info("AUTH %s as %r: %s", mechanism, login, "accepted" if good else "refused")
        # handled=False: aiosmtpd answers 535 itself on failure.
        return AuthResult(success=good, handled=False, auth_data=auth_data if good else None)
    return authenticate


def make_tls_context(out):
    cert = os.path.join(out, "cert.pem")
    key = os.path.join(out, "key.pem")
    made = subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                           "-subj", "/CN=127.0.0.1",
                           "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                           "-keyout", key, "-out", cert],
                          stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if made.returncode != 0:
        sys.exit("openssl req failed:\n" + made.stdout + made.stderr)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


async def serve(args):
    loop = asyncio.get_running_loop()
    handler = Handler(args.out)
    authenticator = make_authenticator(args.user, args.password)
    tls_context = make_tls_context(args.out) if args.starttls else None

    def factory():
        return SMTP(handler,
                    hostname="pressvane-test-smtp",
                    authenticator=authenticator,
                    auth_required=not args.no_auth_required,
                    auth_require_tls=False,
                    tls_context=tls_context,
                    require_starttls=False,
                    loop=loop)

    server = await loop.create_server(factory, host="127.0.0.1", port=args.port)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result(None))
    loop.add_signal_handler(signal.SIGINT, lambda: stop.done() or stop.set_result(None))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    await stop
    server.close()
    await server.wait_closed()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="mailer")
    parser.add_argument("--password", default="m41l-pw")
    parser.add_argument("--no-auth-required", action="store_true")
    parser.add_argument("--starttls", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(name)s %(message)s")
    # Plain AUTH over the loopback is what the tests want.
    warnings.filterwarnings("ignore", message="Requiring AUTH while not requiring TLS")
    # aiosmtpd itself sets the deprecated login_data on every AUTH.
    logging.getLogger("mail.log").addFilter(
        lambda record: "login_data is deprecated" not in record.getMessage()
        and "auth_require_tls == False" not in record.getMessage())
    asyncio.run(serve(args))


if __name__ == "__main__":
    main()
