#include "model/CMailDraft.h"

#include "model/CMailDoc.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <map>

namespace {

const char kCrLf[] = "\r\n";
const char kEnd[] = "end";

void AddField(std::string& out, std::string_view field)
{
    out += std::to_string(field.size());
    out += ':';
    out += field;
    out += kCrLf;
}

void AddRecord(std::string& out, std::string_view name, std::initializer_list<std::string_view> fields)
{
    out += name;
    out += ' ';
    out += std::to_string(fields.size());
    out += kCrLf;
    for (std::string_view field : fields)
        AddField(out, field);
}

std::string Number(long long value)
{
    return std::to_string(value);
}

void AddAddress(std::string& out, std::string_view name, const CAddress& address)
{
    const CString group = address.GetGroupName();
    const CString display = address.GetDisplayName();
    const CString mail = address.GetMailAddress();
    AddRecord(out, name, {group.View(), display.View(), mail.View()});
}

// Reads a decimal number ended by `stop` at `pos`; false when there is none or it is too big.
bool ReadNumber(std::string_view text, std::size_t& pos, char stop, std::size_t& value)
{
    const std::size_t end = text.find(stop, pos);
    if (end == std::string_view::npos || end == pos || end - pos > 12)
        return false;
    const char* first = text.data() + pos;
    const char* last = text.data() + end;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    pos = end + 1;
    return true;
}

bool ToInt(const std::string& field, long long& value)
{
    const char* first = field.data();
    const char* last = field.data() + field.size();
    const auto result = std::from_chars(first, last, value);
    return !field.empty() && result.ec == std::errc() && result.ptr == last;
}

CAddress ToAddress(const CDraftRecord& record)
{
    return CAddress(record.fields[0].c_str(), record.fields[1].c_str(), record.fields[2].c_str());
}

// What Read fills while it checks every record; moved into the document only at the end.
struct Pending {
    CMailDoc::Type type = CMailDoc::NewMail;
    std::map<std::string, CString> texts;
    CAddress from, reply;
    std::vector<CAddress> to, cc, bcc;
    CMailDoc::FileList files;
    int senderBcc = 0, upperReply = 0, modified = 1;
    CMailDoc::Charset charset = CMailDoc::CharsetAuto;
    CJisFallback::Mode replace = CJisFallback::ReplaceNone;
    CString server;
    long port = 25;
    CSmtpSecurity security;
    std::string temp;
};

// The document's texts by record name, with their setters and getters.
struct TextField {
    const char* name;
    void (CMailDoc::*get)(CString&) const;
    void (CMailDoc::*set)(const CString&);
};
const TextField kTextFields[] = {
    {"original-summary", &CMailDoc::GetOriginalSummary, &CMailDoc::SetOriginalSummary},
    {"subject", &CMailDoc::GetSubject, &CMailDoc::SetSubject},
    {"dear", &CMailDoc::GetDear, &CMailDoc::SetDear},
    {"greeting", &CMailDoc::GetGreeting, &CMailDoc::SetGreeting},
    {"body", &CMailDoc::GetBody, &CMailDoc::SetBody},
    {"closing", &CMailDoc::GetClosing, &CMailDoc::SetClosing},
    {"signature", &CMailDoc::GetSignature, &CMailDoc::SetSignature},
    {"in-reply-to", &CMailDoc::GetInReplyTo, &CMailDoc::SetInReplyTo},
    {"references", &CMailDoc::GetReferences, &CMailDoc::SetReferences},
    {"mailer", &CMailDoc::GetMailerName, &CMailDoc::SetMailerName},
};

// Takes one record the document knows; 0 when its fields are not what they must be, -1 when
// the record is not the document's.
int Take(const CDraftRecord& record, Pending& pending)
{
    const std::string& name = record.name;
    const std::size_t count = record.fields.size();
    for (const TextField& text : kTextFields) {
        if (name == text.name) {
            if (count != 1) return 0;
            pending.texts[name] = CString(record.fields[0]);
            return 1;
        }
    }
    if (name == "from" || name == "reply" || name == "to" || name == "cc" || name == "bcc") {
        if (count != 3) return 0;
        const CAddress address = ToAddress(record);
        if (name == "from") pending.from = address;
        else if (name == "reply") pending.reply = address;
        else if (name == "to") pending.to.push_back(address);
        else if (name == "cc") pending.cc.push_back(address);
        else pending.bcc.push_back(address);
        return 1;
    }
    if (name == "file") {
        if (count != 2) return 0;
        pending.files.push_back({CPath::FromNative(record.fields[0]), CString(record.fields[1])});
        return 1;
    }
    if (name == "temp") {
        if (count != 1) return 0;
        pending.temp = record.fields[0];
        return 1;
    }
    if (name == "server") {
        long long port = 0;
        if (count != 2 || !ToInt(record.fields[1], port)) return 0;
        pending.server = CString(record.fields[0]);
        pending.port = static_cast<long>(port);
        return 1;
    }
    if (name == "security") {
        long long tls = 0, needAuth = 0, method = 0, receivePort = 0, receiveTls = 0;
        if (count != 7 || !ToInt(record.fields[0], tls) || !ToInt(record.fields[1], needAuth) ||
            !ToInt(record.fields[2], method) || !ToInt(record.fields[5], receivePort) ||
            !ToInt(record.fields[6], receiveTls))
            return 0;
        if (tls < 0 || tls > 2 || receiveTls < 0 || receiveTls > 2 || method < 0 || method > 1) return 0;
        pending.security.tls = static_cast<CSmtpSecurity::TlsMode>(tls);
        pending.security.needAuth = needAuth != 0;
        pending.security.method = static_cast<CSmtpSecurity::Method>(method);
        pending.security.account = CString(record.fields[3]);
        pending.security.receiveServer = CString(record.fields[4]);
        pending.security.receivePort = static_cast<int>(receivePort);
        pending.security.receiveTls = static_cast<CSmtpSecurity::TlsMode>(receiveTls);
        return 1;
    }
    // The small numbers: each with the values it may take.
    struct Flag {
        const char* name;
        long long low, high;
    };
    static const Flag kFlags[] = {{"type", 0, 2}, {"sender-bcc", 0, 1}, {"upper-reply", 0, 1},
                                  {"charset", 0, 2}, {"replace", 0, 2}, {"modified", 0, 1}};
    for (const Flag& flag : kFlags) {
        if (name != flag.name) continue;
        long long value = 0;
        if (count != 1 || !ToInt(record.fields[0], value) || value < flag.low || value > flag.high) return 0;
        if (name == "type") pending.type = static_cast<CMailDoc::Type>(value);
        else if (name == "sender-bcc") pending.senderBcc = static_cast<int>(value);
        else if (name == "upper-reply") pending.upperReply = static_cast<int>(value);
        else if (name == "charset") pending.charset = static_cast<CMailDoc::Charset>(value);
        else if (name == "replace") pending.replace = static_cast<CJisFallback::Mode>(value);
        else pending.modified = static_cast<int>(value);
        return 1;
    }
    return -1;
}

}  // namespace

