#include "pages/CRecipientList.h"

#include "addressbook/CAddressBook.h"
#include "addressbook/CMailAddressDlg.h"
#include "command/CQtPlatformUi.h"
#include "command/QtText.h"
#include "data/CDataStore.h"
#include "pages/CAddressListModel.h"

#include <QHeaderView>
#include <QMouseEvent>

CRecipientList::CRecipientList(QWidget* parent) : CAddressListView(parent), m_model(new CAddressListModel(this))
{
    setModel(m_model);
    // Name and address share the width: the lists are narrow, and a scroll bar would hide
    // the addresses.
    header()->setSectionResizeMode(QHeaderView::Stretch);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_model, &CAddressListModel::edited, this, &CRecipientList::edited);
}

std::vector<int> CRecipientList::AddChecked(const std::vector<CAddress>& addresses, std::vector<CAddress>* invalid)
{
    std::vector<int> rows;
    QStringList problems;
    for (const CAddress& address : addresses) {
        CString message;
        if (!CAddress::CheckAddress(address.GetMailAddress(), message)) {
            problems << ToQString(message) + u'\n' + ToQString(address.ToText());
            if (invalid != nullptr)
                invalid->push_back(address);
            continue;
        }
        const int row = FindAddress(m_model->GetAddresses(), address);
        if (row >= 0) {
            rows.push_back(row);
            continue;
        }
        m_model->Append(address);
        rows.push_back(m_model->rowCount() - 1);
    }
    if (!problems.isEmpty())
        MessageBox(window(), problems.join(u"\n\n"), QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
    if (!rows.empty())
        SelectRows(rows);
    return rows;
}

std::vector<CClipAddress> CRecipientList::SelectedAddresses() const
{
    std::vector<CClipAddress> clip;
    CAddressBook* book = theDataStore.GetToolWindows() != nullptr ? theDataStore.GetToolWindows()->GetAddressBook() : nullptr;
    for (int row : SelectedRows()) {
        const CAddress& address = m_model->GetAddresses()[static_cast<std::size_t>(row)];
        clip.push_back({book != nullptr ? book->FindPersonId(address.GetDisplayName(), address.GetMailAddress()) : 0, address});
    }
    return clip;
}

int CRecipientList::DeleteSelected()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return 0;
    m_model->RemoveRows(rows);
    if (m_model->rowCount() > 0)
        SelectRows({std::min(rows.front(), m_model->rowCount() - 1)});
    return static_cast<int>(rows.size());
}

void CRecipientList::ProcessEditDelete()
{
    DeleteSelected();
}

void CRecipientList::ProcessEditAdd()
{
    CMailAddressDlg dialog(CAddress(), 1, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CAddress address = dialog.GetAddress();
    AddChecked({address});
    CToolWindows* tools = theDataStore.GetToolWindows();
    if (dialog.GetReflect() && tools != nullptr)
        tools->AddAddress(address);
}

void CRecipientList::ProcessEditModify()
{
    const int row = currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return;
    const CAddress before = m_model->GetAddresses()[static_cast<std::size_t>(row)];
    CMailAddressDlg dialog(before, 1, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CAddress after = dialog.GetAddress();
    // Changed into an address the list holds already: the two become one.
    const int same = FindAddress(m_model->GetAddresses(), after);
    if (same >= 0 && same != row) {
        m_model->RemoveRows({row});
        SelectRows({same < row ? same : same - 1});
    } else {
        m_model->Replace(row, after);
        SelectRows({row});
    }
    CToolWindows* tools = theDataStore.GetToolWindows();
    if (dialog.GetReflect() && tools != nullptr)
        tools->ReplaceAddress(before, after);
}

void CRecipientList::ProcessEditPaste()
{
    int ownFormat = 0;
    const std::vector<CClipAddress> items = ReadClipboard(ownFormat);
    std::vector<CAddress> addresses;
    for (const CClipAddress& item : items)
        addresses.push_back(item.address);
    const int before = m_model->rowCount();
    AddChecked(addresses);
    if (!ownFormat)
        return;
    // The persons pasted from the address book's own format are used once more.
    CToolWindows* tools = theDataStore.GetToolWindows();
    CAddressBook* book = tools != nullptr ? tools->GetAddressBook() : nullptr;
    if (book == nullptr)
        return;
    for (int row = before; row < m_model->rowCount(); ++row) {
        const CAddress& added = m_model->GetAddresses()[static_cast<std::size_t>(row)];
        for (const CClipAddress& item : items) {
            if (item.personId != 0 && IsSameAddress(item.address, added)) {
                (void)book->AddRef(item.personId);
                break;
            }
        }
    }
}

int CRecipientList::UpadateEditAdd()
{
    return 1;
}

int CRecipientList::UpadateEditModify()
{
    return currentIndex().isValid() && GetSelectedCount() > 0;
}

void CRecipientList::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (indexAt(event->position().toPoint()).isValid())
        SendCommand(ID_EDIT_MODIFY);
    else
        SendCommand(ID_EDIT_ADD);
}
