// Verifies CFileUtility: path parts, size texts, file-name cleaning and the file-system calls
// on code page 932 names that live on disk as UTF-8.
#include "model/CFileUtility.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// "バイト" in code page 932.
const std::string kByte = "\x83\x6F\x83\x43\x83\x67";
// "添付ファイル.txt" in code page 932 and in UTF-8.
const char kNameCp932[] = "\x93\x59\x95\x74\x83\x74\x83\x40\x83\x43\x83\x8B.txt";
const char kNameUtf8[] = "\xE6\xB7\xBB\xE4\xBB\x98\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4"
                         "\xE3\x83\xAB.txt";

// A fresh folder under the test's own XDG_DATA_HOME (never the real home).
std::string MakeScratchFolder()
{
    const char* base = std::getenv("XDG_DATA_HOME");
    std::string root = base && *base ? base : "/tmp";
    std::string cmd = "mkdir -p '" + root + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::string templ = root + "/fileutil-XXXXXX";
    char* made = mkdtemp(templ.data());
    EXPECT_NE(made, nullptr);
    return templ;
}

void WriteBytes(const std::string& nativePath, std::size_t count)
{
    std::ofstream out(nativePath, std::ios::binary);
    out << std::string(count, 'x');
}

}  // namespace

TEST(CFileUtility, PathParts)
{
    EXPECT_EQ(CFileUtility::GetFileExt("/home/u/dir.d/name"), "");
    EXPECT_EQ(CFileUtility::GetFileExt("/home/u/a.b.Tar"), "Tar");
    EXPECT_EQ(CFileUtility::GetFileExt("name."), "");
    EXPECT_EQ(CFileUtility::GetFileExt("mail.eml"), "eml");

    EXPECT_EQ(CFileUtility::GetParentPath("name.txt"), "");
    EXPECT_EQ(CFileUtility::GetFileNameFromPath("name.txt"), "name.txt");
    EXPECT_EQ(CFileUtility::GetParentPath("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(CFileUtility::GetFileNameFromPath("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(CFileUtility::GetParentPath("/c.txt"), "");
    EXPECT_EQ(CFileUtility::GetFileNameFromPath("/a/b/"), "");

    // A Japanese folder and file name: the parts split at "/" only.
    std::string path = std::string("/\x95\x5C/") + kNameCp932;
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(path.c_str()), kNameCp932);
    EXPECT_EQ(CFileUtility::GetParentPath(path.c_str()), "/\x95\x5C");
    EXPECT_EQ(CFileUtility::GetFileExt(path.c_str()), "txt");

    CString empty;
    CString comment("#x");
    CString blankFirst(" #x");
    EXPECT_EQ(CFileUtility::IsCommentLine(empty), 0);
    EXPECT_NE(CFileUtility::IsCommentLine(comment), 0);
    EXPECT_EQ(CFileUtility::IsCommentLine(blankFirst), 0);
}

TEST(CFileUtility, SizeAutoUnitBoundaries)
{
    EXPECT_EQ(CFileUtility::SizeAutoUnit(-1).Str(), "-1" + kByte);
    EXPECT_EQ(CFileUtility::SizeAutoUnit(0).Str(), "0" + kByte);
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1023).Str(), "1023" + kByte);
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1024), "1KB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(2047), "1KB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1048575), "1023KB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1048576), "1.00MB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1572864), "1.50MB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1073741823), "1024.00MB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(1073741824), "1.00GB");
    EXPECT_EQ(CFileUtility::SizeAutoUnit(5368709120L), "5.00GB");
}

TEST(CFileUtility, ReplaceProhibitedWords)
{
    CString subject("Re: a/b, c;d*e?f\"g<h>i|j\\k  l");
    CFileUtility::ReplaceProhibitedWords(subject);
    EXPECT_EQ(subject, "Re_ a_b_ c_d_e_f_g_h_i_j_k  l");

    // "表" and "ソ" end in the byte 0x5C; only the real backslash after them is replaced.
    CString japanese("\x95\x5C\x83\x5C\\:");
    CFileUtility::ReplaceProhibitedWords(japanese);
    EXPECT_EQ(japanese, "\x95\x5C\x83\x5C__");
}

