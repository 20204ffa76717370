#include "files/CFileListCtrl.h"

#include "command/CCommandDlg.h"
#include "command/CommandIds.h"
#include "encoding/CBase64.h"
#include "command/QtPath.h"
#include "command/QtText.h"
#include "model/CFileUtility.h"
#include "command/CQtPlatformUi.h"
#include "model/CPlatformUi.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QResizeEvent>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <climits>
#include <memory>
#include <vector>

#include <sys/stat.h>

namespace {

// The bytes of a column (code page 932 of the name, the file system's bytes of the path),
// kept beside its text so that they come back exactly.
constexpr int kBytesRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

// What a file of `size` bytes becomes in the message; 0 for a file that cannot be queried.
long EncodedSize(long size)
{
    if (size < 0) return 0;
    // The encoder's size arithmetic is 32 bits; a larger file stays the largest count.
    if (static_cast<unsigned long>(size) > UINT_MAX) return static_cast<long>(UINT_MAX);
    return static_cast<long>(CBase64::CalcEnecodedSize(static_cast<unsigned int>(size)));
}

bool HasLocalFiles(const QMimeData* data)
{
    return !LocalFilePaths(data).empty();
}

}  // namespace

CFileListCtrl::CFileListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setColumnCount(0);
}

CFileListCtrl::~CFileListCtrl() = default;

int CFileListCtrl::Init(CFileDialog* dialog)
{
    if (dialog == nullptr) return 0;
    dialog_ = dialog;
    return CreateColmns();
}

int CFileListCtrl::CreateColmns()
{
    setColumnCount(2);
    setHeaderLabels({u"ファイル名"_qs, u"パス"_qs});
    headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    // The name takes the whole width (the scroll bar keeps its own); the path stays hidden.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    setColumnWidth(1, 0);
    setColumnHidden(1, true);
    return columnCount() == 2 ? 1 : 0;
}

int CFileListCtrl::AddFile(const CPath& path, const char* displayName)
{
    if (!CFileUtility::CanReadFile(path)) return 0;

    int image = -1;
    // The icon only: a name that is not UTF-8 gets the icon of an unknown type.
    QIcon icon = iconProvider_.icon(QFileInfo(ToQtPath(path)));
    if (!icon.isNull()) {
        imageList_.append(icon);
        image = static_cast<int>(imageList_.size()) - 1;
    }

    CString name = displayName != nullptr && *displayName != '\0'
                       ? CString(displayName)
                       : CFileUtility::GetFileNameFromPath(path);
    if (columnCount() < 2) CreateColmns();
    auto* item = new QTreeWidgetItem;
    item->setText(0, ToQString(name));
    item->setData(0, kBytesRole, QByteArray::fromStdString(name.Str()));
    item->setData(0, kImageRole, image);
    if (image >= 0) item->setIcon(0, imageList_[image]);
    item->setText(1, ToQString(path.ToText()));
    item->setData(1, kBytesRole, QByteArray::fromStdString(path.Native()));
    addTopLevelItem(item);

    modify_ = 1;
    NotifyParent();
    return 1;
}

int CFileListCtrl::AddFilesByFileDlg()
{
    if (dialog_ == nullptr) return 0;
    if (dialog_->DoModal() != IDOK) return 1;

    std::vector<CPath> paths;
    if (auto* qtDialog = dynamic_cast<QFileDialog*>(dialog_)) {
        for (const QString& file : qtDialog->selectedFiles()) paths.push_back(FromQtPath(file));
    } else {
        paths.push_back(dialog_->GetPathName());
    }
    for (const CPath& path : paths) {
        if (AddFile(path, nullptr)) continue;
        // A folder is no file to attach; anything else chosen must be named.
        if (!CFileUtility::IsFolder(path)) ShowRefused({path});
        return 0;
    }
    return 1;
}

int CFileListCtrl::AddFiles(const std::vector<CPath>& paths, const std::vector<CString>* names,
                            int stopAtFirstRefusal, std::vector<CPath>& refused)
{
    int added = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const CPath& path = paths[i];
        if (CFileUtility::IsFolder(path)) continue;
        const char* name = names != nullptr && i < names->size() ? (*names)[i].GetString() : nullptr;
        if (AddFile(path, name)) {
            ++added;
            continue;
        }
        refused.push_back(path);
        if (stopAtFirstRefusal) break;
    }
    return added;
}

void CFileListCtrl::ShowRefused(const std::vector<CPath>& refused)
{
    if (refused.empty()) return;
    CString text("次のファイルは読み込めないため、添付できませんでした。");
    for (const CPath& path : refused) text += "\n" + path.ToText();
    MessageBox(this, ToQString(text), u"添付ファイル"_qs, MB_OK | MB_ICONEXCLAMATION);
}

int CFileListCtrl::OnDropFiles(const std::vector<CPath>& paths)
{
    std::vector<CPath> refused;
    const int added = AddFiles(paths, nullptr, 0, refused);
    if (!refused.empty())
        QTimer::singleShot(0, this, [this, refused] { ShowRefused(refused); });
    return added;
}

int CFileListCtrl::DeleteAt(int index)
{
    if (index < 0 || index >= topLevelItemCount()) return 0;
    delete takeTopLevelItem(index);
    modify_ = 1;
    NotifyParent();
    return 1;
}

int CFileListCtrl::DeleteSelectedItems()
{
    int deleted = 0;
    for (QList<int> rows = SelectedRows(); !rows.isEmpty(); rows = SelectedRows()) {
        if (!DeleteAt(rows.front())) break;
        ++deleted;
    }
    return deleted;
}

int CFileListCtrl::DeleteAllItems()
{
    const int count = topLevelItemCount();
    if (count == 0) return 0;
    clear();
    imageList_.clear();
    modify_ = 1;
    NotifyParent();
    return count;
}

