#include "parser/CMailCharset.h"

#include "encoding/CCodePage.h"
#include "encoding/CLanguage.h"

#include <bitset>
#include <iconv.h>
#include <memory>

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

bool IsAscii(std::string_view bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Labels other programs write that the converter knows under another name. The EUC-JP
// family becomes Microsoft's EUC-JP, which holds the NEC and IBM characters (circled
// numbers and the like) that Japanese PCs and phones send.
struct Alias {
    const char* label;
    const char* name;
};
constexpr Alias kAliases[] = {
    {"shift_jis", "cp932"}, {"shift-jis", "cp932"}, {"sjis", "cp932"}, {"x-sjis", "cp932"},
    {"x-shift_jis", "cp932"}, {"x-shift-jis", "cp932"}, {"ms_kanji", "cp932"},
    {"csshiftjis", "cp932"}, {"windows-31j", "cp932"}, {"cswindows31j", "cp932"},
    {"ms932", "cp932"}, {"x-ms-cp932", "cp932"}, {"cp932", "cp932"}, {"shift_jisx0213", "cp932"},
    {"euc-jp", "euc-jp-ms"}, {"x-euc-jp", "euc-jp-ms"}, {"x-euc", "euc-jp-ms"}, {"eucjp", "euc-jp-ms"},
    {"cseucpkdfmtjapanese", "euc-jp-ms"}, {"euc-jp-ms", "euc-jp-ms"},
    {"ks_c_5601-1987", "cp949"}, {"ks_c_5601", "cp949"}, {"ks_c_5601-1989", "cp949"},
    {"ksc5601", "cp949"}, {"ksc_5601", "cp949"}, {"euc-kr", "cp949"}, {"x-windows-949", "cp949"},
    {"unicode-1-1-utf-7", "utf-7"}, {"x-unicode-2-0-utf-7", "utf-7"}, {"csunicode11utf7", "utf-7"},
    {"utf8", "utf-8"}, {"x-utf-8", "utf-8"},
    {"gb2312", "gbk"}, {"csgb2312", "gbk"}, {"x-gbk", "gbk"},
    {"iso-8859-8-i", "iso-8859-8"}, {"iso-8859-6-i", "iso-8859-6"},
    {"ansi_x3.4-1968", "us-ascii"}, {"ascii", "us-ascii"}, {"us", "us-ascii"},
    {"iso646-us", "us-ascii"}, {"x-unknown", "x-unknown"},
};

// The double-byte codes of code page 932 that hold a character, read once from the
// converter's own table.
const std::bitset<65536>& Cp932Pairs()
{
    static const std::unique_ptr<std::bitset<65536>> pairs = [] {
        auto table = std::make_unique<std::bitset<65536>>();
        iconv_t cd = iconv_open("UTF-32LE", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            table->set();
            return table;
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char out[8];
                char* inPtr = in;
                char* outPtr = out;
                std::size_t inLeft = 2, outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
                    inLeft == 0 && outPtr - out == 4)
                    table->set(lead << 8 | trail);
            }
        }
        iconv_close(cd);
        return table;
    }();
    return *pairs;
}

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// A lead byte and the byte after it that make no character become "〓", so that a code
// outside the table (a carrier's emoji sent in JIS) cannot show as a stray letter or kana.
void ReplaceUnassigned(std::string& text)
{
    const auto& pairs = Cp932Pairs();
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto lead = static_cast<unsigned char>(text[i]);
        if (!IsLead(lead) || i + 1 >= text.size()) continue;
        auto trail = static_cast<unsigned char>(text[i + 1]);
        if (trail < 0x40 || trail > 0xFC) continue;
        if (!pairs.test(lead << 8 | trail)) {
            text[i] = CCodePage::kGeta[0];
            text[i + 1] = CCodePage::kGeta[1];
        }
        ++i;
    }
}

}  // namespace

std::string CMailCharset::Canonical(std::string_view label)
{
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!label.empty() && space(label.front())) label.remove_prefix(1);
    while (!label.empty() && space(label.back())) label.remove_suffix(1);
    if (label.size() >= 2 && label.front() == '"' && label.back() == '"')
        label = label.substr(1, label.size() - 2);
    if (std::size_t star = label.find('*'); star != std::string_view::npos) label = label.substr(0, star);
    std::string name = Lower(label);
    for (const Alias& alias : kAliases) {
        if (name == alias.label) return alias.name;
    }
    return name;
}

