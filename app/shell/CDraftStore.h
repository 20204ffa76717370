#pragma once
// Where the drafts of this program's instances live and how they are written: one draft per
// running instance, "<data folder>/Drafts/<id>.draft", beside a lock file "<id>.lock" that
// the instance holds (flock) for its whole life. A draft whose lock nobody holds belongs to a
// run that ended before its message was sent or discarded (a crash, a kill, a logout): the
// next start offers it. Two instances never take each other's draft, and of two starts at
// once only one takes an orphan, since it holds that orphan's lock while it asks.
//
// A draft is written atomically: a new file "<id>.draft.tmp", written and synced, renamed over
// the old draft, and the folder synced; a run killed at any moment leaves the previous draft
// or the new one, never a part of either. docs/PLATFORM.md "Drafts" has the format.
//
// Also here: the start's clean-up of the document folders under "<data folder>/TEMP" that
// runs which ended without clearing their document left behind. No Qt.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <vector>

class CDraftStore {
public:
    // The steps of Save, for tests that end the process between them.
    enum SaveStep { StepWritten = 1, StepSynced = 2, StepRenamed = 3 };

    // A draft left by a run that has ended, locked while this object holds it.
    struct COrphan {
        CPath draft;
        CPath lock;
        int lockFd = -1;
        std::string bytes;       // the whole file as read
        std::timespec saved{};   // when it was written
        COrphan() = default;
        COrphan(COrphan&& other) noexcept;
        COrphan& operator=(COrphan&& other) noexcept;
        COrphan(const COrphan&) = delete;
        COrphan& operator=(const COrphan&) = delete;
        ~COrphan();
        void Release();
    };

    explicit CDraftStore(CPath dataFolder);
    ~CDraftStore();
    CDraftStore(const CDraftStore&) = delete;
    CDraftStore& operator=(const CDraftStore&) = delete;

    // Makes the folder (mode 0700) and this instance's id and takes its lock; 0 when the
    // folder cannot be made (drafts are then not kept; the program works on).
    [[nodiscard]] int Open();
    int IsOpen() const { return m_lockFd >= 0; }
    const CPath& GetFolder() const { return m_folder; }
    CPath GetDraftPath() const;

    // Writes `bytes` as this instance's draft, atomically; 0 with an error text in `detail`
    // (the previous draft stays as it was).
    [[nodiscard]] int Save(const std::string& bytes, CString& detail);
    // The message was sent or discarded: the draft goes.
    void Remove();
    int HasDraft() const;

    // The drafts of runs that have ended, newest first, each locked and read.
    std::vector<COrphan> FindOrphans();
    // Makes `orphan` this instance's draft (a rename, so that a kill at any moment leaves it
    // under one name or the other); 0 when it cannot.
    int Adopt(COrphan& orphan);
    // Deletes `orphan` and the document folder it refers to (only ever a folder under TEMP).
    void Discard(COrphan& orphan);
    // Sets a draft that cannot be read aside as "<id>.draft.broken-<yyyymmdd-hhmmss>";
    // returns the new name's last part (empty when it could not be moved).
    std::string SetAside(COrphan& orphan);

    // Removes what ended runs left: document folders "TEMP/<time>_<pid>[_n]" whose process no
    // longer runs and that no draft refers to (nor `keep`), and unfinished "*.draft.tmp" and
    // lock files of drafts that are gone. Returns the number of folders removed.
    int CleanUp(const std::set<std::string>& keep = {});

    // Called after each step of Save (tests end the process there); empty by default.
    static std::function<void(SaveStep)> afterStep;

private:
    CPath m_dataFolder;
    CPath m_folder;
    std::string m_id;
    int m_lockFd = -1;
};
