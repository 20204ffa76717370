#include "addressbook/CGroupSelectDlg.h"

#include "command/CommandIds.h"
#include "command/DialogButtons.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

CGroupSelectDlg::CGroupSelectDlg(const std::vector<Item>& groups, long selectedId, QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"グループ選択"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral(u"グループ(&G):"), this);
    layout->addWidget(label);
    m_list = new QListWidget(this);
    SetControlId(m_list, IDC_LIST);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(m_list);
    for (const auto& [id, name] : groups) {
        auto* item = new QListWidgetItem(name, m_list);
        item->setData(Qt::UserRole, qlonglong(id));
        if (id == selectedId) {
            m_list->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setMinimumSize(metrics.horizontalAdvance(QString(16, u'あ')), metrics.lineSpacing() * 10);
    layout->addWidget(m_list, 1);
    m_ok = AddOkCancelRow(this, layout).ok;
    const auto follow = [this] { m_ok->setEnabled(GetSelectedId() != 0); };
    connect(m_list, &QListWidget::itemSelectionChanged, this, follow);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    follow();
    m_list->setFocus();
}

long CGroupSelectDlg::GetSelectedId() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? 0 : static_cast<long>(selected.front()->data(Qt::UserRole).toLongLong());
}
