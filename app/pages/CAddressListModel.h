#pragma once
// The addresses of one recipient list (To, Cc or Bcc): column 0 the display name, column 1
// the mail address; the group an address came from shows in its tooltip. Every change made
// through the model sets its changed flag, which the page reads to store only the lists the
// user changed.

#include "model/CAddress.h"

#include <QAbstractTableModel>

#include <vector>

class CAddressListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, AddressColumn = 1 };
    explicit CAddressListModel(QObject* parent = nullptr);

    const std::vector<CAddress>& GetAddresses() const { return m_addresses; }
    // Replaces every address; the changed flag is left alone.
    void SetAddresses(std::vector<CAddress> addresses);
    void Append(const CAddress& address);
    void Replace(int row, const CAddress& address);
    // Removes the rows (any order).
    void RemoveRows(std::vector<int> rows);

    int IsChanged() const { return m_changed; }
    void SetChanged(int changed) { m_changed = changed; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void edited();

private:
    void Touch();

    std::vector<CAddress> m_addresses;
    int m_changed = 0;
};
