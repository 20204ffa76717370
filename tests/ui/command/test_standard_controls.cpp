// Verifies the command tables of the standard edit, attached edit, combo box and list box,
// and their Delete-key rule inside a command dialog.

#include "QtTestApp.h"

#include "command/CCommandDlg.h"
#include "command/CStandardCombo.h"
#include "command/CStandardEdit.h"
#include "command/CStandardEditForXpUI.h"
#include "command/CStandardListBox.h"

#include <QClipboard>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <array>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// The six answers in the order Copy, Cut, Paste, Delete, SelectAll, Undo.
std::array<int, 6> Answers(CUpdateCommandItem& item)
{
    return {item.UpadateEditCopy(), item.UpadateEditCut(), item.UpadateEditPaste(),
            item.UpadateEditDelete(), item.UpadateEditSelectAll(), item.UpadateEditUndo()};
}

void SetClipboardText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

void SetClipboardImageOnly()
{
    auto* data = new QMimeData;
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    data->setImageData(image);
    QApplication::clipboard()->setMimeData(data);
}

// A dialog whose command-aware controls are a standard edit, an attached multi-line edit
// and an editable combo; every routed command goes to ProcessMenuCommand.
class ControlsDlg : public CCommandDlg {
public:
    ControlsDlg() : CCommandDlg(998, nullptr)
    {
        auto* layout = new QVBoxLayout(this);
        edit = new CStandardEdit(this);
        memo = new QPlainTextEdit(this);
        SetControlId(memo, 1001);
        combo = new CStandardCombo(this);
        combo->setEditable(true);
        layout->addWidget(edit);
        layout->addWidget(memo);
        layout->addWidget(combo);
        attached.AttachDlgItem(this, 1001);
    }
    void UpdateMenu() override {}
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override
    {
        item = nullptr;
        if (wnd == edit)
            item = edit;
        else if (wnd != nullptr && wnd == attached.GetSafeHwnd())
            item = &attached;
        else if (wnd == combo)
            item = combo;
        return item != nullptr;
    }
    void OnCommand(UINT id) override { ProcessMenuCommand(id); }

    CStandardEdit* edit;
    QPlainTextEdit* memo;
    CStandardCombo* combo;
    CStandardEditForXpUI attached;
};

void ShowAndFocus(QWidget& dialog, QWidget* focus)
{
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    focus->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), focus);
}

}  // namespace

TEST(StandardEdit, CommandTableFollowsReadOnlySelectionAndClipboard)
{
    CStandardEdit edit;
    SetClipboardText(u"貼る"_s);
    EXPECT_EQ(Answers(edit), (std::array<int, 6>{0, 0, 1, 0, 0, 0}));

    edit.setText(u"宛先アドレス"_s);
    edit.setSelection(0, 2);
    EXPECT_EQ(edit.IsSelected(), 1);
    EXPECT_EQ(Answers(edit), (std::array<int, 6>{1, 1, 1, 1, 1, 0}));

    edit.setReadOnly(true);
    EXPECT_EQ(Answers(edit), (std::array<int, 6>{1, 0, 0, 0, 1, 0}));
    edit.ProcessEditCut();
    edit.ProcessEditDelete();
    edit.ProcessEditPaste();
    EXPECT_EQ(edit.text(), u"宛先アドレス"_s);

    edit.setReadOnly(false);
    SetClipboardImageOnly();
    EXPECT_EQ(edit.UpadateEditPaste(), 0) << "a bitmap alone is no text";

    edit.ProcessEditCut();
    EXPECT_EQ(edit.text(), u"アドレス"_s);
    EXPECT_EQ(QApplication::clipboard()->text(), u"宛先"_s);
    EXPECT_EQ(edit.UpadateEditUndo(), 1);
    edit.ProcessEditUndo();
    EXPECT_EQ(edit.text(), u"宛先アドレス"_s);

    // Delete clears a selection and does nothing without one.
    edit.setCursorPosition(0);
    edit.ProcessEditDelete();
    EXPECT_EQ(edit.text(), u"宛先アドレス"_s);
    edit.ProcessEditSelectAll();
    EXPECT_EQ(edit.selectedText(), u"宛先アドレス"_s);
    edit.ProcessEditDelete();
    EXPECT_TRUE(edit.text().isEmpty());
}

