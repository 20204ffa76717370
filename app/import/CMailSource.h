#pragma once
// The mail a drop or the clipboard offers, and the pending mail a drop leaves for the next
// reply, forward, reference or attach command.
//
// Accepted data, in this order of preference:
//   1. "Internet Message (rfc822/rfc1522)": the whole message;
//   2. text/uri-list naming local ".eml" files only (Thunderbird's drag writes one per
//      message; a file manager's drag or copy): the files are read at once, since
//      Thunderbird deletes its copies within minutes; each one regular and at most 100 MB;
//   3. message/rfc822: the whole message;
//   4. a message reference: "text/x-moz-message" (UTF-16, also inside Thunderbird's
//      application/x-moz-custom-clipdata) or a "mailbox-message://" text (UTF-8), read
//      from Thunderbird's mailbox file at once (CThunderbirdStore).
// A format that is offered but cannot be read gives way to the next one; only when none can
// be read is the first one's reason reported.
//
// A drag over decides from the offered format names alone: asking for text/uri-list makes
// Thunderbird write another file each time.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <cstdint>
#include <string>
#include <vector>

class CThunderbirdStore;

// What a drop or the clipboard offers (QMimeData in the program, a plain object in tests).
class COfferedMail {
public:
    enum Format { InternetMessage, UriList, Rfc822, MozMessage, MozCustomClipData, Text };

    virtual ~COfferedMail() = default;
    // Whether `format` is offered: the format names only, no data is asked for.
    virtual bool Has(Format format) const = 0;
    // The data as offered; for Text the text in UTF-8.
    virtual std::string Bytes(Format format) const = 0;
    // The entries of text/uri-list in order, an empty path for one that is no local file.
    virtual std::vector<CPath> Files() const = 0;
};

class CMailSource {
public:
    enum Format { None = 0, InternetMessage = 1, MailFiles = 2, Rfc822 = 3, Reference = 4 };
    enum Result { NoMail = 0, Taken, Failed };
    static constexpr std::uint64_t kMaxFile = 100ull * 1024 * 1024;

    // Drag over: whether the offered format names may carry a mail.
    static bool MayCarryMail(const COfferedMail& offered);
    // Whether the offered data holds a mail, judged from the data but without reading a
    // file or a mailbox (whether the clipboard makes the commands available).
    static bool HoldsMail(const COfferedMail& offered);
    // The value of "text/x-moz-message" in Thunderbird's custom clip data (big-endian 32-bit
    // kinds and byte lengths, UTF-16LE strings), as UTF-8; empty when it holds none.
    static std::string MozMessageOfClipData(const std::string& clipData);

    // Reads the offered mails at once and makes them the pending ones, replacing what was
    // pending. NoMail when nothing offered is a mail (pending unchanged); Failed with a
    // message in `detail` when a mail was offered but none could be read (pending cleared).
    Result Take(const COfferedMail& offered, const CThunderbirdStore& thunderbird, CString& detail);

    bool IsPending() const { return !mails_.empty(); }
    Format GetFormat() const { return format_; }
    // The pending mails as read (for a reference or a file, the message as stored).
    const std::vector<CString>& GetMails() const { return mails_; }
    void Clear();

private:
    Format format_ = None;
    std::vector<CString> mails_;
};
