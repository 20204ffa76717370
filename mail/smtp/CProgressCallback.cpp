#include "smtp/CProgressCallback.h"

#include <ctime>

CProgressCallback::CProgressCallback(const char* title, int showCancel, CWnd* parent)
    : title_(title), showCancel_(showCancel), parent_(parent)
{
}

CProgressCallback::~CProgressCallback()
{
    dialog_.reset();
}

int CProgressCallback::Start(std::uint64_t total)
{
    total_ = total ? total : 100;
    done_ = 0;
    canceled_ = 0;
    dialog_.reset();
    if (CPlatformUi* ui = CPlatformUi::Get()) {
        dialog_ = ui->CreateProgressDlg(title_, showCancel_, parent_);
    }
    DoEvents();
    return dialog_ ? 1 : 0;
}

int CProgressCallback::Callback(unsigned int step)
{
    done_ += step;
    int result = 1;
    if (dialog_) {
        // 64 bits: a message of a few hundred megabytes times 100 overflows 32.
        unsigned long long percent =
            done_ <= total_ ? static_cast<unsigned long long>(done_) * 100 / total_ : 100;
        dialog_->SetPos(static_cast<int>(percent));
        result = dialog_->GetContinueFlag();
    }
    if (result == 0) {
        Complete();
        canceled_ = 1;
    }
    DoEvents();
    return result;
}

void CProgressCallback::Complete()
{
    done_ = total_;
    if (!dialog_) return;
    dialog_->SetPos(100);
    DoEvents();
    // Lets the user see the full bar before the dialog goes.
    // (<chrono> cannot be compiled with the code page 932 literals of this project.)
    const timespec pause{0, 100 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
    dialog_.reset();
}

int CProgressCallback::UserCanceled()
{
    return canceled_;
}

void CProgressCallback::DoEvents()
{
    if (CPlatformUi* ui = CPlatformUi::Get()) ui->DoEvents();
}
