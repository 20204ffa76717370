#include "command/CStandardCombo.h"

#include "command/Clipboard_p.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

CStandardCombo::CStandardCombo(QWidget* parent) : QComboBox(parent)
{
}

int CStandardCombo::IsSelected() const
{
    return lineEdit() != nullptr && lineEdit()->hasSelectedText() ? 1 : 0;
}

void CStandardCombo::EnableIME(int enable)
{
    Qt::InputMethodHints hints = inputMethodHints();
    hints.setFlag(Qt::ImhLatinOnly, enable == 0);
    setInputMethodHints(hints);
    if (lineEdit() != nullptr)
        lineEdit()->setInputMethodHints(hints);
}

void CStandardCombo::ProcessEditCopy()
{
    if (lineEdit() != nullptr)
        lineEdit()->copy();
}

void CStandardCombo::ProcessEditCut()
{
    if (lineEdit() != nullptr)
        lineEdit()->cut();
}

void CStandardCombo::ProcessEditPaste()
{
    if (lineEdit() != nullptr)
        lineEdit()->paste();
}

void CStandardCombo::ProcessEditDelete()
{
    QLineEdit* edit = lineEdit();
    if (edit != nullptr && edit->hasSelectedText()) {
        edit->del();
        return;
    }
    // Sent from code, so the dialog's Delete accelerator does not see it again.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(edit != nullptr ? static_cast<QWidget*>(edit) : this, &press);
}

void CStandardCombo::ProcessEditSelectAll()
{
    if (lineEdit() != nullptr)
        lineEdit()->selectAll();
}

void CStandardCombo::ProcessEditUndo()
{
    if (lineEdit() != nullptr)
        lineEdit()->undo();
}

int CStandardCombo::UpadateEditCopy()
{
    return IsSelected();
}

int CStandardCombo::UpadateEditCut()
{
    return IsSelected();
}

int CStandardCombo::UpadateEditPaste()
{
    return ClipboardHasText() ? 1 : 0;
}

int CStandardCombo::UpadateEditDelete()
{
    return 1;
}

int CStandardCombo::UpadateEditSelectAll()
{
    return lineEdit() != nullptr && !lineEdit()->text().isEmpty() ? 1 : 0;
}

int CStandardCombo::UpadateEditUndo()
{
    return lineEdit() != nullptr && lineEdit()->isUndoAvailable() ? 1 : 0;
}
