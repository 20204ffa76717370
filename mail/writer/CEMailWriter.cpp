#include "writer/CEMailWriter.h"

#include "encoding/CBase64.h"
#include "encoding/CLanguage.h"
#include "model/CFileUtility.h"
#include "smtp/CProgressCallback.h"
#include "writer/CMailEnvironment.h"
#include "writer/COutputStream.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <locale.h>
#include <sys/stat.h>

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kHeaderFailed = "ヘッダー項目の書き出しに失敗しました。";
constexpr const char* kBodyFailed = "本文の書き出しに失敗しました。";
constexpr const char* kCheckFailed =
    "添付ファイルのオープンに失敗しました。\r\n"
    "次のファイルの場所を移動したり、名前を変えたりしていないか、確認してください。\r\n\r\n";
constexpr const char* kOpenFailed = "添付ファイルのオープンに失敗しました。\r\n\r\n";
constexpr const char* kFileHeaderFailed = "添付ファイル説明の書き出しに失敗しました。";
constexpr const char* kFileFailed = "添付ファイルの書き出しに失敗しました。\r\n\r\n";
constexpr const char* kMailHeaderFailed = "添付メール説明の書き出しに失敗しました。";
constexpr const char* kMailFailed = "添付メールの書き出しに失敗しました。\r\n\r\n";

// Base64 works on 3-byte groups: 54 bytes make one 72-character line.
constexpr unsigned int kLineBytes = 54;
constexpr unsigned int kLinesPerReport = 10;
constexpr unsigned int kFileBlock = kLineBytes * kLinesPerReport;
constexpr unsigned int kMailBlock = 1023;
// stdio's buffer for reading attachments, so that 540-byte reads cost few system calls.
constexpr std::size_t kReadBuffer = 64 * 1024;

// English day and month names whatever the user's locale, without touching the process's.
locale_t CLocale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

CString FormatTime(const char* format, const std::tm& time)
{
    char text[64] = {};
    if (locale_t c = CLocale()) {
        strftime_l(text, sizeof text, format, &time, c);
    } else {
        std::strftime(text, sizeof text, format, &time);
    }
    return CString(text);
}

}  // namespace

CEMailWriter::CEMailWriter(COutputStream* stream, const CMailDoc& doc, CProgressCallback& progress)
    : stream_(stream), doc_(doc), progress_(progress)
{
}

CEMailWriter::~CEMailWriter() = default;

int CEMailWriter::Write(CString& errorDetail)
{
    CMailDoc::FileList files;
    doc_.GetFiles(files);
    if (!CheckFiles(files, errorDetail)) return 0;

    if (!WriteHeader()) {
        errorDetail = kHeaderFailed;
        return 0;
    }

    CString body;
    doc_.GetBodyWithLetter(body);
    return WriteMime(body, files, errorDetail);
}

