#include "parser/CEMailPerser_p.h"

#include "encoding/CBase64.h"
#include "encoding/CLanguage.h"
#include "encoding/CQuotedPrint.h"

#include <algorithm>

namespace perser {

std::string ToLower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool StartsNoCase(std::string_view s, std::size_t pos, std::string_view key)
{
    return pos <= s.size() && s.size() - pos >= key.size() &&
           EqualNoCase(s.substr(pos, key.size()), key);
}

std::string_view TrimView(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::size_t CharLen(std::string_view s, std::size_t i)
{
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < s.size()) {
        unsigned char t = static_cast<unsigned char>(s[i + 1]);
        if (t >= 0x40 && t <= 0xFC && t != 0x7F) return 2;
    }
    return 1;
}

std::size_t FindIn(std::string_view s, std::string_view what, std::size_t pos, std::size_t limit)
{
    limit = std::min(limit, s.size());
    if (pos > limit) return npos;
    return s.substr(0, limit).find(what, pos);
}

bool TransferDecode(std::string_view data, std::string_view encoding, std::string& out)
{
    out.clear();
    std::string enc = ToLower(TrimView(encoding));
    int (*decoder)(const CString&, unsigned char*, unsigned int, unsigned int&) = nullptr;
    if (enc == "b" || enc == "base64") decoder = &CBase64::Decode;
    else if (enc == "q" || enc == "quoted-printable") decoder = &CQuotedPrint::Decode;
    else if (enc == "h") decoder = &CLanguage::HexDecode;
    if (!decoder) {
        out.assign(data);
        return true;
    }
    // Every decoder yields at most as many bytes as it reads.
    out.resize(data.size() + 1);
    unsigned int length = 0;
    int ok = decoder(CString(data), reinterpret_cast<unsigned char*>(out.data()),
                     static_cast<unsigned int>(out.size()), length);
    if (!ok || length > out.size()) {
        out.clear();
        return false;
    }
    out.resize(length);
    return true;
}

}  // namespace perser
