#!/usr/bin/env python3
"""Builds the expected messages of test_email_writer from the writing rules, independently
of the C++ code: Python's own cp932 / iso-2022-jp codecs and base64. Run it from this folder
when a rule changes, and review the difference."""
import base64

CRLF = b"\r\n"
DATE = b"Mon, 07 Dec 2026 22:21:06 +0900"
MSGID = b"<20261207222106.1234@pc01>"
BOUNDARY = b"BOUNDARY_6B16B2C2_000004D2"


def is_japanese(sjis):
    return any(0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC or 0xA1 <= b <= 0xDF for b in sjis)


def cut(sjis, limit):
    if limit >= len(sjis):
        return sjis
    pos = 0
    while pos < limit:
        if 0x81 <= sjis[pos] <= 0x9F or 0xE0 <= sjis[pos] <= 0xFC:
            if pos + 1 >= limit:
                break
            pos += 2
        else:
            pos += 1
    return sjis[:pos]


def encode_field(text, offset):
    sjis = text.encode("cp932")
    if not is_japanese(sjis):
        return sjis
    limit = int((76 - offset - 16 - 2) * 0.3)
    words = []
    while sjis:
        piece = cut(sjis, limit)
        jis = piece.decode("cp932").encode("iso-2022-jp")
        words.append(b"=?iso-2022-jp?B?" + base64.b64encode(jis) + b"?=")
        sjis = sjis[len(piece):]
        limit = int((75 - 16 - 2) * 0.3)
    return b"\r\n\t".join(words)


def address(name, mail):
    if not name:
        return mail.encode()
    if is_japanese(name.encode("cp932")):
        return encode_field(name, 0) + b" <" + mail.encode() + b">"
    quoted = name.replace("\\", "\\\\").replace('"', '\\"')
    return b'"' + quoted.encode() + b'" <' + mail.encode() + b">"


def address_field(field, addresses):
    return field.encode() + b": " + b",\r\n\t".join(address(n, m) for n, m in addresses) + CRLF


def base64_lines(data):
    out = b""
    for i in range(0, len(data), 54):
        out += base64.b64encode(data[i:i + 54]) + CRLF
    return out


def letter(dear="", greeting="", body="", closing="", signature=""):
    text = ""
    if dear:
        text += dear + "\r\n\r\n"
    if greeting:
        text += greeting + "\r\n\r\n"
    text += body
    if closing:
        text += "\r\n\r\n" + closing
    if signature:
        text += "\r\n\r\n" + signature
    return text


def body_part(text):
    sjis = text.encode("cp932")
    if is_japanese(sjis):
        return (b"Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\n"
                b"Content-Transfer-Encoding: base64\r\n\r\n"
                + base64_lines(text.encode("iso-2022-jp")))
    return b"Content-Type: text/plain\r\n\r\n" + sjis


def header(from_, to=(), cc=(), bcc=(), reply=None, mailer="", in_reply_to="", references="",
           subject=""):
    out = address_field("From", [from_])
    if reply:
        out += b"Reply-To: " + address(*reply) + CRLF
    if to:
        out += address_field("To", to)
    if cc:
        out += address_field("Cc", cc)
    if bcc:
        out += address_field("Bcc", bcc)
    out += b"Date: " + DATE + CRLF + b"Message-ID: " + MSGID + CRLF
    out += b"X-Mailer: " + mailer.encode() + CRLF
    if in_reply_to:
        out += b"In-Reply-To: " + in_reply_to.encode() + CRLF
    if references:
        out += b"References: " + references.encode() + CRLF
    out += b"Subject: " + encode_field(subject, 9) + CRLF
    return out + b"MIME-Version: 1.0\r\n"


def file_part(name, data, content_type="application/octet-stream"):
    n = b'"' + encode_field(name, 6) + b'"'
    return (b"Content-Type: " + content_type.encode() + b";\r\n\tname=" + n + CRLF
            + b"Content-Transfer-Encoding: base64\r\n"
            + b"Content-Disposition: attachment;\r\n\tfilename=" + n + CRLF + CRLF
            + base64_lines(data))


def mail_part(name, data):
    n = b'"' + encode_field(name, 6) + b'"'
    return (b"Content-Type: message/rfc822;\r\n\tname=" + n + CRLF
            + b"Content-Transfer-Encoding: 7bit\r\n"
            + b"Content-Disposition: attachment;\r\n\tfilename=" + n + CRLF + CRLF
            + data)


def multipart(body, parts):
    out = b"Content-Type: multipart/mixed;\r\n\tboundary=" + BOUNDARY + CRLF + CRLF
    out += b"--" + BOUNDARY + CRLF + body_part(body)
    for part in parts:
        out += CRLF + b"--" + BOUNDARY + CRLF + part
    # The line end before a delimiter belongs to it; an attached mail brings none of its own.
    if parts and parts[-1].startswith(b"Content-Type: message/rfc822"):
        out += CRLF
    return out + b"--" + BOUNDARY + b"--" + CRLF


TARO = ("Taro Yamada", "taro@example.jp")
TARO_JA = ("山田 太郎", "taro@example.jp")


def main():
    golden = {}
    golden["ascii_plain.eml"] = (
        header(TARO, to=[("", "hanako@example.com")], mailer="Quillon 1.0",
               subject="Meeting on Monday")
        + body_part("Hello,\r\nSee you on Monday.\r\n"))

    golden["japanese.eml"] = (
        header(TARO_JA, to=[("佐藤 花子", "hanako@example.com")], mailer="Quillon 1.0",
               subject="来週の定例会議の日程変更についてのお知らせ")
        + body_part(letter("佐藤様", "いつもお世話になっております。",
                           "来週の定例会議は、水曜日の午後三時からに変更になりました。\r\n"
                           "よろしくお願いいたします。\r\n",
                           "以上", "山田 太郎\r\ntaro@example.jp")))

    report = open("attach/第三四半期の売上報告書.bin", "rb").read()
    forward = open("attach/forward.eml", "rb").read()
    upper = open("attach/a.EML", "rb").read()
    golden["multipart.eml"] = (
        header(TARO, to=[("", "hanako@example.com")], mailer="Quillon 1.0", subject="Report")
        + multipart("報告書を添付します。\r\n",
                    [file_part("第三四半期の売上報告書.bin", report),
                     mail_part("forward.eml", forward),
                     file_part("a.EML", upper)]))

    golden["addresses.eml"] = (
        header(TARO_JA,
               reply=("Support Desk", "support@example.jp"),
               to=[("佐藤 花子", "hanako@example.com"), ('Ann "The Boss" Lee', "ann@example.com"),
                   ("", "bare@example.com")],
               cc=[("Lee, Bob", "bob@example.com"), ("Back\\slash", "bs@example.com"),
                   ("株式会社ベルト 営業部 鈴木", "sales@example.co.jp")],
               mailer="Quillon 1.0", in_reply_to="<orig.1@example.jp>",
               references="<a.1@example.jp>\r\n <orig.1@example.jp>", subject="Re: addresses")
        + body_part("ok\r\n"))

    # The sent text has no Bcc field; this one is the saved copy, which keeps it.
    golden["sender_bcc.eml"] = (
        header(TARO, to=[("", "hanako@example.com")], bcc=[TARO], subject="Copy to me")
        + body_part("Keep a copy.\r\n"))

    for name, data in golden.items():
        with open(name, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
