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
        if (!watched->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(watched);
        MSG msg{target, event};
        if (event->type() == QEvent::ShortcutOverride) {
            // Accepting the override keeps a key of an accelerator table from Qt's shortcut
            // map; it then comes back as a key press, below.
            for (QWidget* widget = target; widget != nullptr; widget = widget->parentWidget()) {
                auto* handler = dynamic_cast<CPreTranslateMessage*>(widget);
                if (handler != nullptr && handler->IsPreTranslatedKey(&msg) != 0) {
                    event->accept();
                    return true;
                }
                if (widget->isWindow())
                    break;
            }
            return false;
        }
        // A key press that the focus widget ignores travels on to its parents through this
        // filter again, no longer marked spontaneous; it has already been offered to them.
        if (event->type() != QEvent::KeyPress || !event->spontaneous())
            return false;
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
