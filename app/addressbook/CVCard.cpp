#include "addressbook/CVCard.h"

#include "addressbook/CCsvAddressReader.h"
#include "data/CDbException.h"
#include "data/CGroupSet.h"
#include "data/CPersonSet.h"
#include "encoding/CBase64.h"
#include "encoding/CCodePage.h"
#include "encoding/CLanguage.h"
#include "encoding/CQuotedPrint.h"
#include "parser/CMailCharset.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The physical lines of `bytes`: LF, CR LF or CR alone end a line.
std::vector<std::string_view> SplitLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

struct Parameter {
    std::string name;   // upper case; empty for a bare value such as 2.1's "QUOTED-PRINTABLE"
    std::string value;  // quotes removed
};

struct ContentLine {
    std::string name;  // upper case, without its group
    std::vector<Parameter> parameters;
    std::string value;  // raw bytes

    // The value of parameter `key`, or a bare value equal to one of `bare`.
    std::string Get(std::string_view key) const
    {
        for (const Parameter& p : parameters)
            if (p.name == key) return p.value;
        return std::string();
    }
    bool HasBare(std::string_view value) const
    {
        for (const Parameter& p : parameters)
            if (p.name.empty() && EqualsNoCase(p.value, value)) return true;
        return false;
    }
};

// "group.NAME;P1=v;P2="a:b";BARE:value"
bool ParseContentLine(std::string_view line, ContentLine& out)
{
    std::size_t i = 0;
    bool quoted = false;
    std::size_t colon = std::string_view::npos;
    for (; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string_view::npos) return false;
    out.value.assign(line.substr(colon + 1));
    std::string_view head = line.substr(0, colon);

    std::vector<std::string_view> parts;
    quoted = false;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= head.size(); ++k) {
        if (k < head.size() && head[k] == '"') quoted = !quoted;
        if (k == head.size() || (head[k] == ';' && !quoted)) {
            parts.push_back(head.substr(start, k - start));
            start = k + 1;
        }
    }
    std::string_view name = TrimBlanks(parts.front());
    if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
    out.name.clear();
    for (char c : name) out.name += Upper(c);
    out.parameters.clear();
    for (std::size_t k = 1; k < parts.size(); ++k) {
        std::string_view part = TrimBlanks(parts[k]);
        Parameter p;
        if (std::size_t eq = part.find('='); eq != std::string_view::npos) {
            for (char c : TrimBlanks(part.substr(0, eq))) p.name += Upper(c);
            std::string_view value = TrimBlanks(part.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            p.value.assign(value);
        } else {
            p.value.assign(part);
        }
        out.parameters.push_back(std::move(p));
    }
    return true;
}

bool IsQuotedPrintable(const ContentLine& line)
{
    return EqualsNoCase(line.Get("ENCODING"), "QUOTED-PRINTABLE") || line.HasBare("QUOTED-PRINTABLE");
}

bool IsBase64(const ContentLine& line)
{
    const std::string encoding = line.Get("ENCODING");
    return EqualsNoCase(encoding, "B") || EqualsNoCase(encoding, "BASE64") || line.HasBare("BASE64");
}

// A line's name and parameters say quoted-printable (before its value has been joined).
bool HeadSaysQuotedPrintable(std::string_view line)
{
    std::size_t colon = line.find(':');
    std::string_view head = line.substr(0, colon);
    for (std::size_t i = 0; i + 16 <= head.size(); ++i)
        if (EqualsNoCase(head.substr(i, 16), "QUOTED-PRINTABLE")) return true;
    return false;
}

// The value as code page 932 text, its transfer encoding and charset undone.
CString DecodeValue(const ContentLine& line, bool fileIsUtf8)
{
    std::string bytes = line.value;
    bool encoded = false;
    if (IsQuotedPrintable(line) || IsBase64(line)) {
        std::vector<unsigned char> buffer(bytes.size() + 4);
        unsigned int length = 0;
        const CString text(bytes);
        const int ok = IsQuotedPrintable(line)
            ? CQuotedPrint::Decode(text, buffer.data(), static_cast<unsigned int>(buffer.size()), length)
            : CBase64::Decode(text, buffer.data(), static_cast<unsigned int>(buffer.size()), length);
        if (ok) {
            bytes.assign(reinterpret_cast<const char*>(buffer.data()), length);
            encoded = true;
        }
    }
    CString out;
    const std::string charset = line.Get("CHARSET");
    if (fileIsUtf8 && !encoded) CMailCharset::ToCp932("utf-8", bytes, out);
    else if (!charset.empty()) CMailCharset::ToCp932(charset, bytes, out);
    else CMailCharset::Guess(bytes, out);
    return out;
}

