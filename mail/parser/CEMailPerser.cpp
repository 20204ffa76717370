#include "parser/CEMailPerser.h"

#include "encoding/CBase64.h"
#include "encoding/CCodePage.h"
#include "encoding/CLanguage.h"
#include "encoding/CQuotedPrint.h"
#include "model/CAddress.h"
#include "model/CFileUtility.h"
#include "model/CMailDoc.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <string_view>
#include <unistd.h>

const char* const headerFieldNames[] = {
    "From:", "To:", "Cc:", "Message-ID:", "References:", "Subject:", "Date:",
};
const int numOfHeaderFieldNames = 7;

namespace {

using std::string_view;
constexpr auto npos = string_view::npos;

// Deeper nesting than this is not found in real mail; past it parts are ignored.
constexpr int kMaxDepth = 24;
// Linux allows 255 bytes per name; leave room for the "_N" of a name that exists already.
constexpr std::size_t kMaxNativeName = 200;

struct DepthGuard {
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    bool TooDeep() const { return depth_ > kMaxDepth; }
    int& depth_;
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string ToLower(string_view s)
{
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool EqualNoCase(string_view a, string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool StartsNoCase(string_view s, std::size_t pos, string_view key)
{
    return pos <= s.size() && s.size() - pos >= key.size() && EqualNoCase(s.substr(pos, key.size()), key);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

string_view TrimView(string_view s)
{
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

// Length of the code page 932 character at `i`: a lead byte followed by a valid trail byte is
// one character of two bytes, anything else one byte.
std::size_t CharLen(string_view s, std::size_t i)
{
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < s.size()) {
        unsigned char t = static_cast<unsigned char>(s[i + 1]);
        if (t >= 0x40 && t <= 0xFC && t != 0x7F) return 2;
    }
    return 1;
}

// Finds `what` in s[pos, limit).
std::size_t FindIn(string_view s, string_view what, std::size_t pos, std::size_t limit)
{
    limit = std::min(limit, s.size());
    if (pos > limit) return npos;
    std::size_t k = s.substr(0, limit).find(what, pos);
    return k;
}

bool IsShiftJis(string_view cs)
{
    static const char* const names[] = {"shift_jis", "shift-jis", "sjis", "x-sjis", "cp932",
                                        "windows-31j", "ms932", "x-ms-cp932", "ms_kanji",
                                        "csshiftjis", "csWindows31J"};
    for (const char* n : names) {
        if (EqualNoCase(cs, n)) return true;
    }
    return false;
}

// Brings `bytes` in `charset` to code page 932. ISO-2022-JP goes through the system's own JIS
// conversion; text labelled (or defaulted to) US-ASCII that carries JIS escapes is JIS too,
// as old Japanese mailers sent it. An unknown charset leaves the bytes as they are.
void ConvertCharset(string_view charset, string_view bytes, CString& out)
{
    std::string cs = ToLower(TrimView(charset));
    if (cs.size() >= 2 && cs.front() == '"' && cs.back() == '"') cs = cs.substr(1, cs.size() - 2);
    if (std::size_t star = cs.find('*'); star != std::string::npos) cs.resize(star);  // RFC 2231 language
    bool ascii = cs.empty() || cs == "us-ascii" || cs == "ascii";
    if (cs.rfind("iso-2022-jp", 0) == 0 || cs == "csiso2022jp" ||
        (ascii && bytes.find("\x1b$") != npos)) {
        CLanguage::JIS_SJIS(bytes.data(), static_cast<unsigned int>(bytes.size()), out);
        return;
    }
    if (ascii || IsShiftJis(cs) || !CCodePage::ToCp932(cs.c_str(), bytes, out)) {
        out = CString(bytes);
    }
}

// Undoes the transfer encoding. False when the decoder fails; `out` is then empty.
bool TransferDecode(const CString& data, string_view encoding, std::string& out)
{
    out.clear();
    std::string enc = ToLower(TrimView(encoding));
    int (*decoder)(const CString&, unsigned char*, unsigned int, unsigned int&) = nullptr;
    if (enc == "b" || enc == "base64") decoder = &CBase64::Decode;
    else if (enc == "q" || enc == "quoted-printable") decoder = &CQuotedPrint::Decode;
    else if (enc == "h") decoder = &CLanguage::HexDecode;
    if (!decoder) {
        out = data.Str();
        return true;
    }
    // Every decoder yields at most as many bytes as it reads.
    out.resize(static_cast<std::size_t>(data.GetLength()) + 1);
    unsigned int length = 0;
    int ok = decoder(data, reinterpret_cast<unsigned char*>(out.data()),
                     static_cast<unsigned int>(out.size()), length);
    if (!ok || length > out.size()) {
        out.clear();
        return false;
    }
    out.resize(length);
    return true;
}

// Transfer decoding and charset conversion of a part's content. Files keep their bytes except
// for ISO-2022-JP text, which becomes Shift_JIS as it always has; body text is converted from
// any charset.
bool DecodeContent(const CString& data, string_view encoding, string_view charset,
                   bool anyCharset, CString& out)
{
    std::string bytes;
    bool ok = TransferDecode(data, encoding, bytes);
    std::string cs = ToLower(TrimView(charset));
    if (anyCharset || cs.rfind("iso-2022-jp", 0) == 0) ConvertCharset(cs, bytes, out);
    else out = CString(std::move(bytes));
    return ok;
}

// A message whose lines end in LF alone (mailbox and .eml files on Linux) is read as CR LF.
bool HasBareLf(string_view s)
{
    for (std::size_t p = s.find('\n'); p != npos; p = s.find('\n', p + 1)) {
        if (p == 0 || s[p - 1] != '\r') return true;
    }
    return false;
}

CString ToCrLf(string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 32);
    std::size_t from = 0;
    for (std::size_t p = s.find('\n'); p != npos; p = s.find('\n', p + 1)) {
        out.append(s, from, p - from);
        if (p == 0 || s[p - 1] != '\r') out += '\r';
        out += '\n';
        from = p + 1;
    }
    out.append(s, from, npos);
    return CString(std::move(out));
}

// Splits a parameter list at ";" outside double quotes.
template <typename F>
void ForEachParameter(string_view params, F&& f)
{
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= params.size();) {
        if (i == params.size() || (!quoted && params[i] == ';')) {
            if (f(params.substr(start, i - start))) return;
            start = ++i;
            continue;
        }
        if (params[i] == '"') quoted = !quoted;
        else if (quoted && params[i] == '\\' && i + 1 < params.size()) ++i;
        i += CharLen(params, i);
    }
}

// The raw (undecoded) value of parameter `key`, or false.
bool RawParameter(string_view params, string_view key, std::string& value)
{
    bool found = false;
    ForEachParameter(TrimView(params), [&](string_view segment) {
        segment = TrimView(segment);
        if (!StartsNoCase(segment, 0, key)) return false;
        std::size_t p = key.size();
        while (p < segment.size() && IsBlank(segment[p])) ++p;
        if (p >= segment.size() || segment[p] != '=') return false;
        string_view v = TrimView(segment.substr(p + 1));
        if (!v.empty() && v.front() == '"') v.remove_prefix(1);
        if (!v.empty() && v.back() == '"') v.remove_suffix(1);
        value.assign(v);
        found = true;
        return true;
    });
    return found;
}

bool PercentDecode(string_view text, std::string& out)
{
    CString data(text);
    std::string bytes;
    if (!TransferDecode(data, "H", bytes)) return false;
    out += bytes;
    return true;
}

const char* ExtensionOf(string_view type)
{
    static const struct { const char* type; const char* ext; } table[] = {
        {"image/jpeg", ".jpg"}, {"image/jpg", ".jpg"}, {"image/pjpeg", ".jpg"},
        {"image/png", ".png"}, {"image/gif", ".gif"}, {"image/bmp", ".bmp"},
        {"image/tiff", ".tif"}, {"image/webp", ".webp"}, {"image/svg+xml", ".svg"},
        {"text/plain", ".txt"}, {"text/html", ".html"}, {"text/csv", ".csv"},
        {"text/calendar", ".ics"}, {"text/xml", ".xml"}, {"application/xml", ".xml"},
        {"application/pdf", ".pdf"}, {"application/zip", ".zip"},
        {"application/json", ".json"}, {"application/msword", ".doc"},
        {"application/pgp-signature", ".asc"}, {"message/rfc822", ".eml"},
        {"audio/mpeg", ".mp3"}, {"video/mp4", ".mp4"},
    };
    for (const auto& entry : table) {
        if (EqualNoCase(type, entry.type)) return entry.ext;
    }
    return "";
}

// The name given to a part that has none (or none usable), numbered by its place among the
// message's attachments.
CString FallbackName(int number, string_view type)
{
    CString name;
    name.Format("attachment%d%s", number, ExtensionOf(TrimView(type)));
    return name;
}

// Makes `name` a plain file name inside the folder: no separators, no control bytes, and
// short enough for the file system. Empty when nothing usable is left.
CString CleanFileName(CString name)
{
    CFileUtility::ReplaceProhibitedWords(name);
    std::string& s = name.Str();
    for (char& c : s) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '/' || b < 0x20 || b == 0x7F) c = '_';
    }
    name.Trim();
    if (name == "" || name == "." || name == "..") return CString();
    if (CPath::FromText(name).Native().size() > kMaxNativeName) {
        int dot = name.ReverseFind('.');
        CString ext = (dot > 0 && name.GetLength() - dot <= 16) ? name.Mid(dot) : CString();
        CString stem = name.Left(name.GetLength() - ext.GetLength());
        while (!stem.IsEmpty() &&
               CPath::FromText(stem + ext).Native().size() > kMaxNativeName) {
            unsigned int keep = static_cast<unsigned int>(stem.GetLength()) * 3 / 4;
            CLanguage::CutSJIS(stem.GetString(), static_cast<unsigned int>(stem.GetLength()), keep, stem);
        }
        name = stem + ext;
    }
    return name;
}

}  // namespace

