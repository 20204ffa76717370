#include "pages/CAddressListModel.h"

#include "command/QtText.h"

#include <algorithm>

CAddressListModel::CAddressListModel(QObject* parent) : QAbstractTableModel(parent)
{
}

void CAddressListModel::Touch()
{
    m_changed = 1;
    emit edited();
}

void CAddressListModel::SetAddresses(std::vector<CAddress> addresses)
{
    beginResetModel();
    m_addresses = std::move(addresses);
    endResetModel();
}

void CAddressListModel::Append(const CAddress& address)
{
    const int row = static_cast<int>(m_addresses.size());
    beginInsertRows(QModelIndex(), row, row);
    m_addresses.push_back(address);
    endInsertRows();
    Touch();
}

void CAddressListModel::Replace(int row, const CAddress& address)
{
    if (row < 0 || row >= static_cast<int>(m_addresses.size()))
        return;
    m_addresses[static_cast<std::size_t>(row)] = address;
    emit dataChanged(index(row, 0), index(row, 1));
    Touch();
}

void CAddressListModel::RemoveRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool removed = false;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (*row < 0 || *row >= static_cast<int>(m_addresses.size()))
            continue;
        beginRemoveRows(QModelIndex(), *row, *row);
        m_addresses.erase(m_addresses.begin() + *row);
        endRemoveRows();
        removed = true;
    }
    if (removed)
        Touch();
}

int CAddressListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_addresses.size());
}

int CAddressListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant CAddressListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_addresses.size()))
        return {};
    const CAddress& address = m_addresses[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return ToQString(index.column() == NameColumn ? address.GetDisplayName() : address.GetMailAddress());
    if (role == Qt::ToolTipRole) {
        QString tip = ToQString(address.ToText());
        if (!address.GetGroupName().IsEmpty())
            tip += QStringLiteral(u"\n（%1）").arg(ToQString(address.GetGroupName()));
        return tip;
    }
    return {};
}

QVariant CAddressListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == NameColumn ? QStringLiteral(u"名前") : QStringLiteral(u"メールアドレス");
}
