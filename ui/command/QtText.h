#pragma once
// Text crossing between the system (code page 932) and Qt (UTF-16), through the one
// conversion point. Every widget of the library converts with these.

#include "encoding/CCodePage.h"
#include "encoding/CString.h"

#include <QString>

inline QString ToQString(const CString& text)
{
    return QString::fromStdString(CCodePage::ToUtf8(text));
}

// A null text is the empty string.
inline QString ToQString(const char* text)
{
    return text ? ToQString(CString(text)) : QString();
}

inline CString FromQString(const QString& text)
{
    return CCodePage::FromUtf8(text.toStdString());
}