int CEMailWriter::WriteHeader()
{
    if (!stream_) return 0;

    CAddress from;
    doc_.GetFromAddress(from);
    CStringArray fromField;
    fromField.Add(ConvAndEncodeAddress(from));
    if (!WriteAddressField("From", fromField)) return 0;

    CAddress reply;
    doc_.GetReplyAddress(reply);
    if (!reply.GetMailAddress().IsEmpty()) {
        if (!WriteFieldValue("Reply-To", ConvAndEncodeAddress(reply).GetString())) return 0;
    }

    CStringArray list;
    for (unsigned int i = 0; i < doc_.GetToAddressSize(); ++i) {
        if (const CAddress* a = doc_.GetToAddress(i)) list.Add(ConvAndEncodeAddress(*a));
    }
    if (!list.IsEmpty() && !WriteAddressField("To", list)) return 0;

    list.RemoveAll();
    for (unsigned int i = 0; i < doc_.GetCcAddressSize(); ++i) {
        if (const CAddress* a = doc_.GetCcAddress(i)) list.Add(ConvAndEncodeAddress(*a));
    }
    if (!list.IsEmpty() && !WriteAddressField("Cc", list)) return 0;

    list.RemoveAll();
    for (unsigned int i = 0; i < doc_.GetBccAddressSize(); ++i) {
        if (const CAddress* a = doc_.GetBccAddress(i)) list.Add(ConvAndEncodeAddress(*a));
    }
    if (doc_.GetSenderBccFlg()) list.Add(ConvAndEncodeAddress(from));
    if (!list.IsEmpty() && !WriteAddressField("Bcc", list)) return 0;

    const CMailEnvironment& environment = CMailEnvironment::Get();
    std::time_t now = environment.Now();
    std::tm local{};
    if (!localtime_r(&now, &local)) return 0;

    long offset = local.tm_gmtoff;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    CString date = FormatTime("%a, %d %b %Y %H:%M:%S ", local);
    date.AppendFormat("%c%02ld%02ld", sign, offset / 3600, offset % 3600 / 60);
    if (!WriteFieldValue("Date", date.GetString())) return 0;

    CString host = environment.HostName();
    // Any fixed name keeps the identifier well-formed when the host's is unknown.
    if (host.IsEmpty()) host = "localhost";
    CString messageId;
    messageId.Format("<%s.%d@%s>", FormatTime("%Y%m%d%H%M%S", local).GetString(),
                     environment.ProcessId(), host.GetString());
    if (!WriteFieldValue("Message-ID", messageId.GetString())) return 0;

    CString text;
    doc_.GetMailerName(text);
    if (!WriteFieldValue("X-Mailer", CleanFieldValue(text).GetString())) return 0;

    doc_.GetInReplyTo(text);
    if (!text.IsEmpty() && !WriteFieldValue("In-Reply-To", CleanFieldValue(text).GetString())) {
        return 0;
    }
    doc_.GetReferences(text);
    if (!text.IsEmpty() && !WriteFieldValue("References", CleanFieldValue(text).GetString())) {
        return 0;
    }

    doc_.GetSubject(text);
    return WriteFieldValue("Subject", EncodeFieldValue(CleanFieldValue(text), 9).GetString());
}

int CEMailWriter::CheckFiles(const CMailDoc::FileList& files, CString& errorDetail)
{
    CString detail = kCheckFailed;
    int failed = 0;
    for (const CMailDoc::FileInfo& file : files) {
        std::FILE* f = OpenAttachment(file.path);
        if (f) {
            std::fclose(f);
            continue;
        }
        detail += file.path.ToText();
        detail += kCrLf;
        failed = 1;
    }
    if (!failed) return 1;
    errorDetail = detail;
    return 0;
}

int CEMailWriter::WriteMime(const CString& body, const CMailDoc::FileList& files,
                            CString& errorDetail)
{
    if (!WriteFieldValue("MIME-Version", "1.0")) {
        errorDetail = kHeaderFailed;
        return 0;
    }
    if (files.empty()) return WriteBody(body, errorDetail);
    return WriteMixed(body, files, errorDetail);
}

int CEMailWriter::WriteMixed(const CString& body, const CMailDoc::FileList& files,
                             CString& errorDetail)
{
    CString boundary = MakeNewBoundary();
    CStringArray parameters;
    parameters.Add("boundary=" + boundary);
    if (!WriteFieldValue("Content-Type", "multipart/mixed", parameters)
        || !stream_->WriteString(kCrLf)) {
        errorDetail = kBodyFailed;
        return 0;
    }

    CString delimiter = "--" + boundary + kCrLf;
    if (!stream_->WriteString(delimiter.GetString())) {
        errorDetail = kBodyFailed;
        return 0;
    }
    if (!WriteBody(body, errorDetail)) return 0;

    CString partDelimiter = kCrLf + delimiter;
    int result = 1;
    bool mail = false;
    for (const CMailDoc::FileInfo& file : files) {
        mail = CFileUtility::GetFileExt(file.path) == "eml";
        if (!stream_->WriteString(partDelimiter.GetString())) {
            errorDetail = (mail ? kMailFailed : kFileFailed) + file.path.ToText();
            result = 0;
            break;
        }
        result = mail ? WriteEMail(file, errorDetail) : WriteFile(file, errorDetail);
        if (!result) break;
    }

    // Every other part ends in a line end of its own; after a mail the closing delimiter
    // brings the line end it takes back.
    CString closing = CString(mail ? kCrLf : "") + "--" + boundary + "--" + kCrLf;
    // The closing delimiter is part of the message: losing it is a failure too.
    if (!stream_->WriteString(closing.GetString()) && result) {
        errorDetail = kBodyFailed;
        result = 0;
    }
    return result;
}

