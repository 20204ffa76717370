#include "pages/CAddressPage.h"

#include "addressbook/CAddressBook.h"
#include "command/CProfile.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "data/AddressTemplates.h"
#include "data/CAccountSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDataStore.h"
#include "data/SenderList.h"
#include "data/TitleLists.h"
#include "model/CMailDoc.h"
#include "model/CMailDraft.h"
#include "pages/AddressPageRules.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CRecipientList.h"
#include "settings/CAddressTemplateDlg.h"
#include "settings/CSenderListDlg.h"
#include "settings/CSenderSecurity.h"
#include "shell/CMailWizard.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

namespace {

QPushButton* PageButton(const QString& text, int id, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    SetControlId(button, id);
    button->setAutoDefault(false);
    return button;
}

std::vector<CAddress> DocumentList(const CMailDoc& doc, int list)
{
    std::vector<CAddress> addresses;
    const unsigned int count = list == CAddressTarget::ToList   ? doc.GetToAddressSize()
                               : list == CAddressTarget::CcList ? doc.GetCcAddressSize()
                                                                : doc.GetBccAddressSize();
    for (unsigned int i = 0; i < count; ++i) {
        const CAddress* address = list == CAddressTarget::ToList   ? doc.GetToAddress(i)
                                  : list == CAddressTarget::CcList ? doc.GetCcAddress(i)
                                                                   : doc.GetBccAddress(i);
        if (address != nullptr)
            addresses.push_back(*address);
    }
    return addresses;
}

}  // namespace

CAddressPage::CAddressPage(CMailDoc* doc, CMailWizard* wizard)
    : CWizardPage(IDD, doc, wizard),
      m_sender(new QComboBox(this)),
      m_panel(new CAddressPanel(this)),
      m_templates(new QListWidget(this)),
      m_addByClick(new QCheckBox(QStringLiteral(u"クリックで追加(&L)"), this))
{
    const QFontMetrics metrics = fontMetrics();
    auto* senderRow = new QHBoxLayout;
    auto* senderButton = PageButton(QStringLiteral(u"差出人(&N)"), IDC_SENDER_BUTTON, this);
    SetControlId(m_sender, IDC_SENDER);
    m_sender->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_sender->setMinimumContentsLength(20);
    senderRow->addWidget(senderButton);
    senderRow->addWidget(m_sender, 1);
    PageLayout()->addLayout(senderRow);

    auto* body = new QHBoxLayout;
    body->addWidget(m_panel, 1);

    auto* middle = new QVBoxLayout;
    const struct {
        int id;
        const char16_t* text;
    } middleButtons[] = {
        {IDC_TEMPLATE_REPLACE, u"<<置換(&R)"},
        {IDC_TEMPLATE_ADD, u"<<追加(&I)"},
        {IDC_TEMPLATE_REMOVE, u">>削除(&D)"},
    };
    middle->addSpacing(metrics.height() * 2);
    for (int i = 0; i < 3; ++i) {
        m_templateButtons[i] = PageButton(QString::fromUtf16(middleButtons[i].text), middleButtons[i].id, this);
        middle->addWidget(m_templateButtons[i]);
    }
    middle->addSpacing(metrics.height());
    auto* clear = PageButton(QStringLiteral(u"クリア"), IDC_CLEAR, this);
    middle->addWidget(clear);
    middle->addStretch(1);
    body->addLayout(middle);

    auto* right = new QVBoxLayout;
    auto* templateButton = PageButton(QStringLiteral(u"宛先定型(&T)"), IDC_TEMPLATE_DIALOG, this);
    templateButton->setToolTip(
        QStringLiteral(u"宛先定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"));
    right->addWidget(templateButton);
    auto* listRow = new QHBoxLayout;
    SetControlId(m_templates, IDC_TEMPLATE_LIST);
    m_templates->setSelectionMode(QAbstractItemView::SingleSelection);
    m_templates->setToolTip(QStringLiteral(u"[宛先定型]ボタンで登録した宛先定型の一覧です。"));
    m_templates->setMinimumWidth(metrics.horizontalAdvance(QString(7, u'あ')));
    m_templates->setMaximumWidth(metrics.horizontalAdvance(QString(9, u'あ')));
    listRow->addWidget(m_templates, 1);
    auto* unselectColumn = new QVBoxLayout;
    m_templateButtons[3] = PageButton(QStringLiteral(u"×"), IDC_TEMPLATE_UNSELECT, this);
    m_templateButtons[3]->setToolTip(QStringLiteral(u"宛先定型選択の解除"));
    m_templateButtons[3]->setAccessibleName(QStringLiteral(u"宛先定型選択の解除"));
    m_templateButtons[3]->setFixedWidth(metrics.horizontalAdvance(QStringLiteral(u"×")) + metrics.height());
    unselectColumn->addWidget(m_templateButtons[3]);
    unselectColumn->addStretch(1);
    listRow->addLayout(unselectColumn);
    right->addLayout(listRow, 1);
    SetControlId(m_addByClick, IDC_ADD_BY_CLICK);
    right->addWidget(m_addByClick);
    body->addLayout(right);
    PageLayout()->addLayout(body, 1);

    // Tab follows the screen: the sender row, the three lists, the template buttons and list
    // (the base puts the subject first and the page's buttons last).
    std::vector<QWidget*> chain = {GetSubjectEdit(), senderButton, m_sender};
    for (int list = 0; list < CAddressPanel::kLists; ++list)
        chain.insert(chain.end(), {m_panel->GetBookButton(list), m_panel->GetEntry(list), m_panel->GetAddButton(list),
                                   m_panel->GetClearButton(list), m_panel->GetList(list)});
    chain.insert(chain.end(), {m_templateButtons[0], m_templateButtons[1], m_templateButtons[2], clear, templateButton,
                               m_templates, m_templateButtons[3], m_addByClick});
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);

    BindCommandButton(senderButton, IDC_SENDER_BUTTON);
    BindCommandButton(m_templateButtons[0], IDC_TEMPLATE_REPLACE);
    BindCommandButton(m_templateButtons[1], IDC_TEMPLATE_ADD);
    BindCommandButton(m_templateButtons[2], IDC_TEMPLATE_REMOVE);
    BindCommandButton(m_templateButtons[3], IDC_TEMPLATE_UNSELECT);
    BindCommandButton(clear, IDC_CLEAR);
    BindCommandButton(templateButton, IDC_TEMPLATE_DIALOG);
    connect(m_addByClick, &QCheckBox::clicked, this,
            [](bool checked) { CProfile::Get().SetAddByClick(QStringLiteral(u"Address"), checked ? 1 : 0); });
    connect(m_templates, &QListWidget::itemClicked, this, &CAddressPage::OnTemplateClicked);
    connect(m_templates, &QListWidget::itemDoubleClicked, this, [this] {
        if (!m_addByClick->isChecked())
            ApplyTemplate(GetSelectedTemplateId(), UseAdd);
    });
}

