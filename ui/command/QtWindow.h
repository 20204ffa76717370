#pragma once
// The mail library knows a window only as an opaque CWnd*; in VeltoUI that pointer is a
// QWidget*. The two conversions are the only place where the cast happens.

#include <QWidget>

class CWnd;

inline QWidget* FromCWnd(CWnd* wnd)
{
    return reinterpret_cast<QWidget*>(wnd);
}

inline CWnd* ToCWnd(QWidget* widget)
{
    return reinterpret_cast<CWnd*>(widget);
}
