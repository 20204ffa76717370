// Verifies start-up and shutdown of the application object in-process (offscreen): the
// wizard on its first page at the stored position, the designed shutdown order saving the
// position, and a data folder that cannot be made ending the start with a message instead
// of a crash (a database that cannot be made: the data store's own tests).
#include "MessageBoxScript.h"
#include "QtTestApp.h"
#include "TempDataFolder.h"

#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CQuillonApp.h"
#include "shell/CWizardPage.h"
#include "data/CDataStore.h"
#include "data/CWindowPosSet.h"

#include <QApplication>
#include <QTranslator>

#include <filesystem>
#include <fstream>

using namespace Qt::StringLiterals;

TEST(Startup, WizardOnItsFirstPageThenShutdownInOrder)
{
    TempDataFolder home;
    MessageBoxScript boxes;
    {
        CQuillonApp app;
        ASSERT_EQ(app.InitInstance(), 1);
        CWizardPage* first = app.GetWizard()->GetCurrentPage();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(std::string(first->GetPageName()), "Body");
        EXPECT_TRUE(first->isVisible());
        EXPECT_EQ(app.GetMainDlg()->windowTitle(), u"新規メール"_s);
        EXPECT_FALSE(app.GetMainDlg()->isVisible());
        EXPECT_NE(theDataStore.GetToolWindows(), nullptr);
        // Qt's Japanese catalogue is loaded: a standard button reads Japanese.
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"キャンセル"_s);
        first->move(70, 0);
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_EQ(theDataStore.GetToolWindows(), nullptr);
        EXPECT_EQ(app.GetWizard(), nullptr);
    }
    CWindowPosSet position;
    ASSERT_TRUE(position.Open());
    EXPECT_EQ(position.wizardPosX, 70);
    // Without IPAGothic the start says so once; with it (installed here) nothing is said.
    if (CQuillonApp::HasLetterFont())
        EXPECT_TRUE(boxes.boxes.empty());
    else
        EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(Startup, DataFolderThatCannotBeMadeEndsTheStart)
{
    TempDataFolder home;
    MessageBoxScript boxes;
    // The application-data folder is a file: no data folder can be made under it.
    const auto blocker = home.Root() / "not-a-folder";
    std::ofstream(blocker) << "x";
    setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    CQuillonApp app;
    EXPECT_EQ(app.InitInstance(), 0);
    app.ExitInstance();
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().text.Str(), "データフォルダを作成できませんでした。\nXDG_DATA_HOME または HOME を確認してください。");
    EXPECT_EQ(app.GetWizard(), nullptr);
}
