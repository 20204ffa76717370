#pragma once
// The clipboard and drag formats that carry a mail, as the mail import takes them: the
// designed "Internet Message (rfc822/rfc1522)" and "text/x-moz-message", "message/rfc822",
// Thunderbird's "application/x-moz-custom-clipdata" holding "text/x-moz-message", and a
// Thunderbird message reference ("mailbox-message://...", "imap-message://...") as its
// text/plain. Widgets that take text (the letter editor) leave such data to the page.
// A list of local ".eml" files only counts too; any other file is a file drop.

#include <QString>

class QMimeData;

class CMailMimeData {
public:
    static const QString kInternetMessage;
    static const QString kMozMessage;
    static const QString kRfc822;
    static const QString kMozCustomClipData;

    static bool CarriesMail(const QMimeData* data);
};
