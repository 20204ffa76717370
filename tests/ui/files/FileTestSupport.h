#pragma once
// What the file-widget tests share beyond the one QApplication: readable Qt values in
// failure messages, and the folder the tests render their widgets into.

#include "QtTestApp.h"

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

// Saves what `widget` shows as <screenshot folder>/<name>.png; false when that fails.
inline bool SaveScreenshot(QWidget* widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(QUILLON_SCREENSHOTS));
    return widget->grab().save(QStringLiteral(QUILLON_SCREENSHOTS) + u'/' + name + u".png"_qs);
}
