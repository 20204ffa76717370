// Verifies CPath and CFileUtility: path parts, size texts, file-name cleaning, and the
// file-system calls on paths kept as the file system's own bytes, whatever their names hold
// (Japanese, U+301C, é, bytes that are not UTF-8); names become text only to be shown.
#include "model/CFileUtility.h"
#include "model/CPath.h"

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

CPath P(const std::string& bytes) { return CPath::FromNative(bytes); }

TEST(CFileUtility, PathParts)
{
    EXPECT_EQ(CFileUtility::GetFileExt(P("/home/u/dir.d/name")), "");
    EXPECT_EQ(CFileUtility::GetFileExt(P("/home/u/a.b.Tar")), "Tar");
    EXPECT_EQ(CFileUtility::GetFileExt(P("name.")), "");
    EXPECT_EQ(CFileUtility::GetFileExt(P("mail.eml")), "eml");
    // On text (a display name) the same rules hold, in code page 932.
    EXPECT_EQ(CFileUtility::GetFileExt("Re: \x89\xEF\x8B\x63.eml"), "eml");
    EXPECT_EQ(CFileUtility::GetFileNameFromPath("\x95\x5C/x"), "x");

    EXPECT_EQ(CFileUtility::GetParentPath(P("name.txt")), CPath());
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(P("name.txt")), "name.txt");
    EXPECT_EQ(CFileUtility::GetParentPath(P("/a/b/c.txt")), P("/a/b"));
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(P("/a/b/c.txt")), "c.txt");
    EXPECT_EQ(CFileUtility::GetParentPath(P("/c.txt")), P("/"));
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(P("/a/b/")), "");
    EXPECT_EQ(P("/a") / "b.txt", P("/a/b.txt"));
    EXPECT_EQ(P("/a/") / P("b"), P("/a/b"));

    // A Japanese folder and file name: the parts split at "/" only; the name as text is
    // code page 932.
    std::string path = std::string("/\xE8\xA1\xA8/") + kNameUtf8;  // "/表/添付ファイル.txt"
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(P(path)), kNameCp932);
    EXPECT_EQ(CFileUtility::GetParentPath(P(path)), P("/\xE8\xA1\xA8"));
    EXPECT_EQ(CFileUtility::GetFileExt(P(path)), "txt");
    EXPECT_EQ(CPath::FromText(kNameCp932), P(kNameUtf8));
    EXPECT_EQ(P(kNameUtf8).ToText(), kNameCp932);
    // What code page 932 lacks, and bytes that are no UTF-8, become "〓" as text only.
    EXPECT_EQ(P("/x/caf\xC3\xA9.txt").FileName().ToText(), "caf\x81\xAC.txt");
    EXPECT_EQ(P("/x/caf\xE9.txt").FileName().ToText(), "caf\x81\xAC.txt");
    // U+301C (the wave dash Linux input methods type) and U+FF5E are both 〜 in code page 932.
    EXPECT_EQ(P("\xE3\x80\x9C").ToText(), "\x81\x60");
    EXPECT_EQ(P("\xEF\xBD\x9E").ToText(), "\x81\x60");

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

