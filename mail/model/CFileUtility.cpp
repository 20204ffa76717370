#include "model/CFileUtility.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// Length of the UTF-8 character at `pos` of a file name; a byte that does not begin a
// well-formed sequence counts as one, so any name can be walked.
std::size_t CharLength(std::string_view text, std::size_t pos)
{
    const auto byte = static_cast<unsigned char>(text[pos]);
    std::size_t length = byte >= 0xF0 && byte <= 0xF4   ? 4
                         : byte >= 0xE0 && byte < 0xF0 ? 3
                         : byte >= 0xC2 && byte < 0xE0 ? 2
                                                        : 1;
    if (length == 1 || pos + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

// Shell-style match of "*" (any run of characters) and "?" (one character) on file names as
// the file system holds them, case kept as Linux file names are. A character of several
// bytes counts as one, so "?" matches "表".
bool MatchWildcard(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t pl = CharLength(pattern, p);
            std::size_t nl = CharLength(name, n);
            if ((pattern[p] == '?' && pl == 1)
                || (pl == nl && pattern.compare(p, pl, name.substr(n, nl)) == 0)) {
                p += pl;
                n += nl;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        // Let the last "*" take one more character and try again from there.
        starN += CharLength(name, starN);
        n = starN;
        p = starP;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool HasWildcard(std::string_view text)
{
    return text.find_first_of("*?") != std::string_view::npos;
}

// Type descriptions for the usual attachment types; anything else gets "<EXT> ファイル".
struct TypeName {
    const char* ext;
    const char* name;
};
const TypeName kTypeNames[] = {
    {"txt", "テキスト ドキュメント"},
    {"csv", "CSV ファイル"},
    {"htm", "HTML ドキュメント"},
    {"html", "HTML ドキュメント"},
    {"eml", "インターネット電子メール メッセージ"},
    {"pdf", "PDF ドキュメント"},
    {"jpg", "JPEG イメージ"},
    {"jpeg", "JPEG イメージ"},
    {"png", "PNG イメージ"},
    {"gif", "GIF イメージ"},
    {"bmp", "ビットマップ イメージ"},
    {"zip", "ZIP 圧縮ファイル"},
    {"doc", "Word 文書"},
    {"docx", "Word 文書"},
    {"xls", "Excel ワークシート"},
    {"xlsx", "Excel ワークシート"},
    {"ppt", "PowerPoint プレゼンテーション"},
    {"pptx", "PowerPoint プレゼンテーション"},
    {"odt", "OpenDocument テキスト"},
    {"ods", "OpenDocument スプレッドシート"},
};

// File name extension (lower case) -> MIME type, read once from the system's table.
const std::unordered_map<std::string, std::string>& MimeTypes()
{
    static const std::unordered_map<std::string, std::string> table = [] {
        std::unordered_map<std::string, std::string> types;
        std::ifstream in(CFileUtility::kMimeTypesFile);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream words(line);
            std::string type;
            std::string ext;
            if (!(words >> type) || type.find('/') == std::string::npos) continue;
            // The first line that names an extension wins, as with the system's own readers.
            while (words >> ext) types.emplace(ext, type);
        }
        return types;
    }();
    return table;
}

}  // namespace

CString CFileUtility::GetContentType(const CPath& path)
{
    CString ext = GetFileExt(path);
    if (ext == "eml") return CString("message/rfc822");
    ext.MakeLower();
    const auto& types = MimeTypes();
    auto found = ext.IsEmpty() ? types.end() : types.find(ext.Str());
    if (found == types.end()) return CString("application/octet-stream");
    return CString(found->second);
}

CString CFileUtility::GetFileNameFromPath(const CPath& path)
{
    return path.FileName().ToText();
}

CString CFileUtility::GetFileNameFromPath(const char* text)
{
    CString name(text);
    int slash = name.ReverseFind('/');
    return slash < 0 ? name : name.Mid(slash + 1);
}

CString CFileUtility::GetFileExt(const CPath& path)
{
    return GetFileExt(GetFileNameFromPath(path).GetString());
}

CString CFileUtility::GetFileExt(const char* text)
{
    CString name = GetFileNameFromPath(text);
    int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CPath CFileUtility::GetParentPath(const CPath& path)
{
    return path.Parent();
}

int CFileUtility::Exists(const CPath& path)
{
    if (path.IsEmpty()) return 0;
    const std::string pattern = path.FileName().Native();
    if (!HasWildcard(pattern)) {
        struct stat info;
        return lstat(path.c_str(), &info) == 0 ? 1 : 0;
    }

    // Only the last part may hold wildcards: search the folder it names.
    CPath folder = path.Parent();
    DIR* dir = opendir(folder.IsEmpty() ? "." : folder.c_str());
    if (!dir) return 0;
    int found = 0;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (MatchWildcard(pattern, entry->d_name)) {
            found = 1;
            break;
        }
    }
    closedir(dir);
    return found;
}

int CFileUtility::DeleteFileA(const CPath& path)
{
    return unlink(path.c_str()) == 0 ? 1 : 0;
}

long CFileUtility::GetFileSize(const CPath& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long>(info.st_size);
}

int CFileUtility::CanReadFile(const CPath& path)
{
    if (path.IsEmpty()) return 0;
    // Non-blocking, so that a named pipe cannot hold the caller; the type is checked on the
    // opened file itself.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return 0;
    struct stat info;
    int regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? 1 : 0;
}

int CFileUtility::IsFolder(const CPath& path)
{
    struct stat info;
    if (path.IsEmpty() || stat(path.c_str(), &info) != 0) return 0;
    return S_ISDIR(info.st_mode) ? 1 : 0;
}

CString CFileUtility::GetFileSizeString(const CPath& path, int autoUnit)
{
    long size = GetFileSize(path);
    if (autoUnit) return SizeAutoUnit(size);
    CString text;
    text.Format("%ldバイト", size);
    return text;
}

CString CFileUtility::SizeAutoUnit(long size)
{
    CString text;
    if (size < 1024L)
        text.Format("%ldバイト", size);
    else if (size < 1048576L)
        text.Format("%ldKB", size / 1024L);
    else if (size < 1073741824L)
        text.Format("%.2fMB", static_cast<double>(size) / 1048576.0);
    else
        text.Format("%.2fGB", static_cast<double>(size) / 1073741824.0);
    return text;
}

int CFileUtility::IsCommentLine(CString& line)
{
    return !line.IsEmpty() && line[0] == '#' ? 1 : 0;
}

CString CFileUtility::GetMimeType(const CPath& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return CString();
    if (S_ISDIR(info.st_mode)) return CString("ファイル フォルダー");
    CString ext = GetFileExt(path);
    if (ext.IsEmpty()) return CString("ファイル");
    CString lower = ext;
    lower.MakeLower();
    for (const TypeName& type : kTypeNames) {
        if (lower == type.ext) return CString(type.name);
    }
    CString type = GetContentType(path);
    if (type != "application/octet-stream") return type;
    ext.MakeUpper();
    return ext + " ファイル";
}

void CFileUtility::ReplaceProhibitedWords(CString& text)
{
    // Replace(char, char) steps over double-byte characters, so the 0x5C trail byte of
    // "表" or "ソ" is not taken for a backslash.
    for (char ch : {'\\', '/', ':', ',', ';', '*', '?', '"', '<', '>', '|'})
        text.Replace(ch, '_');
}

CPath CFileUtility::GetHomeFolder()
{
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || home[0] != '/') return CPath();
    std::string base(home);
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return CPath::FromNative(base);
}

CPath CFileUtility::GetAppDataFolder()
{
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const CPath home = GetHomeFolder();
        if (home.IsEmpty()) return CPath();
        base = home.Native() + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return CPath::FromNative(base);
}
