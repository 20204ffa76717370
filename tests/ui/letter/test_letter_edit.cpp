// Verifies the editing behaviour of the letter editor: indent limits, the hanging indent,
// clipboard between editors and from elsewhere, dropped files, drags that carry a mail (left
// to the page), the key rules, read-only (no command changes the text), Ctrl+B availability
// in the editor dialog and the line-length dialog with its settings.
#include "letter/CEditLetter.h"
#include "letter/CEditLetterDlg.h"
#include "letter/CLetterFormat.h"
#include "letter/CLineLengthDlg.h"
#include "command/CMailMimeData.h"

#include "Keys.h"
#include "MessageBoxScript.h"
#include "QtTestApp.h"
#include "command/CProfile.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class LetterEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        QGuiApplication::clipboard()->clear();
        a.Init(0);
        b.Init(0);
        CEditLetter::c_newLineLength = 60;
        CEditLetter::c_replyLineLength = 76;
        a.SelToNewSentence();
        b.SelToNewSentence();
        a.document()->clearUndoRedoStacks();
        b.document()->clearUndoRedoStacks();
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

    static QTextBlockFormat Block(CEditLetter& edit, int number = 0)
    {
        return edit.document()->findBlockByNumber(number).blockFormat();
    }

    CEditLetter a;
    CEditLetter b;
};

}  // namespace

TEST_F(LetterEdit, IndentStepsStopAtTheirLimitsAndRefusedStepsChangeNothing)
{
    a.textCursor().insertText(QStringLiteral(u"abc"));
    QTextCursor cursor = a.textCursor();
    QTextBlockFormat format = cursor.blockFormat();
    CLetterFormat::SetIndents(format, 0, 240, CLetterFormat::RightIndent(format));
    cursor.setBlockFormat(format);

    // Right indent 1920 (line length 60): the start indent stops below 9120 - 1920.
    for (int i = 0; i < 50; ++i)
        a.AddLeftIndent();
    EXPECT_EQ(CLetterFormat::StartIndent(Block(a)), 7200 - 240);
    EXPECT_EQ(CLetterFormat::Offset(Block(a)), 240);  // kept through every step
    for (int i = 0; i < 50; ++i)
        a.DeleteLeftIndent();
    EXPECT_EQ(CLetterFormat::StartIndent(Block(a)), 0);

    for (int i = 0; i < 50; ++i)
        a.AddRightIndent();
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), 9120 - 240);
    for (int i = 0; i < 50; ++i)
        a.DeleteRightIndent();
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), 0);
    EXPECT_EQ(CLetterFormat::Offset(Block(a)), 240);

    // With a right indent near the limit the left indent cannot grow at all.
    for (int i = 0; i < 37; ++i)
        a.AddRightIndent();
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), 37 * 240);
    a.AddLeftIndent();
    EXPECT_EQ(CLetterFormat::StartIndent(Block(a)), 0);
}

