#pragma once
// The button row of the address import and export dialogs: `okText` (IDOK, the default
// button) and "キャンセル" (IDCANCEL) at the right, wired to accept and reject.

#include "command/CommandIds.h"
#include "command/QtWindow.h"
#include "model/CPlatformUi.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

inline void AddOkCancelRow(QDialog* dialog, QBoxLayout* layout, const QString& okText)
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(okText, dialog);
    SetControlId(ok, IDOK);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), dialog);
    SetControlId(cancel, IDCANCEL);
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}
