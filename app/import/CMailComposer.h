#pragma once
// Reply, forward, reference and attach: a dropped or pasted mail turned into the message
// being composed.
//
//   command                  Perse flag  subject prefix  type  recipients afterwards
//   32783 "返信(&R)"          1           "Re: "          1     To: the sender; Cc: its To, Cc
//   32784 "転送(&F)"          0           "Fw: "          2     none
//   32785 "参照作成(&S)"      0           -               0     the mail's own To and Cc
//   32786 "添付(&A)"          -           -               -     unchanged; the mail is attached
//
// The prefix is not added again to a subject that already starts with it in any case.
// Before reply, forward or reference a modified document is only replaced after the
// question "作成中のメールを破棄して、…" is answered Yes; the mail is in hand before the
// document is cleared. An attached mail is written to "<name>.eml" ("<name>_1.eml", ... when
// taken) in the document's temporary folder, its name the subject (or "（件名なし）") with
// the characters a file name cannot hold replaced and cut to 64 bytes, and without the
// headers Thunderbird keeps for itself (X-Mozilla-Status, X-Mozilla-Status2, X-Mozilla-Keys).
// The temporary folder is "<data folder>/TEMP/<time>_<process id>" (eight upper-case hex
// digits each), made when the document has none.
//
// No Qt here: the page hands in what only it can do (CComposeHost), and every box goes
// through the one message-box route.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <functional>

class CMailDoc;
class CMailSource;
class CWnd;

struct CComposeHost {
    CWnd* parent = nullptr;                         // the owner of the message boxes
    std::function<void()> storePage;                // the page's unsaved edits into the document
    std::function<void()> reloadAll;                // every page from the document
    std::function<void(const CString&)> setTitle;   // the main window's title (the subject)
};

class CMailComposer {
public:
    enum : unsigned int { ID_REPLY = 32783, ID_FORWARD = 32784, ID_REFERENCE = 32785, ID_ATTACH = 32786 };

    CMailComposer(CMailDoc& doc, CPath dataFolder) : doc_(doc), dataFolder_(std::move(dataFolder)) {}

    // One of the four commands on the mails of `source`, which it consumes (a "No" to the
    // question keeps them). Messages go to `host.parent`. Returns 1 when the document changed.
    int Run(unsigned int id, CMailSource& source, const CComposeHost& host);

    // Reply, forward or reference from `text`, without the question. 1 when the mail's
    // attachments could be taken out too (0: no temporary folder, the rest is done).
    int Compose(unsigned int id, const CString& text);
    // Attaches `text` as an ".eml" file; 0 with a message in `detail`.
    int Attach(const CString& text, CString& detail);
    // The document's temporary folder, made when it has none; empty when it cannot be made.
    CPath EnsureTempFolder();

    // `subject` with `prefix` in front, unless it already starts with it in any case.
    static CString PrefixedSubject(const CString& subject, const char* prefix);
    // The file name (without ".eml") of an attached mail titled `title`.
    static CString AttachmentName(const CString& title);
    // The mail without Thunderbird's own header fields.
    static CString WithoutMozillaHeaders(const CString& text);

private:
    CMailDoc& doc_;
    CPath dataFolder_;
};
