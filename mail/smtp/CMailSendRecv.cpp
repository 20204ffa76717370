#include "smtp/CMailSendRecv.h"

#include "model/CAddress.h"
#include "model/CMailDoc.h"
#include "smtp/CPop3.h"
#include "smtp/CProgressCallback.h"
#include "smtp/CSmtp.h"
#include "smtp/CSmtpStream.h"
#include "writer/CEMailWriter.h"

#include <algorithm>

namespace {

void AddMailAddresses(CStringArray& list, unsigned int count, const CAddress* (CMailDoc::*get)(unsigned int) const,
                      const CMailDoc& doc)
{
    for (unsigned int i = 0; i < count; ++i) {
        const CAddress* address = (doc.*get)(i);
        if (!address) continue;
        CString mail = address->GetMailAddress();
        if (!mail.IsEmpty()) list.Add(mail);
    }
}

// POP before SMTP: logs in to the receive server and QUITs, so that the SMTP server lets
// this address send for a while. A refusal carries the server's reply in `detail`; a user's
// cancel leaves it empty.
int LogInToReceiveServer(const CSmtpSecurity& security, CProgressCallback& progress, CString& detail)
{
    CPop3 pop;
    pop.SetCancelCheck([&progress] { return progress.UserCanceled() || !progress.Callback(0); });
    if (pop.Open(security.receiveServer.GetString(), security.receivePort, security.receiveTls) &&
        pop.Login(security.account.Str(), security.password.Str())) {
        // Servers note the login when it succeeds; a QUIT that goes wrong changes nothing.
        pop.Close();
        return 1;
    }
    CString reason;
    pop.GetErrorDetail(reason);
    pop.Close();
    if (progress.UserCanceled()) {
        detail.Empty();
        return 0;
    }
    detail.Format("POP before SMTP: 受信サーバー %s にログインできませんでした。\r\n\r\n", security.receiveServer.GetString());
    detail += reason;
    return 0;
}

}  // namespace

int CMailSendRecv::Send(const CMailDoc& doc, CProgressCallback& progress, CString& detail)
{
    CString server;
    long port = 0;
    doc.GetSendServer(server, port);
    if (server.IsEmpty()) {
        detail = "SendServer is empty.";
        return 0;
    }
    // A port beyond 16 bits would silently reach another port.
    if (port < 0 || port > 65535) {
        detail = "SendPort is invalid.";
        return 0;
    }
    CAddress from;
    doc.GetFromAddress(from);
    const CString sender = from.GetMailAddress();
    if (sender.IsEmpty()) {
        detail = "Sender is empty.";
        return 0;
    }

    CSmtpSecurity security;
    doc.GetSendSecurity(security);
    if (security.needAuth && security.account.IsEmpty()) {
        security.Wipe();
        detail = "SendAccount is empty.";
        return 0;
    }

    if (security.PopBeforeSmtp()) {
        if (security.receiveServer.IsEmpty()) {
            security.Wipe();
            detail = "ReceiveServer is empty.";
            return 0;
        }
        if (security.receivePort <= 0 || security.receivePort > 65535) {
            security.Wipe();
            detail = "ReceivePort is invalid.";
            return 0;
        }
    }

    CStringArray recipients;
    AddMailAddresses(recipients, doc.GetToAddressSize(), &CMailDoc::GetToAddress, doc);
    AddMailAddresses(recipients, doc.GetCcAddressSize(), &CMailDoc::GetCcAddress, doc);
    AddMailAddresses(recipients, doc.GetBccAddressSize(), &CMailDoc::GetBccAddress, doc);
    if (doc.GetSenderBccFlg()) recipients.Add(sender);
    // Refused before connecting, with the reason: a server would refuse it half-way.
    if (!CSmtp::CheckRecipientCount(recipients.GetSize(), detail)) {
        security.Wipe();
        return 0;
    }

    // An address that could break a command line is refused before any connection; the
    // stream takes the sender as a C string, where a NUL would cut it short unseen.
    if (!CSmtp::CheckAddress(sender, detail) || !std::all_of(recipients.begin(), recipients.end(), [&](const CString& to) {
            return CSmtp::CheckAddress(to, detail) != 0;
        })) {
        security.Wipe();
        return 0;
    }

    if (security.PopBeforeSmtp()) {
        const int loggedIn = LogInToReceiveServer(security, progress, detail);
        // The SMTP session itself does not authenticate: the login above is its permission.
        security.Wipe();
        security.needAuth = 0;
        if (!loggedIn) return 0;
    }
    CSmtpStream stream(server.GetString(), static_cast<int>(port), sender.GetString(), recipients, security);
    security.Wipe();
    stream.SetEightBit(CEMailWriter::NeedsEightBit(doc));
    // Every socket wait keeps the progress dialog answering, so its cancel ends the wait.
    stream.SetCancelCheck([&progress] { return progress.UserCanceled() || !progress.Callback(0); });
    if (!stream.Open()) {
        stream.GetErrorDetail(detail);
        if (progress.UserCanceled()) detail.Empty();
        return 0;
    }
    int result = 0;
    {
        CEMailWriter writer(&stream, doc, progress);
        result = writer.Write(detail);
    }
    if (progress.UserCanceled()) {
        progress.Complete();
        stream.Abort();
        detail.Empty();
        return 0;
    }
    if (!result) {
        // A failed write is the connection's failure: say it in the socket's or the server's
        // words, not the writer's (which names a file that was read well).
        CString streamDetail;
        stream.GetErrorDetail(streamDetail);
        if (!streamDetail.IsEmpty()) detail = streamDetail;
        progress.Complete();
        stream.Abort();
        return 0;
    }
    // The dialog stays up while the server takes the data, which may take minutes.
    int accepted = stream.Finish();
    progress.Complete();
    if (progress.UserCanceled()) {
        detail.Empty();
        return 0;
    }
    if (!accepted) {
        stream.GetErrorDetail(detail);
        return 0;
    }
    return 1;
}

int CMailSendRecv::Receive(CMailDoc&, CProgressCallback&)
{
    return 0;
}
