#include "addressbook/CAddressListView.h"

#include "command/CCommandDlg.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "encoding/CCodePage.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>

#include <algorithm>
#include <memory>

CAddressListView::CAddressListView(QWidget* parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
}

std::vector<int> CAddressListView::SelectedRows() const
{
    std::vector<int> rows;
    if (selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CAddressListView::GetSelectedCount() const
{
    return selectionModel() != nullptr ? static_cast<int>(selectionModel()->selectedRows().size()) : 0;
}

int CAddressListView::GetRowCount() const
{
    return model() != nullptr ? model()->rowCount() : 0;
}

void CAddressListView::SelectRows(const std::vector<int>& rows)
{
    if (model() == nullptr || selectionModel() == nullptr)
        return;
    QItemSelection selection;
    for (int row : rows)
        if (row >= 0 && row < model()->rowCount())
            selection.select(model()->index(row, 0), model()->index(row, model()->columnCount() - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!rows.empty() && rows.front() >= 0 && rows.front() < model()->rowCount()) {
        selectionModel()->setCurrentIndex(model()->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
        scrollTo(model()->index(rows.front(), 0));
    }
}

// ---------------------------------------------------------------------------------------
// Clipboard

void CAddressListView::PutOnClipboard(const std::vector<CClipAddress>& addresses)
{
    if (addresses.empty())
        return;
    auto* data = new QMimeData;
    const std::string bytes = EncodeAddressClip(addresses);
    data->setData(QString::fromLatin1(kAddressClipFormat), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    std::vector<CAddress> plain;
    for (const CClipAddress& item : addresses)
        plain.push_back(item.address);
    data->setText(ToQString(AddressLinesText(plain)));
    QApplication::clipboard()->setMimeData(data);
}

int CAddressListView::ClipboardHasAddresses()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr)
        return 0;
    return data->hasFormat(QString::fromLatin1(kAddressClipFormat)) || (data->hasText() && !data->text().trimmed().isEmpty());
}

std::vector<CClipAddress> CAddressListView::ReadClipboard(int& ownFormat)
{
    std::vector<CClipAddress> addresses;
    ownFormat = 0;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr)
        return addresses;
    if (data->hasFormat(QString::fromLatin1(kAddressClipFormat))) {
        const QByteArray bytes = data->data(QString::fromLatin1(kAddressClipFormat));
        if (DecodeAddressClip(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), addresses)) {
            ownFormat = 1;
            return addresses;
        }
    }
    if (data->hasText())
        for (const CAddress& address : ParseAddressText(FromQString(data->text())))
            addresses.push_back({0, address});
    return addresses;
}

// ---------------------------------------------------------------------------------------
// Commands

void CAddressListView::ProcessEditCopy()
{
    PutOnClipboard(SelectedAddresses());
}

void CAddressListView::ProcessEditCut()
{
    const std::vector<CClipAddress> addresses = SelectedAddresses();
    if (addresses.empty())
        return;
    PutOnClipboard(addresses);
    DeleteSelected();
}

void CAddressListView::ProcessEditSelectAll()
{
    selectAll();
}

int CAddressListView::UpadateEditCopy()
{
    return GetSelectedCount() > 0;
}

int CAddressListView::UpadateEditCut()
{
    return IsEditable() && GetSelectedCount() > 0;
}

int CAddressListView::UpadateEditPaste()
{
    return IsEditable() && ClipboardHasAddresses();
}

int CAddressListView::UpadateEditSelectAll()
{
    return GetRowCount() > 0;
}

int CAddressListView::UpadateEditDelete()
{
    return IsEditable() && GetSelectedCount() > 0;
}

QMenu* CAddressListView::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    SetControlId(menu, IDR_MENU_ADDRESS);
    const struct {
        UINT id;
        const char16_t* text;
    } items[] = {
        {ID_EDIT_ADD, u"追加(&N)"},
        {ID_EDIT_MODIFY, u"修正(&M)"},
        {0, nullptr},
        {ID_EDIT_CUT, u"切り取り(&T)"},
        {ID_EDIT_COPY, u"ｺﾋﾟｰ(&C)"},
        {ID_EDIT_PASTE, u"貼り付け(&P)"},
        {0, nullptr},
        {ID_EDIT_DELETE, u"削除(&D)"},
    };
    for (const auto& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(CreateCommandAction(item.id, QString::fromUtf16(item.text), menu));
        EnableMenuItem(menu, item.id, UpdateCommand(item.id));
    }
    return menu;
}

void CAddressListView::SendCommand(UINT id)
{
    SendControlCommand(this, this, id);
}

void CAddressListView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    setFocus(Qt::PopupFocusReason);
    // A right click on an item that is not selected selects it alone, as file managers do.
    const QModelIndex at = event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : QModelIndex();
    if (at.isValid() && selectionModel() != nullptr && !selectionModel()->isRowSelected(at.row(), QModelIndex()))
        SelectRows({at.row()});
    UINT chosen = 0;
    {
        std::unique_ptr<QMenu> menu(CreateContextMenu());
        const QPoint where = event->reason() == QContextMenuEvent::Mouse
                                 ? event->globalPos()
                                 : viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
        chosen = GetCommandId(menu->exec(where));
    }
    // Sent once the menu is gone, since a command may open a dialog of its own.
    if (chosen != 0)
        SendCommand(chosen);
}
