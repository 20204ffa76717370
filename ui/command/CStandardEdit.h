#pragma once
// A single-line edit that answers the edit commands of a CCommandDlg. Multi-line edits of
// the dialogs are plain Qt edits attached through CStandardEditForXpUI.

#include "command/CPreTranslate.h"
#include "command/CUpdateCommandItem.h"

#include <QLineEdit>

class CStandardEdit : public QLineEdit, public CUpdateCommandItem, public CPreTranslateMessage {
    Q_OBJECT
public:
    explicit CStandardEdit(QWidget* parent = nullptr);

    int IsSelected() const;
    // Opens (non-zero) or closes the input method; on Linux only a hint to it.
    virtual void EnableIME(int enable);

    // Delete with nothing selected goes straight to the edit and deletes the next character,
    // so the dialog's Delete accelerator only acts on selections; the Convert key is
    // swallowed while text is selected.
    int PreTranslateMessage(MSG* msg) override;

    void ProcessEditCopy() override;
    void ProcessEditCut() override;
    void ProcessEditPaste() override;
    void ProcessEditDelete() override;
    void ProcessEditSelectAll() override;
    void ProcessEditUndo() override;
    int UpadateEditCopy() override;
    int UpadateEditCut() override;
    int UpadateEditPaste() override;
    int UpadateEditDelete() override;
    int UpadateEditSelectAll() override;
    int UpadateEditUndo() override;
};
