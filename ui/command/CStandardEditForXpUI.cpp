#include "command/CStandardEditForXpUI.h"

#include "command/Clipboard_p.h"
#include "encoding/CCodePage.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Code page 932 bytes of one character (a surrogate pair counts once, at its first half).
int Cp932Width(const QString& text, int pos)
{
    const char16_t c = text.at(pos).unicode();
    if (c < 0x80)
        return 1;
    if (c >= 0xFF61 && c <= 0xFF9F)
        return 1;
    if (QChar::isLowSurrogate(c))
        return 0;
    int length = QChar::isHighSurrogate(c) && pos + 1 < text.size() ? 2 : 1;
    return static_cast<int>(CCodePage::FromUtf8(text.mid(pos, length).toStdString()).GetLength());
}

int ByteOffset(const QString& text, int pos)
{
    int bytes = 0;
    for (int i = 0; i < pos && i < text.size(); ++i)
        bytes += Cp932Width(text, i);
    return bytes;
}

int CharPosition(const QString& text, int bytes)
{
    if (bytes < 0)
        return static_cast<int>(text.size());
    int done = 0;
    int i = 0;
    for (; i < text.size() && done < bytes; ++i)
        done += Cp932Width(text, i);
    return i;
}

// The display lines of a text edit as (block, line) texts, laid out as the widget shows them.
template <class TextEdit>
std::vector<QString> DisplayLines(TextEdit* edit)
{
    std::vector<QString> lines;
    QTextDocument* document = edit->document();
    auto* plainLayout = qobject_cast<QPlainTextDocumentLayout*>(document->documentLayout());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (plainLayout != nullptr)
            plainLayout->ensureBlockLayout(block);
        QTextLayout* layout = block.layout();
        const QString text = block.text();
        if (layout == nullptr || layout->lineCount() == 0) {
            lines.push_back(text);
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines.push_back(text.mid(line.textStart(), line.textLength()));
        }
    }
    return lines;
}

}  // namespace

CStandardEditForXpUI::~CStandardEditForXpUI()
{
    Detach();
}

int CStandardEditForXpUI::AttachDlgItem(QWidget* dialog, UINT id)
{
    if (dialog == nullptr)
        return 0;
    QWidget* item = GetDlgItem(dialog, static_cast<int>(id));
    if (item == nullptr)
        return 0;
    return Attach(item);
}

int CStandardEditForXpUI::Attach(QWidget* edit)
{
    if (qobject_cast<QLineEdit*>(edit) == nullptr && qobject_cast<QPlainTextEdit*>(edit) == nullptr &&
        qobject_cast<QTextEdit*>(edit) == nullptr)
        return 0;
    edit_ = edit;
    return 1;
}

QWidget* CStandardEditForXpUI::Detach()
{
    QWidget* edit = edit_;
    edit_ = nullptr;
    return edit;
}

namespace {

// Calls `f` with the attached widget as its concrete edit type; `otherwise` when detached.
template <class F, class R>
R WithEdit(QWidget* widget, F&& f, R otherwise)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return f(line);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        return f(plain);
    if (auto* rich = qobject_cast<QTextEdit*>(widget))
        return f(rich);
    return otherwise;
}

bool HasSelection(QLineEdit* edit) { return edit->hasSelectedText(); }
template <class TextEdit>
bool HasSelection(TextEdit* edit) { return edit->textCursor().hasSelection(); }

bool CanUndo(QLineEdit* edit) { return edit->isUndoAvailable(); }
template <class TextEdit>
bool CanUndo(TextEdit* edit) { return edit->document()->isUndoAvailable(); }

QString TextOf(QLineEdit* edit) { return edit->text(); }
QString TextOf(QPlainTextEdit* edit) { return edit->toPlainText(); }
QString TextOf(QTextEdit* edit) { return edit->toPlainText(); }

void ClearSelection(QLineEdit* edit) { edit->del(); }
template <class TextEdit>
void ClearSelection(TextEdit* edit)
{
    QTextCursor cursor = edit->textCursor();
    cursor.removeSelectedText();
    edit->setTextCursor(cursor);
}

void SelectAllVisible(QLineEdit* edit) { edit->selectAll(); }
template <class TextEdit>
void SelectAllVisible(TextEdit* edit)
{
    edit->selectAll();
    edit->ensureCursorVisible();
}

}  // namespace

int CStandardEditForXpUI::IsSelected() const
{
    return WithEdit(edit_, [](auto* e) { return HasSelection(e) ? 1 : 0; }, 0);
}

void CStandardEditForXpUI::EnableIME(int enable)
{
    if (edit_ == nullptr)
        return;
    Qt::InputMethodHints hints = edit_->inputMethodHints();
    hints.setFlag(Qt::ImhLatinOnly, enable == 0);
    edit_->setInputMethodHints(hints);
}

