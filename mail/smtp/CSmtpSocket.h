#pragma once
// The socket channel under CSmtp: one TCP connection and the wording of socket errors.
//
// Every public call blocks from the caller's view. Inside, each wait is a poll in short
// slices; between slices the installed user interface repaints (CPlatformUi::PumpPaint),
// and a wait that sees no progress for the time-out gives up with ETIMEDOUT. The time-out
// counts from the last progress, so a long send over a slow link does not fail while bytes
// keep moving.
//
// The public operations are fixed; the protected Do* operations are the raw transport and
// the seam where tests put a scripted fake server.
//
// StartTls turns the connection into TLS (CSmtpTls) in place: everything sent and received
// afterwards goes through it, until the connection is closed.

#include "encoding/CString.h"

#include <functional>
#include <memory>

class CSmtpTls;

class CSmtpSocket {
public:
    CSmtpSocket();
    virtual ~CSmtpSocket();
    CSmtpSocket(const CSmtpSocket&) = delete;
    CSmtpSocket& operator=(const CSmtpSocket&) = delete;

    // Connects to `host` (a name, an IPv4 or an IPv6 address) at `port`, trying every address
    // the resolver gives. `service` is carried for the record ("smtp") and never looked up.
    // A connection still up is closed first.
    [[nodiscard]] int Connect(const char* host, const char* service, int port);
    // Shuts the connection down both ways, then closes it; succeeds at once when not connected.
    // A failed shutdown fails with "Close" and leaves the connection as it is.
    int Close();
    // Sends all `length` bytes and returns `length`; -1 on a socket error or time-out;
    // 0 for a null buffer or a zero length.
    [[nodiscard]] int Send(const void* data, int length);
    // Waits for data and returns what arrived, at most `size` bytes; 0 for a null buffer or a
    // zero size, and when the server closed the connection (worded as a reset, so that the
    // error text is never empty); -1 on a socket error or time-out.
    [[nodiscard]] int Receive(void* buffer, int size);
    // Handshakes TLS with the server, which must prove to be `host`. On failure the error
    // text says why (an unverifiable certificate is named as such); the connection is then of
    // no further use and should be closed.
    [[nodiscard]] int StartTls(const char* host);
    // Non-zero once StartTls succeeded on the current connection.
    int IsSecure() const { return secure_; }
    // The local host name, zero-terminated within `size` bytes; 0 on failure.
    [[nodiscard]] int GetLocalHostName(char* name, int size);

    int IsConnected() const { return connected_; }
    // Empty after every operation that succeeded, else
    // "ソケット通信エラー(<operation>)  <what happened, in words> (エラーコード: <code>)":
    // a server name that cannot be found, a time-out with the seconds waited, a refused or
    // dropped connection, a cancel.
    CString GetErrorText() const { return errorText_; }

    // The time-out of this channel's waits from now on, in milliseconds; 0 goes back to the
    // shared one (SetTimeout). For a reply that may take long (the end of the data).
    void SetWaitTimeout(int milliseconds) { waitTimeout_ = milliseconds; }
    // Asked between the slices of every wait; when it returns true the wait gives up with
    // ECANCELED. The user's cancel in the progress dialog reaches a waiting socket this way.
    void SetCancelCheck(std::function<bool()> check) { cancelCheck_ = std::move(check); }
    // How the error texts name the peer: "送信サーバー" (the default) or "受信サーバー" for the
    // POP3 server of POP before SMTP. `word` must outlive the channel (a literal).
    void SetServerWord(const char* word) { serverWord_ = word; }

    // The time-out of every wait, in milliseconds, for all channels; 0 or less restores the
    // default of 60 seconds.
    static void SetTimeout(int milliseconds);
    static int GetTimeout();

    // What Create makes: the installed factory's channel, or a real socket. An empty
    // function restores the real socket. Tests install fake servers here.
    using Factory = std::function<std::unique_ptr<CSmtpSocket>()>;
    static void SetFactory(Factory factory);
    static std::unique_ptr<CSmtpSocket> Create();

protected:
    // The raw transport. Each returns -1 with the system's error code in `error` on failure.
    // DoConnect: 0 once connected. DoSend: the count sent (at least 1). DoReceive: the count
    // received, 0 when the peer has closed. DoShutdown: 0 once shut down both ways.
    virtual int DoConnect(const char* host, int port, int& error);
    virtual int DoShutdown(int& error);
    virtual void DoClose();
    virtual int DoSend(const char* data, int length, int& error);
    virtual int DoReceive(char* buffer, int size, int& error);
    virtual int DoGetHostName(char* name, int size);
    // 0 once the handshake succeeded, else -1 with a readable text in `failure`.
    virtual int DoStartTls(const char* host, CString& failure);

private:
    void SetError(const char* operation, int code);
    // Waits until `events` are possible on the socket: 0, or -1 with `error` set.
    int WaitFor(short events, int& error);

    int fd_ = -1;
    int connected_ = 0;
    int waitTimeout_ = 0;
    std::function<bool()> cancelCheck_;
    const char* serverWord_ = "送信サーバー";
    CString host_;
    int port_ = 0;
    int secure_ = 0;
    std::unique_ptr<CSmtpTls> tls_;
    // A TLS-level fault met by DoSend or DoReceive, worded in place of the socket text.
    CString tlsFault_;
    CString errorText_;
};