TEST(StandardEdit, DeleteKeyWithoutSelectionDeletesNextCharacterInADialog)
{
    ControlsDlg dlg;
    dlg.edit->setText(u"abcd"_s);
    ShowAndFocus(dlg, dlg.edit);
    dlg.edit->setCursorPosition(1);
    QTest::keyClick(dlg.edit, Qt::Key_Delete);
    EXPECT_EQ(dlg.edit->text(), u"acd"_s);

    // With a selection the key becomes the dialog's Delete command.
    dlg.edit->setSelection(1, 2);
    QTest::keyClick(dlg.edit, Qt::Key_Delete);
    EXPECT_EQ(dlg.edit->text(), u"a"_s);

    // Shift+Delete and Ctrl+X both cut through the accelerator table.
    dlg.edit->setText(u"xyz"_s);
    dlg.edit->setSelection(0, 1);
    QTest::keyClick(dlg.edit, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(dlg.edit->text(), u"yz"_s);
    EXPECT_EQ(QApplication::clipboard()->text(), u"x"_s);
    dlg.edit->setSelection(0, 1);
    QTest::keyClick(dlg.edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(dlg.edit->text(), u"z"_s);
    EXPECT_EQ(QApplication::clipboard()->text(), u"y"_s);

    // Shift+Insert and Ctrl+V both paste; Ctrl+Insert copies.
    dlg.edit->selectAll();
    QTest::keyClick(dlg.edit, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), u"z"_s);
    dlg.edit->setCursorPosition(1);
    QTest::keyClick(dlg.edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(dlg.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dlg.edit->text(), u"zzz"_s);
}

TEST(StandardEditForXpUI, AttachedMultiLineEditAnswersForTheWidget)
{
    ControlsDlg dlg;
    CStandardEditForXpUI other;
    EXPECT_EQ(other.AttachDlgItem(nullptr, 1001), 0);
    EXPECT_EQ(other.AttachDlgItem(&dlg, 4711), 0);
    EXPECT_EQ(dlg.attached.GetSafeHwnd(), dlg.memo);

    dlg.memo->setPlainText(u"あいうabc\n二行目"_s);
    ShowAndFocus(dlg, dlg.memo);
    CStandardEditForXpUI& edit = dlg.attached;

    // Positions are code page 932 bytes: "あいう" is six bytes.
    QTextCursor cursor = dlg.memo->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    dlg.memo->setTextCursor(cursor);
    int start = 0;
    int end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 9);
    edit.SetSel(2, 4);
    EXPECT_EQ(dlg.memo->textCursor().selectedText(), u"い"_s);

    dlg.memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    EXPECT_EQ(edit.GetLineCount(), 2);
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(edit.GetLine(1, buffer, sizeof buffer), 6);
    EXPECT_EQ(std::memcmp(buffer, "\x93\xF1\x8D\x73\x96\xDA", 6), 0);  // 二行目
    EXPECT_EQ(buffer[6], 'x') << "no terminator is written";
    EXPECT_EQ(edit.GetLine(0, buffer, 4), 4);
    EXPECT_EQ(std::memcmp(buffer, "\x82\xA0\x82\xA2", 4), 0);  // あい
    EXPECT_EQ(edit.GetLine(5, buffer, 4), 0);

    // Delete through the menu command: without a selection the next character goes.
    edit.SetSel(0, 0);
    dlg.ProcessMenuCommand(ID_EDIT_DELETE);
    EXPECT_EQ(dlg.memo->toPlainText(), u"いうabc\n二行目"_s);
    edit.SetSel(0, 2);
    dlg.ProcessMenuCommand(ID_EDIT_DELETE);
    EXPECT_EQ(dlg.memo->toPlainText(), u"うabc\n二行目"_s);

    // The Delete key in the attached edit reaches the same command.
    edit.SetSel(0, 0);
    QTest::keyClick(dlg.memo, Qt::Key_Delete);
    EXPECT_EQ(dlg.memo->toPlainText(), u"abc\n二行目"_s);

    SetClipboardText(u"x"_s);
    edit.SetSel(0, 1);
    EXPECT_EQ(Answers(edit), (std::array<int, 6>{1, 1, 1, 1, 1, 1}));
    dlg.memo->setReadOnly(true);
    EXPECT_EQ(Answers(edit), (std::array<int, 6>{1, 0, 0, 0, 1, 1}));
    dlg.ProcessMenuCommand(ID_EDIT_DELETE);
    EXPECT_EQ(dlg.memo->toPlainText(), u"abc\n二行目"_s);

    // Destroying or detaching leaves the widget alive.
    {
        CStandardEditForXpUI temporary;
        EXPECT_EQ(temporary.Attach(dlg.memo), 1);
    }
    EXPECT_EQ(dlg.memo->toPlainText(), u"abc\n二行目"_s);
    EXPECT_EQ(edit.Detach(), dlg.memo);
    EXPECT_EQ(Answers(edit), (std::array<int, 6>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(edit.Attach(dlg.combo), 0) << "not an edit";
}

TEST(StandardCombo, EditFieldCommandsAndDropDownList)
{
    SetClipboardText(u"件名"_s);
    CStandardCombo list;
    list.addItems({u"一"_s, u"二"_s});
    ASSERT_EQ(list.lineEdit(), nullptr);
    EXPECT_EQ(list.IsSelected(), 0);
    EXPECT_EQ(Answers(list), (std::array<int, 6>{0, 0, 1, 1, 0, 0}));
    list.ProcessEditDelete();
    list.ProcessEditSelectAll();
    EXPECT_EQ(list.currentText(), u"一"_s);

    ControlsDlg dlg;
    CStandardCombo* combo = dlg.combo;
    ShowAndFocus(dlg, combo);
    EXPECT_EQ(Answers(*combo), (std::array<int, 6>{0, 0, 1, 1, 0, 0}));
    combo->setEditText(u"abc"_s);
    combo->lineEdit()->setCursorPosition(0);
    dlg.ProcessMenuCommand(ID_EDIT_DELETE);
    EXPECT_EQ(combo->currentText(), u"bc"_s);
    dlg.ProcessMenuCommand(ID_EDIT_SELECT_ALL);
    EXPECT_EQ(Answers(*combo), (std::array<int, 6>{1, 1, 1, 1, 1, 1}));
    dlg.ProcessMenuCommand(ID_EDIT_CUT);
    EXPECT_EQ(combo->currentText(), u""_s);
    EXPECT_EQ(QApplication::clipboard()->text(), u"bc"_s);
    dlg.ProcessMenuCommand(ID_EDIT_UNDO);
    EXPECT_EQ(combo->currentText(), u"bc"_s);

    SetClipboardImageOnly();
    EXPECT_EQ(combo->UpadateEditPaste(), 0);
}

TEST(StandardListBox, AnswersNoCommand)
{
    CStandardListBox list;
    list.addItems({u"定型文"_s});
    list.setCurrentRow(0);
    const UINT ids[] = {57634, 57635, 57637, 32787, 32774, 57642, 57643, 57644, 32771, 32795,
                        32794, 32788, 32789, 32807, 32790, 32791, 32792, 32793, 32823};
    for (UINT id : ids) {
        EXPECT_EQ(list.UpdateCommand(id), 0) << id;
        EXPECT_EQ(list.ProcessCommand(id), 1) << id;
    }
    EXPECT_EQ(list.ProcessCommand(ID_EDIT_FIND), 0);
    EXPECT_EQ(list.count(), 1);
}