TEST_F(LetterEdit, HangingIndentAndTheParagraphSplitThatKeepsIt)
{
    a.textCursor().insertText(QStringLiteral(u"1) ") + QString(40, u'あ'));
    QTextCursor cursor = a.textCursor();
    cursor.setPosition(3);
    a.setTextCursor(cursor);
    ASSERT_EQ(a.UpadateFormBullet(), 1);
    a.ProcessFormBullet();
    EXPECT_EQ(CLetterFormat::Offset(Block(a)), 3 * 120);
    std::string first = "1) ";
    std::string second = "   ";
    for (int i = 0; i < 28; ++i)
        first += "\x82\xA0";
    for (int i = 0; i < 12; ++i)
        second += "\x82\xA0";
    EXPECT_EQ(Export(a), first + "\r\n" + second);

    // On the second display line the command is unavailable.
    cursor.setPosition(35);
    a.setTextCursor(cursor);
    EXPECT_EQ(a.UpadateFormBullet(), 0);
    // With a selection too.
    Select(a, 0, 2);
    EXPECT_EQ(a.UpadateFormBullet(), 0);

    // Shift+Enter: the new paragraph starts where the continuation lines start.
    cursor.movePosition(QTextCursor::End);
    a.setTextCursor(cursor);
    a.setFocus();
    QTest::keyClick(&a, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(a.document()->blockCount(), 2);
    EXPECT_EQ(CLetterFormat::StartIndent(Block(a, 1)), 360);
    EXPECT_EQ(CLetterFormat::Offset(Block(a, 1)), 0);
    a.textCursor().insertText(QStringLiteral(u"y"));
    EXPECT_EQ(Export(a), first + "\r\n" + second + "\r\n   y");
}

TEST_F(LetterEdit, KeyRules)
{
    a.show();
    QApplication::setActiveWindow(&a);
    a.setFocus();
    QTest::keyClick(&a, Qt::Key_Tab);
    QTest::keyClicks(&a, QStringLiteral(u"ab"));
    EXPECT_EQ(Export(a), "    ab");
    QTest::keyClick(&a, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(CLetterFormat::StartIndent(Block(a)), 240);
    QTest::keyClick(&a, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(CLetterFormat::StartIndent(Block(a)), 0);
    QTest::keyClick(&a, Qt::Key_Backtab, Qt::ShiftModifier);  // nothing, and the focus stays
    EXPECT_TRUE(a.hasFocus());
    EXPECT_EQ(Export(a), "    ab");

    const int right = CLetterFormat::RightIndent(Block(a));
    QTest::keyClick(&a, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), right + 240);
    QTest::keyClick(&a, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), right);
    EXPECT_EQ(a.document()->blockCount(), 1);

    // Delete without a selection removes the next character.
    QTest::keyClick(&a, Qt::Key_Home);
    QTest::keyClick(&a, Qt::Key_Delete);
    EXPECT_EQ(Export(a), "ab");
    // Ctrl+E does not centre.
    QTest::keyClick(&a, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(a.alignment() & Qt::AlignHCenter, 0);
}

TEST_F(LetterEdit, ClipboardBetweenEditorsKeepsColourAndUnderline)
{
    a.textCursor().insertText(QStringLiteral(u"赤い下線とABC"));
    Select(a, 0, 1);
    a.SetSelectionToRed();
    Select(a, 2, 4);
    a.SetSelectionToUnderline();
    QTextCursor cursor = a.textCursor();
    QTextBlockFormat format = cursor.blockFormat();
    CLetterFormat::SetIndents(format, 480, 0, CLetterFormat::RightIndent(format));
    cursor.setBlockFormat(format);
    Select(a, 0, 8);
    ASSERT_EQ(a.UpadateEditCopy(), 1);
    a.ProcessEditCopy();
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(CEditLetter::kClipboardFormat));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(CEditLetter::kRtfMimeType));

    b.textCursor().insertText(QStringLiteral(u">"));
    ASSERT_EQ(b.UpadateEditPaste(), 1);
    b.ProcessEditPaste();
    // A paragraph copied in part keeps its characters' formats, not its indent.
    const std::string expected = "  .           \r\n>\x90\xD4\x82\xA2\x89\xBA\x90\xFC\x82\xC6"
                                 "ABC\r\n     ~~~~     \r\n";
    EXPECT_EQ(Export(b), expected);

    // Cut carries the marker as well, and the paste is one undoable step.
    b.undo();
    EXPECT_EQ(Export(b), ">");
    Select(a, 0, 2);
    a.ProcessEditCut();
    b.ProcessEditPaste();
    EXPECT_EQ(Export(b), "  .  \r\n>\x90\xD4\x82\xA2");
}

