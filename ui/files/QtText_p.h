#pragma once
// Text crossing between the system (code page 932) and Qt (UTF-16), through the one
// conversion point.

#include "encoding/CCodePage.h"
#include "encoding/CString.h"

#include <QString>

inline QString ToQString(const CString& text)
{
    return QString::fromStdString(CCodePage::ToUtf8(text));
}

inline CString FromQString(const QString& text)
{
    return CCodePage::FromUtf8(text.toStdString());
}