TEST(CFileUtility, NamesOnDiskAreFoundByTheirOwnBytes)
{
    const CPath folder = P(MakeScratchFolder());
    const CPath japanese = folder / kNameUtf8;
    WriteBytes(japanese.Native(), 1500);

    EXPECT_EQ(CFileUtility::GetFileSize(japanese), 1500);
    EXPECT_EQ(CFileUtility::GetFileSizeString(japanese, 1), "1KB");
    EXPECT_EQ(CFileUtility::GetFileSizeString(japanese, 0).Str(), "1500" + kByte);
    EXPECT_EQ(CFileUtility::GetFileSize(folder), -1);
    EXPECT_EQ(CFileUtility::GetMimeType(japanese), "テキスト ドキュメント");

    EXPECT_NE(CFileUtility::Exists(japanese), 0);
    EXPECT_NE(CFileUtility::Exists(folder / "*.txt"), 0);
    EXPECT_NE(CFileUtility::Exists(folder / "\xE6\xB7\xBB*"), 0);  // "添*"
    // "?" is one character, so six of them match the six Japanese characters.
    EXPECT_NE(CFileUtility::Exists(folder / "??????.txt"), 0);
    EXPECT_EQ(CFileUtility::Exists(folder / "?????.txt"), 0);
    EXPECT_EQ(CFileUtility::Exists(folder / "*.eml"), 0);
    EXPECT_EQ(CFileUtility::Exists(folder / "nothing"), 0);

    // Names code page 932 cannot hold exactly: 資料〜最終版.xlsx (U+301C), café_menu.txt, and
    // a Latin-1 name that is not UTF-8 at all. Each is found, measured and deleted.
    const CPath waveDash = folder / "\xE8\xB3\x87\xE6\x96\x99\xE3\x80\x9C\xE6\x9C\x80\xE7\xB5\x82\xE7\x89\x88.xlsx";
    const CPath cafe = folder / "caf\xC3\xA9_menu.txt";
    const CPath latin1 = folder / "caf\xE9.txt";
    for (const CPath& path : {waveDash, cafe, latin1}) {
        SCOPED_TRACE(path.Native());
        WriteBytes(path.Native(), 10);
        EXPECT_NE(CFileUtility::Exists(path), 0);
        EXPECT_EQ(CFileUtility::GetFileSize(path), 10);
        EXPECT_NE(CFileUtility::GetMimeType(path), "");
    }
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(waveDash),
              "\x8E\x91\x97\xBF\x81\x60\x8D\xC5\x8F\x49\x94\xC5.xlsx");
    EXPECT_EQ(CFileUtility::GetFileNameFromPath(cafe), "caf\x81\xAC_menu.txt");
    EXPECT_NE(CFileUtility::Exists(folder / "caf?.txt"), 0);  // é and \xE9 are one character
    EXPECT_NE(CFileUtility::Exists(folder / "caf?_menu.txt"), 0);
    for (const CPath& path : {waveDash, cafe, latin1}) {
        EXPECT_NE(CFileUtility::DeleteFileA(path), 0);
        EXPECT_EQ(CFileUtility::Exists(path), 0);
    }

    // Brackets are plain characters, not a set.
    WriteBytes((folder / "a[1].txt").Native(), 0);
    EXPECT_NE(CFileUtility::Exists(folder / "a[1]*"), 0);
    EXPECT_EQ(CFileUtility::Exists(folder / "a[0-9].*"), 0);
    EXPECT_EQ(CFileUtility::GetFileSize(folder / "a[1].txt"), 0);

    EXPECT_NE(CFileUtility::DeleteFileA(japanese), 0);
    EXPECT_EQ(CFileUtility::DeleteFileA(japanese), 0);
    EXPECT_EQ(CFileUtility::Exists(japanese), 0);
    EXPECT_EQ(CFileUtility::GetFileSize(japanese), -1);
    EXPECT_EQ(CFileUtility::GetMimeType(japanese), "");

    EXPECT_NE(CFileUtility::DeleteFileA(folder / "a[1].txt"), 0);
    EXPECT_EQ(CFileUtility::Exists(folder / "*"), 0);
    rmdir(folder.c_str());
}

TEST(CFileUtility, CanReadFileOnlyForReadableRegularFiles)
{
    const std::string folder = MakeScratchFolder();
    const CPath dir = P(folder);
    const CPath japanese = dir / kNameUtf8;
    WriteBytes(japanese.Native(), 10);
    WriteBytes(folder + "/empty", 0);
    EXPECT_EQ(CFileUtility::CanReadFile(japanese), 1);
    EXPECT_EQ(CFileUtility::CanReadFile(dir / "empty"), 1);
    EXPECT_EQ(CFileUtility::IsFolder(japanese), 0);

    // A folder, a missing file, a dangling link, a device and a named pipe (which must not
    // block the check) cannot be attached.
    EXPECT_EQ(CFileUtility::CanReadFile(dir), 0);
    EXPECT_EQ(CFileUtility::IsFolder(dir), 1);
    EXPECT_EQ(CFileUtility::CanReadFile(dir / "missing"), 0);
    EXPECT_EQ(CFileUtility::IsFolder(dir / "missing"), 0);
    ASSERT_EQ(symlink((folder + "/missing").c_str(), (folder + "/dangling").c_str()), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(dir / "dangling"), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(P("/dev/zero")), 0);
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(dir / "pipe"), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(CPath()), 0);

    // A link to a readable file is that file.
    ASSERT_EQ(symlink(japanese.c_str(), (folder + "/link").c_str()), 0);
    EXPECT_EQ(CFileUtility::CanReadFile(dir / "link"), 1);

    // Without read permission (root reads everything, so only checked for other users).
    WriteBytes(folder + "/secret", 5);
    ASSERT_EQ(chmod((folder + "/secret").c_str(), 0200), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(CFileUtility::CanReadFile(dir / "secret"), 0);
    }
}

TEST(CFileUtility, ApplicationDataFolderFollowsXdgDataHome)
{
    const std::string saved = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", "/data/caf\xC3\xA9//", 1);
    EXPECT_EQ(CFileUtility::GetAppDataFolder(), P("/data/caf\xC3\xA9"));
    setenv("XDG_DATA_HOME", "relative", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(CFileUtility::GetAppDataFolder(), P("/home/u/.local/share"));
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
}