TEST_F(LetterEdit, TextFromElsewherePastesPlainAndABitmapGreysPaste)
{
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral(u"<p style='margin-left:80px'><span style='color:#ff0000;text-decoration:underline'>赤</span></p>"));
    data->setText(QStringLiteral(u"赤\n2行目"));
    QGuiApplication::clipboard()->setMimeData(data);
    ASSERT_EQ(a.UpadateEditPaste(), 1);
    a.ProcessEditPaste();
    EXPECT_EQ(Export(a), "\x90\xD4\r\n2\x8D\x73\x96\xDA");

    // Paste as quote takes the same plain text.
    a.clear();
    a.SetSelectionToDefault();
    ASSERT_EQ(a.UpadateEditPasteReplyText(), 1);
    a.ProcessEditPasteReplyText();
    EXPECT_EQ(Export(a), "\r\n> \x90\xD4\r\n> 2\x8D\x73\x96\xDA\r\n");

    a.clear();
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(image);
    EXPECT_EQ(a.UpadateEditPaste(), 0);
    EXPECT_EQ(a.UpadateEditPasteReplyText(), 0);
    a.ProcessEditPaste();
    EXPECT_EQ(a.document()->characterCount(), 1);

    // Read-only: nothing can be pasted even with text on the clipboard.
    QGuiApplication::clipboard()->setText(QStringLiteral(u"x"));
    a.SetReadOnly(1);
    EXPECT_EQ(a.UpadateEditPaste(), 0);
    a.ProcessEditPaste();
    EXPECT_EQ(a.document()->characterCount(), 1);
}

TEST_F(LetterEdit, TwoDroppedFilesAreInsertedAsLinesAtTheDropPoint)
{
    a.textCursor().insertText(QStringLiteral(u"ab"));
    auto drop = [](CEditLetter& edit) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral(u"/tmp/one.txt")),
                      QUrl::fromLocalFile(QStringLiteral(u"/tmp/二つ目.pdf"))});
        // Qt delivers a drop only to a widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit.viewport(), &enter);
        QDropEvent event(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit.viewport(), &event);
        return enter.isAccepted() && event.isAccepted();
    };
    EXPECT_TRUE(drop(a));
    EXPECT_EQ(Export(a), "\r\n/tmp/one.txt\r\n/tmp/\x93\xF1\x82\xC2\x96\xDA.pdf\r\nab");
    a.undo();
    EXPECT_EQ(Export(a), "ab");

    // Handed to the parent, or refused when read-only: nothing is inserted.
    b.Init(1);
    b.textCursor().insertText(QStringLiteral(u"ab"));
    EXPECT_FALSE(drop(b));
    EXPECT_EQ(Export(b), "ab");
    a.SetReadOnly(1);
    EXPECT_FALSE(drop(a));
    EXPECT_EQ(Export(a), "ab");
}

namespace {

// The page around an editor: takes every drag the editor leaves to it.
class PageHost : public QWidget {
public:
    PageHost() { setAcceptDrops(true); }
    QStringList entered;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        entered << event->mimeData()->formats().join(u',');
        event->acceptProposedAction();
    }
};

QMimeData* MailWithText(const QString& format, const QByteArray& bytes)
{
    auto* data = new QMimeData;
    data->setData(format, bytes);
    data->setText(QStringLiteral(u"Subject: hello"));
    return data;
}

}  // namespace

