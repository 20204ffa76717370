#include "parser/CEMailPerser.h"

#include "encoding/CCodePage.h"
#include "encoding/CLanguage.h"
#include "model/CAddress.h"
#include "model/CFileUtility.h"
#include "model/CMailDoc.h"
#include "parser/CEMailPerser_p.h"
#include "parser/CHeaderText.h"
#include "parser/CHtmlText.h"
#include "parser/CMailCharset.h"
#include "parser/CMailboxList.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unistd.h>

const char* const headerFieldNames[] = {
    "From:", "To:", "Cc:", "Message-ID:", "References:", "Subject:", "Date:",
};
const int numOfHeaderFieldNames = 7;

using namespace perser;
using std::string_view;

namespace {

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

// A message whose lines end in LF alone (mailbox and .eml files on Linux) or in CR alone
// (old Macintosh files) is read as CR LF.
bool HasBareLineEnd(string_view s)
{
    for (std::size_t p = s.find_first_of("\r\n"); p != npos; p = s.find_first_of("\r\n", p + 1)) {
        if (s[p] == '\n') return true;
        if (p + 1 >= s.size() || s[p + 1] != '\n') return true;
        ++p;
    }
    return false;
}

CString ToCrLf(string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 32);
    std::size_t from = 0;
    for (std::size_t p = s.find_first_of("\r\n"); p != npos; p = s.find_first_of("\r\n", from)) {
        out.append(s, from, p - from);
        out += "\r\n";
        from = p + 1;
        if (s[p] == '\r' && from < s.size() && s[from] == '\n') ++from;
    }
    out.append(s, from, npos);
    return CString(std::move(out));
}

// Body text pieces join with one empty line between them.
void AppendBody(CString& body, const CString& piece)
{
    if (piece.IsEmpty()) return;
    if (!body.IsEmpty()) {
        string_view b = body.View();
        body += (b.size() >= 2 && b.substr(b.size() - 2) == "\r\n") ? "\r\n" : "\r\n\r\n";
    }
    body += piece;
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
    std::string bytes;
    if (!TransferDecode(text, "H", bytes)) return false;
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
        // Unfolding keeps the words of a folded text apart (RFC 5322 3.2.2); between two
        // encoded words the blank goes again when they are decoded (RFC 2047 6.2).
        if (!cont.empty()) {
            value += ' ';
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
    while (p < s.size() && IsSpace(s[p])) ++p;
    if (p >= s.size()) return -1;
    std::size_t end = CMailboxList::FindSeparator(s, p, ",");
    address = CString(TrimView(s.substr(p, end - p)));
    return static_cast<int>(std::min(end + 1, s.size()));
}

void CEMailPerser::PerseMailboxes(const CString& text, int pos, const char* name,
                                  std::vector<CMailbox>& list)
{
    // `pos` is the field's line, or a line of the header above it.
    std::string key = std::string(name ? name : "") + ":";
    if (name && !StartsNoCase(text.View(), static_cast<std::size_t>(std::max(pos, 0)), key)) {
        int line = FindTopOfLine(text, pos, CString(key));
        if (line >= 0) pos = line;
    }
    CString raw;
    if (!ReadField(text, pos, text.GetLength(), raw, nullptr)) return;
    string_view r = raw.View();
    std::size_t colon = r.find(':');
    std::size_t cut = (name && StartsNoCase(r, 0, key)) ? key.size() : colon + 1;
    if (colon == npos) cut = 0;
    // Split before decoding, so that a decoded display name holding a comma stays whole.
    CString value;
    CMailCharset::Guess(TrimView(r.substr(std::min(cut, r.size()))), value);
    CMailboxList::Perse(value.View(), list);
}

int CEMailPerser::PerseAddressField(const CString& text, int pos, const char* name,
                                    CStringArray& addresses)
{
    std::vector<CMailbox> list;
    PerseMailboxes(text, pos, name, list);
    for (const CMailbox& box : list) addresses.Add(box.text);
    return 1;
}

void CEMailPerser::CollectHeader(const CString& text, int end, Header& header)
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
            case 0: PerseMailboxes(text, pos, name.c_str(), header.from); break;
            case 1: PerseMailboxes(text, pos, name.c_str(), header.to); break;
            case 2: PerseMailboxes(text, pos, name.c_str(), header.cc); break;
            case 3: PerseFieldValue(text, pos, name.c_str(), header.messageId, nullptr); break;
            case 4: PerseFieldValue(text, pos, name.c_str(), header.references, nullptr); break;
            case 5: PerseFieldValue(text, pos, name.c_str(), header.subject, nullptr); break;
            case 6: PerseFieldValue(text, pos, name.c_str(), header.date, nullptr); break;
            }
            break;
        }
        std::size_t e = s.find("\r\n", p);
        if (e == npos) break;
        p = e + 2;
    }
}

