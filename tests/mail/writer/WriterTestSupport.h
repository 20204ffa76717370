#pragma once
// Fakes shared by the writer, saving and progress tests: a fixed clock / process / host, a
// stream into memory that can fail on a chosen write, and a user interface that records
// what the library asked of it.

#include "model/CPlatformUi.h"
#include "writer/CMailEnvironment.h"
#include "writer/COutputStream.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// Mon, 07 Dec 2026 22:21:06 in Japan; process 1234 on host "pc01".
class FixedEnvironment : public CMailEnvironment {
public:
    std::time_t now = 1796649666;
    int pid = 1234;
    CString host = "pc01";
    std::time_t Now() const override { return now; }
    int ProcessId() const override { return pid; }
    CString HostName() const override { return host; }
};

// Installs a fixed environment and a time zone for the life of the object.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const char* zone = "JST-9")
    {
        const char* old = std::getenv("TZ");
        hadZone_ = old != nullptr;
        if (old) oldZone_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
        CMailEnvironment::Set(&environment);
    }
    ~ScopedEnvironment()
    {
        CMailEnvironment::Set(nullptr);
        if (hadZone_) ::setenv("TZ", oldZone_.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
    FixedEnvironment environment;

private:
    bool hadZone_ = false;
    std::string oldZone_;
};

// Collects every piece written; fails from write number `failAt` (0-based) on when set.
class MemoryStream : public COutputStream {
public:
    std::string text;
    std::vector<std::string> pieces;
    int failAt = -1;
    int Open() override { return 1; }
    void Close() override {}
    int WriteString(const char* piece) override
    {
        if (failAt >= 0 && static_cast<int>(pieces.size()) >= failAt) return 0;
        pieces.emplace_back(piece);
        text += piece;
        return 1;
    }
};

struct ProgressRecord {
    CString title;
    int showCancel = 0;
    CWnd* parent = nullptr;
    std::vector<int> positions;
    int destroyed = 0;
};

class FakeProgressView : public CProgressView {
public:
    FakeProgressView(std::shared_ptr<ProgressRecord> record, int cancelAfter)
        : record_(std::move(record)), cancelAfter_(cancelAfter)
    {
    }
    ~FakeProgressView() override { record_->destroyed = 1; }
    void SetPos(int percent) override { record_->positions.push_back(percent); }
    int GetContinueFlag() const override
    {
        return cancelAfter_ < 0 || static_cast<int>(record_->positions.size()) < cancelAfter_;
    }

private:
    std::shared_ptr<ProgressRecord> record_;
    int cancelAfter_;
};

struct MessageBoxRecord {
    CString text;
    CString caption;
    unsigned int type;
};

// Records dialogs and message boxes; installed for the life of the object.
class FakeUi : public CPlatformUi {
public:
    FakeUi() { CPlatformUi::Set(this); }
    ~FakeUi() override { CPlatformUi::Set(nullptr); }

    // The user presses cancel once the bar has moved this many times (-1: never).
    int cancelAfter = -1;
    bool failCreate = false;
    int events = 0;
    std::vector<std::shared_ptr<ProgressRecord>> dialogs;
    std::vector<MessageBoxRecord> boxes;

    std::unique_ptr<CProgressView> CreateProgressDlg(const CString& title, int showCancel,
                                                     CWnd* parent) override
    {
        if (failCreate) return nullptr;
        auto record = std::make_shared<ProgressRecord>();
        record->title = title;
        record->showCancel = showCancel;
        record->parent = parent;
        dialogs.push_back(record);
        return std::make_unique<FakeProgressView>(record, cancelAfter);
    }
    void DoEvents() override { ++events; }
    void PumpPaint() override {}
    int MessageBox(CWnd*, const CString& text, const CString& caption, unsigned int type) override
    {
        boxes.push_back({text, caption, type});
        return IDOK;
    }
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
