#pragma once
// Dialog units, the coordinates of the dialog resources: one horizontal unit is a quarter
// of the dialog font's average character width, one vertical unit an eighth of its height.

#include <QFont>
#include <QRect>

QRect MapDialogRect(const QFont& font, const QRect& units);
QSize MapDialogSize(const QFont& font, const QSize& units);
