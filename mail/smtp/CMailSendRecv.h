#pragma once
// The one entry point through which the program sends a message: checks the document,
// gathers the envelope, opens an SMTP stream and lets the MIME writer write the document
// into it, encrypted and authenticated as the document's send security says (for POP before
// SMTP, after a POP3 login to the receive server that ends with QUIT before the SMTP session
// begins). The document, the callback and the detail are borrowed for the call.

#include "encoding/CString.h"

class CMailDoc;
class CProgressCallback;

class CMailSendRecv {
public:
    // Non-zero only when the server accepted the message at the end of the data. On failure
    // `detail` says why: "SendServer is empty.", "SendPort is invalid.", "Sender is empty.",
    // "SendAccount is empty." (authentication asked for without a user name),
    // "ReceiveServer is empty." or "ReceivePort is invalid." (POP before SMTP without a usable
    // receive server), "POP before SMTP: ..." with the POP3 server's reply or the socket text,
    // the SMTP error detail (the server's reply, a socket error text, ...), or the writer's
    // text. A failure after the data began drops the connection without ending the data, so
    // the server keeps no cut message; so does a user's cancel (empty detail, UserCanceled).
    [[nodiscard]] static int Send(const CMailDoc& doc, CProgressCallback& progress, CString& detail);
    // Sends are serialised by the progress dialog disabling its owner: always 0.
    static int IsSending() { return 0; }
    // The system does not receive mail: always 0.
    static int Receive(CMailDoc& doc, CProgressCallback& progress);
};
