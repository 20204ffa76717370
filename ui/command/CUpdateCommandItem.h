#pragma once
// The command interface of every command-aware control: one process and one update
// operation per routed command. A CCommandDlg asks the focused control through it whether a
// command is available (the Upadate... operations, non-zero = available) and hands the
// command to it (the Process... operations). Mixed into a Qt widget class as its second
// base; it holds no data. The operation names are spelled "Upadate" throughout.

#include "command/CommandIds.h"

class QMenu;
using CMenu = QMenu;

class CUpdateCommandItem {
public:
    CUpdateCommandItem() = default;
    CUpdateCommandItem(const CUpdateCommandItem&) {}
    CUpdateCommandItem& operator=(const CUpdateCommandItem&) { return *this; }
    virtual ~CUpdateCommandItem();

    virtual void ProcessEditCopy() {}
    virtual void ProcessEditCut() {}
    virtual void ProcessEditPaste() {}
    virtual void ProcessEditPasteReplyText() {}
    virtual void ProcessEditDelete() {}
    virtual void ProcessEditSelectAll() {}
    virtual void ProcessEditUndo() {}
    virtual void ProcessEditRedo() {}
    virtual void ProcessEditReconvert() {}
    virtual void ProcessEditAdd() {}
    virtual void ProcessEditModify() {}
    virtual void ProcessFormNewSentence() {}
    virtual void ProcessFormReplySentence() {}
    virtual void ProcessFormLineLength() {}
    virtual void ProcessFormLeftIndentAdd() {}
    virtual void ProcessFormLeftIndentDelete() {}
    virtual void ProcessFormRightIndentAdd() {}
    virtual void ProcessFormRightIndentDelete() {}
    virtual void ProcessFormBullet() {}

    virtual int UpadateEditCopy() { return 0; }
    virtual int UpadateEditCut() { return 0; }
    virtual int UpadateEditPaste() { return 0; }
    virtual int UpadateEditPasteReplyText() { return 0; }
    virtual int UpadateEditDelete() { return 0; }
    virtual int UpadateEditSelectAll() { return 0; }
    virtual int UpadateEditUndo() { return 0; }
    virtual int UpadateEditRedo() { return 0; }
    virtual int UpadateEditReconvert() { return 0; }
    virtual int UpadateEditAdd() { return 0; }
    virtual int UpadateEditModify() { return 0; }
    virtual int UpadateFormNewSentence() { return 0; }
    virtual int UpadateFormReplySentence() { return 0; }
    virtual int UpadateFormLineLength() { return 0; }
    virtual int UpadateFormLeftIndentAdd() { return 0; }
    virtual int UpadateFormLeftIndentDelete() { return 0; }
    virtual int UpadateFormRightIndentAdd() { return 0; }
    virtual int UpadateFormRightIndentDelete() { return 0; }
    virtual int UpadateFormBullet() { return 0; }

    // Enables (non-zero) or greys the item with command `id` of `menu`, searching its
    // submenus too; a null menu does nothing. For the controls' own context menus.
    void EnableMenuItem(CMenu* menu, UINT id, int enable);

    // The routing table: the process operation of command `id`; 0 for an id it does not
    // list (the paste-message commands 32783..32786 are not routed to controls).
    int ProcessCommand(UINT id);
    // The update operation of command `id`; 0 for an id the table does not list.
    [[nodiscard]] int UpdateCommand(UINT id);
    // Whether `id` is one of the routed commands.
    [[nodiscard]] static int IsRoutedCommand(UINT id);
};
