#include "import/CThunderbirdStore.h"

#include "import/CMailboxReader.h"
#include "import/CMorkIndex.h"
#include "import/MailFile.h"
#include "import/MailImportTexts.h"
#include "model/CFileUtility.h"

#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace MailImportTexts;

namespace {

constexpr std::string_view kMailboxScheme = "mailbox-message";
constexpr std::string_view kSchemeEnd = "-message://";
constexpr std::uint64_t kMaxProfilesIni = 1024 * 1024;
constexpr std::uint64_t kMaxIndex = 512ull * 1024 * 1024;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view text)
{
    const char* blanks = " \t\r\n\f\v";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool PercentDecode(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// A piece of a folder path that names one entry inside its folder.
bool IsPlainPiece(const std::string& piece)
{
    return !piece.empty() && piece != "." && piece != ".." && piece.find('\0') == std::string::npos &&
           piece.find('/') == std::string::npos;
}

// The scheme before "://", when the text is a reference of any kind.
std::string_view SchemeOf(std::string_view text)
{
    std::size_t end = text.find("://");
    if (end == std::string_view::npos || end + 3 < kSchemeEnd.size()) return {};
    std::string_view scheme = text.substr(0, end);
    std::string_view tail = text.substr(end + 3 - kSchemeEnd.size(), kSchemeEnd.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (Lower(tail[i]) != kSchemeEnd[i]) return {};
    for (char c : scheme)
        if (!((Lower(c) >= 'a' && Lower(c) <= 'z') || c == '-')) return {};
    return scheme;
}

bool StartsWithFolder(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::string RealPath(const CPath& path)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// profiles.ini: its sections in file order, each with its keys.
struct IniSection {
    std::string name;
    std::map<std::string, std::string> values;
};

std::vector<IniSection> ReadIni(std::string_view text)
{
    std::vector<IniSection> sections;
    std::size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string_view line = Trim(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
        pos = end == std::string_view::npos ? text.size() : end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({std::string(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || sections.empty()) continue;
        sections.back().values[std::string(Trim(line.substr(0, equals)))] = std::string(Trim(line.substr(equals + 1)));
    }
    return sections;
}

std::string ValueOf(const IniSection& section, const char* key)
{
    auto found = section.values.find(key);
    return found == section.values.end() ? std::string() : found->second;
}

bool IsProfileSection(const std::string& name)
{
    if (name.rfind("Profile", 0) != 0 || name.size() == 7) return false;
    for (std::size_t i = 7; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

CString WithHint(const char* text)
{
    return CString(text) + "\r\n" + kAgainHint;
}

}  // namespace

std::vector<CPath> CThunderbirdStore::DefaultRoots()
{
    const CPath home = CFileUtility::GetHomeFolder();
    if (home.IsEmpty()) return {};
    return {home / ".thunderbird", home / "snap/thunderbird/common/.thunderbird",
            home / ".var/app/org.mozilla.Thunderbird/.thunderbird"};
}

bool CThunderbirdStore::IsReference(std::string_view text)
{
    return !SchemeOf(Trim(text)).empty();
}

CThunderbirdStore::ParseResult CThunderbirdStore::ParseReference(std::string_view text, Reference& reference)
{
    text = Trim(text);
    std::size_t lineEnd = text.find_first_of("\r\n");
    if (lineEnd != std::string_view::npos) text = text.substr(0, lineEnd);
    std::string_view scheme = SchemeOf(text);
    if (scheme.empty()) return NotAReference;
    if (scheme.size() != kMailboxScheme.size()) return OnServer;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (Lower(scheme[i]) != kMailboxScheme[i]) return OnServer;

    std::string_view rest = text.substr(scheme.size() + 3);
    std::size_t slash = rest.find('/');
    std::size_t hash = rest.find('#');
    if (slash == std::string_view::npos || hash == std::string_view::npos || hash < slash) return Refused;
    // The account's user name may hold an escaped "@" ("john%40example.com@pop.example.com");
    // the server is what follows the last one before the path.
    std::string_view authority = rest.substr(0, slash);
    std::size_t at = authority.rfind('@');
    std::string_view server = at == std::string_view::npos ? authority : authority.substr(at + 1);
    std::string_view path = rest.substr(slash + 1, hash - slash - 1);
    std::string_view key = rest.substr(hash + 1);

    std::size_t digits = 0;
    while (digits < key.size() && key[digits] >= '0' && key[digits] <= '9') ++digits;
    if (digits == 0 || digits > 18 || (digits < key.size() && key[digits] != '?' && key[digits] != '&')) return Refused;
    reference.key = std::strtoull(std::string(key.substr(0, digits)).c_str(), nullptr, 10);

    if (!PercentDecode(server, reference.server) || !IsPlainPiece(reference.server)) return Refused;
    std::string folders;
    if (!PercentDecode(path, folders)) return Refused;
    reference.folders.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t end = folders.find('/', start);
        std::string piece = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!IsPlainPiece(piece)) return Refused;
        reference.folders.push_back(std::move(piece));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return Parsed;
}

std::vector<CPath> CThunderbirdStore::Profiles(const CPath& root)
{
    std::string text;
    if (!ReadRegularFile(root / "profiles.ini", kMaxProfilesIni, text)) return {};
    const std::vector<IniSection> sections = ReadIni(text);

    std::vector<const IniSection*> profiles;
    for (const IniSection& section : sections)
        if (IsProfileSection(section.name)) profiles.push_back(&section);

    std::vector<CPath> ordered;
    auto add = [&](const std::string& path, bool relative) {
        if (path.empty()) return;
        CPath folder = relative ? root / path : CPath::FromNative(path);
        for (const CPath& known : ordered)
            if (known == folder) return;
        ordered.push_back(std::move(folder));
    };
    auto addProfile = [&](const IniSection& profile) {
        add(ValueOf(profile, "Path"), ValueOf(profile, "IsRelative") != "0");
    };

    for (const IniSection& section : sections) {
        if (section.name.rfind("Install", 0) != 0) continue;
        const std::string path = ValueOf(section, "Default");
        const IniSection* match = nullptr;
        for (const IniSection* profile : profiles)
            if (ValueOf(*profile, "Path") == path) match = profile;
        if (match != nullptr) addProfile(*match);
        else add(path, !path.empty() && path[0] != '/');
    }
    for (const IniSection* profile : profiles)
        if (ValueOf(*profile, "Default") == "1") addProfile(*profile);
    for (const IniSection* profile : profiles)
        if (ValueOf(*profile, "Name") == "default") addProfile(*profile);
    for (const IniSection* profile : profiles) addProfile(*profile);
    return ordered;
}

CPath CThunderbirdStore::MailboxPath(const CPath& profile, const Reference& reference)
{
    CPath path = profile / "Mail" / reference.server;
    for (std::size_t i = 0; i < reference.folders.size(); ++i) {
        if (i + 1 < reference.folders.size()) path = path / (reference.folders[i] + ".sbd");
        else path = path / reference.folders[i];
    }
    return path;
}

int CThunderbirdStore::ReadReference(std::string_view text, CString& message, CString& detail) const
{
    Reference reference;
    switch (ParseReference(text, reference)) {
    case Parsed:
        break;
    case OnServer:
        detail = WithHint(kServerMessage);
        return 0;
    default:
        detail = kBadReference;
        return 0;
    }
    for (const CPath& root : roots_) {
        for (const CPath& profile : Profiles(root)) {
            switch (ReadFrom(profile, reference, message, detail)) {
            case Done:
                return 1;
            case Failed:
                return 0;
            case Missing:
                break;
            }
        }
    }
    detail = WithHint(kNotFound);
    return 0;
}

CThunderbirdStore::Found CThunderbirdStore::ReadFrom(const CPath& profile, const Reference& reference,
                                                      CString& message, CString& detail) const
{
    const std::string mailFolder = RealPath(profile / "Mail");
    const std::string mailbox = RealPath(MailboxPath(profile, reference));
    if (mailFolder.empty() || mailbox.empty()) return Missing;
    if (!StartsWithFolder(mailbox, mailFolder)) {
        detail = kBadReference;
        return Failed;
    }
    CMailFile file;
    if (file.Open(CPath::FromNative(mailbox)) != CMailFile::Opened) {
        detail = kBadReference;
        return Failed;
    }

    std::uint64_t offset = reference.key;
    std::string indexText;
    CMorkIndex index;
    if (ReadRegularFile(CPath::FromNative(mailbox + ".msf"), kMaxIndex, indexText) && index.Read(indexText) &&
        index.HasMessages()) {
        if (!index.FindStoreToken(reference.key, offset)) {
            detail = WithHint(kNotFound);
            return Failed;
        }
    }
    // Without an index the number itself is tried as an offset; ReadMessage reads nothing
    // unless a separator line starts there.
    switch (CMailboxReader::ReadMessage(file.Descriptor(), offset, message)) {
    case CMailboxReader::Read:
        return Done;
    case CMailboxReader::NoSeparator:
        detail = WithHint(kNotFound);
        return Failed;
    case CMailboxReader::TooLarge:
        detail = kMailTooLarge;
        return Failed;
    case CMailboxReader::ReadError:
    default:
        detail = kMailboxUnreadable;
        return Failed;
    }
}
