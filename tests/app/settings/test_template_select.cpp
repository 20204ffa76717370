// Verifies the template selection dialogs 184 and 188: titles, the preset selection, "選択解除"
// giving none, keyboard choice and Enter, and the layout at the run's DPI.
#include "LayoutCheck.h"
#include "QtTestApp.h"
#include "Screenshot.h"

#include "settings/CTemplateSelectDlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const std::vector<CTemplateSelectDlg::Item> kItems = {
    {3, u"取引先あて"_s}, {7, u"社内連絡（全員）"_s}, {12, u"お礼状"_s}};

}  // namespace

TEST(TemplateSelectDlg, TitlesPresetClearAndKeyboard)
{
    CTemplateSelectDlg address(CTemplateSelectDlg::AddressTemplates, kItems, 7, nullptr);
    EXPECT_EQ(address.windowTitle(), u"宛先定型の選択"_s);
    EXPECT_EQ(GetControlId(&address), 184);
    ASSERT_EQ(address.GetList()->count(), 3);
    EXPECT_EQ(address.GetList()->item(1)->text(), u"社内連絡（全員）"_s);
    EXPECT_EQ(address.GetSelectedId(), 7);

    auto* clear = qobject_cast<QPushButton*>(GetDlgItem(&address, CTemplateSelectDlg::IDC_CLEAR));
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->text(), u"選択解除"_s);
    clear->click();
    EXPECT_EQ(address.GetSelectedId(), 0);

    // Arrow keys choose, Enter accepts with the chosen id.
    address.show();
    address.GetList()->setFocus();
    QTest::keyClick(address.GetList(), Qt::Key_Home);
    QTest::keyClick(address.GetList(), Qt::Key_Down);
    EXPECT_EQ(address.GetSelectedId(), 7);
    QTest::keyClick(&address, Qt::Key_Return);
    EXPECT_EQ(address.result(), QDialog::Accepted);
    EXPECT_EQ(address.GetSelectedId(), 7);

    // No preset (0 or an id that no longer exists) selects nothing.
    CTemplateSelectDlg letter(CTemplateSelectDlg::LetterTemplates, kItems, 99, nullptr);
    EXPECT_EQ(letter.windowTitle(), u"文面定型の選択"_s);
    EXPECT_EQ(letter.GetSelectedId(), 0);
    ExpectLaidOut(&letter);
    EXPECT_TRUE(SaveScreenshot(&letter, u"select_"_s + Dpi()));
}
