#pragma once
// The preview's rules that are not about widgets: the recipient lines, the letter as it will
// leave with the characters ISO-2022-JP cannot carry marked, and the words that tell the user
// how those characters will be sent, with the choices that make a difference. The send flow
// uses the same words. Qt-free; text is code page 932.

#include "encoding/CJisFallback.h"
#include "encoding/CString.h"
#include "model/CMailDoc.h"
#include "writer/CCharsetCheck.h"

#include <vector>

namespace PreviewRules {

// One line per recipient: "宛先　：　", "ＣＣ　 ：　" or "ＢＣＣ ：　" and the address's
// ToText, To first, then Cc, then Bcc. The three prefixes have the same display width.
std::vector<CString> RecipientLines(const CMailDoc& doc);

// A marked run of the letter as the editor holds it: `start` and `length` count characters
// of the editor's text, where a line end (CR LF, CR or LF) is one character.
struct LetterMark {
    enum Kind {
        Unsendable,  // ISO-2022-JP cannot carry it; goes as the charset rule says
        Replaced,    // a stand-in put in by the chosen replacement
    };
    int start;
    int length;
    Kind kind;
};

// The letter as it will leave under `mode` (the stand-ins CJisFallback::Replace puts in,
// exactly) in `shown`, and the marks on it in text order.
void PreviewLetter(const CString& letter, CJisFallback::Mode mode, CString& shown, std::vector<LetterMark>& marks);

// Whether a line of the letter is quoted ("> " and the like, as replies quote).
bool IsQuotedLine(const CString& line);

// What the user may choose for the characters that do not fit: the charset rule and the
// stand-ins, with the words of the choice.
struct SendingChoice {
    CMailDoc::Charset charset;
    CJisFallback::Mode mode;
    CString text;
};
// The choices that make a difference for `issues`: always "その部分を UTF-8 で送る" and
// "ISO-2022-JP のまま送る"; the symbol stand-ins when a character has one, the kanji
// variants too when one has such a stand-in. Empty when there are no issues.
std::vector<SendingChoice> SendingChoices(const std::vector<CCharsetIssue>& issues);
// The index in `choices` of the document's present choice, -1 when none matches.
int FindChoice(const std::vector<SendingChoice>& choices, CMailDoc::Charset charset, CJisFallback::Mode mode);

// How the characters that ISO-2022-JP cannot carry will be sent under `charset` and `mode`:
// which characters and where, what replaces which, and what the rest goes out as. Empty
// when there are no issues. Lines end in LF (for a label or a message box).
CString SendingNote(const std::vector<CCharsetIssue>& issues, CMailDoc::Charset charset, CJisFallback::Mode mode);

// The send flow's question when the preview was not shown: the note, then whether to send;
// No opens the preview, where the user can choose. Empty when there are no issues.
CString SendingQuestion(const std::vector<CCharsetIssue>& issues, CMailDoc::Charset charset, CJisFallback::Mode mode);

}  // namespace PreviewRules
