// Speed of the address book as the CSV import uses it: 10,000 persons added one by one
// (look up by name and address, then add), and 1,000 look-ups in a book of 10,000.
// Targets on the development machine: at most 5 s for the import, 0.5 s for the look-ups.

#include "data/CDataStore.h"
#include "data/CPersonSet.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr int kBookSize = 10000;
constexpr int kLookups = 1000;

// A fresh data folder under /tmp, removed again when the benchmark ends.
class ScratchDataFolder {
public:
    ScratchDataFolder()
    {
        char pattern[] = "/tmp/quillon-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        path_ = pattern;
        setenv("XDG_DATA_HOME", path_.c_str(), 1);
        if (!theDataStore.CreateDatabases()) std::abort();
    }
    ~ScratchDataFolder() { (void)!std::system(("rm -rf '" + path_ + "'").c_str()); }

private:
    std::string path_;
};

CString Name(int i)
{
    CString name;
    if (i % 10 == 0) return name;  // some persons have no display name
    name.Format("山田 太郎%d", i);
    return name;
}

CString Address(int i)
{
    CString address;
    address.Format("user%d@example.co.jp", i);
    return address;
}

// What the import does for each line of the file.
void ImportOne(CPersonSet& persons, int i)
{
    CString name = Name(i), address = Address(i);
    if (persons.FindByNameAndAddress(name.GetString(), address.GetString())) return;
    long id = 0;
    if (!persons.Add(name.GetString(), address.GetString(), id)) std::abort();
}

void BM_ImportPersonsOneByOne(benchmark::State& state)
{
    std::optional<ScratchDataFolder> folder;
    std::optional<CPersonSet> persons;
    for (auto _ : state) {
        state.PauseTiming();
        persons.reset();
        folder.reset();
        folder.emplace();
        persons.emplace();
        if (!persons->Open()) std::abort();
        state.ResumeTiming();
        for (int i = 0; i < kBookSize; ++i) ImportOne(*persons, i);
    }
    state.SetItemsProcessed(state.iterations() * kBookSize);
}
BENCHMARK(BM_ImportPersonsOneByOne)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_FindByNameAndAddressInBookOf10000(benchmark::State& state)
{
    ScratchDataFolder folder;
    CPersonSet persons;
    if (!persons.Open()) std::abort();
    persons.GetDatabase().BeginTrans();
    for (int i = 0; i < kBookSize; ++i) ImportOne(persons, i);
    persons.GetDatabase().CommitTrans();

    int found = 0;
    for (auto _ : state) {
        for (int n = 0; n < kLookups; ++n) {
            // Spread over the whole book; every tenth look-up misses.
            int i = (n * 7919) % kBookSize;
            CString name = Name(i), address = Address(n % 10 == 9 ? kBookSize + n : i);
            found += persons.FindByNameAndAddress(name.GetString(), address.GetString());
        }
    }
    if (found != static_cast<int>(state.iterations()) * (kLookups - kLookups / 10)) std::abort();
    state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_FindByNameAndAddressInBookOf10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
