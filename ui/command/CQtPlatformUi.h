#pragma once
// The Qt side of what the mail library asks of a user interface: the progress dialog, the
// message pump, the paint-only pump of socket waits and message boxes. The program creates
// one after its QApplication and installs it with CPlatformUi::Set; destroying it uninstalls
// it. A CWnd* handed through the mail library is a QWidget* (QtWindow.h).

#include "model/CPlatformUi.h"

class CQtPlatformUi : public CPlatformUi {
public:
    CQtPlatformUi() = default;
    ~CQtPlatformUi() override;
    CQtPlatformUi(const CQtPlatformUi&) = delete;
    CQtPlatformUi& operator=(const CQtPlatformUi&) = delete;

    // A shown CProgressDlg; null without a QApplication.
    std::unique_ptr<CProgressView> CreateProgressDlg(const CString& title, int showCancel,
                                                     CWnd* parent) override;
    // One idle pass (the dispatcher's aboutToBlock, where the menus are refreshed), then the
    // waiting events, then a second idle pass when there were any.
    void DoEvents() override;
    // Repaints and other non-input events only; no key press or click is taken.
    void PumpPaint() override;
    // The one Qt message box of the system: a modal QMessageBox with the buttons and icon of
    // `type`, the first button the default one; Esc answers Cancel, or No on a Yes/No box.
    int MessageBox(CWnd* parent, const CString& text, const CString& caption,
                   unsigned int type) override;
};

class QString;
class QWidget;

// The message-box route (model/CPlatformUi.h) for Qt code: texts as QString, a widget as
// parent. Write the texts as u"" literals: a narrow literal is code page 932, not UTF-8.
int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned int type);
