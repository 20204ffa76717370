#include "shell/CMailtoUri.h"

#include "parser/CMailCharset.h"
#include "parser/CMailboxList.h"

#include <cctype>

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

// Text for a header field: a line break or any other control character would end the
// field or smuggle in another one, so each becomes a blank.
CString OneLine(const CString& text)
{
    std::string line = text.Str();
    for (char& c : line)
        if (IsControl(static_cast<unsigned char>(c))) c = ' ';
    return CString(line);
}

// Body text with CR LF line ends (a lone CR or LF is a line end too); control characters
// other than the tab are dropped.
CString BodyText(const CString& text)
{
    const std::string& in = text.Str();
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
        } else if (c == '\t' || !IsControl(c)) {
            out += static_cast<char>(c);
        }
    }
    return CString(out);
}

void AddAddresses(const CString& text, std::vector<CAddress>& list)
{
    std::vector<CMailbox> boxes;
    CMailboxList::Perse(OneLine(text).Str(), boxes);
    for (const CMailbox& box : boxes) {
        if (!box.address.IsEmpty())
            list.emplace_back("", box.name.GetString(), box.address.GetString());
    }
}

}  // namespace

bool CMailtoFields::IsEmpty() const
{
    return to.empty() && cc.empty() && bcc.empty() && subject.IsEmpty() && body.IsEmpty() &&
           inReplyTo.IsEmpty() && attach.empty();
}

bool CMailtoUri::IsMailto(std::string_view argument)
{
    return argument.size() >= 7 && Lower(argument.substr(0, 7)) == "mailto:";
}

int CMailtoUri::PercentDecode(std::string_view text, std::string& bytes, std::string& bad)
{
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            bad = std::string(text.substr(i, 3));
            return 0;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return 1;
}

int CMailtoUri::Parse(std::string_view uri, CMailtoFields& fields, CString& error)
{
    if (!IsMailto(uri)) {
        error = "mailto: で始まっていません。";
        return 0;
    }
    uri.remove_prefix(7);
    uri = uri.substr(0, uri.find('#'));  // a fragment means nothing to a mail program
    const std::size_t question = uri.find('?');
    const std::string_view path = uri.substr(0, question);
    const std::string_view query = question == std::string_view::npos ? std::string_view() : uri.substr(question + 1);

    // Decodes one part into bytes (a path stays these bytes) or text; 0 with the reason in
    // `error`.
    auto decodeBytes = [&error](std::string_view part, std::string& bytes) {
        std::string bad;
        if (!PercentDecode(part, bytes, bad)) {
            error = CString("「") + CString(bad) + "」は正しい % エスケープではありません。";
            return 0;
        }
        if (bytes.find('\0') != std::string::npos) {
            error = "NUL 文字（%00）が含まれています。";
            return 0;
        }
        return 1;
    };
    auto decode = [&decodeBytes](std::string_view part, CString& text) {
        std::string bytes;
        if (!decodeBytes(part, bytes))
            return 0;
        CMailCharset::Guess(bytes, text);
        return 1;
    };

    CMailtoFields read;
    CString text;
    if (!decode(path, text))
        return 0;
    AddAddresses(text, read.to);

    std::vector<CString> subjects;
    std::vector<CString> bodies;
    for (std::size_t start = 0; start < query.size();) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos) end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        CString name;
        if (!decode(pair.substr(0, equals), name))
            return 0;
        const std::string_view rawValue = equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        const std::string field = Lower(name.Str());
        if (field == "attach" || field == "attachment") {
            std::string bytes;
            if (!decodeBytes(rawValue, bytes))
                return 0;
            if (!bytes.empty()) read.attach.push_back(bytes);
            continue;
        }
        CString value;
        if (!decode(rawValue, value))
            return 0;
        if (field == "to") AddAddresses(value, read.to);
        else if (field == "cc") AddAddresses(value, read.cc);
        else if (field == "bcc") AddAddresses(value, read.bcc);
        else if (field == "subject") subjects.push_back(OneLine(value));
        else if (field == "body") bodies.push_back(BodyText(value));
        else if (field == "in-reply-to" && read.inReplyTo.IsEmpty()) read.inReplyTo = OneLine(value);
    }

    // Everything was readable: add it to what earlier links gave.
    fields.to.insert(fields.to.end(), read.to.begin(), read.to.end());
    fields.cc.insert(fields.cc.end(), read.cc.begin(), read.cc.end());
    fields.bcc.insert(fields.bcc.end(), read.bcc.begin(), read.bcc.end());
    for (const CString& subject : subjects) {
        if (subject.IsEmpty()) continue;
        fields.subject = fields.subject.IsEmpty() ? subject : fields.subject + " " + subject;
    }
    for (const CString& body : bodies)
        fields.body = fields.body.IsEmpty() ? body : fields.body + "\r\n" + body;
    if (fields.inReplyTo.IsEmpty()) fields.inReplyTo = read.inReplyTo;
    fields.attach.insert(fields.attach.end(), read.attach.begin(), read.attach.end());
    return 1;
}
