// Verifies the plain-text export of the letter editor byte for byte: wrapping at the line
// length without splitting or losing characters, indents, tabs at the columns the screen
// shows, red and underline ornaments, quoted reply text, characters code page 932 lacks
// (shown and sent as "〓"), and the line lengths read from the settings.
#include "letter/CEditLetter.h"
#include "letter/CLetterFormat.h"

#include "Keys.h"
#include "QtTestApp.h"
#include "command/CProfile.h"

#include <QInputMethodEvent>
#include <QTest>
#include <QTextLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

#include <cmath>

#include <gtest/gtest.h>

#include <string>

namespace {

class LetterExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        CEditLetter::c_newLineLength = 60;
        CEditLetter::c_replyLineLength = 76;
        edit.Init(0);
        // Init reads the profile; the tests fix the lengths themselves.
        CEditLetter::c_newLineLength = 60;
        CEditLetter::c_replyLineLength = 76;
        edit.SelToNewSentence();
    }

    void Type(const QString& text) { edit.textCursor().insertText(text); }

    std::string Export()
    {
        CString text;
        edit.GetTextWithReturn(text);
        return text.Str();
    }

    // Selects [from, to) of the document.
    void Select(int from, int to)
    {
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);
    }

    CEditLetter edit;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t found; (found = text.find("\r\n", pos)) != std::string::npos; pos = found + 2)
        lines.push_back(text.substr(pos, found - pos));
    lines.push_back(text.substr(pos));
    return lines;
}

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Whether `line` ends on a character boundary (no lead byte left without its trail byte).
bool EndsOnBoundary(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size())
        i += IsLead(static_cast<unsigned char>(line[i])) ? 2 : 1;
    return i == line.size();
}

}  // namespace

TEST_F(LetterExport, EmptyEditorAppendsNothing)
{
    CString text("kept");
    edit.GetTextWithReturn(text);
    EXPECT_EQ(text, "kept");
}

TEST_F(LetterExport, WrapsAtTheLineLengthMeasuredInColumnsOfTheFont)
{
    // 60 half-width digits fill a line of 60 exactly; the 61st starts the next line.
    Type(QString(60, u'0'));
    EXPECT_EQ(Export(), std::string(60, '0'));
    Type(QStringLiteral(u"1"));
    EXPECT_EQ(Export(), std::string(60, '0') + "\r\n1");

    // 30 full-width characters are 60 columns as well.
    edit.clear();
    edit.SelToNewSentence();
    Type(QString(31, u'あ'));
    std::string expected;
    for (int i = 0; i < 30; ++i)
        expected += "\x82\xA0";
    EXPECT_EQ(Export(), expected + "\r\n\x82\xA0");
}

TEST_F(LetterExport, ClosingPunctuationNeverStartsALine)
{
    // "。" would fall into column 61: it goes to the next line together with the character
    // before it, as Japanese line breaking wants.
    Type(QString(30, u'あ') + QStringLiteral(u"。「い」"));
    std::string first;
    for (int i = 0; i < 29; ++i)
        first += "\x82\xA0";
    EXPECT_EQ(Export(), first + "\r\n\x82\xA0\x81\x42\x81\x75\x82\xA2\x81\x76");
}

TEST_F(LetterExport, LongMixedParagraphNeverSplitsACharacterAndKeepsEveryByte)
{
    QString paragraph;
    std::string bytes;
    for (int i = 0; i < 40; ++i) {
        // The odd half-width word shifts double-byte characters across the wrap points.
        paragraph += QStringLiteral(u"日本語の文章と a%1 ｶﾅ、").arg(i % 7 == 0 ? QStringLiteral(u"bcd") : QString());
        bytes += "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8F\xCD\x82\xC6 a";
        if (i % 7 == 0)
            bytes += "bcd";
        bytes += " \xB6\xC5\x81\x41";
    }
    Type(paragraph);
    const std::vector<std::string> lines = Lines(Export());
    ASSERT_GT(lines.size(), 5u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), 60u) << line;
        EXPECT_TRUE(EndsOnBoundary(line)) << line;
        joined += line;
    }
    EXPECT_EQ(joined, bytes);
}

