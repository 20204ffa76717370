#include "command/CQtPlatformUi.h"

#include "command/CProgressDlg.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "encoding/CCodePage.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMessageBox>

namespace {

void RunIdle(QAbstractEventDispatcher* dispatcher)
{
    emit dispatcher->aboutToBlock();
}

// Enough rounds to empty the queue; a timer that fires without pause cannot hold the
// caller here forever.
constexpr int kMaxRounds = 100;

}  // namespace

CQtPlatformUi::~CQtPlatformUi()
{
    if (CPlatformUi::Get() == this)
        CPlatformUi::Set(nullptr);
}

std::unique_ptr<CProgressView> CQtPlatformUi::CreateProgressDlg(const CString& title, int showCancel,
                                                                CWnd* parent)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    auto dialog = std::make_unique<CProgressDlg>(ToQString(title), showCancel, FromCWnd(parent));
    dialog->show();
    return dialog;
}

void CQtPlatformUi::DoEvents()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr)
        return;
    RunIdle(dispatcher);
    bool any = false;
    for (int round = 0; round < kMaxRounds; ++round) {
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
        any = true;
    }
    if (any)
        RunIdle(dispatcher);
}

void CQtPlatformUi::PumpPaint()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CQtPlatformUi::MessageBox(CWnd* parent, const CString& text, const CString& caption,
                               unsigned int type)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QMessageBox box(icon, ToQString(caption), ToQString(text), QMessageBox::Ok, FromCWnd(parent));
    box.exec();
}
