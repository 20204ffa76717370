#include "smtp/CSmtpTls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kHandshakeFailed = "TLS 接続に失敗しました。";
const char* const kVerifyFailed = "サーバー証明書を検証できませんでした。";
const char* const kCaFileFailed = "信頼する CA 証明書ファイルを読み込めません。";
const char* const kTlsFault = "TLS 通信エラー";

CPath& SetCaFile()
{
    static CPath path;
    return path;
}

// The oldest queued OpenSSL error as text; the queue is emptied.
std::string TakeErrors()
{
    std::string text;
    unsigned long code = ERR_get_error();
    if (code) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        const char* reason = ERR_reason_error_string(code);
        text = reason ? reason : buffer;
    }
    ERR_clear_error();
    return text;
}

// OpenSSL writes with write(), which raises SIGPIPE on a connection the server has closed
// and would end the program; the plain socket sends with MSG_NOSIGNAL instead. While an
// OpenSSL call runs, SIGPIPE is blocked in this thread, and one that it raised is taken back
// before the mask is restored; the call itself then reports EPIPE.
class SigPipeBlock {
public:
    SigPipeBlock()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        alreadyPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~SigPipeBlock()
    {
        if (!alreadyPending_) {
            timespec zero{};
            while (sigtimedwait(&pipe_, nullptr, &zero) > 0) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigPipeBlock(const SigPipeBlock&) = delete;
    SigPipeBlock& operator=(const SigPipeBlock&) = delete;

private:
    sigset_t pipe_;
    sigset_t old_;
    bool alreadyPending_ = false;
};

}  // namespace

struct CSmtpTls::Handles {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    ~Handles()
    {
        if (ssl) SSL_free(ssl);
        if (context) SSL_CTX_free(context);
    }
};

CSmtpTls::CSmtpTls(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

CSmtpTls::~CSmtpTls() = default;

void CSmtpTls::SetTrustedCaFile(const CPath& path)
{
    SetCaFile() = path;
}

CPath CSmtpTls::TrustedCaFile()
{
    if (!SetCaFile().IsEmpty()) return SetCaFile();
    const char* fromEnvironment = std::getenv("QUILLON_SMTP_CA_FILE");
    return fromEnvironment ? CPath::FromNative(fromEnvironment) : CPath();
}

std::unique_ptr<CSmtpTls> CSmtpTls::Handshake(int fd, const char* host, const Wait& wait, CString& failure)
{
    failure.Empty();
    ERR_clear_error();
    auto handles = std::make_unique<Handles>();
    handles->context = SSL_CTX_new(TLS_client_method());
    if (!handles->context) {
        failure.Format("%s (%s)", kHandshakeFailed, TakeErrors().c_str());
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(handles->context, TLS1_2_VERSION);
    SSL_CTX_set_verify(handles->context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(handles->context);
    const CPath caFile = TrustedCaFile();
    if (!caFile.IsEmpty() && SSL_CTX_load_verify_locations(handles->context, caFile.c_str(), nullptr) != 1) {
        failure.Format("%s (%s)\r\n\r\n%s", kCaFileFailed, TakeErrors().c_str(), caFile.ToText().GetString());
        return nullptr;
    }

    handles->ssl = SSL_new(handles->context);
    if (!handles->ssl || SSL_set_fd(handles->ssl, fd) != 1) {
        failure.Format("%s (%s)", kHandshakeFailed, TakeErrors().c_str());
        return nullptr;
    }
    // An address is matched against the certificate's IP names, a host name against its DNS
    // names; only a host name goes out as the server name indication.
    unsigned char address[16];
    X509_VERIFY_PARAM* param = SSL_get0_param(handles->ssl);
    const bool isAddress = inet_pton(AF_INET, host, address) == 1 || inet_pton(AF_INET6, host, address) == 1;
    int named = isAddress ? X509_VERIFY_PARAM_set1_ip_asc(param, host)
                          : SSL_set1_host(handles->ssl, host) && SSL_set_tlsext_host_name(handles->ssl, host);
    if (named != 1) {
        failure.Format("%s (%s)", kHandshakeFailed, TakeErrors().c_str());
        return nullptr;
    }
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);

    SigPipeBlock block;
    for (;;) {
        int result = SSL_connect(handles->ssl);
        if (result == 1) break;
        int reason = SSL_get_error(handles->ssl, result);
        int error = 0;
        if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) {
            if (wait(reason == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, error) == 0) continue;
            failure.Format("%s (%s)", kHandshakeFailed, std::strerror(error));
            return nullptr;
        }
        long verified = SSL_get_verify_result(handles->ssl);
        if (verified != X509_V_OK) {
            failure.Format("%s (%s)\r\n\r\n%s", kVerifyFailed, X509_verify_cert_error_string(verified), host);
            ERR_clear_error();
            return nullptr;
        }
        std::string text = TakeErrors();
        if (text.empty()) text = reason == SSL_ERROR_SYSCALL ? std::strerror(errno ? errno : ECONNRESET) : "handshake";
        failure.Format("%s (%s)", kHandshakeFailed, text.c_str());
        return nullptr;
    }
    return std::unique_ptr<CSmtpTls>(new CSmtpTls(std::move(handles)));
}

int CSmtpTls::Write(const char* data, int length, const Wait& wait, int& error, CString& failure)
{
    SigPipeBlock block;
    ERR_clear_error();
    for (;;) {
        int count = SSL_write(handles_->ssl, data, length);
        if (count > 0) return count;
        int reason = SSL_get_error(handles_->ssl, count);
        if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) {
            if (wait(reason == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, error) == 0) continue;
            return -1;
        }
        if (reason == SSL_ERROR_SYSCALL) {
            error = errno ? errno : EPIPE;
        } else {
            error = EPROTO;
            failure.Format("%s(Send): %s", kTlsFault, TakeErrors().c_str());
        }
        ERR_clear_error();
        return -1;
    }
}

int CSmtpTls::Read(char* buffer, int size, const Wait& wait, int& error, CString& failure)
{
    // TLS 1.3 may write while reading (key updates).
    SigPipeBlock block;
    ERR_clear_error();
    for (;;) {
        int count = SSL_read(handles_->ssl, buffer, size);
        if (count > 0) return count;
        int reason = SSL_get_error(handles_->ssl, count);
        if (reason == SSL_ERROR_ZERO_RETURN) return 0;
        if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) {
            if (wait(reason == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, error) == 0) continue;
            return -1;
        }
        if (reason == SSL_ERROR_SYSCALL) {
            // A peer that closes without the closing alert reads as a reset.
            error = errno ? errno : ECONNRESET;
        } else {
            error = EPROTO;
            failure.Format("%s(Recv): %s", kTlsFault, TakeErrors().c_str());
        }
        ERR_clear_error();
        return -1;
    }
}

void CSmtpTls::Shutdown()
{
    SigPipeBlock block;
    SSL_shutdown(handles_->ssl);
    ERR_clear_error();
}
