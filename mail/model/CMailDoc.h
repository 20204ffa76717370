#pragma once
// The one message being composed: sender, recipients, letter pieces, attachments, threading
// data and the transport settings that travel with it. All text is code page 932 with CR LF
// line ends; lengths are byte counts. Getters copy out, setters copy in: nothing is shared
// with callers. Single-threaded: sending reads it while the progress dialog pumps messages,
// during which it must not change.

#include "encoding/CJisFallback.h"
#include "encoding/CString.h"
#include "model/CAddress.h"
#include "model/CPath.h"
#include "smtp/CSmtpSecurity.h"

#include <cstdint>
#include <memory>
#include <vector>

class CWnd;
class CFileDialog;

using CPtrArray = std::vector<CAddress*>;

class CMailDoc {
public:
    enum Type : std::int32_t { NewMail = 0, ReplyMail = 1, ForwardMail = 2 };
    // How the writer chooses the charset of each field (subject, each display name, each
    // attachment name, the body). Auto: ISO-2022-JP when every character fits
    // (CLanguage::FitsJis), else UTF-8. Iso2022Jp: always ISO-2022-JP, characters outside
    // JIS X 0208 with their raw extension codes. Utf8: UTF-8 for every field that is not ASCII.
    enum Charset : std::int32_t { CharsetAuto = 0, CharsetIso2022Jp = 1, CharsetUtf8 = 2 };

    struct FileInfo {
        CPath path;     // full path; its last part is the name in the message, ".eml" = a mail
        CString title;  // what the attachment list shows; never read by the library
    };
    using FileList = std::vector<FileInfo>;

    CMailDoc();
    virtual ~CMailDoc();
    CMailDoc(const CMailDoc&) = delete;
    CMailDoc& operator=(const CMailDoc&) = delete;

    static CMailDoc* Create();
    int Init();
    int OnNewDocument();

    int IsModified() const { return modified_; }
    void SetModifiedFlag(int modified = 1) { modified_ = modified ? 1 : 0; }

    Type GetType() const;
    void SetType(Type type);

    void GetOriginalSummary(CString& text) const;
    void SetOriginalSummary(const CString& text);
    void GetSubject(CString& text) const;
    void SetSubject(const CString& text);
    void GetDear(CString& text) const;
    void SetDear(const CString& text);
    void GetGreeting(CString& text) const;
    void SetGreeting(const CString& text);
    void GetBody(CString& text) const;
    void SetBody(const CString& text);
    void GetClosing(CString& text) const;
    void SetClosing(const CString& text);
    void GetSignature(CString& text) const;
    void SetSignature(const CString& text);
    void GetInReplyTo(CString& text) const;
    void SetInReplyTo(const CString& text);
    void GetReferences(CString& text) const;
    void SetReferences(const CString& text);
    unsigned int GetBodySize() const;

    void GetMailerName(CString& name) const;
    void SetMailerName(const CString& name);
    void GetSendServer(CString& server, long& port) const;
    void SetSendServer(const CString& server, long port);
    // Encryption and authentication of the send (the account's NEED_SEND_AUTH, SEND_ACCOUNT,
    // SEND_PASSWORD and its own login settings: method, connection security, the receive
    // server of POP before SMTP). Kept by ClearAll like the server; the credentials are wiped
    // on destruction.
    void GetSendSecurity(CSmtpSecurity& security) const;
    void SetSendSecurity(const CSmtpSecurity& security);
    int GetSenderBccFlg() const;
    void SetSenderBccFlg(int flag);
    int GetUpperReplyFlg() const;
    void SetUpperReplyFlg(int flag);
    // The user's choice for characters that ISO-2022-JP cannot carry: the charset rule and
    // which stand-ins (CJisFallback) replace them before the rule is applied. Kept by ClearAll.
    Charset GetCharset() const { return charset_; }
    void SetCharset(Charset charset) { charset_ = charset; }
    CJisFallback::Mode GetReplaceMode() const { return replaceMode_; }
    void SetReplaceMode(CJisFallback::Mode mode) { replaceMode_ = mode; }

    void GetFromAddress(CAddress& address) const;
    void SetFromAddress(const CAddress& address);
    void GetReplyAddress(CAddress& address) const;
    void SetReplyAddress(const CAddress& address);

    int AddToAddress(const CAddress& address);
    int AddCcAddress(const CAddress& address);
    int AddBccAddress(const CAddress& address);
    int AddToAddresses(const CPtrArray& addresses);
    int AddCcAddresses(const CPtrArray& addresses);
    int AddBccAddresses(const CPtrArray& addresses);
    int AddToAddresses(const std::vector<CAddress>& addresses);
    int AddCcAddresses(const std::vector<CAddress>& addresses);
    int AddBccAddresses(const std::vector<CAddress>& addresses);
    unsigned int GetToAddressSize() const;
    unsigned int GetCcAddressSize() const;
    unsigned int GetBccAddressSize() const;
    // The index must be below the count.
    const CAddress* GetToAddress(unsigned int index) const;
    const CAddress* GetCcAddress(unsigned int index) const;
    const CAddress* GetBccAddress(unsigned int index) const;
    void ClearToAddresses();
    void ClearCcAddresses();
    void ClearBccAddresses();

    void GetFiles(FileList& files) const;
    void SetFiles(const FileList& files);

    // Creates the folder (one level, mode 0700) and keeps it as the working folder; 0 when it
    // cannot be created or already exists.
    int SetTempPath(const CPath& path);
    void GetTempPathA(CPath& path) const;
    // Takes an existing folder as the working folder (a restored draft's, whose run ended
    // before the message was sent); 0 when `path` is not a folder. ClearAll deletes it.
    int AdoptTempPath(const CPath& path);

    // Empties the message for the next one; keeps sender, account settings, flags, type and
    // threading texts. Deletes the working folder with its files.
    void ClearAll();

    // The text sent as the body: salutation, greeting, body, closing and signature.
    void GetBodyWithLetter(CString& text) const;
    // Estimated encoded size of body and attachments, the total of the progress display;
    // 64-bit, so that attachments beyond 4 GB are counted.
    std::uint64_t GetMailSize() const;

    // Writes the message to a file chosen with `dialog`.
    int SaveAs(CWnd* parent, CFileDialog* dialog);

private:
    using AddressList = std::vector<std::unique_ptr<CAddress>>;
    static int AddAddress(AddressList& list, const CAddress& address);

    Type type_ = NewMail;
    CString originalSummary_;
    CString subject_;
    CString dear_;
    CString greeting_;
    CString body_;
    CString closing_;
    CString signature_;
    FileList files_;
    CAddress fromAddress_;
    CAddress replyAddress_;
    AddressList toList_;
    AddressList ccList_;
    AddressList bccList_;
    CString inReplyTo_;
    CString references_;
    int senderBcc_ = 0;
    int upperReply_ = 0;
    Charset charset_ = CharsetAuto;
    CJisFallback::Mode replaceMode_ = CJisFallback::ReplaceNone;
    CString mailerName_;
    CString sendServer_;
    long sendPort_ = 25;
    CSmtpSecurity sendSecurity_;
    CPath tempPath_;
    int modified_ = 0;
};