int CEMailWriter::WriteBody(const CString& body, CString& errorDetail)
{
    if (CLanguage::IsJapanese(body)) {
        CStringArray parameters;
        parameters.Add("charset=iso-2022-jp");
        CString jis;
        CLanguage::SJIS_JIS(body.GetString(), static_cast<unsigned int>(body.GetLength()), jis);
        if (!WriteFieldValue("Content-Type", "text/plain", parameters)
            || !WriteFieldValue("Content-Transfer-Encoding", "base64")
            || !stream_->WriteString(kCrLf)
            || !WriteBase64(reinterpret_cast<const unsigned char*>(jis.GetString()),
                            static_cast<unsigned int>(jis.GetLength()))) {
            errorDetail = kBodyFailed;
            return 0;
        }
        return 1;
    }

    if (!WriteFieldValue("Content-Type", "text/plain") || !stream_->WriteString(kCrLf)
        || !stream_->WriteString(body.GetString())) {
        errorDetail = kBodyFailed;
        return 0;
    }
    progress_.Callback(static_cast<unsigned int>(body.GetLength()));
    return 1;
}

CString CEMailWriter::AttachmentName(const CPath& path)
{
    CString name = CleanFieldValue(CFileUtility::GetFileNameFromPath(path));
    if (!CLanguage::IsJapanese(name)) {
        // Names on this system may hold what a quoted-string must escape (RFC 5322 3.2.4).
        name.Replace("\\", "\\\\");
        name.Replace("\"", "\\\"");
    }
    return "\"" + EncodeFieldValue(name, 6) + "\"";
}

int CEMailWriter::WriteAttachmentHeader(const CPath& path, const char* type, const char* encoding)
{
    CString name = AttachmentName(path);
    CStringArray nameParameter;
    nameParameter.Add("name=" + name);
    CStringArray filenameParameter;
    filenameParameter.Add("filename=" + name);
    return WriteFieldValue("Content-Type", type, nameParameter)
        && WriteFieldValue("Content-Transfer-Encoding", encoding)
        && WriteFieldValue("Content-Disposition", "attachment", filenameParameter)
        && stream_->WriteString(kCrLf);
}

int CEMailWriter::WriteFile(const CMailDoc::FileInfo& file, CString& errorDetail)
{
    if (file.path.IsEmpty()) return 0;

    if (!WriteAttachmentHeader(file.path, "application", "base64")) {
        errorDetail = kFileHeaderFailed;
        return 0;
    }

    std::FILE* f = OpenAttachment(file.path);
    if (!f) {
        errorDetail = kOpenFailed + file.path.ToText();
        return 0;
    }
    unsigned char block[kFileBlock];
    int result = 1;
    for (;;) {
        std::size_t got = std::fread(block, 1, sizeof block, f);
        if (got == 0) {
            // A read error is no end of file: the attachment would be cut short.
            if (std::ferror(f)) result = 0;
            break;
        }
        if (!WriteBase64(block, static_cast<unsigned int>(got))) {
            result = 0;
            break;
        }
    }
    std::fclose(f);
    if (!result) errorDetail = kFileFailed + file.path.ToText();
    return result;
}

