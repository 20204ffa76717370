#pragma once
// Dialog 172 "メール受信ソフトを開く": the mail reader's path (1088, from "Others/OEPath"),
// "..." (1100) to choose it, "初期値" (1098) to put the default back, "開く" (OK) to start it
// and store the path. The program is started with QProcess and no arguments, never through
// a shell, so no character of the path has a meaning of its own.

#include <QDialog>

class QLineEdit;

class CMailReaderDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 172, IDC_PATH = 1088, IDC_BROWSE = 1100, IDC_DEFAULT = 1098 };

    explicit CMailReaderDlg(QWidget* parent);

    // The stored path, or the default.
    static QString StoredPath();
    // Starts `path` detached; shows why when it cannot be started. Returns non-zero on success.
    static int StartMailReader(const QString& path, QWidget* parent);

    QString GetPath() const;
    void SetPath(const QString& path);

    void OnBrowse();
    void OnDefault();
    void accept() override;

private:
    QLineEdit* m_path;
};
