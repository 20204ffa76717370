#pragma once
// A small POP3 client (RFC 1939), enough for POP before SMTP: it greets, secures the
// connection, logs in and QUITs; it never reads or deletes mail.
//
//   Open   connects (TLS from the first byte on request or on port 995), reads the greeting,
//          and with TlsStartTls sends "STLS" and handshakes (RFC 2595)
//   Login  "APOP <user> <digest>" when the greeting carried a timestamp (RFC 1939 7),
//          else "USER <user>" and "PASS <password>"
//   Close  "QUIT" and closes the connection
//
// It talks through the SMTP client's socket channel, so it has the same time-out, the same
// paint-only waiting and the same TLS with the same certificate checks. Each reply is read
// to its line end, also when it arrives in pieces. User names and passwords are bytes
// (UTF-8) and go to the server as given.
//
// Every operation returns non-zero for success; on failure GetErrorDetail gives the socket
// error text, a text of our own, or for a "-ERR" reply the server's own line with its
// control characters made visible (a server must not reach the screen with escapes).

#include "encoding/CString.h"
#include "smtp/CSmtpSecurity.h"

#include <functional>
#include <memory>
#include <string>

class CSmtpSocket;

class CPop3 {
public:
    // A reply line longer than this is refused; RFC 1939 allows 512 bytes.
    enum { ReplyLimit = 65536, CommandLimit = 255 };

    CPop3();
    // Talks through `channel` instead of a real socket.
    explicit CPop3(std::unique_ptr<CSmtpSocket> channel);
    // Closes the connection without QUIT when it is still up.
    virtual ~CPop3();
    CPop3(const CPop3&) = delete;
    CPop3& operator=(const CPop3&) = delete;

    // Connects to `server` at `port` and reads the greeting; `tls` as the receive side of
    // CSmtpSecurity says. A server that refuses STLS is refused in turn: nothing is sent in
    // the clear that was asked to be encrypted.
    [[nodiscard]] int Open(const char* server, int port, CSmtpSecurity::TlsMode tls);
    // Logs in. A user name or password holding CR, LF or NUL is refused before anything is
    // sent, and neither ever appears in the error detail.
    [[nodiscard]] int Login(const std::string& user, const std::string& password);
    // Sends QUIT (when the greeting came) and closes; keeps the detail of an earlier failure.
    // Non-zero when the server answered "+OK" and the connection closed cleanly.
    int Close();

    int IsOpen() const { return open_; }
    // Asked during every socket wait; true cancels the wait (the progress dialog's cancel).
    void SetCancelCheck(std::function<bool()> check);
    // The timestamp of the greeting ("<...@...>"), empty when there was none.
    const std::string& GetTimestamp() const { return timestamp_; }
    void GetErrorDetail(CString& detail) const { detail = errorDetail_; }

private:
    // Sends one command line (without its line end) and reads the reply; `secret` lines are
    // wiped after sending.
    int Command(std::string line, bool secret = false);
    // Reads one reply line into reply_ (line end dropped); 1 for "+OK", 0 otherwise with
    // the detail set.
    int ReadReply();
    int SendLine(std::string& line);

    std::unique_ptr<CSmtpSocket> channel_;
    int open_ = 0;
    std::string reply_;
    // Bytes received after the last reply line (none expected: there is no pipelining).
    std::string pending_;
    std::string timestamp_;
    CString errorDetail_;
};
