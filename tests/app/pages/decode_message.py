#!/usr/bin/python3
"""Reads a received message with Python's email package, an implementation independent of
Quillon's, and prints as JSON what a mail reader shows: subject, sender, recipients, the
charset and lines of the text body, and each attachment's name and bytes (Base64).

Usage: decode_message.py MESSAGE.eml
"""
import base64
import email
import email.policy
import json
import sys


def main() -> int:
    with open(sys.argv[1], "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.default)
    body = message.get_body(preferencelist=("plain",))
    text = body.get_content() if body is not None else ""
    attachments = []
    for part in message.iter_attachments():
        data = part.get_payload(decode=True) or b""
        attachments.append({"name": part.get_filename(), "type": part.get_content_type(),
                            "data": base64.b64encode(data).decode("ascii")})
    print(json.dumps({
        "subject": str(message["subject"] or ""),
        "from": str(message["from"] or ""),
        "to": str(message["to"] or ""),
        "charset": body.get_content_charset() if body is not None else "",
        "lines": text.replace("\r\n", "\n").split("\n"),
        "attachments": attachments,
    }))
    return 0


if __name__ == "__main__":
    sys.exit(main())
