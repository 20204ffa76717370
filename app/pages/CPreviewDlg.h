#pragma once
// Dialog 165 "プレビュー": the message as it will be sent, read-only: subject (1000), one
// line per recipient (1138), the letter (1006, as GetBodyWithLetter assembles it) and the
// sender (1139). "閉じる" (IDCANCEL) closes it; "送信" (IDOK) is there only with the
// with-send flag and then has the focus. The Body page issue adds the attachment list (1021)
// and its total (1011).

#include "encoding/CString.h"

#include <QDialog>

class CEditLetter;
class CMailDoc;
class QListWidget;
class QLineEdit;
class QPushButton;

class CPreviewDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 165, IDC_SUBJECT = 1000, IDC_RECIPIENTS = 1138, IDC_LETTER = 1006, IDC_SENDER = 1139 };

    CPreviewDlg(const CMailDoc* doc, QWidget* parent, int withSend);

    // The recipient lines: "宛先　：　", "ＣＣ　 ：　" or "ＢＣＣ ：　" and the address's
    // ToText, To first, then Cc, then Bcc (code page 932).
    static std::vector<CString> RecipientLines(const CMailDoc& doc);

    QPushButton* GetSendButton() const { return m_send; }
    QPushButton* GetCloseButton() const { return m_close; }

private:
    QLineEdit* m_subject;
    QListWidget* m_recipients;
    CEditLetter* m_letter;
    QLineEdit* m_sender;
    QPushButton* m_send;
    QPushButton* m_close;
};
