#include "import/CMailComposer.h"

#include "encoding/CLanguage.h"
#include "import/CMailSource.h"
#include "import/MailImportTexts.h"
#include "model/CFileUtility.h"
#include "model/CMailDoc.h"
#include "model/CPlatformUi.h"
#include "parser/CEMailPerser.h"
#include "parser/CPartFiles.h"

#include <ctime>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

using namespace MailImportTexts;

namespace {

// How many folders "<time>_<pid>_N" are tried when "<time>_<pid>" is taken (a folder that
// could not be deleted after the last message of the same second).
constexpr int kTempFolderTries = 100;

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

bool IsMozillaField(std::string_view line)
{
    for (std::string_view name : {"X-Mozilla-Status:", "X-Mozilla-Status2:", "X-Mozilla-Keys:"})
        if (StartsWithNoCase(line, name)) return true;
    return false;
}

}  // namespace

CString CMailComposer::PrefixedSubject(const CString& subject, const char* prefix)
{
    if (prefix == nullptr || prefix[0] == '\0' || StartsWithNoCase(subject.View(), prefix)) return subject;
    return CString(prefix) + subject;
}

CString CMailComposer::AttachmentName(const CString& title)
{
    CString clean = title;
    CFileUtility::ReplaceProhibitedWords(clean);
    // Control characters (a tab or line break left in a decoded subject) have no place in a
    // file name; below 0x20 a byte is never part of a double-byte character.
    for (int i = 0; i < clean.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(clean[i]);
        if (c < 0x20 || c == 0x7F) clean.SetAt(i, '_');
    }
    CString cut;
    CLanguage::CutSJIS(clean.GetString(), static_cast<unsigned int>(clean.GetLength()), 64, cut);
    if (cut.IsEmpty() || cut == "." || cut == "..") return kNoSubject;
    return cut;
}

CString CMailComposer::WithoutMozillaHeaders(const CString& text)
{
    const std::string_view in = text.View();
    std::string out;
    out.reserve(in.size());
    std::size_t pos = 0;
    bool dropping = false;
    while (pos < in.size()) {
        std::size_t end = in.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? in.size() : end + 1;
        std::string_view line = in.substr(pos, next - pos);
        if (line == "\n" || line == "\r\n") break;  // the header ends here
        if (line[0] == ' ' || line[0] == '\t') {
            if (!dropping) out.append(line);
        } else {
            dropping = IsMozillaField(line);
            if (!dropping) out.append(line);
        }
        pos = next;
    }
    out.append(in.substr(pos));
    return CString(std::move(out));
}

CPath CMailComposer::EnsureTempFolder()
{
    CPath folder;
    doc_.GetTempPathA(folder);
    if (!folder.IsEmpty() || dataFolder_.IsEmpty()) return folder;
    const CPath base = dataFolder_ / "TEMP";
    ::mkdir(base.c_str(), 0700);  // usually there already
    CString name;
    name.Format("%08X_%08X", static_cast<unsigned int>(std::time(nullptr)), static_cast<unsigned int>(::getpid()));
    for (int i = 0; i < kTempFolderTries; ++i) {
        CString tried = name;
        if (i > 0) tried.AppendFormat("_%d", i);
        folder = base / tried.Str();
        if (doc_.SetTempPath(folder)) return folder;
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0) break;  // not taken: it cannot be made at all
    }
    return CPath();
}

int CMailComposer::Compose(unsigned int id, const CString& text)
{
    doc_.ClearAll();
    const CPath temp = EnsureTempFolder();
    CEMailPerser parser;
    // Whatever the parser could read stays in the document, as a partly read mail does.
    static_cast<void>(parser.Perse(text, temp, doc_, id == ID_REPLY ? 1 : 0));
    doc_.SetModifiedFlag();

    const char* prefix = "";
    switch (id) {
    case ID_REPLY:
        doc_.SetType(CMailDoc::ReplyMail);
        prefix = "Re: ";
        break;
    case ID_FORWARD:
        doc_.SetType(CMailDoc::ForwardMail);
        doc_.ClearToAddresses();
        doc_.ClearCcAddresses();
        doc_.ClearBccAddresses();
        doc_.SetModifiedFlag();
        prefix = "Fw: ";
        break;
    default:
        doc_.SetType(CMailDoc::NewMail);
        break;
    }
    CString subject;
    doc_.GetSubject(subject);
    const CString prefixed = PrefixedSubject(subject, prefix);
    if (prefixed != subject) doc_.SetSubject(prefixed);
    return !temp.IsEmpty() || id == ID_REPLY ? 1 : 0;
}

int CMailComposer::Attach(const CString& text, CString& detail)
{
    const CPath temp = EnsureTempFolder();
    if (temp.IsEmpty()) {
        detail = kAttachWriteFailed;
        return 0;
    }
    CEMailPerser parser;
    CString subject;
    if (!parser.GetSubject(text, subject)) {
        detail = kAttachUnreadable;
        return 0;
    }
    const CString title = subject.IsEmpty() ? CString(kNoSubject) : subject;

    CPartFiles files;
    CString path;
    const int fd = files.Create(temp.c_str(), AttachmentName(title), ".eml", path);
    if (fd < 0) {
        detail = kAttachWriteFailed;
        return 0;
    }
    const CString content = WithoutMozillaHeaders(text);
    bool written = CPartFiles::WriteAll(fd, content.View().data(), content.View().size());
    if (::close(fd) != 0) written = false;
    if (!written) {
        ::unlink(path.GetString());
        detail = kAttachWriteFailed;
        return 0;
    }
    CMailDoc::FileList list;
    doc_.GetFiles(list);
    list.push_back({CPath::FromNative(path.View()), title});
    doc_.SetFiles(list);
    doc_.SetModifiedFlag();
    return 1;
}

int CMailComposer::Run(unsigned int id, CMailSource& source, const CComposeHost& host)
{
    if (!source.IsPending()) {
        MessageBox(host.parent, kNoMailOnClipboard, kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (host.storePage) host.storePage();

    if (id != ID_ATTACH) {
        if (doc_.IsModified() &&
            MessageBox(host.parent, kDiscardQuestion, kConfirmCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return 0;
        const CString text = source.GetMails().front();
        const std::size_t count = source.GetMails().size();
        source.Clear();
        const int complete = Compose(id, text);
        if (host.reloadAll) host.reloadAll();
        if (host.setTitle) {
            CString subject;
            doc_.GetSubject(subject);
            host.setTitle(subject);
        }
        if (!complete) MessageBox(host.parent, kTempFolderFailed, kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        if (count > 1) {
            CString note;
            note.Format(kFirstOfSeveral, static_cast<int>(count));
            MessageBox(host.parent, note, kConfirmCaption, MB_OK | MB_ICONINFORMATION);
        }
        return 1;
    }

    const std::vector<CString> mails = source.GetMails();
    source.Clear();
    int attached = 0;
    CString failure;
    for (const CString& mail : mails) {
        CString why;
        if (Attach(mail, why)) ++attached;
        else if (failure.IsEmpty()) failure = why;
    }
    if (attached > 0 && host.reloadAll) host.reloadAll();
    if (!failure.IsEmpty()) MessageBox(host.parent, failure, kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    return attached > 0 ? 1 : 0;
}
