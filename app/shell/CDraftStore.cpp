#include "shell/CDraftStore.h"

#include "model/CMailDraft.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

std::function<void(CDraftStore::SaveStep)> CDraftStore::afterStep;

namespace {

constexpr const char* kDraftSuffix = ".draft";
constexpr const char* kTempSuffix = ".draft.tmp";
constexpr const char* kLockSuffix = ".lock";
constexpr std::time_t kLockGraceSeconds = 60;

bool EndsWith(const std::string& text, std::string_view suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The lock of a draft, taken without waiting; -1 when another process holds it (or it cannot
// be made).
int TryLock(const CPath& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool IsLockFree(const CPath& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

bool ReadWhole(const CPath& path, std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

void SyncFolder(const CPath& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::vector<std::string> Names(const CPath& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    return names;
}

bool IsHex8(std::string_view text)
{
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

// The process id in a document folder's name "<time>_<pid>" or "<time>_<pid>_<n>" (eight
// upper-case hex digits each); 0 for any other name.
pid_t PidOfTempFolder(const std::string& name)
{
    if (name.size() < 17 || name[8] != '_' || !IsHex8(std::string_view(name).substr(0, 8)) ||
        !IsHex8(std::string_view(name).substr(9, 8)))
        return 0;
    if (name.size() > 17) {
        if (name[17] != '_' || name.size() == 18)
            return 0;
        for (std::size_t i = 18; i < name.size(); ++i)
            if (name[i] < '0' || name[i] > '9')
                return 0;
    }
    return static_cast<pid_t>(std::stoul(name.substr(9, 8), nullptr, 16));
}

bool IsRunning(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The folder `path` names when it is a document folder right under `tempRoot`.
bool IsUnderTemp(const std::string& path, const CPath& tempRoot)
{
    const std::string& root = tempRoot.Native();
    if (path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 || path[root.size()] != '/')
        return false;
    const std::string name = path.substr(root.size() + 1);
    return name.find('/') == std::string::npos && name != "." && name != "..";
}

void RemoveTree(const std::string& path)
{
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(path), error);  // never follows a link
}

std::string MakeId()
{
    char id[32];
    std::snprintf(id, sizeof id, "%08X_%08X", static_cast<unsigned int>(std::time(nullptr)),
                  static_cast<unsigned int>(::getpid()));
    return id;
}

}  // namespace

CDraftStore::COrphan::COrphan(COrphan&& other) noexcept
    : draft(std::move(other.draft)), lock(std::move(other.lock)), lockFd(other.lockFd),
      bytes(std::move(other.bytes)), saved(other.saved)
{
    other.lockFd = -1;
}

CDraftStore::COrphan& CDraftStore::COrphan::operator=(COrphan&& other) noexcept
{
    if (this != &other) {
        Release();
        draft = std::move(other.draft);
        lock = std::move(other.lock);
        lockFd = other.lockFd;
        bytes = std::move(other.bytes);
        saved = other.saved;
        other.lockFd = -1;
    }
    return *this;
}

CDraftStore::COrphan::~COrphan()
{
    Release();
}

void CDraftStore::COrphan::Release()
{
    if (lockFd >= 0)
        ::close(lockFd);
    lockFd = -1;
}

CDraftStore::CDraftStore(CPath dataFolder)
    : m_dataFolder(std::move(dataFolder)), m_folder(m_dataFolder / "Drafts")
{
}

CDraftStore::~CDraftStore()
{
    if (m_lockFd < 0)
        return;
    // The lock file goes with the instance unless a draft stays for the next start.
    if (!HasDraft())
        ::unlink((m_folder / (m_id + kLockSuffix)).c_str());
    ::unlink((m_folder / (m_id + kTempSuffix)).c_str());
    ::close(m_lockFd);
    m_lockFd = -1;
}

int CDraftStore::Open()
{
    if (m_dataFolder.IsEmpty())
        return 0;
    ::mkdir(m_folder.c_str(), 0700);
    const std::string base = MakeId();
    for (int i = 0; i < 100 && m_lockFd < 0; ++i) {
        m_id = i == 0 ? base : base + "_" + std::to_string(i);
        // An id whose draft is still there belongs to an earlier run with the same process id.
        struct stat info;
        if (::lstat(GetDraftPath().c_str(), &info) == 0)
            continue;
        m_lockFd = TryLock(m_folder / (m_id + kLockSuffix));
    }
    return m_lockFd >= 0;
}

CPath CDraftStore::GetDraftPath() const
{
    return m_folder / (m_id + kDraftSuffix);
}

int CDraftStore::Save(const std::string& bytes, CString& detail)
{
    if (m_lockFd < 0) {
        detail = "draft folder not open";
        return 0;
    }
    const CPath temp = m_folder / (m_id + kTempSuffix);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        detail = std::strerror(errno);
        return 0;
    }
    const bool written = WriteAll(fd, bytes);
    if (afterStep)
        afterStep(StepWritten);
    const bool synced = written && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced) {
        detail = std::strerror(error);
        ::unlink(temp.c_str());
        return 0;
    }
    if (afterStep)
        afterStep(StepSynced);
    if (::rename(temp.c_str(), GetDraftPath().c_str()) != 0) {
        detail = std::strerror(errno);
        ::unlink(temp.c_str());
        return 0;
    }
    SyncFolder(m_folder);
    if (afterStep)
        afterStep(StepRenamed);
    return 1;
}

void CDraftStore::Remove()
{
    if (m_lockFd < 0)
        return;
    ::unlink(GetDraftPath().c_str());
    SyncFolder(m_folder);
}

int CDraftStore::HasDraft() const
{
    struct stat info;
    return m_lockFd >= 0 && ::lstat(GetDraftPath().c_str(), &info) == 0;
}

std::vector<CDraftStore::COrphan> CDraftStore::FindOrphans()
{
    std::vector<COrphan> orphans;
    if (m_lockFd < 0)
        return orphans;
    for (const std::string& name : Names(m_folder)) {
        if (!EndsWith(name, kDraftSuffix))
            continue;
        const std::string id = name.substr(0, name.size() - std::strlen(kDraftSuffix));
        if (id == m_id)
            continue;
        COrphan orphan;
        orphan.draft = m_folder / name;
        orphan.lock = m_folder / (id + kLockSuffix);
        orphan.lockFd = TryLock(orphan.lock);
        if (orphan.lockFd < 0)
            continue;  // its instance runs
        struct stat info;
        // Gone or replaced since the folder was listed: another start took it first.
        if (::lstat(orphan.draft.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            !ReadWhole(orphan.draft, orphan.bytes))
            continue;
        orphan.saved = info.st_mtim;
        orphans.push_back(std::move(orphan));
    }
    std::sort(orphans.begin(), orphans.end(), [](const COrphan& a, const COrphan& b) {
        return a.saved.tv_sec != b.saved.tv_sec ? a.saved.tv_sec > b.saved.tv_sec : a.saved.tv_nsec > b.saved.tv_nsec;
    });
    return orphans;
}

int CDraftStore::Adopt(COrphan& orphan)
{
    if (m_lockFd < 0 || orphan.lockFd < 0)
        return 0;
    if (::rename(orphan.draft.c_str(), GetDraftPath().c_str()) != 0)
        return 0;
    SyncFolder(m_folder);
    ::unlink(orphan.lock.c_str());
    orphan.Release();
    return 1;
}

void CDraftStore::Discard(COrphan& orphan)
{
    if (orphan.lockFd < 0)
        return;
    std::vector<CDraftRecord> records;
    const std::string temp = CMailDraft::Parse(orphan.bytes, records) ? CMailDraft::TempPathOf(records) : std::string();
    // The draft first: a kill in between leaves a folder that the next start's clean-up takes.
    ::unlink(orphan.draft.c_str());
    SyncFolder(m_folder);
    if (!temp.empty() && IsUnderTemp(temp, m_dataFolder / "TEMP"))
        RemoveTree(temp);
    ::unlink(orphan.lock.c_str());
    orphan.Release();
}

std::string CDraftStore::SetAside(COrphan& orphan)
{
    if (orphan.lockFd < 0)
        return std::string();
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string name = orphan.draft.FileName().Native() + ".broken-" + stamp;
    if (::rename(orphan.draft.c_str(), (m_folder / name).c_str()) != 0)
        return std::string();
    ::unlink(orphan.lock.c_str());
    orphan.Release();
    return name;
}

int CDraftStore::CleanUp(const std::set<std::string>& keep)
{
    if (m_dataFolder.IsEmpty())
        return 0;
    // Unfinished writes and lock files of runs that have ended.
    std::set<std::string> kept = keep;
    const std::vector<std::string> names = Names(m_folder);
    for (const std::string& name : names) {
        std::string id;
        if (EndsWith(name, kTempSuffix))
            id = name.substr(0, name.size() - std::strlen(kTempSuffix));
        else if (EndsWith(name, kLockSuffix))
            id = name.substr(0, name.size() - std::strlen(kLockSuffix));
        if (!id.empty() && id != m_id) {
            const CPath lock = m_folder / (id + kLockSuffix);
            const bool hasDraft = std::find(names.begin(), names.end(), id + kDraftSuffix) != names.end();
            // A lock file is only taken away well after it was made: a start that has just
            // made its own has not locked it yet.
            struct stat info;
            const bool old = ::lstat(lock.c_str(), &info) != 0 || std::time(nullptr) - info.st_mtim.tv_sec > kLockGraceSeconds;
            if (old && IsLockFree(lock) && (EndsWith(name, kTempSuffix) || !hasDraft))
                ::unlink((m_folder / name).c_str());
        }
        // Every draft, of a running instance or not, keeps the folder it refers to.
        if (EndsWith(name, kDraftSuffix)) {
            std::string bytes;
            std::vector<CDraftRecord> records;
            if (ReadWhole(m_folder / name, bytes) && CMailDraft::Parse(bytes, records)) {
                const std::string temp = CMailDraft::TempPathOf(records);
                if (!temp.empty())
                    kept.insert(temp);
            }
        }
    }

    int removed = 0;
    const CPath tempRoot = m_dataFolder / "TEMP";
    for (const std::string& name : Names(tempRoot)) {
        const CPath folder = tempRoot / name;
        struct stat info;
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        const pid_t pid = PidOfTempFolder(name);
        if (pid == 0 || IsRunning(pid) || kept.count(folder.Native()) != 0)
            continue;
        RemoveTree(folder.Native());
        ++removed;
    }
    return removed;
}
