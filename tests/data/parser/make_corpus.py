#!/usr/bin/env python3
"""Writes the parser's .eml corpus with Python's standard email package, an independent
generator. Each file is named after what it pins down. Run from anywhere:
    python3 make_corpus.py [output folder]
The files are committed; rerun only to add cases (MIME boundaries are fixed for stable files).
"""
import os
import sys
import zlib
from email import policy
from email.header import Header
from email.mime.application import MIMEApplication
from email.mime.image import MIMEImage
from email.mime.message import MIMEMessage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.utils import formataddr

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
CRLF = policy.compat32.clone(linesep="\r\n")
LF = policy.compat32.clone(linesep="\n")

# A tiny PNG and JPEG-like payload; attachment bytes include every byte value.
PNG = bytes.fromhex("89504e470d0a1a0a0000000d49484452000000010000000108060000001f15c489"
                    "0000000d4944415478da63f8cfc0f01f0005000201a5f6bd1b0000000049454e44ae426082")
BINARY = bytes(range(256)) * 3
JPEG = b"\xff\xd8\xff\xe0" + bytes(range(200)) + b"\xff\xd9"


def jheader(text):
    return Header(text, "iso-2022-jp")


def addr(name, mail, charset="iso-2022-jp"):
    return formataddr((name, mail), charset=charset)


def base_headers(msg, subject, frm=("山田 太郎", "taro@example.jp"),
                 to=(("", "hanako@example.jp"),), cc=(), charset="iso-2022-jp"):
    msg["From"] = addr(frm[0], frm[1], charset)
    msg["To"] = ", ".join(addr(n, m, charset) for n, m in to)
    if cc:
        msg["Cc"] = ", ".join(addr(n, m, charset) for n, m in cc)
    msg["Subject"] = Header(subject, charset) if charset else subject
    msg["Date"] = "Tue, 01 Dec 2026 10:00:00 +0900"
    msg["Message-ID"] = "<%08x@example.jp>" % zlib.crc32(subject.encode("utf-8"))
    return msg


def fix_boundaries(msg, prefix="=_quillon_"):
    for n, part in enumerate(msg.walk()):
        if part.get_content_maintype() == "multipart":
            part.set_boundary("%s%d_%s" % (prefix, n, "x" * 8))


def write(name, msg, pol=CRLF):
    fix_boundaries(msg)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(msg.as_bytes(policy=pol))


def attachment(data, maintype, subtype, filename=None, rfc2231=None, raw_name=None):
    if maintype == "image":
        part = MIMEImage(data, _subtype=subtype)
    else:
        part = MIMEApplication(data, _subtype=subtype)
    if filename is not None:
        part.add_header("Content-Disposition", "attachment", filename=filename)
        part.set_param("name", filename)
    if rfc2231 is not None:
        part.add_header("Content-Disposition", "attachment", filename=rfc2231)
        part.set_param("name", rfc2231)
    if raw_name is not None:
        part.replace_header("Content-Type", part["Content-Type"] + '; name="%s"' % raw_name)
    return part


