#pragma once
// Progress reporter handed to long operations (sending, saving). Shows a modeless progress
// dialog through CPlatformUi and pumps messages between steps; without an installed user
// interface it counts silently and Callback always returns 1. Lives on the caller's stack
// for one operation.

#include "encoding/CString.h"
#include "model/CPlatformUi.h"

#include <cstdint>
#include <memory>

class CProgressCallback {
public:
    CProgressCallback(const char* title, int showCancel, CWnd* parent);
    virtual ~CProgressCallback();
    CProgressCallback(const CProgressCallback&) = delete;
    CProgressCallback& operator=(const CProgressCallback&) = delete;

    // Opens the dialog for a new run over `total` units (0 means 100).
    int Start(std::uint64_t total);
    // Adds `step` to what is done; 0 once the user has cancelled.
    int Callback(unsigned int step);
    void Complete();
    int UserCanceled();

private:
    void DoEvents();

    CString title_;
    int showCancel_;
    CWnd* parent_;
    std::unique_ptr<CProgressView> dialog_;
    int canceled_ = 0;
    std::uint64_t total_ = 100;
    std::uint64_t done_ = 0;
};