// --- Header side -------------------------------------------------------------------------

int CEMailPerser::ReadField(const CString& text, int pos, int limit, CString& raw, int* next)
{
    string_view s = text.View();
    std::size_t lim = std::min<std::size_t>(static_cast<std::size_t>(limit), s.size());
    std::size_t start = static_cast<std::size_t>(pos);
    std::size_t e = FindIn(s, "\r\n", start, lim + 2);
    if (pos < 0 || e == npos || e > lim) {
        if (next) *next = pos;
        return 0;
    }
    std::string value(s.substr(start, e - start));
    std::size_t p = e + 2;
    while (p < lim && IsBlank(s[p])) {
        std::size_t ce = FindIn(s, "\r\n", p, lim + 2);
        if (ce == npos || ce > lim) break;
        string_view cont = s.substr(p, ce - p);
        while (!cont.empty() && IsBlank(cont.front())) cont.remove_prefix(1);
        // Unfolding keeps the words of a folded text apart (RFC 5322 3.2.2); only between two
        // encoded words does the fold vanish (RFC 2047 6.2).
        if (!cont.empty()) {
            bool words = value.size() >= 2 && value.compare(value.size() - 2, 2, "?=") == 0 &&
                         cont.substr(0, 2) == "=?";
            if (!words) value += ' ';
            value += cont;
        }
        p = ce + 2;
    }
    if (next) *next = static_cast<int>(p);
    raw = CString(std::move(value));
    return 1;
}

