// The address import as the user runs it, from the chosen file to the counts: 10,000 lines of
// CSV and 10,000 vCards, each into a book that already holds 10,000 other persons, with the
// progress dialog shown and pumped (offscreen). Target: at most 3 s for each.
#include "addressbook/CAddressImport.h"
#include "command/CQtPlatformUi.h"
#include "command/QtWindow.h"
#include "data/CDataStore.h"
#include "data/CPersonSet.h"

#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kBookSize = 10000;
constexpr int kImportSize = 10000;

// The Qt user interface with the counts box answered at once.
class QuietUi : public CQtPlatformUi {
public:
    int MessageBox(CWnd*, const CString&, const CString&, unsigned int) override { return IDOK; }
};

class ChosenFile : public CFileDialog {
public:
    explicit ChosenFile(fs::path path) : path_(std::move(path)) {}
    int DoModal() override { return IDOK; }
    CPath GetPathName() const override { return CPath::FromNative(path_.string()); }

private:
    fs::path path_;
};

// A data folder holding a book of 10,000 persons, removed again afterwards.
class BookFolder {
public:
    BookFolder()
    {
        root_ = fs::temp_directory_path() / ("quillon-import-bench-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        setenv("XDG_DATA_HOME", root_.c_str(), 1);
        if (!theDataStore.CreateDatabases()) std::abort();
        CPersonSet persons;
        if (!persons.Open()) std::abort();
        for (int i = 0; i < kBookSize; ++i) {
            CString name, address;
            name.Format("既存 %d", i);
            address.Format("old%d@example.co.jp", i);
            long id = 0;
            if (!persons.Add(name.GetString(), address.GetString(), id)) std::abort();
        }
    }
    ~BookFolder() { fs::remove_all(root_); }
    fs::path Root() const { return root_; }

private:
    fs::path root_;
};

// UTF-8 bytes of a u8"" literal (narrow literals are code page 932 here).
std::string U8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

// 10,000 persons as Outlook Express writes them (code page 932) or as vCard 3.0 (UTF-8).
std::string CsvFile()
{
    std::string text = "表示名,電子メール アドレス\r\n";
    for (int i = 0; i < kImportSize; ++i)
        text += "山田 太郎" + std::to_string(i) + ",new" + std::to_string(i) + "@example.co.jp\r\n";
    return text;
}

std::string VCardFile()
{
    std::string text;
    for (int i = 0; i < kImportSize; ++i) {
        const std::string n = std::to_string(i);
        text += U8(u8"BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎") + n + U8(u8";;;\r\nFN:山田 太郎") + n +
                "\r\nEMAIL;TYPE=INTERNET:card" + n + "@example.co.jp\r\nEND:VCARD\r\n";
    }
    return text;
}

void RunImport(benchmark::State& state, const std::string& fileName, const std::string& bytes)
{
    QuietUi ui;
    CPlatformUi::Set(&ui);
    QWidget owner;
    owner.show();
    std::optional<BookFolder> folder;
    for (auto _ : state) {
        state.PauseTiming();
        folder.reset();
        folder.emplace();
        const fs::path file = folder->Root() / fileName;
        std::ofstream(file, std::ios::binary) << bytes;
        ChosenFile dialog(file);
        CImportCounts counts;
        state.ResumeTiming();
        if (CAddressImport::Run(ToCWnd(&owner), dialog, &counts) != CAddressImport::Imported ||
            counts.registered != kImportSize) {
            state.SkipWithError("the import did not register every person");
            break;
        }
    }
    CPlatformUi::Set(nullptr);
    state.SetItemsProcessed(state.iterations() * kImportSize);
}

void BM_ImportCsvIntoBookOf10000(benchmark::State& state)
{
    RunImport(state, "outlook.csv", CsvFile());
}
BENCHMARK(BM_ImportCsvIntoBookOf10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ImportVCardsIntoBookOf10000(benchmark::State& state)
{
    RunImport(state, "contacts.vcf", VCardFile());
}
BENCHMARK(BM_ImportVCardsIntoBookOf10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