CAddressPage::~CAddressPage() = default;

int CAddressPage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    m_addByClick->setChecked(CProfile::Get().GetAddByClick(QStringLiteral(u"Address")) != 0);
    LoadSenders();
    LoadTemplates();
    return 1;
}

// ---------------------------------------------------------------------------------------
// The sender

void CAddressPage::LoadSenders()
{
    const long chosen = SelectedAccountId();
    CSenderList senders;
    LoadSenderList(senders);  // on an engine error the box shows what could be read
    m_sender->clear();
    m_senderAddresses.clear();
    std::vector<long> ids;
    for (const CSenderEntry& entry : senders.entries) {
        m_sender->addItem(ToQString(entry.text), QVariant::fromValue<qlonglong>(entry.id));
        m_senderAddresses.push_back(entry.address);
        ids.push_back(entry.id);
    }
    m_sender->setCurrentIndex(InitialSenderIndex(ids, senders.defaultId, chosen));
}

void CAddressPage::OnSenderButton()
{
    // The dialog writes every change at once; the box follows it.
    CSenderListDlg dialog(this);
    dialog.exec();
    LoadSenders();
}

long CAddressPage::SelectedAccountId() const
{
    return m_sender->currentIndex() >= 0 ? static_cast<long>(m_sender->currentData().toLongLong()) : -1;
}

// ---------------------------------------------------------------------------------------
// The page operations

