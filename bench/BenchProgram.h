#pragma once
// The program as the page benchmarks need it: a data folder of its own under the temporary
// folder, the databases, the main window and the wizard started on its first page; and a
// body of many paragraphs typed into a letter editor.
#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CShellToolWindows.h"
#include "command/CProfile.h"
#include "data/CDataStore.h"
#include "letter/CEditLetter.h"
#include "model/CMailDoc.h"

#include <QTextCursor>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

struct Program {
    // `fill` writes the databases' contents before the program reads them.
    explicit Program(void (*fill)() = nullptr)
    {
        const auto home = std::filesystem::temp_directory_path() / ("quillon-page-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(home);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        folder = home;
        if (!theDataStore.CreateDatabases()) std::abort();
        if (fill != nullptr)
            fill();
        theDataStore.SetToolWindows(std::make_unique<CShellToolWindows>());
        doc.reset(CMailDoc::Create());
        main = std::make_unique<CMainDlg>();
        wizard = CMailWizard::Create(doc.get(), main.get());
        wizard->quit = [](int) {};
        wizard->Start();
    }
    ~Program()
    {
        wizard.reset();
        main.reset();
        doc.reset();
        theDataStore.DestroyToolWindows();
        CProfile::Reset();
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
    std::unique_ptr<CMailDoc> doc;
    std::unique_ptr<CMainDlg> main;
    std::unique_ptr<CMailWizard> wizard;
};

inline void FillBody(CEditLetter* edit, int paragraphs)
{
    edit->clear();
    edit->SelToNewSentence();
    QTextCursor cursor = edit->textCursor();
    for (int i = 0; i < paragraphs; ++i)
        cursor.insertText(QStringLiteral(u"第%1段落　いつもお世話になっております。先日ご依頼いただいた見積書の件ですが、"
                                         u"The quote for order No. %2 is attached; ご確認ください。\n")
                              .arg(i)
                              .arg(10000 + i));
}

}  // namespace
