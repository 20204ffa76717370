#pragma once
// What the three sender dialogs share: a failed check said with the focus on its field, a
// detail text of the settings store shown in a box, the port fields and the names of the
// connection securities.

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringList>

namespace senderdlg {

// A detail (code page 932, CR LF) as a box shows it.
inline QString ShownText(const CString& text)
{
    return ToQString(text).replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
}

// Says `text` ("エラー", exclamation) and puts the focus into `field` (none: the box only).
// Always false, for `return FieldError(...)` in a check.
inline bool FieldError(QWidget* dialog, QWidget* field, const QString& text)
{
    MessageBox(dialog, text, QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
    if (field != nullptr) {
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    }
    return false;
}

// The row of "OK" (the default button, accepts) and "キャンセル" (rejects) at the foot of
// `layout`.
inline void AddOkCancel(QDialog* dialog, QBoxLayout* layout)
{
    auto* ok = new QPushButton(QStringLiteral(u"OK"), dialog);
    SetControlId(ok, IDOK);
    auto* cancel = new QPushButton(QStringLiteral(u"キャンセル"), dialog);
    SetControlId(cancel, IDCANCEL);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addSpacing(dialog->fontMetrics().height() / 2);
    layout->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

// A port field: digits only, at most five; PortOf checks 1 to 65535 and gives 0 otherwise.
inline void SetUpPortEdit(QLineEdit* edit)
{
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
    edit->setInputMethodHints(Qt::ImhDigitsOnly);
    edit->setMaxLength(5);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
}

inline long PortOf(const QLineEdit* edit)
{
    bool number = false;
    const long port = edit->text().toLong(&number);
    return number && port >= 1 && port <= 65535 ? port : 0;
}

inline QString PortError()
{
    return QStringLiteral(u"ポート番号は 1 から 65535 までの数字で入力してください。");
}

// For CAccountAuthSet's security values 0, 1, 2.
inline QStringList SecurityNames()
{
    return {QStringLiteral(u"なし"), QStringLiteral(u"STARTTLS"), QStringLiteral(u"SSL/TLS")};
}

}  // namespace senderdlg
