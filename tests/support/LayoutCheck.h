#pragma once
// Layout checks for rendered windows: every visible control inside the window, texts of
// buttons and labels unclipped; and the font resolution a run renders at, for screenshot names.

#include "command/CommandIds.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

// The font resolution the run renders at (QT_FONT_DPI, else the screen's).
inline QString Dpi()
{
    const QString forced = qEnvironmentVariable("QT_FONT_DPI");
    return forced.isEmpty() ? QString::number(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch())) : forced;
}

// Every visible control lies inside the window and shows its text unclipped (a wrapping
// label: all its lines).
inline void ExpectLaidOut(QWidget* window)
{
    window->show();
    QCoreApplication::processEvents();
    const QRect inside = window->rect();
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(window) || child->isWindow() || qobject_cast<QMenu*>(child) != nullptr)
            continue;
        const QRect placed(child->mapTo(window, QPoint(0, 0)), child->size());
        EXPECT_TRUE(inside.contains(placed)) << window->windowTitle().toStdString() << ": "
                                              << child->metaObject()->className() << " id " << GetControlId(child);
        if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text().remove(u'&')))
                << button->text().toStdString();
        }
        if (auto* label = qobject_cast<QLabel*>(child); label != nullptr && !label->text().isEmpty()) {
            // A label that wraps needs the height of its lines at its width.
            if (label->wordWrap()) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
            } else {
                EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text().remove(u'&')))
                    << label->text().toStdString();
            }
        }
    }
}