TEST_F(LetterEdit, ADragThatCarriesAMailIsLeftToThePage)
{
    PageHost page;
    auto* edit = new CEditLetter(&page);
    edit->Init(0);
    page.resize(edit->width() + 20, 220);
    page.show();
    edit->textCursor().insertText(QStringLiteral(u"body"));

    // Every form the mail import takes, each with a text/plain flavour beside it.
    QByteArray clip("\0\0\0\1\0\0\0\x24", 8);
    for (QChar ch : QStringLiteral(u"text/x-moz-message"))
        clip.append(static_cast<char>(ch.unicode())).append('\0');
    std::vector<std::unique_ptr<QMimeData>> drags;
    drags.emplace_back(MailWithText(CMailMimeData::kInternetMessage, "Subject: hello\r\n\r\nx"));
    drags.emplace_back(MailWithText(CMailMimeData::kMozMessage, "Subject: hello\r\n\r\nx"));
    drags.emplace_back(MailWithText(CMailMimeData::kRfc822, "Subject: hello\r\n\r\nx"));
    drags.emplace_back(MailWithText(CMailMimeData::kMozCustomClipData, clip));
    // Thunderbird on Linux: an .eml file to be written and the message's reference as text.
    auto* thunderbird = new QMimeData;
    thunderbird->setUrls({QUrl::fromLocalFile(QStringLiteral(u"/tmp/nsmail.eml"))});
    thunderbird->setText(QStringLiteral(u"mailbox-message://nobody@Local%20Folders/Inbox#2"));
    drags.emplace_back(thunderbird);

    for (const auto& data : drags) {
        SCOPED_TRACE(data->formats().join(u',').toStdString());
        ASSERT_TRUE(CMailMimeData::CarriesMail(data.get()));
        page.entered.clear();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit->viewport(), &enter);
        EXPECT_EQ(page.entered.size(), 1) << "the page gets the drag";
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit->viewport(), &drop);
        EXPECT_FALSE(drop.isAccepted());
        EXPECT_EQ(edit->toPlainText(), QStringLiteral(u"body"));
    }

    // Text that is no mail is still the editor's; so is custom clip data of other kinds.
    QMimeData text;
    text.setText(QStringLiteral(u"plain words"));
    EXPECT_FALSE(CMailMimeData::CarriesMail(&text));
    std::unique_ptr<QMimeData> other(MailWithText(CMailMimeData::kMozCustomClipData, QByteArray(4, '\0')));
    other->setText(QStringLiteral(u"plain"));
    EXPECT_FALSE(CMailMimeData::CarriesMail(other.get()));
    page.entered.clear();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(edit->viewport(), &enter);
    EXPECT_TRUE(page.entered.isEmpty());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(edit->viewport(), &drop);
    EXPECT_TRUE(edit->toPlainText().contains(QStringLiteral(u"plain words")));
}

TEST_F(LetterEdit, ReadOnlyMeansNoCommandChangesTheText)
{
    CEditLetterDlg dialog(102);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CEditLetter& edit = dialog.Editor();
    edit.setFocus();
    edit.textCursor().insertText(QStringLiteral(u"保存された文章"));
    edit.SetReadOnly(1);
    edit.selectAll();
    auto* data = new QMimeData;
    data->setText(QStringLiteral(u"pasted"));
    QGuiApplication::clipboard()->setMimeData(data);

    // The menu greys every command that would change the text; Copy and Select all stay.
    dialog.UpdateMenu();
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_PASTE_REPLY_TEXT, ID_EDIT_DELETE, ID_EDIT_UNDO,
                    ID_EDIT_REDO, ID_EDIT_RECONVERT, ID_FORM_BULLET})
        EXPECT_FALSE(FindCommandAction(dialog.GetMenu(), id)->isEnabled()) << id;
    EXPECT_TRUE(FindCommandAction(dialog.GetMenu(), ID_EDIT_COPY)->isEnabled());
    EXPECT_TRUE(FindCommandAction(dialog.GetMenu(), ID_EDIT_SELECT_ALL)->isEnabled());
    for (UINT id : {ID_FORM_NEW_SENTENCE, ID_FORM_REPLY_SENTENCE, ID_FORM_LEFT_INDENT_ADD,
                    ID_FORM_LEFT_INDENT_DELETE, ID_FORM_RIGHT_INDENT_ADD, ID_FORM_RIGHT_INDENT_DELETE})
        EXPECT_EQ(edit.UpdateCommand(id), 0) << id;

    // Even when a command comes anyway, by the menu, a button or a key, nothing changes.
    const QTextBlockFormat before = Block(edit);
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_DELETE, ID_EDIT_PASTE, ID_EDIT_PASTE_REPLY_TEXT,
                    ID_EDIT_UNDO, ID_FORM_LEFT_INDENT_ADD, ID_FORM_RIGHT_INDENT_ADD,
                    ID_FORM_REPLY_SENTENCE, ID_FORM_BULLET})
        dialog.OnCommand(id);
    qobject_cast<QAbstractButton*>(GetDlgItem(&dialog, CEditLetterDlg::kUnderlineButton))->click();
    edit.setFocus();
    edit.selectAll();
    PressKey(&edit, Qt::Key_X, Qt::ControlModifier);
    PressKey(&edit, Qt::Key_Delete);
    PressKey(&edit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(edit.toPlainText(), QStringLiteral(u"保存された文章"));
    EXPECT_EQ(CLetterFormat::StartIndent(Block(edit)), CLetterFormat::StartIndent(before));
    EXPECT_EQ(CLetterFormat::RightIndent(Block(edit)), CLetterFormat::RightIndent(before));
    EXPECT_FALSE(edit.document()->begin().begin().fragment().charFormat().fontUnderline());

    // Copy still works.
    edit.ProcessEditCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral(u"保存された文章"));
}

