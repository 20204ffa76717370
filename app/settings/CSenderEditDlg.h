#pragma once
// Dialog 166 "差出人": one sender account. Name (1034), mail address (1060), send server
// (1064), port (1067, digits only, 1 to 65535), "標準に戻す" (1073, port 25), reply address
// (1062), and "認証(&A)..." (1109) that opens the authentication dialog 167, whose settings
// are summed up beside it (1110).
//
// OK checks the fields in their designed order, the focus going to the failing one, then
// writes the account (CSenderAccount::Save: ACCOUNT, ACCOUNT_AUTH, the password) and closes.
// A value too long for its column, or a password the keyring cannot take, keeps the dialog
// open with everything typed still there; for the keyring it offers Account.mdb instead.

#include "settings/CSenderAccount.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class CSenderEditDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDD = 166,
        IDC_NAME = 1034,
        IDC_MAIL_ADDRESS = 1060,
        IDC_REPLY_ADDRESS = 1062,
        IDC_SEND_SERVER = 1064,
        IDC_SEND_PORT = 1067,
        IDC_DEFAULT_PORT = 1073,
        IDC_AUTH = 1109,
        IDC_AUTH_SUMMARY = 1110,
    };

    // `account` gives the preset values; an id of 0 makes a new account.
    CSenderEditDlg(const CSenderAccount& account, QWidget* parent);

    // The account as written by OK (its id set for a new one).
    const CSenderAccount& GetAccount() const { return account_; }

    void OnDefaultPort();
    // Opens dialog 167 on the account's login; OK there keeps its values for this OK.
    void OnAuth();
    void accept() override;

private:
    // The fields into account_; false (message shown, focus moved) when a check fails.
    bool ReadFields();
    void OnPortEdited();
    void UpdateSummary();
    QWidget* FieldOfColumn(const std::string& column) const;

    CSenderAccount account_;
    long shownPort_;
    QLineEdit* name_;
    QLineEdit* mailAddress_;
    QLineEdit* sendServer_;
    QLineEdit* sendPort_;
    QLineEdit* replyAddress_;
    QLabel* summary_;
};
