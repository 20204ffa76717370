#pragma once
// Which characters of a message ISO-2022-JP cannot carry, for the user to see before
// sending (the preview, the send flow, `quillon-mail check`). Such a field goes out as UTF-8
// unless the user chose ISO-2022-JP or stand-ins (CMailDoc::SetCharset, SetReplaceMode);
// the writer applies the same rule (CLanguage::FitsJis), so what the check lists is exactly
// what changes the charset. Qt-free, no side effects; the document is only read.

#include "encoding/CJisFallback.h"
#include "encoding/CString.h"

#include <vector>

class CMailDoc;

struct CCharsetIssue {
    // The text the character stands in. Letter pieces are listed one by one, as the user
    // edits them; they go out together as the body.
    enum Field {
        Subject, FromName, ReplyToName, ToName, CcName, BccName,
        Dear, Greeting, Body, Closing, Signature, AttachmentName
    };
    Field field;
    // The address's or attachment's place in its list (counting empty slots); 0 otherwise.
    unsigned int index;
    // Byte offset of the character in the field's text (code page 932, as the document holds
    // it), and its length in bytes (1 or 2).
    unsigned int position;
    unsigned int length;
    // The character's code page 932 bytes.
    CString character;
    // Its stand-in (code page 932), empty when it has none; a Variant stand-in (髙 -> 高) is
    // only used when the user asked for variants too.
    CString replacement;
    CJisFallback::Kind kind;
};

class CCharsetCheck {
public:
    // Every character of the document's subject, display names, letter pieces and attachment
    // names that ISO-2022-JP cannot carry, field by field in the order above, each field's
    // characters in text order. Empty when the whole message fits ISO-2022-JP.
    static std::vector<CCharsetIssue> Check(const CMailDoc& doc);
    // The same for one text.
    static void CheckText(const CString& text, CCharsetIssue::Field field, unsigned int index,
                          std::vector<CCharsetIssue>& issues);
    // The field's name as the user knows it ("件名", "宛先 (To) の名前", ...).
    static const char* FieldName(CCharsetIssue::Field field);
};
