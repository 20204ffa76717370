#pragma once
// How a send protects and proves itself: encryption and authentication. The account's columns
// NEED_SEND_AUTH, SEND_ACCOUNT and SEND_PASSWORD fill needAuth, account and password; the
// account's own settings beside them (the method, the connection security of each server,
// the receive server and port) fill the rest.
//
// SMTP: with the defaults (TlsAuto, no authentication) on any port but 465 the session is
// the plain HELO dialogue. Otherwise the session greets with EHLO and:
//   TlsImplicit, or TlsAuto on port 465: TLS from the first byte (RFC 8314).
//   TlsStartTls, or SMTP AUTH asked for: STARTTLS (RFC 3207); a server that does not offer
//   it is refused.
// The SMTP password is only ever sent over a verified TLS connection.
//
// POP before SMTP (needAuth with method PopBeforeSmtp): before the SMTP session the send logs
// in to the receive server with POP3 and QUITs; the SMTP session itself then does no AUTH.
// The receive server is plain with TlsAuto (TLS from the first byte on port 995), STLS
// (RFC 2595) with TlsStartTls, TLS from the first byte with TlsImplicit.

#include "encoding/CString.h"

#include <string.h>

#include <string>

struct CSmtpSecurity {
    enum TlsMode : int { TlsAuto = 0, TlsStartTls = 1, TlsImplicit = 2 };
    enum Method : int { MethodSmtpAuth = 0, MethodPopBeforeSmtp = 1 };
    enum { ImplicitTlsPort = 465, PopPort = 110, PopImplicitTlsPort = 995 };

    TlsMode tls = TlsAuto;
    int needAuth = 0;
    Method method = MethodSmtpAuth;
    // Credentials are not text: the bytes the user typed, UTF-8, sent to AUTH and POP3 as
    // they are (RFC 4616, RFC 4954, RFC 1939), never converted to or from code page 932.
    CString account;
    CString password;  // held in memory only; never written anywhere by the mail library
    CString receiveServer;  // the POP3 server of POP before SMTP
    int receivePort = PopPort;
    TlsMode receiveTls = TlsAuto;

    bool ImplicitTls(int port) const { return tls == TlsImplicit || (tls == TlsAuto && port == ImplicitTlsPort); }
    bool StartTlsRequired(int port) const { return !ImplicitTls(port) && (tls == TlsStartTls || needAuth); }
    bool PopBeforeSmtp() const { return needAuth && method == MethodPopBeforeSmtp; }
    // Overwrites the password's bytes before they go back to the heap.
    void Wipe()
    {
        WipeBytes(password.Str());
    }
    // Overwrites and empties a buffer that held a secret (a password, a command that
    // carried one).
    static void WipeBytes(std::string& secret)
    {
        explicit_bzero(secret.data(), secret.size());
        secret.clear();
    }
    // Whether the session leaves the designed HELO dialogue at all.
    bool Extended(int port) const { return ImplicitTls(port) || StartTlsRequired(port); }
};