TEST_F(LetterExport, StartIndentAndHangingOffsetBecomeLeadingBlanks)
{
    Type(QString(100, u'x'));
    QTextCursor cursor = edit.textCursor();
    QTextBlockFormat format = cursor.blockFormat();
    CLetterFormat::SetIndents(format, 480, 0, CLetterFormat::RightIndent(format));
    cursor.setBlockFormat(format);
    // 60 - 4 columns of text per line.
    EXPECT_EQ(Export(), "    " + std::string(56, 'x') + "\r\n    " + std::string(44, 'x'));

    CLetterFormat::SetIndents(format, 480, 240, CLetterFormat::RightIndent(format));
    cursor.setBlockFormat(format);
    EXPECT_EQ(Export(), "    " + std::string(56, 'x') + "\r\n      " + std::string(44, 'x'));
}

TEST_F(LetterExport, TabsAdvanceToTheNextMultipleOfFour)
{
    Type(QStringLiteral(u"\tA\nabcde\tX"));
    EXPECT_EQ(Export(), "    A\r\nabcde   X");
}

TEST_F(LetterExport, TabsInIndentedParagraphsStandWhereTheScreenShowsThem)
{
    // A tab on the first line and one on a continuation line of a paragraph with a hanging
    // offset of 2 columns, at start indents of 0, 2 and 4 columns.
    for (int columns : {0, 2, 4}) {
        SCOPED_TRACE(columns);
        edit.clear();  // the paragraph format goes too: set the line length and stops again
        edit.SetTabStop(4);
        edit.SelToNewSentence();
        QString text = QStringLiteral(u"ab\tX");
        for (int i = 0; i < 6; ++i) text += QStringLiteral(u" yyyyyyyyy");
        Type(text + QStringLiteral(u"\tZ"));
        QTextCursor cursor = edit.textCursor();
        QTextBlockFormat format = cursor.blockFormat();
        CLetterFormat::SetIndents(format, columns * CLetterFormat::kColumnTwips, 2 * CLetterFormat::kColumnTwips,
                                  CLetterFormat::RightIndent(format));
        cursor.setBlockFormat(format);
        const std::vector<std::string> lines = Lines(Export());

        const QTextBlock block = edit.document()->firstBlock();
        const QTextLayout* layout = block.layout();
        for (QChar mark : {u'X', u'Z'}) {
            const int position = static_cast<int>(block.text().indexOf(mark));
            const QTextLine line = layout->lineForTextPosition(position);
            ASSERT_LT(static_cast<std::size_t>(line.lineNumber()), lines.size());
            if (mark == u'Z') {
                EXPECT_GE(line.lineNumber(), 1) << "the second tab stands on a continuation line";
            }
            const int onScreen = static_cast<int>(std::lround(line.cursorToX(position) / CLetterFormat::ColumnWidth()));
            const std::string& exported = lines[static_cast<std::size_t>(line.lineNumber())];
            EXPECT_EQ(static_cast<int>(exported.find(static_cast<char>(mark.unicode()))), onScreen) << exported;
        }
        // The first tab stop is four columns from where the text starts, after the indent.
        EXPECT_EQ(lines[0].rfind(std::string(static_cast<std::size_t>(columns), ' ') + "ab  X", 0), 0u) << lines[0];
    }
}

namespace {

// Text typed on the keyboard, character by character, as the event loop delivers it.
void TypeKeys(QWidget* widget, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &release);
    }
}

}  // namespace

