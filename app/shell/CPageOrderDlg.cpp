#include "shell/CPageOrderDlg.h"

#include "command/CommandIds.h"

#include <QBoxLayout>
#include <QListWidget>
#include <QPushButton>

CPageOrderDlg::CPageOrderDlg(const QStringList& captions, QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"ページ順の変更"));
    auto* layout = new QHBoxLayout(this);
    m_list = new QListWidget(this);
    SetControlId(m_list, IDC_LIST);
    m_list->addItems(captions);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setFixedSize(metrics.horizontalAdvance(QString(12, u'あ')) + 12,
                         metrics.lineSpacing() * 3 + 16);
    layout->addWidget(m_list, 0, Qt::AlignTop);
    auto* buttons = new QVBoxLayout;
    auto add = [&](int id, const QString& text) {
        auto* button = new QPushButton(text, this);
        SetControlId(button, id);
        buttons->addWidget(button);
        return button;
    };
    QPushButton* ok = add(1, QStringLiteral(u"OK"));
    QPushButton* cancel = add(2, QStringLiteral(u"キャンセル"));
    buttons->addSpacing(8);
    QPushButton* up = add(IDC_UP, QStringLiteral(u"前へ"));
    QPushButton* down = add(IDC_DOWN, QStringLiteral(u"後へ"));
    buttons->addStretch(1);
    ok->setDefault(true);
    for (QPushButton* button : {cancel, up, down})
        button->setAutoDefault(false);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(up, &QPushButton::clicked, this, &CPageOrderDlg::OnUp);
    connect(down, &QPushButton::clicked, this, &CPageOrderDlg::OnDown);
}

QStringList CPageOrderDlg::GetCaptions() const
{
    QStringList captions;
    for (int i = 0; i < m_list->count(); ++i)
        captions << m_list->item(i)->text();
    return captions;
}

void CPageOrderDlg::OnUp()
{
    Move(-1);
}

void CPageOrderDlg::OnDown()
{
    Move(1);
}

void CPageOrderDlg::Move(int delta)
{
    const int row = m_list->currentRow();
    const int target = row + delta;
    if (row < 0 || !m_list->currentItem()->isSelected() || target < 0 || target >= m_list->count())
        return;
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(target, item);
    m_list->setCurrentRow(target);
}