int CEMailWriter::WriteEMail(const CMailDoc::FileInfo& file, CString& errorDetail)
{
    if (file.path.IsEmpty()) return 0;

    if (!WriteAttachmentHeader(file.path, "message/rfc822", "7bit")) {
        errorDetail = kMailHeaderFailed;
        return 0;
    }

    std::FILE* f = OpenAttachment(file.path);
    if (!f) {
        errorDetail = kOpenFailed + file.path.ToText();
        return 0;
    }
    // Mail files saved on this system may end their lines in LF alone; the message carries
    // CR LF lines only (RFC 5322 2.1), so every lone CR or LF becomes CR LF. A zero byte has
    // no place in mail text and would end the piece early: it is left out.
    char block[kMailBlock + 1];
    char out[2 * kMailBlock + 3];
    int pendingCr = 0;
    int result = 1;
    for (;;) {
        std::size_t got = std::fread(block, 1, kMailBlock, f);
        if (got == 0) {
            if (std::ferror(f)) result = 0;
            break;
        }
        std::size_t n = 0;
        for (std::size_t i = 0; i < got; ++i) {
            char c = block[i];
            if (pendingCr) {
                out[n++] = '\r';
                out[n++] = '\n';
                pendingCr = 0;
                if (c == '\n') continue;
            }
            if (c == '\r') {
                pendingCr = 1;
            } else if (c == '\n') {
                out[n++] = '\r';
                out[n++] = '\n';
            } else if (c != '\0') {
                out[n++] = c;
            }
        }
        out[n] = '\0';
        if (!stream_->WriteString(out)) {
            result = 0;
            break;
        }
    }
    std::fclose(f);
    // A CR at the very end is the mail's own line end. Nothing more is added: the CR LF that
    // follows belongs to the next boundary delimiter (RFC 2046 5.1.1), so the mail arrives
    // exactly as it was, with or without a final line end.
    if (result && pendingCr) result = stream_->WriteString(kCrLf);
    if (!result) errorDetail = kMailFailed + file.path.ToText();
    return result;
}

int CEMailWriter::WriteBase64(const unsigned char* data, unsigned int length)
{
    // Lines are handed on ten at a time, the unit of progress: fewer, larger writes and
    // still no more than 740 bytes held.
    CString lines;
    lines.Reserve(static_cast<int>(kLinesPerReport * 74));
    unsigned int count = 0;
    unsigned int pos = 0;
    for (; length - pos >= kLineBytes; pos += kLineBytes) {
        CBase64::Encode(data + pos, kLineBytes, lines);
        lines += kCrLf;
        if (++count == kLinesPerReport) {
            if (!stream_->WriteString(lines.GetString())) return 0;
            lines.Empty();
            progress_.Callback(720);
            count = 0;
        }
    }
    if (pos < length) {
        CBase64::Encode(data + pos, length - pos, lines);
        lines += kCrLf;
    }
    if (!lines.IsEmpty() && !stream_->WriteString(lines.GetString())) return 0;
    return 1;
}

CString CEMailWriter::MakeNewBoundary()
{
    const CMailEnvironment& environment = CMailEnvironment::Get();
    CString boundary;
    boundary.Format("%s_%08X_%08X", "BOUNDARY", static_cast<unsigned int>(environment.Now()),
                    static_cast<unsigned int>(environment.ProcessId()));
    return boundary;
}

int CEMailWriter::WriteFieldValue(const char* name, const char* value)
{
    return WriteFieldValue(name, value, CStringArray());
}

int CEMailWriter::WriteFieldValue(const char* name, const char* value,
                                  const CStringArray& parameters)
{
    if (!stream_) return 0;
    CString text = name;
    text += ": ";
    text += value;
    for (const CString& parameter : parameters) {
        text += ";\r\n\t";
        text += parameter;
    }
    text += kCrLf;
    return stream_->WriteString(text.GetString());
}

