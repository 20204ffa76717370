#include "settings/CLetterTemplateDlg.h"

#include "settings/CTemplateSelectDlg.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/CLetterTemplateSet.h"
#include "data/TitleLists.h"
#include "letter/CPhraseTextEdit.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel* Buddy(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

CLetterTemplateDlg::CLetterTemplateDlg(const CLetterTemplate& preset, QWidget* parent)
    : QDialog(parent),
      m_id(preset.id),
      m_addressTemplateId(preset.addressTemplateId > 0 ? preset.addressTemplateId : -1),
      m_operation(new COperationGroup(this)),
      m_title(new QLineEdit(this)),
      m_includeSubject(new QCheckBox(QStringLiteral(u"件名も含める(&I)"), this)),
      m_subject(new QLineEdit(this)),
      m_dear(new CPhraseTextEdit(this)),
      m_greeting(new CPhraseTextEdit(this)),
      m_closing(new CPhraseTextEdit(this)),
      m_signature(new QComboBox(this)),
      m_signatureText(new CPhraseTextEdit(this)),
      m_addressTemplate(new QLabel(this))
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"文面定型"));
    SetControlId(m_title, IDC_TITLE);
    SetControlId(m_includeSubject, IDC_INCLUDE_SUBJECT);
    SetControlId(m_subject, IDC_SUBJECT);
    SetControlId(m_dear, IDC_DEAR);
    SetControlId(m_greeting, IDC_GREETING);
    SetControlId(m_closing, IDC_CLOSING);
    SetControlId(m_signature, IDC_SIGNATURE);
    SetControlId(m_signatureText, IDC_SIGNATURE_TEXT);
    SetControlId(m_addressTemplate, IDC_ADDRESS_TEMPLATE);

    m_dear->SetVisibleLines(3);
    m_greeting->SetVisibleLines(2);
    m_closing->SetVisibleLines(2);
    m_signatureText->SetVisibleLines(4);
    for (CPhraseTextEdit* edit : {m_dear, m_greeting, m_closing, m_signatureText})
        edit->SetLineInSight(true);
    m_signatureText->setReadOnly(true);
    auto* selectAddress = new QPushButton(QStringLiteral(u"宛先定型の選択(&A)"), this);
    SetControlId(selectAddress, IDC_SELECT_ADDRESS_TEMPLATE);
    selectAddress->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;
    grid->addWidget(m_operation, row++, 0, 1, 2);
    grid->addWidget(Buddy(QStringLiteral(u"名前(&T)"), m_title, this), row, 0);
    grid->addWidget(m_title, row++, 1);
    grid->addWidget(m_includeSubject, row, 0);
    grid->addWidget(m_subject, row++, 1);
    grid->addWidget(Buddy(QStringLiteral(u"宛名書き(&W)"), m_dear, this), row, 0, Qt::AlignTop);
    grid->addWidget(m_dear, row++, 1);
    grid->addWidget(Buddy(QStringLiteral(u"あいさつ(&G)"), m_greeting, this), row, 0, Qt::AlignTop);
    grid->addWidget(m_greeting, row++, 1);
    grid->addWidget(Buddy(QStringLiteral(u"結び(&K)"), m_closing, this), row, 0, Qt::AlignTop);
    grid->addWidget(m_closing, row++, 1);
    grid->addWidget(Buddy(QStringLiteral(u"署名(&S)"), m_signature, this), row, 0);
    grid->addWidget(m_signature, row++, 1);
    grid->addWidget(m_signatureText, row++, 1);
    grid->addWidget(selectAddress, row, 0);
    grid->addWidget(m_addressTemplate, row++, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(AddOkCancel(this));

    // The preset values.
    m_title->setText(ToQString(preset.title));
    m_subject->setText(ToQString(OneLine(preset.subject)));
    m_includeSubject->setChecked(!preset.subject.IsEmpty());
    m_subject->setEnabled(m_includeSubject->isChecked());
    m_dear->SetText(preset.dear);
    m_greeting->SetText(preset.greeting);
    m_closing->SetText(preset.closing);
    LoadPhrases("SIGNATURE", m_signatures);  // an engine error: the list shows what was read
    m_signature->addItem(QStringLiteral(u"(なし)"), qlonglong(-1));
    for (const CPhrase& signature : m_signatures)
        m_signature->addItem(ToQString(signature.title), qlonglong(signature.id));
    SelectSignature(preset.signatureId);
    if (m_addressTemplateId > 0) {
        CTitleList titles;
        if (LoadAddressTemplateTitles(titles)) {
            m_addressTemplateId = -1;  // a template deleted since is no link
            for (const CTitleItem& item : titles) {
                if (item.id == preset.addressTemplateId) {
                    m_addressTemplateId = item.id;
                    m_addressTemplateTitle = item.title;
                }
            }
        }
    }
    ShowAddressTemplate();
    m_operation->SetRecordExists(m_id >= 0);
    SetOperation(m_id >= 0 ? RecordChange : RecordAdd);
    OnOperationChanged();

    connect(m_includeSubject, &QCheckBox::toggled, this, &CLetterTemplateDlg::OnOperationChanged);
    connect(m_signature, &QComboBox::currentIndexChanged, this, &CLetterTemplateDlg::ShowSignatureText);
    connect(selectAddress, &QPushButton::clicked, this, &CLetterTemplateDlg::OnSelectAddressTemplate);
    connect(m_operation, &COperationGroup::Changed, this, &CLetterTemplateDlg::OnOperationChanged);
    m_title->setFocus();
}

