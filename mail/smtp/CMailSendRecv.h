#pragma once
// The one entry point through which the program sends a message: checks the document,
// gathers the envelope, opens an SMTP stream and lets the MIME writer write the document
// into it. The document, the callback and the detail are borrowed for the call.

#include "encoding/CString.h"

class CMailDoc;
class CProgressCallback;

class CMailSendRecv {
public:
    // Non-zero only when the server accepted the message at the end of the data. On failure
    // `detail` says why: "SendServer is empty.", "SendPort is invalid.", "Sender is empty.",
    // the SMTP error detail (the server's reply, a socket error text, ...), or the writer's
    // text. A failure after the data began drops the connection without ending the data, so
    // the server keeps no cut message; so does a user's cancel (empty detail, UserCanceled).
    [[nodiscard]] static int Send(const CMailDoc& doc, CProgressCallback& progress, CString& detail);
    // Sends are serialised by the progress dialog disabling its owner: always 0.
    static int IsSending() { return 0; }
    // The system does not receive mail: always 0.
    static int Receive(CMailDoc& doc, CProgressCallback& progress);
};
