#pragma once
// Test helpers of the letter editor: the program's QApplication (QtTestApp.h) and key
// presses as the event loop delivers them.

#include "QtTestApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSpontaneKeyEvent>


// A key press and release as the event loop delivers them (spontaneous, each with a
// timestamp of its own), so that the dialogs' pre-translation sees every one of them.
inline void PressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    static quint64 timestamp = 1000;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    press.setTimestamp(++timestamp);
    QSpontaneKeyEvent::setSpontaneous(&press);
    QApplication::instance()->notify(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    release.setTimestamp(++timestamp);
    QSpontaneKeyEvent::setSpontaneous(&release);
    QApplication::instance()->notify(widget, &release);
}
