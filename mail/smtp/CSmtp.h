#pragma once
// The SMTP client: plain HELO dialogue (RFC 5321), no extensions, no authentication, no TLS.
//
//   Open   reads the greeting, sends "HELO <local host name>"
//   Start  sends "MAIL FROM:<sender>", one "RCPT TO:<recipient>" each (at most 100), "DATA"
//   SendData passes message text through, dot-stuffed (RFC 5321 4.5.2), no reply read
//   End    sends the end-of-data mark and checks the server's acceptance
//   Close  sends "QUIT" and closes the connection
//
// Every operation returns non-zero for success; on failure GetErrorDetail gives the socket
// error text, "SMTP 自ホスト名取得失敗", the server's reply text, a refusal of an address
// before anything was sent, or the empty text. Each reply is read to the end of its last
// line; a reply that does not fit the 512-byte buffer is an error.

#include "encoding/CString.h"

#include <memory>

class CSmtpSocket;

class CSmtp {
public:
    enum { MaxRecipients = 100, ReplyBufferSize = 512, CommandBufferSize = 512, HostNameSize = 256 };

    CSmtp();
    // Talks through `channel` instead of a real socket.
    explicit CSmtp(std::unique_ptr<CSmtpSocket> channel);
    virtual ~CSmtp();
    CSmtp(const CSmtp&) = delete;
    CSmtp& operator=(const CSmtp&) = delete;

    int IsOpen() const { return open_; }
    [[nodiscard]] int Open(const char* server, int port);
    // Refuses, before anything is sent, more than 100 recipients (empty detail) and any
    // address holding CR, LF or NUL or too long for its command line (the detail names it).
    [[nodiscard]] int Start(const char* from, const CStringArray& recipients);
    // Message text with CR LF line ends. A "." that begins a line goes out doubled, also when
    // the line begins in a later call than the line end before it.
    [[nodiscard]] int SendData(const char* data);
    // The end-of-data mark: ".\r\n" after text that ends in CR LF, else "\r\n.\r\n", so the
    // message reaches the server exactly as given.
    [[nodiscard]] int End();
    // Keeps the detail of an earlier failure; clears the open flag whatever happens.
    int Close();
    // Closes the connection in the middle of the data, without the end-of-data mark, so that
    // the server discards the message (RFC 5321 3.8). Keeps the detail.
    void Abort();
    void GetErrorDetail(CString& detail) const { detail = errorDetail_; }

    // The time-out of every socket wait, in milliseconds (0 restores 60 seconds).
    static void SetTimeout(int milliseconds);
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
    int ReadReply(unsigned int& code);

    std::unique_ptr<CSmtpSocket> channel_;
    int open_ = 0;
    char reply_[ReplyBufferSize] = {};
    CString errorDetail_;
    // Where the data stands for dot-stuffing and the end mark.
    bool atLineStart_ = true;
    bool endsWithCrLf_ = true;
    char lastDataByte_ = '\n';
    std::string stuffed_;
};