def main():
    # ISO-2022-JP subject and body, the system's own form.
    m = MIMEText("こんにちは。\r\n日本語の本文です。\r\n", "plain", "iso-2022-jp")
    write("iso2022jp_subject_and_body.eml",
          base_headers(m, "会議のお知らせ", cc=(("佐藤 花子", "sato@example.jp"),)))

    # UTF-8 text in Base64 and in quoted-printable, UTF-8 encoded words.
    m = MIMEText("UTF-8の本文、Base64で。\r\n①②③ and ASCII.\r\n", "plain", "utf-8")
    write("utf8_base64_body.eml", base_headers(m, "UTF-8 の件名 ①", charset="utf-8"))
    from email import charset as _cs
    qp = _cs.Charset("utf-8")
    qp.body_encoding = _cs.QP
    m = MIMEText("引用符付き印字可能、UTF-8。\r\nso=equals and ünïcödé.\r\n", "plain", qp)
    write("utf8_quoted_printable_body.eml",
          base_headers(m, "Quoted-printable な件名", to=(("Ann Lee", "ann@example.com"),),
                       charset="utf-8"))

    # Shift_JIS body (Base64) and subject.
    m = MIMEText("シフトJISの本文です。表示と能力。\r\n", "plain", "shift_jis")
    write("shift_jis_body.eml", base_headers(m, "シフトJISの件名", charset="shift_jis"))

    # EUC-JP body, ISO-8859-1 subject: converted too.
    m = MIMEText("EUC-JPの本文です。\r\n", "plain", "euc-jp")
    write("euc_jp_body_latin1_subject.eml",
          base_headers(m, "Café résumé", frm=("José", "jose@example.es"), charset="iso-8859-1"))

    # multipart/alternative with HTML: the plain text is the body.
    m = MIMEMultipart("alternative")
    m.attach(MIMEText("プレーンテキスト版です。\r\n", "plain", "iso-2022-jp"))
    m.attach(MIMEText("<p>HTML版です。</p>\r\n", "html", "utf-8"))
    write("alternative_with_html.eml", base_headers(m, "代替形式"))

    # Nested multipart/mixed: an attached message that has attachments of its own.
    inner = MIMEMultipart("mixed")
    inner.attach(MIMEText("添付されたメールの本文。\r\n", "plain", "iso-2022-jp"))
    inner.attach(attachment(BINARY, "application", "octet-stream", filename="inner.bin"))
    inner.attach(attachment(PNG, "image", "png", filename="inner.png"))
    base_headers(inner, "転送: 元のメール/その1", frm=("", "orig@example.jp"))
    outer = MIMEMultipart("mixed")
    outer.attach(MIMEText("メールを添付します。\r\n", "plain", "iso-2022-jp"))
    outer.attach(MIMEMessage(inner))
    outer.attach(attachment(JPEG, "image", "jpeg", filename="photo.jpg"))
    write("nested_mixed_attached_message.eml",
          base_headers(outer, "メール添付", to=(("", "a@example.jp"), ("鈴木", "b@example.jp"))))

    # multipart/related with inline images beside an alternative.
    alt = MIMEMultipart("alternative")
    alt.attach(MIMEText("画像付きメール。\r\n", "plain", "iso-2022-jp"))
    alt.attach(MIMEText('<p><img src="cid:logo"></p>\r\n', "html", "us-ascii"))
    rel = MIMEMultipart("related")
    rel.attach(alt)
    img = attachment(PNG, "image", "png")
    img.set_param("name", "logo.png")
    img.add_header("Content-ID", "<logo>")
    img.add_header("Content-Disposition", "inline", filename="logo.png")
    rel.attach(img)
    img2 = attachment(JPEG, "image", "jpeg")
    img2.set_param("name", "banner.jpg")
    img2.add_header("Content-ID", "<banner>")
    rel.attach(img2)
    write("related_inline_images.eml", base_headers(rel, "インライン画像"))

    # Japanese file names: RFC 2231 (UTF-8, one piece), RFC 2231 (ISO-2022-JP, numbered
    # pieces) and an encoded word in the name parameter.
    m = MIMEMultipart("mixed")
    m.attach(MIMEText("ファイル名のテスト。\r\n", "plain", "iso-2022-jp"))
    m.attach(attachment(BINARY, "application", "pdf", rfc2231=("utf-8", "", "見積書 2026.pdf")))
    # Each piece holds whole JIS runs: Python decodes the pieces one by one.
    title = "報告書（最終版）_長い名前のファイル.txt"
    p = MIMEApplication(b"plain bytes\r\n", _subtype="octet-stream")
    pieces = ["".join("%%%02X" % b for b in title[i:i + 7].encode("iso-2022-jp"))
              for i in range(0, len(title), 7)]
    params = "".join(";\r\n name*%d*=%s%s" % (i, "iso-2022-jp''" if i == 0 else "", s)
                     for i, s in enumerate(pieces))
    p.replace_header("Content-Type", "application/octet-stream" + params)
    m.attach(p)
    write("rfc2231_japanese_file_names.eml", base_headers(m, "RFC 2231 のファイル名"))

    m = MIMEMultipart("mixed")
    m.attach(MIMEText("符号化ワードのファイル名。\r\n", "plain", "iso-2022-jp"))
    p = MIMEApplication(BINARY, _subtype="octet-stream")
    word = jheader("請求書.xls").encode()
    p.replace_header("Content-Type", 'application/octet-stream; name="%s"' % word)
    p.add_header("Content-Disposition", 'attachment; filename="%s"' % word)
    m.attach(p)
    q = MIMEApplication(JPEG, _subtype="octet-stream")
    q.add_header("Content-Disposition", "attachment",
                 filename=Header("写真.jpg", "utf-8").encode())
    m.attach(q)
    write("encoded_word_japanese_file_names.eml", base_headers(m, "符号化ワードの名前"))

    # Folded headers: a long Japanese subject in several encoded words, a long address list.
    m = MIMEText("折り返しヘッダー。\r\n", "plain", "iso-2022-jp")
    many = tuple(("受信者%d" % i, "user%d@example.jp" % i) for i in range(8))
    write("folded_headers.eml",
          base_headers(m, "とても長い件名です。" * 6, to=many,
                       cc=(("Long, Name", "long@example.com"),)))

    # LF-only line ends, as in mailbox files.
    m = MIMEMultipart("mixed")
    m.attach(MIMEText("LFだけの改行。\n二行目。\n", "plain", "iso-2022-jp"))
    m.attach(attachment(BINARY, "application", "octet-stream", filename="lf.bin"))
    write("lf_line_ends.eml", base_headers(m, "LF 改行"), pol=LF)

    # A reply in a thread: References and In-Reply-To.
    m = MIMEText("返信です。\r\n> 元の文\r\n", "plain", "iso-2022-jp")
    base_headers(m, "Re: 打ち合わせ", frm=("甲", "a@example.jp"),
                 to=(("乙", "b@example.jp"), ("", "c@example.jp")), cc=(("丁", "d@example.jp"),))
    m["In-Reply-To"] = "<first@example.jp>"
    m["References"] = "<root@example.jp>\r\n <first@example.jp>"
    write("reply_with_references.eml", m)

    # File names only in Content-Disposition, and a part with no name at all.
    m = MIMEMultipart("mixed")
    m.attach(MIMEText("名前の場所。\r\n", "plain", "iso-2022-jp"))
    p = MIMEApplication(BINARY, _subtype="pdf")
    p.add_header("Content-Disposition", "attachment", filename="only-disposition.pdf")
    m.attach(p)
    m.attach(MIMEApplication(JPEG, _subtype="zip"))
    write("disposition_name_and_nameless_part.eml", base_headers(m, "名前なし"))


if __name__ == "__main__":
    main()
