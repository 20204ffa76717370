// Verifies CProgressCallback: bar positions, cancelling, Complete, and running silently
// without a user interface.
#include "smtp/CProgressCallback.h"

#include "../writer/WriterTestSupport.h"

#include <gtest/gtest.h>

TEST(CProgressCallback, WithoutUserInterfaceCountsSilently)
{
    CProgressCallback progress("送信中", 0, nullptr);
    EXPECT_EQ(progress.Start(10), 0);
    EXPECT_EQ(progress.Callback(5), 1);
    EXPECT_EQ(progress.Callback(500), 1);
    progress.Complete();
    EXPECT_EQ(progress.UserCanceled(), 0);
}

TEST(CProgressCallback, MovesTheBarInPercent)
{
    FakeUi ui;
    CWnd* owner = reinterpret_cast<CWnd*>(&ui);
    CProgressCallback progress("送信中", 0, owner);

    ASSERT_EQ(progress.Start(0), 1);  // 0 counts as 100
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0]->title, "送信中");
    EXPECT_EQ(ui.dialogs[0]->showCancel, 0);
    EXPECT_EQ(ui.dialogs[0]->parent, owner);
    EXPECT_EQ(ui.events, 1);
    EXPECT_EQ(progress.Callback(50), 1);

    ASSERT_EQ(progress.Start(1000), 1);
    EXPECT_EQ(ui.dialogs[0]->destroyed, 1);  // the earlier run's dialog
    EXPECT_EQ(progress.Callback(250), 1);
    EXPECT_EQ(progress.Callback(950), 1);  // 1200 of 1000

    // Totals of a few hundred megabytes do not overflow.
    ASSERT_EQ(progress.Start(300000000u), 1);
    EXPECT_EQ(progress.Callback(200000000u), 1);

    EXPECT_EQ(ui.dialogs[0]->positions, (std::vector<int>{50}));
    EXPECT_EQ(ui.dialogs[1]->positions, (std::vector<int>{25, 100}));
    EXPECT_EQ(ui.dialogs[2]->positions, (std::vector<int>{66}));

    progress.Complete();
    EXPECT_EQ(ui.dialogs[2]->positions.back(), 100);
    EXPECT_EQ(ui.dialogs[2]->destroyed, 1);
    int events = ui.events;
    progress.Complete();  // nothing more to show
    EXPECT_EQ(ui.dialogs[2]->positions.size(), 2u);
    EXPECT_EQ(ui.events, events);
    EXPECT_EQ(progress.UserCanceled(), 0);
}

TEST(CProgressCallback, CancelClosesTheDialogAtTheNextStep)
{
    FakeUi ui;
    ui.cancelAfter = 1;  // pressed after the bar first moved
    CProgressCallback progress("保存中", 1, nullptr);
    ASSERT_EQ(progress.Start(100), 1);
    EXPECT_EQ(ui.dialogs[0]->showCancel, 1);
    EXPECT_EQ(progress.Callback(10), 0);
    EXPECT_EQ(ui.dialogs[0]->destroyed, 1);
    EXPECT_EQ(ui.dialogs[0]->positions, (std::vector<int>{10, 100}));
    EXPECT_EQ(progress.UserCanceled(), 1);
    // The run goes on without a dialog.
    EXPECT_EQ(progress.Callback(10), 1);
    EXPECT_EQ(progress.UserCanceled(), 1);

    ASSERT_EQ(progress.Start(100), 1);
    EXPECT_EQ(progress.UserCanceled(), 0);
}

TEST(CProgressCallback, DialogThatCannotBeMadeAndDestructor)
{
    FakeUi ui;
    ui.failCreate = true;
    {
        CProgressCallback progress("削除中", 0, nullptr);
        EXPECT_EQ(progress.Start(100), 0);
        EXPECT_EQ(progress.Callback(100), 1);
    }
    ui.failCreate = false;
    {
        CProgressCallback progress("削除中", 0, nullptr);
        ASSERT_EQ(progress.Start(100), 1);
    }
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0]->destroyed, 1);
}
