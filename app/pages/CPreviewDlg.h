#pragma once
// Dialog 165 "プレビュー": the message as it will be sent, read-only: subject (1000), one
// line per recipient (1138), the attachments (1021, read-only) with their total (1011), the
// letter (1006, as GetBodyWithLetter assembles it, quoted lines marked) and the sender
// (1139); the subject, list and sender end where the letter ends. "閉じる" (IDCANCEL)
// closes it; "送信" (IDOK) is there only with the with-send flag and then has the focus.
//
// Characters that ISO-2022-JP cannot carry are marked in the letter, and a note under it
// (1301) says how they will be sent; where a choice makes a difference (stand-ins, UTF-8,
// ISO-2022-JP as it is) the user picks it in 1302, which sets the document's charset rule
// and replacement at once and shows the letter as it will then leave.

#include "pages/PreviewRules.h"

#include <QDialog>

class CDrawerFileDlg;
class CEditLetter;
class CFileListCtrl;
class CMailDoc;
class QComboBox;
class QLabel;
class QListWidget;
class QLineEdit;
class QPushButton;

class CPreviewDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDD = 165,
        IDC_SUBJECT = 1000,
        IDC_RECIPIENTS = 1138,
        IDC_FILES = 1021,
        IDC_TOTAL = 1011,
        IDC_LETTER = 1006,
        IDC_SENDER = 1139,
        IDC_CHARSET_NOTE = 1301,
        IDC_CHARSET_CHOICE = 1302,
    };

    CPreviewDlg(CMailDoc* doc, QWidget* parent, int withSend);
    ~CPreviewDlg() override;

    QPushButton* GetSendButton() const { return m_send; }
    QPushButton* GetCloseButton() const { return m_close; }
    CEditLetter* GetLetter() const { return m_letter; }
    CFileListCtrl* GetFileList() const { return m_files; }
    QLabel* GetCharsetNote() const { return m_note; }
    QComboBox* GetCharsetChoice() const { return m_choice; }
    // The marks on the letter as shown now.
    const std::vector<PreviewRules::LetterMark>& GetLetterMarks() const { return m_marks; }

private:
    void ShowLetter();
    void ShowCharsetNote();
    void OnChoice(int index);

    CMailDoc* m_doc;
    QLineEdit* m_subject;
    QListWidget* m_recipients;
    CFileListCtrl* m_files;
    QLabel* m_total;
    CEditLetter* m_letter;
    QLabel* m_note;
    QLabel* m_choiceLabel;
    QComboBox* m_choice;
    QLineEdit* m_sender;
    QPushButton* m_send;
    QPushButton* m_close;
    std::unique_ptr<CDrawerFileDlg> m_fileDialog;
    std::vector<CCharsetIssue> m_issues;
    std::vector<PreviewRules::SendingChoice> m_choices;
    std::vector<PreviewRules::LetterMark> m_marks;
};
