#pragma once
// Dialog 160 "グループ": the name of a group, new or renamed. Opens with the preset name and
// returns the edited one; the caller writes it. A check of the caller's (an empty name, a
// name in use) keeps the dialog open with its message.

#include "encoding/CString.h"

#include <QDialog>

#include <functional>

class QLineEdit;

class CGroupDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 160, IDC_NAME = 1143 };
    // Answers the text to show (code page 932), or an empty text when the name may be taken.
    using Check = std::function<CString(const CString& name)>;

    CGroupDlg(const CString& preset, QWidget* parent);

    CString GetName() const;
    void SetCheck(Check check) { m_check = std::move(check); }
    QLineEdit* GetNameEdit() const { return m_name; }

    void accept() override;

private:
    QLineEdit* m_name;
    Check m_check;
};
