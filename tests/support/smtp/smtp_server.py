#!/usr/bin/python3
"""An SMTP server for the mailer's tests (started by pv::test::SmtpServer).

    /usr/bin/python3 smtp_server.py --out DIR [--port 0] [--user mailer]
        [--password m41l-pw] [--no-auth-required] [--starttls]
        [--allow-bare-line-ends] [--silent]

Listens on 127.0.0.1 (with --port 0 the kernel picks a free port) and prints
one line "PORT <n>" (flushed) once it accepts connections.  AUTH LOGIN and
AUTH PLAIN are offered without TLS and checked against --user/--password; a
wrong pair gets 535.  Unless --no-auth-required, MAIL is refused (530) before
a successful AUTH.  With --starttls it also offers STARTTLS with a self-signed
certificate made by `openssl req` in DIR at start.

Like strict production servers it refuses (550) a message whose DATA holds a
bare LF or a bare CR, unless --allow-bare-line-ends.  With --silent it accepts
connections and never says a word (no greeting): a hung mail server.

Each accepted message n (1, 2, ... in arrival order) becomes DIR/<n>.eml, the
DATA bytes as received (dot-unstuffed, CRLF line ends), and then DIR/<n>.json
(ASCII, written under a temporary name and renamed, so a reader that sees it
also sees the .eml):
    {"mail_from": "...", "rcpt_tos": ["...", ...], "tls": true|false,
     "authenticated": true|false, "subject": "...", "text": "...",
     "attachment_names": ["...", ...]}
tls: the session had gone through STARTTLS; authenticated: it had logged in.
subject, text (the first text/plain part) and attachment_names are decoded by
Python's email package (encoded words, RFC 2231 names, charsets, transfer
encodings); "parse_error" is set instead when the message cannot be decoded.
SIGTERM ends it.
"""
import argparse
import asyncio
import email
import email.policy
import json
import logging
import os
import re
import signal
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


BARE_LINE_END = re.compile(rb"(?<!\r)\n|\r(?!\n)")


def decoded_parts(content):
    try:
        message = email.message_from_bytes(content, policy=email.policy.default)
        body = message.get_body(preferencelist=("plain",))
        return {"subject": str(message.get("subject", "")),
                "text": body.get_content() if body is not None else "",
                "attachment_names": [part.get_filename() or "" for part in message.iter_attachments()]}
    except Exception as error:  # the test shows it; the message is kept as received
        return {"parse_error": repr(error)}


class Handler:
    def __init__(self, out, allow_bare_line_ends):
        self.out = out
        self.allow_bare_line_ends = allow_bare_line_ends
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content or b""
        if not self.allow_bare_line_ends and BARE_LINE_END.search(content):
            logging.info("message refused: bare LF or CR in DATA")
            return "550 5.6.0 Bare LF or CR in message text: lines must end in CRLF"
        self.count += 1
        n = self.count
        with open(os.path.join(self.out, "%d.eml" % n), "wb") as f:
            f.write(content)
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": list(envelope.rcpt_tos),
                "tls": session.ssl is not None, "authenticated": bool(session.authenticated)}
        meta.update(decoded_parts(content))
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


class Silent(asyncio.Protocol):
    open_transports = set()

    def connection_made(self, transport):
        self.transport = transport
        Silent.open_transports.add(transport)
        logging.info("connection accepted; staying silent")

    def connection_lost(self, exc):
        Silent.open_transports.discard(self.transport)


async def serve(args):
    loop = asyncio.get_running_loop()
    handler = Handler(args.out, args.allow_bare_line_ends)
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

    server = await loop.create_server(Silent if args.silent else factory, host="127.0.0.1", port=args.port)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result(None))
    loop.add_signal_handler(signal.SIGINT, lambda: stop.done() or stop.set_result(None))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    await stop
    server.close()
    for transport in list(Silent.open_transports):
        transport.close()
    await server.wait_closed()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="mailer")
    parser.add_argument("--password", default="m41l-pw")
    parser.add_argument("--no-auth-required", action="store_true")
    parser.add_argument("--starttls", action="store_true")
    parser.add_argument("--allow-bare-line-ends", action="store_true")
    parser.add_argument("--silent", action="store_true")
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
