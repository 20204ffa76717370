#pragma once
// What the mail library needs of a user interface, without knowing it: the progress
// dialog, the message pump, message boxes and the file dialog of message saving. VeltoUI
// installs a Qt implementation at start-up; without one (tests, command-line tools) every
// service runs silently: no dialog, no pump, the operation itself unchanged.
//
// MessageBox below is the one message-box route of the whole system: the mail library, the
// widgets library and the program all show their boxes through it.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <memory>

// A window of the program (a QWidget in VeltoUI); opaque to the mail library.
class CWnd;

// Answers and styles of a message box, with the framework's values.
enum { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
enum : unsigned int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_TYPEMASK = 0xF,
    MB_ICONHAND = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
    // The second button is the default one (a question whose safe answer is "No").
    MB_DEFBUTTON2 = 0x100,
};

// A file dialog the caller has prepared (title, filter, default name).
class CFileDialog {
public:
    virtual ~CFileDialog() = default;
    // IDOK when the user chose a file.
    virtual int DoModal() = 0;
    // The chosen path.
    virtual CPath GetPathName() const = 0;
};

// The progress dialog as CProgressCallback drives it. It disables its owner while it exists
// and enables it again when it is destroyed.
class CProgressView {
public:
    virtual ~CProgressView() = default;
    virtual void SetPos(int percent) = 0;
    // 1 until the user presses the cancel button, then 0; the dialog stays up.
    virtual int GetContinueFlag() const = 0;
};

class CPlatformUi {
public:
    virtual ~CPlatformUi() = default;

    // The installed implementation, or null. Not owned.
    static CPlatformUi* Get();
    static void Set(CPlatformUi* ui);

    // Creates and shows a modeless progress dialog owned by `parent`; null on failure.
    virtual std::unique_ptr<CProgressView> CreateProgressDlg(const CString& title, int showCancel,
                                                             CWnd* parent) = 0;
    // Idle processing, then every waiting message, then idle processing again.
    virtual void DoEvents() = 0;
    // Called between the slices of a socket wait: repaints only, no user input.
    virtual void PumpPaint() = 0;
    // A modal box; returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int MessageBox(CWnd* parent, const CString& text, const CString& caption,
                           unsigned int type) = 0;
};

// Shows a message box through the installed user interface and returns the button pressed.
// `type` is a button set (MB_OK, MB_YESNO, ...) with an icon (MB_ICONEXCLAMATION, ...).
// Without a user interface nothing is shown and nothing is agreed to: MB_OK answers IDOK,
// MB_YESNO IDNO, MB_OKCANCEL and MB_YESNOCANCEL IDCANCEL.
int MessageBox(CWnd* parent, const CString& text, const CString& caption, unsigned int type);

// The answer of a box that nobody saw (see MessageBox).
int UnattendedAnswer(unsigned int type);
