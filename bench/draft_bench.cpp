// Writing the draft of a message as the program does it (CDraftKeeper::SaveNow: the Body
// page stores itself, the document and the editor's RTF are serialised, the file is written,
// synced and renamed): a body of 2,000 paragraphs with 20 attachments, referenced by path.
// The draft's size is reported as the counter "draft_bytes". Target: well under the 0.7 s
// pause after which a draft is written, so that nothing older than 3 s is lost.
#include "pages/CBodyPage.h"
#include "shell/CDraftKeeper.h"
#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CShellToolWindows.h"
#include "command/CProfile.h"
#include "data/CDataStore.h"
#include "letter/CEditLetter.h"
#include "model/CMailDoc.h"

#include <QCoreApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

void BM_DraftSave(benchmark::State& state)
{
    const auto home = std::filesystem::temp_directory_path() / ("quillon-draft-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home / "files");
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    if (!theDataStore.CreateDatabases()) std::abort();
    theDataStore.SetToolWindows(std::make_unique<CShellToolWindows>());
    {
        std::unique_ptr<CMailDoc> doc(CMailDoc::Create());
        auto main = std::make_unique<CMainDlg>();
        auto wizard = CMailWizard::Create(doc.get(), main.get());
        wizard->quit = [](int) {};
        CDraftKeeper keeper(doc.get(), wizard.get(), theDataStore.GetDataFolder());
        if (!keeper.Open()) std::abort();
        wizard->Start();
        auto* body = dynamic_cast<CBodyPage*>(wizard->GetPageAt(0));
        CEditLetter* edit = body->GetEditor();
        QTextCursor cursor = edit->textCursor();
        for (int i = 0; i < state.range(0); ++i)
            cursor.insertText(QStringLiteral(u"第%1段落　いつもお世話になっております。先日ご依頼いただいた見積書の件ですが、"
                                             u"The quote for order No. %2 is attached; ご確認ください。\n")
                                  .arg(i)
                                  .arg(10000 + i));
        CMailDoc::FileList files;
        for (int i = 0; i < 20; ++i) {
            const auto path = home / "files" / ("見積書_" + std::to_string(i) + ".pdf");
            std::ofstream(path) << std::string(100000, 'x');
            files.push_back({CPath::FromNative(path.string()), CString("quote.pdf")});
        }
        doc->SetFiles(files);
        QCoreApplication::processEvents();
        for (auto _ : state) {
            // One more character each time, so that every save writes.
            edit->moveCursor(QTextCursor::End);
            edit->insertPlainText(QStringLiteral(u"あ"));
            if (!keeper.SaveNow()) state.SkipWithError("the draft could not be written");
        }
        struct stat info {};
        stat(keeper.GetStore().GetDraftPath().c_str(), &info);
        state.counters["draft_bytes"] = static_cast<double>(info.st_size);
        state.SetLabel("store, serialise, write, fsync, rename");
        keeper.GetStore().Remove();
    }
    theDataStore.DestroyToolWindows();
    CProfile::Reset();
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_DraftSave)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