int CEMailPerser::PerseFieldValue(const CString& text, int pos, const char* name, CString& value,
                                  int* next)
{
    CString raw;
    if (!ReadField(text, pos, text.GetLength(), raw, next)) return 0;
    std::size_t cut = std::strlen(name ? name : "");
    string_view r = raw.View();
    if (name && StartsNoCase(r, 0, name) && r.size() > cut && r[cut] == ':') ++cut;
    else cut = r.find(':') == npos ? 0 : r.find(':') + 1;
    value = DecodeFieldValue(CString(TrimView(r.substr(cut))));
    return 1;
}

int CEMailPerser::FindFieldIn(const CString& text, int pos, int limit, const char* name,
                              CString& value, int* next, bool decode)
{
    std::string key = std::string(name) + ":";
    string_view s = text.View();
    std::size_t lim = std::min<std::size_t>(static_cast<std::size_t>(limit), s.size());
    std::size_t p = static_cast<std::size_t>(pos);
    while (pos >= 0 && p < lim) {
        if (s.compare(p, 2, "\r\n") == 0) break;
        if (StartsNoCase(s, p, key)) {
            CString raw;
            if (!ReadField(text, static_cast<int>(p), limit, raw, next)) return 0;
            string_view v = TrimView(raw.View().substr(key.size()));
            value = decode ? DecodeFieldValue(CString(v)) : CString(v);
            return 1;
        }
        std::size_t e = FindIn(s, "\r\n", p, lim + 2);
        if (e == npos) break;
        p = e + 2;
    }
    if (next) *next = pos;
    return 0;
}

int CEMailPerser::FindField(const CString& text, int pos, const char* name, CString& value,
                            int* next)
{
    return FindFieldIn(text, pos, text.GetLength(), name, value, next, true);
}

int CEMailPerser::FindTopOfLine(const CString& text, int pos, const CString& key)
{
    string_view s = text.View();
    std::size_t p = static_cast<std::size_t>(pos);
    while (pos >= 0 && p < s.size()) {
        if (s.compare(p, 2, "\r\n") == 0) break;
        if (StartsNoCase(s, p, key.View())) return static_cast<int>(p);
        std::size_t e = s.find("\r\n", p);
        if (e == npos) break;
        p = e + 2;
    }
    return -1;
}

int CEMailPerser::EmptyLineIn(const CString& text, int pos, int limit)
{
    string_view s = text.View();
    std::size_t lim = std::min<std::size_t>(static_cast<std::size_t>(limit), s.size());
    std::size_t p = static_cast<std::size_t>(pos);
    if (pos < 0 || p > lim) return -1;
    if ((p == 0 || s[p - 1] == '\n') && s.compare(p, 2, "\r\n") == 0) return pos;
    std::size_t k = FindIn(s, "\r\n\r\n", p, lim + 2);
    if (k == npos || k + 2 > lim) return -1;
    return static_cast<int>(k + 2);
}

int CEMailPerser::FindEmptyLine(const CString& text, int pos)
{
    return EmptyLineIn(text, pos, text.GetLength());
}

int CEMailPerser::NextAddress(const CString& value, int pos, CString& address)
{
    string_view s = value.View();
    std::size_t p = static_cast<std::size_t>(std::max(pos, 0));
    while (p < s.size() && (IsBlank(s[p]) || s[p] == '\r' || s[p] == '\n')) ++p;
    if (p >= s.size()) return -1;
    std::size_t from = p;
    if (s[p] == '"') {
        // A quoted display name may hold a comma; a backslash escapes the next character.
        ++p;
        while (p < s.size() && s[p] != '"') {
            if (s[p] == '\\' && p + 1 < s.size()) ++p;
            p += CharLen(s, p);
        }
    }
    int comma = value.Find(',', static_cast<int>(std::min(p, s.size())));
    std::size_t end = comma < 0 ? s.size() : static_cast<std::size_t>(comma);
    address = CString(TrimView(s.substr(from, end - from)));
    return static_cast<int>(std::min(end + 1, s.size()));
}

int CEMailPerser::PerseAddressField(const CString& text, int pos, const char* name,
                                    CStringArray& addresses)
{
    // `pos` is the field's line, or a line of the header above it.
    std::string key = std::string(name ? name : "") + ":";
    if (name && !StartsNoCase(text.View(), static_cast<std::size_t>(std::max(pos, 0)), key)) {
        int line = FindTopOfLine(text, pos, CString(key));
        if (line >= 0) pos = line;
    }
    CString raw;
    if (!ReadField(text, pos, text.GetLength(), raw, nullptr)) return 0;
    string_view r = raw.View();
    std::size_t colon = r.find(':');
    std::size_t cut = (name && StartsNoCase(r, 0, key)) ? key.size() : colon + 1;
    if (colon == npos) cut = 0;
    // Split before decoding, so that a decoded display name holding a comma stays whole.
    CString value(TrimView(r.substr(std::min(cut, r.size()))));
    value += ",";
    CString address;
    for (int p = 0; (p = NextAddress(value, p, address)) >= 0;) {
        addresses.Add(CString(TrimView(DecodeFieldValue(address).View())));
    }
    return 1;
}

