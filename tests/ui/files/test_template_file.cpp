// Verifies the numbered template store: file bytes, id choice, line-wise reading and listing.

#include "files/CTemplateFile.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TemplateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* home = std::getenv("XDG_DATA_HOME");
        root_ = fs::path(home ? home : "/tmp") / "template-store"
                / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root_);
        fs::create_directories(root_);
    }

    static void WriteBytes(const fs::path& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string ReadBytes(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Folder() const { return root_.string(); }
    CPath Store(const std::string& folder) const { return CPath::FromNative(folder); }

    fs::path root_;
};

TEST_F(TemplateFileTest, EmptyOrMissingFolderHasNoFirstEntry)
{
    long id = -5;
    CString title("x");
    CTemplateFile missing(Store(Folder() + "/none"));
    EXPECT_EQ(0, missing.ListFirst(id, title));
    EXPECT_EQ(0, missing.ListNext(id, title));

    CTemplateFile empty(Store(Folder()));
    EXPECT_EQ(0, empty.ListFirst(id, title));
    // Files of other names are no entries.
    WriteBytes(root_ / "notes.txt", "t\r\n");
    WriteBytes(root_ / "Tpl1", "t\r\n");
    EXPECT_EQ(0, empty.ListFirst(id, title));
    EXPECT_EQ(1, empty.ListEnd());
}

TEST_F(TemplateFileTest, AddWritesTitleCrLfBodyAndFillsGaps)
{
    WriteBytes(root_ / "tpl1", "one\r\n");
    WriteBytes(root_ / "tpl3", "three\r\n");
    CTemplateFile store(Store(Folder()));

    long id = 0;
    // Title in code page 932 ("挨拶"), body without a final line break.
    ASSERT_EQ(1, store.Add(CString("\x88\xA5\x8E\x41"), CString("{\\rtf1 a}\r\nz"), id));
    EXPECT_EQ(2, id);
    EXPECT_EQ(std::string("\x88\xA5\x8E\x41\r\n{\\rtf1 a}\r\nz"), ReadBytes(root_ / "tpl2"));

    ASSERT_EQ(1, store.Add(CString("four"), CString(), id));
    EXPECT_EQ(4, id);
    EXPECT_EQ("four\r\n", ReadBytes(root_ / "tpl4"));

    EXPECT_EQ(1, store.Delete(1));
    EXPECT_FALSE(fs::exists(root_ / "tpl1"));
    EXPECT_EQ(0, store.Delete(1));
    ASSERT_EQ(1, store.Add(CString("again"), CString("b"), id));
    EXPECT_EQ(1, id);
}

TEST_F(TemplateFileTest, ReadEndsEveryBodyLineWithCrLf)
{
    const std::pair<std::string, std::string> cases[] = {
        {"T\r\na\r\nb", "a\r\nb\r\n"},          // no final break: one is added
        {"T\r\na\r\nb\r\n", "a\r\nb\r\n"},      // a final break is kept, not doubled
        {"T\r\n", ""},                          // no body
        {"T\r\n\r\n\r\n", "\r\n\r\n"},          // empty lines stay
        {"T\nx\ny", "x\r\ny\r\n"},              // bare LF lines come back with CR LF
        {"T\r\n\x95\x5C\r\n", "\x95\x5C\r\n"},  // "表": its 0x5C trail byte is no separator
        {"T", ""},                              // a title without a line end
    };
    CTemplateFile store(Store(Folder()));
    for (const auto& [file, body] : cases) {
        WriteBytes(root_ / "tpl5", file);
        CString title("old");
        CString readBody("old");
        ASSERT_EQ(1, store.Read(5, title, readBody)) << file;
        EXPECT_EQ("T", title.Str()) << file;
        EXPECT_EQ(body, readBody.Str()) << file;
    }

    CString title("x");
    CString body("y");
    EXPECT_EQ(0, store.Read(6, title, body));
    EXPECT_TRUE(title.IsEmpty());
    EXPECT_TRUE(body.IsEmpty());
}

TEST_F(TemplateFileTest, ModifyReplacesTheWholeEntry)
{
    CTemplateFile store(Store(Folder()));
    long id = 0;
    ASSERT_EQ(1, store.Add(CString("long title"), CString(std::string(5000, 'x')), id));
    ASSERT_EQ(1, store.Modify(id, CString("t"), CString("short")));
    EXPECT_EQ("t\r\nshort", ReadBytes(root_ / "tpl1"));
    CString title;
    CString body;
    ASSERT_EQ(1, store.Read(id, title, body));
    EXPECT_EQ("t", title.Str());
    EXPECT_EQ("short\r\n", body.Str());

    // A missing entry is not created by Modify, and no side file is left behind.
    EXPECT_EQ(0, store.Modify(9, CString("t"), CString("b")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(std::vector<std::string>{"tpl1"}, names);
}

TEST_F(TemplateFileTest, ListingFollowsTheDirectoryOrder)
{
    WriteBytes(root_ / "tpl1", "first\r\nbody");
    WriteBytes(root_ / "tpl12", "twelve\r\n");
    WriteBytes(root_ / "tpl3", "three");
    WriteBytes(root_ / "tplx", "no number\r\n");
    WriteBytes(root_ / "readme", "r\r\n");
    fs::create_directory(root_ / "tpl7");

    // The order the file system gives, read independently.
    std::vector<std::pair<long, std::string>> expected;
    const std::pair<std::string, std::pair<long, std::string>> known[] = {
        {"tpl1", {1, "first"}}, {"tpl12", {12, "twelve"}},
        {"tpl3", {3, "three"}}, {"tplx", {0, "no number"}}};
    DIR* dir = opendir(root_.c_str());
    ASSERT_NE(nullptr, dir);
    while (dirent* entry = readdir(dir)) {
        for (const auto& [name, item] : known)
            if (name == entry->d_name) expected.push_back(item);
    }
    closedir(dir);

    CTemplateFile store(Store(Folder()));
    std::vector<std::pair<long, std::string>> listed;
    long id = -1;
    CString title;
    for (int ok = store.ListFirst(id, title); ok; ok = store.ListNext(id, title))
        listed.emplace_back(id, title.Str());
    EXPECT_EQ(expected, listed);
    EXPECT_EQ(0, store.ListNext(id, title));

    // A restarted search begins again; a copy shares the folder but not the search.
    ASSERT_EQ(1, store.ListFirst(id, title));
    EXPECT_EQ(expected.front().first, id);
    CTemplateFile copy(store);
    EXPECT_EQ(0, copy.ListNext(id, title));
    EXPECT_EQ(1, store.ListNext(id, title));
    EXPECT_EQ(expected[1].first, id);
    EXPECT_EQ(1, store.ListEnd());
    EXPECT_EQ(0, store.ListNext(id, title));
}

TEST_F(TemplateFileTest, AFolderUnderCafeIsUsedByItsOwnBytes)
{
    // ".../café/定型文": a folder code page 932 cannot name exactly.
    fs::path utf8Folder = root_ / "caf\xC3\xA9" / fs::path(u8"\u5B9A\u578B\u6587");
    fs::create_directories(utf8Folder);
    CTemplateFile store(Store(utf8Folder.string()));
    long id = 0;
    ASSERT_EQ(1, store.Add(CString("t"), CString("b"), id));
    EXPECT_EQ("t\r\nb", ReadBytes(utf8Folder / "tpl1"));
    CString title;
    ASSERT_EQ(1, store.ListFirst(id, title));
    EXPECT_EQ(1, id);
    EXPECT_EQ("t", title.Str());
}

}  // namespace
