#pragma once
// The one QApplication of a letter-editor test program, created on first use.

#include <QApplication>

inline QApplication& LetterTestApp()
{
    static int argc = 1;
    static char name[] = "letter-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