int CEMailPerser::PerseHeaderFields(const CString& text, int end, int, CStringArray& from,
                                    CStringArray& to, CStringArray& cc, CString& messageId,
                                    CString& references, CString& subject, CString& date)
{
    bool seen[7] = {};
    string_view s = text.View();
    std::size_t p = 0;
    while (static_cast<long>(p) <= end && p < s.size()) {
        for (int i = 0; i < numOfHeaderFieldNames; ++i) {
            if (seen[i] || !StartsNoCase(s, p, headerFieldNames[i])) continue;
            seen[i] = true;
            int pos = static_cast<int>(p);
            std::string name(headerFieldNames[i]);
            name.pop_back();
            switch (i) {
            case 0: PerseAddressField(text, pos, name.c_str(), from); break;
            case 1: PerseAddressField(text, pos, name.c_str(), to); break;
            case 2: PerseAddressField(text, pos, name.c_str(), cc); break;
            case 3: PerseFieldValue(text, pos, name.c_str(), messageId, nullptr); break;
            case 4: PerseFieldValue(text, pos, name.c_str(), references, nullptr); break;
            case 5: PerseFieldValue(text, pos, name.c_str(), subject, nullptr); break;
            case 6: PerseFieldValue(text, pos, name.c_str(), date, nullptr); break;
            }
            break;
        }
        std::size_t e = s.find("\r\n", p);
        if (e == npos) break;
        p = e + 2;
    }
    return 1;
}

void CEMailPerser::ContentTypeIn(const CString& text, int pos, int limit, CString& type,
                                 CString& parameters)
{
    type.Empty();
    parameters.Empty();
    CString value;
    // Read undecoded: parameters are decoded one by one, so that a decoded file name holding
    // ";" or a quote cannot split the list.
    if (!FindFieldIn(text, pos, limit, "Content-Type", value, nullptr, false)) {
        type = "text/plain";
        parameters = "charset=us-ascii";
        return;
    }
    int semi = value.Find(';');
    if (semi >= 0) {
        type = value.Left(semi);
        type.TrimRight();
        parameters = value.Mid(semi + 1);
        parameters.TrimLeft();
    } else {
        type = value;
        if (type.CompareNoCase("text/plain") == 0) parameters = "charset=us-ascii";
    }
}

int CEMailPerser::GetContentType(const CString& text, int pos, CString& type, CString& parameters,
                                 int* next)
{
    ContentTypeIn(text, pos, text.GetLength(), type, parameters);
    if (next) {
        CString ignored;
        FindFieldIn(text, pos, text.GetLength(), "Content-Type", ignored, next, false);
    }
    return 1;
}

CString CEMailPerser::GetAttrValue(const CString& parameters, const char* name)
{
    std::string value;
    if (!RawParameter(parameters.View(), name, value)) return CString();
    return DecodeFieldValue(CString(std::move(value)));
}

CString CEMailPerser::GetAttrValue_MultiLine(const CString& parameters, const char* name)
{
    // Pieces "name*0*", "name*1*"... are %-encoded, "name*0", "name*1"... literal; the first
    // encoded piece (or the single "name*") starts with "charset'language'" (RFC 2231).
    struct Piece { std::string text; bool encoded; };
    std::vector<Piece> pieces;
    for (int n = 0; n < 256; ++n) {
        std::string value;
        CString key;
        key.Format("%s*%d*", name, n);
        if (RawParameter(parameters.View(), key.View(), value) && !value.empty()) {
            pieces.push_back({std::move(value), true});
            continue;
        }
        key.Format("%s*%d", name, n);
        if (RawParameter(parameters.View(), key.View(), value) && !value.empty()) {
            pieces.push_back({std::move(value), false});
            continue;
        }
        break;
    }
    if (pieces.empty()) {
        std::string value;
        CString key;
        key.Format("%s*", name);
        if (!RawParameter(parameters.View(), key.View(), value) || value.empty()) return CString();
        pieces.push_back({std::move(value), true});
    }

    std::string charset;
    bool prefixed = false;
    if (pieces.front().encoded) {
        std::string& first = pieces.front().text;
        std::size_t q1 = first.find('\'');
        std::size_t q2 = q1 == std::string::npos ? q1 : first.find('\'', q1 + 1);
        if (q2 != std::string::npos) {
            charset = first.substr(0, q1);
            first.erase(0, q2 + 1);
            prefixed = true;
        }
    }
    std::string bytes;
    for (const Piece& piece : pieces) {
        if (!prefixed || !piece.encoded) bytes += piece.text;
        else if (!PercentDecode(piece.text, bytes)) return CString();
    }
    if (!prefixed) return CString(std::move(bytes));
    CString out;
    ConvertCharset(charset, bytes, out);
    return out;
}

