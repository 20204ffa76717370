#pragma once
// What the file-widget tests share beyond the one QApplication: readable Qt values in
// failure messages; screenshots come from the kit (Screenshot.h).

#include "QtTestApp.h"
#include "Screenshot.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <ostream>

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{' << list.join(u", "_qs).toStdString() << '}';
}

inline void PrintTo(const QUrl& url, std::ostream* out)
{
    *out << url.toString().toStdString();
}
