#pragma once
// Dialog 150: the main window of the program. It is never mapped: on X11 and Wayland a 0x0
// window would still be a window, so the visible page carries the task-bar entry and this
// dialog's title (the subject, or "新規メール") as its icon text (docs/PLATFORM.md).
// Closing it asks the wizard's current page to close.

#include <QDialog>

class CMailWizard;

class CMainDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 150 };

    CMainDlg();
    ~CMainDlg() override;

    void SetWizard(CMailWizard* wizard) { m_wizard = wizard; }
    // The close command: the current page decides (it may ask); returns whether the dialog
    // may close, which it may once the wizard has no current page.
    int OnClose();
    // Any system command: the current page comes forward.
    void OnSysCommand();

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CMailWizard* m_wizard = nullptr;
};