TEST_F(LetterExport, WhatCodePage932LacksBecomesGetaAsItEntersAndTakesTwoColumns)
{
    edit.setFocus();
    // Typed.
    TypeKeys(&edit, QStringLiteral(u"caf\u00e9"));
    // Composed by an input method.
    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral(u" \u20ac\U0001F600"));
    QCoreApplication::sendEvent(&edit, &compose);
    // Pasted as plain text, also from another program.
    auto* data = new QMimeData;
    data->setText(QStringLiteral(u" na\u00efve \u301c"));
    QGuiApplication::clipboard()->setMimeData(data);
    edit.ProcessEditPaste();
    EXPECT_EQ(edit.toPlainText(), QStringLiteral(u"caf〓 〓〓 na〓ve 〜"));
    EXPECT_EQ(Export(), "caf\x81\xAC \x81\xAC\x81\xAC na\x81\xACve \x81\x60");

    // Dropped text takes the same way.
    edit.selectAll();
    edit.textCursor().removeSelectedText();  // the paragraph keeps its line length
    QMimeData dropped;
    dropped.setText(QStringLiteral(u"r\u00e9sum\u00e9"));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QCoreApplication::sendEvent(edit.viewport(), &enter);
    QCoreApplication::sendEvent(edit.viewport(), &drop);
    EXPECT_EQ(edit.toPlainText(), QStringLiteral(u"r〓sum〓"));

    // The wrap counts "〓" as the two columns it takes in the message: 59 columns and an é
    // no longer fit a line of 60.
    edit.selectAll();
    edit.textCursor().removeSelectedText();  // the paragraph keeps its line length
    TypeKeys(&edit, QString(59, u'a') + QStringLiteral(u"\u00e9b"));
    const std::vector<std::string> lines = Lines(Export());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(59, 'a'));
    EXPECT_EQ(lines[1], "\x81\xAC" "b");
}

TEST_F(LetterExport, PureRedGetsAnEmphasisLineAndDarkRedDoesNot)
{
    Type(QStringLiteral(u"あい"));
    Select(0, 1);
    ASSERT_EQ(edit.SetSelectionToRed(), 1);
    EXPECT_EQ(Export(), " .  \r\n\x82\xA0\x82\xA2");

    edit.selectAll();
    edit.textCursor().removeSelectedText();  // the paragraph keeps its line length
    edit.SetSelectionToDefault();
    Type(QStringLiteral(u"あい"));
    Select(0, 1);
    QTextCharFormat darkRed;
    darkRed.setForeground(QColor(128, 0, 0));
    edit.textCursor().mergeCharFormat(darkRed);
    EXPECT_EQ(Export(), "\x82\xA0\x82\xA2");

    // A red tab marks every column it covers; the empty selection is refused.
    edit.selectAll();
    edit.textCursor().removeSelectedText();  // the paragraph keeps its line length
    edit.SetSelectionToDefault();
    Type(QStringLiteral(u"a\tb"));
    Select(1, 2);
    ASSERT_EQ(edit.SetSelectionToRed(), 1);
    Select(3, 3);
    EXPECT_EQ(edit.SetSelectionToRed(), 0);
    EXPECT_EQ(Export(), " ... \r\na   b");
}

TEST_F(LetterExport, UnderlineAtTheEndAndInTheMiddle)
{
    Type(QStringLiteral(u"ab"));
    Select(1, 2);
    ASSERT_EQ(edit.SetSelectionToUnderline(), 1);
    EXPECT_EQ(Export(), "ab\r\n ~\r\n");

    // Not the last line: the tilde line follows the text line's own CR LF.
    QTextCursor cursor = edit.textCursor();
    cursor.movePosition(QTextCursor::End);
    edit.setTextCursor(cursor);
    edit.SetSelectionToDefault();
    Type(QStringLiteral(u"\nあ"));
    EXPECT_EQ(Export(), "ab\r\n ~\r\n\x82\xA0");

    // Red and underlined together: dots above, tildes below.
    Select(3, 4);
    edit.SetSelectionToRed();
    edit.SetSelectionToUnderline();
    EXPECT_EQ(Export(), "ab\r\n ~\r\n .\r\n\x82\xA0\r\n~~\r\n");
}

