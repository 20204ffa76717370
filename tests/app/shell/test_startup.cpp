// Verifies start-up and shutdown of the application object in-process (offscreen): the
// wizard on its first page at the stored position, the designed shutdown order saving the
// position, a data folder under ".../café/" (a path code page 932 cannot hold) used like any
// other, and a data folder that cannot be made ending the start with a message instead of a
// crash (a database that cannot be made: the data store's own tests).
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

TEST(Startup, ADataFolderUnderCafeStartsTheProgram)
{
    TempDataFolder home;
    MessageBoxScript boxes;
    const auto cafe = home.Root() / "caf\xC3\xA9" / "share";
    setenv("XDG_DATA_HOME", cafe.c_str(), 1);
    {
        CQuillonApp app;
        ASSERT_EQ(app.InitInstance(), 1);
        ASSERT_NE(app.GetWizard()->GetCurrentPage(), nullptr);
        EXPECT_TRUE(app.GetWizard()->GetCurrentPage()->isVisible());
        EXPECT_EQ(theDataStore.GetDataFolder(), CPath::FromNative((cafe / "Velto" / "Quillon").string()));
        app.GetWizard()->GetCurrentPage()->move(40, 0);
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    for (const char* name : {"Config.mdb", "Account.mdb", "Address.mdb", "Template.mdb"})
        EXPECT_TRUE(std::filesystem::exists(cafe / "Velto" / "Quillon" / name)) << name;
    // The position went into the database in that folder.
    CWindowPosSet position;
    ASSERT_TRUE(position.Open());
    EXPECT_EQ(position.wizardPosX, 40);
    for (const auto& box : boxes.boxes)
        EXPECT_EQ(box.text.Find("データベース"), -1) << box.text.Str();
}