TEST(CFileUtility, JapaneseNameOnDisk)
{
    std::string folder = MakeScratchFolder();
    CString cpFolder = CFileUtility::FromNativePath(folder);
    CString cpPath = cpFolder + "/" + kNameCp932;

    EXPECT_EQ(CFileUtility::NativePath(cpPath.GetString()), folder + "/" + kNameUtf8);
    WriteBytes(CFileUtility::NativePath(cpPath.GetString()), 1500);

    // The name on disk is UTF-8 and comes back as the same code page 932 bytes.
    DIR* dir = opendir(folder.c_str());
    ASSERT_NE(dir, nullptr);
    std::string found;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') found = entry->d_name;
    }
    closedir(dir);
    EXPECT_EQ(found, kNameUtf8);
    EXPECT_EQ(CFileUtility::FromNativePath(found), kNameCp932);

    EXPECT_EQ(CFileUtility::GetFileSize(cpPath.GetString()), 1500);
    EXPECT_EQ(CFileUtility::GetFileSizeString(cpPath.GetString(), 1), "1KB");
    EXPECT_EQ(CFileUtility::GetFileSizeString(cpPath.GetString(), 0).Str(), "1500" + kByte);
    EXPECT_EQ(CFileUtility::GetFileSize(cpFolder.GetString()), -1);
    EXPECT_EQ(CFileUtility::GetMimeType(cpPath.GetString()), "テキスト ドキュメント");

    EXPECT_NE(CFileUtility::Exists(cpPath.GetString()), 0);
    EXPECT_NE(CFileUtility::Exists((cpFolder + "/*.txt").GetString()), 0);
    EXPECT_NE(CFileUtility::Exists((cpFolder + "/\x93\x59*").GetString()), 0);
    // "?" is one character, so six of them match the six double-byte characters.
    EXPECT_NE(CFileUtility::Exists((cpFolder + "/??????.txt").GetString()), 0);
    EXPECT_EQ(CFileUtility::Exists((cpFolder + "/?????.txt").GetString()), 0);
    EXPECT_EQ(CFileUtility::Exists((cpFolder + "/*.eml").GetString()), 0);
    EXPECT_EQ(CFileUtility::Exists((cpFolder + "/nothing").GetString()), 0);

    // Brackets are plain characters, not a set.
    WriteBytes(folder + "/a[1].txt", 0);
    EXPECT_NE(CFileUtility::Exists((cpFolder + "/a[1]*").GetString()), 0);
    EXPECT_EQ(CFileUtility::Exists((cpFolder + "/a[0-9].*").GetString()), 0);
    EXPECT_EQ(CFileUtility::GetFileSize((cpFolder + "/a[1].txt").GetString()), 0);

    EXPECT_NE(CFileUtility::DeleteFileA(cpPath.GetString()), 0);
    EXPECT_EQ(CFileUtility::DeleteFileA(cpPath.GetString()), 0);
    EXPECT_EQ(CFileUtility::Exists(cpPath.GetString()), 0);
    EXPECT_EQ(CFileUtility::GetFileSize(cpPath.GetString()), -1);
    EXPECT_EQ(CFileUtility::GetMimeType(cpPath.GetString()), "");

    EXPECT_NE(CFileUtility::DeleteFileA((cpFolder + "/a[1].txt").GetString()), 0);
    EXPECT_EQ(CFileUtility::Exists((cpFolder + "/*").GetString()), 0);
    rmdir(folder.c_str());
}

TEST(CFileUtility, CanReadFileOnlyForReadableRegularFiles)
{
    std::string folder = MakeScratchFolder();
    CString cpFolder = CFileUtility::FromNativePath(folder);
    CString cpPath = cpFolder + "/" + kNameCp932;
    WriteBytes(CFileUtility::NativePath(cpPath.GetString()), 10);
    WriteBytes(folder + "/empty", 0);
    EXPECT_EQ(CFileUtility::CanReadFile(cpPath.GetString()), 1);
    EXPECT_EQ(CFileUtility::CanReadFile((cpFolder + "/empty").GetString()), 1);
    EXPECT_EQ(CFileUtility::IsFolder(cpPath.GetString()), 0);

    // A folder, a missing file, a dangling link, a device and a named pipe (which must not
    // block the check) cannot be attached.
    EXPECT_EQ(CFileUtility::CanReadFile(cpFolder.GetString()), 0);
    EXPECT_EQ(CFileUtility::IsFolder(cpFolder.GetString()), 1);
    EXPECT_EQ(CFileUtility::CanReadFile((cpFolder + "/missing").GetString()), 0);
    EXPECT_EQ(CFileUtility::IsFolder((cpFolder + "/missing").GetString()), 0);
    ASSERT_EQ(symlink((folder + "/missing").c_str(), (folder + "/dangling").c_str()), 0);
    EXPECT_EQ(CFileUtility::CanReadFile((cpFolder + "/dangling").GetString()), 0);
    EXPECT_EQ(CFileUtility::CanReadFile("/dev/zero"), 0);
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    EXPECT_EQ(CFileUtility::CanReadFile((cpFolder + "/pipe").GetString()), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(""), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(nullptr), 0);

    // A link to a readable file is that file.
    ASSERT_EQ(symlink(CFileUtility::NativePath(cpPath.GetString()).c_str(), (folder + "/link").c_str()), 0);
    EXPECT_EQ(CFileUtility::CanReadFile((cpFolder + "/link").GetString()), 1);

    // Without read permission (root reads everything, so only checked for other users).
    WriteBytes(folder + "/secret", 5);
    ASSERT_EQ(chmod((folder + "/secret").c_str(), 0200), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(CFileUtility::CanReadFile((cpFolder + "/secret").GetString()), 0);
    }
}
