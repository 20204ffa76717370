#include "model/CMailDoc.h"

#include "encoding/CBase64.h"
#include "model/CFileUtility.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

const char kCrLf[] = "\r\n";
// The line the composer puts above a quoted message, with the line end before it.
const char kQuoteMarker[] = "\r\n----- Original Message";

}  // namespace

CMailDoc::CMailDoc() = default;

CMailDoc::~CMailDoc()
{
    ClearAll();
    sendSecurity_.Wipe();
}

CMailDoc* CMailDoc::Create()
{
    CMailDoc* doc = new (std::nothrow) CMailDoc;
    if (doc) doc->Init();
    return doc;
}

int CMailDoc::Init()
{
    return 1;
}

int CMailDoc::OnNewDocument()
{
    return 1;
}

CMailDoc::Type CMailDoc::GetType() const { return type_; }

void CMailDoc::SetType(Type type)
{
    type_ = type;
    SetModifiedFlag();
}

void CMailDoc::GetOriginalSummary(CString& text) const { text = originalSummary_; }

void CMailDoc::SetOriginalSummary(const CString& text)
{
    originalSummary_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetSubject(CString& text) const { text = subject_; }

void CMailDoc::SetSubject(const CString& text)
{
    subject_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetDear(CString& text) const { text = dear_; }

void CMailDoc::SetDear(const CString& text)
{
    dear_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetGreeting(CString& text) const { text = greeting_; }

void CMailDoc::SetGreeting(const CString& text)
{
    greeting_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetBody(CString& text) const { text = body_; }

void CMailDoc::SetBody(const CString& text)
{
    body_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetClosing(CString& text) const { text = closing_; }

void CMailDoc::SetClosing(const CString& text)
{
    closing_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetSignature(CString& text) const { text = signature_; }

void CMailDoc::SetSignature(const CString& text)
{
    signature_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetInReplyTo(CString& text) const { text = inReplyTo_; }

void CMailDoc::SetInReplyTo(const CString& text)
{
    inReplyTo_ = text;
    SetModifiedFlag();
}

void CMailDoc::GetReferences(CString& text) const { text = references_; }

void CMailDoc::SetReferences(const CString& text)
{
    references_ = text;
    SetModifiedFlag();
}

unsigned int CMailDoc::GetBodySize() const
{
    return static_cast<unsigned int>(body_.GetLength());
}

// Mailer name, server, flags and addresses belong to the account rather than the message,
// so changing them does not mark the message modified.

void CMailDoc::GetMailerName(CString& name) const { name = mailerName_; }
void CMailDoc::SetMailerName(const CString& name) { mailerName_ = name; }

void CMailDoc::GetSendServer(CString& server, long& port) const
{
    server = sendServer_;
    port = sendPort_;
}

void CMailDoc::SetSendServer(const CString& server, long port)
{
    sendServer_ = server;
    sendPort_ = port;
}

void CMailDoc::GetSendSecurity(CSmtpSecurity& security) const { security = sendSecurity_; }
void CMailDoc::SetSendSecurity(const CSmtpSecurity& security) { sendSecurity_ = security; }

int CMailDoc::GetSenderBccFlg() const { return senderBcc_; }
void CMailDoc::SetSenderBccFlg(int flag) { senderBcc_ = flag; }
int CMailDoc::GetUpperReplyFlg() const { return upperReply_; }
void CMailDoc::SetUpperReplyFlg(int flag) { upperReply_ = flag; }

void CMailDoc::GetFromAddress(CAddress& address) const { address = fromAddress_; }
void CMailDoc::SetFromAddress(const CAddress& address) { fromAddress_ = address; }
void CMailDoc::GetReplyAddress(CAddress& address) const { address = replyAddress_; }
void CMailDoc::SetReplyAddress(const CAddress& address) { replyAddress_ = address; }

int CMailDoc::AddAddress(AddressList& list, const CAddress& address)
{
    // Out of memory leaves the list as it was: push_back gives the strong guarantee and the
    // new copy is freed by its owner if it cannot be stored.
    try {
        auto copy = std::make_unique<CAddress>(address);
        list.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CMailDoc::AddToAddress(const CAddress& address)
{
    int result = AddAddress(toList_, address);
    if (result) SetModifiedFlag();
    return result;
}

int CMailDoc::AddCcAddress(const CAddress& address)
{
    int result = AddAddress(ccList_, address);
    if (result) SetModifiedFlag();
    return result;
}

int CMailDoc::AddBccAddress(const CAddress& address)
{
    int result = AddAddress(bccList_, address);
    if (result) SetModifiedFlag();
    return result;
}

namespace {

template <typename Add>
int AddPointers(const CPtrArray& addresses, Add add)
{
    int result = 1;
    for (const CAddress* address : addresses) {
        if (!address) continue;
        result = add(*address);
        if (!result) break;
    }
    return result;
}

template <typename Add>
int AddValues(const std::vector<CAddress>& addresses, Add add)
{
    int result = 1;
    for (const CAddress& address : addresses) {
        result = add(address);
        if (!result) break;
    }
    return result;
}

}  // namespace

int CMailDoc::AddToAddresses(const CPtrArray& addresses)
{
    return AddPointers(addresses, [this](const CAddress& a) { return AddToAddress(a); });
}

int CMailDoc::AddCcAddresses(const CPtrArray& addresses)
{
    return AddPointers(addresses, [this](const CAddress& a) { return AddCcAddress(a); });
}

int CMailDoc::AddBccAddresses(const CPtrArray& addresses)
{
    return AddPointers(addresses, [this](const CAddress& a) { return AddBccAddress(a); });
}

int CMailDoc::AddToAddresses(const std::vector<CAddress>& addresses)
{
    int result = AddValues(addresses, [this](const CAddress& a) { return AddToAddress(a); });
    SetModifiedFlag();
    return result;
}

int CMailDoc::AddCcAddresses(const std::vector<CAddress>& addresses)
{
    int result = AddValues(addresses, [this](const CAddress& a) { return AddCcAddress(a); });
    SetModifiedFlag();
    return result;
}

int CMailDoc::AddBccAddresses(const std::vector<CAddress>& addresses)
{
    int result = AddValues(addresses, [this](const CAddress& a) { return AddBccAddress(a); });
    SetModifiedFlag();
    return result;
}

unsigned int CMailDoc::GetToAddressSize() const { return static_cast<unsigned int>(toList_.size()); }
unsigned int CMailDoc::GetCcAddressSize() const { return static_cast<unsigned int>(ccList_.size()); }
unsigned int CMailDoc::GetBccAddressSize() const { return static_cast<unsigned int>(bccList_.size()); }

const CAddress* CMailDoc::GetToAddress(unsigned int index) const { return toList_[index].get(); }
const CAddress* CMailDoc::GetCcAddress(unsigned int index) const { return ccList_[index].get(); }
const CAddress* CMailDoc::GetBccAddress(unsigned int index) const { return bccList_[index].get(); }

void CMailDoc::ClearToAddresses() { toList_.clear(); }
void CMailDoc::ClearCcAddresses() { ccList_.clear(); }
void CMailDoc::ClearBccAddresses() { bccList_.clear(); }

void CMailDoc::GetFiles(FileList& files) const { files = files_; }

void CMailDoc::SetFiles(const FileList& files)
{
    files_ = files;
    SetModifiedFlag();
}

int CMailDoc::SetTempPath(const CPath& path)
{
    if (path.IsEmpty()) return 0;
    // mkdir fails on an existing folder, so a folder that is not ours is never taken over
    // (and later deleted by ClearAll).
    if (mkdir(path.c_str(), 0700) != 0) return 0;
    tempPath_ = path;
    return 1;
}

void CMailDoc::GetTempPathA(CPath& path) const { path = tempPath_; }

int CMailDoc::AdoptTempPath(const CPath& path)
{
    struct stat info;
    if (path.IsEmpty() || lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return 0;
    tempPath_ = path;
    return 1;
}

void CMailDoc::ClearAll()
{
    ClearToAddresses();
    ClearCcAddresses();
    ClearBccAddresses();

    if (!tempPath_.IsEmpty()) {
        // Sub-folders and what they hold stay, and then the folder stays too.
        const std::string& folder = tempPath_.Native();
        if (DIR* dir = opendir(folder.c_str())) {
            while (dirent* entry = readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                    continue;
                std::string path = folder + "/" + entry->d_name;
                struct stat info;
                if (lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
                    unlink(path.c_str());
            }
            closedir(dir);
        }
        rmdir(folder.c_str());
    }

    tempPath_ = CPath();
    subject_.Empty();
    dear_.Empty();
    greeting_.Empty();
    body_.Empty();
    closing_.Empty();
    signature_.Empty();
    files_.clear();
    SetModifiedFlag(0);
}

void CMailDoc::GetBodyWithLetter(CString& text) const
{
    text.Empty();
    if (!dear_.IsEmpty()) {
        text += dear_;
        text += kCrLf;
        text += kCrLf;
    }
    if (!greeting_.IsEmpty()) {
        text += greeting_;
        text += kCrLf;
        text += kCrLf;
    }

    // With the reply written above the quote, closing and signature go between the reply and
    // the quoted message; the marker's own CR LF stays with the quote.
    std::string_view reply = body_.View();
    std::string_view quoted;
    if (upperReply_) {
        std::size_t marker = reply.find(kQuoteMarker);
        if (marker != std::string_view::npos) {
            quoted = reply.substr(marker);
            reply = reply.substr(0, marker);
        }
    }

    text += reply;
    if (!closing_.IsEmpty()) {
        text += kCrLf;
        text += kCrLf;
        text += closing_;
    }
    if (!signature_.IsEmpty()) {
        text += kCrLf;
        text += kCrLf;
        text += signature_;
    }
    if (!quoted.empty()) {
        text += kCrLf;
        text += kCrLf;
        text += quoted;
    }
}

std::uint64_t CMailDoc::GetMailSize() const
{
    std::uint64_t size = CBase64::CalcEnecodedSize64(static_cast<std::uint64_t>(body_.GetLength()));
    for (const FileInfo& file : files_) {
        long fileSize = CFileUtility::GetFileSize(file.path);
        // A file that went missing counts as empty; the writer reports it when it gets there.
        if (fileSize < 0) fileSize = 0;
        size += CBase64::CalcEnecodedSize64(static_cast<std::uint64_t>(fileSize));
    }
    return size;
}
