#include "command/DialogUnits.h"

#include <QFontMetrics>

namespace {

// The framework's base units: the average width of the 52 Latin letters and the height.
void BaseUnits(const QFont& font, int& baseX, int& baseY)
{
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = (letters / 26 + 1) / 2;
    baseY = metrics.height();
}

}  // namespace

QRect MapDialogRect(const QFont& font, const QRect& units)
{
    int baseX = 0;
    int baseY = 0;
    BaseUnits(font, baseX, baseY);
    return QRect(units.x() * baseX / 4, units.y() * baseY / 8, units.width() * baseX / 4,
                 units.height() * baseY / 8);
}

QSize MapDialogSize(const QFont& font, const QSize& units)
{
    return MapDialogRect(font, QRect(QPoint(0, 0), units)).size();
}