TEST_F(LetterEdit, CommandAvailabilityAndContextMenus)
{
    EXPECT_EQ(a.UpadateEditSelectAll(), 0);
    EXPECT_EQ(a.UpadateEditUndo(), 0);
    a.textCursor().insertText(QStringLiteral(u"abc"));
    EXPECT_EQ(a.UpadateEditSelectAll(), 1);
    EXPECT_EQ(a.UpadateEditUndo(), 1);
    EXPECT_EQ(a.UpadateEditCopy(), 0);
    EXPECT_EQ(a.UpadateEditDelete(), 0);
    EXPECT_EQ(a.UpadateEditReconvert(), 0);
    a.ProcessEditSelectAll();
    EXPECT_EQ(a.UpadateEditCopy(), 1);
    EXPECT_EQ(a.UpadateEditReconvert(), 1);
    a.ProcessEditDelete();
    EXPECT_EQ(a.document()->characterCount(), 1);
    a.ProcessEditUndo();
    EXPECT_EQ(a.UpadateEditRedo(), 1);
    a.ProcessEditRedo();
    EXPECT_EQ(a.UpadateEditRedo(), 0);

    std::unique_ptr<QMenu> menu(a.CreateContextMenu());
    EXPECT_EQ(GetControlId(menu.get()), 138);
    ASSERT_NE(FindCommandAction(menu.get(), ID_EDIT_PASTE_REPLY_TEXT), nullptr);
    EXPECT_EQ(FindCommandAction(menu.get(), ID_EDIT_PASTE_REPLY_TEXT)->text(), QStringLiteral(u"引用文貼り付け(&S)"));
    EXPECT_FALSE(FindCommandAction(menu.get(), ID_EDIT_COPY)->isEnabled());
    EXPECT_TRUE(FindCommandAction(menu.get(), ID_EDIT_UNDO)->isEnabled());
    EXPECT_TRUE(FindCommandAction(menu.get(), ID_FORM_BULLET)->isEnabled());

    a.ProcessEditUndo();
    a.SetReadOnly(1);
    a.selectAll();
    menu.reset(a.CreateContextMenu());
    EXPECT_EQ(GetControlId(menu.get()), 145);
    EXPECT_EQ(menu->actions().size(), 3);  // Copy, separator, Select all
    EXPECT_TRUE(FindCommandAction(menu.get(), ID_EDIT_COPY)->isEnabled());
    EXPECT_EQ(FindCommandAction(menu.get(), ID_EDIT_PASTE), nullptr);
}