std::uint32_t CMailDraft::Crc32(std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string CMailDraft::Write(const CMailDoc& doc, const std::vector<CDraftRecord>& extras)
{
    std::string out;
    CString body;
    doc.GetBody(body);
    out.reserve(static_cast<std::size_t>(body.GetLength()) + 4096);
    out += kMagic;
    out += kCrLf;

    AddRecord(out, "type", {Number(doc.GetType())});
    for (const TextField& text : kTextFields) {
        CString value;
        (doc.*text.get)(value);
        AddRecord(out, text.name, {value.View()});
    }
    CAddress address;
    doc.GetFromAddress(address);
    AddAddress(out, "from", address);
    doc.GetReplyAddress(address);
    AddAddress(out, "reply", address);
    for (unsigned int i = 0; i < doc.GetToAddressSize(); ++i)
        AddAddress(out, "to", *doc.GetToAddress(i));
    for (unsigned int i = 0; i < doc.GetCcAddressSize(); ++i)
        AddAddress(out, "cc", *doc.GetCcAddress(i));
    for (unsigned int i = 0; i < doc.GetBccAddressSize(); ++i)
        AddAddress(out, "bcc", *doc.GetBccAddress(i));
    CMailDoc::FileList files;
    doc.GetFiles(files);
    for (const CMailDoc::FileInfo& file : files)
        AddRecord(out, "file", {file.path.Native(), file.title.View()});
    AddRecord(out, "sender-bcc", {Number(doc.GetSenderBccFlg())});
    AddRecord(out, "upper-reply", {Number(doc.GetUpperReplyFlg())});
    AddRecord(out, "charset", {Number(doc.GetCharset())});
    AddRecord(out, "replace", {Number(doc.GetReplaceMode())});
    CString server;
    long port = 0;
    doc.GetSendServer(server, port);
    AddRecord(out, "server", {server.View(), Number(port)});
    CSmtpSecurity security;
    doc.GetSendSecurity(security);
    AddRecord(out, "security",
              {Number(security.tls), Number(security.needAuth), Number(security.method), security.account.View(),
               security.receiveServer.View(), Number(security.receivePort), Number(security.receiveTls)});
    security.Wipe();
    CPath temp;
    doc.GetTempPathA(temp);
    AddRecord(out, "temp", {temp.Native()});
    AddRecord(out, "modified", {Number(doc.IsModified())});

    for (const CDraftRecord& record : extras) {
        out += record.name;
        out += ' ';
        out += std::to_string(record.fields.size());
        out += kCrLf;
        for (const std::string& field : record.fields)
            AddField(out, field);
    }

    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned int>(Crc32(out)));
    AddRecord(out, kEnd, {crc});
    return out;
}