CString CEMailPerser::DecodeFieldValue(const CString& value)
{
    string_view s = value.View();
    if (s.find("=?") == npos) return value;
    std::string out;
    std::size_t p = 0;
    for (;;) {
        std::size_t open = s.find("=?", p);
        if (open == npos) break;
        std::size_t q1 = s.find('?', open + 2);
        std::size_t q2 = q1 == npos ? npos : s.find('?', q1 + 1);
        std::size_t close = q2 == npos ? npos : s.find("?=", q2 + 1);
        if (close == npos) break;  // not a whole encoded word: the rest stays as it is
        out.append(s, p, open - p);
        string_view charset = s.substr(open + 2, q1 - open - 2);
        string_view encoding = s.substr(q1 + 1, q2 - q1 - 1);
        std::string data(s.substr(q2 + 1, close - q2 - 1));
        if (EqualNoCase(encoding, "Q")) {
            // In an encoded word "_" stands for a blank (RFC 2047 4.2).
            std::string q;
            for (char c : data) {
                if (c == '_') q += "=20";
                else q += c;
            }
            data.swap(q);
        }
        std::string bytes;
        if (TransferDecode(CString(std::move(data)), encoding, bytes)) {
            bytes.resize(std::strlen(bytes.c_str()));
            CString converted;
            ConvertCharset(charset, bytes, converted);
            out += converted.View().substr(0, std::strlen(converted.GetString()));
        }
        p = close + 2;
    }
    out.append(s, p, npos);
    return CString(std::move(out));
}

int CEMailPerser::Decode(const CString& data, const CString& encoding, const CString& charset,
                         unsigned char* buffer, unsigned int size, unsigned int& length)
{
    length = 0;
    if (!buffer || size == 0) return 0;
    std::memset(buffer, 0, size);
    CString out;
    if (!DecodeContent(data, encoding.View(), charset.View(), true, out)) return 0;
    if (static_cast<unsigned int>(out.GetLength()) >= size) return 0;
    std::memcpy(buffer, out.GetString(), static_cast<std::size_t>(out.GetLength()));
    length = static_cast<unsigned int>(out.GetLength());
    buffer[length] = 0;
    return 1;
}

// --- Body side ---------------------------------------------------------------------------

int CEMailPerser::FindBoundaryIn(const CString& text, int pos, int limit, const CString& boundary,
                                 int& start, int& end, int* last)
{
    if (boundary.IsEmpty() || pos < 0) return 0;
    string_view s = text.View();
    std::size_t lim = std::min<std::size_t>(static_cast<std::size_t>(limit), s.size());
    std::string delimiter = "\r\n--" + boundary.Str();
    for (std::size_t p = static_cast<std::size_t>(pos);;) {
        std::size_t k = FindIn(s, delimiter, p, lim);
        if (k == npos) return 0;
        std::size_t after = k + delimiter.size();
        // A longer boundary that merely starts with this one, or a line that goes on with
        // other text, is not its delimiter; blanks before the line end are padding.
        std::size_t rest = after;
        while (rest < lim && IsBlank(s[rest])) ++rest;
        bool closing = s.compare(after, 2, "--") == 0 && after + 2 <= lim;
        if (!closing && rest < lim && s[rest] != '\r') {
            p = k + 1;
            continue;
        }
        start = static_cast<int>(k);
        if (last) *last = closing;
        std::size_t e = FindIn(s, "\r\n", after, lim + 2);
        end = static_cast<int>(e == npos || e > lim ? lim : e);
        return 1;
    }
}

int CEMailPerser::FindNextBoundary(const CString& text, int pos, const CString& boundary,
                                   int& start, int& end, int* last)
{
    return FindBoundaryIn(text, pos, text.GetLength(), boundary, start, end, last);
}

namespace {
enum { kMixed, kAlternative, kRelated };
}

int CEMailPerser::WalkParts(const CString& text, int pos, const char* tempPath,
                            const CString& parameters, int kind, CString& body,
                            CStringArray& names, CStringArray* paths, int& headerEnd,
                            int& partEnd)
{
    DepthGuard guard(depth_);
    if (guard.TooDeep()) return 0;
    CString boundary = GetAttrValue(parameters, "boundary");
    int limit = partEnd;
    int start = 0, end = 0, last = 0;
    if (!FindBoundaryIn(text, pos, limit, boundary, start, end, &last)) return 0;
    headerEnd = start;
    bool bodyTaken = false;
    while (!last) {
        int nextStart = 0, nextEnd = 0, nextLast = 0;
        if (!FindBoundaryIn(text, end, limit, boundary, nextStart, nextEnd, &nextLast)) break;
        int partStart = end + 2;
        if (partStart <= nextStart && !(kind == kAlternative && bodyTaken)) {
            CString type, params;
            ContentTypeIn(text, partStart, nextStart, type, params);
            std::string t = ToLower(TrimView(type.View()));
            int he = partStart, pe = nextStart, ok = 1;
            if (kind == kRelated) {
                CString partBody;
                ok = PerseMime(text, partStart, tempPath, params, CString(), partBody, names,
                               paths, he, pe);
                if (!bodyTaken && !partBody.IsEmpty()) {
                    body = partBody;
                    bodyTaken = true;
                }
            } else if (kind == kAlternative) {
                if (t == "text/plain") {
                    ok = PerseBody(text, partStart, tempPath, params, boundary, body, names,
                                   paths, he, pe);
                    bodyTaken = true;
                }
            } else if (t == "multipart/alternative") {
                ok = PerseAlternative(text, partStart, tempPath, params, boundary, body, names,
                                      paths, he, pe);
            } else if (t.rfind("multipart/", 0) == 0) {
                // Nested mixed and related parts (and multipart/signed and the like) hold
                // bodies and attachments too; none of them is saved as one opaque file.
                ok = PerseMime(text, partStart, tempPath, params, boundary, body, names, paths,
                               he, pe);
            } else if (t == "text/plain") {
                ok = PerseFile(text, partStart, tempPath, params, boundary, body, names, paths,
                               he, pe, 1, 0);
                if (ok < 0) {
                    pe = nextStart;
                    ok = PerseBody(text, partStart, tempPath, params, boundary, body, names,
                                   paths, he, pe);
                }
            } else if (t == "message/rfc822") {
                ok = PerseAttachedMail(text, partStart, tempPath, params, boundary, body, names,
                                       paths, he, pe);
            } else {
                ok = PerseFile(text, partStart, tempPath, params, boundary, body, names, paths,
                               he, pe);
            }
            if (ok <= 0) return 0;
        }
        start = nextStart;
        end = nextEnd;
        last = nextLast;
    }
    partEnd = last ? end : limit;
    return 1;
}

