#pragma once
// What the parser's tests share: reading a file whole, and a fixture with a scratch folder
// `root` holding the temporary folder `folder` ("TEMP") that attachments are written to.
#include "PrintCString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PerserFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "perser-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        folder = root / "TEMP";
        std::filesystem::create_directory(folder);
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::filesystem::path root;
    std::filesystem::path folder;
};
