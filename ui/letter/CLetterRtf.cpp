#include "letter/CLetterRtf.h"

#include "encoding/CCodePage.h"
#include "letter/CLetterFormat.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Writer

void AppendText(const QString& text, std::string& out)
{
    std::string bytes;
    char hex[8];
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text.at(i).unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        }
        if (ch == u'\t') {
            out += "\\tab ";
            continue;
        }
        if (ch == QChar::LineSeparator) {
            out += "\\line ";
            continue;
        }
        if (ch < 0x20)
            continue;
        bytes.clear();
        CLetterFormat::AppendCp932(ch, bytes);
        if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) < 0x80) {
            if (bytes[0] == '\\' || bytes[0] == '{' || bytes[0] == '}')
                out += '\\';
            out += bytes[0];
            continue;
        }
        for (char b : bytes) {
            std::snprintf(hex, sizeof hex, "\\'%02x", static_cast<unsigned char>(b));
            out += hex;
        }
    }
}

void AppendWord(std::string& out, const char* word, int value)
{
    out += '\\';
    out += word;
    out += std::to_string(value);
}

// ---------------------------------------------------------------------------------------
// Reader

struct CharState {
    bool red = false;
    bool underline = false;
    int font = 0;
    int skipCount = 1;  // \ucN
};

struct ParaState {
    int li = 0;
    int fi = 0;
    int ri = 0;
    bool numbered = false;
};

enum class Dest { Text, Skip, FontTable, ColorTable, Numbering };

struct State {
    CharState chars;
    ParaState para;
    Dest dest = Dest::Text;
};

struct Run {
    QString text;
    bool red;
    bool underline;
};

struct Paragraph {
    std::vector<Run> runs;
    ParaState format;
    bool ended = false;
};

struct Color {
    int red = -1;
    int green = -1;
    int blue = -1;
};

