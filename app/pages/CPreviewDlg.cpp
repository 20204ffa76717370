#include "pages/CPreviewDlg.h"

#include "res/ProgramIcon.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "letter/CEditLetter.h"
#include "model/CMailDoc.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextCursor>

std::vector<CString> CPreviewDlg::RecipientLines(const CMailDoc& doc)
{
    std::vector<CString> lines;
    for (unsigned int i = 0; i < doc.GetToAddressSize(); ++i)
        lines.push_back(CString("宛先　：　") + doc.GetToAddress(i)->ToText());
    for (unsigned int i = 0; i < doc.GetCcAddressSize(); ++i)
        lines.push_back(CString("ＣＣ　 ：　") + doc.GetCcAddress(i)->ToText());
    for (unsigned int i = 0; i < doc.GetBccAddressSize(); ++i)
        lines.push_back(CString("ＢＣＣ ：　") + doc.GetBccAddress(i)->ToText());
    return lines;
}

CPreviewDlg::CPreviewDlg(const CMailDoc* doc, QWidget* parent, int withSend)
    : QDialog(parent),
      m_subject(new QLineEdit(this)),
      m_recipients(new QListWidget(this)),
      m_letter(new CEditLetter(this)),
      m_sender(new QLineEdit(this)),
      m_send(new QPushButton(QStringLiteral(u"送信"), this)),
      m_close(new QPushButton(QStringLiteral(u"閉じる"), this))
{
    SetControlId(this, IDD);
    SetControlId(m_subject, IDC_SUBJECT);
    SetControlId(m_recipients, IDC_RECIPIENTS);
    SetControlId(m_sender, IDC_SENDER);
    SetControlId(m_send, 1);
    SetControlId(m_close, 2);
    setWindowTitle(QStringLiteral(u"プレビュー"));
    setWindowIcon(ProgramIcon());

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral(u"件名:"), m_subject);
    form->addRow(QStringLiteral(u"宛先:"), m_recipients);
    layout->addLayout(form);
    layout->addWidget(m_letter, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral(u"差出人:"), this));
    bottom->addWidget(m_sender, 1);
    bottom->addWidget(m_send);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    CString text;
    doc->GetSubject(text);
    m_subject->setText(ToQString(text));
    m_subject->setReadOnly(true);
    // Fixed pitch, so that the three full-width prefixes line up as designed.
    QFont fixed(QStringLiteral(u"IPAGothic"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setPointSizeF(m_recipients->font().pointSizeF());
    m_recipients->setFont(fixed);
    for (const CString& line : RecipientLines(*doc))
        m_recipients->addItem(ToQString(line));
    m_recipients->setFixedHeight(m_recipients->fontMetrics().lineSpacing() * 4 + 8);

    m_letter->Init(0);
    CString letter;
    doc->GetBodyWithLetter(letter);
    QString shown = ToQString(letter);
    shown.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    m_letter->setPlainText(shown);
    m_letter->selectAll();
    m_letter->SelToNewSentence();
    m_letter->moveCursor(QTextCursor::Start);
    m_letter->SetReadOnly(1);
    m_letter->setMinimumHeight(m_letter->fontMetrics().lineSpacing() * 16);

    CAddress sender;
    doc->GetFromAddress(sender);
    m_sender->setText(ToQString(sender.ToText()));
    m_sender->setReadOnly(true);

    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_send, &QPushButton::clicked, this, &QDialog::accept);
    m_send->setVisible(withSend != 0);
    if (withSend) {
        m_send->setDefault(true);
        m_send->setFocus();
    } else {
        m_close->setDefault(true);
        m_close->setFocus();
    }
}
