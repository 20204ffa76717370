#pragma once
// One recipient list of the address panel (To 1012, Cc 1015, Bcc 1024): its addresses in a
// CAddressListModel, edited through the edit commands and popup menu 139. Every address that
// enters the list is checked with CAddress::CheckAddress (its text is shown, the address is
// not added) and is added only once (IsSameAddress). Dialog 154 adds and changes an address;
// with "アドレス帳にも反映(&B)" the address book is changed too. A paste in the lists' own
// format raises the pasted persons' use count in the address book.

#include "addressbook/CAddressListView.h"

#include <vector>

class CAddressListModel;

class CRecipientList : public CAddressListView {
    Q_OBJECT
public:
    explicit CRecipientList(QWidget* parent = nullptr);

    CAddressListModel* GetModel() const { return m_model; }

    // Adds the valid addresses that the list does not hold yet, in order, and selects them
    // with those it held already; the invalid ones are said in one message (each with its
    // CheckAddress text) and go to `invalid`. Returns the rows selected.
    std::vector<int> AddChecked(const std::vector<CAddress>& addresses, std::vector<CAddress>* invalid = nullptr);

    void ProcessEditAdd() override;
    void ProcessEditModify() override;
    void ProcessEditPaste() override;
    void ProcessEditDelete() override;
    int UpadateEditAdd() override;
    int UpadateEditModify() override;

signals:
    void edited();

protected:
    std::vector<CClipAddress> SelectedAddresses() const override;
    int DeleteSelected() override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    CAddressListModel* m_model;
};
