#include "res/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap Draw(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    // The envelope.
    painter.setPen(QPen(QColor(40, 60, 110), 1.2));
    painter.setBrush(QColor(245, 240, 225));
    painter.drawRoundedRect(QRectF(2.5, 9.5, 24, 17), 1.5, 1.5);
    QPainterPath flap;
    flap.moveTo(2.5, 10.5);
    flap.lineTo(14.5, 19.5);
    flap.lineTo(26.5, 10.5);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);
    // The quill.
    QPainterPath quill;
    quill.moveTo(30, 2);
    quill.cubicTo(22, 4, 17, 11, 15, 20);
    quill.cubicTo(20, 15, 26, 11, 30, 2);
    painter.setPen(QPen(QColor(120, 30, 30), 0.8));
    painter.setBrush(QColor(200, 60, 50));
    painter.drawPath(quill);
    painter.setPen(QPen(QColor(60, 20, 20), 1.0));
    painter.drawLine(QPointF(15, 20), QPointF(13, 24));
    return pixmap;
}

}  // namespace

QIcon ProgramIcon()
{
    static const QIcon icon = [] {
        QIcon made;
        for (int size : {16, 24, 32, 48, 64})
            made.addPixmap(Draw(size));
        return made;
    }();
    return icon;
}
