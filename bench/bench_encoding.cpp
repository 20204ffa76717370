// Throughput of the text encodings on 100 MB: Base64 encode and decode, Shift_JIS to
// ISO-2022-JP and back.
#include "SampleData.h"

#include "encoding/CBase64.h"
#include "encoding/CLanguage.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::string& Binary()
{
    static const std::string data = sample::Binary();
    return data;
}

const std::string& Japanese()
{
    static const std::string data = sample::JapaneseText();
    return data;
}

void Base64Encode(benchmark::State& state)
{
    const std::string& data = Binary();
    CString out;
    // One run before timing, so that the output's memory has been touched once.
    CBase64::Encode(reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned>(data.size()), out);
    for (auto _ : state) {
        out.Empty();
        CBase64::Encode(reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<unsigned>(data.size()), out);
        benchmark::DoNotOptimize(out.Str().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

// A fresh output string each time: the cost of the first touch of its memory included.
void Base64EncodeFreshOutput(benchmark::State& state)
{
    const std::string& data = Binary();
    for (auto _ : state) {
        CString out;
        CBase64::Encode(reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<unsigned>(data.size()), out);
        benchmark::DoNotOptimize(out.Str().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

// Line-broken text as mail carries it; bytes processed are the text read.
void Base64Decode(benchmark::State& state, const char* lineEnd)
{
    const CString text(sample::Base64Lines(Binary(), lineEnd));
    std::vector<unsigned char> buffer(static_cast<std::size_t>(text.GetLength()));
    unsigned length = 0;
    CBase64::Decode(text, buffer.data(), static_cast<unsigned>(buffer.size()), length);
    for (auto _ : state) {
        CBase64::Decode(text, buffer.data(), static_cast<unsigned>(buffer.size()), length);
        benchmark::DoNotOptimize(buffer.data());
    }
    if (length != Binary().size()) state.SkipWithError("decoded length differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.GetLength());
}

void SjisToJis(benchmark::State& state)
{
    const std::string& text = Japanese();
    CString out;
    CLanguage::SJIS_JIS(text.data(), static_cast<unsigned>(text.size()), out);
    for (auto _ : state) {
        out.Empty();
        CLanguage::SJIS_JIS(text.data(), static_cast<unsigned>(text.size()), out);
        benchmark::DoNotOptimize(out.Str().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void JisToSjis(benchmark::State& state)
{
    CString jis;
    CLanguage::SJIS_JIS(Japanese().data(), static_cast<unsigned>(Japanese().size()), jis);
    CString out;
    CLanguage::JIS_SJIS(jis.GetString(), static_cast<unsigned>(jis.GetLength()), out);
    for (auto _ : state) {
        CLanguage::JIS_SJIS(jis.GetString(), static_cast<unsigned>(jis.GetLength()), out);
        benchmark::DoNotOptimize(out.Str().data());
    }
    if (out.Str() != Japanese()) state.SkipWithError("round trip differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * jis.GetLength()));
}

}  // namespace

BENCHMARK(Base64Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(Base64EncodeFreshOutput)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Base64Decode, crlf_lines, "\r\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Base64Decode, lf_lines, "\n")->Unit(benchmark::kMillisecond);
BENCHMARK(SjisToJis)->Unit(benchmark::kMillisecond);
BENCHMARK(JisToSjis)->Unit(benchmark::kMillisecond);
