#include "pages/PreviewRules.h"

#include "encoding/CLanguage.h"

#include <algorithm>

namespace PreviewRules {

namespace {

constexpr int kCharactersNamed = 10;

bool Allowed(CJisFallback::Kind kind, CJisFallback::Mode mode)
{
    return (kind == CJisFallback::Symbol && mode != CJisFallback::ReplaceNone) ||
           (kind == CJisFallback::Variant && mode == CJisFallback::ReplaceSymbolsAndVariants);
}

int CharCount(const CString& text)
{
    int count = 0;
    const char* p = text.GetString();
    for (unsigned int left = static_cast<unsigned int>(text.GetLength()); left > 0;) {
        const unsigned int n = CLanguage::CharLength(p, left);
        p += n;
        left -= n;
        ++count;
    }
    return count;
}

// The field a character travels in: the letter pieces go out together as the body.
CCharsetIssue::Field SentField(CCharsetIssue::Field field)
{
    switch (field) {
    case CCharsetIssue::Dear:
    case CCharsetIssue::Greeting:
    case CCharsetIssue::Closing:
    case CCharsetIssue::Signature:
        return CCharsetIssue::Body;
    default:
        return field;
    }
}

// Appends `name` to the "、"-separated list `names` unless it is there already.
void AppendOnce(CString& names, std::vector<CString>& seen, const CString& name)
{
    if (std::find(seen.begin(), seen.end(), name) != seen.end())
        return;
    if (!seen.empty())
        names += "、";
    names += name;
    seen.push_back(name);
}

}  // namespace

std::vector<CString> RecipientLines(const CMailDoc& doc)
{
    std::vector<CString> lines;
    for (unsigned int i = 0; i < doc.GetToAddressSize(); ++i)
        lines.push_back(CString("宛先　：　") + doc.GetToAddress(i)->ToText());
    for (unsigned int i = 0; i < doc.GetCcAddressSize(); ++i)
        lines.push_back(CString("ＣＣ　 ：　") + doc.GetCcAddress(i)->ToText());
    for (unsigned int i = 0; i < doc.GetBccAddressSize(); ++i)
        lines.push_back(CString("ＢＣＣ ：　") + doc.GetBccAddress(i)->ToText());
    return lines;
}

void PreviewLetter(const CString& letter, CJisFallback::Mode mode, CString& shown, std::vector<LetterMark>& marks)
{
    shown.Empty();
    marks.clear();
    shown.Reserve(letter.GetLength());
    const char* p = letter.GetString();
    unsigned int left = static_cast<unsigned int>(letter.GetLength());
    int position = 0;  // characters of the editor's text
    while (left > 0) {
        const unsigned int n = CLanguage::CharLength(p, left);
        if (n == 1) {
            shown.Append(p, 1);
            // CR LF is one line end in the editor.
            if (!(*p == '\r' && left > 1 && p[1] == '\n'))
                ++position;
            ++p;
            --left;
            continue;
        }
        CJisFallback::Kind kind = CJisFallback::None;
        const char* standIn = CJisFallback::Find(p, n, kind);
        if (standIn != nullptr && Allowed(kind, mode)) {
            // The same stand-in CJisFallback::Replace puts in; it never holds a line end.
            const CString replacement(standIn);
            const int length = CharCount(replacement);
            shown += replacement;
            marks.push_back({position, length, LetterMark::Replaced});
            position += length;
        } else {
            shown.Append(p, static_cast<int>(n));
            if (!CLanguage::FitsJis(p, n))
                marks.push_back({position, 1, LetterMark::Unsendable});
            ++position;
        }
        p += n;
        left -= n;
    }
}

bool IsQuotedLine(const CString& line)
{
    return !line.IsEmpty() && line[0] == '>';
}

std::vector<SendingChoice> SendingChoices(const std::vector<CCharsetIssue>& issues)
{
    std::vector<SendingChoice> choices;
    if (issues.empty())
        return choices;
    const CCharsetIssue* symbol = nullptr;
    const CCharsetIssue* variant = nullptr;
    for (const CCharsetIssue& issue : issues) {
        if (issue.replacement.IsEmpty())
            continue;
        if (issue.kind == CJisFallback::Symbol && symbol == nullptr)
            symbol = &issue;
        if (issue.kind == CJisFallback::Variant && variant == nullptr)
            variant = &issue;
    }
    choices.push_back({CMailDoc::CharsetAuto, CJisFallback::ReplaceNone,
                       CString("その部分を UTF-8 で送る（文字はそのまま）")});
    if (symbol != nullptr)
        choices.push_back({CMailDoc::CharsetAuto, CJisFallback::ReplaceSymbols,
                           CString("記号を置き換える（") + symbol->character + " → " + symbol->replacement + " など）"});
    if (variant != nullptr)
        choices.push_back({CMailDoc::CharsetAuto, CJisFallback::ReplaceSymbolsAndVariants,
                           CString("記号と異体字を置き換える（") + variant->character + " → " + variant->replacement + " など）"});
    choices.push_back({CMailDoc::CharsetIso2022Jp, CJisFallback::ReplaceNone,
                       CString("ISO-2022-JP のまま送る（受信側で表示できないことがあります）")});
    return choices;
}

int FindChoice(const std::vector<SendingChoice>& choices, CMailDoc::Charset charset, CJisFallback::Mode mode)
{
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].charset == charset && choices[i].mode == mode)
            return static_cast<int>(i);
    return -1;
}

