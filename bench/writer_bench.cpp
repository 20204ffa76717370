// Writing a message with one big attachment into a file: attachment bytes per second, and
// the process's peak resident memory, which must not grow with the attachment's size.
#include "model/CMailDoc.h"
#include "smtp/CProgressCallback.h"
#include "writer/CEMailWriter.h"
#include "writer/CFileOutStream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kFolder = QUILLON_BENCH_DIR;

// Incompressible-looking bytes, written a megabyte at a time.
bool MakeFile(const std::string& path, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::vector<unsigned char> block(1 << 20);
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    bool ok = true;
    for (std::size_t done = 0; done < size && ok; done += block.size()) {
        for (unsigned char& b : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            b = static_cast<unsigned char>(state);
        }
        std::size_t n = std::min(block.size(), size - done);
        ok = std::fwrite(block.data(), 1, n, f) == n;
    }
    return std::fclose(f) == 0 && ok;
}

double PeakRssMegabytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Takes the text and throws it away: the writer's own cost, without the file system's.
class CNullStream : public COutputStream {
public:
    int Open() override { return 1; }
    void Close() override {}
    int WriteString(const char* text) override
    {
        written += std::strlen(text);
        return 1;
    }
    std::size_t written = 0;
};

// Writes a message with one attachment of state.range(0) megabytes, into a file in the
// build folder (toFile) or into a stream that discards it.
void WriteMessage(benchmark::State& state, bool toFile)
{
    const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string attachment = kFolder + "/bench-attachment-" + std::to_string(state.range(0));
    const std::string output = kFolder + "/bench-message.eml";
    if (!MakeFile(attachment, size)) {
        state.SkipWithError("cannot create the attachment file");
        return;
    }

    CMailDoc doc;
    doc.SetFromAddress(CAddress("", "山田 太郎", "taro@example.jp"));
    doc.AddToAddress(CAddress("", "佐藤 花子", "hanako@example.com"));
    doc.SetSubject("大きな添付ファイル");
    doc.SetBody("添付ファイルをお送りします。\r\n");
    doc.SetFiles({{CPath::FromNative(attachment), "attachment"}});

    for (auto _ : state) {
        CFileOutStream file(CPath::FromNative(output));
        CNullStream null;
        COutputStream& stream = toFile ? static_cast<COutputStream&>(file) : null;
        if (!stream.Open()) {
            state.SkipWithError("cannot create the message file");
            break;
        }
        CProgressCallback progress("", 0, nullptr);
        progress.Start(doc.GetMailSize());
        CEMailWriter writer(&stream, doc, progress);
        CString detail;
        if (!writer.Write(detail)) {
            state.SkipWithError("writing failed");
            break;
        }
        progress.Complete();
        stream.Close();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
    state.counters["peak_rss_MB"] = PeakRssMegabytes();
    std::remove(output.c_str());
    std::remove(attachment.c_str());
}

void BM_WriteMessageToFile(benchmark::State& state)
{
    WriteMessage(state, true);
}

void BM_WriteMessageToNullStream(benchmark::State& state)
{
    WriteMessage(state, false);
}

}  // namespace

BENCHMARK(BM_WriteMessageToFile)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteMessageToNullStream)
    ->Arg(20)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
