#include "pages/AttachmentListView.h"

#include "pages/BodyRules.h"
#include "files/CFileListCtrl.h"
#include "letter/CLetterFormat.h"

#include <QStyledItemDelegate>

namespace {

class CDesignedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(CLetterFormat::DesignPixels(BodyRules::kListRowHeight));
        return size;
    }
};

}  // namespace

void SetDesignedRows(CFileListCtrl* list)
{
    list->setHeaderHidden(true);
    list->setItemDelegate(new CDesignedRowDelegate(list));
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int DesignedListHeight(const CFileListCtrl* list)
{
    return CLetterFormat::DesignPixels(BodyRules::AttachmentListHeight(list->GetItemCount()));
}

void ShowDocumentFiles(CFileListCtrl* list, const CMailDoc::FileList& files)
{
    std::vector<CPath> paths;
    std::vector<CString> names;
    for (const CMailDoc::FileInfo& file : files) {
        paths.push_back(file.path);
        names.push_back(file.title);
    }
    std::vector<CPath> refused;
    list->AddFiles(paths, &names, 0, refused);
    list->ShowRefused(refused);
    list->SetModify(0);
}
