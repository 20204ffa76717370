#include "command/CPreTranslate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

class CPreTranslateFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A key press that the focus widget ignores travels on to its parents through this
        // filter again, no longer marked spontaneous; it has already been offered to them.
        if (event->type() != QEvent::KeyPress || !event->spontaneous() || !watched->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(watched);
        MSG msg{target, event};
        for (QWidget* widget = target; widget != nullptr; widget = widget->parentWidget()) {
            if (auto* handler = dynamic_cast<CPreTranslateMessage*>(widget)) {
                if (handler->PreTranslateMessage(&msg) != 0) {
                    event->accept();
                    return true;
                }
            }
            if (widget->isWindow())
                break;
        }
        return false;
    }
};

}  // namespace

void InstallPreTranslateFilter()
{
    static QPointer<CPreTranslateFilter> filter;
    if (filter != nullptr || qApp == nullptr)
        return;
    filter = new CPreTranslateFilter(qApp);
    qApp->installEventFilter(filter);
}
