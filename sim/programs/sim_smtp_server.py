#!/usr/bin/python3
"""A local mail server for QAV's tests and its run command: Debian's aiosmtpd on 127.0.0.1.

It listens on the port given (0 picks a free one) and prints "ready <port>" once it accepts
connections. Every message it accepts is written to the mail folder as <n>.eml (the bytes as
received) with <n>.env beside it (one line each:
"from <address>", "to <address>", "auth <login>" or "auth -", "tls <mode>"), the .eml last and by
rename, so a reader that sees it sees it whole.

Scripted faults, so the sender's failure paths meet a real server:
  --reply-rcpt CODE   answer RCPT TO with CODE (e.g. 550)
  --reply-data CODE   answer the end of DATA with CODE (e.g. 554)
  --stall-data        never answer the end of DATA
Transport and login:
  --tls starttls|implicit with --cert and --key (PEM files)
  --auth LOGIN:PASSWORD   require AUTH; a wrong pair gets 535
Run with /usr/bin/python3: Debian's aiosmtpd is installed for the system interpreter.
"""

import argparse
import asyncio
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

REPLIES = {
    535: "535 5.7.8 Authentication credentials invalid",
    550: "550 5.1.1 Mailbox unavailable",
    554: "554 5.6.0 Transaction failed",
}


def reply_text(code):
    return REPLIES.get(code, "%d Scripted reply" % code)


class Handler:
    def __init__(self, options):
        self.options = options
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.options.reply_rcpt:
            return reply_text(self.options.reply_rcpt)
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.options.stall_data:
            await asyncio.sleep(3600)
        if self.options.reply_data:
            return reply_text(self.options.reply_data)
        self.count += 1
        base = os.path.join(self.options.mail_folder, "%d" % self.count)
        login = getattr(session.auth_data, "login", None)
        if isinstance(login, (bytes, bytearray)):
            login = login.decode("utf-8", "replace")
        lines = ["from %s" % envelope.mail_from]
        lines += ["to %s" % address for address in envelope.rcpt_tos]
        lines.append("auth %s" % (login if session.authenticated else "-"))
        lines.append("tls %s" % (self.options.tls or "none"))
        with open(base + ".env", "w", encoding="utf-8") as side:
            side.write("\n".join(lines) + "\n")
        with open(base + ".part", "wb") as whole:
            whole.write(envelope.original_content)
        os.rename(base + ".part", base + ".eml")
        print("mail %s.eml" % base, flush=True)
        return "250 Message accepted for delivery"


def make_authenticator(expected):
    login, _, password = expected.partition(":")

    def authenticate(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        ok = auth_data.login == login.encode() and auth_data.password == password.encode()
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    return authenticate


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--mail-folder", required=True)
    parser.add_argument("--tls", choices=["starttls", "implicit"])
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--auth")
    parser.add_argument("--reply-rcpt", type=int)
    parser.add_argument("--reply-data", type=int)
    parser.add_argument("--stall-data", action="store_true")
    options = parser.parse_args()
    # The tests read this program's output; aiosmtpd's own warnings about a loopback test set-up
    # are noise there.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)

    context = None
    if options.tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(options.cert, options.key)

    handler = Handler(options)

    def factory():
        keywords = dict(hostname="qav-test-server", decode_data=False, data_size_limit=64 * 1024 * 1024)
        if options.tls == "starttls":
            keywords.update(tls_context=context, require_starttls=True)
        if options.auth:
            # Implicit TLS is invisible to the protocol object, and the loopback is private anyway.
            keywords.update(auth_required=True, auth_require_tls=False,
                            authenticator=make_authenticator(options.auth))
        return SMTP(handler, **keywords)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server_ssl = context if options.tls == "implicit" else None
    server = loop.run_until_complete(
        loop.create_server(factory, host="127.0.0.1", port=options.port, ssl=server_ssl))
    port = server.sockets[0].getsockname()[1]
    print("ready %d" % port, flush=True)
    try:
        loop.run_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
