#include "parser/CHeaderText.h"

#include "parser/CEMailPerser_p.h"
#include "parser/CMailCharset.h"

#include <cstring>
#include <string>

using namespace perser;
using std::string_view;

namespace {

struct Word {
    std::size_t begin = 0, end = 0;  // the whole "=?...?=" in the text
    string_view charset, encoding, data;
};

// Reads the encoded word that starts at `open` ("=?"): charset, one letter B or Q, data
// without "?" up to "?=".
bool ReadWord(string_view s, std::size_t open, Word& word)
{
    std::size_t q1 = s.find('?', open + 2);
    if (q1 == npos || q1 == open + 2 || q1 + 2 >= s.size() || s[q1 + 2] != '?') return false;
    for (std::size_t i = open + 2; i < q1; ++i) {
        if (IsSpace(s[i]) || s[i] == '=') return false;
    }
    char letter = Lower(s[q1 + 1]);
    if (letter != 'b' && letter != 'q') return false;
    std::size_t close = s.find('?', q1 + 3);
    if (close == npos || close + 1 >= s.size() || s[close + 1] != '=') return false;
    word.begin = open;
    word.end = close + 2;
    word.charset = s.substr(open + 2, q1 - open - 2);
    word.encoding = s.substr(q1 + 1, 1);
    word.data = s.substr(q1 + 3, close - q1 - 3);
    return true;
}

// The word's bytes in its own charset, up to a zero byte; empty when the decoder fails.
std::string WordBytes(const Word& word)
{
    std::string data(word.data);
    if (Lower(word.encoding[0]) == 'q') {
        // In an encoded word "_" stands for a blank (RFC 2047 4.2).
        std::string q;
        for (char c : data) {
            if (c == '_') q += "=20";
            else q += c;
        }
        data.swap(q);
    }
    std::string bytes;
    if (!TransferDecode(data, word.encoding, bytes)) return std::string();
    bytes.resize(std::strlen(bytes.c_str()));
    return bytes;
}

bool AllSpace(string_view s)
{
    for (char c : s) {
        if (!IsSpace(c)) return false;
    }
    return true;
}

}  // namespace

CString CHeaderText::DecodeWords(string_view s)
{
    if (s.find("=?") == npos) return CString(s);
    std::string out;
    std::string pendingCharset, pendingBytes;
    bool pending = false;
    auto flush = [&] {
        if (!pending) return;
        CString text;
        CMailCharset::ToCp932(pendingCharset, pendingBytes, text);
        out += text.View();
        pending = false;
        pendingBytes.clear();
    };
    std::size_t copied = 0;  // text before this has been written or dropped
    for (std::size_t open = s.find("=?"); open != npos; open = s.find("=?", open)) {
        Word word;
        if (!ReadWord(s, open, word)) {
            open += 2;
            continue;
        }
        string_view gap = s.substr(copied, open - copied);
        if (!pending || !AllSpace(gap)) {
            flush();
            out += gap;
        }
        std::string charset = CMailCharset::Canonical(word.charset);
        if (pending && charset != pendingCharset) flush();
        pendingCharset = charset;
        pendingBytes += WordBytes(word);
        pending = true;
        copied = open = word.end;
    }
    flush();
    out += s.substr(copied);
    return CString(std::move(out));
}

CString CHeaderText::Decode(string_view raw)
{
    CString text;
    CMailCharset::Guess(raw, text);
    return DecodeWords(text.View());
}
