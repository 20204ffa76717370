// CMailDoc::SaveAs: the message as it would be sent, written into a mail file.
#include "model/CMailDoc.h"

#include "model/CFileUtility.h"
#include "model/CPlatformUi.h"
#include "smtp/CProgressCallback.h"
#include "writer/CEMailWriter.h"
#include "writer/CFileOutStream.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Passes the writer's text on to the file until the user cancels in the progress dialog;
// from then on every write fails, so the writer stops at its next piece.
class CSaveStream : public COutputStream {
public:
    CSaveStream(COutputStream& file, CProgressCallback& progress) : file_(file), progress_(progress)
    {
    }
    int Open() override { return file_.Open(); }
    void Close() override { file_.Close(); }
    int WriteString(const char* text) override
    {
        if (progress_.UserCanceled()) return 0;
        return file_.WriteString(text);
    }

private:
    COutputStream& file_;
    CProgressCallback& progress_;
};

void ShowWarning(CWnd* parent, const char* text)
{
    MessageBox(parent, text, "保存", MB_OK | MB_ICONEXCLAMATION);
}

// The file the user chose, following a symbolic link so that the link stays a link.
// Empty when the path names something that cannot be written as a file.
std::string TargetFile(const std::string& chosen)
{
    struct stat info {};
    if (::lstat(chosen.c_str(), &info) != 0) return chosen;
    std::string target = chosen;
    if (S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(chosen.c_str(), resolved)) return chosen;  // a dangling link
        target = resolved;
        if (::stat(target.c_str(), &info) != 0) return target;
    }
    if (!S_ISREG(info.st_mode) || ::access(target.c_str(), W_OK) != 0) return std::string();
    return target;
}

// A name beside the target that nobody uses, hidden while the message is being written.
std::string TempFileBeside(const std::string& target)
{
    std::size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0;; ++attempt) {
        std::string candidate = folder + "." + name + "." + std::to_string(::getpid());
        if (attempt) candidate += "-" + std::to_string(attempt);
        candidate += ".part";
        struct stat info {};
        if (::lstat(candidate.c_str(), &info) != 0) return candidate;
    }
}

}  // namespace

int CMailDoc::SaveAs(CWnd* parent, CFileDialog* dialog)
{
    if (!parent || !dialog) return 0;
    if (dialog->DoModal() != IDOK) return 1;

    // The message is written beside the chosen file and put in its place only when complete,
    // so a failed or cancelled save leaves no partial file and keeps a file it would replace.
    std::string target = TargetFile(dialog->GetPathName().Native());
    std::string temp = target.empty() ? std::string() : TempFileBeside(target);
    CFileOutStream file(CPath::FromNative(temp));
    if (target.empty() || !file.Open()) {
        ShowWarning(parent, "ファイル作成に失敗しました。");
        return 0;
    }

    CProgressCallback progress("保存中", 1, parent);
    progress.Start(GetMailSize());
    CSaveStream stream(file, progress);
    CString detail;
    int written;
    {
        CEMailWriter writer(&stream, *this, progress);
        // The saved copy is the user's own: it keeps the blind recipients.
        writer.SetWriteBcc(1);
        written = writer.Write(detail);
    }
    progress.Complete();
    if (written) {
        written = file.CloseChecked();
    } else {
        file.Close();
    }

    if (written) {
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0) ::chmod(temp.c_str(), old.st_mode & 07777);
        written = ::rename(temp.c_str(), target.c_str()) == 0;
    }
    if (written) {
        SetModifiedFlag(0);
        return 1;
    }
    ::unlink(temp.c_str());
    if (!progress.UserCanceled()) ShowWarning(parent, "保存に失敗しました。");
    return 1;
}
