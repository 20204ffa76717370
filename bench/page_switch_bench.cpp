// A page switch as the user makes it: Next from the Body page (HasError, StoreToDocument,
// which exports the body when it changed, then the Letter page shown) and Back again.
// Measured with an empty body and with a body of 2,000 paragraphs (about 10,000 display
// lines), offscreen; target at most 50 ms a switch. The body is typed into the page's editor
// (CBodyPage::GetEditor), so the benchmark follows whatever the Body page becomes.
#include "pages/CBodyPage.h"
#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CShellToolWindows.h"
#include "command/CProfile.h"
#include "command/CommandIds.h"
#include "data/CDataStore.h"
#include "letter/CEditLetter.h"
#include "model/CMailDoc.h"

#include <QApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

struct Program {
    Program()
    {
        const auto home = std::filesystem::temp_directory_path() / ("quillon-page-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(home);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        folder = home;
        if (!theDataStore.CreateDatabases()) std::abort();
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

void FillBody(CEditLetter* edit, int paragraphs)
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

void BM_PageSwitch(benchmark::State& state)
{
    Program program;
    auto* body = dynamic_cast<CBodyPage*>(program.wizard->GetPageAt(0));
    if (body == nullptr) {
        state.SkipWithError("the first page is not the Body page");
        return;
    }
    FillBody(body->GetEditor(), static_cast<int>(state.range(0)));
    QCoreApplication::processEvents();
    for (auto _ : state) {
        // A change since the last visit, so that leaving exports the body again.
        body->GetEditor()->document()->setModified(true);
        body->OnCommand(ID_NEXT_PAGE);
        QCoreApplication::processEvents();
        program.wizard->GetCurrentPage()->OnCommand(ID_PREV_PAGE);
        QCoreApplication::processEvents();
    }
    state.SetLabel("Next + Back, both stored and shown");
}
BENCHMARK(BM_PageSwitch)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
