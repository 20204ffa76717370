#!/usr/bin/python3
"""Decodes a mail with Python's email package, an implementation independent of ours, and
prints what a reader shows as JSON: the subject, the content type and charset of the body,
and the body text exactly as decoded (line ends kept)."""
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
body = message.get_body(preferencelist=("plain",))
json.dump({
    "subject": str(message["subject"]),
    "content_type": body.get_content_type(),
    "charset": body.get_content_charset(),
    "body": body.get_content(),
}, sys.stdout)
