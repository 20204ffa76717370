#pragma once
// The seam through which the program's own parts show a message box. The program installs
// a Qt implementation at start-up; without one (tests, tools) nothing is shown and the
// box answers IDOK. Tests install a recorder to see which message would have been shown.

#include "encoding/CString.h"
#include "model/CPlatformUi.h"  // IDOK, MB_OK, MB_ICONEXCLAMATION, ...

class CMessageUi {
public:
    virtual ~CMessageUi() = default;

    // The installed implementation, or null. Not owned.
    static CMessageUi* Get();
    static void Set(CMessageUi* ui);

    // Shows a modal message box; returns the button pressed (IDOK, ...).
    virtual int MessageBox(const CString& text, const CString& caption, unsigned int type) = 0;
};

// Shows `text` through the installed seam with the program's name as caption, as the
// framework's application message box does; IDOK without one.
int ShowMessageBox(const CString& text, unsigned int type = MB_OK);
