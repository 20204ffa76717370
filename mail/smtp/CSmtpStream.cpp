#include "smtp/CSmtpStream.h"

#include "smtp/CSmtpSocket.h"

#include <cstring>

CSmtpStream::CSmtpStream(const char* server, int port, const char* sender, const CStringArray& recipients)
    : CSmtpStream(server, port, sender, recipients, CSmtpSocket::Create())
{
}

CSmtpStream::CSmtpStream(const char* server, int port, const char* sender, const CStringArray& recipients,
                         std::unique_ptr<CSmtpSocket> channel)
    : server_(server), port_(port), sender_(sender), smtp_(std::move(channel))
{
    for (const CString& to : recipients) recipients_.Add(to);
    pendingText_.Reserve(PendingLimit * 2);
}

CSmtpStream::~CSmtpStream()
{
    if (open_) Close();
}

int CSmtpStream::Open()
{
    if (open_) return 1;
    pendingText_.Empty();
    int ok = smtp_.Open(server_.GetString(), port_);
    if (ok) {
        ok = smtp_.Start(sender_.GetString(), recipients_);
        if (!ok) smtp_.Close();
    }
    open_ = ok ? 1 : 0;
    return open_;
}

int CSmtpStream::WriteString(const char* text)
{
    if (!open_ || !text) return 0;
    const int length = static_cast<int>(std::strlen(text));
    int result = 1;
    if (pendingText_.GetLength() + length > PendingLimit) {
        result = smtp_.SendData(pendingText_.GetString());
        pendingText_.Empty();
    }
    pendingText_.Append(text, length);
    return result;
}

int CSmtpStream::Finish()
{
    if (!open_) return 0;
    int ok = 1;
    if (!pendingText_.IsEmpty()) ok = smtp_.SendData(pendingText_.GetString());
    if (ok) {
        ok = smtp_.End();
        smtp_.Close();
    } else {
        smtp_.Abort();
    }
    pendingText_.Empty();
    open_ = 0;
    return ok;
}

void CSmtpStream::Close()
{
    if (open_) (void)Finish();
}

void CSmtpStream::Abort()
{
    if (!open_) return;
    smtp_.Abort();
    pendingText_.Empty();
    open_ = 0;
}
