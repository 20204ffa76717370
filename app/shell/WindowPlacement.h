#pragma once
// Where a window goes when its stored position may no longer be on a screen (a monitor
// removed, a smaller screen): the stored position when the whole window fits inside one
// screen's available area there, else the nearest position on the screen it overlaps most
// (the first screen when it overlaps none) at which it is fully visible; a window larger
// than that screen goes to the screen's top-left corner.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

QPoint FullyVisiblePosition(const QPoint& stored, const QSize& size, const QList<QRect>& screens);
// The available areas of the screens, the primary one first.
QList<QRect> AvailableScreenAreas();
