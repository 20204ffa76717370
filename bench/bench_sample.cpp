// Writes the benchmarks' data to files: sample.bin (random bytes), sample.b64 (its Base64 in
// 76-character lines with LF, as coreutils writes and reads it) and sample.sjis (Japanese
// Shift_JIS text).
#include "SampleData.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_sample FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::string binary = sample::Binary();
    std::ofstream(folder + "/sample.bin", std::ios::binary) << binary;
    std::ofstream(folder + "/sample.b64", std::ios::binary) << sample::Base64Lines(binary, "\n");
    std::ofstream(folder + "/sample.sjis", std::ios::binary) << sample::JapaneseText();
    return 0;
}