bool CMailCharset::IsUtf8(std::string_view bytes)
{
    // Counts the multi-byte characters that are well formed and the bytes that are not.
    // Code page 932 text forms a UTF-8 character only now and then by chance ("縺" and
    // the like), far less often than it breaks the rules.
    std::size_t good = 0, bad = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        unsigned b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned min = 0;
        if (b >= 0xC2 && b <= 0xDF) more = 1, min = 0x80;
        else if (b >= 0xE0 && b <= 0xEF) more = 2, min = 0x800;
        else if (b >= 0xF0 && b <= 0xF4) more = 3, min = 0x10000;
        bool ok = more > 0 && end - p > more;
        unsigned code = b & (0x3Fu >> more);
        for (int i = 1; ok && i <= more; ++i) {
            ok = (p[i] & 0xC0) == 0x80;
            code = code << 6 | (p[i] & 0x3Fu);
        }
        ok = ok && code >= min && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (ok) {
            ++good;
            p += more + 1;
        } else {
            ++bad;
            ++p;
        }
    }
    // Valid UTF-8, or UTF-8 with a character cut short here and there (a name cut at a
    // length limit): at most one bad byte for every four good characters.
    return bad == 0 || (good > 0 && bad * 4 <= good);
}

bool CMailCharset::HasJisEscape(std::string_view bytes)
{
    for (std::size_t p = bytes.find('\x1b'); p != std::string_view::npos; p = bytes.find('\x1b', p + 1)) {
        if (p + 2 < bytes.size() && (bytes[p + 1] == '$' || (bytes[p + 1] == '(' && bytes[p + 2] == 'I')))
            return true;
    }
    return false;
}

namespace {

// The one conversion routine: `bytes` in `charset` to code page 932, or to UTF-8 when
// `utf8` is set.
void Convert(std::string_view charset, std::string_view bytes, bool utf8, std::string& out)
{
    const char* target = utf8 ? "UTF-8" : "CP932";
    std::string_view geta = utf8 ? std::string_view("\xE3\x80\x93") : std::string_view(CCodePage::kGeta);
    auto fromCp932 = [&](std::string_view text) {
        if (utf8) {
            CCodePage::Convert("CP932", "UTF-8", text, out, geta);
        } else {
            out.assign(text);
            ReplaceUnassigned(out);
        }
    };
    auto fromJis = [&] {
        CString sjis;
        CLanguage::JIS_SJIS(bytes.data(), static_cast<unsigned int>(bytes.size()), sjis);
        fromCp932(sjis.View());
    };
    std::string name = CMailCharset::Canonical(charset);
    if (name.empty() || name == "us-ascii") {
        // No charset given (or plain ASCII claimed): the bytes decide.
        if (CMailCharset::HasJisEscape(bytes)) fromJis();
        else if (IsAscii(bytes)) out.assign(bytes);
        else if (!CMailCharset::IsUtf8(bytes)) fromCp932(bytes);
        else if (utf8) out.assign(bytes);
        else CCodePage::Convert("UTF-8", target, bytes, out, geta);
        return;
    }
    if (name.rfind("iso-2022-jp", 0) == 0 || name == "csiso2022jp" || name == "jis") {
        // 8-bit bytes without a single escape are no ISO-2022-JP, whatever the label says.
        if (IsAscii(bytes) || CMailCharset::HasJisEscape(bytes)) fromJis();
        else Convert("", bytes, utf8, out);
        return;
    }
    if (name == "cp932") {
        fromCp932(bytes);
        return;
    }
    if (CCodePage::Convert(name.c_str(), target, bytes, out, geta) >= 0) return;
    // Nobody knows this charset: its ASCII stays readable, every other byte is "〓".
    out.clear();
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) out += c;
        else out += geta;
    }
}

}  // namespace

void CMailCharset::Guess(std::string_view bytes, CString& out)
{
    Convert("", bytes, false, out.Str());
}

void CMailCharset::ToCp932(std::string_view charset, std::string_view bytes, CString& out)
{
    Convert(charset, bytes, false, out.Str());
}

void CMailCharset::ToUtf8(std::string_view charset, std::string_view bytes, std::string& out)
{
    Convert(charset, bytes, true, out);
}