int CMailDraft::Parse(const std::string& bytes, std::vector<CDraftRecord>& records)
{
    const std::string_view text(bytes);
    const std::string magic = std::string(kMagic) + kCrLf;
    if (text.substr(0, magic.size()) != magic)
        return 0;
    std::vector<CDraftRecord> read;
    std::size_t pos = magic.size();
    while (pos < text.size()) {
        const std::size_t recordStart = pos;
        const std::size_t blank = text.find(' ', pos);
        if (blank == std::string_view::npos || blank == pos || blank - pos > 64)
            return 0;
        CDraftRecord record;
        record.name = std::string(text.substr(pos, blank - pos));
        pos = blank + 1;
        std::size_t count = 0;
        if (!ReadNumber(text, pos, '\r', count) || pos >= text.size() || text[pos] != '\n')
            return 0;
        ++pos;
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t length = 0;
            if (!ReadNumber(text, pos, ':', length) || length > text.size() - pos ||
                text.size() - pos - length < 2 || text.substr(pos + length, 2) != kCrLf)
                return 0;
            record.fields.emplace_back(text.substr(pos, length));
            pos += length + 2;
        }
        if (record.name == kEnd) {
            // The end record closes the draft: its CRC covers every byte before it, and
            // nothing may follow it.
            if (record.fields.size() != 1 || pos != text.size())
                return 0;
            char crc[16];
            std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned int>(Crc32(text.substr(0, recordStart))));
            if (record.fields[0] != crc)
                return 0;
            records = std::move(read);
            return 1;
        }
        read.push_back(std::move(record));
    }
    return 0;  // no end record: cut short
}

namespace {

// Every record checked and gathered; 0 when the draft is not whole and sound.
int Gather(const std::string& bytes, Pending& pending, std::vector<CDraftRecord>& unknown)
{
    std::vector<CDraftRecord> records;
    if (!CMailDraft::Parse(bytes, records))
        return 0;
    for (CDraftRecord& record : records) {
        const int taken = Take(record, pending);
        if (taken == 0)
            return 0;
        if (taken < 0)
            unknown.push_back(std::move(record));
    }
    return 1;
}

}  // namespace

int CMailDraft::IsSound(const std::string& bytes)
{
    Pending pending;
    std::vector<CDraftRecord> unknown;
    return Gather(bytes, pending, unknown);
}

int CMailDraft::Read(const std::string& bytes, CMailDoc& doc, std::vector<CDraftRecord>& extras)
{
    Pending pending;
    std::vector<CDraftRecord> unknown;
    if (!Gather(bytes, pending, unknown))
        return 0;

    doc.SetType(pending.type);
    for (const TextField& text : kTextFields)
        (doc.*text.set)(pending.texts[text.name]);
    doc.SetFromAddress(pending.from);
    doc.SetReplyAddress(pending.reply);
    doc.ClearToAddresses();
    doc.ClearCcAddresses();
    doc.ClearBccAddresses();
    doc.AddToAddresses(pending.to);
    doc.AddCcAddresses(pending.cc);
    doc.AddBccAddresses(pending.bcc);
    doc.SetFiles(pending.files);
    doc.SetSenderBccFlg(pending.senderBcc);
    doc.SetUpperReplyFlg(pending.upperReply);
    doc.SetCharset(pending.charset);
    doc.SetReplaceMode(pending.replace);
    doc.SetSendServer(pending.server, pending.port);
    doc.SetSendSecurity(pending.security);
    if (!pending.temp.empty())
        doc.AdoptTempPath(CPath::FromNative(pending.temp));
    doc.SetModifiedFlag(pending.modified);
    extras = std::move(unknown);
    return 1;
}

std::string CMailDraft::TempPathOf(const std::vector<CDraftRecord>& records)
{
    for (const CDraftRecord& record : records)
        if (record.name == "temp" && record.fields.size() == 1)
            return record.fields[0];
    return std::string();
}
