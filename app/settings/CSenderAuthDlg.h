#pragma once
// Dialog 167 "認証": how a sender account logs in. "送信時に認証する(&A)" (1101, the
// account's NEED_SEND_AUTH) with the method "POP before SMTP" (1102) or "SMTP認証" (1103),
// the receive server (1064) with its port (1105) and connection security (1106), the user id
// (1066), the password (1068, hidden) and "パスワードを暗号化する(&E)" (1104: the password
// goes to the desktop's keyring), with a line saying where the password is kept (1108); and
// the send server's connection security (1107: none, STARTTLS, SSL/TLS, its default from the
// send port).
//
// The password is read when the dialog opens (from Account.mdb or the keyring); when the
// keyring cannot give it, the dialog says so and a new one must be typed to change it. OK
// checks the fields (at most 64 bytes for the user id and the password) and, with the
// keyring box ticked while no keyring answers, asks whether to keep the password in
// Account.mdb instead, never silently. Nothing is written here: the edit dialog's OK does.

#include "settings/CSenderAccount.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class CSenderAuthDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDD = 167,
        IDC_NEED_AUTH = 1101,
        IDC_POP_BEFORE_SMTP = 1102,
        IDC_SMTP_AUTH = 1103,
        IDC_RECEIVE_SERVER = 1064,
        IDC_USER = 1066,
        IDC_PASSWORD = 1068,
        IDC_ENCRYPT = 1104,
        IDC_RECEIVE_PORT = 1105,
        IDC_RECEIVE_SECURITY = 1106,
        IDC_SEND_SECURITY = 1107,
        IDC_PASSWORD_PLACE = 1108,
    };

    CSenderAuthDlg(const CSenderAccount& account, QWidget* parent);
    ~CSenderAuthDlg() override;

    // The dialog's values into `account` (after OK).
    void GetValues(CSenderAccount& account) const;
    void accept() override;

    // Says why the keyring cannot take the password and asks whether to keep it in
    // Account.mdb instead; true on Yes.
    static bool OfferAccountMdb(QWidget* parent, const QString& why);

private:
    void UpdateControls();
    void UpdatePasswordPlace();
    void OnReceiveSecurityChanged(int index);
    bool PasswordChanged() const;

    CSenderAccount account_;
    bool passwordEdited_ = false;
    QString readFailure_;  // why the stored password could not be read, else empty
    int receiveSecurity_;
    QCheckBox* needAuth_;
    QRadioButton* popBeforeSmtp_;
    QRadioButton* smtpAuth_;
    QLineEdit* receiveServer_;
    QLineEdit* receivePort_;
    QComboBox* receiveSecurityBox_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* encrypt_;
    QLabel* passwordPlace_;
    QComboBox* sendSecurity_;
    QList<QWidget*> popFields_;
    QList<QWidget*> loginFields_;
};
