// Verifies the letter editor's RTF: a round trip of indents, red, underline, numbering and
// Japanese text, insertion in place of a selection, and RTF written by other programs
// (a WordPad-style file, \uN characters, unknown control words and destinations), and
// malformed RTF (the fuzzer's crash inputs among it), which is read without failing.
#include "letter/CEditLetter.h"
#include "letter/CLetterFormat.h"

#include "Keys.h"
#include "QtTestApp.h"

#include <QDir>
#include <QFile>
#include <QTextBlock>
#include <QTextList>

#include <gtest/gtest.h>

namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class LetterRtf : public ::testing::Test {
protected:
    void SetUp() override
    {
        a.Init(0);
        b.Init(0);
        CEditLetter::c_newLineLength = 60;
        a.SelToNewSentence();
    }

    static std::string Export(CEditLetter& edit)
    {
        CString text;
        edit.GetTextWithReturn(text);
        return text.Str();
    }

    static void Select(CEditLetter& edit, int from, int to)
    {
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);
    }

    static void SetIndents(CEditLetter& edit, int block, int start, int offset, int right)
    {
        QTextCursor cursor(edit.document()->findBlockByNumber(block));
        QTextBlockFormat format = cursor.blockFormat();
        CLetterFormat::SetIndents(format, start, offset, right);
        cursor.setBlockFormat(format);
    }

    struct Indents {
        int start, offset, right;
        bool operator==(const Indents&) const = default;
    };
    static Indents IndentsOf(CEditLetter& edit, int block)
    {
        const QTextBlockFormat format = edit.document()->findBlockByNumber(block).blockFormat();
        return {CLetterFormat::StartIndent(format), CLetterFormat::Offset(format),
                CLetterFormat::RightIndent(format)};
    }

    // Text, red and underline of each fragment of block `number`, as "text|RU" items.
    static std::vector<std::string> Fragments(CEditLetter& edit, int number)
    {
        std::vector<std::string> result;
        const QTextBlock block = edit.document()->findBlockByNumber(number);
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            result.push_back(it.fragment().text().toStdString() + "|"
                             + (CLetterFormat::IsPureRed(format) ? "R" : "")
                             + (CLetterFormat::IsUnderlined(format) ? "U" : ""));
        }
        return result;
    }

    CEditLetter a;
    CEditLetter b;
};

}  // namespace

TEST_F(LetterRtf, RoundTripKeepsIndentsColourUnderlineNumberingAndText)
{
    a.textCursor().insertText(QStringLiteral(u"拝啓　お元気ですか。\n一つ目\n二つ目\n下線とx{y}\\z\tend\n"));
    SetIndents(a, 0, 480, 240, 1920);
    Select(a, 3, 6);
    a.SetSelectionToRed();
    Select(a, 19, 21);
    a.SetSelectionToUnderline();
    Select(a, 11, 15);
    a.InsertBullet();

    CString rtf;
    ASSERT_EQ(a.GetRtf(rtf), 1);
    for (char ch : rtf.View())
        ASSERT_LT(static_cast<unsigned char>(ch), 0x80) << "RTF stays 7-bit";
    EXPECT_NE(rtf.Find("\\'94\\'71\\'8c\\'5b"), -1) << rtf.GetString();  // 拝啓
    EXPECT_NE(rtf.Find("\\fi-240\\li720\\ri1920"), -1) << rtf.GetString();
    EXPECT_NE(rtf.Find("\\pndec"), -1);
    EXPECT_NE(rtf.Find("x\\{y\\}\\\\z\\tab end"), -1) << rtf.GetString();

    ASSERT_EQ(b.SetRtf(rtf), 1);
    EXPECT_EQ(b.document()->blockCount(), a.document()->blockCount());
    EXPECT_EQ(b.toPlainText(), a.toPlainText());
    EXPECT_EQ(IndentsOf(b, 0), (Indents{480, 240, 1920}));
    EXPECT_EQ(Fragments(b, 0), (std::vector<std::string>{U8(u8"拝啓　|"), U8(u8"お元気|R"), U8(u8"ですか。|")}));
    EXPECT_EQ(Fragments(b, 3), (std::vector<std::string>{U8(u8"下線|U"), U8(u8"とx{y}\\z\tend|")}));
    const QTextList* list = b.document()->findBlockByNumber(1).textList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(b.document()->findBlockByNumber(2).textList(), list);
    EXPECT_EQ(b.document()->findBlockByNumber(3).textList(), nullptr);

    CString again;
    b.GetRtf(again);
    EXPECT_EQ(again, rtf);
    EXPECT_EQ(Export(b), Export(a));
    // Numbers are part of the exported text, in the margin before the paragraph.
    EXPECT_NE(Export(a).find("\r\n 1. \x88\xEA\x82\xC2\x96\xDA\r\n 2. \x93\xF1\x82\xC2\x96\xDA\r\n"), std::string::npos)
        << Export(a);
}