// Undoes the backslash escapes of 3.0 and 4.0 ("\\", "\,", "\;", "\n") in code page 932
// text, whose trail bytes may be a backslash. With `split`, an unescaped ";" separates the
// components of a structured value. Version 2.1 knows only "\;" (`onlySemicolon`).
std::vector<CString> Unescape(const CString& text, bool split, bool onlySemicolon)
{
    std::vector<CString> parts(1);
    const char* p = text.GetString();
    const auto length = static_cast<unsigned int>(text.GetLength());
    unsigned int i = 0;
    while (i < length) {
        const unsigned int n = CLanguage::CharLength(p + i, length - i);
        if (n == 2) {
            parts.back().Append(p + i, 2);
            i += 2;
            continue;
        }
        const char c = p[i];
        if (c == '\\' && i + 1 < length) {
            const char next = p[i + 1];
            if (next == ';' || (!onlySemicolon && (next == ',' || next == '\\'))) {
                parts.back() += next;
                i += 2;
                continue;
            }
            if (!onlySemicolon && (next == 'n' || next == 'N')) {
                parts.back() += ' ';  // a line break inside a name or an address
                i += 2;
                continue;
            }
        }
        if (c == ';' && split) parts.emplace_back();
        else parts.back() += c;
        ++i;
    }
    return parts;
}

CString Trimmed(CString text)
{
    text.Trim();
    return text;
}

struct Card {
    CString fullName;
    std::vector<CString> nameParts;  // N: family; given; additional; prefixes; suffixes
    std::vector<CString> addresses;
    bool isGroup = false;
};

// One card's lines (between BEGIN and END, nested cards left out).
Card ParseCard(const std::vector<std::string_view>& lines, bool fileIsUtf8)
{
    bool version21 = true;
    for (std::string_view line : lines) {
        if (StartsWithNoCase(line, "VERSION:")) {
            version21 = TrimBlanks(line.substr(8)) == "2.1";
            break;
        }
    }
    // Unfolding: 3.0 and 4.0 drop the line break and one blank; 2.1 keeps the blank. A
    // quoted-printable value that ends in "=" goes on in the next line.
    std::vector<std::string> logical;
    bool lastIsQuotedPrintable = false;
    for (std::string_view line : lines) {
        if (line.empty()) continue;
        if (!logical.empty() && (line.front() == ' ' || line.front() == '\t')) {
            logical.back().append(version21 ? line : line.substr(1));
            continue;
        }
        if (!logical.empty() && lastIsQuotedPrintable && !logical.back().empty() && logical.back().back() == '=') {
            logical.back().pop_back();
            logical.back().append(line);
            continue;
        }
        logical.emplace_back(line);
        lastIsQuotedPrintable = HeadSaysQuotedPrintable(line);
    }

    Card card;
    ContentLine content;
    for (const std::string& line : logical) {
        if (!ParseContentLine(line, content)) continue;
        if (content.name == "FN") {
            card.fullName = Trimmed(Unescape(DecodeValue(content, fileIsUtf8), false, version21).front());
        } else if (content.name == "N") {
            card.nameParts = Unescape(DecodeValue(content, fileIsUtf8), true, version21);
            for (CString& part : card.nameParts) part.Trim();
        } else if (content.name == "EMAIL") {
            CString address = Trimmed(Unescape(DecodeValue(content, fileIsUtf8), false, version21).front());
            if (StartsWithNoCase(address.View(), "mailto:")) address = Trimmed(address.Mid(7));
            if (!address.IsEmpty()) card.addresses.push_back(address);
        } else if (content.name == "KIND" || content.name == "X-ADDRESSBOOKSERVER-KIND") {
            card.isGroup = EqualsNoCase(TrimBlanks(content.value), "group");
        }
    }
    return card;
}

