#pragma once
// What every address list of the program shares (the To, Cc and Bcc lists of the address
// panel, the person and member lists of the address book): a list view of a model, rows
// selected freely, the command interface of the edit menu and popup menu 139 ("追加(&N)",
// "修正(&M)", "切り取り(&T)", "ｺﾋﾟｰ(&C)", "貼り付け(&P)", "削除(&D)") whose items follow the
// list's own update operations. A command chosen in the popup menu goes to the dialog that
// holds the list, which routes it back to the focused list, as the menu bar's commands go.
//
// The lists' clipboard: the program's own format (AddressRules.h, with person ids) and the
// same addresses as text/plain "Name <address>" lines; a paste takes the own format, else
// plain text, read with ParseAddressText.

#include "addressbook/AddressRules.h"
#include "command/CUpdateCommandItem.h"

#include <QTreeView>

#include <vector>

class QMenu;

class CAddressListView : public QTreeView, public CUpdateCommandItem {
    Q_OBJECT
public:
    enum { IDR_MENU_ADDRESS = 139 };

    explicit CAddressListView(QWidget* parent = nullptr);

    // The selected rows, top to bottom.
    std::vector<int> SelectedRows() const;
    int GetSelectedCount() const;
    int GetRowCount() const;
    void SelectRows(const std::vector<int>& rows);

    // Menu 139 with its items enabled from the update operations; owned by the caller.
    QMenu* CreateContextMenu();

    // The clipboard of the address lists.
    static void PutOnClipboard(const std::vector<CClipAddress>& addresses);
    // Whether the clipboard holds addresses in the own format or any plain text.
    static int ClipboardHasAddresses();
    // The clipboard's addresses; `ownFormat` tells whether they came in the own format
    // (person ids kept) or as plain text (ids 0).
    static std::vector<CClipAddress> ReadClipboard(int& ownFormat);

    // What the list answers of the edit commands. Copy, Cut and SelectAll work from
    // SelectedAddresses and DeleteSelected; the rest is the derived list's.
    void ProcessEditCopy() override;
    void ProcessEditCut() override;
    void ProcessEditSelectAll() override;
    int UpadateEditCopy() override;
    int UpadateEditCut() override;
    int UpadateEditPaste() override;
    int UpadateEditSelectAll() override;
    int UpadateEditDelete() override;

protected:
    // The selected rows as clipboard entries.
    virtual std::vector<CClipAddress> SelectedAddresses() const = 0;
    // Cut's second half; 0 when the user said no or nothing was deleted.
    virtual int DeleteSelected() = 0;
    // Whether the list takes pastes and deletions now.
    virtual int IsEditable() const { return 1; }

    // Sends `id` to the dialog that holds the list (the list itself without one).
    void SendCommand(UINT id);
    void contextMenuEvent(QContextMenuEvent* event) override;
};