TEST_F(LetterEdit, CtrlBFollowsTheDisplayLineInTheDialog)
{
    CEditLetterDlg dialog(102);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CEditLetter& edit = dialog.Editor();
    QApplication::setActiveWindow(&dialog);
    edit.setFocus();
    ASSERT_EQ(QApplication::focusWidget(), &edit);
    edit.textCursor().insertText(QStringLiteral(u"ab") + QString(70, u'c'));

    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(65);  // second display line
    edit.setTextCursor(cursor);
    dialog.UpdateMenuCommand(ID_FORM_BULLET);
    EXPECT_FALSE(FindCommandAction(dialog.GetMenu(), ID_FORM_BULLET)->isEnabled());
    PressKey(&edit, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(CLetterFormat::Offset(edit.textCursor().blockFormat()), 0);

    cursor.setPosition(2);
    edit.setTextCursor(cursor);
    PressKey(&edit, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(CLetterFormat::Offset(edit.textCursor().blockFormat()), 240);
    EXPECT_EQ(edit.document()->characterCount(), 73);  // Ctrl+B typed nothing

    // On an empty first line the offset becomes 0.
    cursor.movePosition(QTextCursor::End);
    edit.setTextCursor(cursor);
    PressKey(&edit, Qt::Key_Return);
    PressKey(&edit, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(CLetterFormat::Offset(edit.textCursor().blockFormat()), 0);

    // The dialog's Delete accelerator acts on selections; without one the key deletes the
    // next character.
    cursor.setPosition(0);
    edit.setTextCursor(cursor);
    PressKey(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.document()->characterCount(), 73);
    edit.selectAll();
    PressKey(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.document()->characterCount(), 1);

    // Copy through the accelerator marks the clipboard as the editor's own.
    QGuiApplication::clipboard()->clear();
    edit.textCursor().insertText(QStringLiteral(u"xy"));
    edit.selectAll();
    PressKey(&edit, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(CEditLetter::kClipboardFormat));
}

TEST_F(LetterEdit, LineLengthDialogRefusesZeroAnd77AndStoresTheLengths)
{
    CLineLengthDlg dialog;
    dialog.m_newLineLength = 60;
    dialog.m_replyLineLength = 76;
    dialog.show();
    auto* newLength = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CLineLengthDlg::kNewLineLengthId));
    auto* replyLength = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CLineLengthDlg::kReplyLineLengthId));
    ASSERT_NE(newLength, nullptr);
    ASSERT_NE(replyLength, nullptr);
    EXPECT_EQ(newLength->text(), QStringLiteral(u"60"));

    MessageBoxScript boxes;
    for (const QString& bad : {QStringLiteral(u"0"), QStringLiteral(u"77"), QStringLiteral(u"x")}) {
        boxes.Clear();
        newLength->setText(bad);
        EXPECT_EQ(dialog.UpdateData(), 0) << bad.toStdString();
        EXPECT_EQ(dialog.m_newLineLength, 60u);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text.Str(), "1 から 76 までの整数を入力してください。");
        EXPECT_EQ(boxes.boxes[0].caption.Str(), "改行文字数");
    }
    newLength->setText(QStringLiteral(u"1"));
    replyLength->setText(QStringLiteral(u"77"));
    EXPECT_EQ(dialog.UpdateData(), 0);
    EXPECT_EQ(boxes.boxes.size(), 2u);
    replyLength->setText(QStringLiteral(u"76"));
    EXPECT_EQ(dialog.UpdateData(), 1);
    EXPECT_EQ(dialog.m_newLineLength, 1u);
    dialog.reject();

    // Through the command: OK stores both lengths in the settings.
    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<CLineLengthDlg*>(top); shown && shown->isVisible()) {
                qobject_cast<QLineEdit*>(GetDlgItem(shown, CLineLengthDlg::kNewLineLengthId))->setText(QStringLiteral(u"40"));
                qobject_cast<QLineEdit*>(GetDlgItem(shown, CLineLengthDlg::kReplyLineLengthId))->setText(QStringLiteral(u"70"));
                shown->accept();
            }
        }
    });
    a.ProcessFormLineLength();
    EXPECT_EQ(CEditLetter::c_newLineLength, 40u);
    EXPECT_EQ(CEditLetter::c_replyLineLength, 70u);
    // Stored in the settings file, where the next start reads them.
    CProfile::Reset();
    EXPECT_EQ(CProfile::Get().GetNewLineLength(), 40);
    EXPECT_EQ(CProfile::Get().GetReplyLineLength(), 70);
    // Existing paragraphs keep their right indent until a length is applied again.
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), 16 * 120);
    a.ProcessFormReplySentence();
    EXPECT_EQ(CLetterFormat::RightIndent(Block(a)), 6 * 120);
    CProfile::Get().SetLineLengths(CProfile::kDefaultNewLineLength, CProfile::kDefaultReplyLineLength);
}