int CEMailPerser::PerseMixed(const CString& text, int pos, const char* tempPath,
                             const CString& parameters, const CString&, CString& body,
                             CStringArray& names, CStringArray* paths, int& headerEnd,
                             int& partEnd)
{
    return WalkParts(text, pos, tempPath, parameters, kMixed, body, names, paths, headerEnd,
                     partEnd);
}

int CEMailPerser::PerseAlternative(const CString& text, int pos, const char* tempPath,
                                   const CString& parameters, const CString&, CString& body,
                                   CStringArray& names, CStringArray* paths, int& headerEnd,
                                   int& partEnd)
{
    return WalkParts(text, pos, tempPath, parameters, kAlternative, body, names, paths,
                     headerEnd, partEnd);
}

int CEMailPerser::PerseRelated(const CString& text, int pos, const char* tempPath,
                               const CString& parameters, const CString&, CString& body,
                               CStringArray& names, CStringArray* paths, int& headerEnd,
                               int& partEnd)
{
    return WalkParts(text, pos, tempPath, parameters, kRelated, body, names, paths, headerEnd,
                     partEnd);
}

int CEMailPerser::PerseMime(const CString& text, int pos, const char* tempPath,
                            const CString&, const CString& boundary, CString& body,
                            CStringArray& names, CStringArray* paths, int& headerEnd,
                            int& partEnd)
{
    DepthGuard guard(depth_);
    if (guard.TooDeep()) return 0;
    CString type, params;
    ContentTypeIn(text, pos, partEnd, type, params);
    std::string t = ToLower(TrimView(type.View()));
    if (t == "multipart/related")
        return PerseRelated(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t == "multipart/alternative")
        return PerseAlternative(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t.rfind("multipart/", 0) == 0)
        return PerseMixed(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t == "text/plain")
        return PerseBody(text, pos, tempPath, params, CString(), body, names, paths, headerEnd, partEnd);
    if (t.compare(0, 5, "image") == 0)
        return PerseFile(text, pos, tempPath, params, CString(), body, names, paths, headerEnd, partEnd);
    headerEnd = pos;
    return 1;
}

int CEMailPerser::PerseBody(const CString& text, int pos, const char*, const CString& parameters,
                            const CString&, CString& body, CStringArray&, CStringArray*,
                            int& headerEnd, int& partEnd)
{
    CString charset = GetAttrValue(parameters, "charset");
    if (charset.IsEmpty()) charset = "us-ascii";
    CString encoding;
    if (!FindFieldIn(text, pos, partEnd, "Content-Transfer-Encoding", encoding, nullptr, false))
        encoding = "7bit";
    int empty = EmptyLineIn(text, pos, partEnd);
    headerEnd = empty < 0 ? partEnd : empty;
    int from = std::min(headerEnd + 2, partEnd);
    if (from >= partEnd) {
        body.Empty();
        return 1;
    }
    CString content(text.View().substr(static_cast<std::size_t>(from),
                                       static_cast<std::size_t>(partEnd - from)));
    CString decoded;
    int ok = DecodeContent(content, encoding.View(), charset.View(), true, decoded);
    body = std::move(decoded);
    return ok;
}

CString CEMailPerser::PartFileName(const CString& text, int pos, int limit,
                                   const CString& parameters)
{
    CString name = GetAttrValue(parameters, "name");
    if (name.IsEmpty()) name = GetAttrValue_MultiLine(parameters, "name");
    if (!name.IsEmpty()) return name;
    CString disposition;
    if (!FindFieldIn(text, pos, limit, "Content-Disposition", disposition, nullptr, false))
        return name;
    int semi = disposition.Find(';');
    if (semi < 0) return name;
    CString params = disposition.Mid(semi + 1);
    name = GetAttrValue(params, "filename");
    if (name.IsEmpty()) name = GetAttrValue_MultiLine(params, "filename");
    return name;
}

