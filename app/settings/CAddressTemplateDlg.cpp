#include "settings/CAddressTemplateDlg.h"

#include "addressbook/AddressRules.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/DialogButtons.h"
#include "command/QtText.h"
#include "data/TitleLists.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "settings/CTemplateSelectDlg.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr const char16_t* kNone = u"(なし)";

}  // namespace

CAddressTemplateDlg::CAddressTemplateDlg(const CAddressTemplateRecord& preset, int operation, QWidget* parent)
    : CCommandDlg(IDD, parent), m_preset(preset)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"宛先定型"));
    setWindowModality(Qt::WindowModal);
    const QFontMetrics metrics = fontMetrics();
    auto* layout = new QVBoxLayout(this);

    auto* operations = new QHBoxLayout;
    operations->addWidget(new QLabel(QStringLiteral(u"操作:"), this));
    auto* group = new QButtonGroup(this);
    const struct {
        int id;
        const char16_t* text;
    } kinds[] = {{IDC_NEW, u"新規"}, {IDC_MODIFY, u"修正"}, {IDC_REMOVE, u"削除"}};
    for (int i = 0; i < 3; ++i) {
        m_operations[i] = new QRadioButton(QString::fromUtf16(kinds[i].text), this);
        SetControlId(m_operations[i], kinds[i].id);
        group->addButton(m_operations[i], i);
        operations->addWidget(m_operations[i]);
        // Changing or deleting needs a template that exists.
        m_operations[i]->setEnabled(i == RecordAdd || preset.id != 0);
    }
    operations->addStretch(1);
    layout->addLayout(operations);

    auto* form = new QFormLayout;
    m_name = new QLineEdit(ToQString(preset.title), this);
    SetControlId(m_name, IDC_NAME);
    auto* nameLabel = new QLabel(QStringLiteral(u"名前(&N):"), this);
    nameLabel->setBuddy(m_name);
    form->addRow(nameLabel, m_name);
    m_withSubject = new QCheckBox(QStringLiteral(u"件名も含める(&I)"), this);
    SetControlId(m_withSubject, IDC_WITH_SUBJECT);
    m_subject = new QLineEdit(ToQString(preset.subject), this);
    SetControlId(m_subject, IDC_SUBJECT);
    m_subject->setAccessibleName(QStringLiteral(u"件名"));
    form->addRow(m_withSubject, m_subject);
    layout->addLayout(form);

    m_panel = new CAddressPanel(this);
    m_panel->SetAddresses(ToList, preset.toList);
    m_panel->SetAddresses(CcList, preset.ccList);
    m_panel->SetAddresses(BccList, preset.bccList);
    m_panel->setMinimumWidth(metrics.horizontalAdvance(QString(30, u'あ')));
    layout->addWidget(m_panel, 1);

    auto* letterRow = new QHBoxLayout;
    auto* letterButton = new QPushButton(QStringLiteral(u"文面定型の選択(&L)..."), this);
    SetControlId(letterButton, IDC_LETTER_TEMPLATE);
    letterButton->setAutoDefault(false);
    m_letterTitle = new QLabel(QString::fromUtf16(kNone), this);
    SetControlId(m_letterTitle, IDC_LETTER_TITLE);
    letterRow->addWidget(letterButton);
    letterRow->addWidget(m_letterTitle, 1);
    layout->addLayout(letterRow);

    AddOkCancelRow(this, layout);

    connect(letterButton, &QPushButton::clicked, this, &CAddressTemplateDlg::OnChooseLetterTemplate);
    connect(m_withSubject, &QCheckBox::toggled, m_subject, &QWidget::setEnabled);

    m_withSubject->setChecked(operation != RecordAdd && !preset.subject.IsEmpty());
    m_subject->setEnabled(m_withSubject->isChecked());
    SetOperation(operation);
    SetLetterTemplate(preset.letterTemplateId);
    m_name->setFocus();
}

CAddressTemplateDlg::~CAddressTemplateDlg() = default;

int CAddressTemplateDlg::OnInitDialog()
{
    CCommandDlg::OnInitDialog();
    m_editName.Attach(m_name);
    m_editSubject.Attach(m_subject);
    return 1;
}

