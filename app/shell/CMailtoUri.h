#pragma once
// A "mailto:" link (RFC 6068) read into the fields of a new message. Qt-free.
//
// The addresses of the path and of "to=", "cc=", "bcc=" are address lists (RFC 5322, so a
// "山田 <taro@example.jp>" keeps its name); "subject=", "body=", "in-reply-to=" are text.
// Percent-encoded octets are UTF-8 (RFC 6068 2), or, as older Japanese pages write them,
// ISO-2022-JP or Shift_JIS: the bytes decide (CMailCharset::Guess). "+" stays a plus sign.
// Repeated fields add up: addresses in order, body texts as lines of one body, subjects
// joined by a blank; the first "in-reply-to" counts. Field names are case-insensitive;
// unknown fields are ignored. "attach=" (and "attachment=") values are handed out as they
// are, for the caller to check and to attach only after the user agrees.

#include "encoding/CString.h"
#include "model/CAddress.h"

#include <string>
#include <string_view>
#include <vector>

struct CMailtoFields {
    std::vector<CAddress> to;
    std::vector<CAddress> cc;
    std::vector<CAddress> bcc;
    CString subject;    // one line: a line break or control character became a blank
    CString body;       // CR LF line ends
    CString inReplyTo;  // one line
    // Each attach= value, percent-decoded: a path or a "file:" URL, as the link wrote it.
    std::vector<std::string> attach;

    bool IsEmpty() const;
};

class CMailtoUri {
public:
    // Whether `argument` is a mailto link (the scheme without regard to case).
    static bool IsMailto(std::string_view argument);

    // Adds the fields of `uri` to `fields`. Returns 0 for a link that cannot be read (a "%"
    // without two hex digits, an encoded NUL), with the reason in `error` (code page 932);
    // `fields` is then unchanged.
    static int Parse(std::string_view uri, CMailtoFields& fields, CString& error);

    // "%XX" decoded to its byte; 0 (and the bad sequence in `bad`) when a "%" is not followed
    // by two hex digits.
    static int PercentDecode(std::string_view text, std::string& bytes, std::string& bad);
};
