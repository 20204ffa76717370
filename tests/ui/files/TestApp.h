#pragma once
// One QApplication for the whole test program (the offscreen platform is set by the test
// helper), and the folder the tests render their widgets into.

#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <ostream>

#include <gtest/gtest.h>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{' << list.join(u", "_qs).toStdString() << '}';
}
inline void PrintTo(const QUrl& url, std::ostream* out)
{
    *out << url.toString().toStdString();
}

class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "quillon-test";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const kQtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

// Saves what `widget` shows as <screenshot folder>/<name>.png; false when that fails.
inline bool SaveScreenshot(QWidget* widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(QUILLON_SCREENSHOTS));
    return widget->grab().save(QStringLiteral(QUILLON_SCREENSHOTS) + u'/' + name + u".png"_qs);
}
