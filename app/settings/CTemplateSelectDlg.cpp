#include "settings/CTemplateSelectDlg.h"

#include "command/CommandIds.h"

#include <QBoxLayout>
#include <QListWidget>
#include <QPushButton>

CTemplateSelectDlg::CTemplateSelectDlg(Kind kind, const std::vector<Item>& items, long selectedId,
                                       QWidget* parent)
    : QDialog(parent)
{
    SetControlId(this, kind);
    setWindowTitle(kind == AddressTemplates ? QStringLiteral(u"宛先定型の選択")
                                            : QStringLiteral(u"文面定型の選択"));
    auto* layout = new QHBoxLayout(this);
    list_ = new QListWidget(this);
    SetControlId(list_, IDC_LIST);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const auto& [id, title] : items) {
        auto* item = new QListWidgetItem(title, list_);
        item->setData(Qt::UserRole, qlonglong(id));
        if (id == selectedId && selectedId > 0) {
            list_->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    const QFontMetrics metrics = list_->fontMetrics();
    list_->setMinimumSize(metrics.horizontalAdvance(QString(20, u'あ')), metrics.lineSpacing() * 10);
    layout->addWidget(list_, 1);

    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton(QStringLiteral(u"OK"), this);
    SetControlId(ok, 1);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), this);
    SetControlId(cancel, 2);
    auto* clear = new QPushButton(QStringLiteral(u"選択解除"), this);
    SetControlId(clear, IDC_CLEAR);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    clear->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addSpacing(8);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(clear, &QPushButton::clicked, this, &CTemplateSelectDlg::OnClearSelection);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    list_->setFocus();
}

long CTemplateSelectDlg::GetSelectedId() const
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return 0;
    return static_cast<long>(selected.front()->data(Qt::UserRole).toLongLong());
}

void CTemplateSelectDlg::OnClearSelection()
{
    list_->clearSelection();
    list_->setCurrentRow(-1);
}