int CAddressTemplateDlg::GetOperation() const
{
    for (int i = 0; i < 3; ++i)
        if (m_operations[i]->isChecked())
            return i;
    return RecordAdd;
}

void CAddressTemplateDlg::SetOperation(int operation)
{
    if (operation < RecordAdd || operation > RecordDelete || !m_operations[operation]->isEnabled())
        operation = RecordAdd;
    m_operations[operation]->setChecked(true);
}

void CAddressTemplateDlg::SetLetterTemplate(long id)
{
    m_letterId = 0;
    m_letterTitle->setText(QString::fromUtf16(kNone));
    if (id == 0)
        return;
    CTitleList titles;
    LoadLetterTemplateTitles(titles);
    for (const CTitleItem& item : titles) {
        if (item.id == id) {
            m_letterId = id;
            m_letterTitle->setText(ToQString(item.title));
            return;
        }
    }
    // A letter template deleted meanwhile links to nothing.
}

void CAddressTemplateDlg::OnChooseLetterTemplate()
{
    CTitleList titles;
    LoadLetterTemplateTitles(titles);
    std::vector<CTemplateSelectDlg::Item> items;
    for (const CTitleItem& item : titles)
        items.emplace_back(item.id, ToQString(item.title));
    CTemplateSelectDlg dialog(CTemplateSelectDlg::LetterTemplates, items, m_letterId, this);
    if (dialog.exec() == QDialog::Accepted)
        SetLetterTemplate(dialog.GetSelectedId());
}

CAddressTemplateRecord CAddressTemplateDlg::GetRecord() const
{
    CAddressTemplateRecord record;
    record.id = m_preset.id;
    record.title = TrimBlanks(FromQString(m_name->text()));
    record.subject = m_withSubject->isChecked() ? FromQString(m_subject->text()) : CString();
    record.toList = m_panel->GetAddresses(ToList);
    record.ccList = m_panel->GetAddresses(CcList);
    record.bccList = m_panel->GetAddresses(BccList);
    record.letterTemplateId = m_letterId;
    return record;
}

int CAddressTemplateDlg::TakeAddresses(int list, const std::vector<CAddress>& addresses)
{
    return m_panel->AddAddresses(list, addresses);
}

void CAddressTemplateDlg::accept()
{
    const int operation = GetOperation();
    const CAddressTemplateRecord record = GetRecord();
    const auto refuse = [this](const QString& text, QLineEdit* edit) {
        MessageBox(this, text, QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
        edit->setFocus();
        edit->selectAll();
    };
    if (operation == RecordDelete) {
        if (MessageBox(this, QStringLiteral(u"宛先定型「%1」を削除しても、よろしいですか？").arg(ToQString(m_preset.title)),
                       QStringLiteral(u"確認"), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        CCommandDlg::accept();
        return;
    }
    if (record.title.IsEmpty())
        return refuse(QStringLiteral(u"宛先定型の名前が入力されていません。"), m_name);
    if (record.title.GetLength() > kTextLimit)
        return refuse(QStringLiteral(u"宛先定型の名前が長すぎます。"), m_name);
    if (record.subject.GetLength() > kTextLimit)
        return refuse(QStringLiteral(u"件名が長すぎます。"), m_subject);
    // Text typed in an entry and not yet added goes into its list first.
    for (int list = 0; list < CAddressPanel::kLists; ++list) {
        if (FromQString(m_panel->GetEntry(list)->text()).IsEmpty())
            continue;
        m_panel->AddFromEntry(list);
        if (!m_panel->GetEntry(list)->text().trimmed().isEmpty())
            return;
    }
    CCommandDlg::accept();
}

void CAddressTemplateDlg::UpdateMenu()
{
}

int CAddressTemplateDlg::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    if (m_panel->IsUpdateCommandItem(wnd, item))
        return 1;
    item = wnd == m_name ? &m_editName : wnd == m_subject ? &m_editSubject : nullptr;
    return item != nullptr ? 1 : 0;
}

void CAddressTemplateDlg::OnCommand(UINT id)
{
    if (CUpdateCommandItem::IsRoutedCommand(id))
        ProcessMenuCommand(id);
}
