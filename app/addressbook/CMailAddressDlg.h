#pragma once
// Dialog 154 "メールアドレス": one address, its display name and mail address. The recipient
// lists open it with "アドレス帳にも反映(&B)" (the caller then stores the address in the
// address book too); the address book opens it without that box for a person. It opens with
// preset values and returns the edited address (the preset's group name kept); the caller
// writes it. OK checks the address with CAddress::CheckAddress and shows its text; a check
// of the caller's own (a person stored already) may keep the dialog open too.

#include "model/CAddress.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;

class CMailAddressDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 154, IDC_NAME = 1034, IDC_MAIL = 1060, IDC_REFLECT = 1106 };
    // Answers the text to show (code page 932) and the caption, or an empty text when the
    // address may be taken.
    using Check = std::function<CString(const CAddress& address, CString& caption)>;

    CMailAddressDlg(const CAddress& preset, int withReflect, QWidget* parent);

    // The edited address: display name cleaned (CleanDisplayName), mail address trimmed.
    CAddress GetAddress() const;
    int GetReflect() const;
    void SetReflect(int reflect);
    void SetCheck(Check check) { m_check = std::move(check); }

    void accept() override;

private:
    CAddress m_preset;
    QLineEdit* m_name;
    QLineEdit* m_mail;
    QCheckBox* m_reflect;
    Check m_check;
};