TEST_F(LetterExport, ReplyTextOfTwoLinesIsQuotedAndWrapsAtTheReplyLength)
{
    CEditLetter::c_replyLineLength = 20;
    CString reply("a\r\nb");
    edit.SetReplyText(reply);
    EXPECT_EQ(Export(), "\r\n> a\r\n> b\r\n");
    EXPECT_EQ(edit.textCursor().position(), edit.document()->characterCount() - 1);
    const QTextBlock quoted = edit.document()->findBlockByNumber(1);
    EXPECT_EQ(CLetterFormat::RightIndent(quoted.blockFormat()), (76 - 20) * 120);
    // The quoted block is one undoable step.
    edit.undo();
    EXPECT_EQ(Export(), "");

    edit.SetReplyText(reply);
    Type(QString(30, u'z'));  // typed text after the block keeps the new-text length
    edit.selectAll();
    edit.textCursor().removeSelectedText();  // the paragraph keeps its line length
    CString longReply(std::string(30, 'q'));
    edit.SetReplyText(longReply);
    // Words wrap whole: the long word leaves the prefix alone on its line.
    EXPECT_EQ(Export(), "\r\n> \r\n" + std::string(20, 'q') + "\r\n" + std::string(10, 'q') + "\r\n");
}

TEST_F(LetterExport, LongLetterStaysWithinTheConfiguredLength)
{
    CProfile::Get().SetLineLengths(37, 500);  // the second is out of range
    CEditLetter letter;
    letter.Init(0);
    EXPECT_EQ(CEditLetter::c_newLineLength, 37u);
    EXPECT_EQ(CEditLetter::c_replyLineLength, 76u);
    QTextCursor cursor = letter.textCursor();
    for (int i = 0; i < 200; ++i) {
        cursor.insertText(QStringLiteral(u"第%1段落：お世話になっております。The quick brown fox, ｶﾀｶﾅ\t%2\n")
                              .arg(i)
                              .arg(QString(i % 13, u'w')));
        if (i % 10 == 0) {  // the paragraph just ended gets two indent steps
            QTextCursor previous(cursor.block().previous());
            letter.setTextCursor(previous);
            letter.AddLeftIndent();
            letter.AddLeftIndent();
        }
    }
    CString text;
    letter.GetTextWithReturn(text);
    const std::vector<std::string> lines = Lines(text.Str());
    EXPECT_GT(lines.size(), 400u);
    for (const std::string& line : lines) {
        // Blanks at a wrap point hang past the margin, as the editor shows them; every
        // visible column stays within the line length.
        const std::string visible = line.substr(0, line.find_last_not_of(' ') + 1);
        EXPECT_LE(visible.size(), 37u) << line;
        EXPECT_TRUE(EndsOnBoundary(line)) << line;
    }
    CProfile::Get().SetLineLengths(CProfile::kDefaultNewLineLength, CProfile::kDefaultReplyLineLength);
}

TEST_F(LetterExport, InsertAtTheCaretWithItsBreaksAndOrnamentCells)
{
    Type(QStringLiteral(u"abcd"));
    Select(1, 3);
    CString text("\x82\xA0");
    edit.InsertStrToCurPos(text, 0, 1, 1);  // collapsed to the selection's end first
    EXPECT_EQ(text, "\r\n\x82\xA0\r\n");
    EXPECT_EQ(Export(), "abc\r\n\x82\xA0\r\nd");
    edit.undo();
    EXPECT_EQ(Export(), "abcd");

    Select(1, 3);
    CString replacement("X");
    edit.InsertStrToCurPos(replacement, 1, 0, 0);
    EXPECT_EQ(Export(), "aXd");

    // The cells of one character: single-byte and double-byte, red and underlined.
    Select(1, 2);
    edit.SetSelectionToRed();
    edit.SetSelectionToUnderline();
    CString emphasis, underline;
    int emphasisFlag = 0, underlineFlag = 0;
    edit.MakeOrnamentLine(1, 1, 2, emphasis, emphasisFlag, underline, underlineFlag);
    edit.MakeOrnamentLine(2, 2, 1, emphasis, emphasisFlag, underline, underlineFlag);
    EXPECT_EQ(emphasis, "..  ");
    EXPECT_EQ(underline, "~~  ");
    EXPECT_EQ(emphasisFlag, 1);
    EXPECT_EQ(underlineFlag, 1);
}
