#include "pages/LetterRules.h"

#include "encoding/CLanguage.h"
#include "model/CMailDoc.h"

#include <vector>

bool BeginsWith(const CString& text, const CString& prefix)
{
    return text.View().substr(0, prefix.View().size()) == prefix.View();
}

int AddSubjectPrefix(CString& subject, const CString& prefix)
{
    if (BeginsWith(subject, prefix))
        return 0;
    subject = prefix + subject;
    return 1;
}

int RemoveSubjectPrefix(CString& subject, const CString& prefix)
{
    if (prefix.IsEmpty() || !BeginsWith(subject, prefix))
        return 0;
    subject = subject.Mid(prefix.GetLength());
    return 1;
}

void AppendSalutation(CString& dear, const CString& phrase)
{
    if (!dear.IsEmpty())
        dear += "\r\n";
    dear += phrase;
}

CString AbridgedBody(const CString& body)
{
    std::vector<std::string_view> lines;
    std::string_view rest = body.View();
    for (;;) {
        const std::size_t end = rest.find("\r\n");
        lines.push_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 2);
    }
    if (static_cast<int>(lines.size()) <= kPreviewLines)
        return body;
    auto cut = [](std::string_view line) {
        CString out;
        CLanguage::CutSJIS(line.data(), static_cast<unsigned int>(line.size()), kPreviewLineBytes, out);
        return out;
    };
    const std::size_t count = lines.size();
    return cut(lines[0]) + "\r\n" + cut(lines[1]) + "\r\n" + "・・・" + "\r\n" + cut(lines[count - 2]) +
           "\r\n" + cut(lines[count - 1]);
}

int StoreLetterPieces(CMailDoc& doc, const CLetterPieces& pieces)
{
    struct Piece {
        void (CMailDoc::*get)(CString&) const;
        void (CMailDoc::*set)(const CString&);
        const CString& value;
    };
    const Piece texts[] = {
        {&CMailDoc::GetDear, &CMailDoc::SetDear, pieces.dear},
        {&CMailDoc::GetGreeting, &CMailDoc::SetGreeting, pieces.greeting},
        {&CMailDoc::GetClosing, &CMailDoc::SetClosing, pieces.closing},
        {&CMailDoc::GetSignature, &CMailDoc::SetSignature, pieces.signature},
    };
    int changed = 0;
    for (const Piece& piece : texts) {
        CString stored;
        (doc.*piece.get)(stored);
        if (stored != piece.value) {
            (doc.*piece.set)(piece.value);
            changed = 1;
        }
    }
    if ((doc.GetUpperReplyFlg() != 0) != (pieces.upperReply != 0)) {
        doc.SetUpperReplyFlg(pieces.upperReply != 0 ? 1 : 0);
        changed = 1;
    }
    if (changed)
        doc.SetModifiedFlag();
    return changed;
}

CLetterPageButtons EnabledLetterButtons(const CLetterPageState& state)
{
    CLetterPageButtons buttons;
    buttons.replace = state.templateSelected;
    buttons.clearTemplate = state.templateSelected;
    buttons.clearAll = state.prefixSelected || state.dearSelected || !state.dear.IsEmpty() ||
                       !state.greeting.IsEmpty() || !state.closing.IsEmpty() || state.signatureSelected;
    buttons.removePrefix = state.prefixSelected;
    buttons.clearDear = state.dearSelected || !state.dear.IsEmpty();
    buttons.clearGreeting = !state.greeting.IsEmpty();
    buttons.clearClosing = !state.closing.IsEmpty();
    buttons.clearSignature = state.signatureSelected;
    return buttons;
}
