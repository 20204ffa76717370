#include "addressbook/CBookLists.h"

#include "addressbook/CAddressBook.h"
#include "addressbook/CAddressBookDlg.h"
#include "command/QtText.h"
#include "encoding/CCodePage.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>

// ---------------------------------------------------------------------------------------
// CIdListModel

CIdListModel::CIdListModel(const CAddressBook& book, int columns, QObject* parent)
    : QAbstractTableModel(parent), m_book(book), m_columns(columns)
{
}

long CIdListModel::IdAt(int row) const
{
    return row >= 0 && row < static_cast<int>(m_ids.size()) ? m_ids[static_cast<std::size_t>(row)] : 0;
}

int CIdListModel::RowOf(long id) const
{
    const auto found = std::find(m_ids.begin(), m_ids.end(), id);
    return found == m_ids.end() ? -1 : static_cast<int>(found - m_ids.begin());
}

int CIdListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_ids.size());
}

int CIdListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

// ---------------------------------------------------------------------------------------
// CPersonListModel

CPersonListModel::CPersonListModel(const CAddressBook& book, QObject* parent) : CIdListModel(book, 2, parent)
{
}

void CPersonListModel::SetIds(std::vector<long> ids)
{
    beginResetModel();
    m_ids = std::move(ids);
    SortIds();
    endResetModel();
}

QVariant CPersonListModel::data(const QModelIndex& index, int role) const
{
    const CBookPerson* person = m_book.FindPerson(IdAt(index.row()));
    if (person == nullptr)
        return {};
    if (role == Qt::DisplayRole)
        return ToQString(index.column() == NameColumn ? person->displayName : person->mailAddress);
    if (role == Qt::ToolTipRole)
        return ToQString(CAddress("", person->displayName.GetString(), person->mailAddress.GetString()).ToText());
    return {};
}

QVariant CPersonListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == NameColumn ? QStringLiteral(u"名前") : QStringLiteral(u"メールアドレス");
}

void CPersonListModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    beginResetModel();
    SortIds();
    endResetModel();
}

void CPersonListModel::SortIds()
{
    const auto key = [this](long id) -> const std::string& {
        static const std::string none;
        const CBookPerson* person = m_book.FindPerson(id);
        if (person == nullptr)
            return none;
        return m_sortColumn == NameColumn ? person->sortKey : person->searchKey;
    };
    // The search key holds the name, a line feed and the address: by address, compare
    // what follows the line feed.
    const auto address = [](const std::string& searchKey) { return std::string_view(searchKey).substr(searchKey.find('\n') + 1); };
    std::stable_sort(m_ids.begin(), m_ids.end(), [&](long a, long b) {
        const std::string& left = key(a);
        const std::string& right = key(b);
        const int compared = m_sortColumn == NameColumn ? left.compare(right) : address(left).compare(address(right));
        if (compared != 0)
            return m_sortOrder == Qt::AscendingOrder ? compared < 0 : compared > 0;
        return a < b;
    });
}

// ---------------------------------------------------------------------------------------
// CGroupListModel

CGroupListModel::CGroupListModel(const CAddressBook& book, QObject* parent) : CIdListModel(book, 1, parent)
{
}

void CGroupListModel::Refresh()
{
    beginResetModel();
    m_ids.clear();
    for (const CBookGroup& group : m_book.GetGroups())
        m_ids.push_back(group.id);
    endResetModel();
}

QVariant CGroupListModel::data(const QModelIndex& index, int role) const
{
    const CBookGroup* group = m_book.FindGroup(IdAt(index.row()));
    if (group == nullptr || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return ToQString(group->name);
}

QVariant CGroupListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return QStringLiteral(u"グループ");
}

// ---------------------------------------------------------------------------------------
// CPersonListView

CPersonListView::CPersonListView(CAddressBookDlg* owner, int members, QWidget* parent)
    : CAddressListView(parent), m_owner(owner), m_members(members)
{
    setSortingEnabled(true);
    header()->setSortIndicator(CPersonListModel::NameColumn, Qt::AscendingOrder);
}

CPersonListModel* CPersonListView::GetModel() const
{
    return static_cast<CPersonListModel*>(model());
}

std::vector<long> CPersonListView::SelectedIds() const
{
    std::vector<long> ids;
    for (int row : SelectedRows())
        ids.push_back(GetModel()->IdAt(row));
    return ids;
}

void CPersonListView::SelectIds(const std::vector<long>& ids)
{
    std::vector<int> rows;
    for (long id : ids)
        if (const int row = GetModel()->RowOf(id); row >= 0)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    SelectRows(rows);
}

std::vector<CClipAddress> CPersonListView::SelectedAddresses() const
{
    return m_owner->ClipOfPersons(SelectedIds(), m_members);
}

int CPersonListView::IsEditable() const
{
    return !m_members || m_owner->GetCurrentGroupId() != 0;
}

void CPersonListView::ProcessEditAdd()
{
    m_owner->AddPerson(m_members);
}

void CPersonListView::ProcessEditModify()
{
    m_owner->ModifyPerson(GetModel()->IdAt(currentIndex().row()));
}

void CPersonListView::ProcessEditPaste()
{
    m_owner->PastePersons(m_members);
}

void CPersonListView::ProcessEditDelete()
{
    DeleteSelected();
}

int CPersonListView::DeleteSelected()
{
    return m_owner->DeletePersons(SelectedIds(), m_members);
}

int CPersonListView::UpadateEditAdd()
{
    return IsEditable();
}

int CPersonListView::UpadateEditModify()
{
    return currentIndex().isValid() && GetSelectedCount() > 0;
}

// ---------------------------------------------------------------------------------------
// CGroupListView

CGroupListView::CGroupListView(CAddressBookDlg* owner, QWidget* parent) : CAddressListView(parent), m_owner(owner)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

CGroupListModel* CGroupListView::GetModel() const
{
    return static_cast<CGroupListModel*>(model());
}

long CGroupListView::CurrentId() const
{
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? 0 : GetModel()->IdAt(rows.front());
}

void CGroupListView::SelectId(long id)
{
    const int row = GetModel()->RowOf(id);
    if (row >= 0) {
        SelectRows({row});
    } else if (selectionModel() != nullptr) {
        selectionModel()->clearSelection();
    }
}

std::vector<CClipAddress> CGroupListView::SelectedAddresses() const
{
    return m_owner->ClipOfGroup(CurrentId());
}

void CGroupListView::ProcessEditAdd()
{
    m_owner->AddGroup();
}

void CGroupListView::ProcessEditModify()
{
    m_owner->RenameGroup(CurrentId());
}

void CGroupListView::ProcessEditPaste()
{
    m_owner->PastePersons(1);
}

void CGroupListView::ProcessEditDelete()
{
    DeleteSelected();
}

int CGroupListView::DeleteSelected()
{
    return m_owner->DeleteGroup(CurrentId());
}

int CGroupListView::UpadateEditAdd()
{
    return 1;
}

int CGroupListView::UpadateEditModify()
{
    return CurrentId() != 0;
}

int CGroupListView::UpadateEditCut()
{
    // A group goes only when empty; cutting its members is done in the member list.
    return 0;
}
