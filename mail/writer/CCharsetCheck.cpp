#include "writer/CCharsetCheck.h"

#include "encoding/CLanguage.h"
#include "model/CAddress.h"
#include "model/CMailDoc.h"
#include "writer/CEMailWriter.h"

void CCharsetCheck::CheckText(const CString& text, CCharsetIssue::Field field, unsigned int index,
                              std::vector<CCharsetIssue>& issues)
{
    const char* begin = text.GetString();
    const unsigned int size = static_cast<unsigned int>(text.GetLength());
    unsigned int pos = 0;
    while (pos < size) {
        if (static_cast<unsigned char>(begin[pos]) < 0x80) {
            ++pos;
            continue;
        }
        unsigned int n = CLanguage::CharLength(begin + pos, size - pos);
        if (!CLanguage::FitsJis(begin + pos, n)) {
            CJisFallback::Kind kind = CJisFallback::None;
            const char* standIn = CJisFallback::Find(begin + pos, n, kind);
            issues.push_back({field, index, pos, n, CString(begin + pos, static_cast<int>(n)),
                              CString(standIn ? standIn : ""), kind});
        }
        pos += n;
    }
}

std::vector<CCharsetIssue> CCharsetCheck::Check(const CMailDoc& doc)
{
    std::vector<CCharsetIssue> issues;
    CString text;
    doc.GetSubject(text);
    CheckText(text, CCharsetIssue::Subject, 0, issues);

    CAddress address;
    doc.GetFromAddress(address);
    CheckText(address.GetDisplayName(), CCharsetIssue::FromName, 0, issues);
    doc.GetReplyAddress(address);
    CheckText(address.GetDisplayName(), CCharsetIssue::ReplyToName, 0, issues);
    struct List {
        CCharsetIssue::Field field;
        unsigned int (CMailDoc::*size)() const;
        const CAddress* (CMailDoc::*get)(unsigned int) const;
    };
    const List lists[] = {
        {CCharsetIssue::ToName, &CMailDoc::GetToAddressSize, &CMailDoc::GetToAddress},
        {CCharsetIssue::CcName, &CMailDoc::GetCcAddressSize, &CMailDoc::GetCcAddress},
        {CCharsetIssue::BccName, &CMailDoc::GetBccAddressSize, &CMailDoc::GetBccAddress},
    };
    for (const List& list : lists) {
        for (unsigned int i = 0; i < (doc.*list.size)(); ++i) {
            if (const CAddress* a = (doc.*list.get)(i)) CheckText(a->GetDisplayName(), list.field, i, issues);
        }
    }

    void (CMailDoc::*pieces[])(CString&) const = {&CMailDoc::GetDear, &CMailDoc::GetGreeting, &CMailDoc::GetBody,
                                                  &CMailDoc::GetClosing, &CMailDoc::GetSignature};
    const CCharsetIssue::Field pieceFields[] = {CCharsetIssue::Dear, CCharsetIssue::Greeting, CCharsetIssue::Body,
                                                CCharsetIssue::Closing, CCharsetIssue::Signature};
    for (int i = 0; i < 5; ++i) {
        (doc.*pieces[i])(text);
        CheckText(text, pieceFields[i], 0, issues);
    }

    CMailDoc::FileList files;
    doc.GetFiles(files);
    for (unsigned int i = 0; i < files.size(); ++i) {
        CheckText(CEMailWriter::AttachmentName(files[i]), CCharsetIssue::AttachmentName, i, issues);
    }
    return issues;
}

const char* CCharsetCheck::FieldName(CCharsetIssue::Field field)
{
    switch (field) {
    case CCharsetIssue::Subject: return "件名";
    case CCharsetIssue::FromName: return "差出人の名前";
    case CCharsetIssue::ReplyToName: return "返信先の名前";
    case CCharsetIssue::ToName: return "宛先 (To) の名前";
    case CCharsetIssue::CcName: return "宛先 (Cc) の名前";
    case CCharsetIssue::BccName: return "宛先 (Bcc) の名前";
    case CCharsetIssue::Dear: return "宛名";
    case CCharsetIssue::Greeting: return "挨拶";
    case CCharsetIssue::Body: return "本文";
    case CCharsetIssue::Closing: return "結び";
    case CCharsetIssue::Signature: return "署名";
    case CCharsetIssue::AttachmentName: return "添付ファイル名";
    }
    return "";
}