CLetterTemplateDlg::~CLetterTemplateDlg() = default;

void CLetterTemplateDlg::OnOperationChanged()
{
    const bool editable = GetOperation() != RecordDelete;
    for (QWidget* field : std::initializer_list<QWidget*>{m_title, m_includeSubject, m_dear, m_greeting, m_closing,
                                                          m_signature})
        field->setEnabled(editable);
    m_subject->setEnabled(editable && m_includeSubject->isChecked());
}

void CLetterTemplateDlg::SelectSignature(long id)
{
    const int index = m_signature->findData(qlonglong(id > 0 ? id : -1));
    m_signature->setCurrentIndex(index >= 0 ? index : 0);
    ShowSignatureText();
}

void CLetterTemplateDlg::ShowSignatureText()
{
    const int index = m_signature->currentIndex() - 1;
    m_signatureText->SetText(index >= 0 && index < static_cast<int>(m_signatures.size())
                                 ? m_signatures[static_cast<std::size_t>(index)].text
                                 : CString());
}

void CLetterTemplateDlg::OnSelectAddressTemplate()
{
    CTitleList titles;
    LoadAddressTemplateTitles(titles);  // an engine error: the dialog shows what was read
    std::vector<CTemplateSelectDlg::Item> items;
    for (const CTitleItem& item : titles)
        items.emplace_back(item.id, ToQString(item.title));
    CTemplateSelectDlg dialog(CTemplateSelectDlg::AddressTemplates, items, m_addressTemplateId, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const long chosen = dialog.GetSelectedId();
    m_addressTemplateId = -1;
    m_addressTemplateTitle.Empty();
    for (const CTitleItem& item : titles) {
        if (chosen > 0 && item.id == chosen) {
            m_addressTemplateId = item.id;
            m_addressTemplateTitle = item.title;
        }
    }
    ShowAddressTemplate();
}

QString CLetterTemplateDlg::GetAddressTemplateText() const
{
    return m_addressTemplate->text();
}

void CLetterTemplateDlg::ShowAddressTemplate()
{
    m_addressTemplate->setText(m_addressTemplateId > 0 ? ToQString(m_addressTemplateTitle) : QStringLiteral(u"(なし)"));
}

CLetterTemplate CLetterTemplateDlg::GetRecord() const
{
    if (m_done)
        return m_written;
    CLetterTemplate record;
    record.id = m_id;
    record.title = FromQString(m_title->text());
    if (m_includeSubject->isChecked())
        record.subject = OneLine(FromQString(m_subject->text()));
    record.dear = m_dear->GetText();
    record.greeting = m_greeting->GetText();
    record.closing = m_closing->GetText();
    record.signatureId = static_cast<long>(m_signature->currentData().toLongLong());
    record.addressTemplateId = m_addressTemplateId;
    return record;
}

void CLetterTemplateDlg::accept()
{
    const RecordOperation operation = GetOperation();
    CLetterTemplate record = GetRecord();
    if (operation == RecordDelete) {
        if (!ConfirmDelete(this, m_title->text()))
            return;
    } else {
        QString problem = CheckTitle(record.title, u"名前"_qs, CLetterTemplateSet::kTitleBytes);
        if (!problem.isEmpty()) {
            ShowRecordProblem(this, problem, m_title);
            return;
        }
        problem = CheckLength(record.subject, u"件名"_qs, CLetterTemplateSet::kSubjectBytes);
        if (!problem.isEmpty()) {
            ShowRecordProblem(this, problem, m_subject);
            return;
        }
    }
    if (m_writer && !m_writer(operation, record)) {
        ShowRecordProblem(this, WriteFailedText(), nullptr);
        return;
    }
    m_written = record;
    m_done = true;
    QDialog::accept();
}