int CFileListCtrl::SelectAllItems()
{
    selectAll();
    setFocus();
    return topLevelItemCount();
}

int CFileListCtrl::GetSelectedCount() const
{
    return static_cast<int>(selectedItems().size());
}

QList<int> CFileListCtrl::SelectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected()) rows << i;
    return rows;
}

CPath CFileListCtrl::GetFilePath(int index) const
{
    if (index < 0 || index >= topLevelItemCount()) return CPath();
    return CPath::FromNative(topLevelItem(index)->data(1, kBytesRole).toByteArray().toStdString());
}

CString CFileListCtrl::GetDispName(int index) const
{
    if (index < 0 || index >= topLevelItemCount()) return CString();
    return CString(topLevelItem(index)->data(0, kBytesRole).toByteArray().toStdString());
}

long CFileListCtrl::GetSumOfFileSize() const
{
    long sum = 0;
    for (int i = 0; i < topLevelItemCount(); ++i)
        sum += EncodedSize(CFileUtility::GetFileSize(GetFilePath(i)));
    return sum;
}

CString CFileListCtrl::GetInfoTip(int index) const
{
    CPath path = GetFilePath(index);
    if (path.IsEmpty()) return CString();
    CString name = GetDispName(index);
    CString tip = path.ToText();
    CString pathExt = CFileUtility::GetFileExt(path);
    CString nameExt = CFileUtility::GetFileExt(name.GetString());
    if (pathExt.MakeLower() == "eml" && nameExt.MakeLower() != "eml") tip = name;
    long size = CFileUtility::GetFileSize(path);
    // A file that has gone since it was added has no size to show.
    if (size >= 0) tip += " (" + CFileUtility::SizeAutoUnit(EncodedSize(size)) + ")";
    return tip;
}

int CFileListCtrl::OpenFile(int index)
{
    CPath path = GetFilePath(index);
    if (path.IsEmpty()) return 0;
    if (!QDesktopServices::openUrl(UrlFromPath(path))) {
        MessageBox(this, u"ファイルを開けませんでした。"_qs, u"添付ファイル"_qs,
                   MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    modify_ = 1;
    return 1;
}

void CFileListCtrl::NotifyParent()
{
    if (QWidget* parent = parentWidget()) {
        QResizeEvent resize(parent->size(), parent->size());
        QCoreApplication::sendEvent(parent, &resize);
    }
    emit filesChanged();
}

void CFileListCtrl::ProcessEditAdd()
{
    if (readOnly_) return;
    AddFilesByFileDlg();
}

void CFileListCtrl::ProcessEditModify()
{
    for (int row : SelectedRows()) OpenFile(row);
}

void CFileListCtrl::ProcessEditDelete()
{
    if (readOnly_) return;
    DeleteSelectedItems();
}

void CFileListCtrl::ProcessEditSelectAll()
{
    SelectAllItems();
}

int CFileListCtrl::UpadateEditAdd()
{
    return readOnly_ ? 0 : 1;
}

int CFileListCtrl::UpadateEditModify()
{
    return GetSelectedCount() > 0 ? 1 : 0;
}

int CFileListCtrl::UpadateEditDelete()
{
    return !readOnly_ && GetSelectedCount() > 0 ? 1 : 0;
}

int CFileListCtrl::UpadateEditSelectAll()
{
    return topLevelItemCount() > 0 ? 1 : 0;
}

QMenu* CFileListCtrl::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    SetControlId(menu, IDR_MENU_FILE_LIST);
    const struct {
        UINT id;
        QString text;
    } items[] = {
        {ID_EDIT_ADD, u"追加(&N)"_qs},
        {ID_EDIT_MODIFY, u"修正(&M)"_qs},
        {ID_EDIT_DELETE, u"削除(&D)"_qs},
    };
    for (const auto& item : items) {
        menu->addAction(CreateCommandAction(item.id, item.text, menu));
    }
    UpdateContextMenu(menu);
    return menu;
}

void CFileListCtrl::UpdateContextMenu(QMenu* menu)
{
    EnableMenuItem(menu, ID_EDIT_ADD, UpadateEditAdd());
    EnableMenuItem(menu, ID_EDIT_MODIFY, UpadateEditModify());
    EnableMenuItem(menu, ID_EDIT_DELETE, UpadateEditDelete());
}

void CFileListCtrl::SendCommand(UINT id)
{
    SendControlCommand(this, this, id);
}

void CFileListCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (readOnly_) return;
    setFocus(Qt::PopupFocusReason);
    UINT chosen = 0;
    {
        std::unique_ptr<QMenu> menu(CreateContextMenu());
        chosen = GetCommandId(menu->exec(event->globalPos()));
    }
    // Sent once the menu is gone, since a command may open a dialog of its own.
    if (chosen != 0) SendCommand(chosen);
}

void CFileListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    if (itemAt(event->position().toPoint()) != nullptr)
        ProcessEditModify();
    else if (!readOnly_)  // a read-only list (the preview) shows files, it takes none
        ProcessEditAdd();
}

void CFileListCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (!readOnly_ && HasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CFileListCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (!readOnly_ && HasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CFileListCtrl::dropEvent(QDropEvent* event)
{
    const std::vector<CPath> paths = LocalFilePaths(event->mimeData());
    if (readOnly_ || paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    OnDropFiles(paths);
}

bool CFileListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QTreeWidgetItem* item = itemAt(help->pos());
        if (item == nullptr) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        QToolTip::showText(help->globalPos(), ToQString(GetInfoTip(indexOfTopLevelItem(item))),
                           viewport(), visualItemRect(item));
        return true;
    }
    return QTreeWidget::viewportEvent(event);
}
