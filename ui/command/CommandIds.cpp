#include "command/CommandIds.h"

#include <QAction>
#include <QMenu>
#include <QVariant>
#include <QWidget>

QAction* CreateCommandAction(UINT id, const QString& text, QObject* parent)
{
    auto* action = new QAction(text, parent);
    SetCommandId(action, id);
    return action;
}

UINT GetCommandId(const QObject* object)
{
    if (object == nullptr)
        return 0;
    return object->property(kCommandIdProperty).toUInt();
}

void SetCommandId(QObject* object, UINT id)
{
    object->setProperty(kCommandIdProperty, id);
}

QAction* FindCommandAction(const QWidget* menu, UINT id)
{
    if (menu == nullptr)
        return nullptr;
    for (QAction* action : menu->actions()) {
        if (GetCommandId(action) == id)
            return action;
        if (QAction* found = FindCommandAction(action->menu(), id))
            return found;
    }
    return nullptr;
}

void SetControlId(QWidget* control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

int GetControlId(const QWidget* control)
{
    if (control == nullptr)
        return 0;
    return control->property(kControlIdProperty).toInt();
}

QWidget* GetDlgItem(const QWidget* dialog, int id)
{
    if (dialog == nullptr)
        return nullptr;
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (GetControlId(child) == id)
            return child;
    }
    return nullptr;
}
