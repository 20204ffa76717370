// Replays the fuzz corpus (tests/data/parser/fuzz: what the fuzzer kept, and every input it
// once crashed or hung on) through the fuzz target itself, so that each finding stays fixed.
// Under the sanitizers of the fuzz build a crash here is reported as in fuzzing; in this
// build a crash, a hang (CTest's time-out) or a file left outside the scratch folder fails.
#include "PerserTest.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(PerserFuzzCorpus, EveryInputRunsThroughTheTarget)
{
    std::filesystem::path dir = std::filesystem::path(QUILLON_TEST_DATA) / "fuzz";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::string data = ReadFile(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), 0);
        ++count;
    }
    EXPECT_GE(count, 100u);
}
