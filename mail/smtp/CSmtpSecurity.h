#pragma once
// How an SMTP session protects itself: encryption and authentication. The account's columns
// NEED_SEND_AUTH, SEND_ACCOUNT and SEND_PASSWORD fill needAuth, account and password; the
// encryption follows from them and the port unless asked for explicitly.
//
// With the defaults (TlsAuto, no authentication) on any port but 465 the session is the plain
// HELO dialogue. Otherwise the session greets with EHLO and:
//   TlsImplicit, or TlsAuto on port 465: TLS from the first byte (RFC 8314).
//   TlsStartTls, or needAuth: STARTTLS (RFC 3207); a server that does not offer it is refused.
// The password is only ever sent over a verified TLS connection.

#include "encoding/CString.h"

#include <string.h>

struct CSmtpSecurity {
    enum TlsMode : int { TlsAuto = 0, TlsStartTls = 1, TlsImplicit = 2 };
    enum { ImplicitTlsPort = 465 };

    TlsMode tls = TlsAuto;
    int needAuth = 0;
    // Credentials are not text: the bytes the user typed, UTF-8, sent to AUTH as they are
    // (RFC 4616, RFC 4954), never converted to or from code page 932.
    CString account;
    CString password;  // held in memory only; never written anywhere by the mail library

    bool ImplicitTls(int port) const { return tls == TlsImplicit || (tls == TlsAuto && port == ImplicitTlsPort); }
    bool StartTlsRequired(int port) const { return !ImplicitTls(port) && (tls == TlsStartTls || needAuth); }
    // Overwrites the password's bytes before they go back to the heap.
    void Wipe()
    {
        explicit_bzero(password.Str().data(), password.Str().size());
        password.Empty();
    }
    // Whether the session leaves the designed HELO dialogue at all.
    bool Extended(int port) const { return ImplicitTls(port) || StartTlsRequired(port); }
};
