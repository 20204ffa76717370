#include "shell/CSendErrorDlg.h"

#include "shell/CMailReaderDlg.h"
#include "command/CommandIds.h"
#include "command/QtText.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

CSendErrorDlg::CSendErrorDlg(const CString& message, const CString& detail, QWidget* parent)
    : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"エラー"));
    auto* layout = new QVBoxLayout(this);
    auto* messageEdit = new QLineEdit(ToQString(message), this);
    SetControlId(messageEdit, IDC_MESSAGE);
    messageEdit->setReadOnly(true);
    messageEdit->setFrame(false);
    layout->addWidget(messageEdit);
    auto* detailEdit = new QPlainTextEdit(this);
    SetControlId(detailEdit, IDC_DETAIL);
    detailEdit->setPlainText(ToQString(detail));
    detailEdit->setReadOnly(true);
    detailEdit->setMinimumSize(detailEdit->fontMetrics().horizontalAdvance(QString(36, u'あ')),
                               detailEdit->fontMetrics().lineSpacing() * 6);
    layout->addWidget(detailEdit, 1);
    auto* row = new QHBoxLayout;
    auto* reader = new QPushButton(QStringLiteral(u"メール受信ソフトを開く(&E)"), this);
    SetControlId(reader, IDC_OPEN_MAIL_READER);
    reader->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral(u"OK"), this);
    SetControlId(ok, 1);
    ok->setDefault(true);
    row->addWidget(reader);
    row->addStretch(1);
    row->addWidget(ok);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(reader, &QPushButton::clicked, this, &CSendErrorDlg::OnOpenMailReader);
    ok->setFocus();
}

void CSendErrorDlg::OnOpenMailReader()
{
    CMailReaderDlg::StartMailReader(CMailReaderDlg::StoredPath(), this);
    accept();
}