int CEMailPerser::PerseHeaderFields(const CString& text, int end, int, CStringArray& from,
                                    CStringArray& to, CStringArray& cc, CString& messageId,
                                    CString& references, CString& subject, CString& date)
{
    Header header;
    CollectHeader(text, end, header);
    for (const CMailbox& box : header.from) from.Add(box.text);
    for (const CMailbox& box : header.to) to.Add(box.text);
    for (const CMailbox& box : header.cc) cc.Add(box.text);
    messageId = header.messageId;
    references = header.references;
    subject = header.subject;
    date = header.date;
    return 1;
}

void CEMailPerser::ContentTypeIn(const CString& text, int pos, int limit, CString& type,
                                 CString& parameters, const char* defaultType)
{
    type.Empty();
    parameters.Empty();
    CString value;
    // Read undecoded: parameters are decoded one by one, so that a decoded file name holding
    // ";" or a quote cannot split the list.
    if (!FindFieldIn(text, pos, limit, "Content-Type", value, nullptr, false)) {
        type = defaultType;
        if (type == "text/plain") parameters = "charset=us-ascii";
        return;
    }
    int semi = value.Find(';');
    if (semi >= 0) {
        type = value.Left(semi);
        type.Trim();
        parameters = value.Mid(semi + 1);
        parameters.TrimLeft();
    } else {
        type = value;
        type.Trim();
        if (type.CompareNoCase("text/plain") == 0) parameters = "charset=us-ascii";
    }
    // A type without its subtype ("text") is no type: such text is plain text (RFC 2045 5.2).
    if (type.Find('/') < 0) type = "text/plain";
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
    CString out;
    if (prefixed) CMailCharset::ToCp932(charset, bytes, out);
    else CMailCharset::Guess(bytes, out);
    return out;
}

CString CEMailPerser::Parameter(const CString& parameters, const char* name)
{
    CString value = GetAttrValue(parameters, name);
    return value.IsEmpty() ? GetAttrValue_MultiLine(parameters, name) : value;
}

CString CEMailPerser::RawParameterValue(const CString& parameters, const char* name)
{
    std::string value;
    if (RawParameter(parameters.View(), name, value)) return CString(std::move(value));
    return GetAttrValue_MultiLine(parameters, name);
}

CString CEMailPerser::DecodeFieldValue(const CString& value)
{
    return CHeaderText::Decode(value.View());
}

