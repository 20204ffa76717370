#include "parser/CHtmlText.h"

#include <cstdint>
#include <vector>

using std::string_view;

namespace {

constexpr auto npos = string_view::npos;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool StartsNoCase(string_view s, std::size_t pos, string_view key)
{
    if (s.size() - pos < key.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (Lower(s[pos + i]) != key[i]) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The Latin-1 entities, U+00A0 to U+00FF in order; these (and amp, lt, gt, quot) are also
// recognised without their ";", as browsers do.
constexpr const char* kLatin1[96] = {
    "nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar", "sect", "uml", "copy", "ordf",
    "laquo", "not", "shy", "reg", "macr", "deg", "plusmn", "sup2", "sup3", "acute", "micro",
    "para", "middot", "cedil", "sup1", "ordm", "raquo", "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute",
    "Ecirc", "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute",
    "Ocirc", "Otilde", "Ouml", "times", "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute",
    "THORN", "szlig", "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil",
    "egrave", "eacute", "ecirc", "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde",
    "ograve", "oacute", "ocirc", "otilde", "ouml", "divide", "oslash", "ugrave", "uacute",
    "ucirc", "uuml", "yacute", "thorn", "yuml",
};

struct Entity {
    const char* name;
    std::uint32_t code;
};
constexpr Entity kBasic[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}};
constexpr Entity kOthers[] = {
    {"apos", 0x27}, {"OElig", 0x152}, {"oelig", 0x153}, {"Scaron", 0x160}, {"scaron", 0x161},
    {"Yuml", 0x178}, {"fnof", 0x192}, {"circ", 0x2C6}, {"tilde", 0x2DC}, {"ensp", 0x2002},
    {"emsp", 0x2003}, {"thinsp", 0x2009}, {"zwnj", 0x200C}, {"zwj", 0x200D}, {"lrm", 0x200E},
    {"rlm", 0x200F}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"sbquo", 0x201A}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bdquo", 0x201E},
    {"dagger", 0x2020}, {"Dagger", 0x2021}, {"bull", 0x2022}, {"hellip", 0x2026},
    {"permil", 0x2030}, {"prime", 0x2032}, {"Prime", 0x2033}, {"lsaquo", 0x2039},
    {"rsaquo", 0x203A}, {"oline", 0x203E}, {"euro", 0x20AC}, {"trade", 0x2122},
    {"larr", 0x2190}, {"uarr", 0x2191}, {"rarr", 0x2192}, {"darr", 0x2193}, {"harr", 0x2194},
    {"lArr", 0x21D0}, {"rArr", 0x21D2}, {"hArr", 0x21D4}, {"forall", 0x2200}, {"part", 0x2202},
    {"exist", 0x2203}, {"nabla", 0x2207}, {"isin", 0x2208}, {"sum", 0x2211}, {"minus", 0x2212},
    {"radic", 0x221A}, {"prop", 0x221D}, {"infin", 0x221E}, {"ang", 0x2220}, {"and", 0x2227},
    {"or", 0x2228}, {"cap", 0x2229}, {"cup", 0x222A}, {"int", 0x222B}, {"there4", 0x2234},
    {"ne", 0x2260}, {"equiv", 0x2261}, {"le", 0x2264}, {"ge", 0x2265}, {"sub", 0x2282},
    {"sup", 0x2283}, {"sube", 0x2286}, {"supe", 0x2287}, {"perp", 0x22A5}, {"loz", 0x25CA},
    {"spades", 0x2660}, {"clubs", 0x2663}, {"hearts", 0x2665}, {"diams", 0x2666},
};
// Greek letters: capitals from U+0391 (no U+03A2), small ones from U+03B1.
constexpr const char* kGreek[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta",
                                  "theta", "iota", "kappa", "lambda", "mu", "nu", "xi",
                                  "omicron", "pi", "rho", "sigmaf", "sigma", "tau", "upsilon",
                                  "phi", "chi", "psi", "omega"};

bool LookUp(string_view name, std::uint32_t& code, bool legacyOnly)
{
    for (const Entity& e : kBasic) {
        if (name == e.name) return code = e.code, true;
    }
    for (int i = 0; i < 96; ++i) {
        if (name == kLatin1[i]) return code = 0xA0u + static_cast<std::uint32_t>(i), true;
    }
    if (legacyOnly) return false;
    for (const Entity& e : kOthers) {
        if (name == e.name) return code = e.code, true;
    }
    for (std::uint32_t i = 0; i < 25; ++i) {
        string_view greek = kGreek[i];
        if (name == greek) return code = 0x3B1 + i, true;
        if (i != 17 && name.size() == greek.size() && Lower(name[0]) == greek[0] &&
            name[0] != greek[0] && name.substr(1) == greek.substr(1))
            return code = 0x391 + i, true;
    }
    return false;
}

// Code points 0x80-0x9F of a numeric reference mean their windows-1252 characters.
constexpr std::uint16_t kWindows1252[32] = {
    0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};

// Reads the character reference at `i` ("&..."). Appends its character and returns the
// position after it, or returns `i` when there is none.
std::size_t Reference(string_view s, std::size_t i, std::string& out)
{
    std::size_t p = i + 1;
    if (p < s.size() && s[p] == '#') {
        ++p;
        bool hex = p < s.size() && (s[p] == 'x' || s[p] == 'X');
        if (hex) ++p;
        std::size_t digits = p;
        std::uint32_t code = 0;
        while (p < s.size()) {
            char c = s[p];
            int v = IsDigit(c) ? c - '0'
                  : (hex && Lower(c) >= 'a' && Lower(c) <= 'f') ? Lower(c) - 'a' + 10 : -1;
            if (v < 0) break;
            if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            ++p;
        }
        if (p == digits) return i;
        if (p < s.size() && s[p] == ';') ++p;
        if (code >= 0x80 && code <= 0x9F) code = kWindows1252[code - 0x80];
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        // Control characters other than tab and line ends are dropped.
        bool control = (code < 0x20 && code != '\t' && code != '\n' && code != '\r' && code != '\f') ||
                       (code >= 0x7F && code <= 0x9F);
        if (!control) AppendUtf8(out, code);
        return p;
    }
    std::size_t start = p;
    while (p < s.size() && (IsLetter(s[p]) || IsDigit(s[p]))) ++p;
    if (p == start) return i;
    std::uint32_t code = 0;
    string_view name = s.substr(start, p - start);
    if (p < s.size() && s[p] == ';' && LookUp(name, code, false)) {
        AppendUtf8(out, code);
        return p + 1;
    }
    // Without ";" only the legacy names count, and the longest one that starts the word.
    for (std::size_t n = name.size(); n > 0; --n) {
        if (LookUp(name.substr(0, n), code, true)) {
            AppendUtf8(out, code);
            return start + n;
        }
    }
    return i;
}

bool IsBlock(string_view tag)
{
    static const char* const blocks[] = {
        "address", "article", "aside", "blockquote", "caption", "center", "dd", "details",
        "dialog", "dir", "div", "dl", "dt", "fieldset", "figcaption", "figure", "footer", "form",
        "h1", "h2", "h3", "h4", "h5", "h6", "header", "hr", "li", "main", "menu", "nav", "ol",
        "p", "pre", "section", "summary", "table", "tbody", "tfoot", "thead", "tr", "ul"};
    for (const char* b : blocks) {
        if (tag == b) return true;
    }
    return false;
}

class Writer {
public:
    void Text(string_view s, bool pre)
    {
        for (char c : s) {
            if (pre) {
                if (c == '\n') Break();
                else if (c != '\r') line_ += c;
            } else if (IsHtmlSpace(c)) {
                blank_ = !line_.empty();
            } else {
                if (blank_) line_ += ' ';
                blank_ = false;
                line_ += c;
            }
        }
    }
    // A no-break space: a blank of its own, never collapsed.
    void Hard(char c)
    {
        if (blank_) line_ += ' ';
        blank_ = false;
        line_ += c;
    }
    void Separate() { blank_ = !line_.empty(); }
    void Break()
    {
        lines_.push_back(std::move(line_));
        line_.clear();
        blank_ = false;
    }
    void Block()
    {
        if (!line_.empty()) Break();
        blank_ = false;
    }
    std::string Finish()
    {
        Block();
        std::string out;
        std::size_t first = 0, last = lines_.size();
        auto empty = [&](std::size_t i) {
            return lines_[i].find_first_not_of(" \t") == std::string::npos;
        };
        while (first < last && empty(first)) ++first;
        while (last > first && empty(last - 1)) --last;
        for (std::size_t i = first; i < last; ++i) {
            std::string& line = lines_[i];
            line.erase(line.find_last_not_of(" \t") + 1);
            if (i > first) out += "\r\n";
            out += line;
        }
        return out;
    }

private:
    std::vector<std::string> lines_;
    std::string line_;
    bool blank_ = false;
};

// Writes text, turning character references and no-break spaces into characters.
void Characters(string_view s, bool pre, Writer& w)
{
    std::size_t from = 0;
    std::string decoded;
    auto flush = [&](std::size_t to) {
        w.Text(s.substr(from, to - from), pre);
    };
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '&') {
            decoded.clear();
            std::size_t next = Reference(s, i, decoded);
            if (next == i) {
                ++i;
                continue;
            }
            flush(i);
            if (decoded == "\xC2\xA0") w.Hard(' ');
            else w.Text(decoded, pre);
            from = i = next;
        } else if (s.compare(i, 2, "\xC2\xA0") == 0) {
            flush(i);
            w.Hard(' ');
            from = i = i + 2;
        } else {
            ++i;
        }
    }
    flush(s.size());
}

