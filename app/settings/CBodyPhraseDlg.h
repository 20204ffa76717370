#pragma once
// Dialog 102 "定型文": one fixed phrase of the Body page, its title and its rich text, in a
// letter editor dialog. Opened for a new phrase (only "新規" can be chosen) or for the
// phrase chosen on the page ("修正" first, "新規" and "削除" too). On OK it answers the
// operation (0 new, 1 change, 2 delete) with the edited title and RTF; the page writes the
// store. A new or changed phrase needs a title: without one the dialog says so and stays.

#include "encoding/CString.h"
#include "letter/CEditLetterDlg.h"

class QLineEdit;
class QRadioButton;

class CBodyPhraseDlg : public CEditLetterDlg {
    Q_OBJECT
public:
    enum { IDD = 102, IDC_TITLE = 1001, IDC_TITLE_LABEL = 1002, IDC_NEW = 1095, IDC_CHANGE = 1096, IDC_DELETE = 1097 };
    enum Operation { OperationNew = 0, OperationChange = 1, OperationDelete = 2 };

    // `title` and `rtf` code page 932; `existing` 0 for a new phrase.
    CBodyPhraseDlg(const CString& title, const CString& rtf, int existing, QWidget* parent);
    ~CBodyPhraseDlg() override;

    int GetOperation() const;
    CString GetTitle() const;
    // The editor's content as RTF.
    CString GetPhraseRtf();

    QLineEdit* GetTitleEdit() const { return m_title; }
    QRadioButton* GetOperationButton(int operation) const;

    void accept() override;

protected:
    int OnInitDialog() override;

private:
    QLineEdit* m_title;
    QRadioButton* m_operations[3];
    CString m_rtf;
    int m_existing;
};
