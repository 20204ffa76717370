#include "letter/CLineLengthDlg.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CLineLengthDlg::CLineLengthDlg(QWidget* parent) : QDialog(parent)
{
    SetControlId(this, kDialogId);
    setWindowTitle(QStringLiteral(u"改行文字数"));
    auto* grid = new QGridLayout(this);
    auto field = [this, grid](int row, int id, const QString& label) {
        auto* edit = new QLineEdit(this);
        SetControlId(edit, id);
        edit->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferLatin);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setMaxLength(5);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral(u"00000")) + 12);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(QStringLiteral(u"文字/行"), this), row, 2);
        return edit;
    };
    newLength_ = field(0, kNewLineLengthId, QStringLiteral(u"新規文章(&N)"));
    replyLength_ = field(1, kReplyLineLengthId, QStringLiteral(u"引用文章(&R)"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    SetControlId(buttons->button(QDialogButtonBox::Ok), 1);
    SetControlId(buttons->button(QDialogButtonBox::Cancel), 2);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral(u"キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CLineLengthDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLineLengthDlg::reject);
    grid->addWidget(buttons, 0, 3, 2, 1);
}

QString CLineLengthDlg::RangeMessage()
{
    return QStringLiteral(u"%1 から %2 までの整数を入力してください。").arg(kMinimum).arg(kMaximum);
}

void CLineLengthDlg::showEvent(QShowEvent* event)
{
    newLength_->setText(QString::number(m_newLineLength));
    replyLength_->setText(QString::number(m_replyLineLength));
    newLength_->setFocus();
    newLength_->selectAll();
    QDialog::showEvent(event);
}

int CLineLengthDlg::UpdateData()
{
    unsigned int values[2] = {0, 0};
    QLineEdit* const fields[2] = {newLength_, replyLength_};
    for (int i = 0; i < 2; ++i) {
        bool ok = false;
        const unsigned int value = fields[i]->text().trimmed().toUInt(&ok);
        if (!ok || value < kMinimum || value > kMaximum) {
            fields[i]->setFocus();
            fields[i]->selectAll();
            MessageBox(this, RangeMessage(), windowTitle(), MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
        values[i] = value;
    }
    m_newLineLength = values[0];
    m_replyLineLength = values[1];
    return 1;
}

void CLineLengthDlg::accept()
{
    if (UpdateData())
        QDialog::accept();
}
