#include "command/CStandardEdit.h"

#include "command/Clipboard_p.h"

#include <QKeyEvent>

CStandardEdit::CStandardEdit(QWidget* parent) : QLineEdit(parent)
{
}

int CStandardEdit::IsSelected() const
{
    return hasSelectedText() ? 1 : 0;
}

void CStandardEdit::EnableIME(int enable)
{
    Qt::InputMethodHints hints = inputMethodHints();
    hints.setFlag(Qt::ImhLatinOnly, enable == 0);
    setInputMethodHints(hints);
}

int CStandardEdit::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != this || msg->event->type() != QEvent::KeyPress)
        return 0;
    auto* key = static_cast<QKeyEvent*>(msg->event);
    if (key->key() == Qt::Key_Delete && !hasSelectedText()) {
        keyPressEvent(key);
        return 1;
    }
    if (key->key() == Qt::Key_Henkan && hasSelectedText())
        return 1;
    return 0;
}

void CStandardEdit::ProcessEditCopy()
{
    copy();
}

void CStandardEdit::ProcessEditCut()
{
    if (!isReadOnly())
        cut();
}

void CStandardEdit::ProcessEditPaste()
{
    if (!isReadOnly())
        paste();
}

void CStandardEdit::ProcessEditDelete()
{
    // Clears the selection only; without one nothing happens.
    if (!isReadOnly() && hasSelectedText())
        del();
}

void CStandardEdit::ProcessEditSelectAll()
{
    selectAll();
}

void CStandardEdit::ProcessEditUndo()
{
    undo();
}

int CStandardEdit::UpadateEditCopy()
{
    return IsSelected();
}

int CStandardEdit::UpadateEditCut()
{
    return !isReadOnly() && hasSelectedText() ? 1 : 0;
}

int CStandardEdit::UpadateEditPaste()
{
    return !isReadOnly() && ClipboardHasText() ? 1 : 0;
}

int CStandardEdit::UpadateEditDelete()
{
    return !isReadOnly() && hasSelectedText() ? 1 : 0;
}

int CStandardEdit::UpadateEditSelectAll()
{
    return text().isEmpty() ? 0 : 1;
}

int CStandardEdit::UpadateEditUndo()
{
    return isUndoAvailable() ? 1 : 0;
}
