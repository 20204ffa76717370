#include "model/CPlatformUi.h"

namespace {
CPlatformUi* installed = nullptr;
}

CPlatformUi* CPlatformUi::Get()
{
    return installed;
}

void CPlatformUi::Set(CPlatformUi* ui)
{
    installed = ui;
}

int UnattendedAnswer(unsigned int type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
    }
}

int MessageBox(CWnd* parent, const CString& text, const CString& caption, unsigned int type)
{
    if (installed != nullptr) return installed->MessageBox(parent, text, caption, type);
    return UnattendedAnswer(type);
}