// Position after the tag whose "<" is at `i`: its ">" outside quoted attribute values.
std::size_t TagEnd(string_view s, std::size_t i)
{
    char quote = 0;
    for (++i; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            // Only a quote that starts an attribute value opens one.
            if (s[i - 1] == '=' || IsHtmlSpace(s[i - 1])) quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return s.size();
}

}  // namespace

std::string CHtmlText::ToText(string_view s)
{
    Writer w;
    int pre = 0;
    std::size_t text = 0;  // start of the text not yet written
    for (std::size_t i = s.find('<'); i != npos; i = s.find('<', i)) {
        std::size_t end;
        std::string tag;
        bool closing = false;
        if (s.compare(i, 4, "<!--") == 0) {
            std::size_t close = s.find("-->", i + 4);
            end = close == npos ? s.size() : close + 3;
        } else if (i + 1 < s.size() && (s[i + 1] == '!' || s[i + 1] == '?')) {
            end = TagEnd(s, i);
        } else {
            std::size_t p = i + 1;
            closing = p < s.size() && s[p] == '/';
            if (closing) ++p;
            if (p >= s.size() || !IsLetter(s[p])) {
                ++i;  // a "<" that starts no tag is text
                continue;
            }
            while (p < s.size() && !IsHtmlSpace(s[p]) && s[p] != '/' && s[p] != '>')
                tag += Lower(s[p++]);
            end = TagEnd(s, i);
        }
        Characters(s.substr(text, i - text), pre > 0, w);
        text = i = end;
        if (tag.empty()) continue;

        if (!closing && (tag == "script" || tag == "style" || tag == "title")) {
            // Their content is no text: skip to the closing tag.
            std::string key = "</" + tag;
            std::size_t k = i;
            while ((k = s.find("</", k)) != npos && !StartsNoCase(s, k, key)) k += 2;
            text = i = k == npos ? s.size() : TagEnd(s, k);
            continue;
        }
        if (tag == "br") {
            w.Break();
        } else if (tag == "td" || tag == "th") {
            if (!closing) w.Separate();
        } else if (IsBlock(tag)) {
            w.Block();
            if (tag == "pre") pre = closing ? (pre > 0 ? pre - 1 : 0) : pre + 1;
        }
    }
    Characters(s.substr(text), pre > 0, w);
    return w.Finish();
}
