// Verifies start-up and shutdown of the application object in-process (offscreen): the
// wizard on its first page at the stored position, the designed shutdown order saving the
// position, a data folder under ".../café/" (a path code page 932 cannot hold) used like any
// other, and a data folder that cannot be made ending the start with a message instead of a
// crash (a database that cannot be made: the data store's own tests). A start with a mailto
// link and files: the first page shows the link's fields, the command line's files are
// attached, and the files a link names wait for the user's yes (No is the default).
#include "MessageBoxScript.h"
#include "QtTestApp.h"
#include "TempDataFolder.h"

#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CQuillonApp.h"
#include "shell/CWizardPage.h"
#include "data/CDataStore.h"
#include "data/CWindowPosSet.h"
#include "model/CMailDoc.h"
#include "model/CPlatformUi.h"

#include <QApplication>
#include <QLineEdit>
#include <QDate>
#include <QLocale>
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
        // And what it lacks, with Japanese formats whatever the system's locale (the file
        // dialogs' type and date columns).
        EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), u"フォルダ"_s);
        EXPECT_EQ(QLocale().language(), QLocale::Japanese);
        EXPECT_EQ(QLocale().toString(QDate(2026, 12, 9), QLocale::ShortFormat), u"2026/12/09"_s);
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

TEST(Startup, AMailtoLinkAndFilesFillTheNewMessage)
{
    TempDataFolder home;
    const auto files = home.Root() / "files";
    std::filesystem::create_directories(files);
    std::ofstream(files / "given.txt") << "given";
    std::ofstream(files / "linked.txt") << "linked";
    const std::string link = "mailto:taro@example.jp?subject=%E4%BC%9A%E8%AD%B0&body=Hello&attach=" +
                             (files / "linked.txt").string();
    const std::vector<std::string> arguments = {link, "given.txt", "missing.txt"};

    for (const int answer : {IDNO, IDYES}) {
        // The run before ended without sending, so it left a draft; this start is a new message.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Root()))
            if (entry.is_directory() && entry.path().filename() == "Drafts") {
                std::filesystem::remove_all(entry.path());
                break;
            }
        MessageBoxScript boxes;
        boxes.Answer({IDOK, answer});
        CQuillonApp app;
        app.SetStartArguments(arguments, CPath::FromNative(files.string()));
        ASSERT_EQ(app.InitInstance(), 1);
        CWizardPage* page = app.GetWizard()->GetCurrentPage();
        ASSERT_NE(page, nullptr);
        // The page on screen shows the link's subject; the title follows it.
        EXPECT_EQ(page->GetSubjectEdit()->text(), u"会議"_s);
        EXPECT_EQ(app.GetMainDlg()->windowTitle(), u"会議"_s);

        // First what could not be used, then the question about the link's file.
        std::string shown;
        for (const auto& box : boxes.boxes)
            shown += box.text.Str() + "\n";
        ASSERT_EQ(boxes.boxes.size(), 2u + (CQuillonApp::HasLetterFont() ? 0u : 1u)) << shown;
        const auto& problem = boxes.boxes[boxes.boxes.size() - 2];
        EXPECT_EQ(problem.text.Str(), "ファイル「" + (files / "missing.txt").string() + "」は添付できません（見つかりません）。");
        EXPECT_EQ(problem.type & MB_ICONMASK, static_cast<unsigned int>(MB_ICONEXCLAMATION));
        const auto& question = boxes.boxes.back();
        EXPECT_EQ(question.caption.Str(), "確認");
        EXPECT_NE(question.text.Str().find((files / "linked.txt").string()), std::string::npos);
        EXPECT_EQ(question.type & (MB_YESNO | MB_DEFBUTTON2), static_cast<unsigned int>(MB_YESNO | MB_DEFBUTTON2));

        CMailDoc::FileList attached;
        app.GetDocument()->GetFiles(attached);
        std::vector<std::string> paths;
        for (const auto& info : attached) paths.push_back(info.path.Native());
        if (answer == IDNO)
            EXPECT_EQ(paths, std::vector<std::string>{(files / "given.txt").string()});
        else
            EXPECT_EQ(paths, (std::vector<std::string>{(files / "given.txt").string(), (files / "linked.txt").string()}));
        ASSERT_EQ(app.GetDocument()->GetToAddressSize(), 1u);
        EXPECT_EQ(app.GetDocument()->GetToAddress(0)->GetMailAddress().Str(), "taro@example.jp");
        EXPECT_TRUE(app.GetDocument()->IsModified());
        EXPECT_EQ(app.ExitInstance(), 0);
    }
}