namespace {

// Creates a new file "<folder>/<name><suffix>", or with "_1", "_2"... after the name when that
// exists; `folder` and `path` are the file system's bytes, `name` is code page 932 and is
// converted to UTF-8. O_EXCL: an existing file (or a link planted in the folder) is never
// overwritten.
int CreateUnique(const char* folder, const CString& name, const char* suffix, CString& path)
{
    const CPath base = CPath::FromNative(folder) / CPath::FromText(name);
    for (int n = 0; n < 100000; ++n) {
        if (n == 0) path = base.Native() + suffix;
        else path.Format("%s_%d%s", base.c_str(), n, suffix);
        int fd = ::open(path.GetString(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

struct Base64Class {
    constexpr Base64Class() : table()
    {
        for (int c = 0; c < 256; ++c) {
            table[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
        }
    }
    unsigned char table[256];
};
constexpr Base64Class kBase64Class;

unsigned char IsBase64Char(char c) { return kBase64Class.table[static_cast<unsigned char>(c)]; }

// Decodes a file part's content into `fd`. Base64 and quoted-printable go piece by piece (a
// megabyte of lines at a time, Base64 cut between groups of four), so that a large attachment
// needs no copy of its own size; ISO-2022-JP text is converted whole, other bytes are
// written as they stand.
bool WriteDecoded(int fd, string_view content, string_view encoding, string_view charset)
{
    std::string enc = ToLower(TrimView(encoding));
    bool base64 = enc == "b" || enc == "base64";
    bool qp = enc == "q" || enc == "quoted-printable";
    if (ToLower(TrimView(charset)).rfind("iso-2022-jp", 0) == 0 || enc == "h") {
        CString decoded;
        DecodeContent(CString(content), encoding, charset, false, decoded);
        return WriteAll(fd, decoded.GetString(), static_cast<std::size_t>(decoded.GetLength()));
    }
    if (!base64 && !qp) return WriteAll(fd, content.data(), content.size());

    constexpr std::size_t kPiece = 1 << 20;
    CString piece;
    std::string carry, bytes;
    for (std::size_t p = 0; p < content.size();) {
        std::size_t end = std::min(content.size(), p + kPiece);
        if (end < content.size()) {
            std::size_t lineEnd = content.find('\n', end);
            end = lineEnd == npos ? content.size() : lineEnd + 1;
        }
        std::string& input = piece.Str();
        input.assign(carry);
        input.append(content.substr(p, end - p));
        carry.clear();
        if (base64 && end < content.size()) {
            std::size_t count = 0;
            for (char c : input) count += IsBase64Char(c);
            std::size_t extra = count % 4;
            std::size_t cut = input.size();
            while (extra > 0 && cut > 0) {
                if (IsBase64Char(input[--cut])) --extra;
            }
            carry.assign(input, cut, npos);
            input.resize(cut);
        }
        TransferDecode(piece, enc, bytes);
        if (!WriteAll(fd, bytes.data(), bytes.size())) return false;
        p = end;
    }
    if (!carry.empty()) {
        piece = CString(carry);
        TransferDecode(piece, enc, bytes);
        if (!WriteAll(fd, bytes.data(), bytes.size())) return false;
    }
    return true;
}

}  // namespace

int CEMailPerser::WriteFile(const char* tempPath, const CString& name, const char* suffix,
                            const char* data, std::size_t length, CString& path)
{
    int fd = CreateUnique(tempPath, name, suffix, path);
    if (fd < 0) return 0;
    bool ok = WriteAll(fd, data, length);
    return ::close(fd) == 0 && ok;
}

int CEMailPerser::PerseFile(const CString& text, int pos, const char* tempPath,
                            const CString& parameters, const CString& boundary, CString&,
                            CStringArray& names, CStringArray* paths, int& headerEnd,
                            int& partEnd, int force, int fallback)
{
    CString name = PartFileName(text, pos, partEnd, parameters);
    if (name.IsEmpty() && !fallback) return -1;
    CString type, ignored;
    ContentTypeIn(text, pos, partEnd, type, ignored);
    CString clean = CleanFileName(name);
    if (clean.IsEmpty()) clean = FallbackName(names.GetSize() + 1, type.View());
    names.Add(clean);

    int empty = EmptyLineIn(text, pos, partEnd);
    headerEnd = empty < 0 ? partEnd : empty;
    if (!(paths || force) || !tempPath) return 1;

    CString charset = GetAttrValue(parameters, "charset");
    CString encoding;
    if (!FindFieldIn(text, pos, partEnd, "Content-Transfer-Encoding", encoding, nullptr, false))
        encoding = "7bit";
    int from = std::min(headerEnd + 2, partEnd);
    int to = partEnd;
    if (boundary.IsEmpty()) {
        int next = EmptyLineIn(text, from, partEnd);
        if (next >= from) to = next;
    }
    CString path;
    int fd = CreateUnique(tempPath, clean, "", path);
    if (fd < 0) return 0;
    bool ok = WriteDecoded(fd, text.View().substr(static_cast<std::size_t>(from),
                                                  static_cast<std::size_t>(std::max(to - from, 0))),
                           encoding.View(), charset.View());
    if (::close(fd) != 0 || !ok) return 0;
    if (paths) paths->Add(path);
    return 1;
}

int CEMailPerser::PerseAttachedMail(const CString& text, int pos, const char* tempPath,
                                    const CString& parameters, const CString&, CString&,
                                    CStringArray& names, CStringArray* paths, int& headerEnd,
                                    int& partEnd)
{
    int empty = EmptyLineIn(text, pos, partEnd);
    headerEnd = empty < 0 ? partEnd : empty;
    int from = std::min(headerEnd + 2, partEnd);
    CString content(text.View().substr(static_cast<std::size_t>(from),
                                       static_cast<std::size_t>(partEnd - from)));
    CString name;
    {
        CMailDoc scratch;
        (void)Perse(content, CPath(), scratch, 1);
        scratch.GetSubject(name);
    }
    if (name.IsEmpty()) name = GetAttrValue(parameters, "name");
    if (name.IsEmpty()) name = FallbackName(names.GetSize() + 1, "");
    names.Add(name);
    if (!paths || !tempPath) return 1;

    CString cut;
    CString clean = CleanFileName(name);
    CLanguage::CutSJIS(clean.GetString(), static_cast<unsigned int>(clean.GetLength()), 64, cut);
    if (cut == "" || cut == "." || cut == "..") cut = FallbackName(names.GetSize(), "");
    CString path;
    if (!WriteFile(tempPath, cut, ".eml", content.GetString(),
                   static_cast<std::size_t>(content.GetLength()), path))
        return 0;
    paths->Add(path);
    return 1;
}

void CEMailPerser::MakeOriginalSummary(const CStringArray& from, const CStringArray& to,
                                       const CStringArray& cc, const CString& subject,
                                       const CString& date, const CStringArray& files,
                                       CString& summary)
{
    auto joined = [](const CStringArray& list) {
        CString out;
        for (int i = 0; i < list.GetSize(); ++i) {
            if (i) out += ";";
            out += list[i];
        }
        return out;
    };
    summary = " From:    " + joined(from) + "\r\n";
    summary += " To:      " + joined(to) + "\r\n";
    if (!cc.IsEmpty()) summary += " Cc:      " + joined(cc) + "\r\n";
    summary += " Date:    " + date + "\r\n";
    summary += " Subject: " + subject + "\r\n";
    if (!files.IsEmpty()) summary += " File:    " + joined(files) + "\r\n";
}

int CEMailPerser::Perse(const CString& input, const CPath& tempPath, CMailDoc& doc, int reply)
{
    // A message too large for the memory left fails like any other unreadable message.
    try {
        return PerseText(input, tempPath.IsEmpty() ? nullptr : tempPath.c_str(), doc, reply);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CEMailPerser::PerseText(const CString& input, const char* tempPath, CMailDoc& doc, int reply)
{
    DepthGuard guard(depth_);
    CString normalized;
    if (HasBareLf(input.View())) normalized = ToCrLf(input.View());
    const CString& text = normalized.IsEmpty() ? input : normalized;

    doc.ClearToAddresses();
    doc.ClearCcAddresses();
    doc.ClearBccAddresses();

    CString body;
    CStringArray names, paths;
    bool writing = !reply && tempPath;
    int result = 0;
    CString version;
    if (!guard.TooDeep() && FindField(text, 0, "MIME-Version", version, nullptr)) {
        // "1.0" may carry a comment, as in "1.0 (Apple Message framework v1)".
        int comment = version.Find('(');
        if (comment >= 0) version = version.Left(comment);
        version.Trim();
        if (version == "1.0") {
            // The top-level Content-Type often stands before MIME-Version: read the whole header.
            int headerEnd = 0, partEnd = text.GetLength();
            result = PerseMime(text, 0, tempPath, CString(), CString(), body, names,
                               writing ? &paths : nullptr, headerEnd, partEnd);
            if (result) {
                if (writing) {
                    CMailDoc::FileList files;
                    for (int i = 0; i < paths.GetSize(); ++i) {
                        CPath path = CPath::FromNative(paths[i].View());
                        CString title = i < names.GetSize()
                            ? names[i] : CFileUtility::GetFileNameFromPath(path);
                        files.push_back({path, title});
                    }
                    doc.SetFiles(files);
                }
                doc.SetBody(body);
            }
        }
    }

    int headerEnd = FindEmptyLine(text, 0);
    if (headerEnd < 0) headerEnd = text.GetLength();
    CStringArray from, to, cc;
    CString messageId, references, subject, date;
    PerseHeaderFields(text, headerEnd, 0, from, to, cc, messageId, references, subject, date);

    CString summary;
    MakeOriginalSummary(from, to, cc, subject, date, names, summary);
    doc.SetOriginalSummary(summary);

    if (reply) {
        CStringArray added;
        for (const CString& f : from) {
            if (f.IsEmpty() || std::find(added.begin(), added.end(), f) != added.end()) continue;
            added.Add(f);
            CAddress address;
            address.FromText(f);
            doc.AddToAddress(address);
        }
    }
    for (const CString& t : to) {
        if (t.IsEmpty()) continue;
        CAddress address;
        address.FromText(t);
        CString mail = address.GetMailAddress();
        bool known = false;
        for (unsigned int i = 0; i < doc.GetToAddressSize() && !known; ++i) {
            known = doc.GetToAddress(i)->GetMailAddress().CompareNoCase(mail.GetString()) == 0;
        }
        if (known) continue;
        if (reply) doc.AddCcAddress(address);
        else doc.AddToAddress(address);
    }
    for (const CString& c : cc) {
        if (c.IsEmpty()) continue;
        CAddress address;
        address.FromText(c);
        doc.AddCcAddress(address);
    }
    if (reply && !messageId.IsEmpty()) {
        doc.SetInReplyTo(messageId);
        CString refs = references;
        if (!refs.IsEmpty()) refs += "\r\n\t";
        refs += messageId;
        doc.SetReferences(refs);
    }
    doc.SetSubject(subject);
    return result;
}

int CEMailPerser::GetSubject(const CString& text, CString& subject)
{
    CMailDoc scratch;
    int result = Perse(text, CPath(), scratch, 0);
    scratch.GetSubject(subject);
    return result;
}
