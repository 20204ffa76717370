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
        if (event->type() != QEvent::KeyPress || !event->spontaneous() || !watched->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        // A key press the focus widget ignores travels on to its parents through this filter
        // again; it has already been offered to all of them.
        if (key == lastEvent_ && key->timestamp() == lastTimestamp_ && lastTarget_ != nullptr &&
            target->isAncestorOf(lastTarget_))
            return false;
        lastEvent_ = key;
        lastTimestamp_ = key->timestamp();
        lastTarget_ = target;

        MSG msg{target, event};
        for (QWidget* widget = target; widget != nullptr; widget = widget->parentWidget()) {
            if (auto* handler = dynamic_cast<CPreTranslateMessage*>(widget)) {
                if (handler->PreTranslateMessage(&msg) != 0)
                    return true;
            }
            if (widget->isWindow())
                break;
        }
        return false;
    }

private:
    const QKeyEvent* lastEvent_ = nullptr;
    quint64 lastTimestamp_ = 0;
    QPointer<QWidget> lastTarget_;
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
