#pragma once
// Clipboard checks shared by the standard controls.

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

// Whether the clipboard holds plain text (a bitmap or a private format alone does not count).
inline bool ClipboardHasText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return data != nullptr && data->hasText();
}