void CStandardEditForXpUI::SetSel(int start, int end, int noScroll)
{
    WithEdit(edit_, [&](auto* e) {
        const QString text = TextOf(e);
        using Edit = std::remove_pointer_t<decltype(e)>;
        if constexpr (std::is_same_v<Edit, QLineEdit>) {
            if (start < 0) {
                e->deselect();
                return 0;
            }
            const int from = CharPosition(text, start);
            const int to = CharPosition(text, end);
            e->setSelection(from, to - from);
        } else {
            QTextCursor cursor = e->textCursor();
            if (start < 0) {
                cursor.clearSelection();
            } else {
                cursor.setPosition(CharPosition(text, start));
                cursor.setPosition(CharPosition(text, end), QTextCursor::KeepAnchor);
            }
            e->setTextCursor(cursor);
            if (noScroll == 0)
                e->ensureCursorVisible();
        }
        return 0;
    }, 0);
}

void CStandardEditForXpUI::GetSel(int& start, int& end) const
{
    start = end = 0;
    WithEdit(edit_, [&](auto* e) {
        const QString text = TextOf(e);
        using Edit = std::remove_pointer_t<decltype(e)>;
        int from = 0;
        int to = 0;
        if constexpr (std::is_same_v<Edit, QLineEdit>) {
            from = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
            to = e->hasSelectedText() ? e->selectionEnd() : from;
        } else {
            from = e->textCursor().selectionStart();
            to = e->textCursor().selectionEnd();
        }
        start = ByteOffset(text, from);
        end = ByteOffset(text, to);
        return 0;
    }, 0);
}

int CStandardEditForXpUI::GetLineCount() const
{
    return WithEdit(edit_, [](auto* e) {
        using Edit = std::remove_pointer_t<decltype(e)>;
        if constexpr (std::is_same_v<Edit, QLineEdit>)
            return 1;
        else
            return static_cast<int>(DisplayLines(e).size());
    }, 0);
}

int CStandardEditForXpUI::GetLine(int index, char* buffer, int size) const
{
    if (buffer == nullptr || size <= 0 || index < 0)
        return 0;
    QString line;
    const bool found = WithEdit(edit_, [&](auto* e) {
        using Edit = std::remove_pointer_t<decltype(e)>;
        if constexpr (std::is_same_v<Edit, QLineEdit>) {
            if (index != 0)
                return false;
            line = e->text();
        } else {
            const std::vector<QString> lines = DisplayLines(e);
            if (index >= static_cast<int>(lines.size()))
                return false;
            line = lines[static_cast<size_t>(index)];
        }
        return true;
    }, false);
    if (size >= 2) {
        buffer[0] = static_cast<char>(size & 0xFF);
        buffer[1] = static_cast<char>((size >> 8) & 0xFF);
    }
    if (!found)
        return 0;
    const CString bytes = CCodePage::FromUtf8(line.toStdString());
    const int copied = std::min(size, static_cast<int>(bytes.GetLength()));
    std::memcpy(buffer, bytes.GetString(), static_cast<size_t>(copied));
    return copied;
}

void CStandardEditForXpUI::ProcessEditCopy()
{
    WithEdit(edit_, [](auto* e) { e->copy(); return 0; }, 0);
}

void CStandardEditForXpUI::ProcessEditCut()
{
    WithEdit(edit_, [](auto* e) {
        if (!e->isReadOnly())
            e->cut();
        return 0;
    }, 0);
}

void CStandardEditForXpUI::ProcessEditPaste()
{
    WithEdit(edit_, [](auto* e) {
        if (!e->isReadOnly())
            e->paste();
        return 0;
    }, 0);
}

void CStandardEditForXpUI::ProcessEditDelete()
{
    WithEdit(edit_, [](auto* e) {
        if (HasSelection(e)) {
            if (!e->isReadOnly())
                ClearSelection(e);
            return 0;
        }
        // Sent from code, so the dialog's Delete accelerator does not see it again.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QCoreApplication::sendEvent(e, &press);
        return 0;
    }, 0);
}

void CStandardEditForXpUI::ProcessEditSelectAll()
{
    WithEdit(edit_, [](auto* e) { SelectAllVisible(e); return 0; }, 0);
}

void CStandardEditForXpUI::ProcessEditUndo()
{
    WithEdit(edit_, [](auto* e) { e->undo(); return 0; }, 0);
}

int CStandardEditForXpUI::UpadateEditCopy()
{
    return IsSelected();
}

int CStandardEditForXpUI::UpadateEditCut()
{
    return WithEdit(edit_, [](auto* e) { return !e->isReadOnly() && HasSelection(e) ? 1 : 0; }, 0);
}

int CStandardEditForXpUI::UpadateEditPaste()
{
    return WithEdit(edit_, [](auto* e) { return !e->isReadOnly() && ClipboardHasText() ? 1 : 0; }, 0);
}

int CStandardEditForXpUI::UpadateEditDelete()
{
    return WithEdit(edit_, [](auto* e) { return e->isReadOnly() ? 0 : 1; }, 0);
}

int CStandardEditForXpUI::UpadateEditSelectAll()
{
    return WithEdit(edit_, [](auto* e) { return TextOf(e).isEmpty() ? 0 : 1; }, 0);
}

int CStandardEditForXpUI::UpadateEditUndo()
{
    return WithEdit(edit_, [](auto* e) { return CanUndo(e) ? 1 : 0; }, 0);
}
