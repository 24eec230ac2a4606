#!/usr/bin/python3
"""Reads a received mail with Python's email module, for the tests' checks.

usage: read_mail.py MAIL.eml ATTACHMENT_FOLDER

Prints one "name<TAB>value" line per field (backslash, tab, CR and LF escaped as \\\\, \\t, \\r, \\n):
subject (decoded), from, to, date, message-id, mime-version, body (the text part decoded),
body-charset, and for each attachment "attachment<TAB>filename<TAB>content-type<TAB>saved path";
then "end". The attachments' decoded bytes are written into the folder as 0, 1, ...
"""

import email
import email.policy
import os
import sys


def escape(text):
    return (str(text).replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\r", "\\r").replace("\n", "\\n"))


def field(name, value):
    print("%s\t%s" % (name, escape(value if value is not None else "")))


def main():
    path, folder = sys.argv[1], sys.argv[2]
    with open(path, "rb") as whole:
        message = email.message_from_binary_file(whole, policy=email.policy.default)
    for name in ("subject", "from", "to", "date", "message-id", "mime-version"):
        field(name, message[name])
    count = 0
    for part in message.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            saved = os.path.join(folder, str(count))
            with open(saved, "wb") as out:
                out.write(part.get_payload(decode=True))
            print("attachment\t%s\t%s\t%s" % (escape(part.get_filename()), escape(part.get_content_type()),
                                              escape(saved)))
            count += 1
        elif part.get_content_type() == "text/plain":
            field("body", part.get_content())
            field("body-charset", part.get_content_charset())
    print("end", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
