#include "shell/CStartRequest.h"

#include "encoding/CLanguage.h"
#include "model/CFileUtility.h"
#include "parser/CMailCharset.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The subject edit's limit, in bytes of code page 932.
constexpr unsigned int kSubjectLength = 255;

// A long argument is shown by its start only.
CString Shown(std::string_view argument)
{
    CString text;
    CMailCharset::Guess(argument.substr(0, std::min<std::size_t>(argument.size(), 200)), text);
    return argument.size() > 200 ? text + "…" : text;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool IsFileUrl(std::string_view text)
{
    return text.size() >= 5 && CString(text.substr(0, 5)).MakeLower() == "file:";
}

}  // namespace

int CStartRequest::CheckFile(const CPath& path, CString& reason)
{
    struct stat found {};
    if (::stat(path.c_str(), &found) != 0) {
        reason = errno == EACCES ? "開く権限がありません" : "見つかりません";
        return 0;
    }
    if (S_ISDIR(found.st_mode)) {
        reason = "フォルダです";
        return 0;
    }
    // A pipe or a device would never end when read for the send.
    if (!S_ISREG(found.st_mode)) {
        reason = "通常のファイルではありません";
        return 0;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = errno == EACCES ? "読み取る権限がありません" : "開けません";
        return 0;
    }
    ::close(fd);
    return 1;
}

int CStartRequest::PathFromFileUrl(std::string_view url, CPath& path)
{
    if (!IsFileUrl(url))
        return 0;
    url.remove_prefix(5);
    if (StartsWith(url, "//")) {
        url.remove_prefix(2);
        const std::size_t slash = url.find('/');
        const std::string_view host = url.substr(0, slash);
        if (!host.empty() && CString(host).MakeLower() != "localhost")
            return 0;
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    }
    url = url.substr(0, url.find_first_of("?#"));
    std::string bytes;
    std::string bad;
    if (url.empty() || url[0] != '/' || !CMailtoUri::PercentDecode(url, bytes, bad) ||
        bytes.find('\0') != std::string::npos)
        return 0;
    path = CPath::FromNative(bytes);
    return 1;
}

void CStartRequest::AddFile(const CPath& path, std::vector<CPath>& list, const char* source)
{
    CString reason;
    if (!CheckFile(path, reason)) {
        m_problems.push_back(CString(source) + "「" + path.ToText() + "」は添付できません（" + reason + "）。");
        return;
    }
    if (std::find(list.begin(), list.end(), path) == list.end())
        list.push_back(path);
}

void CStartRequest::Read(const std::vector<std::string>& arguments, const CPath& workingFolder)
{
    bool options = true;
    std::vector<std::string> linkAttachments;
    for (const std::string& argument : arguments) {
        if (argument.empty())
            continue;
        if (options && argument == "--") {
            options = false;
            continue;
        }
        if (options && argument[0] == '-' && argument != "-") {
            m_problems.push_back(CString("不明なオプション「") + Shown(argument) + "」は無視しました。");
            continue;
        }
        if (CMailtoUri::IsMailto(argument)) {
            const std::size_t before = m_fields.attach.size();
            CString error;
            if (!CMailtoUri::Parse(argument, m_fields, error)) {
                m_problems.push_back(CString("mailto リンクを読み取れませんでした（") + error + "）: " + Shown(argument));
                continue;
            }
            linkAttachments.insert(linkAttachments.end(), m_fields.attach.begin() + static_cast<long>(before),
                                   m_fields.attach.end());
            continue;
        }
        CPath path;
        if (IsFileUrl(argument)) {
            if (!PathFromFileUrl(argument, path)) {
                m_problems.push_back(CString("「") + Shown(argument) + "」はこのコンピューター上のファイルではないため、添付できません。");
                continue;
            }
        } else {
            path = argument[0] == '/' ? CPath::FromNative(argument) : workingFolder / argument;
        }
        AddFile(path, m_files, "ファイル");
    }

    for (const std::string& value : linkAttachments) {
        CPath path;
        if (StartsWith(value, "/")) {
            path = CPath::FromNative(value);
        } else if (!PathFromFileUrl(value, path)) {
            // A link cannot know the working folder; a relative name or another host's URL
            // names no file here.
            m_problems.push_back(CString("リンクの添付ファイル「") + Shown(value) + "」はこのコンピューター上のファイルではないため、添付できません。");
            continue;
        }
        AddFile(path, m_linkFiles, "リンクの添付ファイル");
    }
}

void CStartRequest::FillDocument(CMailDoc& doc) const
{
    bool filled = false;
    for (const CAddress& address : m_fields.to) filled = doc.AddToAddress(address) || filled;
    for (const CAddress& address : m_fields.cc) filled = doc.AddCcAddress(address) || filled;
    for (const CAddress& address : m_fields.bcc) filled = doc.AddBccAddress(address) || filled;
    if (!m_fields.subject.IsEmpty()) {
        CString subject;
        CLanguage::CutSJIS(m_fields.subject.GetString(), static_cast<unsigned int>(m_fields.subject.GetLength()),
                           kSubjectLength, subject);
        doc.SetSubject(subject);
        filled = true;
    }
    if (!m_fields.body.IsEmpty()) {
        doc.SetBody(m_fields.body);
        filled = true;
    }
    if (!m_fields.inReplyTo.IsEmpty()) {
        doc.SetInReplyTo(m_fields.inReplyTo);
        filled = true;
    }
    if (!m_files.empty()) {
        AttachFiles(doc, m_files);
        filled = true;
    }
    if (filled)
        doc.SetModifiedFlag();
}

void CStartRequest::AttachFiles(CMailDoc& doc, const std::vector<CPath>& files)
{
    CMailDoc::FileList list;
    doc.GetFiles(list);
    for (const CPath& path : files) {
        const bool present = std::any_of(list.begin(), list.end(), [&path](const CMailDoc::FileInfo& info) {
            return info.path == path;
        });
        if (!present)
            list.push_back({path, CFileUtility::GetFileNameFromPath(path)});
    }
    doc.SetFiles(list);
    doc.SetModifiedFlag();
}

CString CStartRequest::AttachQuestion(const std::vector<CPath>& files)
{
    CString text = "リンクが次のファイルの添付を求めています。\n\n";
    for (const CPath& path : files)
        text += path.ToText() + "\n";
    text += "\n添付してもよろしいですか？\n心当たりのないリンクなら「いいえ」を選んでください。";
    return text;
}

CString CStartRequest::ProblemText(const std::vector<CString>& problems)
{
    CString text;
    for (const CString& problem : problems)
        text += (text.IsEmpty() ? CString() : CString("\n")) + problem;
    return text;
}
