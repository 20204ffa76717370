#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

QPoint FullyVisiblePosition(const QPoint& stored, const QSize& size, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return stored;
    const QRect window(stored, size);
    for (const QRect& screen : screens) {
        if (screen.contains(window))
            return stored;
    }
    QRect target = screens.first();
    qint64 best = 0;
    for (const QRect& screen : screens) {
        const QRect overlap = screen.intersected(window);
        const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (area > best) {
            best = area;
            target = screen;
        }
    }
    const int x = std::max(target.left(), std::min(stored.x(), target.right() + 1 - size.width()));
    const int y = std::max(target.top(), std::min(stored.y(), target.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

QList<QRect> AvailableScreenAreas()
{
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    }
    return areas;
}
