#include "pages/CTemplateListBox.h"

#include "command/QtText.h"

#include <QSignalBlocker>

CTemplateListBox::CTemplateListBox(QWidget* parent) : CStandardListBox(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, &CTemplateListBox::TemplateSelected);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit TemplateActivated(); });
}

void CTemplateListBox::Fill(const CTitleList& titles)
{
    const QSignalBlocker quiet(this);
    clear();
    for (const CTitleItem& entry : titles) {
        auto* item = new QListWidgetItem(ToQString(entry.title), this);
        item->setData(Qt::UserRole, qlonglong(entry.id));
    }
    clearSelection();
    setCurrentRow(-1);
}

long CTemplateListBox::GetSelectedId() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : static_cast<long>(selected.front()->data(Qt::UserRole).toLongLong());
}

int CTemplateListBox::SelectId(long id)
{
    const QSignalBlocker quiet(this);
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(Qt::UserRole).toLongLong() == id) {
            setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            return 1;
        }
    }
    clearSelection();
    setCurrentRow(-1);
    return 0;
}

void CTemplateListBox::SelectNone()
{
    const QSignalBlocker quiet(this);
    clearSelection();
    setCurrentRow(-1);
}

void CTemplateListBox::AddEntry(long id, const CString& title)
{
    const QSignalBlocker quiet(this);
    auto* entry = new QListWidgetItem(ToQString(title), this);
    entry->setData(Qt::UserRole, qlonglong(id));
    setCurrentItem(entry, QItemSelectionModel::ClearAndSelect);
}

void CTemplateListBox::ReplaceSelected(long id, const CString& title)
{
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return;
    selected.front()->setText(ToQString(title));
    selected.front()->setData(Qt::UserRole, qlonglong(id));
}

void CTemplateListBox::RemoveSelected()
{
    const QSignalBlocker quiet(this);
    const QList<QListWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty())
        delete takeItem(row(selected.front()));
    clearSelection();
    setCurrentRow(-1);
}
