#include "command/CProgressDlg.h"

#include "command/CommandIds.h"
#include "command/DialogUnits.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

using namespace Qt::StringLiterals;

CProgressDlg::CProgressDlg(const QString& title, int showCancel, QWidget* owner)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      cancel_(new QPushButton(u"ｷｬﾝｾﾙ"_s, this)),
      progress_(new QProgressBar(this)),
      title_(title),
      showCancel_(showCancel),
      owner_(owner)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    SetControlId(progress_, IDC_PROGRESS);
    SetControlId(cancel_, IDCANCEL);

    setFixedSize(MapDialogSize(font(), QSize(219, 57)));
    progress_->setGeometry(MapDialogRect(font(), QRect(17, 17, 186, 14)));
    cancel_->setGeometry(MapDialogRect(font(), QRect(85, 36, 50, 14)));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::OnCancel);

    setWindowTitle(title_);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    cancel_->setVisible(showCancel_ != 0);

    if (owner_ != nullptr && owner_->isEnabled()) {
        owner_->setEnabled(false);
        disabledOwner_ = true;
    }
}

CProgressDlg::~CProgressDlg()
{
    if (disabledOwner_ && owner_ != nullptr)
        owner_->setEnabled(true);
}

void CProgressDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (owner_ != nullptr && windowHandle() != nullptr) {
        if (QWindow* ownerWindow = owner_->window()->windowHandle())
            windowHandle()->setTransientParent(ownerWindow);
    }
}

void CProgressDlg::SetPos(int percent)
{
    progress_->setValue(percent);
}

void CProgressDlg::OnCancel()
{
    continue_ = 0;
}

void CProgressDlg::reject()
{
    if (showCancel_ != 0)
        OnCancel();
}

void CProgressDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (showCancel_ != 0)
        OnCancel();
}
