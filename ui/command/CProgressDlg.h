#pragma once
// The progress dialog (resource 168): a caption, a bar (control 1086) and an optional
// cancel button (control 2, "ｷｬﾝｾﾙ"). While it exists its owner is disabled; destroying it
// enables the owner again. The cancel button, Esc and the close box only clear the continue
// flag: the dialog stays up until its caller closes it. Without a cancel button they do
// nothing, so a run that offers no cancel cannot be cancelled from the keyboard either.

#include "model/CPlatformUi.h"

#include <QDialog>
#include <QPointer>

class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog, public CProgressView {
    Q_OBJECT
public:
    enum { IDD = 168, IDC_PROGRESS = 1086 };

    // `title` is shown as the caption; `showCancel` 0 hides the cancel button. The dialog is
    // a window of its own, kept above `owner`'s window, not a child of `owner`, so that
    // disabling the owner does not disable it.
    CProgressDlg(const QString& title, int showCancel, QWidget* owner);
    ~CProgressDlg() override;

    void SetPos(int percent) override;
    int GetContinueFlag() const override { return continue_; }

    QProgressBar* GetProgressCtrl() const { return progress_; }
    QPushButton* GetCancelButton() const { return cancel_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnCancel();

    QPushButton* cancel_;
    QProgressBar* progress_;
    QString title_;
    int showCancel_;
    int continue_ = 1;
    QPointer<QWidget> owner_;
    bool disabledOwner_ = false;
};
