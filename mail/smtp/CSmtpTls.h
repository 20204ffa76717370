#pragma once
// TLS over the connected socket of CSmtpSocket (internal to the mail library), on OpenSSL.
// The server's certificate is verified against the system's certificate store, plus the
// certificate authorities of the trusted CA file when one is set, and its names must match
// the host the user gave (RFC 6125); TLS 1.2 is the lowest version accepted.
//
// The socket stays non-blocking: whenever OpenSSL needs to read or write, the caller's wait
// function waits (and keeps the windows painting) until the socket is ready or time runs out.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <functional>
#include <memory>

class CSmtpTls {
public:
    // Waits until `events` (poll flags) are possible: 0, or -1 with the error code set.
    using Wait = std::function<int(short events, int& error)>;

    ~CSmtpTls();
    CSmtpTls(const CSmtpTls&) = delete;
    CSmtpTls& operator=(const CSmtpTls&) = delete;

    // Handshakes with the server at `host` over `fd`. Null on failure, with a text the user
    // can read in `failure` (a certificate that does not verify is named as such).
    static std::unique_ptr<CSmtpTls> Handshake(int fd, const char* host, const Wait& wait, CString& failure);

    // Each returns the count moved (Read: 0 once the peer closed), or -1 with `error` set and,
    // for a TLS-level fault, a text in `failure`.
    int Write(const char* data, int length, const Wait& wait, int& error, CString& failure);
    int Read(char* buffer, int size, const Wait& wait, int& error, CString& failure);
    // Sends the closing alert without waiting for the server's.
    void Shutdown();

    // The extra CA file trusted beside the system's store: the one set here, else the file
    // named by the environment variable QUILLON_SMTP_CA_FILE; none when both are empty.
    static void SetTrustedCaFile(const CPath& path);
    static CPath TrustedCaFile();

private:
    struct Handles;
    explicit CSmtpTls(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> handles_;
};