// Blank lines typed with Return are kept, each with the letter's line length, and a letter
// that ends in them comes back with every one (so does one of blank lines only).
TEST_F(LetterRtf, BlankLinesTypedWithReturnAreKeptAndComeBackFromRtf)
{
    for (const QString& typed : {QStringLiteral(u"Hello"), QStringLiteral(u"Hello\n"),
                                 QStringLiteral(u"Hello\n\n"), QStringLiteral(u"a\n\nb\n"),
                                 QStringLiteral(u""), QStringLiteral(u"\n"), QStringLiteral(u"\n\n")}) {
        a.clear();
        a.SelToNewSentence();
        a.setFocus();
        for (QChar ch : typed) {
            if (ch == QLatin1Char('\n'))
                PressKey(&a, Qt::Key_Return);
            else
                a.textCursor().insertText(QString(ch));
        }
        ASSERT_EQ(a.toPlainText(), typed);
        for (int block = 0; block < a.document()->blockCount(); ++block)
            EXPECT_EQ(IndentsOf(a, block), IndentsOf(a, 0)) << block;
        CString rtf;
        a.GetRtf(rtf);
        b.SetRtf(rtf);
        EXPECT_EQ(b.toPlainText(), typed) << rtf.GetString();
        EXPECT_EQ(b.document()->blockCount(), a.document()->blockCount()) << rtf.GetString();
        EXPECT_EQ(IndentsOf(b, b.document()->blockCount() - 1), IndentsOf(a, 0));
        EXPECT_EQ(Export(b), Export(a));
    }
}

TEST_F(LetterRtf, InsertReplacesTheSelectionAndKeepsTheSurroundingText)
{
    a.textCursor().insertText(QStringLiteral(u"第一\n第二"));
    Select(a, 1, 2);
    a.SetSelectionToRed();
    SetIndents(a, 1, 240, 0, 0);
    Select(a, 0, 5);
    CString rtf;
    a.GetRtf(rtf);

    b.textCursor().insertText(QStringLiteral(u"AXB"));
    Select(b, 1, 2);
    ASSERT_EQ(b.InsertRft(rtf), 1);
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"A第一\n第二\nB"));
    EXPECT_EQ(Fragments(b, 0), (std::vector<std::string>{U8(u8"A第|"), U8(u8"一|R")}));
    EXPECT_EQ(IndentsOf(b, 1).start, 240);
    b.undo();
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"AXB"));

    // Not RTF: read as plain text, nothing is lost.
    EXPECT_EQ(b.SetRtf(CString("plain\r\n\x95\x5C{text}")), 1);
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"plain\n表{text}"));
}

TEST_F(LetterRtf, ReadsAWordPadFileWithItsTextAndParagraphIndents)
{
    QFile file(QStringLiteral(QUILLON_TEST_DATA "/wordpad.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(b.SetRtf(CString(bytes.constData(), static_cast<int>(bytes.size()))), 1);

    ASSERT_EQ(b.document()->blockCount(), 4);
    EXPECT_EQ(b.document()->findBlockByNumber(0).text(), QStringLiteral(u"日本語の文章"));
    EXPECT_EQ(b.document()->findBlockByNumber(1).text(), QStringLiteral(u"Red and under text navy"));
    // € is not in code page 932: it becomes 〓 as it is read, as the recipient will see it.
    EXPECT_EQ(b.document()->findBlockByNumber(2).text(), QStringLiteral(u"Hanging 〓euro\tx"));
    EXPECT_EQ(b.document()->findBlockByNumber(3).text(), QStringLiteral(u"表示"));
    EXPECT_EQ(IndentsOf(b, 0), (Indents{0, 0, 0}));
    EXPECT_EQ(IndentsOf(b, 1), (Indents{720, 0, 1440}));
    EXPECT_EQ(IndentsOf(b, 2), (Indents{0, 360, 0}));
    EXPECT_EQ(Fragments(b, 1), (std::vector<std::string>{"Red|R", " and |", "under|U", " text navy|"}));

    // Exported: the indent as blanks, € (not in code page 932) as 〓.
    const std::string text = Export(b);
    EXPECT_NE(text.find("\r\n      ...                    \r\n      Red and under text navy\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Hanging \x81\xAC" "euro  x\r\n"), std::string::npos) << text;
}

TEST_F(LetterRtf, UnicodeEscapesAndUnknownControlWordsFromOtherWriters)
{
    // LibreOffice style: \uN with a code page fallback of \uc bytes, unknown destinations,
    // a style sheet, unknown words, \line, a \bin blob and an escaped brace.
    const CString rtf(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Liberation Serif;}}"
        "{\\stylesheet{\\s0\\snext0 Normal;}}{\\*\\rsidtbl \\rsid1}{\\*\\unknowndest junk}"
        "\\pard\\plain\\qj\\sl240\\slmult1\\li480 \\uc2 \\u26085\\'93\\'fa\\u26412\\'96\\'7b\\frobnicate42 ok\\line "
        "second {\\pict\\wmetafile8 0123abcd}{\\*\\bkmkstart x}\\bin3 {}}tail\\} \\'e9t\\'e9\\par}");
    ASSERT_EQ(b.SetRtf(rtf), 1);
    ASSERT_EQ(b.document()->blockCount(), 2);
    EXPECT_EQ(b.document()->findBlockByNumber(0).text(), QStringLiteral(u"日本ok"));
    EXPECT_EQ(b.document()->findBlockByNumber(1).text(), QStringLiteral(u"second tail} 〓t〓"));
    EXPECT_EQ(IndentsOf(b, 0).start, 480);
    EXPECT_EQ(IndentsOf(b, 1).start, 480);

    // A lead byte with a literal trail byte, as some writers leave it: 表 is 0x95 0x5C.
    ASSERT_EQ(b.SetRtf(CString("{\\rtf1\\ansi\\ansicpg932 \\'95\\\\\\'8e\\'a6}")), 1);
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"表示"));
}

