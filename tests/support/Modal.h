#pragma once
// Modal dialogs in tests: the code under test opens a dialog with exec() and waits; the
// helper runs an action on that dialog from inside its event loop.

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <type_traits>

// Runs `action` on the next modal dialog of type T (or any modal widget for QWidget) once it
// is shown; polls for it for up to five seconds, then fails the test.
template <typename T = QWidget>
void OnNextModal(std::type_identity_t<std::function<void(T*)>> action)
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [action, timer, poll] {
        QWidget* modal = QApplication::activeModalWidget();
        if (T* dialog = qobject_cast<T*>(modal); dialog != nullptr && dialog->isVisible()) {
            action(dialog);
            *poll = nullptr;  // breaks the self-reference
            return;
        }
        if (timer->elapsed() > 5000) {
            ADD_FAILURE() << "no modal dialog of the expected type appeared";
            if (modal != nullptr)
                modal->close();
            *poll = nullptr;
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}
