#pragma once
// One SMTP session as an output stream, so the MIME writer writes a message straight onto
// the wire. Built for one message: server, sender and recipients are fixed at construction.
// Written text is held until 4096 bytes would be exceeded and then sent as one piece, so at
// most about 4 KB of the message is ever in memory.

#include "encoding/CString.h"
#include "smtp/CSmtp.h"
#include "writer/COutputStream.h"

#include <memory>

class CSmtpSocket;

class CSmtpStream : public COutputStream {
public:
    enum { PendingLimit = 4096 };

    CSmtpStream(const char* server, int port, const char* sender, const CStringArray& recipients);
    // Talks through `channel` instead of a real socket.
    CSmtpStream(const char* server, int port, const char* sender, const CStringArray& recipients,
                std::unique_ptr<CSmtpSocket> channel);
    // With encryption and authentication as `security` asks; the settings are copied.
    CSmtpStream(const char* server, int port, const char* sender, const CStringArray& recipients,
                const CSmtpSecurity& security);
    CSmtpStream(const char* server, int port, const char* sender, const CStringArray& recipients,
                const CSmtpSecurity& security, std::unique_ptr<CSmtpSocket> channel);
    ~CSmtpStream() override;
    CSmtpStream(const CSmtpStream&) = delete;
    CSmtpStream& operator=(const CSmtpStream&) = delete;

    // Connects, greets, announces sender and recipients; the server then waits for the data.
    [[nodiscard]] int Open() override;
    // Finish without its result.
    void Close() override;
    [[nodiscard]] int WriteString(const char* text) override;

    // Sends what is pending, ends the data, QUITs and closes. Non-zero only when the server
    // accepted the message at the end of the data; a failed QUIT after that does not count.
    // A failure to send the rest closes without ending the data, so no cut message is sent.
    [[nodiscard]] int Finish();
    // Drops the message: closes the connection without ending the data (the server then
    // discards it). For a writer that failed half-way or a user who cancelled.
    void Abort();
    int IsOpen() const { return open_; }
    // Before Open: announce 8-bit text (CSmtp::SetEightBit).
    void SetEightBit(int eightBit) { smtp_.SetEightBit(eightBit); }
    // Asked during every socket wait; true cancels the wait (CSmtp::SetCancelCheck).
    void SetCancelCheck(std::function<bool()> check) { smtp_.SetCancelCheck(std::move(check)); }
    void GetErrorDetail(CString& detail) const { smtp_.GetErrorDetail(detail); }

private:
    CString server_;
    int port_;
    CString sender_;
    CStringArray recipients_;
    CSmtpSecurity security_;
    CSmtp smtp_;
    int open_ = 0;
    CString pendingText_;
};
