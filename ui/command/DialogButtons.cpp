#include "command/DialogButtons.h"

#include "command/CommandIds.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

COkCancelButtons AddOkCancelRow(QDialog* dialog, QBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral(u"OK"), dialog);
    SetControlId(ok, 1);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), dialog);
    SetControlId(cancel, 2);
    cancel->setAutoDefault(false);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}
