#include "writer/CEMailWriter.h"

#include "encoding/CBase64.h"
#include "encoding/CCodePage.h"
#include "encoding/CJisFallback.h"
#include "encoding/CQuotedPrint.h"
#include "encoding/CLanguage.h"
#include "model/CFileUtility.h"
#include "smtp/CProgressCallback.h"
#include "writer/CMailEnvironment.h"
#include "writer/COutputStream.h"

#include <clocale>
#include <cstring>
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

constexpr const char* kJisPrefix = "=?iso-2022-jp?B?";
constexpr const char* kUtf8Prefix = "=?UTF-8?B?";
// RFC 2047 section 2: an encoded word is at most 75 characters.
constexpr int kMaxWord = 75;
// RFC 5322 section 2.1.1: a line is at most 998 characters, its CR LF aside.
constexpr int kMaxLine = 998;

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

int Base64Length(std::size_t bytes)
{
    return static_cast<int>((bytes + 2) / 3 * 4);
}

bool IsAscii(const CString& text)
{
    for (char c : text.View()) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Bytes of the unit that may not be split at `text`: one character, or a half-width kana
// with the voicing mark after it.
unsigned int UnitLength(const char* text, unsigned int length)
{
    unsigned int n = CLanguage::CharLength(text, length);
    if (n == 1 && length >= 2 && CLanguage::IsHankakuKana(text[0])) {
        unsigned char next = static_cast<unsigned char>(text[1]);
        if (next == 0xDE || next == 0xDF) return 2;
    }
    return n;
}

// Whether any line of CR LF text is longer than a message line may be.
bool HasOverlongLine(std::string_view text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (end - start > static_cast<std::size_t>(kMaxLine)) return true;
        start = end + 2;
    }
    return false;
}

