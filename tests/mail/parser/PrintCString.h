#pragma once
// Lets GoogleTest show a code page 932 CString as readable UTF-8 in failure messages.
#include "encoding/CCodePage.h"

#include <ostream>

inline void PrintTo(const CString& text, std::ostream* os)
{
    *os << '"' << CCodePage::ToUtf8(text) << '"';
}