bool IsSkippedDestination(const std::string& word)
{
    static const char* const words[] = {
        "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "pntext", "listtext", "listtable",
        "listoverridetable", "revtbl", "filetbl", "rsidtbl", "fldinst", "xe", "tc", "footnote",
        "bkmkstart", "bkmkend", "themedata", "colorschememapping", "latentstyles", "datastore",
        "generator", "author", "operator", "title", "comment", "nonshppict", "shp",
    };
    for (const char* w : words)
        if (word == w)
            return true;
    return false;
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// The reader never fails: what it cannot read (a bad \'xx, an unbalanced group, a number
// out of range, groups nested past any real document) is skipped, as unknown words are.
class Parser {
public:
    explicit Parser(std::string_view rtf) : rtf_(rtf) {}

    std::vector<Paragraph> Parse()
    {
        while (pos_ < rtf_.size()) {
            const char ch = rtf_[pos_++];
            if (tooDeep_ > 0) {
                SkipTooDeep(ch);
                continue;
            }
            switch (ch) {
            case '{':
                Flush();
                if (stack_.size() >= kMaxDepth)
                    tooDeep_ = 1;
                else
                    stack_.push_back(state_);
                break;
            case '}':
                Flush();
                skip_ = 0;
                if (!stack_.empty()) {
                    const bool leavingNumbering = state_.dest == Dest::Numbering;
                    state_ = stack_.back();
                    stack_.pop_back();
                    if (leavingNumbering)
                        state_.para.numbered = numberingDecimal_;
                }
                break;
            case '\\':
                ControlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                TextByte(static_cast<unsigned char>(ch));
                break;
            }
        }
        EndParagraph(false);
        return std::move(paragraphs_);
    }

private:
    static constexpr std::size_t kMaxDepth = 200;
    // Indents beyond the editing width mean nothing to the editor; the bound also keeps
    // the arithmetic far from overflow.
    static constexpr int kMaxTwips = CLetterFormat::kEditTwips;

    // Inside a group nested too deeply: only the braces are counted, until it closes.
    void SkipTooDeep(char ch)
    {
        if (ch == '{')
            ++tooDeep_;
        else if (ch == '}')
            --tooDeep_;
        else if (ch == '\\' && pos_ < rtf_.size())
            ++pos_;  // an escaped brace counts for nothing
    }

    void ControlSequence()
    {
        if (pos_ >= rtf_.size())
            return;
        const char ch = rtf_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(ch))) {
            ++pos_;
            switch (ch) {
            case '\'': {
                // Exactly two hex digits name a byte; anything else is no byte at all, and
                // what follows is read as it stands.
                const int high = pos_ < rtf_.size() ? HexValue(rtf_[pos_]) : -1;
                const int low = pos_ + 1 < rtf_.size() ? HexValue(rtf_[pos_ + 1]) : -1;
                if (high >= 0 && low >= 0) {
                    pos_ += 2;
                    TextByte(static_cast<unsigned char>(high * 16 + low));
                }
                break;
            }
            case '\\':
            case '{':
            case '}':
                TextByte(static_cast<unsigned char>(ch));
                break;
            case '~':
                TextByte(' ');
                break;
            case '_':
                TextByte('-');
                break;
            case '*':
                starred_ = true;
                break;
            case '\r':
            case '\n':
                if (state_.dest == Dest::Text)
                    EndParagraph(true);
                break;
            default:  // \- optional hyphen, \: index entry and the like
                break;
            }
            return;
        }
        std::string word;
        while (pos_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[pos_])))
            word += rtf_[pos_++];
        bool hasValue = false;
        int value = 0;
        bool negative = false;
        if (pos_ < rtf_.size() && rtf_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[pos_]))) {
            hasValue = true;
            if (value < 100000000)
                value = value * 10 + (rtf_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            value = -value;
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ')
            ++pos_;
        Word(word, hasValue, value);
    }

    void Word(const std::string& word, bool hasValue, int value)
    {
        const bool starred = starred_;
        starred_ = false;
        if (word == "bin") {
            Flush();
            pos_ = std::min(rtf_.size(), pos_ + static_cast<std::size_t>(std::max(0, value)));
            return;
        }
        if (state_.dest == Dest::Skip)
            return;
        if (word == "pn") {
            Flush();
            state_.dest = Dest::Numbering;
            numberingDecimal_ = false;
            return;
        }
        if (starred || IsSkippedDestination(word)) {
            Flush();
            state_.dest = Dest::Skip;
            return;
        }
        if (word == "fonttbl") {
            state_.dest = Dest::FontTable;
            return;
        }
        if (word == "colortbl") {
            state_.dest = Dest::ColorTable;
            current_ = Color{};
            return;
        }
        switch (state_.dest) {
        case Dest::FontTable:
            if (word == "f")
                fontDefined_ = value;
            else if (word == "fcharset")
                fontCharsets_[fontDefined_] = value;
            return;
        case Dest::ColorTable:
            if (word == "red")
                current_.red = value;
            else if (word == "green")
                current_.green = value;
            else if (word == "blue")
                current_.blue = value;
            return;
        case Dest::Numbering:
            if (word == "pndec")
                numberingDecimal_ = true;
            else if (word == "pnlvlblt" || word == "pnlvlcont")
                numberingDecimal_ = false;
            return;
        case Dest::Skip:
            return;
        case Dest::Text:
            break;
        }

        if (word == "ansicpg") {
            ansiCodePage_ = value;
        } else if (word == "deff") {
            defaultFont_ = value;
            state_.chars.font = value;
        } else if (word == "par" || word == "line") {
            EndParagraph(true);
        } else if (word == "pard") {
            Flush();
            state_.para = ParaState{};
        } else if (word == "li" || word == "lin") {
            state_.para.li = std::clamp(value, -kMaxTwips, kMaxTwips);
        } else if (word == "ri" || word == "rin") {
            state_.para.ri = std::clamp(value, -kMaxTwips, kMaxTwips);
        } else if (word == "fi") {
            state_.para.fi = std::clamp(value, -kMaxTwips, kMaxTwips);
        } else if (word == "plain") {
            Flush();
            state_.chars.red = false;
            state_.chars.underline = false;
            state_.chars.font = defaultFont_;
        } else if (word == "f") {
            Flush();
            state_.chars.font = value;
        } else if (word == "cf") {
            Flush();
            state_.chars.red = false;
            if (value > 0 && static_cast<std::size_t>(value) < colors_.size()) {
                const Color& c = colors_[static_cast<std::size_t>(value)];
                state_.chars.red = c.red == 255 && c.green == 0 && c.blue == 0;
            }
        } else if (word == "ulnone" || (word == "ul" && hasValue && value == 0)) {
            Flush();
            state_.chars.underline = false;
        } else if (word.rfind("ul", 0) == 0 && word != "ulc") {
            Flush();
            state_.chars.underline = true;
        } else if (word == "uc") {
            state_.chars.skipCount = std::max(0, value);
        } else if (word == "u") {
            // A signed 16-bit UTF-16 unit; the two halves of a pair come as two \u words.
            const int unit = value < 0 ? value + 65536 : value;
            if (unit > 0 && unit <= 0xFFFF)
                AppendUnicode(static_cast<char16_t>(unit));
            skip_ = state_.chars.skipCount;
        } else if (word == "tab") {
            TextByte('\t');
        } else if (word == "emdash") {
            AppendUnicode(0x2014);
        } else if (word == "endash") {
            AppendUnicode(0x2013);
        } else if (word == "bullet") {
            AppendUnicode(0x2022);
        } else if (word == "lquote") {
            AppendUnicode(0x2018);
        } else if (word == "rquote") {
            AppendUnicode(0x2019);
        } else if (word == "ldblquote") {
            AppendUnicode(0x201C);
        } else if (word == "rdblquote") {
            AppendUnicode(0x201D);
        }
    }

    void TextByte(unsigned char byte)
    {
        // Control bytes are no text (a paragraph end is \par, a tab \tab).
        if (byte < 0x20 && byte != '\t')
            return;
        switch (state_.dest) {
        case Dest::ColorTable:
            if (byte == ';') {
                colors_.push_back(current_);
                current_ = Color{};
            }
            return;
        case Dest::Text:
            break;
        default:
            return;
        }
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (!pending_.empty() && (pendingRed_ != state_.chars.red
                                  || pendingUnderline_ != state_.chars.underline
                                  || pendingFont_ != state_.chars.font))
            Flush();
        pendingRed_ = state_.chars.red;
        pendingUnderline_ = state_.chars.underline;
        pendingFont_ = state_.chars.font;
        pending_ += static_cast<char>(byte);
    }

    // Converts the text bytes gathered so far in the code page of their font.
    void Flush()
    {
        if (pending_.empty())
            return;
        std::string utf8;
        const auto charset = fontCharsets_.find(pendingFont_);
        const bool japanese = (charset != fontCharsets_.end() && charset->second == 128)
                              || ((charset == fontCharsets_.end() || charset->second == 0
                                   || charset->second == 1)
                                  && ansiCodePage_ == 932);
        if (japanese) {
            CCodePage::ToUtf8(pending_, utf8);
        } else {
            const std::string from = "CP" + std::to_string(ansiCodePage_);
            if (CCodePage::Convert(from.c_str(), "UTF-8", pending_, utf8, "\xE3\x80\x93") < 0)
                CCodePage::Convert("CP1252", "UTF-8", pending_, utf8, "\xE3\x80\x93");
        }
        Append(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), pendingRed_,
               pendingUnderline_);
        pending_.clear();
    }

    void AppendUnicode(char16_t unit)
    {
        if (state_.dest != Dest::Text)
            return;
        Flush();
        Append(QString(QChar(unit)), state_.chars.red, state_.chars.underline);
    }

    void Append(const QString& text, bool red, bool underline)
    {
        std::vector<Run>& runs = paragraph_.runs;
        if (!runs.empty() && runs.back().red == red && runs.back().underline == underline)
            runs.back().text += text;
        else
            runs.push_back(Run{text, red, underline});
    }

    void EndParagraph(bool ended)
    {
        Flush();
        paragraph_.format = state_.para;
        paragraph_.ended = ended;
        paragraphs_.push_back(std::move(paragraph_));
        paragraph_ = Paragraph{};
    }

    std::string_view rtf_;
    std::size_t pos_ = 0;
    State state_;
    std::vector<State> stack_;
    bool starred_ = false;
    int skip_ = 0;
    int tooDeep_ = 0;
    bool numberingDecimal_ = false;

    int ansiCodePage_ = 1252;
    int defaultFont_ = 0;
    int fontDefined_ = 0;
    std::map<int, int> fontCharsets_;
    std::vector<Color> colors_;
    Color current_;

    std::string pending_;
    bool pendingRed_ = false;
    bool pendingUnderline_ = false;
    int pendingFont_ = 0;

    Paragraph paragraph_;
    std::vector<Paragraph> paragraphs_;
};

