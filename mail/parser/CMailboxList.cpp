#include "parser/CMailboxList.h"

#include "parser/CEMailPerser_p.h"
#include "parser/CHeaderText.h"

#include <string>

using namespace perser;
using std::string_view;

namespace {

// Position after the quoted string that starts at `i` (or the end of the text). A backslash
// takes the next character with it, a double-byte character as a whole, so that the 0x5C
// trail byte of "表" escapes nothing.
std::size_t SkipQuoted(string_view s, std::size_t i, std::string* content = nullptr)
{
    for (++i; i < s.size();) {
        if (s[i] == '"') return i + 1;
        if (s[i] == '\\' && i + 1 < s.size()) ++i;
        std::size_t n = CharLen(s, i);
        if (content) content->append(s, i, n);
        i += n;
    }
    return i;
}

// Position after the comment that starts at `i`; comments nest (RFC 5322 3.2.2).
std::size_t SkipComment(string_view s, std::size_t i, std::string* content = nullptr)
{
    int depth = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '(') {
            if (depth++ > 0 && content) *content += c;
            ++i;
            continue;
        }
        if (c == ')') {
            ++i;
            if (--depth == 0) return i;
            if (content) *content += c;
            continue;
        }
        if (c == '\\' && i + 1 < s.size()) ++i;
        std::size_t n = CharLen(s, i);
        if (content) content->append(s, i, n);
        i += n;
    }
    return i;
}

// Position of the first `what` outside quoted strings and comments, at or after `from`.
std::size_t FindOutside(string_view s, char what, std::size_t from)
{
    for (std::size_t i = from; i < s.size();) {
        if (s[i] == what) return i;
        if (s[i] == '"') i = SkipQuoted(s, i);
        else if (s[i] == '(') i = SkipComment(s, i);
        else i += CharLen(s, i);
    }
    return npos;
}

// Runs of white space become one blank; the ends are trimmed.
std::string Collapse(string_view s)
{
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (IsSpace(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// A display name: atoms as they stand, quoted strings without their quotes, comments
// dropped, white space collapsed; then encoded words decoded.
CString PhraseText(string_view s)
{
    // Blanks inside quotes are the name's own; only runs between words collapse.
    std::string out;
    bool blank = false;
    auto word = [&] {
        if (blank && !out.empty()) out += ' ';
        blank = false;
    };
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '"') {
            word();
            i = SkipQuoted(s, i, &out);
        } else if (s[i] == '(') {
            i = SkipComment(s, i);
            blank = true;
        } else if (IsSpace(s[i])) {
            blank = true;
            ++i;
        } else {
            word();
            std::size_t n = CharLen(s, i);
            out.append(s, i, n);
            i += n;
        }
    }
    return CHeaderText::DecodeWords(out);
}

// A bare address (local@domain): comments and white space outside quotes removed, a source route
// ("@a.example,@b.example:") dropped.
CString AddrText(string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '"') {
            std::size_t end = SkipQuoted(s, i);
            out.append(s, i, end - i);
            i = end;
        } else if (s[i] == '(') {
            i = SkipComment(s, i);
        } else if (IsSpace(s[i])) {
            ++i;
        } else {
            std::size_t n = CharLen(s, i);
            out.append(s, i, n);
            i += n;
        }
    }
    if (!out.empty() && out.front() == '@') {
        std::size_t colon = FindOutside(out, ':', 0);
        if (colon != npos) out.erase(0, colon + 1);
    }
    return CString(std::move(out));
}

CMailbox ReadMailbox(string_view entry)
{
    CMailbox box;
    box.text = CHeaderText::DecodeWords(entry);
    std::size_t open = FindOutside(entry, '<', 0);
    if (open != npos) {
        std::size_t close = FindOutside(entry, '>', open + 1);
        if (close == npos) close = entry.size();
        box.name = PhraseText(entry.substr(0, open));
        box.address = AddrText(entry.substr(open + 1, close - open - 1));
        return box;
    }
    box.address = AddrText(entry);
    // "a@example.jp (Ann Lee)": the comment is the only name there is.
    for (std::size_t i = 0; i < entry.size();) {
        if (entry[i] == '"') {
            i = SkipQuoted(entry, i);
        } else if (entry[i] == '(') {
            std::string comment;
            i = SkipComment(entry, i, &comment);
            std::string name = Collapse(comment);
            if (!name.empty()) {
                box.name = CHeaderText::DecodeWords(name);
                break;
            }
        } else {
            i += CharLen(entry, i);
        }
    }
    return box;
}

}  // namespace

std::size_t CMailboxList::FindSeparator(string_view s, std::size_t from, string_view stops)
{
    bool angle = false;
    for (std::size_t i = from; i < s.size();) {
        char c = s[i];
        if (c == '"') {
            i = SkipQuoted(s, i);
            continue;
        }
        if (c == '(') {
            i = SkipComment(s, i);
            continue;
        }
        if (c == '<') angle = true;
        else if (c == '>') angle = false;
        else if (!angle && stops.find(c) != npos) return i;
        i += CharLen(s, i);
    }
    return s.size();
}

void CMailboxList::Perse(string_view s, std::vector<CMailbox>& list)
{
    bool inGroup = false;
    for (std::size_t start = 0; start <= s.size();) {
        std::size_t end = FindSeparator(s, start, inGroup ? ",;" : ",:;");
        char stop = end < s.size() ? s[end] : ',';
        if (stop == ':') {
            // "name:" opens a group; its name is no mailbox.
            inGroup = true;
            start = end + 1;
            continue;
        }
        string_view entry = TrimView(s.substr(start, end - start));
        // The empty pieces a group's punctuation leaves are no entries.
        bool groupPiece = inGroup || (start > 0 && s[start - 1] == ';');
        if (!entry.empty() || !groupPiece) list.push_back(ReadMailbox(entry));
        if (stop == ';') inGroup = false;
        start = end + 1;
    }
}
