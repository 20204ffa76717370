#pragma once
// The lists of the address book window: the persons (all of them, or a group's members) and
// the groups, each a model over the address book in memory and a view that answers the edit
// commands and popup menu 139 by calling its window (CAddressBookDlg). A model holds ids
// only, so 10,000 persons cost what the visible rows cost.

#include "addressbook/CAddressListView.h"

#include <QAbstractTableModel>

#include <vector>

class CAddressBook;
class CAddressBookDlg;

// Rows that are ids of the address book's persons or groups.
class CIdListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    const std::vector<long>& GetIds() const { return m_ids; }
    // The id of `row`, 0 outside the rows.
    long IdAt(int row) const;
    // The row of `id`, -1 when it is not shown.
    int RowOf(long id) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;

protected:
    CIdListModel(const CAddressBook& book, int columns, QObject* parent);

    const CAddressBook& m_book;
    std::vector<long> m_ids;

private:
    int m_columns;
};

// Persons by id: column 0 the display name, column 1 the mail address. Sorted by name
// (folded, the address for a person without one) unless told otherwise.
class CPersonListModel : public CIdListModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, AddressColumn = 1 };
    explicit CPersonListModel(const CAddressBook& book, QObject* parent = nullptr);

    void SetIds(std::vector<long> ids);

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void SortIds();

    int m_sortColumn = NameColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// The groups in name order; one column.
class CGroupListModel : public CIdListModel {
    Q_OBJECT
public:
    explicit CGroupListModel(const CAddressBook& book, QObject* parent = nullptr);
    // Reads the book's groups again.
    void Refresh();

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

// The person list ("全員") and the member list of the chosen group.
class CPersonListView : public CAddressListView {
    Q_OBJECT
public:
    CPersonListView(CAddressBookDlg* owner, int members, QWidget* parent);

    CPersonListModel* GetModel() const;
    // The selected persons' ids, top to bottom.
    std::vector<long> SelectedIds() const;
    void SelectIds(const std::vector<long>& ids);
    int IsMemberList() const { return m_members; }

    void ProcessEditAdd() override;
    void ProcessEditModify() override;
    void ProcessEditPaste() override;
    void ProcessEditDelete() override;
    int UpadateEditAdd() override;
    int UpadateEditModify() override;

protected:
    std::vector<CClipAddress> SelectedAddresses() const override;
    int DeleteSelected() override;
    int IsEditable() const override;

private:
    CAddressBookDlg* m_owner;
    int m_members;
};

// The group list: add, rename and delete groups; copying a group copies its members, and a
// paste makes the pasted persons members.
class CGroupListView : public CAddressListView {
    Q_OBJECT
public:
    CGroupListView(CAddressBookDlg* owner, QWidget* parent);

    CGroupListModel* GetModel() const;
    // The current group's id, 0 for none.
    long CurrentId() const;
    void SelectId(long id);

    void ProcessEditAdd() override;
    void ProcessEditModify() override;
    void ProcessEditPaste() override;
    void ProcessEditDelete() override;
    int UpadateEditAdd() override;
    int UpadateEditModify() override;
    int UpadateEditCut() override;

protected:
    std::vector<CClipAddress> SelectedAddresses() const override;
    int DeleteSelected() override;

private:
    CAddressBookDlg* m_owner;
};
