#include "pages/CAddressPage.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/CAccountSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDataStore.h"
#include "data/SenderList.h"
#include "model/CMailDoc.h"
#include "settings/CSenderSecurity.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

CAddressPage::CAddressPage(CMailDoc* doc, CMailWizard* wizard)
    : CWizardPage(IDD, doc, wizard), m_sender(new QComboBox(this)), m_to(new QLineEdit(this))
{
    SetControlId(m_sender, IDC_SENDER);
    SetControlId(m_to, IDC_TO);
    auto* form = new QFormLayout;
    auto* senderLabel = new QLabel(QStringLiteral(u"差出人(&N)"), this);
    senderLabel->setBuddy(m_sender);
    auto* toLabel = new QLabel(QStringLiteral(u"宛先(&A)"), this);
    toLabel->setBuddy(m_to);
    form->addRow(senderLabel, m_sender);
    form->addRow(toLabel, m_to);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    connect(m_to, &QLineEdit::textEdited, this, [this] { m_toChanged = 1; });
}

int CAddressPage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    m_editTo.Attach(m_to);
    LoadSenders();
    return 1;
}

void CAddressPage::LoadSenders()
{
    const long chosen = m_sender->currentIndex() >= 0 ? m_sender->currentData().toLongLong() : -1;
    CSenderList senders;
    LoadSenderList(senders);  // on an engine error the box shows what could be read
    m_sender->clear();
    for (const CSenderEntry& entry : senders.entries)
        m_sender->addItem(ToQString(entry.text), QVariant::fromValue<qlonglong>(entry.id));
    for (long wanted : {chosen, senders.defaultId}) {
        const int index = m_sender->findData(QVariant::fromValue<qlonglong>(wanted));
        if (wanted > 0 && index >= 0) {
            m_sender->setCurrentIndex(index);
            return;
        }
    }
    m_sender->setCurrentIndex(m_sender->count() > 0 ? 0 : -1);
}

CString CAddressPage::ToFieldText() const
{
    return FromQString(m_to->text());
}

int CAddressPage::LoadFromDocument()
{
    CWizardPage::LoadFromDocument();
    QStringList addresses;
    for (unsigned int i = 0; i < GetDocument()->GetToAddressSize(); ++i)
        addresses << ToQString(GetDocument()->GetToAddress(i)->ToText());
    m_to->setText(addresses.join(QStringLiteral(u", ")));
    m_toChanged = 0;
    return 1;
}

int CAddressPage::HasError()
{
    if (m_sender->currentIndex() < 0) {
        MessageBox(this, u"差出人が設定されていません。"_qs, u"エラー"_qs, MB_OK | MB_ICONEXCLAMATION);
        m_sender->setFocus();
        return 1;
    }
    if (m_to->text().trimmed().isEmpty()) {
        MessageBox(this, u"宛先が入力されていません。"_qs, u"エラー"_qs, MB_OK | MB_ICONEXCLAMATION);
        m_to->setFocus();
        return 1;
    }
    return CWizardPage::HasError();
}

int CAddressPage::StoreToDocument()
{
    int changed = CWizardPage::StoreToDocument();
    CMailDoc* doc = GetDocument();
    doc->SetMailerName(theDataStore.GetCompanyFolderName() + " " + theDataStore.GetProductFolderName() +
                       " " + theDataStore.GetVersion());

    if (m_sender->currentIndex() >= 0) {
        CAccountSet account;
        const long id = static_cast<long>(m_sender->currentData().toLongLong());
        if (account.Open() && account.FindById(id)) {
            doc->SetSendServer(account.sendServer, account.sendPort);
            // The login as the account keeps it (ACCOUNT, ACCOUNT_AUTH, the keyring). Without
            // its password a send that needs one fails with the server's own reply; saying so
            // before the send is the Address page's work.
            CSmtpSecurity security;
            CString detail;
            CSenderSecurity::Load(id, security, detail);
            doc->SetSendSecurity(security);
            security.Wipe();
            CAddress sender("", account.displayName.GetString(), account.mailAddress.GetString());
            doc->SetFromAddress(sender);
            if (!account.replyMailAddress.IsEmpty())
                doc->SetReplyAddress(CAddress("", account.displayName.GetString(), account.replyMailAddress.GetString()));
        }
    }
    CCurrentAccountSet current;
    if (current.Open() && current.HasCurrent())
        doc->SetSenderBccFlg(current.setToBcc);

    if (m_toChanged) {
        doc->ClearToAddresses();
        for (const QString& part : m_to->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString trimmed = part.trimmed();
            if (trimmed.isEmpty())
                continue;
            CAddress address;
            address.FromText(FromQString(trimmed));
            doc->AddToAddress(address);
        }
        doc->SetModifiedFlag();
        m_toChanged = 0;
        changed = 1;
    }
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
    m_to->clear();
    m_toChanged = 0;
}

void CAddressPage::OnCommand(UINT id)
{
    if (id == IDOK && IsOkFromEnterKey() &&
        MessageBox(this, u"送信してもよろしいですか？"_qs, u"新規メール"_qs, MB_YESNO | MB_ICONEXCLAMATION) == IDNO)
        return;
    CWizardPage::OnCommand(id);
}

int CAddressPage::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    if (wnd != nullptr && wnd == m_to) {
        item = &m_editTo;
        return 1;
    }
    return CWizardPage::IsUpdateCommandItem(wnd, item);
}