void Deliver(const Card& card,
             const std::function<void(const CString&, const std::vector<CString>&)>& onCard)
{
    if (card.isGroup) return;
    CString name = card.fullName;
    if (name.IsEmpty() && !card.nameParts.empty()) {
        auto part = [&](std::size_t i) { return i < card.nameParts.size() ? card.nameParts[i] : CString(); };
        name = CCsvAddressReader::ComposeName(part(1), part(2), part(0));
    }
    // Programs that know no name write the address as FN.
    for (const CString& address : card.addresses)
        if (name.CompareNoCase(address.GetString()) == 0) name.Empty();
    onCard(name, card.addresses);
}

bool IsBeginLine(std::string_view line)
{
    return EqualsNoCase(TrimBlanks(line), "BEGIN:VCARD");
}

bool IsEndLine(std::string_view line)
{
    return EqualsNoCase(TrimBlanks(line), "END:VCARD");
}

}  // namespace

void CVCardReader::Read(std::string_view bytes,
                        const std::function<void(const CString&, const std::vector<CString>&)>& onCard)
{
    std::string converted;
    bool fileIsUtf8 = false;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        const char* from = bytes[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
        CCodePage::Convert(from, "UTF-8", bytes.substr(2), converted, "\xE3\x80\x93");
        bytes = converted;
        fileIsUtf8 = true;
    }

    std::vector<std::string_view> cardLines;
    int depth = 0;
    for (std::string_view line : SplitLines(bytes)) {
        if (depth == 0) {
            if (IsBeginLine(line)) {
                depth = 1;
                cardLines.clear();
            }
            continue;
        }
        if (IsBeginLine(line)) {
            ++depth;  // a card inside a card (an AGENT of 2.1): not a person of this file
            continue;
        }
        if (IsEndLine(line)) {
            if (--depth == 0) Deliver(ParseCard(cardLines, fileIsUtf8), onCard);
            continue;
        }
        if (depth == 1) cardLines.push_back(line);
    }
    if (depth > 0) Deliver(ParseCard(cardLines, fileIsUtf8), onCard);  // a file cut short
}

namespace {

// Escapes a text value (RFC 6350 3.4).
std::string EscapeText(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\r': break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

// Appends one content line, folded so that no line is longer than 75 bytes (RFC 6350 3.2)
// and no UTF-8 character is split.
void AppendLine(std::string& out, const std::string& line)
{
    std::size_t start = 0;
    std::size_t limit = 75;
    while (line.size() - start > limit) {
        std::size_t cut = start + limit;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line, start, cut - start);
        out += "\r\n ";
        start = cut;
        limit = 74;  // the blank that starts a continuation counts
    }
    out.append(line, start, std::string::npos);
    out += "\r\n";
}

}  // namespace

std::string CVCardWriter::Write(const std::vector<CAddress>& persons)
{
    std::string out;
    for (const CAddress& person : persons) {
        const std::string address = CCodePage::ToUtf8(person.GetMailAddress());
        std::string name = CCodePage::ToUtf8(person.GetDisplayName());
        // FN is required; a person without a name is named by the address, which the
        // reader takes back as no name.
        if (name.empty()) name = address;
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        AppendLine(out, "FN:" + EscapeText(name));
        if (!address.empty()) AppendLine(out, "EMAIL:" + EscapeText(address));
        out += "END:VCARD\r\n";
    }
    return out;
}

int CVCardWriter::WriteFile(const CPath& path, const std::vector<CAddress>& persons)
{
    const std::string text = Write(persons);
    const std::string target = path.Native();
    const std::string temp = target + ".part";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return 0;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        ok = wrote > 0;
        if (ok) done += static_cast<std::size_t>(wrote);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) {
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0) ::chmod(temp.c_str(), old.st_mode & 07777);
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    }
    if (!ok) ::unlink(temp.c_str());
    return ok ? 1 : 0;
}

int CVCardWriter::LoadPersons(long groupId, std::vector<CAddress>& persons, const CPath& addressDb)
{
    persons.clear();
    CPersonSet set(addressDb);
    if (!set.Open()) return 0;
    if (groupId != 0) {
        CGroupSet groups(addressDb);
        CIdArray members;
        if (!groups.Open() || !groups.ReadMembers(groupId, members)) return 0;
        for (long id : members)
            if (set.FindById(id)) persons.emplace_back("", set.displayName.GetString(), set.mailAddress.GetString());
        return 1;
    }
    try {
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
            persons.emplace_back("", set.displayName.GetString(), set.mailAddress.GetString());
    } catch (const CDbException&) {
        return 0;
    }
    return 1;
}