namespace {

CString ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CString();
    const QByteArray bytes = file.readAll();
    return CString(bytes.constData(), static_cast<int>(bytes.size()));
}

bool AllSendable(const QString& text)
{
    for (QChar ch : text)
        if (!CLetterFormat::InCp932(ch.unicode()))
            return false;
    return true;
}

}  // namespace

TEST_F(LetterRtf, MalformedRtfIsReadWithoutFailingAndWhatItCannotReadIsSkipped)
{
    // Every input that once crashed the reader (tests/data/letter/rtf-crashes) is read into
    // an editor, written back and read again.
    const QDir folder(QStringLiteral(QUILLON_TEST_DATA "/rtf-crashes"));
    const QStringList inputs = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(inputs.size(), 9);
    for (const QString& name : inputs) {
        SCOPED_TRACE(name.toStdString());
        const CString rtf = ReadBytes(folder.filePath(name));
        ASSERT_FALSE(rtf.IsEmpty());
        EXPECT_NO_THROW(b.SetRtf(rtf));
        EXPECT_TRUE(AllSendable(b.toPlainText()));
        Select(b, 0, 0);
        EXPECT_NO_THROW(b.InsertRft(rtf));
        CString again;
        b.GetRtf(again);
        EXPECT_NO_THROW(a.SetRtf(again));
        EXPECT_EQ(a.toPlainText(), b.toPlainText());
        const QTextBlockFormat format = b.document()->firstBlock().blockFormat();
        EXPECT_GE(CLetterFormat::StartIndent(format), 0);
        EXPECT_LT(CLetterFormat::StartIndent(format) + CLetterFormat::RightIndent(format),
                  CLetterFormat::kEditTwips);
    }

    // A "\'" without two hex digits names no byte; what follows stays text.
    b.SetRtf(ReadBytes(folder.filePath(QStringLiteral("bad-hex-zz.rtf"))));
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"azzb"));
    b.SetRtf(ReadBytes(folder.filePath(QStringLiteral("bad-hex-g1.rtf"))));
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"ag1b"));
    // Unbalanced groups: closing braces too many are passed over, open ones end with the text.
    b.SetRtf(ReadBytes(folder.filePath(QStringLiteral("unbalanced-groups.rtf"))));
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"x y"));
    EXPECT_EQ(Fragments(b, 0), (std::vector<std::string>{"x|U", " y|"}));
    // Numbers out of range: indents stay within the editing width, a \u beyond UTF-16 is
    // dropped.
    b.SetRtf(ReadBytes(folder.filePath(QStringLiteral("numbers-too-large.rtf"))));
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u"x"));
    EXPECT_EQ(IndentsOf(b, 0), (Indents{0, CLetterFormat::kEditTwips - CLetterFormat::kColumnTwips, 0}));
    // Groups nested past any real document are skipped as a whole; the text after them stays.
    b.SetRtf(ReadBytes(folder.filePath(QStringLiteral("groups-nested-too-deep.rtf"))));
    EXPECT_EQ(b.toPlainText(), QStringLiteral(u" after"));
}
