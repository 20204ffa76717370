#pragma once
// The edit commands for an edit control that a dialog already has (a QLineEdit,
// QPlainTextEdit or QTextEdit), without subclassing it: the object is attached to the
// widget and answers for it. Destroying this object detaches it; the widget is never
// destroyed by it. Selection positions and line texts are code page 932 byte counts, as
// all text inside the system.

#include "command/CUpdateCommandItem.h"

#include <QPointer>
#include <QWidget>

class CStandardEditForXpUI : public CUpdateCommandItem {
public:
    CStandardEditForXpUI() = default;
    ~CStandardEditForXpUI() override;
    CStandardEditForXpUI(const CStandardEditForXpUI&) = delete;
    CStandardEditForXpUI& operator=(const CStandardEditForXpUI&) = delete;

    // Attaches the item `id` of `dialog`; 0 for a null dialog, a missing item or an item
    // that is not an edit.
    int AttachDlgItem(QWidget* dialog, UINT id);
    int Attach(QWidget* edit);
    QWidget* Detach();
    // The attached widget, or null.
    QWidget* GetSafeHwnd() const { return edit_; }

    int IsSelected() const;
    virtual void EnableIME(int enable);

    // Selects bytes start..end (end -1: to the end; start -1: removes the selection) and
    // scrolls the caret into view unless `noScroll` is non-zero.
    void SetSel(int start, int end, int noScroll = 0);
    void GetSel(int& start, int& end) const;
    // Display lines, as the edit wraps them.
    int GetLineCount() const;
    // Copies display line `index` into `buffer` (no terminating NUL). As the edit control's
    // line-copy message requires, the buffer size is first written into its first word.
    // Returns the number of bytes copied.
    int GetLine(int index, char* buffer, int size) const;

    void ProcessEditCopy() override;
    void ProcessEditCut() override;
    void ProcessEditPaste() override;
    // Clears the selection; without one, a Delete key press goes to the edit and deletes the
    // next character.
    void ProcessEditDelete() override;
    void ProcessEditSelectAll() override;
    void ProcessEditUndo() override;
    int UpadateEditCopy() override;
    int UpadateEditCut() override;
    int UpadateEditPaste() override;
    int UpadateEditDelete() override;
    int UpadateEditSelectAll() override;
    int UpadateEditUndo() override;

private:
    QPointer<QWidget> edit_;
};
