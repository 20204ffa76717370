#pragma once
// The one QApplication of a letter-editor test program, created on first use.

#include <QApplication>
#include <QKeyEvent>
#include <QSpontaneKeyEvent>

inline QApplication& LetterTestApp()
{
    static int argc = 1;
    static char name[] = "letter-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

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
