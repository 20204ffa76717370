#include "smtp/CSmtp.h"

#include "smtp/CSmtpSocket.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kHostNameFailed = "SMTP 自ホスト名取得失敗";
const char* const kReplyTooLong = "SMTP 応答が長すぎます。";
const char* const kBadAddress = "メールアドレスに改行文字または NUL 文字が含まれています。";
const char* const kCommandTooLong = "SMTP コマンドが長すぎます。";

// A reply is complete once a line has arrived whose fourth byte is not "-" (RFC 5321
// 4.2.1); LF alone is taken as a line end too.
bool IsReplyComplete(const char* data, int length)
{
    int lineStart = 0;
    for (int i = 0; i < length; ++i) {
        if (data[i] != '\n') continue;
        if (i - lineStart < 4 || data[lineStart + 3] != '-') return true;
        lineStart = i + 1;
    }
    return false;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The reply code of the first three bytes; 0 when they are not digits.
unsigned int ReplyCode(const char* reply)
{
    if (!IsDigit(reply[0]) || !IsDigit(reply[1]) || !IsDigit(reply[2])) return 0;
    return static_cast<unsigned int>((reply[0] - '0') * 100 + (reply[1] - '0') * 10 + (reply[2] - '0'));
}

}  // namespace

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

int CSmtp::ReadReply(unsigned int& code)
{
    code = 0;
    std::memset(reply_, 0, sizeof reply_);
    int used = 0;
    while (!IsReplyComplete(reply_, used)) {
        if (used == ReplyBufferSize) {
            code = ReplyCode(reply_);
            errorDetail_ = kReplyTooLong;
            return 0;
        }
        int count = channel_->Receive(reply_ + used, ReplyBufferSize - used);
        if (count <= 0) {
            errorDetail_ = channel_->GetErrorText();
            return 0;
        }
        used += count;
    }
    // Garbage that happens to begin with "2" or "3" is no acceptance: all three must be digits.
    code = ReplyCode(reply_);
    if (code >= 200 && code < 400) return 1;
    errorDetail_ = CString(reply_, used);
    return 0;
}

int CSmtp::WriteString(const char* line, unsigned int& code)
{
    errorDetail_.Empty();
    if (!line) return 0;
    int length = static_cast<int>(std::strlen(line));
    if (length == 0) return 0;
    if (channel_->Send(line, length) != length) {
        errorDetail_ = channel_->GetErrorText();
        return 0;
    }
    return ReadReply(code);
}

int CSmtp::WriteFormatString(const char* format, const char* argument, unsigned int& code)
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
    return WriteString(line, code);
}

int CSmtp::Open(const char* server, int port)
{
    errorDetail_.Empty();
    if (open_) return 1;
    if (!channel_->Connect(server, "smtp", static_cast<unsigned short>(port))) {
        errorDetail_ = channel_->GetErrorText();
        return 0;
    }
    unsigned int code = 0;
    if (!ReadReply(code)) return 0;
    char host[HostNameSize] = {};
    if (!channel_->GetLocalHostName(host, sizeof host)) {
        errorDetail_ = kHostNameFailed;
        return 0;
    }
    if (!WriteFormatString("HELO %s\r\n", host, code)) return 0;
    open_ = 1;
    return 1;
}

int CSmtp::Start(const char* from, const CStringArray& recipients)
{
    errorDetail_.Empty();
    if (recipients.GetSize() > MaxRecipients) return 0;
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
    if (!WriteFormatString("MAIL FROM:<%s>\r\n", sender, code)) return 0;
    for (const CString& to : recipients) {
        if (!WriteFormatString("RCPT TO:<%s>\r\n", to.GetString(), code)) return 0;
    }
    if (!WriteFormatString("DATA\r\n", nullptr, code)) return 0;
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
    return WriteString(endsWithCrLf_ ? ".\r\n" : "\r\n.\r\n", code);
}

int CSmtp::Close()
{
    if (!open_) return 1;
    CString kept = errorDetail_;
    unsigned int code = 0;
    int quit = WriteString("QUIT\r\n", code);
    errorDetail_ = kept;
    int closed = channel_->Close();
    open_ = 0;
    return quit && closed;
}

void CSmtp::Abort()
{
    channel_->Close();
    open_ = 0;
}
