#include "settings/CSenderAuthDlg.h"

#include "settings/CPasswordStore.h"
#include "settings/SenderDialogs_p.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/CAccountAuthSet.h"
#include "data/CAccountSet.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace senderdlg;

namespace {

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QComboBox* SecurityBox(int id, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    SetControlId(box, id);
    box->addItems(SecurityNames());
    return box;
}

int SecurityIndex(long security)
{
    return security >= CAccountAuthSet::SecurityNone && security <= CAccountAuthSet::SecuritySslTls
               ? static_cast<int>(security)
               : CAccountAuthSet::SecurityNone;
}

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

}  // namespace

CSenderAuthDlg::CSenderAuthDlg(const CSenderAccount& account, QWidget* parent)
    : QDialog(parent), account_(account), receiveSecurity_(SecurityIndex(account.receiveSecurity))
{
    SetControlId(this, IDD);
    setWindowTitle(u"認証"_s);
    auto* layout = new QVBoxLayout(this);

    sendSecurity_ = SecurityBox(IDC_SEND_SECURITY, this);
    sendSecurity_->setToolTip(u"送信サーバーとの接続の暗号化です。ポート 465 は SSL/TLS、587 は STARTTLS が一般的です。"_s);
    auto* top = new QHBoxLayout;
    top->addWidget(Caption(u"送信サーバーの暗号化(&S)"_s, sendSecurity_, this));
    top->addWidget(sendSecurity_);
    top->addStretch(1);
    layout->addLayout(top);

    needAuth_ = new QCheckBox(u"送信時に認証する(&A)"_s, this);
    SetControlId(needAuth_, IDC_NEED_AUTH);
    layout->addWidget(needAuth_);

    auto* indented = new QHBoxLayout;
    indented->addSpacing(fontMetrics().horizontalAdvance(u"あ"_s) * 2);
    auto* grid = new QGridLayout;
    indented->addLayout(grid, 1);
    layout->addLayout(indented);

    popBeforeSmtp_ = new QRadioButton(u"POP before SMTP"_s, this);
    SetControlId(popBeforeSmtp_, IDC_POP_BEFORE_SMTP);
    smtpAuth_ = new QRadioButton(u"SMTP認証"_s, this);
    SetControlId(smtpAuth_, IDC_SMTP_AUTH);
    auto* methods = new QHBoxLayout;
    methods->addWidget(popBeforeSmtp_);
    methods->addWidget(smtpAuth_);
    methods->addStretch(1);
    grid->addLayout(methods, 0, 0, 1, 2);

    receiveServer_ = new QLineEdit(this);
    SetControlId(receiveServer_, IDC_RECEIVE_SERVER);
    receivePort_ = new QLineEdit(this);
    SetControlId(receivePort_, IDC_RECEIVE_PORT);
    SetUpPortEdit(receivePort_);
    receiveSecurityBox_ = SecurityBox(IDC_RECEIVE_SECURITY, this);
    receiveSecurityBox_->setToolTip(u"受信サーバー (POP3) との接続の暗号化です。SSL/TLS ではポート 995 が一般的です。"_s);
    QLabel* receiveServerLabel = Caption(u"受信サーバー(&R)"_s, receiveServer_, this);
    QLabel* receivePortLabel = Caption(u"ポート(&O)"_s, receivePort_, this);
    QLabel* receiveSecurityLabel = Caption(u"暗号化(&C)"_s, receiveSecurityBox_, this);
    grid->addWidget(receiveServerLabel, 1, 0);
    grid->addWidget(receiveServer_, 1, 1);
    auto* receiveRow = new QHBoxLayout;
    receiveRow->addWidget(receivePort_);
    receiveRow->addSpacing(fontMetrics().horizontalAdvance(u"あ"_s));
    receiveRow->addWidget(receiveSecurityLabel);
    receiveRow->addWidget(receiveSecurityBox_);
    receiveRow->addStretch(1);
    grid->addWidget(receivePortLabel, 2, 0);
    grid->addLayout(receiveRow, 2, 1);

    user_ = new QLineEdit(this);
    SetControlId(user_, IDC_USER);
    password_ = new QLineEdit(this);
    SetControlId(password_, IDC_PASSWORD);
    password_->setEchoMode(QLineEdit::Password);
    QLabel* userLabel = Caption(u"ユーザーID(&U)"_s, user_, this);
    QLabel* passwordLabel = Caption(u"パスワード(&W)"_s, password_, this);
    grid->addWidget(userLabel, 3, 0);
    grid->addWidget(user_, 3, 1);
    grid->addWidget(passwordLabel, 4, 0);
    grid->addWidget(password_, 4, 1);

    encrypt_ = new QCheckBox(u"パスワードを暗号化する(&E)"_s, this);
    SetControlId(encrypt_, IDC_ENCRYPT);
    encrypt_->setToolTip(u"パスワードをデスクトップのキーリング (GNOME キーリング、KWallet など) に保管します"_s);
    grid->addWidget(encrypt_, 5, 0, 1, 2);
    passwordPlace_ = new QLabel(this);
    SetControlId(passwordPlace_, IDC_PASSWORD_PLACE);
    passwordPlace_->setWordWrap(true);
    grid->addWidget(passwordPlace_, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    const QFontMetrics metrics = fontMetrics();
    for (QLineEdit* edit : {receiveServer_, user_, password_})
        edit->setMinimumWidth(metrics.horizontalAdvance(QString(20, u'あ')));
    passwordPlace_->setMinimumHeight(metrics.lineSpacing() * 3);

    popFields_ = {receiveServerLabel, receiveServer_, receivePortLabel, receivePort_, receiveSecurityLabel,
                  receiveSecurityBox_};
    loginFields_ = {popBeforeSmtp_, smtpAuth_, userLabel, user_, passwordLabel, password_, encrypt_, passwordPlace_};

    AddOkCancel(this, layout);

    // The stored password, for the hidden field; a keyring that cannot give it is said below.
    CString detail;
    if (account_.LoadPassword(detail) != CSenderSecurity::Ok)
        readFailure_ = ShownText(detail);
    else
        password_->setText(QString::fromUtf8(account_.password.data(), static_cast<qsizetype>(account_.password.size())));

    sendSecurity_->setCurrentIndex(SecurityIndex(account_.sendSecurity));
    needAuth_->setChecked(account_.needSendAuth != 0);
    (account_.authMethod == CAccountAuthSet::MethodPopBeforeSmtp ? popBeforeSmtp_ : smtpAuth_)->setChecked(true);
    receiveServer_->setText(ToQString(account_.receiveServer));
    receivePort_->setText(QString::number(account_.receivePort));
    receiveSecurityBox_->setCurrentIndex(receiveSecurity_);
    user_->setText(QString::fromUtf8(account_.sendAccount.data(), static_cast<qsizetype>(account_.sendAccount.size())));
    encrypt_->setChecked(account_.passwordInKeyring);
    UpdateControls();
    UpdatePasswordPlace();

    connect(needAuth_, &QCheckBox::toggled, this, &CSenderAuthDlg::UpdateControls);
    connect(popBeforeSmtp_, &QRadioButton::toggled, this, &CSenderAuthDlg::UpdateControls);
    connect(encrypt_, &QCheckBox::toggled, this, &CSenderAuthDlg::UpdatePasswordPlace);
    connect(password_, &QLineEdit::textEdited, this, [this] { passwordEdited_ = true; });
    connect(receiveSecurityBox_, &QComboBox::currentIndexChanged, this, &CSenderAuthDlg::OnReceiveSecurityChanged);
    sendSecurity_->setFocus();
}

CSenderAuthDlg::~CSenderAuthDlg()
{
    password_->clear();
}

void CSenderAuthDlg::UpdateControls()
{
    const bool login = needAuth_->isChecked();
    for (QWidget* field : loginFields_)
        field->setEnabled(login);
    for (QWidget* field : popFields_)
        field->setEnabled(login && popBeforeSmtp_->isChecked());
}

void CSenderAuthDlg::UpdatePasswordPlace()
{
    QString text;
    if (!readFailure_.isEmpty())
        text = readFailure_ + u"\n変更するときは、パスワードを入力し直してください。"_s;
    else if (!encrypt_->isChecked())
        text = u"パスワードは差出人データベース Account.mdb (本人だけが読み書きできるファイル) に保管します。"_s;
    else if (CPasswordStore::IsAvailable())
        text = u"パスワードはデスクトップのキーリングに保管します。"_s;
    else
        text = u"キーリング (Secret Service) が見つかりません。このままではパスワードをキーリングに保管できません。"_s;
    passwordPlace_->setText(text);
}

// The receive port follows the security while it is the default of the one before (110, or
// 995 with SSL/TLS).
void CSenderAuthDlg::OnReceiveSecurityChanged(int index)
{
    const long port = PortOf(receivePort_);
    if (port == 0 || port == CAccountAuthSet::DefaultReceivePort(receiveSecurity_))
        receivePort_->setText(QString::number(CAccountAuthSet::DefaultReceivePort(index)));
    receiveSecurity_ = index;
}

bool CSenderAuthDlg::PasswordChanged() const
{
    return passwordEdited_ || encrypt_->isChecked() != account_.passwordInKeyring;
}

bool CSenderAuthDlg::OfferAccountMdb(QWidget* parent, const QString& why)
{
    return MessageBox(parent,
                      why + u"\n\nパスワードを差出人データベース Account.mdb (本人だけが読み書きできるファイル) に"
                            u"保管しますか？"_s,
                      u"確認"_s, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CSenderAuthDlg::accept()
{
    if (needAuth_->isChecked()) {
        if (popBeforeSmtp_->isChecked()) {
            if (receiveServer_->text().trimmed().isEmpty())
                return (void)FieldError(this, receiveServer_, u"受信サーバーが入力されていません。"_s);
            if (PortOf(receivePort_) == 0)
                return (void)FieldError(this, receivePort_, PortError());
        }
        if (user_->text().isEmpty()) return (void)FieldError(this, user_, u"ユーザーIDが入力されていません。"_s);
    }
    if (FromQString(receiveServer_->text().trimmed()).GetLength() > CAccountSet::MaxTextBytes)
        return (void)FieldError(this, receiveServer_,
                          ToQString(CSenderAccount::TooLongText("RECEIVE_SERVER", CAccountSet::MaxTextBytes)));
    if (Utf8(user_->text()).size() > CAccountSet::MaxCredentialBytes)
        return (void)FieldError(this, user_, ToQString(CSenderAccount::TooLongText("SEND_ACCOUNT", CAccountSet::MaxCredentialBytes)));
    if (Utf8(password_->text()).size() > CPasswordStore::MaxPasswordBytes)
        return (void)FieldError(this, password_,
                          ToQString(CSenderAccount::TooLongText("SEND_PASSWORD", CPasswordStore::MaxPasswordBytes)));
    if (PasswordChanged() && !passwordEdited_ && !account_.passwordKnown)
        return (void)FieldError(this, password_, u"保管されているパスワードを読み出せなかったため、パスワードを入力し直してください。"_s);
    if (encrypt_->isChecked() && PasswordChanged() && !CPasswordStore::IsAvailable()) {
        if (!OfferAccountMdb(this, u"キーリング (Secret Service) に接続できないため、パスワードをキーリングに保管できません。"_s)) {
            encrypt_->setFocus();
            return;
        }
        encrypt_->setChecked(false);
    }
    QDialog::accept();
}

void CSenderAuthDlg::GetValues(CSenderAccount& account) const
{
    account.sendSecurity = sendSecurity_->currentIndex();
    account.needSendAuth = needAuth_->isChecked() ? 1 : 0;
    account.authMethod =
        popBeforeSmtp_->isChecked() ? CAccountAuthSet::MethodPopBeforeSmtp : CAccountAuthSet::MethodSmtpAuth;
    account.receiveServer = FromQString(receiveServer_->text().trimmed());
    if (const long port = PortOf(receivePort_); port != 0) account.receivePort = port;
    account.receiveSecurity = receiveSecurityBox_->currentIndex();
    account.sendAccount = Utf8(user_->text());
    if (account_.passwordKnown) {
        account.password = account_.password;
        account.passwordKnown = true;
    }
    if (passwordEdited_) {
        account.password = Utf8(password_->text());
        account.passwordKnown = true;
    }
    account.passwordChanged = account.passwordChanged || PasswordChanged();
    account.passwordInKeyring = encrypt_->isChecked();
}