void ApplyParagraph(QTextCursor& cursor, const ParaState& format)
{
    // Within the editing width, with at least one column left for the text of every line.
    constexpr int kLast = CLetterFormat::kEditTwips - CLetterFormat::kColumnTwips;
    const int start = std::clamp(format.li + format.fi, 0, kLast);
    const int right = std::clamp(format.ri, 0, kLast - start);
    const int offset = std::clamp(-format.fi, -start, kLast - right - start);
    QTextBlockFormat block = cursor.blockFormat();
    CLetterFormat::SetIndents(block, start, offset, right);
    QTextBlock current = cursor.block();
    if (format.numbered) {
        cursor.setBlockFormat(block);
        if (current.textList() == nullptr) {
            const QTextBlock previous = current.previous();
            if (previous.isValid() && previous.textList() != nullptr
                && previous.textList()->format().style() == QTextListFormat::ListDecimal)
                previous.textList()->add(current);
            else
                cursor.createList(CLetterFormat::NumberingFormat());
        }
    } else {
        if (QTextList* list = current.textList())
            list->remove(current);
        block.setIndent(0);
        block.clearProperty(QTextFormat::ObjectIndex);
        cursor.setBlockFormat(block);
    }
}

}  // namespace

void CLetterRtf::Write(const QTextDocument& document, int from, int to, bool wholeDocument,
                       CString& rtf)
{
    std::string out =
        "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041"
        "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset128 IPAGothic;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "\\viewkind4\\uc1";
    bool red = false;
    bool underline = false;
    for (QTextBlock block = document.findBlock(from); block.isValid(); block = block.next()) {
        const int start = block.position();
        const int end = start + block.length() - 1;  // the paragraph end
        if (start >= to && !(wholeDocument && start == to) && !(start == from && from == to))
            break;
        const QTextBlockFormat format = block.blockFormat();
        out += "\\pard";
        if (const QTextList* list = block.textList();
            list != nullptr && list->format().style() == QTextListFormat::ListDecimal) {
            out += "{\\pntext\\f0 " + std::to_string(list->itemNumber(block) + 1) + ".\\tab}";
            out += "{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}";
        }
        const int offset = CLetterFormat::Offset(format);
        const int startIndent = CLetterFormat::StartIndent(format);
        if (offset != 0)
            AppendWord(out, "fi", -offset);
        if (startIndent + offset != 0)
            AppendWord(out, "li", startIndent + offset);
        if (const int right = CLetterFormat::RightIndent(format); right != 0)
            AppendWord(out, "ri", right);
        out += "\\f0\\fs24 ";
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int fragmentStart = std::max(fragment.position(), from);
            const int fragmentEnd = std::min(fragment.position() + fragment.length(), to);
            if (fragmentStart >= fragmentEnd)
                continue;
            const QTextCharFormat chars = fragment.charFormat();
            const bool isRed = CLetterFormat::IsPureRed(chars);
            const bool isUnderlined = CLetterFormat::IsUnderlined(chars);
            if (isRed != red) {
                out += isRed ? "\\cf1 " : "\\cf0 ";
                red = isRed;
            }
            if (isUnderlined != underline) {
                out += isUnderlined ? "\\ul " : "\\ulnone ";
                underline = isUnderlined;
            }
            AppendText(fragment.text().mid(fragmentStart - fragment.position(),
                                           fragmentEnd - fragmentStart),
                       out);
        }
        if (end < to || wholeDocument)
            out += "\\par\r\n";
        if (end >= to)
            break;
    }
    out += "}\r\n";
    rtf = CString(std::move(out));
}

