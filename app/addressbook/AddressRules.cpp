#include "addressbook/AddressRules.h"

#include "encoding/CCodePage.h"
#include "encoding/CLanguage.h"

#include <cstdlib>

namespace {

constexpr std::string_view kClipHeader = "Quillon-Addresses 1";
constexpr char kFullWidthBlank[] = "\x81\x40";

unsigned int CharAt(const CString& text, int pos)
{
    return CLanguage::CharLength(text.GetString() + pos, static_cast<unsigned int>(text.GetLength() - pos));
}

bool IsAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Whether the character at `pos` (of length `length`) is a blank.
bool IsBlankAt(const CString& text, int pos, unsigned int length)
{
    if (length == 1)
        return IsAsciiBlank(text[pos]);
    return text.View().substr(static_cast<std::size_t>(pos), 2) == kFullWidthBlank;
}

bool StartsWithNoCase(const CString& text, const char* prefix)
{
    const int length = static_cast<int>(std::char_traits<char>::length(prefix));
    return text.GetLength() >= length && text.Left(length).CompareNoCase(prefix) == 0;
}

// Tabs and line ends would break the clipboard's lines and fields.
std::string ClipField(const CString& text)
{
    std::string utf8 = CCodePage::ToUtf8(text);
    for (char& c : utf8)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return utf8;
}

void AddPiece(CString piece, std::vector<CAddress>& addresses)
{
    piece = TrimBlanks(piece);
    if (StartsWithNoCase(piece, "mailto:"))
        piece = TrimBlanks(piece.Mid(7));
    if (piece.IsEmpty())
        return;
    CAddress address;
    address.FromText(piece);
    CString mail = TrimBlanks(address.GetMailAddress());
    if (StartsWithNoCase(mail, "mailto:"))
        mail = TrimBlanks(mail.Mid(7));
    address.SetMailAddress(mail.GetString());
    address.SetDisplayName(CleanDisplayName(address.GetDisplayName()).GetString());
    if (!address.GetMailAddress().IsEmpty() || !address.GetDisplayName().IsEmpty())
        addresses.push_back(address);
}

}  // namespace

int IsSameAddress(const CAddress& a, const CAddress& b)
{
    return a.GetMailAddress().CompareNoCase(b.GetMailAddress().GetString()) == 0 ? 1 : 0;
}

int FindAddress(const std::vector<CAddress>& list, const CAddress& address)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (IsSameAddress(list[i], address))
            return static_cast<int>(i);
    return -1;
}

CString TrimBlanks(const CString& text)
{
    int first = -1;
    int end = 0;
    for (int pos = 0; pos < text.GetLength();) {
        const unsigned int length = CharAt(text, pos);
        if (!IsBlankAt(text, pos, length)) {
            if (first < 0)
                first = pos;
            end = pos + static_cast<int>(length);
        }
        pos += static_cast<int>(length);
    }
    return first < 0 ? CString() : text.Mid(first, end - first);
}

CString CleanDisplayName(const CString& name)
{
    CString clean = name;
    for (int pos = 0; pos < clean.GetLength();) {
        const unsigned int length = CharAt(clean, pos);
        if (length == 1 && (clean[pos] == '\n' || clean[pos] == '\r' || clean[pos] == '\t'))
            clean.SetAt(pos, ' ');
        pos += static_cast<int>(length);
    }
    return TrimBlanks(clean);
}

std::vector<CAddress> ParseAddressText(const CString& text)
{
    std::vector<CAddress> addresses;
    bool inQuote = false;
    bool inAngle = false;
    int start = 0;
    for (int pos = 0; pos < text.GetLength();) {
        const unsigned int length = CharAt(text, pos);
        if (length == 1) {
            const char c = text[pos];
            if (c == '\n' || c == '\r') {
                inQuote = inAngle = false;
            } else if (c == '"' && !inAngle) {
                inQuote = !inQuote;
            } else if (c == '<' && !inQuote) {
                inAngle = true;
            } else if (c == '>' && !inQuote) {
                inAngle = false;
            }
            if (c == '\n' || c == '\r' || ((c == ',' || c == ';') && !inQuote && !inAngle)) {
                AddPiece(text.Mid(start, pos - start), addresses);
                start = pos + 1;
            }
        }
        pos += static_cast<int>(length);
    }
    AddPiece(text.Mid(start), addresses);
    return addresses;
}

CString AddressLinesText(const std::vector<CAddress>& addresses)
{
    CString text;
    for (const CAddress& address : addresses) {
        text += address.ToText();
        text += '\n';
    }
    return text;
}

std::string EncodeAddressClip(const std::vector<CClipAddress>& addresses)
{
    std::string bytes(kClipHeader);
    bytes += '\n';
    for (const CClipAddress& item : addresses) {
        bytes += std::to_string(item.personId);
        bytes += '\t';
        bytes += ClipField(item.address.GetGroupName());
        bytes += '\t';
        bytes += ClipField(item.address.GetDisplayName());
        bytes += '\t';
        bytes += ClipField(item.address.GetMailAddress());
        bytes += '\n';
    }
    return bytes;
}

int DecodeAddressClip(std::string_view bytes, std::vector<CClipAddress>& addresses)
{
    addresses.clear();
    std::size_t end = bytes.find('\n');
    std::string_view header = bytes.substr(0, end);
    if (!header.empty() && header.back() == '\r')
        header.remove_suffix(1);
    if (header != kClipHeader)
        return 0;
    while (end != std::string_view::npos) {
        const std::size_t start = end + 1;
        end = bytes.find('\n', start);
        std::string_view line = bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::vector<std::string_view> fields;
        for (std::size_t from = 0;;) {
            const std::size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
            if (tab == std::string_view::npos)
                break;
            from = tab + 1;
        }
        if (fields.size() != 4)
            continue;
        CClipAddress item;
        item.personId = std::strtol(std::string(fields[0]).c_str(), nullptr, 10);
        item.address = CAddress(CCodePage::FromUtf8(fields[1]).GetString(), CCodePage::FromUtf8(fields[2]).GetString(),
                                CCodePage::FromUtf8(fields[3]).GetString());
        addresses.push_back(std::move(item));
    }
    return 1;
}

std::string FoldForSearch(std::string_view utf8)
{
    std::string folded;
    folded.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            folded += static_cast<char>(b0 >= 'A' && b0 <= 'Z' ? b0 + ('a' - 'A') : b0);
            ++i;
            continue;
        }
        if ((b0 & 0xF0) == 0xE0 && i + 2 < utf8.size()) {
            const unsigned int code = ((b0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                                      (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            if (code >= 0xFF01 && code <= 0xFF5E) {
                const unsigned int ascii = code - 0xFF01 + 0x21;
                folded += static_cast<char>(ascii >= 'A' && ascii <= 'Z' ? ascii + ('a' - 'A') : ascii);
                i += 3;
                continue;
            }
            if (code == 0x3000) {
                folded += ' ';
                i += 3;
                continue;
            }
        }
        folded += static_cast<char>(b0);
        ++i;
    }
    return folded;
}
