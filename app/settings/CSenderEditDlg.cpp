#include "settings/CSenderEditDlg.h"

#include "settings/CSenderAuthDlg.h"
#include "settings/SenderDialogs_p.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/CAccountAuthSet.h"
#include "model/CAddress.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace senderdlg;

namespace {

QLineEdit* AddField(QFormLayout* form, QWidget* parent, int id, const QString& label)
{
    auto* edit = new QLineEdit(parent);
    SetControlId(edit, id);
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    form->addRow(caption, edit);
    return edit;
}

}  // namespace

CSenderEditDlg::CSenderEditDlg(const CSenderAccount& account, QWidget* parent)
    : QDialog(parent), account_(account), shownPort_(account.sendPort)
{
    SetControlId(this, IDD);
    setWindowTitle(u"差出人"_s);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    layout->addLayout(form);

    name_ = AddField(form, this, IDC_NAME, u"差出人名(&N)"_s);
    mailAddress_ = AddField(form, this, IDC_MAIL_ADDRESS, u"メールアドレス(&M)"_s);
    sendServer_ = AddField(form, this, IDC_SEND_SERVER, u"送信サーバー(&S)"_s);

    auto* portRow = new QHBoxLayout;
    sendPort_ = new QLineEdit(this);
    SetControlId(sendPort_, IDC_SEND_PORT);
    SetUpPortEdit(sendPort_);
    auto* portLabel = new QLabel(u"ポート(&P)"_s, this);
    portLabel->setBuddy(sendPort_);
    auto* defaultPort = new QPushButton(u"標準に戻す"_s, this);
    SetControlId(defaultPort, IDC_DEFAULT_PORT);
    defaultPort->setToolTip(u"ポート番号を 25 にします"_s);
    portRow->addWidget(sendPort_);
    portRow->addWidget(defaultPort);
    portRow->addStretch(1);
    form->addRow(portLabel, portRow);

    replyAddress_ = AddField(form, this, IDC_REPLY_ADDRESS, u"返信先アドレス(&R)"_s);

    summary_ = new QLabel(this);
    SetControlId(summary_, IDC_AUTH_SUMMARY);
    summary_->setWordWrap(true);
    auto* authButton = new QPushButton(u"認証(&A)..."_s, this);
    SetControlId(authButton, IDC_AUTH);
    authButton->setToolTip(u"送信時の認証 (SMTP認証、POP before SMTP) と接続の暗号化を設定します"_s);
    auto* authRow = new QHBoxLayout;
    authRow->addWidget(summary_, 1);
    authRow->addWidget(authButton);
    auto* authLabel = new QLabel(u"認証と暗号化"_s, this);
    form->addRow(authLabel, authRow);

    defaultPort->setAutoDefault(false);
    authButton->setAutoDefault(false);
    AddOkCancel(this, layout);

    const QFontMetrics metrics = fontMetrics();
    for (QLineEdit* edit : {name_, mailAddress_, sendServer_, replyAddress_})
        edit->setMinimumWidth(metrics.horizontalAdvance(QString(24, u'あ')));

    name_->setText(ToQString(account_.displayName));
    mailAddress_->setText(ToQString(account_.mailAddress));
    sendServer_->setText(ToQString(account_.sendServer));
    sendPort_->setText(QString::number(account_.sendPort));
    replyAddress_->setText(ToQString(account_.replyMailAddress));
    UpdateSummary();

    connect(defaultPort, &QPushButton::clicked, this, &CSenderEditDlg::OnDefaultPort);
    connect(authButton, &QPushButton::clicked, this, &CSenderEditDlg::OnAuth);
    connect(sendPort_, &QLineEdit::textChanged, this, &CSenderEditDlg::OnPortEdited);
    name_->setFocus();
}

void CSenderEditDlg::OnDefaultPort()
{
    sendPort_->setText(QString::number(CSenderAccount::DefaultSendPort));
}

// The send security follows the port while it is the port's default (465 SSL/TLS, 587
// STARTTLS, else none).
void CSenderEditDlg::OnPortEdited()
{
    const long port = PortOf(sendPort_);
    if (port == 0) return;
    account_.sendSecurity = CSenderAccount::SendSecurityAfterPortChange(account_.sendSecurity, shownPort_, port);
    shownPort_ = port;
    UpdateSummary();
}

void CSenderEditDlg::UpdateSummary()
{
    QString text;
    if (!account_.needSendAuth)
        text = u"認証なし"_s;
    else if (account_.authMethod == CAccountAuthSet::MethodPopBeforeSmtp)
        text = u"POP before SMTP (%1)"_s.arg(ToQString(account_.receiveServer));
    else
        text = u"SMTP認証"_s;
    const QStringList names = SecurityNames();
    const long security = account_.sendSecurity;
    text += u"、暗号化: "_s + names.value(static_cast<int>(security), names.front());
    summary_->setText(text);
}

void CSenderEditDlg::OnAuth()
{
    account_.sendPort = PortOf(sendPort_) != 0 ? PortOf(sendPort_) : account_.sendPort;
    CSenderAuthDlg dialog(account_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    dialog.GetValues(account_);
    UpdateSummary();
}

bool CSenderEditDlg::ReadFields()
{
    const CString mail = FromQString(mailAddress_->text().trimmed());
    const CString server = FromQString(sendServer_->text().trimmed());
    const CString reply = FromQString(replyAddress_->text().trimmed());
    CString message;
    if (mail.IsEmpty()) return FieldError(this, mailAddress_, u"メールアドレスが入力されていません。"_s);
    if (!CAddress::CheckAddress(mail, message)) return FieldError(this, mailAddress_, ToQString(message));
    if (server.IsEmpty()) return FieldError(this, sendServer_, u"送信サーバーが入力されていません。"_s);
    if (PortOf(sendPort_) == 0) return FieldError(this, sendPort_, PortError());
    if (!reply.IsEmpty() && !CAddress::CheckAddress(reply, message)) return FieldError(this, replyAddress_, ToQString(message));

    account_.displayName = FromQString(name_->text());
    account_.mailAddress = mail;
    account_.sendServer = server;
    account_.sendPort = PortOf(sendPort_);
    account_.replyMailAddress = reply;
    return true;
}

QWidget* CSenderEditDlg::FieldOfColumn(const std::string& column) const
{
    if (column == "DISPLAY_NAME") return name_;
    if (column == "MAIL_ADDRESS") return mailAddress_;
    if (column == "SEND_SERVER") return sendServer_;
    if (column == "REPLY_MAIL_ADDRESS") return replyAddress_;
    return nullptr;  // a field of dialog 167
}

void CSenderEditDlg::accept()
{
    if (!ReadFields()) return;
    CString detail;
    CSenderSecurity::Status status = account_.Save(detail);
    if (status == CSenderSecurity::NoKeyring || status == CSenderSecurity::KeyringFailed) {
        // The account is written; only the password waits for its place.
        if (!CSenderAuthDlg::OfferAccountMdb(this, ShownText(detail))) {
            UpdateSummary();
            return;
        }
        account_.passwordInKeyring = false;
        account_.passwordChanged = true;
        status = account_.Save(detail);
    }
    if (status == CSenderSecurity::ValueTooLong) {
        FieldError(this, FieldOfColumn(account_.GetTooLongColumn()), ShownText(detail));
        return;
    }
    if (status != CSenderSecurity::Ok) {
        FieldError(this, nullptr, ShownText(detail));
        return;
    }
    if (!detail.IsEmpty())
        MessageBox(this, ShownText(detail), u"差出人"_s, MB_OK | MB_ICONEXCLAMATION);
    QDialog::accept();
}
