// Parsing a large message with its attachments written: 10 MB and 50 MB (time should grow in
// proportion), peak memory against the message size, and Python's email package on the same
// file for comparison (message_from_bytes with every part decoded). Also 1,000 and 4,000
// parts with one file name: unique names must cost linear time (4,000 once took 50 s).
#include "model/CMailDoc.h"
#include "parser/CEMailPerser.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Base64Lines(const std::string& data, std::string& out)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t column = 0;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size()) v |= static_cast<unsigned char>(data[i + 2]);
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += i + 1 < data.size() ? table[(v >> 6) & 63] : '=';
        out += i + 2 < data.size() ? table[v & 63] : '=';
        if ((column += 4) == 76) {
            out += "\r\n";
            column = 0;
        }
    }
    out += "\r\n";
}

// A Japanese letter (ISO-2022-JP in Base64, about a tenth of the size) and five binary
// attachments, CR LF throughout.
std::string MakeMessage(std::size_t size)
{
    std::string jis;
    std::mt19937 random(42);
    while (jis.size() < size / 10 * 3 / 4) {
        jis += "\x1b$B";
        for (int i = 0; i < 30; ++i) {
            jis += static_cast<char>(0x30 + random() % 0x20);
            jis += static_cast<char>(0x21 + random() % 0x5E);
        }
        jis += "\x1b(B\r\n";
    }
    std::string text =
        "From: =?iso-2022-jp?B?GyRCRnxLXBsoQg==?= <from@example.jp>\r\n"
        "To: to@example.jp\r\n"
        "Subject: =?iso-2022-jp?B?GyRCN29MPiRHJDkbKEI=?=\r\n"
        "Date: Tue, 1 Dec 2026 10:00:00 +0900\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"bench-boundary\"\r\n\r\n"
        "--bench-boundary\r\n"
        "Content-Type: text/plain; charset=iso-2022-jp\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    text.reserve(size + size / 8);
    Base64Lines(jis, text);
    std::size_t each = (size - text.size()) / 5 * 3 / 4;
    for (int n = 0; n < 5; ++n) {
        std::string data(each, '\0');
        for (char& c : data) c = static_cast<char>(random());
        text += "--bench-boundary\r\nContent-Type: application/octet-stream; name=\"file" +
                std::to_string(n) + ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        Base64Lines(data, text);
    }
    text += "--bench-boundary--\r\n";
    return text;
}

struct Scratch {
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "parser-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) folder = pattern;
    }
    ~Scratch() { fs::remove_all(folder); }
    void Empty()
    {
        for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());
    }
    fs::path folder;
};

std::size_t Megabytes(const benchmark::State& state)
{
    return static_cast<std::size_t>(state.range(0)) << 20;
}

void BM_Perse(benchmark::State& state)
{
    CString message(MakeMessage(Megabytes(state)));
    Scratch scratch;
    for (auto _ : state) {
        CMailDoc doc;
        CEMailPerser parser;
        if (!parser.Perse(message, CPath::FromNative(scratch.folder.string()), doc, 0)) state.SkipWithError("parse failed");
        state.PauseTiming();
        scratch.Empty();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * message.GetLength());
}
BENCHMARK(BM_Perse)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PerseSameNames(benchmark::State& state)
{
    std::string text = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=s\r\n\r\n";
    for (std::int64_t i = 0; i < state.range(0); ++i)
        text += "--s\r\nContent-Type: application/octet-stream; name=a\r\n\r\nx\r\n";
    text += "--s--\r\n";
    CString message(std::move(text));
    Scratch scratch;
    for (auto _ : state) {
        CMailDoc doc;
        CEMailPerser parser;
        if (!parser.Perse(message, CPath::FromNative(scratch.folder.string()), doc, 0)) state.SkipWithError("parse failed");
        state.PauseTiming();
        scratch.Empty();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_PerseSameNames)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(3);

long StatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    }
    return -1;
}

// Peak memory of reading a message file and parsing it, in a child process of its own, as a
// multiple of the message size.
void BM_PersePeakMemory(benchmark::State& state)
{
    Scratch scratch;
    fs::path file = scratch.folder / "message.eml";
    std::ofstream(file, std::ios::binary) << MakeMessage(Megabytes(state));
    fs::path out = scratch.folder / "out";
    fs::create_directory(out);
    double ratio = 0;
    for (auto _ : state) {
        int pipeFd[2];
        if (pipe(pipeFd) != 0) return state.SkipWithError("pipe");
        pid_t child = fork();
        if (child == 0) {
            long before = StatusKb("VmRSS:");
            std::ifstream in(file, std::ios::binary);
            CString message(std::string(std::istreambuf_iterator<char>(in), {}));
            CMailDoc doc;
            CEMailPerser parser;
            int ok = parser.Perse(message, CPath::FromNative(out.string()), doc, 0);
            double peak = ok ? static_cast<double>(StatusKb("VmHWM:") - before) * 1024 /
                                   static_cast<double>(message.GetLength())
                             : -1;
            (void)!write(pipeFd[1], &peak, sizeof peak);
            _exit(0);
        }
        close(pipeFd[1]);
        if (read(pipeFd[0], &ratio, sizeof ratio) != sizeof ratio) ratio = -1;
        close(pipeFd[0]);
        waitpid(child, nullptr, 0);
    }
    if (ratio < 0) state.SkipWithError("child failed");
    state.counters["peak_per_message_size"] = ratio;
}
BENCHMARK(BM_PersePeakMemory)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1);

// Python's email package on the same message, timed inside Python (start-up excluded).
void BM_PythonEmail(benchmark::State& state)
{
    Scratch scratch;
    fs::path file = scratch.folder / "message.eml";
    std::ofstream(file, std::ios::binary) << MakeMessage(Megabytes(state));
    std::string command =
        "python3 -c 'import sys, time, email\n"
        "data = open(sys.argv[1], \"rb\").read()\n"
        "start = time.perf_counter()\n"
        "msg = email.message_from_bytes(data)\n"
        "for part in msg.walk():\n"
        "    part.get_payload(decode=True)\n"
        "print(time.perf_counter() - start)' " + file.string();
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        double seconds = -1;
        if (!pipe || std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
        if (pipe) pclose(pipe);
        if (seconds < 0) return state.SkipWithError("python3 failed");
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_PythonEmail)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
