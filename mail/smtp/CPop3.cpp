#include "smtp/CPop3.h"

#include "smtp/CSmtp.h"
#include "smtp/CSmtpSocket.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* const kNoStls = "POP3 サーバーが STLS に対応していないため、暗号化できません。";
const char* const kStlsInjected = "POP3 サーバーが STLS の応答の後に余分なデータを送ってきたため、接続を中止しました。";
const char* const kReplyTooLong = "POP3 応答が長すぎます。";
const char* const kBadReply = "POP3 サーバーの応答を読めません。";
const char* const kBadCredential = "POP3 のユーザー名またはパスワードに改行文字または NUL 文字が含まれています。";
const char* const kCredentialTooLong = "POP3 のユーザー名またはパスワードが長すぎます。";
const char* const kNotOpen = "POP3 サーバーに接続していません。";

bool HasLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

// The APOP timestamp of a greeting: the first "<...>" that holds an "@" and no blank or
// control byte (RFC 1939 7, a msg-id); empty when there is none.
std::string FindTimestamp(const std::string& greeting)
{
    std::size_t open = greeting.find('<');
    while (open != std::string::npos) {
        std::size_t close = greeting.find('>', open + 1);
        if (close == std::string::npos) break;
        std::string inside = greeting.substr(open + 1, close - open - 1);
        bool clean = !inside.empty() && inside.find('@') != std::string::npos;
        for (char c : inside)
            if (static_cast<unsigned char>(c) <= ' ' || c == '<' || c == 0x7F) clean = false;
        if (clean) return greeting.substr(open, close - open + 1);
        open = greeting.find('<', open + 1);
    }
    return std::string();
}

// MD5 of timestamp and password in lower-case hex (RFC 1939 7).
std::string ApopDigest(const std::string& timestamp, const std::string& password)
{
    std::string input = timestamp + password;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_md5(), nullptr);
    CSmtpSecurity::WipeBytes(input);
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    explicit_bzero(digest, sizeof digest);
    return text;
}

}  // namespace

CPop3::CPop3() : CPop3(CSmtpSocket::Create()) {}

CPop3::CPop3(std::unique_ptr<CSmtpSocket> channel) : channel_(std::move(channel))
{
    channel_->SetServerWord("受信サーバー");
}

CPop3::~CPop3() = default;

void CPop3::SetCancelCheck(std::function<bool()> check)
{
    channel_->SetCancelCheck(std::move(check));
}

int CPop3::Open(const char* server, int port, CSmtpSecurity::TlsMode tls)
{
    errorDetail_.Empty();
    if (open_) return 1;
    reply_.clear();
    pending_.clear();
    timestamp_.clear();
    auto fail = [this](const CString& detail) {
        errorDetail_ = detail;
        channel_->Close();
        return 0;
    };
    if (!channel_->Connect(server, "pop3", static_cast<unsigned short>(port))) return fail(channel_->GetErrorText());
    const bool implicit = tls == CSmtpSecurity::TlsImplicit ||
                          (tls == CSmtpSecurity::TlsAuto && port == CSmtpSecurity::PopImplicitTlsPort);
    if (implicit && !channel_->StartTls(server)) return fail(channel_->GetErrorText());
    if (!ReadReply()) return fail(errorDetail_);
    timestamp_ = FindTimestamp(reply_);
    if (tls == CSmtpSecurity::TlsStartTls) {
        if (!Command("STLS")) {
            CString detail = errorDetail_;
            if (reply_.compare(0, 4, "-ERR") == 0) {
                detail = kNoStls;
                detail += "\r\n\r\n";
                detail += errorDetail_;
            }
            return fail(detail);
        }
        // Bytes sent ahead of the handshake would be read as if they had come over TLS.
        if (!pending_.empty()) return fail(kStlsInjected);
        if (!channel_->StartTls(server)) return fail(channel_->GetErrorText());
    }
    open_ = 1;
    return 1;
}

int CPop3::Login(const std::string& user, const std::string& password)
{
    errorDetail_.Empty();
    if (!open_) {
        errorDetail_ = kNotOpen;
        return 0;
    }
    if (HasLineBreakOrNul(user) || HasLineBreakOrNul(password)) {
        errorDetail_ = kBadCredential;
        return 0;
    }
    if (!timestamp_.empty()) return Command("APOP " + user + " " + ApopDigest(timestamp_, password), true);
    if (!Command("USER " + user, true)) return 0;
    return Command("PASS " + password, true);
}

int CPop3::Close()
{
    if (!open_) {
        channel_->Close();
        return 1;
    }
    CString kept = errorDetail_;
    int quit = Command("QUIT");
    errorDetail_ = kept;
    int closed = channel_->Close();
    open_ = 0;
    return quit && closed;
}

int CPop3::SendLine(std::string& line)
{
    const int length = static_cast<int>(line.size());
    if (channel_->Send(line.data(), length) == length) return 1;
    errorDetail_ = channel_->GetErrorText();
    // A connection that failed is not asked for anything more (no QUIT into a time-out).
    channel_->Close();
    open_ = 0;
    return 0;
}

int CPop3::Command(std::string line, bool secret)
{
    errorDetail_.Empty();
    line += "\r\n";
    if (line.size() > CommandLimit) {
        // A credential is never shown, not even cut.
        if (secret) CSmtpSecurity::WipeBytes(line);
        errorDetail_ = kCredentialTooLong;
        return 0;
    }
    int sent = SendLine(line);
    if (secret) CSmtpSecurity::WipeBytes(line);
    return sent && ReadReply();
}

int CPop3::ReadReply()
{
    reply_.clear();
    std::size_t lineEnd;
    while ((lineEnd = pending_.find('\n')) == std::string::npos) {
        if (pending_.size() >= ReplyLimit) {
            errorDetail_ = kReplyTooLong;
            channel_->Close();
            open_ = 0;
            return 0;
        }
        char buffer[4096];
        const int room = static_cast<int>(std::min<std::size_t>(sizeof buffer, ReplyLimit - pending_.size()));
        int count = channel_->Receive(buffer, room);
        if (count <= 0) {
            errorDetail_ = channel_->GetErrorText();
            channel_->Close();
            open_ = 0;
            return 0;
        }
        pending_.append(buffer, static_cast<std::size_t>(count));
    }
    reply_ = pending_.substr(0, lineEnd);
    pending_.erase(0, lineEnd + 1);
    if (!reply_.empty() && reply_.back() == '\r') reply_.pop_back();
    if (reply_.compare(0, 3, "+OK") == 0 && (reply_.size() == 3 || reply_[3] == ' ')) return 1;
    if (reply_.compare(0, 4, "-ERR") == 0) {
        errorDetail_ = CSmtp::VisibleText(reply_);
    } else {
        errorDetail_ = kBadReply;
        errorDetail_ += "\r\n\r\n";
        errorDetail_ += CSmtp::VisibleText(reply_);
    }
    return 0;
}
