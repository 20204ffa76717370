#pragma once
// Key presses as the event loop delivers them (spontaneous, each with a timestamp of its
// own), so that the dialogs' pre-translation and accelerator tables see every one of them.

#include <QApplication>
#include <QKeyEvent>
#include <QSpontaneKeyEvent>
#include <QWidget>

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

// A key press to whatever widget has the keyboard focus (or `fallback` when none has).
inline void PressKeyOnFocus(QWidget* fallback, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    PressKey(target != nullptr ? target : fallback, key, modifiers);
}
