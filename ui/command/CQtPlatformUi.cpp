#include "command/CQtPlatformUi.h"

#include "command/CProgressDlg.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "encoding/CCodePage.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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

int CQtPlatformUi::MessageBox(CWnd* parent, const CString& text, const CString& caption,
                              unsigned int type)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return UnattendedAnswer(type);
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
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case MB_YESNO:
        // As on the framework's box, a question cannot be closed without an answer; Esc says No.
        buttons = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    default:
        break;
    }
    QMessageBox box(icon, ToQString(caption), ToQString(text), buttons, FromCWnd(parent));
    // The first button is the default one, as on the framework's box; with MB_DEFBUTTON2
    // the second.
    const bool second = (type & MB_DEFBUTTON2) != 0;
    for (QMessageBox::StandardButton wanted : {second ? QMessageBox::No : QMessageBox::Ok,
                                               second ? QMessageBox::Cancel : QMessageBox::Yes}) {
        if (QAbstractButton* button = box.button(wanted)) {
            box.setDefaultButton(static_cast<QPushButton*>(button));
            break;
        }
    }
    box.setEscapeButton(escape);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return UnattendedAnswer(type);
    }
}

int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned int type)
{
    return MessageBox(ToCWnd(parent), FromQString(text), FromQString(caption), type);
}