int CLetterRtf::Read(const CString& rtf, QTextCursor& cursor, bool wholeDocument)
{
    if (rtf.View().substr(0, 5) != "{\\rtf") {
        // Not RTF: the bytes are read as plain code page 932 text, as the rich edit
        // control reads them, so that a phrase stored as plain text is not lost.
        QString text = CLetterFormat::ToQString(rtf);
        text.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        cursor.beginEditBlock();
        cursor.insertText(text);
        cursor.endEditBlock();
        return 0;
    }
    std::vector<Paragraph> paragraphs = Parser(rtf.View()).Parse();
    if (wholeDocument && paragraphs.size() > 1 && !paragraphs.back().ended
        && paragraphs.back().runs.empty())
        paragraphs.pop_back();

    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const QTextBlockFormat original = cursor.blockFormat();
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const Paragraph& paragraph = paragraphs[i];
        if (i > 0)
            cursor.insertBlock(original, CLetterFormat::DefaultCharFormat());
        for (const Run& run : paragraph.runs) {
            QTextCharFormat format = CLetterFormat::DefaultCharFormat();
            if (run.red)
                format.setForeground(QColor(255, 0, 0));
            format.setFontUnderline(run.underline);
            cursor.insertText(CLetterFormat::Sendable(run.text), format);
        }
        if (paragraph.ended || (wholeDocument && i + 1 == paragraphs.size()))
            ApplyParagraph(cursor, paragraph.format);
    }
    cursor.endEditBlock();
    return 1;
}
