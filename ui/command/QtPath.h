#pragma once
// Paths crossing between the system (CPath: the file system's own bytes) and Qt. Qt holds a
// file name as UTF-16 and turns it into the file system's bytes with QFile::encodeName
// (UTF-8 on Linux); a URL of a drop or a paste is taken from its percent-encoded bytes, so a
// name that is not UTF-8 arrives as it is. A path is shown to the user only as
// ToQString(path.ToText()), like every other text.

#include "model/CPath.h"

#include <QByteArray>
#include <QFile>
#include <QMimeData>
#include <QString>
#include <QUrl>

#include <vector>

inline CPath FromQtPath(const QString& path)
{
    return CPath::FromNative(QFile::encodeName(path).toStdString());
}

// For Qt's own file classes (QFileInfo, QFile, QFileDialog).
inline QString ToQtPath(const CPath& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.Native()));
}

// The path of a "file:" URL on this machine; empty for any other URL.
inline CPath PathFromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return CPath();
    return CPath::FromNative(
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
}

inline QUrl UrlFromPath(const CPath& path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path.Native()).toPercentEncoding("/"));
}

// The local files a drop or a paste carries, in order.
inline std::vector<CPath> LocalFilePaths(const QMimeData* data)
{
    std::vector<CPath> paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        CPath path = PathFromUrl(url);
        if (!path.IsEmpty())
            paths.push_back(std::move(path));
    }
    return paths;
}
