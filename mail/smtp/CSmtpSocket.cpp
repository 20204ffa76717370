#include "smtp/CSmtpSocket.h"

#include "model/CPlatformUi.h"
#include "smtp/CSmtpTls.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kDefaultTimeout = 60000;
// Short enough that windows keep repainting while a wait goes on.
constexpr int kSliceMilliseconds = 50;

int timeoutMilliseconds = kDefaultTimeout;

// <chrono> cannot be used here: its micro sign has no code page 932 form.
long long NowMilliseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

CSmtpSocket::Factory& InstalledFactory()
{
    static CSmtpSocket::Factory factory;
    return factory;
}

}  // namespace

CSmtpSocket::CSmtpSocket() = default;

CSmtpSocket::~CSmtpSocket()
{
    // Virtual calls do not reach a derived class here, so the real socket closes its own.
    tls_.reset();
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        fd_ = -1;
    }
}

void CSmtpSocket::SetTimeout(int milliseconds)
{
    timeoutMilliseconds = milliseconds > 0 ? milliseconds : kDefaultTimeout;
}

int CSmtpSocket::GetTimeout()
{
    return timeoutMilliseconds;
}

void CSmtpSocket::SetFactory(Factory factory)
{
    InstalledFactory() = std::move(factory);
}

std::unique_ptr<CSmtpSocket> CSmtpSocket::Create()
{
    if (InstalledFactory()) return InstalledFactory()();
    return std::make_unique<CSmtpSocket>();
}

void CSmtpSocket::SetError(const char* operation, int code)
{
    const char* host = host_.GetString();
    const char* server = serverWord_;
    const int seconds = ((waitTimeout_ > 0 ? waitTimeout_ : timeoutMilliseconds) + 999) / 1000;
    const bool connecting = std::strcmp(operation, "Connect") == 0;
    CString words;
    if (code == EAI_NONAME || code == EAI_FAIL
#ifdef EAI_NODATA
        || code == EAI_NODATA
#endif
    ) {
        words.Format("%s %s が見つかりません。", server, host);
    } else if (code == EAI_AGAIN) {
        words.Format("%s %s の名前を今は調べられません。ネットワークの接続を確かめてください。", server, host);
    } else if (code < 0) {
        words.Format("%s %s の名前を調べられませんでした。", server, host);
    } else if (code == ETIMEDOUT && connecting) {
        words.Format("%s %s に %d 秒待っても接続できませんでした。", server, host, seconds);
    } else if (code == ETIMEDOUT) {
        words.Format("%sから %d 秒待っても応答がありませんでした。", server, seconds);
    } else if (code == ECONNREFUSED) {
        words.Format("%s %s のポート %d が接続を拒否しました。", server, host, port_);
    } else if (code == ECONNRESET || code == EPIPE) {
        words.Format("%sが接続を切りました。", server);
    } else if (code == ENETUNREACH || code == ENETDOWN) {
        words = "ネットワークにつながっていません。";
    } else if (code == EHOSTUNREACH) {
        words.Format("%s %s に届きません。", server, host);
    } else if (code == ECANCELED) {
        words = "送信を中止しました。";
    } else {
        words = "通信エラーが起きました。";
    }
    errorText_.Format("ソケット通信エラー(%s)  %s (エラーコード: %d)", operation, words.GetString(), code);
}

int CSmtpSocket::Connect(const char* host, const char* service, int port)
{
    (void)service;
    errorText_.Empty();
    if (connected_) {
        DoClose();
        connected_ = 0;
    }
    secure_ = 0;
    int error = 0;
    host_ = host ? host : "";
    port_ = port;
    if (!host || !*host) {
        SetError("Connect", EINVAL);
        return 0;
    }
    if (DoConnect(host, port, error) != 0) {
        SetError("Connect", error);
        return 0;
    }
    connected_ = 1;
    return 1;
}

int CSmtpSocket::Close()
{
    errorText_.Empty();
    if (!connected_) return 1;
    int error = 0;
    if (DoShutdown(error) != 0) {
        SetError("Close", error);
        return 0;
    }
    DoClose();
    connected_ = 0;
    secure_ = 0;
    return 1;
}

int CSmtpSocket::StartTls(const char* host)
{
    errorText_.Empty();
    if (!connected_ || !host || !*host) {
        SetError("StartTls", connected_ ? EINVAL : ENOTCONN);
        return 0;
    }
    CString failure;
    if (DoStartTls(host, failure) != 0) {
        errorText_ = failure;
        return 0;
    }
    secure_ = 1;
    return 1;
}

int CSmtpSocket::Send(const void* data, int length)
{
    errorText_.Empty();
    if (!data || length <= 0) return 0;
    const char* bytes = static_cast<const char*>(data);
    int sent = 0;
    while (sent < length) {
        int error = 0;
        int count = DoSend(bytes + sent, length - sent, error);
        if (count <= 0) {
            SetError("Send", count < 0 ? error : EPIPE);
            if (!tlsFault_.IsEmpty()) errorText_ = tlsFault_;
            tlsFault_.Empty();
            return -1;
        }
        sent += count;
    }
    return sent;
}

