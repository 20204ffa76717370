#!/usr/bin/env python3
"""Writes the parser's .eml corpus with Python's standard email package, an independent
generator, and (habits()) messages written by hand the way other programs write them, for the
faults of the parser's first version. Each file is named after what it pins down. Run from
anywhere:
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
    habits()


def raw(name, *pieces):
    """Writes bytes as they stand, each line ended by CR LF; str pieces are ASCII."""
    data = b"".join(p.encode("ascii") if isinstance(p, str) else p for p in pieces)
    data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def b64(data):
    import base64
    return base64.b64encode(data).decode("ascii")


def jis(text):
    return text.encode("iso-2022-jp")


def habits():
    """Messages as other programs write them, one for each fault of the parser's first version."""
    # No MIME-Version and no Content-Type (Outlook 2000 plain text, old gateways): plain
    # text whose bytes tell the charset -- raw code page 932 here, JIS in a carrier bounce,
    # the Content-Type's charset when there is one.
    raw("no_mime_version_shift_jis.eml",
        "From: \"Tanaka\" <tanaka@example.jp>\nTo: suzuki@example.jp\n"
        "Subject: ", str(Header("見積もりの件", "iso-2022-jp").encode()), "\n"
        "Date: Tue, 01 Dec 2026 10:00:00 +0900\nMessage-ID: <outlook2000@example.jp>\n"
        "X-Mailer: Microsoft Outlook 8.5, Build 4.71.2173.0\n\n",
        "鈴木様\n\nお世話になっております。見積もりを表示します。\n能力ソフト\n".encode("cp932"))
    raw("no_mime_version_jis_bounce.eml",
        "From: MAILER-DAEMON@ezweb.ne.jp\nTo: sender@example.jp\n"
        "Subject: Mail System Error - Returned Mail\nDate: Tue, 01 Dec 2026 10:00:00 +0900\n\n",
        jis("<nobody@ezweb.ne.jp>: 送信先のアドレスが見つかりません。\n"), b"\n")
    raw("no_mime_version_charset_given.eml",
        "From: old@example.jp\nTo: new@example.jp\nSubject: euc\n"
        "Content-Type: text/plain; charset=x-euc-jp\n\n",
        "古いゲートウェイ\n".encode("euc_jp"))

    # Addresses as RFC 5322 writes them: a comment, a quoted name holding "<", groups (empty
    # and with members), a quoted encoded word (Outlook), quoted pairs.
    raw("addresses_comments_groups_quotes.eml",
        "From: bbb@ddd.com (John X. Doe)\n"
        "To: \"Sales <info>\" <sales@example.com>, team: a@example.com, B <b@example.com>;,\n"
        " \"", str(Header("山田 太郎", "iso-2022-jp").encode()), "\" <taro@example.jp>\n"
        "Cc: undisclosed-recipients:;, \"back\\\\slash \\\"q\\\"\" <q@example.com>\n"
        "Subject: addresses\nMessage-ID: <addresses@example.jp>\nMIME-Version: 1.0\n"
        "Content-Type: text/plain; charset=us-ascii\n\nbody\n")

    # The first inline text part is the body; a list footer after an attachment follows it.
    raw("list_footer_after_body.eml",
        "From: a@example.jp\nTo: list@example.jp\nSubject: footer\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"list\"\n\n"
        "--list\nContent-Type: text/plain; charset=iso-2022-jp\n\n", jis("本文です。\n二行目。"),
        "\n--list\nContent-Type: application/pdf; name=\"a.pdf\"\nContent-Transfer-Encoding: base64\n\n",
        b64(b"%PDF-1.4\n"), "\n--list\nContent-Type: text/plain; charset=us-ascii\n"
        "Content-Disposition: inline\n\n_______________\nlist mailing list\n--list--\n")

    # A multipart cut short: no closing delimiter, the last part runs to the end.
    raw("missing_closing_delimiter.eml",
        "From: a@example.jp\nTo: b@example.jp\nSubject: truncated\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"cut\"\n\n"
        "--cut\nContent-Type: text/plain; charset=us-ascii\n\nThe message was cut short.\n"
        "--cut\nContent-Type: application/octet-stream; name=\"data.bin\"\n"
        "Content-Transfer-Encoding: base64\n\n", b64(bytes(range(40))), "\n")

    # Header text: a character split across two encoded words, raw JIS and raw UTF-8 names,
    # a raw UTF-8 file name.
    word = "日本語の件名".encode("utf-8")
    raw("header_split_words_raw_utf8_jis.eml",
        "From: a@example.jp\nTo: ", jis("山田"), " <yamada@example.jp>\n"
        "Cc: ", "鈴木".encode("utf-8"), " <suzuki@example.jp>\n"
        "Subject: =?UTF-8?B?", b64(word[:4]), "?=\n =?UTF-8?B?", b64(word[4:]), "?=\n"
        "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n"
        "--b\nContent-Type: text/plain; charset=utf-8\n\n", "本文".encode("utf-8"),
        "\n--b\nContent-Type: application/msword; name=\"", "邂逅.doc".encode("utf-8"), "\"\n"
        "Content-Disposition: attachment; filename=\"", "邂逅.doc".encode("utf-8"), "\"\n"
        "Content-Transfer-Encoding: base64\n\n", b64(b"\xd0\xcf\x11\xe0"), "\n--b--\n")

    # A whole message that is one file, or one attached mail.
    raw("single_part_pdf.eml",
        "From: scanner@example.jp\nTo: b@example.jp\nSubject: scan\nMIME-Version: 1.0\n"
        "Content-Type: application/pdf; name=\"scan.pdf\"\nContent-Transfer-Encoding: base64\n\n",
        b64(b"%PDF-1.4\n" + bytes(range(256))), "\n")
    raw("single_part_attached_mail.eml",
        "From: a@example.jp\nTo: b@example.jp\nSubject: fwd\nMIME-Version: 1.0\n"
        "Content-Type: message/rfc822\n\n"
        "From: orig@example.jp\nSubject: ", str(Header("元のメール", "iso-2022-jp").encode()), "\n"
        "\nOriginal text.\n")

    # HTML only: the text of the HTML is the body.
    html = ("<!DOCTYPE html><html><head><title>T</title><style>p {color: red}</style>"
            "<script>var a = '<p>no</p>';</script></head>\n<body>\n"
            "<!-- a comment --><p>田中様</p>\n<p>お世話に  なっております。<br>"
            "2行目&nbsp;&nbsp;&amp; &lt;tag&gt; &#x2460; &#12354; &copy;</p>"
            "<div>区切り</div><table><tr><td>A</td><td>B</td></tr></table>"
            "<pre>  整形  済み\n  2行</pre><ul><li>一</li><li>二</li></ul></body></html>\n")
    from email import charset as _cs
    qp = _cs.Charset("utf-8")
    qp.body_encoding = _cs.QP
    m = MIMEText(html, "html", qp)
    write("html_only.eml", base_headers(m, "HTMLだけ", charset="utf-8"))
    m = MIMEMultipart("alternative")
    m.attach(MIMEText('<html><body><p class=MsoNormal>Outlook の<b>HTML</b>だけ<o:p></o:p></p>'
                      '<p class=MsoNormal><o:p>&nbsp;</o:p></p><p class=MsoNormal>以上</p>'
                      '</body></html>', "html", "iso-2022-jp"))
    write("alternative_html_only.eml", base_headers(m, "代替はHTMLだけ"))

    # Both names given: the Content-Disposition filename is the file's (RFC 2183 2.3).
    raw("disposition_filename_beats_name.eml",
        "From: a@example.jp\nTo: b@example.jp\nSubject: names\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=n\n\n--n\nContent-Type: text/plain\n\nsee file\n"
        "--n\nContent-Type: application/octet-stream; name=\"wrong.dat\"\n"
        "Content-Disposition: attachment; filename=\"right.pdf\"\n\n%PDF\n--n--\n")

    # A digest (parts are mails by default), "text" without a subtype, an RFC 2231 boundary.
    raw("digest_bare_text_rfc2231_boundary.eml",
        "From: a@example.jp\nTo: b@example.jp\nSubject: digest\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary*=us-ascii''b%3D1\n\n"
        "--b=1\nContent-Type: text\n\nDigest of the week.\n"
        "--b=1\nContent-Type: multipart/digest; boundary=d\n\n"
        "--d\n\nFrom: x@example.jp\nSubject: first\n\nfirst body\n"
        "--d\n\nFrom: y@example.jp\nSubject: second\n\nsecond body\n--d--\n--b=1--\n")

    # Charset labels other programs write; a label nobody knows gives 〓 for its 8-bit bytes.
    parts = [("x-euc-jp", "EUC 日本".encode("euc_jp")), ("x-sjis", "シフト".encode("cp932")),
             ("shift-jis", "表示".encode("cp932")), ("ks_c_5601-1987", "한국".encode("cp949")),
             ("unicode-1-1-utf-7", "日本語".encode("utf-7")), ("cp932", "①".encode("cp932")),
             ("windows-31j", "髙".encode("cp932")), ("x-unknown-8bit", b"caf\xe9")]
    body = [b"From: a@example.jp\nTo: b@example.jp\nSubject: charsets\nMIME-Version: 1.0\n"
            b"Content-Type: multipart/mixed; boundary=c\n\n"]
    for label, data in parts:
        body.append(b"--c\nContent-Type: text/plain; charset=" + label.encode() +
                    b"\nContent-Transfer-Encoding: 8bit\n\n" + data + b"\n")
    raw("charset_aliases.eml", *body, "--c--\n")

    # Many parts with one name: unique names, numbered in turn.
    many = ["From: a@example.jp\nTo: b@example.jp\nSubject: same names\nMIME-Version: 1.0\n"
            "Content-Type: multipart/mixed; boundary=s\n\n--s\nContent-Type: text/plain\n\nfive\n"]
    for i in range(5):
        many.append("--s\nContent-Type: application/octet-stream; name=a\n\n%d\n" % i)
    raw("many_parts_same_name.eml", *many, "--s--\n")


if __name__ == "__main__":
    main()