// RFC 2231 section 4: everything but attribute-char as %XX.
CString PercentEncode(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    CString out;
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        bool plain = c > 0x20 && c < 0x7F && !std::strchr("*'%()<>@,;:\\\"/[]?=", c);
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

// Folds an ASCII value at blanks so that no line, counted from `offset` characters before
// it, exceeds 998 characters. False when some run between blanks is too long to fold.
bool FoldAtBlanks(const CString& value, int offset, CString& folded)
{
    std::string_view text = value.View();
    if (offset + static_cast<int>(text.size()) <= kMaxLine) {
        folded = value;
        return true;
    }
    folded.Empty();
    std::size_t lineLength = static_cast<std::size_t>(offset);
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A word and the blanks before it move together; the fold goes before the blank.
        std::size_t wordStart = text.find_first_not_of(" \t", pos);
        if (wordStart == std::string_view::npos) wordStart = text.size();
        std::size_t wordEnd = text.find_first_of(" \t", wordStart);
        if (wordEnd == std::string_view::npos) wordEnd = text.size();
        std::size_t piece = wordEnd - pos;
        if (lineLength + piece > static_cast<std::size_t>(kMaxLine) && pos > 0 && wordStart > pos) {
            folded += "\r\n";
            lineLength = 0;
        }
        if (lineLength + piece > static_cast<std::size_t>(kMaxLine)) return false;
        folded.Append(text.data() + pos, static_cast<int>(piece));
        lineLength += piece;
        pos = wordEnd;
    }
    return true;
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

    // Blind copies stay blind: the sent text has no Bcc field (RFC 5322 3.6.3); the envelope
    // alone reaches them. Only the user's own saved copy lists them.
    list.RemoveAll();
    if (writeBcc_) {
        for (unsigned int i = 0; i < doc_.GetBccAddressSize(); ++i) {
            if (const CAddress* a = doc_.GetBccAddress(i)) list.Add(ConvAndEncodeAddress(*a));
        }
        if (doc_.GetSenderBccFlg()) list.Add(ConvAndEncodeAddress(from));
    }
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
    // Identifiers cannot be encoded: a value too long for one line is folded at its blanks.
    auto folded = [](const CString& value, int offset) {
        CString out;
        return FoldAtBlanks(value, offset, out) ? out : value;
    };
    doc_.GetMailerName(text);
    if (!WriteFieldValue("X-Mailer", folded(CleanFieldValue(text), 10).GetString())) return 0;

    doc_.GetInReplyTo(text);
    if (!text.IsEmpty() && !WriteFieldValue("In-Reply-To", folded(CleanFieldValue(text), 13).GetString())) {
        return 0;
    }
    doc_.GetReferences(text);
    if (!text.IsEmpty() && !WriteFieldValue("References", folded(CleanFieldValue(text), 12).GetString())) {
        return 0;
    }

    doc_.GetSubject(text);
    return WriteFieldValue("Subject", EncodeText(CleanFieldValue(text), 9).GetString());
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

int CEMailWriter::WriteBody(const CString& letter, CString& errorDetail)
{
    const CString body = Prepared(letter);
    const bool utf8 = UsesUtf8(body);
    if (utf8 || CLanguage::IsJapanese(body)) {
        CStringArray parameters;
        parameters.Add(utf8 ? "charset=UTF-8" : "charset=iso-2022-jp");
        std::string bytes;
        if (utf8) {
            bytes = CCodePage::ToUtf8(body);
        } else {
            CString jis;
            CLanguage::SJIS_JIS(body.GetString(), static_cast<unsigned int>(body.GetLength()), jis);
            bytes = std::move(jis.Str());
        }
        if (!WriteFieldValue("Content-Type", "text/plain", parameters)
            || !WriteFieldValue("Content-Transfer-Encoding", "base64")
            || !stream_->WriteString(kCrLf)
            || !WriteBase64(reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<unsigned int>(bytes.size()))) {
            errorDetail = kBodyFailed;
            return 0;
        }
        return 1;
    }

    // A line longer than a message line may be would be cut or refused by servers.
    if (HasOverlongLine(body.View())) {
        CString encoded;
        CQuotedPrint::Encode(body, encoded);
        if (!WriteFieldValue("Content-Type", "text/plain")
            || !WriteFieldValue("Content-Transfer-Encoding", "quoted-printable")
            || !stream_->WriteString(kCrLf) || !stream_->WriteString(encoded.GetString())) {
            errorDetail = kBodyFailed;
            return 0;
        }
        progress_.Callback(static_cast<unsigned int>(body.GetLength()));
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


CString CEMailWriter::AttachmentName(const CMailDoc::FileInfo& file)
{
    return CFileUtility::GetFileNameFromPath(file.path);
}

int CEMailWriter::WriteAttachmentHeader(const CMailDoc::FileInfo& file, const char* type, const char* encoding)
{
    const CString name = Prepared(CleanFieldValue(AttachmentName(file)));
    CStringArray nameParameter;
    CStringArray filenameParameters;
    // 6: TAB and "name=" before the value; "filename=" is longer by 4.
    const int offset = 6;
    const bool utf8 = UsesUtf8(name);
    CString plain = name;
    if (!utf8 && !CLanguage::IsJapanese(name)) {
        // Names on this system may hold what a quoted-string must escape (RFC 5322 3.2.4).
        plain.Replace("\\", "\\\\");
        plain.Replace("\"", "\\\"");
    }
    const bool tooLong = !CLanguage::IsJapanese(name) && offset + 4 + plain.GetLength() + 2 > kMaxLine;
    if (!utf8 && !tooLong) {
        CString quoted = "\"" + EncodeFieldValue(plain, offset) + "\"";
        nameParameter.Add("name=" + quoted);
        filenameParameters.Add("filename=" + quoted);
    } else {
        // RFC 2231 for readers that know it, encoded words in quotes for those that do not.
        CString words = "\"" + EncodeWords(name, offset, utf8) + "\"";
        nameParameter.Add("name=" + words);
        std::string bytes = utf8 ? CCodePage::ToUtf8(name) : name.Str();
        const char* charset = utf8 ? "UTF-8''" : "us-ascii''";
        CString encoded = PercentEncode(bytes);
        // Pieces of at most 60 characters, never splitting a %XX escape (section 3).
        constexpr int kPiece = 60;
        if (encoded.GetLength() <= kPiece) {
            filenameParameters.Add(CString("filename*=") + charset + encoded);
        } else {
            int at = 0;
            for (int n = 0; at < encoded.GetLength(); ++n) {
                int take = std::min(kPiece, encoded.GetLength() - at);
                if (at + take < encoded.GetLength()) {
                    if (encoded[at + take - 1] == '%') take -= 1;
                    else if (encoded[at + take - 2] == '%') take -= 2;
                }
                CString piece;
                piece.Format("filename*%d*=%s%s", n, n == 0 ? charset : "", encoded.Mid(at, take).GetString());
                filenameParameters.Add(piece);
                at += take;
            }
        }
        filenameParameters.Add("filename=" + words);
    }
    return WriteFieldValue("Content-Type", type, nameParameter)
        && WriteFieldValue("Content-Transfer-Encoding", encoding)
        && WriteFieldValue("Content-Disposition", "attachment", filenameParameters)
        && stream_->WriteString(kCrLf);
}

int CEMailWriter::WriteFile(const CMailDoc::FileInfo& file, CString& errorDetail)
{
    if (file.path.IsEmpty()) return 0;

    // A message or multipart type cannot be sent in Base64 (RFC 2045 6.4): such a file goes
    // as plain data.
    CString type = CFileUtility::GetContentType(file.path);
    if (type.Find("message/") == 0 || type.Find("multipart/") == 0) type = "application/octet-stream";
    if (!WriteAttachmentHeader(file, type.GetString(), "base64")) {
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

    // A mail with 8-bit bytes (a Shift_JIS or UTF-8 body sent raw) is labelled as such.
    const char* encoding = IsEightBitFile(file.path) ? "8bit" : "7bit";
    if (!WriteAttachmentHeader(file, "message/rfc822", encoding)) {
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
    return EncodeWords(value, offset, false);
}

CString CEMailWriter::EncodeWords(const CString& value, int offset, bool utf8)
{
    // ISO-2022-JP of Shift_JIS text grows with escapes, Base64 by 4/3: 0.3 bytes of input
    // per character left on the line keeps a word of Japanese text within the 76-column
    // line. UTF-8 words take as many characters as fit.
    double room = (76.0 - offset - 16 - 2) * 0.3;
    unsigned int limit = room > 0 ? static_cast<unsigned int>(room) : 0;
    const unsigned int nextLimit = static_cast<unsigned int>((75.0 - 16 - 2) * 0.3);
    const char* prefix = utf8 ? kUtf8Prefix : kJisPrefix;
    const int overhead = static_cast<int>(std::strlen(prefix)) + 2;

    CString result;
    const char* text = value.GetString();
    unsigned int remaining = static_cast<unsigned int>(value.GetLength());
    while (remaining > 0) {
        // Whole characters (a kana with its voicing mark) while the byte limit and the
        // word's 75 characters allow; at least one, so that the loop always moves on.
        unsigned int taken = 0;
        std::string bytes;
        while (taken < remaining) {
            unsigned int unit = UnitLength(text + taken, remaining - taken);
            if (taken > 0 && !utf8 && taken + unit > limit) break;
            std::string candidate;
            if (utf8) {
                candidate = bytes + CCodePage::ToUtf8(CString(text + taken, static_cast<int>(unit)));
            } else {
                CString jis;
                CLanguage::SJIS_JIS(text, taken + unit, jis);
                candidate = jis.Str();
            }
            if (taken > 0 && overhead + Base64Length(candidate.size()) > kMaxWord) break;
            bytes = std::move(candidate);
            taken += unit;
            if (overhead + Base64Length(bytes.size()) >= kMaxWord) break;
        }
        CString encoded;
        CBase64::Encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<unsigned int>(bytes.size()), encoded);
        if (!result.IsEmpty()) result += "\r\n\t";
        result += prefix;
        result += encoded;
        result += "?=";
        text += taken;
        remaining -= taken;
        limit = nextLimit;
    }
    return result;
}

CString CEMailWriter::Prepared(const CString& text) const
{
    return CJisFallback::Replace(text, doc_.GetReplaceMode());
}

bool CEMailWriter::UsesUtf8(const CString& text) const
{
    switch (doc_.GetCharset()) {
    case CMailDoc::CharsetIso2022Jp: return false;
    case CMailDoc::CharsetUtf8: return !IsAscii(text);
    case CMailDoc::CharsetAuto: break;
    }
    return !CLanguage::FitsJis(text);
}

CString CEMailWriter::EncodeText(const CString& value, int offset)
{
    const CString text = Prepared(value);
    if (UsesUtf8(text)) return EncodeWords(text, offset, true);
    if (CLanguage::IsJapanese(text)) return EncodeFieldValue(text, offset);
    // Plain text as it is, folded when a line would be too long; a run too long to fold
    // goes out as encoded words, which can be folded anywhere.
    CString folded;
    if (FoldAtBlanks(text, offset, folded)) return folded;
    return EncodeWords(text, offset, false);
}

CString CEMailWriter::ConvAndEncodeAddress(const CAddress& address)
{
    CString name = Prepared(CleanFieldValue(address.GetDisplayName()));
    CString mail = CleanFieldValue(address.GetMailAddress());
    if (name.IsEmpty()) return mail;
    const bool utf8 = UsesUtf8(name);
    if (utf8 || CLanguage::IsJapanese(name)) {
        // Quotes that protect the name (a comma, say) are no part of it, and an encoded word
        // in quotes is not decoded (RFC 2047 5): they stay out of the word.
        if (name.GetLength() >= 2 && name[0] == '"' && name[name.GetLength() - 1] == '"') {
            name = name.Mid(1, name.GetLength() - 2);
            name.Replace("\\\"", "\"");
        }
        // Readers put a blank between the words of a name: one word when one will do.
        CString one = EncodeWords(name, 0, utf8);
        if (one.Find("\r\n") >= 0) {
            CString whole = (utf8 ? kUtf8Prefix : kJisPrefix);
            std::string bytes;
            if (utf8) {
                bytes = CCodePage::ToUtf8(name);
            } else {
                CString jis;
                CLanguage::SJIS_JIS(name.GetString(), static_cast<unsigned int>(name.GetLength()), jis);
                bytes = jis.Str();
            }
            if (whole.GetLength() + Base64Length(bytes.size()) + 2 <= kMaxWord) {
                CString encoded;
                CBase64::Encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<unsigned int>(bytes.size()), encoded);
                one = whole + encoded + "?=";
            }
        }
        return one + " <" + mail + ">";
    }
    // Inside the quoted-string a backslash escapes the next character (RFC 5322 3.2.4).
    name.Replace("\\", "\\\\");
    CString text = CAddress("", name.GetString(), mail.GetString()).ToTextForMail();
    // A name too long for one line is folded at its blanks, inside the quotes (the blank
    // stays, only the line break goes on reading), or else sent as encoded words.
    CString folded;
    if (FoldAtBlanks(text, 0, folded)) return folded;
    return EncodeWords(CleanFieldValue(address.GetDisplayName()), 0, false) + " <" + mail + ">";
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

int CEMailWriter::IsEightBitFile(const CPath& path)
{
    std::FILE* f = OpenAttachment(path);
    if (!f) return 0;
    unsigned char block[kFileBlock];
    int eightBit = 0;
    while (!eightBit) {
        std::size_t got = std::fread(block, 1, sizeof block, f);
        if (got == 0) break;
        for (std::size_t i = 0; i < got && !eightBit; ++i) eightBit = block[i] >= 0x80;
    }
    std::fclose(f);
    return eightBit;
}

int CEMailWriter::NeedsEightBit(const CMailDoc& doc)
{
    CMailDoc::FileList files;
    doc.GetFiles(files);
    for (const CMailDoc::FileInfo& file : files) {
        if (CFileUtility::GetFileExt(file.path) == "eml" && IsEightBitFile(file.path)) return 1;
    }
    return 0;
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