CString SendingNote(const std::vector<CCharsetIssue>& issues, CMailDoc::Charset charset, CJisFallback::Mode mode)
{
    if (issues.empty())
        return CString();

    // Which characters, and where.
    CString note("ISO-2022-JP で送れない文字があります: ");
    std::vector<CString> characters;
    int named = 0;
    int more = 0;
    for (const CCharsetIssue& issue : issues) {
        const CString entry = "「" + issue.character + "」" + CCharsetCheck::FieldName(issue.field);
        if (std::find(characters.begin(), characters.end(), entry) != characters.end())
            continue;
        characters.push_back(entry);
        if (named == kCharactersNamed) {
            ++more;
            continue;
        }
        if (named > 0)
            note += "、";
        note += entry;
        ++named;
    }
    if (more > 0) {
        CString rest;
        rest.Format("、ほか %d 件", more);
        note += rest;
    }

    // What replaces which, and which fields still hold such characters.
    CString replaced;
    std::vector<CString> replacedSeen;
    CString fields;
    std::vector<CString> fieldsSeen;
    for (const CCharsetIssue& issue : issues) {
        if (!issue.replacement.IsEmpty() && Allowed(issue.kind, mode)) {
            AppendOnce(replaced, replacedSeen, issue.character + " → " + issue.replacement);
            continue;
        }
        AppendOnce(fields, fieldsSeen, CString(CCharsetCheck::FieldName(SentField(issue.field))));
    }
    if (!replaced.IsEmpty())
        note += "\n置き換えて送ります: " + replaced;
    if (fields.IsEmpty()) {
        note += "\nすべて置き換えるので、ISO-2022-JP のまま送信します。";
    } else if (charset == CMailDoc::CharsetIso2022Jp) {
        note += "\n" + fields + "は ISO-2022-JP のまま（機種依存文字のコードで）送信します。受信側で正しく表示されないことがあります。";
    } else if (charset == CMailDoc::CharsetUtf8) {
        note += "\n日本語を含む欄はすべて UTF-8 で送信します。";
    } else {
        note += "\n" + fields + "は UTF-8 で送信します（文字はそのまま届きます）。";
    }
    return note;
}

CString SendingQuestion(const std::vector<CCharsetIssue>& issues, CMailDoc::Charset charset, CJisFallback::Mode mode)
{
    if (issues.empty())
        return CString();
    return SendingNote(issues, charset, mode) +
           "\n\nこのまま送信しますか？\n［いいえ］を選ぶとプレビューを開き、送り方を選べます。";
}

}  // namespace PreviewRules