int CAddressPage::LoadFromDocument()
{
    CWizardPage::LoadFromDocument();
    for (int list = 0; list < CAddressPanel::kLists; ++list)
        m_panel->SetAddresses(list, DocumentList(*GetDocument(), list));
    // A document read back (a restored draft) keeps the sender it was written with, when that
    // is still one of the accounts; leaving the page would otherwise put another in its place.
    CAddress from;
    GetDocument()->GetFromAddress(from);
    const int sender = SenderIndexOfAddress(m_senderAddresses, from);
    if (sender >= 0)
        m_sender->setCurrentIndex(sender);
    return 1;
}

int CAddressPage::IsSending() const
{
    const CMailWizard* wizard = GetWizard();
    return wizard != nullptr && (wizard->IsLastPage(this) || wizard->GetCurrentIndex() == CMailWizard::kSentIndex);
}

int CAddressPage::HasError()
{
    // What is typed in an entry but not yet added counts: it goes into its list first, and
    // what cannot go in keeps the page.
    for (int list = 0; list < CAddressPanel::kLists; ++list) {
        if (m_panel->GetEntry(list)->text().trimmed().isEmpty())
            continue;
        m_panel->AddFromEntry(list);
        if (!m_panel->GetEntry(list)->text().trimmed().isEmpty())
            return 1;
    }
    if (m_sender->currentIndex() < 0) {
        MessageBox(this, QStringLiteral(u"差出人が設定されていません。"), QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
        m_sender->setFocus();
        return 1;
    }
    if (m_panel->GetAddresses(ToList).empty()) {
        MessageBox(this, QStringLiteral(u"宛先が入力されていません。"), QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
        m_panel->GetList(ToList)->setFocus();
        return 1;
    }
    if (CheckLogin())
        return 1;
    return CWizardPage::HasError();
}

int CAddressPage::CheckLogin()
{
    m_loginChecked = 0;
    const long id = SelectedAccountId();
    if (!IsSending() || id <= 0)
        return 0;
    CSmtpSecurity security;
    CString detail;
    const CSenderSecurity::Status status = CSenderSecurity::Load(id, security, detail);
    if (status == CSenderSecurity::NoAccount)
        return 0;  // the send says the sender is not set
    if (status != CSenderSecurity::Ok &&
        MessageBox(this, ToQString(detail) + QStringLiteral(u"\n\nパスワードなしで送信しますか？"),
                   QStringLiteral(u"差出人の設定"), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        security.Wipe();
        m_sender->setFocus();
        return 1;
    }
    GetDocument()->SetSendSecurity(security);
    security.Wipe();
    m_loginChecked = id;
    return 0;
}

int CAddressPage::StoreToDocument()
{
    int changed = CWizardPage::StoreToDocument();
    CMailDoc* doc = GetDocument();
    doc->SetMailerName(theDataStore.GetCompanyFolderName() + " " + theDataStore.GetProductFolderName() + " " +
                       theDataStore.GetVersion());

    const long id = SelectedAccountId();
    if (id > 0) {
        CAccountSet account;
        if (account.Open() && account.FindById(id)) {
            doc->SetSendServer(account.sendServer, account.sendPort);
            // The login as the account keeps it (ACCOUNT, ACCOUNT_AUTH, the keyring); read
            // once per send: CheckLogin has put it there already when it ran for this send.
            if (m_loginChecked != id) {
                CSmtpSecurity security;
                CString detail;
                CSenderSecurity::Load(id, security, detail);
                doc->SetSendSecurity(security);
                security.Wipe();
            }
            doc->SetFromAddress(CAddress("", account.displayName.GetString(), account.mailAddress.GetString()));
            if (!account.replyMailAddress.IsEmpty())
                doc->SetReplyAddress(CAddress("", account.displayName.GetString(), account.replyMailAddress.GetString()));
        }
    }
    m_loginChecked = 0;
    CCurrentAccountSet current;
    if (current.Open() && current.HasCurrent())
        doc->SetSenderBccFlg(current.setToBcc);

    if (StoreAddressLists())
        changed = 1;
    return changed;
}

int CAddressPage::StoreAddressLists()
{
    CMailDoc* doc = GetDocument();
    int changed = 0;
    for (int list = 0; list < CAddressPanel::kLists; ++list) {
        if (!m_panel->IsChanged(list))
            continue;
        const std::vector<CAddress> addresses = m_panel->GetAddresses(list);
        if (list == ToList) {
            doc->ClearToAddresses();
            doc->AddToAddresses(addresses);
        } else if (list == CcList) {
            doc->ClearCcAddresses();
            doc->AddCcAddresses(addresses);
        } else {
            doc->ClearBccAddresses();
            doc->AddBccAddresses(addresses);
        }
        m_panel->SetChanged(list, 0);
        changed = 1;
    }
    if (changed)
        doc->SetModifiedFlag();
    return changed;
}

void CAddressPage::OnPageShown()
{
    CWizardPage::OnPageShown();
    LoadSenders();
    GetSubjectEdit()->setFocus();
}

void CAddressPage::ResetPage()
{
    CWizardPage::ResetPage();
    for (int list = 0; list < CAddressPanel::kLists; ++list) {
        m_panel->SetAddresses(list, {});
        m_panel->GetEntry(list)->clear();
    }
    m_templates->clearSelection();
    m_templates->setCurrentRow(-1);
}

void CAddressPage::OnMailSent()
{
    CToolWindows* tools = theDataStore.GetToolWindows();
    CAddressBook* book = tools != nullptr ? tools->GetAddressBook() : nullptr;
    if (book == nullptr)
        return;
    // Every person the message went to is used once more, for the completion's ranking.
    for (int list = 0; list < CAddressPanel::kLists; ++list)
        for (const CAddress& address : DocumentList(*GetDocument(), list))
            (void)book->AddRefByAddress(address);
}

int CAddressPage::TakeAddresses(int list, const std::vector<CAddress>& addresses)
{
    const int added = m_panel->AddAddresses(list, addresses);
    if (!isVisible())
        StoreAddressLists();
    return added;
}

int CAddressPage::OnPageRequest(int request, const QVariant& argument)
{
    if (request != RequestApplyAddressTemplate)
        return CWizardPage::OnPageRequest(request, argument);
    CAddressTemplateRecord record;
    if (!LoadAddressTemplate(static_cast<long>(argument.toLongLong()), record))
        return 0;
    m_panel->AddAddresses(ToList, record.toList);
    m_panel->AddAddresses(CcList, record.ccList);
    m_panel->AddAddresses(BccList, record.bccList);
    if (!isVisible())
        StoreAddressLists();
    return 1;
}

// ---------------------------------------------------------------------------------------
// Templates

void CAddressPage::LoadTemplates(long selectId)
{
    CTitleList titles;
    LoadAddressTemplateTitles(titles);  // an engine error leaves the list with what was read
    m_templates->clear();
    for (const CTitleItem& item : titles) {
        auto* row = new QListWidgetItem(ToQString(item.title), m_templates);
        row->setData(Qt::UserRole, qlonglong(item.id));
        if (item.id == selectId && selectId != 0) {
            m_templates->setCurrentItem(row);
            row->setSelected(true);
        }
    }
}

long CAddressPage::GetSelectedTemplateId() const
{
    const QList<QListWidgetItem*> selected = m_templates->selectedItems();
    return selected.isEmpty() ? 0 : static_cast<long>(selected.front()->data(Qt::UserRole).toLongLong());
}

int CAddressPage::ApplyTemplate(long id, TemplateUse use)
{
    CAddressTemplateRecord record;
    if (id == 0 || !LoadAddressTemplate(id, record)) {
        LoadTemplates();  // it is gone, or the table cannot be read
        return 0;
    }
    const std::vector<CAddress>* lists[] = {&record.toList, &record.ccList, &record.bccList};
    for (int list = 0; list < CAddressPanel::kLists; ++list) {
        if (use == UseRemove) {
            m_panel->RemoveAddresses(list, *lists[list]);
            continue;
        }
        if (use == UseReplace)
            m_panel->ClearList(list);
        m_panel->AddAddresses(list, *lists[list]);
    }
    const CString subject = GetSubjectText();
    const CString changed = use == UseRemove ? RemoveTemplateSubject(subject, record.subject)
                                             : AddTemplateSubject(subject, record.subject);
    if (changed != subject)
        SetSubjectText(changed);  // the title follows the subject edit
    return 1;
}

void CAddressPage::OnTemplateClicked()
{
    if (m_addByClick->isChecked())
        ApplyTemplate(GetSelectedTemplateId(), UseAdd);
}

void CAddressPage::OnTemplateDialog()
{
    CAddressTemplateRecord preset;
    int operation = RecordAdd;
    if (const long id = GetSelectedTemplateId(); id != 0 && LoadAddressTemplate(id, preset)) {
        operation = RecordChange;
    } else {
        // A new template starts from the lists as they are.
        preset = CAddressTemplateRecord{};
        preset.subject = GetSubjectText();
        preset.toList = m_panel->GetAddresses(ToList);
        preset.ccList = m_panel->GetAddresses(CcList);
        preset.bccList = m_panel->GetAddresses(BccList);
    }
    CAddressTemplateDlg dialog(preset, operation, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    CAddressTemplateRecord record = dialog.GetRecord();
    operation = dialog.GetOperation();
    if (!WriteAddressTemplate(operation, record))
        MessageBox(this, QStringLiteral(u"宛先定型を保存できませんでした。"), QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
    LoadTemplates(operation == RecordDelete ? 0 : record.id);
}

// ---------------------------------------------------------------------------------------
// Commands

void CAddressPage::OnCommand(UINT id)
{
    switch (id) {
    case IDC_SENDER_BUTTON:
        OnSenderButton();
        return;
    case IDC_TEMPLATE_REPLACE:
        ApplyTemplate(GetSelectedTemplateId(), UseReplace);
        return;
    case IDC_TEMPLATE_ADD:
        ApplyTemplate(GetSelectedTemplateId(), UseAdd);
        return;
    case IDC_TEMPLATE_REMOVE:
        ApplyTemplate(GetSelectedTemplateId(), UseRemove);
        return;
    case IDC_TEMPLATE_UNSELECT:
        m_templates->clearSelection();
        m_templates->setCurrentRow(-1);
        return;
    case IDC_CLEAR:
        m_panel->ClearAll();
        return;
    case IDC_TEMPLATE_DIALOG:
        OnTemplateDialog();
        return;
    case IDOK:
    case ID_NEXT_PAGE:
        if (id == IDOK && IsOkFromEnterKey() &&
            MessageBox(this, QStringLiteral(u"送信してもよろしいですか？"), QStringLiteral(u"新規メール"),
                       MB_YESNO | MB_ICONEXCLAMATION) == IDNO)
            return;
        [[fallthrough]];
    case IDCANCEL:
    case ID_PREV_PAGE:
        if (CToolWindows* tools = theDataStore.GetToolWindows(); tools != nullptr && !tools->CanCloseAddressBook(ToCWnd(this)))
            return;
        break;
    default:
        break;
    }
    CWizardPage::OnCommand(id);
}

void CAddressPage::UpdateMenu()
{
    CWizardPage::UpdateMenu();
    const bool selected = GetSelectedTemplateId() != 0;
    for (QPushButton* button : m_templateButtons)
        if (button->isEnabled() != selected)
            button->setEnabled(selected);
}

int CAddressPage::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    if (m_panel->IsUpdateCommandItem(wnd, item))
        return 1;
    return CWizardPage::IsUpdateCommandItem(wnd, item);
}

// ---------------------------------------------------------------------------------------
// Drafts

namespace {

std::string EntryKey(int list)
{
    return "entry:" + std::to_string(list);
}

}  // namespace

void CAddressPage::SaveDraftState(std::vector<CDraftRecord>& records)
{
    CWizardPage::SaveDraftState(records);
    for (int list : {CAddressTarget::ToList, CAddressTarget::CcList, CAddressTarget::BccList}) {
        const QString text = m_panel->GetEntry(list)->text();
        if (!text.isEmpty())
            records.push_back({"page", {GetPageName(), EntryKey(list), text.toStdString()}});
    }
}

void CAddressPage::RestoreDraftState(const std::vector<CDraftRecord>& records)
{
    CWizardPage::RestoreDraftState(records);
    for (const CDraftRecord& record : records) {
        if (record.name != "page" || record.fields.size() != 3 || record.fields[0] != GetPageName())
            continue;
        for (int list : {CAddressTarget::ToList, CAddressTarget::CcList, CAddressTarget::BccList})
            if (record.fields[1] == EntryKey(list))
                m_panel->GetEntry(list)->setText(QString::fromStdString(record.fields[2]));
    }
}
