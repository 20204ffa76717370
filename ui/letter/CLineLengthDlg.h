#pragma once
// Dialog 103 "改行文字数": the line lengths of new and of quoted text, each 1 to 76
// half-width columns. The fields take digits only (the input method stays off for them).

#include <QDialog>

class QLineEdit;

class CLineLengthDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 103;
    static constexpr int kNewLineLengthId = 1089;
    static constexpr int kReplyLineLengthId = 1092;
    static constexpr unsigned int kMinimum = 1;
    static constexpr unsigned int kMaximum = 76;

    explicit CLineLengthDlg(QWidget* parent = nullptr);

    // In: shown when the dialog opens; out: the accepted values.
    unsigned int m_newLineLength = 60;
    unsigned int m_replyLineLength = 76;

    // The data exchange: reads both fields; on a value outside 1..76 (or no number) puts the
    // focus on that field, shows the range message and returns 0, leaving the members as
    // they were. The message box is window-modal and does not block.
    int UpdateData();
    // The text of the range message.
    static QString RangeMessage();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* newLength_;
    QLineEdit* replyLength_;
};
