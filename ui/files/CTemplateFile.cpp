#include "files/CTemplateFile.h"

#include "model/CFileUtility.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kPrefix[] = "tpl";
constexpr std::size_t kPrefixLength = 3;

// The whole file, or false when it cannot be opened or read.
bool ReadAll(const CPath& path, std::string& content)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    content.clear();
    char buffer[8192];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, got);
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// Text-mode lines as the entries were designed to be read: a line ends at LF, and a CR
// right before that LF belongs to the line end. The last line need not end in LF.
class LineReader {
public:
    explicit LineReader(const std::string& text) : text_(text) {}
    bool Next(CString& line)
    {
        if (pos_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', pos_);
        std::size_t next = end == std::string::npos ? text_.size() : end + 1;
        if (end == std::string::npos) end = text_.size();
        else if (end > pos_ && text_[end - 1] == '\r') --end;
        line = CString(std::string_view(text_).substr(pos_, end - pos_));
        pos_ = next;
        return true;
    }

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

bool WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Creates (or truncates) the file and writes title, CR LF, body; a file left half written
// is removed.
bool WriteEntry(const CPath& path, const CString& title, const CString& body, int extraFlags)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | extraFlags, 0666);
    if (fd < 0) return false;
    std::string data = title.Str() + "\r\n" + body.Str();
    bool ok = WriteAll(fd, data);
    ok = (::close(fd) == 0) && ok;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

}  // namespace

CTemplateFile::CTemplateFile(const CPath& folder) : folder_(folder) {}

CTemplateFile::CTemplateFile(const CTemplateFile& other) : folder_(other.folder_) {}

CTemplateFile& CTemplateFile::operator=(const CTemplateFile& other)
{
    if (this != &other) {
        ListEnd();
        folder_ = other.folder_;
    }
    return *this;
}

CTemplateFile::~CTemplateFile()
{
    ListEnd();
}

int CTemplateFile::ListFirst(long& id, CString& title)
{
    ListEnd();
    search_ = ::opendir(folder_.c_str());
    if (!search_) return 0;
    return ListNext(id, title);
}

int CTemplateFile::ListNext(long& id, CString& title)
{
    if (!search_) return 0;
    while (dirent* entry = ::readdir(search_)) {
        if (std::strncmp(entry->d_name, kPrefix, kPrefixLength) != 0) continue;
        // A folder that happens to be named "tpl..." is no entry.
        if (entry->d_type == DT_DIR) continue;
        return ReadEntry(entry->d_name, id, title);
    }
    ListEnd();
    return 0;
}

int CTemplateFile::ListEnd()
{
    if (search_) {
        ::closedir(search_);
        search_ = nullptr;
    }
    return 1;
}

int CTemplateFile::ReadEntry(const char* name, long& id, CString& title)
{
    std::string content;
    if (!ReadAll(folder_ / name, content)) return 0;
    id = std::atol(name + kPrefixLength);
    LineReader lines(content);
    title.Empty();
    lines.Next(title);
    return 1;
}

int CTemplateFile::Read(long id, CString& title, CString& body)
{
    title.Empty();
    body.Empty();
    std::string content;
    if (!ReadAll(FileFullPath(id), content)) return 0;
    LineReader lines(content);
    lines.Next(title);
    CString line;
    while (lines.Next(line)) {
        body += line;
        body += "\r\n";
    }
    return 1;
}

int CTemplateFile::Add(CString title, CString body, long& id)
{
    id = NewId();
    // O_EXCL: an entry that appeared since NewId looked is never overwritten.
    return WriteEntry(FileFullPath(id), title, body, O_EXCL) ? 1 : 0;
}

int CTemplateFile::Modify(long id, CString title, CString body)
{
    const CPath path = FileFullPath(id);
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    // The new content goes to a side file that then replaces the entry, so the entry holds
    // exactly the new bytes (nothing of a longer old body) and a failed write keeps the old.
    const CPath sidePath = folder_ / (".tpl" + std::to_string(id) + ".new");
    if (!WriteEntry(sidePath, title, body, 0)) return 0;
    ::chmod(sidePath.c_str(), info.st_mode & 07777);
    if (::rename(sidePath.c_str(), path.c_str()) != 0) {
        ::unlink(sidePath.c_str());
        return 0;
    }
    return 1;
}

int CTemplateFile::Delete(long id)
{
    return CFileUtility::DeleteFileA(FileFullPath(id));
}

CPath CTemplateFile::FileFullPath(long id) const
{
    return folder_ / (kPrefix + std::to_string(id));
}

long CTemplateFile::NewId() const
{
    long id = 1;
    while (CFileUtility::Exists(FileFullPath(id))) ++id;
    return id;
}
