#pragma once
// The SMTP client (RFC 5321). Without security settings it speaks the plain HELO dialogue:
//
//   Open   reads the greeting, sends "HELO <local host name>"
//   Start  sends "MAIL FROM:<sender>", one "RCPT TO:<recipient>" each (at most 100), "DATA"
//   SendData passes message text through, dot-stuffed (RFC 5321 4.5.2), no reply read
//   End    sends the end-of-data mark and checks the server's acceptance
//   Close  sends "QUIT" and closes the connection
//
// Every operation returns non-zero for success; on failure GetErrorDetail gives the socket
// error text, "SMTP 自ホスト名取得失敗", the server's reply text (control characters shown as
// \xHH), a refusal of an address or of more than 100 recipients before anything was sent,
// or the empty text. Each reply is read to the end of its last line, up to 64 KiB in all.
// Each command is judged by the class of reply RFC 5321 4.3.2 gives it: 2xx for the
// greeting, HELO/EHLO, MAIL, RCPT and the end of the data, 354 (3xx) for DATA.
//
// With security settings (CSmtpSecurity) Open greets with "EHLO" instead, and falls back to
// HELO when the server refuses EHLO and neither STARTTLS nor AUTH is needed. TLS starts
// before the greeting (implicit TLS) or after "STARTTLS" (RFC 3207), then EHLO is sent again.
// AUTH (RFC 4954) takes the strongest mechanism that both sides know: CRAM-MD5 (RFC 2195),
// PLAIN (RFC 4616), LOGIN; it is only ever tried over TLS.

#include "encoding/CString.h"
#include "model/CPath.h"
#include "smtp/CSmtpSecurity.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CSmtpSocket;

class CSmtp {
public:
    enum { MaxRecipients = 100, ReplyLimit = 64 * 1024, CommandBufferSize = 512, HostNameSize = 256 };

    CSmtp();
    // Talks through `channel` instead of a real socket.
    explicit CSmtp(std::unique_ptr<CSmtpSocket> channel);
    virtual ~CSmtp();
    CSmtp(const CSmtp&) = delete;
    CSmtp& operator=(const CSmtp&) = delete;

    int IsOpen() const { return open_; }
    [[nodiscard]] int Open(const char* server, int port);
    // Opens with encryption and authentication as `security` asks (see above). The password
    // is never sent unless TLS is up and the server's certificate verified.
    [[nodiscard]] int Open(const char* server, int port, const CSmtpSecurity& security);
    // Refuses, before anything is sent, more than 100 recipients (empty detail) and any
    // address holding CR, LF or NUL or too long for its command line (the detail names it).
    [[nodiscard]] int Start(const char* from, const CStringArray& recipients);
    // Message text with CR LF line ends. A "." that begins a line goes out doubled, also when
    // the line begins in a later call than the line end before it.
    [[nodiscard]] int SendData(const char* data);
    // The end-of-data mark: ".\r\n" after text that ends in CR LF, else "\r\n.\r\n", so the
    // message reaches the server exactly as given. Waits up to 10 minutes (or the time-out,
    // when longer) for the server's acceptance (RFC 5321 4.5.3.2.6).
    [[nodiscard]] int End();
    // Keeps the detail of an earlier failure; clears the open flag whatever happens. A
    // connection that timed out or broke is closed without QUIT.
    int Close();
    // Closes the connection in the middle of the data, without the end-of-data mark, so that
    // the server discards the message (RFC 5321 3.8). Keeps the detail.
    void Abort();
    void GetErrorDetail(CString& detail) const { detail = errorDetail_; }
    // Set before Start: the message holds 8-bit text, so MAIL FROM says BODY=8BITMIME to a
    // server that offers it (only an EHLO session learns that).
    void SetEightBit(int eightBit) { eightBit_ = eightBit != 0; }
    // Asked between the slices of every socket wait; true ends the wait (the user's cancel).
    void SetCancelCheck(std::function<bool()> check);
    // 0 with the reason in `detail` for more than 100 recipients.
    static int CheckRecipientCount(int count, CString& detail);
    // Text from the network (a server's reply) as the user may see it: line ends become
    // CR LF, every other control byte "\xHH", and a very long text is cut. For every client
    // of the library (SMTP and POP3).
    static CString VisibleText(std::string_view text);

    // The time-out of every socket wait, in milliseconds (0 restores 60 seconds).
    static void SetTimeout(int milliseconds);
    // A PEM file of certificate authorities trusted beside the system's store (a company's
    // own CA, a test CA), by its own bytes; an empty path falls back to the environment variable
    // QUILLON_SMTP_CA_FILE. Verification itself can never be turned off.
    static void SetTrustedCaFile(const CPath& path);
    // 0 when `address` cannot stand between the angle brackets of a command: it holds CR, LF
    // or NUL. `detail` then says so and shows the address with those bytes made visible.
    static int CheckAddress(const CString& address, CString& detail);

protected:
    // Sends one command line and reads one reply; `code` receives the reply's code.
    int WriteString(const char* line, unsigned int& code);
    // Formats one command line (with `argument` when it is not null) into the command buffer;
    // a line that does not fit is refused, never cut.
    int WriteFormatString(const char* format, const char* argument, unsigned int& code);

private:
    // Reads one whole reply; it succeeds when its class is `expected` (0: 2 or 3).
    int ReadReply(unsigned int& code, int expected);
    int Command(const char* line, unsigned int& code, int expected);
    int FormatCommand(const char* format, const char* argument, unsigned int& code, int expected);
    int Greet(const char* host, bool extended, bool fallBack);
    bool Offers(const char* keyword) const;
    int StartTls(const char* server);
    int Authenticate(const CSmtpSecurity& security);
    // Sends a secret line (credentials): the line is wiped afterwards.
    int WriteSecret(std::string& line, unsigned int& code);

    std::unique_ptr<CSmtpSocket> channel_;
    int open_ = 0;
    // The connection timed out or failed: no QUIT is worth waiting for.
    bool broken_ = false;
    bool eightBit_ = false;
    std::string reply_;
    // Bytes that came after the reply's last line (none expected: no pipelining).
    int replyExtra_ = 0;
    // The EHLO keywords with their parameters, upper case ("STARTTLS", "AUTH PLAIN LOGIN").
    std::vector<std::string> capabilities_;
    CString errorDetail_;
    // Where the data stands for dot-stuffing and the end mark.
    bool atLineStart_ = true;
    bool endsWithCrLf_ = true;
    char lastDataByte_ = '\n';
    std::string stuffed_;
};
