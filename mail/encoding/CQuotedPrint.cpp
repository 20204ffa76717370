#include "encoding/CQuotedPrint.h"

#include "encoding/CQuotedPrint_p.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

constexpr std::array<signed char, 256> kHexDigit = [] {
    std::array<signed char, 256> t{};
    t.fill(-1);
    for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<signed char>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<signed char>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<signed char>(c - 'a' + 10);
    return t;
}();

}  // namespace

int DecodeEscapedText(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                      unsigned int& decodedLength, char escape, bool softBreaks)
{
    decodedLength = 0;
    const std::string& s = text.Str();
    if (buffer == nullptr || bufferSize < s.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* const end = p + s.size();
    unsigned int produced = 0;
    while (p < end && produced < bufferSize) {
        const auto* hit = static_cast<const unsigned char*>(
            std::memchr(p, escape, static_cast<std::size_t>(end - p)));
        const auto* stop = hit ? hit : end;
        std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(stop - p), bufferSize - produced);
        std::memcpy(buffer + produced, p, n);
        produced += static_cast<unsigned int>(n);
        p += n;
        if (p != hit || produced >= bufferSize) continue;
        std::size_t left = static_cast<std::size_t>(end - p) - 1;
        if (softBreaks && (left == 0 || p[1] == '\n' || (p[1] == '\r'))) {
            // A soft line break: "=" CR LF, "=" LF, or "=" whose line end the caller cut off.
            p += 1;
            if (p < end && *p == '\r') ++p;
            if (p < end && *p == '\n') ++p;
            continue;
        }
        if (left >= 2 && kHexDigit[p[1]] >= 0 && kHexDigit[p[2]] >= 0) {
            buffer[produced++] = static_cast<unsigned char>(kHexDigit[p[1]] << 4 | kHexDigit[p[2]]);
            p += 3;
            continue;
        }
        // Not an escape: the character stands for itself.
        buffer[produced++] = *p++;
    }
    decodedLength = produced;
    return 1;
}

int CQuotedPrint::Decode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                         unsigned int& decodedLength)
{
    return DecodeEscapedText(text, buffer, bufferSize, decodedLength, '=', true);
}

void CQuotedPrint::Encode(const CString& text, CString& out)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string_view in = text.View();
    std::string& o = out.Str();
    o.reserve(o.size() + in.size() + in.size() / 8);
    std::size_t column = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '\r' && i + 1 < in.size() && in[i + 1] == '\n') {
            o += "\r\n";
            ++i;
            column = 0;
            continue;
        }
        bool atLineEnd = i + 1 == in.size() || (in[i + 1] == '\r' && i + 2 < in.size() && in[i + 2] == '\n');
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !atLineEnd);
        std::size_t width = literal ? 1 : 3;
        // Room for the soft break's "=" unless this is the line's last character.
        if (column + width > (atLineEnd ? 76u : 75u)) {
            o += "=\r\n";
            column = 0;
        }
        if (literal) {
            o += static_cast<char>(c);
        } else {
            o += '=';
            o += hex[c >> 4];
            o += hex[c & 0x0F];
        }
        column += width;
    }
}
