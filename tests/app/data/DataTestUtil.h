#pragma once
// Shared helpers of the data-store tests: a fresh application-data folder per test, the
// kit's scripted message boxes, and the sqlite3 command as an independent reader.

#include "data/CDataStore.h"
#include "MessageBoxScript.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace datatest {

namespace fs = std::filesystem;

// Points XDG_DATA_HOME at an empty folder of its own for each test and records the message
// boxes.
class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The folder the test runner gave, read once: each test then moves XDG_DATA_HOME.
        static const fs::path root = [] {
            const char* base = std::getenv("XDG_DATA_HOME");
            return base ? fs::path(base) : fs::temp_directory_path() / "quillon-data-test";
        }();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        appData = root / (std::string(info->test_suite_name()) + "." + info->name());
        fs::remove_all(appData);
        fs::create_directories(appData);
        setenv("XDG_DATA_HOME", appData.c_str(), 1);
    }

    fs::path DataFolder() const { return appData / "Velto" / "Quillon"; }
    void CreateAll() { ASSERT_TRUE(theDataStore.CreateDatabases()); }

    fs::path appData;
    MessageBoxScript messages;
};

// The permission bits of a file; 0 when it does not exist.
inline unsigned Mode(const fs::path& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool HaveSqliteCommand()
{
    return std::system("command -v sqlite3 >/dev/null 2>&1") == 0;
}

// Runs `sql` on the file with the sqlite3 command and returns what it prints.
inline std::string Sqlite(const fs::path& file, const std::string& sql)
{
    std::string command = "sqlite3 -batch '" + file.string() + "' \"" + sql + "\" 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "<popen failed>";
    std::array<char, 4096> buffer{};
    std::size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
    pclose(pipe);
    return output;
}

#define SKIP_WITHOUT_SQLITE_COMMAND()                                               \
    if (!datatest::HaveSqliteCommand()) GTEST_SKIP() << "the sqlite3 command is not installed"

}  // namespace datatest
