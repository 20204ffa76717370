// Verifies dialog 102 "定型文" (CBodyPhraseDlg): the new and existing modes, the title rule
// (a new or changed phrase needs one; the dialog says so and stays open), the operation
// answered, the RTF given and taken back with its formats, and its layout at 96 and 144 DPI.
#include "LayoutCheck.h"
#include "MessageBoxScript.h"
#include "Modal.h"
#include "QtTestApp.h"
#include "Screenshot.h"

#include "settings/CBodyPhraseDlg.h"
#include "letter/CLetterFormat.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTextBlock>

using namespace Qt::StringLiterals;

TEST(BodyPhraseDlg, NewPhraseNeedsATitleAndAnswersAdd)
{
    MessageBoxScript boxes;
    CBodyPhraseDlg dialog("", "", 0, nullptr);
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), u"定型文"_s);
    EXPECT_EQ(dialog.GetTemplateId(), 102u);
    EXPECT_TRUE(dialog.GetOperationButton(0)->isChecked());
    EXPECT_FALSE(dialog.GetOperationButton(1)->isEnabled());
    EXPECT_FALSE(dialog.GetOperationButton(2)->isEnabled());
    EXPECT_EQ(dialog.GetOperationButton(0)->text(), u"新規(&N)"_s);
    EXPECT_EQ(dialog.focusWidget(), dialog.GetTitleEdit());
    for (int id : {int(CBodyPhraseDlg::IDC_TITLE), 1006, 1106, 1107, 1108, 1109, 1137, 1138, 1, 2})
        EXPECT_NE(GetDlgItem(&dialog, id), nullptr) << id;

    // No title: said so, still open, nothing lost.
    dialog.Editor().setPlainText(u"本文だけ"_s);
    dialog.GetTitleEdit()->setText(u"   "_s);
    dialog.accept();
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{"タイトルを入力してください。"});
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "定型文");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(dialog.Editor().toPlainText(), u"本文だけ"_s);

    dialog.GetTitleEdit()->setText(u"ご挨拶"_s);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetOperation(), 0);
    EXPECT_EQ(dialog.GetTitle().Str(), "ご挨拶");
    EXPECT_NE(dialog.GetPhraseRtf().Find("\\rtf1"), -1);
}

TEST(BodyPhraseDlg, ExistingPhraseOpensWithItsTextAndChangeFirst)
{
    MessageBoxScript boxes;
    // The RTF of a letter editor: an indented paragraph with an underlined word.
    CBodyPhraseDlg source("", "", 0, nullptr);
    source.show();
    source.Editor().setPlainText(u"下線の語と本文"_s);
    QTextCursor word(source.Editor().document());
    word.setPosition(0);
    word.setPosition(2, QTextCursor::KeepAnchor);
    source.Editor().setTextCursor(word);
    source.Editor().SetSelectionToUnderline();
    source.Editor().AddLeftIndent();
    const CString rtf = source.GetPhraseRtf();
    source.hide();

    CBodyPhraseDlg dialog("結び", rtf, 1, nullptr);
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.GetTitleEdit()->text(), u"結び"_s);
    EXPECT_TRUE(dialog.GetOperationButton(1)->isChecked());
    EXPECT_TRUE(dialog.GetOperationButton(2)->isEnabled());
    EXPECT_EQ(dialog.Editor().toPlainText(), u"下線の語と本文"_s);
    QTextCursor at(dialog.Editor().document());
    at.setPosition(1);
    EXPECT_TRUE(CLetterFormat::IsUnderlined(at.charFormat()));
    EXPECT_EQ(CLetterFormat::StartIndent(dialog.Editor().document()->firstBlock().blockFormat()), 240);
    EXPECT_FALSE(dialog.Editor().document()->isUndoAvailable());
    ExpectLaidOut(&dialog);
    EXPECT_TRUE(SaveScreenshot(&dialog, u"phrase_"_s + Dpi()));

    // Delete needs no title.
    dialog.GetOperationButton(2)->setChecked(true);
    dialog.GetTitleEdit()->clear();
    dialog.accept();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetOperation(), 2);
}