int CEMailWriter::WriteAddressField(const char* name, const CStringArray& addresses)
{
    if (!stream_ || addresses.IsEmpty()) return 0;
    CString text = name;
    text += ": ";
    text += addresses[0];
    for (int i = 1; i < addresses.GetSize(); ++i) {
        text += ",\r\n\t";
        text += addresses[i];
    }
    text += kCrLf;
    return stream_->WriteString(text.GetString());
}

CString CEMailWriter::EncodeFieldValue(const CString& value, int offset)
{
    if (!CLanguage::IsJapanese(value)) return value;

    // ISO-2022-JP of Shift_JIS text grows with escapes, Base64 by 4/3: 0.3 bytes of input
    // per character left on the line keeps each encoded word within the 76-column line.
    double room = (76.0 - offset - 16 - 2) * 0.3;
    unsigned int limit = room > 0 ? static_cast<unsigned int>(room) : 0;
    const unsigned int nextLimit = static_cast<unsigned int>((75.0 - 16 - 2) * 0.3);

    CString result;
    const char* text = value.GetString();
    unsigned int remaining = static_cast<unsigned int>(value.GetLength());
    while (remaining > 0) {
        CString piece;
        CLanguage::CutSJIS(text, remaining, limit, piece);
        unsigned int taken = static_cast<unsigned int>(piece.GetLength());
        if (taken == 0) {
            // Too little room for even one character: take it anyway rather than loop.
            taken = remaining >= 2 && CLanguage::IsJSjisKanji(text[0]) ? 2 : 1;
            piece = CString(text, static_cast<int>(taken));
        }
        CString encoded;
        if (!Encode(reinterpret_cast<const unsigned char*>(piece.GetString()), taken, "base64",
                    "iso-2022-jp", encoded)) {
            break;
        }
        if (!result.IsEmpty()) result += "\r\n\t";
        result += "=?iso-2022-jp?B?";
        result += encoded;
        result += "?=";
        text += taken;
        remaining -= taken;
        limit = nextLimit;
    }
    return result;
}

CString CEMailWriter::ConvAndEncodeAddress(const CAddress& address)
{
    CString name = CleanFieldValue(address.GetDisplayName());
    CString mail = CleanFieldValue(address.GetMailAddress());
    if (name.IsEmpty()) return mail;
    if (CLanguage::IsJapanese(name)) return EncodeFieldValue(name, 0) + " <" + mail + ">";
    // Inside the quoted-string a backslash escapes the next character (RFC 5322 3.2.4).
    name.Replace("\\", "\\\\");
    return CAddress("", name.GetString(), mail.GetString()).ToTextForMail();
}

int CEMailWriter::Encode(const unsigned char* data, unsigned int length, const CString& encoding,
                         const CString& charset, CString& out)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    out.Empty();
    if (charset.CompareNoCase("iso-2022-jp") != 0) {
        CBase64::Encode(data, length, out);
        return 1;
    }
    CString jis;
    CLanguage::SJIS_JIS(bytes, length, jis);
    if (encoding.CompareNoCase("B") == 0 || encoding.CompareNoCase("base64") == 0) {
        CBase64::Encode(reinterpret_cast<const unsigned char*>(jis.GetString()),
                        static_cast<unsigned int>(jis.GetLength()), out);
    } else {
        out = jis;
    }
    return 1;
}

CString CEMailWriter::CleanFieldValue(const CString& value)
{
    std::string_view in = value.View();
    CString out;
    out.Reserve(value.GetLength());
    for (std::size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        if (c == '\r' && i + 2 < in.size() && in[i + 1] == '\n'
            && (in[i + 2] == ' ' || in[i + 2] == '\t')) {
            out += "\r\n";
            ++i;
            continue;
        }
        // One blank for each bare line break; CR LF counts as one.
        if (c == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
        out += ' ';
    }
    return out;
}

std::FILE* CEMailWriter::OpenAttachment(const CPath& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    struct stat info {};
    if (::fstat(::fileno(f), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    std::setvbuf(f, nullptr, _IOFBF, kReadBuffer);
    return f;
}
