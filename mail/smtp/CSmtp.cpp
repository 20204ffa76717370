#include "smtp/CSmtp.h"

#include "encoding/CBase64.h"
#include "smtp/CSmtpSocket.h"
#include "smtp/CSmtpTls.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string.h>

namespace {

const char* const kHostNameFailed = "SMTP 自ホスト名取得失敗";
const char* const kTooManyRecipients = "宛先が多すぎます。一度に送れる宛先は %d 件までです (この手紙は %d 件)。";
// RFC 5321 4.5.3.2.6: a server may take 10 minutes to accept the data.
constexpr int kDataEndTimeout = 10 * 60 * 1000;
// What of a long reply a dialog shows.
constexpr std::size_t kShownReply = 4096;
const char* const kBadAddress = "メールアドレスに改行文字または NUL 文字が含まれています。";
const char* const kCommandTooLong = "SMTP コマンドが長すぎます。";
const char* const kNoStartTls = "SMTP サーバーが STARTTLS に対応していないため、暗号化できません。";
const char* const kNoStartTlsForAuth =
    "SMTP サーバーが STARTTLS に対応していないため、送信を中止しました。パスワードは暗号化されない接続では送りません。";
const char* const kStartTlsInjected = "SMTP サーバーが STARTTLS の応答の後に余分なデータを送ってきたため、接続を中止しました。";
const char* const kAuthNeedsTls = "暗号化されていない接続ではパスワードを送りません。";
const char* const kNoAccount = "SMTP 認証のユーザー名がありません。";
const char* const kNoMechanism = "SMTP サーバーが対応している認証方式 (CRAM-MD5, PLAIN, LOGIN) がありません。";
const char* const kBadChallenge = "SMTP サーバーの CRAM-MD5 チャレンジを読めません。";

// A reply is complete once a line has arrived whose fourth byte is not "-" (RFC 5321
// 4.2.1); LF alone is taken as a line end too. The offset after that line, or -1.
int ReplyEnd(const char* data, int length)
{
    int lineStart = 0;
    for (int i = 0; i < length; ++i) {
        if (data[i] != '\n') continue;
        if (i - lineStart < 4 || data[lineStart + 3] != '-') return i + 1;
        lineStart = i + 1;
    }
    return -1;
}

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// SASL strings are UTF-8 (RFC 4422), as the account and password are held.
std::string Base64Utf8(const std::string& utf8)
{
    CString out;
    CBase64::Encode(reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<unsigned int>(utf8.size()), out);
    return out.Str();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Text from the network as the user may see it: line ends become CR LF, every other control
// byte is shown as \xHH, so a server can neither send terminal escape sequences nor lay out
// a dialog; a very long text is cut.
CString Visible(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    CString out;
    std::size_t i = 0;
    for (; i < text.size() && static_cast<std::size_t>(out.GetLength()) < kShownReply; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (i < text.size()) out += " ...";
    return out;
}

// The reply code of the first three bytes; 0 when they are not digits.
unsigned int ReplyCode(const char* reply)
{
    if (!IsDigit(reply[0]) || !IsDigit(reply[1]) || !IsDigit(reply[2])) return 0;
    return static_cast<unsigned int>((reply[0] - '0') * 100 + (reply[1] - '0') * 10 + (reply[2] - '0'));
}

}  // namespace

CString CSmtp::VisibleText(std::string_view text)
{
    return Visible(text);
}

CSmtp::CSmtp() : channel_(CSmtpSocket::Create()) {}

CSmtp::CSmtp(std::unique_ptr<CSmtpSocket> channel) : channel_(std::move(channel)) {}

CSmtp::~CSmtp()
{
    if (open_) Close();
}

void CSmtp::SetTimeout(int milliseconds)
{
    CSmtpSocket::SetTimeout(milliseconds);
}

void CSmtp::SetTrustedCaFile(const CPath& path)
{
    CSmtpTls::SetTrustedCaFile(path);
}

int CSmtp::CheckAddress(const CString& address, CString& detail)
{
    if (address.View().find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos) return 1;
    CString shown;
    for (char c : address.View()) {
        if (c == '\r') shown += "\\r";
        else if (c == '\n') shown += "\\n";
        else if (c == '\0') shown += "\\0";
        else shown += c;
    }
    detail = kBadAddress;
    detail += "\r\n\r\n";
    detail += shown;
    return 0;
}

int CSmtp::ReadReply(unsigned int& code, int expected)
{
    code = 0;
    replyExtra_ = 0;
    reply_.assign(static_cast<std::size_t>(ReplyLimit), '\0');
    char* reply = reply_.data();
    int used = 0;
    int end = -1;
    while ((end = ReplyEnd(reply, used)) < 0) {
        if (used == ReplyLimit) {
            // More than any server sends: no reply to act on, but the server's own words.
            code = ReplyCode(reply);
            errorDetail_ = Visible(std::string_view(reply, static_cast<std::size_t>(used)));
            return 0;
        }
        int count = channel_->Receive(reply + used, ReplyLimit - used);
        if (count <= 0) {
            errorDetail_ = channel_->GetErrorText();
            broken_ = true;
            return 0;
        }
        used += count;
    }
    replyExtra_ = used - end;
    // Garbage that happens to begin with "2" or "3" is no acceptance: all three must be digits.
    code = ReplyCode(reply);
    reply_.resize(static_cast<std::size_t>(used));
    const unsigned int kind = code / 100;
    if (code != 0 && (expected ? kind == static_cast<unsigned int>(expected) : (kind == 2 || kind == 3))) return 1;
    errorDetail_ = Visible(reply_);
    return 0;
}

int CSmtp::WriteString(const char* line, unsigned int& code)
{
    return Command(line, code, 0);
}

int CSmtp::Command(const char* line, unsigned int& code, int expected)
{
    errorDetail_.Empty();
    if (!line) return 0;
    int length = static_cast<int>(std::strlen(line));
    if (length == 0) return 0;
    if (channel_->Send(line, length) != length) {
        errorDetail_ = channel_->GetErrorText();
        broken_ = true;
        return 0;
    }
    return ReadReply(code, expected);
}

int CSmtp::WriteFormatString(const char* format, const char* argument, unsigned int& code)
{
    return FormatCommand(format, argument, code, 0);
}

int CSmtp::FormatCommand(const char* format, const char* argument, unsigned int& code, int expected)
{
    errorDetail_.Empty();
    if (!format) return 0;
    char line[CommandBufferSize];
    int length = argument ? std::snprintf(line, sizeof line, format, argument)
                          : std::snprintf(line, sizeof line, "%s", format);
    if (length < 0 || length >= static_cast<int>(sizeof line)) {
        errorDetail_ = kCommandTooLong;
        return 0;
    }
    return Command(line, code, expected);
}

int CSmtp::Open(const char* server, int port)
{
    return Open(server, port, CSmtpSecurity{});
}

int CSmtp::Open(const char* server, int port, const CSmtpSecurity& security)
{
    errorDetail_.Empty();
    if (open_) return 1;
    capabilities_.clear();
    broken_ = false;
    if (!channel_->Connect(server, "smtp", static_cast<unsigned short>(port))) {
        errorDetail_ = channel_->GetErrorText();
        return 0;
    }
    if (security.ImplicitTls(port) && !channel_->StartTls(server)) {
        errorDetail_ = channel_->GetErrorText();
        return 0;
    }
    unsigned int code = 0;
    // The greeting is 220 (RFC 5321 4.3.2); 554 refuses the session.
    if (!ReadReply(code, 2)) return 0;
    char host[HostNameSize] = {};
    if (!channel_->GetLocalHostName(host, sizeof host)) {
        errorDetail_ = kHostNameFailed;
        return 0;
    }
    const bool startTls = security.StartTlsRequired(port);
    if (!Greet(host, security.Extended(port), !startTls && !security.needAuth)) return 0;
    if (startTls) {
        if (!Offers("STARTTLS")) {
            errorDetail_ = security.needAuth ? kNoStartTlsForAuth : kNoStartTls;
            return 0;
        }
        if (!StartTls(server)) return 0;
        // What the server said before TLS cannot be trusted (RFC 3207 4.2): ask again.
        if (!Greet(host, true, false)) return 0;
    }
    if (security.needAuth && !Authenticate(security)) return 0;
    open_ = 1;
    return 1;
}

int CSmtp::Greet(const char* host, bool extended, bool fallBack)
{
    unsigned int code = 0;
    if (!extended) return FormatCommand("HELO %s\r\n", host, code, 2);
    capabilities_.clear();
    char line[CommandBufferSize];
    int length = std::snprintf(line, sizeof line, "EHLO %s\r\n", host);
    if (length < 0 || length >= static_cast<int>(sizeof line)) {
        errorDetail_ = kCommandTooLong;
        return 0;
    }
    if (!Command(line, code, 2)) {
        // A server that does not know EHLO answers 500 or 502 (RFC 5321 3.2).
        if (fallBack && code >= 500 && code < 600) return FormatCommand("HELO %s\r\n", host, code, 2);
        return 0;
    }
    // The first line greets; each further line is one keyword with its parameters.
    std::size_t start = reply_.find('\n');
    while (start != std::string::npos && start + 1 < reply_.size()) {
        std::size_t end = reply_.find('\n', start + 1);
        std::string entry = reply_.substr(start + 1, (end == std::string::npos ? reply_.size() : end) - start - 1);
        if (!entry.empty() && entry.back() == '\r') entry.pop_back();
        if (entry.size() > 4) capabilities_.push_back(Upper(entry.substr(4)));
        start = end;
    }
    return 1;
}

bool CSmtp::Offers(const char* keyword) const
{
    const std::size_t length = std::strlen(keyword);
    for (const std::string& entry : capabilities_)
        if (entry.compare(0, length, keyword) == 0 && (entry.size() == length || entry[length] == ' ' || entry[length] == '='))
            return true;
    return false;
}

int CSmtp::StartTls(const char* server)
{
    unsigned int code = 0;
    if (!WriteString("STARTTLS\r\n", code)) return 0;
    if (code != 220) {
        errorDetail_ = Visible(reply_);
        return 0;
    }
    // Bytes sent ahead of the handshake would be read as if they had come over TLS.
    if (replyExtra_) {
        errorDetail_ = kStartTlsInjected;
        return 0;
    }
    if (!channel_->StartTls(server)) {
        errorDetail_ = channel_->GetErrorText();
        return 0;
    }
    return 1;
}

int CSmtp::WriteSecret(std::string& line, unsigned int& code)
{
    int result = WriteString(line.c_str(), code);
    CSmtpSecurity::WipeBytes(line);
    return result;
}

int CSmtp::Authenticate(const CSmtpSecurity& security)
{
    errorDetail_.Empty();
    if (!channel_->IsSecure()) {
        errorDetail_ = kAuthNeedsTls;
        return 0;
    }
    if (security.account.IsEmpty()) {
        errorDetail_ = kNoAccount;
        return 0;
    }
    // "AUTH PLAIN LOGIN", or the older "AUTH=PLAIN LOGIN" some servers still send.
    std::vector<std::string> offered;
    std::string offeredText;
    for (const std::string& entry : capabilities_) {
        if (entry.compare(0, 5, "AUTH ") != 0 && entry.compare(0, 5, "AUTH=") != 0) continue;
        std::size_t at = 5;
        while (at < entry.size()) {
            std::size_t end = entry.find(' ', at);
            if (end == std::string::npos) end = entry.size();
            if (end > at) offered.push_back(entry.substr(at, end - at));
            at = end + 1;
        }
        offeredText += entry.substr(5) + " ";
    }
    const char* mechanism = nullptr;
    for (const char* known : {"CRAM-MD5", "PLAIN", "LOGIN"}) {
        if (std::find(offered.begin(), offered.end(), known) != offered.end()) {
            mechanism = known;
            break;
        }
    }
    if (!mechanism) {
        errorDetail_ = kNoMechanism;
        if (!offeredText.empty()) {
            errorDetail_ += "\r\n\r\nAUTH ";
            errorDetail_ += offeredText.substr(0, offeredText.size() - 1).c_str();
        }
        return 0;
    }

    // Credentials are the bytes the user typed, UTF-8 as SASL wants them (RFC 4616, 4954):
    // never text of the system's code page.
    std::string user = security.account.Str();
    std::string password = security.password.Str();
    std::string line;
    unsigned int code = 0;
    int ok = 0;
    const std::string name = mechanism;
    if (name == "PLAIN") {
        std::string message = std::string(1, '\0') + user + std::string(1, '\0') + password;
        line = "AUTH PLAIN " + Base64Utf8(message) + "\r\n";
        CSmtpSecurity::WipeBytes(message);
        ok = WriteSecret(line, code);
    } else if (name == "LOGIN") {
        ok = WriteString("AUTH LOGIN\r\n", code) && code == 334;
        if (ok) {
            line = Base64Utf8(user) + "\r\n";
            ok = WriteSecret(line, code) && code == 334;
        }
        if (ok) {
            line = Base64Utf8(password) + "\r\n";
            ok = WriteSecret(line, code);
        }
    } else {
        ok = WriteString("AUTH CRAM-MD5\r\n", code) && code == 334;
        if (ok) {
            // "334 <challenge in Base64>", the line end aside.
            CString encoded(reply_.data() + 4, static_cast<int>(reply_.size()) - 4);
            encoded.TrimRight();
            std::string challenge(static_cast<std::size_t>(encoded.GetLength()) + 4, '\0');
            unsigned int challengeLength = 0;
            if (!CBase64::Decode(encoded, reinterpret_cast<unsigned char*>(challenge.data()),
                                 static_cast<unsigned int>(challenge.size()), challengeLength) ||
                challengeLength == 0) {
                CSmtpSecurity::WipeBytes(user);
                CSmtpSecurity::WipeBytes(password);
                errorDetail_ = kBadChallenge;
                return 0;
            }
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int digestLength = 0;
            HMAC(EVP_md5(), password.data(), static_cast<int>(password.size()),
                 reinterpret_cast<const unsigned char*>(challenge.data()), challengeLength, digest, &digestLength);
            std::string response = user + " ";
            static const char hex[] = "0123456789abcdef";
            for (unsigned int i = 0; i < digestLength; ++i) {
                response += hex[digest[i] >> 4];
                response += hex[digest[i] & 0x0F];
            }
            explicit_bzero(digest, sizeof digest);
            line = Base64Utf8(response) + "\r\n";
            ok = WriteSecret(line, code);
        }
    }
    CSmtpSecurity::WipeBytes(user);
    CSmtpSecurity::WipeBytes(password);
    // Only 235 means logged in; a 334 asking for more is no acceptance either.
    if (ok && code / 100 != 2) ok = 0;
    if (!ok && errorDetail_.IsEmpty()) errorDetail_ = Visible(reply_);
    return ok;
}

int CSmtp::Start(const char* from, const CStringArray& recipients)
{
    errorDetail_.Empty();
    if (!CheckRecipientCount(recipients.GetSize(), errorDetail_)) return 0;
    if (!open_) return 0;
    const char* sender = from ? from : "";

    // Every address is checked before the first command, so a refused one sends nothing.
    constexpr int kRcptOverhead = sizeof("RCPT TO:<>\r\n") - 1;
    constexpr int kMailOverhead = sizeof("MAIL FROM:<>\r\n") - 1;
    if (!CheckAddress(sender, errorDetail_)) return 0;
    if (static_cast<int>(std::strlen(sender)) + kMailOverhead >= CommandBufferSize) {
        errorDetail_.Format("%s\r\n\r\n%s", kCommandTooLong, sender);
        return 0;
    }
    for (const CString& to : recipients) {
        if (!CheckAddress(to, errorDetail_)) return 0;
        if (to.GetLength() + kRcptOverhead >= CommandBufferSize) {
            errorDetail_.Format("%s\r\n\r\n%s", kCommandTooLong, to.GetString());
            return 0;
        }
    }

    unsigned int code = 0;
    // 8-bit text is announced to a server that takes it (RFC 6152); a server that does not
    // gets it as it is, as before.
    const char* mailFormat = eightBit_ && Offers("8BITMIME") ? "MAIL FROM:<%s> BODY=8BITMIME\r\n" : "MAIL FROM:<%s>\r\n";
    if (!FormatCommand(mailFormat, sender, code, 2)) return 0;
    for (const CString& to : recipients) {
        if (!FormatCommand("RCPT TO:<%s>\r\n", to.GetString(), code, 2)) return 0;
    }
    // Only 354 opens the data (RFC 5321 4.3.2).
    if (!FormatCommand("DATA\r\n", nullptr, code, 3)) return 0;
    atLineStart_ = true;
    endsWithCrLf_ = true;
    lastDataByte_ = '\n';
    return 1;
}

int CSmtp::SendData(const char* data)
{
    errorDetail_.Empty();
    if (!open_ || !data) return 0;
    const std::size_t length = std::strlen(data);
    if (length == 0) return 1;

    // A line is taken to begin after every LF, bare or not, so no server can read a "." line
    // of the text as the end of the data.
    const char* out = data;
    std::size_t outLength = length;
    bool stuff = (atLineStart_ && data[0] == '.') || std::strstr(data, "\n.") != nullptr;
    if (stuff) {
        stuffed_.clear();
        stuffed_.reserve(length + 64);
        bool lineStart = atLineStart_;
        for (std::size_t i = 0; i < length; ++i) {
            if (lineStart && data[i] == '.') stuffed_ += '.';
            stuffed_ += data[i];
            lineStart = data[i] == '\n';
        }
        out = stuffed_.data();
        outLength = stuffed_.size();
    }
    int sent = channel_->Send(out, static_cast<int>(outLength));
    if (sent != static_cast<int>(outLength)) {
        errorDetail_ = channel_->GetErrorText();
        broken_ = true;
        return 0;
    }
    char previous = length >= 2 ? data[length - 2] : lastDataByte_;
    lastDataByte_ = data[length - 1];
    atLineStart_ = lastDataByte_ == '\n';
    endsWithCrLf_ = previous == '\r' && lastDataByte_ == '\n';
    return 1;
}

int CSmtp::End()
{
    errorDetail_.Empty();
    if (!open_) return 0;
    unsigned int code = 0;
    // Only a 2xx accepts the message; a busy server may take minutes to say so.
    const int shared = CSmtpSocket::GetTimeout();
    channel_->SetWaitTimeout(shared > kDataEndTimeout ? shared : kDataEndTimeout);
    int result = Command(endsWithCrLf_ ? ".\r\n" : "\r\n.\r\n", code, 2);
    channel_->SetWaitTimeout(0);
    return result;
}

int CSmtp::Close()
{
    if (!open_) return 1;
    CString kept = errorDetail_;
    unsigned int code = 0;
    // A connection that timed out or broke gets no QUIT: a second wait would only double
    // the user's.
    int quit = broken_ ? 0 : WriteString("QUIT\r\n", code);
    errorDetail_ = kept;
    int closed = channel_->Close();
    open_ = 0;
    return quit && closed;
}

int CSmtp::CheckRecipientCount(int count, CString& detail)
{
    if (count <= MaxRecipients) return 1;
    detail.Format(kTooManyRecipients, static_cast<int>(MaxRecipients), count);
    return 0;
}

void CSmtp::SetCancelCheck(std::function<bool()> check)
{
    channel_->SetCancelCheck(std::move(check));
}

void CSmtp::Abort()
{
    channel_->Close();
    open_ = 0;
}