int CSmtpSocket::Receive(void* buffer, int size)
{
    errorText_.Empty();
    if (!buffer || size <= 0) return 0;
    int error = 0;
    int count = DoReceive(static_cast<char*>(buffer), size, error);
    if (count < 0) {
        SetError("Recv", error);
        if (!tlsFault_.IsEmpty()) errorText_ = tlsFault_;
        tlsFault_.Empty();
        return -1;
    }
    if (count == 0) SetError("Recv", ECONNRESET);
    return count;
}

int CSmtpSocket::GetLocalHostName(char* name, int size)
{
    errorText_.Empty();
    if (!name || size <= 0) return 0;
    return DoGetHostName(name, size);
}

int CSmtpSocket::WaitFor(short events, int& error)
{
    const long long deadline = NowMilliseconds() + (waitTimeout_ > 0 ? waitTimeout_ : timeoutMilliseconds);
    for (;;) {
        if (cancelCheck_ && cancelCheck_()) {
            error = ECANCELED;
            return -1;
        }
        long long left = deadline - NowMilliseconds();
        if (left <= 0) {
            error = ETIMEDOUT;
            return -1;
        }
        pollfd entry{fd_, events, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(left < kSliceMilliseconds ? left : kSliceMilliseconds));
        // Errors and hang-ups count as ready: the next call on the socket reports them.
        if (ready > 0) return 0;
        if (ready < 0 && errno != EINTR) {
            error = errno;
            return -1;
        }
        if (CPlatformUi* ui = CPlatformUi::Get()) ui->PumpPaint();
    }
}

int CSmtpSocket::DoConnect(const char* host, int port, int& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string portText = std::to_string(port);
    int status = ::getaddrinfo(host, portText.c_str(), &hints, &found);
    if (status != 0) {
        // A name that does not resolve has no errno; its resolver code (negative) stands in.
        error = status == EAI_SYSTEM ? errno : status;
        return -1;
    }
    error = ECONNREFUSED;
    for (addrinfo* a = found; a; a = a->ai_next) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        fd_ = fd;
        int result = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (result != 0 && errno == EINPROGRESS) {
            if (WaitFor(POLLOUT, error) == 0) {
                int pending = 0;
                socklen_t size = sizeof pending;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size) != 0) pending = errno;
                result = pending == 0 ? 0 : -1;
                if (pending) error = pending;
            }
        } else if (result != 0) {
            error = errno;
        }
        if (result == 0) {
            // Commands are single small writes each followed by a reply; no need to hold them.
            int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            ::freeaddrinfo(found);
            return 0;
        }
        ::close(fd);
        fd_ = -1;
    }
    ::freeaddrinfo(found);
    return -1;
}

int CSmtpSocket::DoShutdown(int& error)
{
    if (fd_ < 0) return 0;
    if (tls_) tls_->Shutdown();
    if (::shutdown(fd_, SHUT_RDWR) != 0 && errno != ENOTCONN) {
        error = errno;
        return -1;
    }
    return 0;
}

void CSmtpSocket::DoClose()
{
    tls_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int CSmtpSocket::DoSend(const char* data, int length, int& error)
{
    if (tls_) return tls_->Write(data, length, [this](short events, int& e) { return WaitFor(events, e); }, error, tlsFault_);
    for (;;) {
        ssize_t count = ::send(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (count > 0) return static_cast<int>(count);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            return -1;
        }
        if (WaitFor(POLLOUT, error) != 0) return -1;
    }
}

int CSmtpSocket::DoReceive(char* buffer, int size, int& error)
{
    if (tls_) return tls_->Read(buffer, size, [this](short events, int& e) { return WaitFor(events, e); }, error, tlsFault_);
    for (;;) {
        ssize_t count = ::recv(fd_, buffer, static_cast<size_t>(size), 0);
        if (count >= 0) return static_cast<int>(count);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            return -1;
        }
        if (WaitFor(POLLIN, error) != 0) return -1;
    }
}

int CSmtpSocket::DoGetHostName(char* name, int size)
{
    if (::gethostname(name, static_cast<size_t>(size)) != 0) return 0;
    name[size - 1] = '\0';
    return 1;
}

int CSmtpSocket::DoStartTls(const char* host, CString& failure)
{
    if (fd_ < 0) {
        failure.Format("ソケット通信エラー(%s)  エラーコード: %d ", "StartTls", ENOTCONN);
        return -1;
    }
    tls_ = CSmtpTls::Handshake(fd_, host, [this](short events, int& error) { return WaitFor(events, error); }, failure);
    return tls_ ? 0 : -1;
}
