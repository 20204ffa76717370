#pragma once
// A combo box whose edit commands act on its edit field. A drop-down list (not editable)
// has no edit field: copy, cut, select all and undo are then unavailable.

#include "command/CUpdateCommandItem.h"

#include <QComboBox>

class CStandardCombo : public QComboBox, public CUpdateCommandItem {
    Q_OBJECT
public:
    explicit CStandardCombo(QWidget* parent = nullptr);

    // 0 when the combo has no edit field.
    int IsSelected() const;
    virtual void EnableIME(int enable);

    void ProcessEditCopy() override;
    void ProcessEditCut() override;
    void ProcessEditPaste() override;
    // Clears the selection of the edit field; without one, a Delete key press goes to the
    // control and deletes the next character.
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
