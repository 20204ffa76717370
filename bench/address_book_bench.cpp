// The address book with 10,000 persons and 200 groups of 50 members, in the running wizard
// (offscreen): opening the address book window (made anew, the tables read, the list shown),
// a search with "実行" (a rare word and one every person holds), and the completion of a
// recipient entry for one keystroke. Targets: at most 300 ms to open, 50 ms a search, 20 ms
// a keystroke.
#include "BenchProgram.h"
#include "addressbook/CAddressBook.h"
#include "addressbook/CAddressBookDlg.h"
#include "addressbook/CBookLists.h"
#include "command/CProfile.h"
#include "command/QtWindow.h"
#include "data/CDataStore.h"
#include "data/CDatabase.h"
#include "model/CMailDoc.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CShellToolWindows.h"
#include "shell/CWizardPage.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPersons = 10000;
constexpr int kGroups = 200;
constexpr int kMembers = 50;

// One data folder with the filled book for the whole run, and the program on it.
struct AddressProgram : Program {
    AddressProgram() : Program(&Fill)
    {
        page = wizard->GetPage("Address");
        if (page == nullptr) std::abort();
    }
    // The persons in one transaction (as a CSV import of that size would be slow to wait
    // for), the groups through the book as the window makes them.
    static void Fill()
    {
        static const char* const kFamily[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村"};
        static const char* const kDomains[] = {"example.co.jp", "example.com", "mail.example.jp", "example.org"};
        {
            CDatabase db;
            db.Open(theDataStore.GetAddressDbPath());
            db.BeginTrans();
            for (int i = 0; i < kPersons; ++i) {
                CString name, address;
                if (i % 10 != 0)  // some persons have no display name
                    name.Format("%s 太郎%d", kFamily[i % 8], i);
                address.Format("user%d@%s", i, kDomains[i % 4]);
                db.Execute("INSERT INTO \"PERSON\" (\"DISPLAY_NAME\", \"MAIL_ADDRESS\", \"REF_COUNT\") VALUES (?, ?, ?)",
                           {name.IsEmpty() ? CDbValue(CDbNull{}) : CDbValue(name), CDbValue(address), CDbValue(std::int64_t(i % 7))});
            }
            db.CommitTrans();
        }
        CAddressBook book;
        if (!book.Load().empty()) std::abort();
        const std::vector<long> ids = book.AllPersonIds();
        for (int g = 0; g < kGroups; ++g) {
            CString name;
            name.Format("グループ%03d", g);
            long id = 0;
            if (book.AddGroup(name, id) != CAddressBook::Ok) std::abort();
            CIdArray members;
            for (int m = 0; m < kMembers; ++m)
                members.push_back(ids[static_cast<std::size_t>((g * kMembers + m * 7) % kPersons)]);
            if (book.AddMembers(id, members) != CAddressBook::Ok) std::abort();
        }
    }
    CShellToolWindows* Tools() const { return dynamic_cast<CShellToolWindows*>(theDataStore.GetToolWindows()); }

    CWizardPage* page = nullptr;
};

AddressProgram& TheProgram()
{
    static AddressProgram program;
    return program;
}

// Both tables read into the book in memory, without a window.
void BM_LoadBook(benchmark::State& state)
{
    TheProgram();
    CAddressBook book;
    for (auto _ : state)
        if (!book.Load().empty()) state.SkipWithError("a table cannot be read");
}
BENCHMARK(BM_LoadBook)->Unit(benchmark::kMillisecond)->Iterations(10);

// The first request of a program: the window made, both tables read, the list painted.
void BM_OpenAddressBook(benchmark::State& state)
{
    AddressProgram& program = TheProgram();
    for (auto _ : state) {
        state.PauseTiming();
        theDataStore.SetToolWindows(std::make_unique<CShellToolWindows>());
        QCoreApplication::processEvents();
        state.ResumeTiming();
        program.Tools()->OpenAddressBook(ToCWnd(program.page), 0);
        QCoreApplication::processEvents();
        if (program.Tools()->GetAddressBookDlg()->GetPersonList()->GetRowCount() != kPersons)
            state.SkipWithError("the book does not show every person");
    }
    state.SetLabel("10,000 persons, 200 groups");
}
BENCHMARK(BM_OpenAddressBook)->Unit(benchmark::kMillisecond)->Iterations(10);

// "実行" on all persons: `range(0)` 0 a word few persons hold, 1 a word every person holds.
void BM_Search(benchmark::State& state)
{
    AddressProgram& program = TheProgram();
    program.Tools()->OpenAddressBook(ToCWnd(program.page), 0);
    CAddressBookDlg* dlg = program.Tools()->GetAddressBookDlg();
    dlg->SetMode(CAddressBookDlg::ShowAll);
    const QString word = state.range(0) == 0 ? QStringLiteral(u"太郎123") : QStringLiteral(u"EXAMPLE");
    for (auto _ : state) {
        dlg->GetSearchEdit()->setText(word);
        dlg->RunSearch();
        QCoreApplication::processEvents();
        state.PauseTiming();
        dlg->SetMode(CAddressBookDlg::ShowAll);  // the whole list again
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel(state.range(0) == 0 ? "a few found" : "all 10,000 found");
}
BENCHMARK(BM_Search)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

// One keystroke in the To entry: the suggestions ranked and the popup shown.
void BM_CompletionKeystroke(benchmark::State& state)
{
    AddressProgram& program = TheProgram();
    auto* panel = program.page->findChild<CAddressPanel*>();
    if (panel == nullptr) {
        state.SkipWithError("the Address page has no address panel");
        return;
    }
    CRecipientEntry* entry = panel->GetEntry(0);
    static const char16_t* const kTyped[] = {u"u", u"us", u"use", u"user", u"user1", u"user12", u"山", u"山田", u"太郎4"};
    std::size_t next = 0;
    for (auto _ : state) {
        const QString text = QString::fromUtf16(kTyped[next++ % std::size(kTyped)]);
        entry->setText(text);
        entry->Suggest(text);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_CompletionKeystroke)->Unit(benchmark::kMillisecond)->Iterations(90);

}  // namespace
