// Verifies CProgressCallback driving the Qt progress dialog: the bar's position, the cancel
// rule and the owner window, with the Qt user interface installed.

#include "QtTestApp.h"

#include "command/CProgressDlg.h"
#include "command/CQtPlatformUi.h"
#include "command/QtWindow.h"
#include "smtp/CProgressCallback.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The progress dialog that is up, or null.
CProgressDlg* ShownProgressDlg()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CProgressDlg*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

int BarPosition()
{
    CProgressDlg* dialog = ShownProgressDlg();
    return dialog != nullptr ? dialog->GetProgressCtrl()->value() : -1;
}

class ProgressIntegration : public ::testing::Test {
protected:
    void SetUp() override { CPlatformUi::Set(&ui_); }
    void TearDown() override { CPlatformUi::Set(nullptr); }
    CQtPlatformUi ui_;
};

}  // namespace

TEST_F(ProgressIntegration, BarFollowsDoneOverTotal)
{
    QWidget owner;
    owner.show();
    CProgressCallback progress("送信中", 0, ToCWnd(&owner));
    ASSERT_NE(progress.Start(0), 0);
    CProgressDlg* dialog = ShownProgressDlg();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), u"送信中"_s);
    EXPECT_FALSE(dialog->GetCancelButton()->isVisible());
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(progress.Callback(25), 1);
    EXPECT_EQ(BarPosition(), 25) << "Start(0) counts to 100";

    ASSERT_NE(progress.Start(1000), 0);
    EXPECT_EQ(progress.Callback(250), 1);
    EXPECT_EQ(BarPosition(), 25);
    EXPECT_EQ(progress.Callback(950), 1);
    EXPECT_EQ(BarPosition(), 100) << "a running done of 1200 shows 100";

    progress.Complete();
    EXPECT_EQ(ShownProgressDlg(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
    progress.Complete();
    EXPECT_EQ(progress.UserCanceled(), 0);
}

TEST_F(ProgressIntegration, CancelTakesEffectAtTheNextCallback)
{
    QWidget owner;
    owner.show();
    CProgressCallback progress("保存中", 1, ToCWnd(&owner));
    ASSERT_NE(progress.Start(100), 0);
    EXPECT_EQ(progress.Callback(10), 1);
    CProgressDlg* dialog = ShownProgressDlg();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->GetCancelButton(), Qt::LeftButton);
    EXPECT_EQ(ShownProgressDlg(), dialog) << "still up after the click";
    EXPECT_EQ(progress.UserCanceled(), 0);

    EXPECT_EQ(progress.Callback(10), 0);
    EXPECT_EQ(ShownProgressDlg(), nullptr);
    EXPECT_EQ(progress.UserCanceled(), 1);
    EXPECT_TRUE(owner.isEnabled());
}