int CEMailPerser::Decode(const CString& data, const CString& encoding, const CString& charset,
                         unsigned char* buffer, unsigned int size, unsigned int& length)
{
    length = 0;
    if (!buffer || size == 0) return 0;
    std::memset(buffer, 0, size);
    std::string bytes;
    int ok = TransferDecode(data.View(), encoding.View(), bytes);
    CString out;
    CMailCharset::ToCp932(charset.View(), bytes, out);
    if (!ok || static_cast<unsigned int>(out.GetLength()) >= size) return 0;
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

CString CEMailPerser::Disposition(const CString& text, int pos, int limit, CString* parameters)
{
    CString value;
    if (!FindFieldIn(text, pos, limit, "Content-Disposition", value, nullptr, false)) return value;
    int semi = value.Find(';');
    if (parameters) *parameters = semi < 0 ? CString() : value.Mid(semi + 1);
    CString kind = semi < 0 ? value : value.Left(semi);
    kind.Trim();
    return kind;
}

bool CEMailPerser::IsBodyText(const CString& text, int pos, int limit, const CString& type,
                              const CString& parameters)
{
    std::string t = ToLower(TrimView(type.View()));
    if (t != "text/plain" && t != "text/html") return false;
    if (Disposition(text, pos, limit, nullptr).CompareNoCase("attachment") == 0) return false;
    return PartFileName(text, pos, limit, parameters).IsEmpty();
}

namespace {
enum { kMixed, kAlternative, kRelated };
}

int CEMailPerser::WalkParts(const CString& text, int pos, const char* tempPath,
                            const CString& parameters, int kind, const char* defaultType,
                            CString& body, CStringArray& names, CStringArray* paths,
                            int& headerEnd, int& partEnd)
{
    DepthGuard guard(depth_);
    if (guard.TooDeep()) return 0;
    CString boundary = RawParameterValue(parameters, "boundary");
    int limit = partEnd;
    int start = 0, end = 0, last = 0;
    bool found = FindBoundaryIn(text, pos, limit, boundary, start, end, &last);
    if (!found || last) {
        // No boundary, none that occurs, or only the closing one: there are no parts, and
        // the content is read as text, so that nothing is lost.
        CString piece;
        ReadText(text, pos, found ? std::min(start + 2, limit) : limit, CString(), false, piece,
                 headerEnd);
        AppendBody(body, piece);
        return 1;
    }
    headerEnd = start;

    struct Part { int start, end; CString type, params; };
    std::vector<Part> parts;
    while (!last) {
        int nextStart = limit, nextEnd = limit, nextLast = 1;
        if (!FindBoundaryIn(text, end, limit, boundary, nextStart, nextEnd, &nextLast)) {
            // A message cut short keeps its last part up to the end of the text; the last
            // line end goes, as it would before a delimiter.
            nextStart = nextEnd = limit;
            if (limit >= 2 && text.View().substr(static_cast<std::size_t>(limit) - 2, 2) == "\r\n")
                nextStart = limit - 2;
        }
        int partStart = end + 2;
        if (partStart < nextStart) {
            Part part{partStart, nextStart, CString(), CString()};
            ContentTypeIn(text, partStart, nextStart, part.type, part.params, defaultType);
            parts.push_back(std::move(part));
        }
        start = nextStart;
        end = nextEnd;
        last = nextLast;
    }
    partEnd = end;

    if (kind == kAlternative) {
        // The plain text is the body; without one, a nested multipart (HTML with its
        // pictures), then HTML. The other alternatives say the same and are skipped.
        const Part* chosen = nullptr;
        for (int round = 0; round < 3 && !chosen; ++round) {
            for (const Part& part : parts) {
                std::string t = ToLower(TrimView(part.type.View()));
                bool fits = round == 0 ? t == "text/plain" && IsBodyText(text, part.start, part.end, part.type, part.params)
                          : round == 1 ? t.rfind("multipart/", 0) == 0
                          : t == "text/html" && IsBodyText(text, part.start, part.end, part.type, part.params);
                if (fits) {
                    chosen = &part;
                    break;
                }
            }
        }
        if (!chosen) return 1;
        int he = chosen->start, pe = chosen->end;
        return PerseMimeAs(text, chosen->start, tempPath, defaultType, boundary, body, names,
                           paths, he, pe) > 0;
    }

    bool bodyTaken = false;
    for (const Part& part : parts) {
        std::string t = ToLower(TrimView(part.type.View()));
        int he = part.start, pe = part.end, ok = 1;
        if (kind == kRelated) {
            // The first text is the body; the rest are the pictures and styles it uses.
            CString partBody;
            ok = PerseMimeAs(text, part.start, tempPath, defaultType, boundary, partBody, names,
                             paths, he, pe);
            if (!bodyTaken && !partBody.IsEmpty()) {
                AppendBody(body, partBody);
                bodyTaken = true;
            }
        } else if (t.rfind("multipart/", 0) == 0 || t == "message/rfc822") {
            ok = PerseMimeAs(text, part.start, tempPath, defaultType, boundary, body, names,
                             paths, he, pe);
        } else if (IsBodyText(text, part.start, part.end, part.type, part.params)) {
            // Every inline text part, in order: a footer added by a list stays below the
            // message instead of replacing it.
            ok = PerseBody(text, part.start, tempPath, part.params, boundary, body, names,
                           paths, he, pe);
        } else {
            // A named text/plain part is written in both modes, as it always has been.
            ok = PerseFile(text, part.start, tempPath, part.params, boundary, body, names,
                           paths, he, pe, t == "text/plain");
        }
        if (ok <= 0) return 0;
    }
    return 1;
}

int CEMailPerser::PerseMixed(const CString& text, int pos, const char* tempPath,
                             const CString& parameters, const CString&, CString& body,
                             CStringArray& names, CStringArray* paths, int& headerEnd,
                             int& partEnd)
{
    CString type, ignored;
    ContentTypeIn(text, pos, partEnd, type, ignored);
    // The parts of a digest are mails unless they say otherwise (RFC 2046 5.1.5).
    const char* defaultType = type.CompareNoCase("multipart/digest") == 0 ? "message/rfc822"
                                                                           : "text/plain";
    return WalkParts(text, pos, tempPath, parameters, kMixed, defaultType, body, names, paths,
                     headerEnd, partEnd);
}

int CEMailPerser::PerseAlternative(const CString& text, int pos, const char* tempPath,
                                   const CString& parameters, const CString&, CString& body,
                                   CStringArray& names, CStringArray* paths, int& headerEnd,
                                   int& partEnd)
{
    return WalkParts(text, pos, tempPath, parameters, kAlternative, "text/plain", body, names,
                     paths, headerEnd, partEnd);
}

int CEMailPerser::PerseRelated(const CString& text, int pos, const char* tempPath,
                               const CString& parameters, const CString&, CString& body,
                               CStringArray& names, CStringArray* paths, int& headerEnd,
                               int& partEnd)
{
    return WalkParts(text, pos, tempPath, parameters, kRelated, "text/plain", body, names,
                     paths, headerEnd, partEnd);
}

int CEMailPerser::PerseMime(const CString& text, int pos, const char* tempPath,
                            const CString&, const CString& boundary, CString& body,
                            CStringArray& names, CStringArray* paths, int& headerEnd,
                            int& partEnd)
{
    return PerseMimeAs(text, pos, tempPath, "text/plain", boundary, body, names, paths,
                       headerEnd, partEnd);
}

int CEMailPerser::PerseMimeAs(const CString& text, int pos, const char* tempPath,
                              const char* defaultType, const CString& boundary, CString& body,
                              CStringArray& names, CStringArray* paths, int& headerEnd,
                              int& partEnd)
{
    DepthGuard guard(depth_);
    if (guard.TooDeep()) return 0;
    CString type, params;
    ContentTypeIn(text, pos, partEnd, type, params, defaultType);
    std::string t = ToLower(TrimView(type.View()));
    if (t == "multipart/related")
        return PerseRelated(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t == "multipart/alternative")
        return PerseAlternative(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t.rfind("multipart/", 0) == 0)
        return PerseMixed(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t == "message/rfc822")
        return PerseAttachedMail(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    if (t == "text/plain" || t == "text/html")
        return PerseBody(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
    // Pictures, documents, anything else a mail may consist of: an attachment.
    return PerseFile(text, pos, tempPath, params, boundary, body, names, paths, headerEnd, partEnd);
}

void CEMailPerser::SplitPart(const CString& text, int pos, int limit, int& headerEnd,
                             int& contentStart)
{
    // The header ends at its empty line. A part whose first line is no header line has no
    // header: its content starts at once.
    string_view s = text.View();
    std::size_t lim = std::min<std::size_t>(static_cast<std::size_t>(std::max(limit, 0)), s.size());
    std::size_t p = static_cast<std::size_t>(std::max(pos, 0));
    bool first = true;
    while (p < lim) {
        if (s.compare(p, 2, "\r\n") == 0) {
            headerEnd = static_cast<int>(p);
            contentStart = static_cast<int>(std::min(p + 2, lim));
            return;
        }
        bool header = !first || IsBlank(s[p]);
        if (!header) {
            std::size_t q = p;
            while (q < lim && s[q] > ' ' && s[q] < 0x7F && s[q] != ':') ++q;
            header = q > p && q < lim && s[q] == ':';
            if (!header && first && s.compare(p, 5, "From ") == 0) header = true;
        }
        if (!header) {
            headerEnd = contentStart = static_cast<int>(p);
            return;
        }
        first = false;
        std::size_t e = FindIn(s, "\r\n", p, lim + 2);
        if (e == npos || e >= lim) break;
        p = e + 2;
    }
    headerEnd = contentStart = static_cast<int>(lim);
}

void CEMailPerser::ReadText(const CString& text, int pos, int limit, const CString& parameters,
                            bool html, CString& out, int& headerEnd)
{
    CString charset = Parameter(parameters, "charset");
    CString encoding;
    FindFieldIn(text, pos, limit, "Content-Transfer-Encoding", encoding, nullptr, false);
    int from = limit;
    SplitPart(text, pos, limit, headerEnd, from);
    string_view content = text.View().substr(static_cast<std::size_t>(from),
                                             static_cast<std::size_t>(std::max(limit - from, 0)));
    std::string bytes;
    TransferDecode(content, encoding.View(), bytes);
    if (!html) {
        CMailCharset::ToCp932(charset.View(), bytes, out);
        // Decoded text may carry the sender's own line ends; the document's are CR LF.
        if (HasBareLineEnd(out.View())) out = ToCrLf(out.View());
        return;
    }
    std::string utf8;
    CMailCharset::ToUtf8(charset.View(), bytes, utf8);
    CCodePage::FromUtf8(CHtmlText::ToText(utf8), out);
}

int CEMailPerser::PerseBody(const CString& text, int pos, const char*, const CString& parameters,
                            const CString&, CString& body, CStringArray&, CStringArray*,
                            int& headerEnd, int& partEnd)
{
    CString type, ignored;
    ContentTypeIn(text, pos, partEnd, type, ignored);
    CString piece;
    ReadText(text, pos, partEnd, parameters, type.CompareNoCase("text/html") == 0, piece, headerEnd);
    AppendBody(body, piece);
    return 1;
}

CString CEMailPerser::PartFileName(const CString& text, int pos, int limit,
                                   const CString& parameters)
{
    // The Content-Disposition file name is the one meant for a file (RFC 2183 2.3).
    CString dispositionParams;
    Disposition(text, pos, limit, &dispositionParams);
    CString name = Parameter(dispositionParams, "filename");
    if (name.IsEmpty()) name = Parameter(parameters, "name");
    return name;
}

int CEMailPerser::PerseFile(const CString& text, int pos, const char* tempPath,
                            const CString& parameters, const CString&, CString&,
                            CStringArray& names, CStringArray* paths, int& headerEnd,
                            int& partEnd, int force)
{
    CString name = PartFileName(text, pos, partEnd, parameters);
    CString type, ignored;
    ContentTypeIn(text, pos, partEnd, type, ignored);
    CString clean = CleanFileName(name);
    if (clean.IsEmpty()) clean = FallbackName(names.GetSize() + 1, type.View());
    names.Add(clean);

    int from = partEnd;
    SplitPart(text, pos, partEnd, headerEnd, from);
    if (!(paths || force) || !tempPath) return 1;

    CString charset = Parameter(parameters, "charset");
    CString encoding;
    FindFieldIn(text, pos, partEnd, "Content-Transfer-Encoding", encoding, nullptr, false);
    CString path;
    int fd = files_.Create(tempPath, clean, "", path);
    if (fd < 0) return 0;
    bool ok = CPartFiles::WriteDecoded(
        fd, text.View().substr(static_cast<std::size_t>(from),
                               static_cast<std::size_t>(std::max(partEnd - from, 0))),
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
    int from = partEnd;
    SplitPart(text, pos, partEnd, headerEnd, from);
    CString content(text.View().substr(static_cast<std::size_t>(from),
                                       static_cast<std::size_t>(std::max(partEnd - from, 0))));
    CString name;
    {
        CMailDoc scratch;
        (void)Perse(content, CPath(), scratch, 1);
        scratch.GetSubject(name);
    }
    if (name.IsEmpty()) name = Parameter(parameters, "name");
    if (name.IsEmpty()) name = FallbackName(names.GetSize() + 1, "");
    names.Add(name);
    if (!paths || !tempPath) return 1;

    CString cut;
    CString clean = CleanFileName(name);
    CLanguage::CutSJIS(clean.GetString(), static_cast<unsigned int>(clean.GetLength()), 64, cut);
    if (cut == "" || cut == "." || cut == "..") cut = FallbackName(names.GetSize(), "");
    CString path;
    int fd = files_.Create(tempPath, cut, ".eml", path);
    if (fd < 0) return 0;
    bool ok = CPartFiles::WriteAll(fd, content.GetString(), static_cast<std::size_t>(content.GetLength()));
    if (::close(fd) != 0 || !ok) return 0;
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
    if (depth_ == 1) files_.Reset();
    CString normalized;
    if (HasBareLineEnd(input.View())) normalized = ToCrLf(input.View());
    const CString& text = normalized.IsEmpty() ? input : normalized;

    doc.ClearToAddresses();
    doc.ClearCcAddresses();
    doc.ClearBccAddresses();

    // With or without "MIME-Version: 1.0" the Content-Type says what the message is; without
    // one it is plain text (RFC 2045 5.2) in the charset its bytes show.
    CString body;
    CStringArray names, paths;
    bool writing = !reply && tempPath;
    int result = 0;
    if (!guard.TooDeep()) {
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

    int headerEnd = 0, contentStart = 0;
    SplitPart(text, 0, text.GetLength(), headerEnd, contentStart);
    Header header;
    CollectHeader(text, headerEnd, header);

    CStringArray from, to, cc;
    for (const CMailbox& box : header.from) from.Add(box.text);
    for (const CMailbox& box : header.to) to.Add(box.text);
    for (const CMailbox& box : header.cc) cc.Add(box.text);
    CString summary;
    MakeOriginalSummary(from, to, cc, header.subject, header.date, names, summary);
    doc.SetOriginalSummary(summary);

    if (reply) {
        CStringArray added;
        for (const CMailbox& box : header.from) {
            if (box.address.IsEmpty() ||
                std::find(added.begin(), added.end(), box.text) != added.end())
                continue;
            added.Add(box.text);
            doc.AddToAddress(CAddress("", box.name.GetString(), box.address.GetString()));
        }
    }
    for (const CMailbox& box : header.to) {
        if (box.address.IsEmpty()) continue;
        bool known = false;
        for (unsigned int i = 0; i < doc.GetToAddressSize() && !known; ++i) {
            known = doc.GetToAddress(i)->GetMailAddress().CompareNoCase(box.address.GetString()) == 0;
        }
        if (known) continue;
        CAddress address("", box.name.GetString(), box.address.GetString());
        if (reply) doc.AddCcAddress(address);
        else doc.AddToAddress(address);
    }
    for (const CMailbox& box : header.cc) {
        if (box.address.IsEmpty()) continue;
        doc.AddCcAddress(CAddress("", box.name.GetString(), box.address.GetString()));
    }
    if (reply && !header.messageId.IsEmpty()) {
        doc.SetInReplyTo(header.messageId);
        CString refs = header.references;
        if (!refs.IsEmpty()) refs += "\r\n\t";
        refs += header.messageId;
        doc.SetReferences(refs);
    }
    doc.SetSubject(header.subject);
    return result;
}

int CEMailPerser::GetSubject(const CString& text, CString& subject)
{
    CMailDoc scratch;
    int result = Perse(text, CPath(), scratch, 0);
    scratch.GetSubject(subject);
    return result;
}
