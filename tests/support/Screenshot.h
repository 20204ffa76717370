#pragma once
// Renders a window as the user sees it into build/screenshots/<IDD>_<name>.png, where IDD is
// the dialog's template id (a CCommandDlg), else its control id, else 0. Look at the
// pictures whenever a dialog changes; a screenshot alone asserts nothing.

#include "command/CCommandDlg.h"
#include "command/CommandIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QWidget>

inline QString ScreenshotPath(QWidget* widget, const QString& name)
{
    unsigned int id = 0;
    if (auto* dialog = dynamic_cast<CCommandDlg*>(widget)) id = dialog->GetTemplateId();
    else id = static_cast<unsigned int>(GetControlId(widget));
    return QStringLiteral(QUILLON_SCREENSHOTS) + u'/' + QString::number(id) + QStringLiteral("_") + name + QStringLiteral(".png");
}

// False when the picture could not be written.
inline bool SaveScreenshot(QWidget* widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(QUILLON_SCREENSHOTS));
    QCoreApplication::processEvents();
    return widget->grab().save(ScreenshotPath(widget, name));
}
