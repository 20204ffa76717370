#pragma once
// Dialog 156 "エラー": the message (1087) and the send's error text (1065), both read-only;
// OK closes it, "メール受信ソフトを開く(&E)" (1095) starts the configured mail reader and
// closes it.

#include "encoding/CString.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

class CSendErrorDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 156, IDC_MESSAGE = 1087, IDC_DETAIL = 1065, IDC_OPEN_MAIL_READER = 1095 };

    // `message` and `detail` are code page 932.
    CSendErrorDlg(const CString& message, const CString& detail, QWidget* parent);

private:
    void OnOpenMailReader();
};
