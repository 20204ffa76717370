#include "settings/RecordDlgParts.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "encoding/CLanguage.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

COperationGroup::COperationGroup(QWidget* parent)
    : QGroupBox(QStringLiteral(u"操作"), parent),
      m_add(new QRadioButton(QStringLiteral(u"新規(&N)"), this)),
      m_change(new QRadioButton(QStringLiteral(u"修正(&M)"), this)),
      m_delete(new QRadioButton(QStringLiteral(u"削除(&D)"), this))
{
    SetControlId(m_add, IDC_ADD);
    SetControlId(m_change, IDC_CHANGE);
    SetControlId(m_delete, IDC_DELETE);
    auto* row = new QHBoxLayout(this);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* radio : {m_add, m_change, m_delete}) {
        row->addWidget(radio);
        group->addButton(radio);
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                emit Changed();
        });
    }
    row->addStretch(1);
    m_add->setChecked(true);
}

RecordOperation COperationGroup::Get() const
{
    if (m_delete->isChecked())
        return RecordDelete;
    return m_change->isChecked() ? RecordChange : RecordAdd;
}

void COperationGroup::Set(RecordOperation operation)
{
    if (!m_change->isEnabled())
        operation = RecordAdd;
    (operation == RecordDelete ? m_delete : operation == RecordChange ? m_change : m_add)->setChecked(true);
}

void COperationGroup::SetRecordExists(bool exists)
{
    m_change->setEnabled(exists);
    m_delete->setEnabled(exists);
    if (!exists)
        m_add->setChecked(true);
}

QDialogButtonBox* AddOkCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral(u"OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral(u"キャンセル"), QDialogButtonBox::RejectRole);
    SetControlId(ok, 1);
    SetControlId(cancel, 2);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QString CheckTitle(const CString& value, const QString& field, int maxBytes)
{
    if (ToQString(value).trimmed().isEmpty())
        return u"%1を入力してください。"_qs.arg(field);
    return CheckLength(value, field, maxBytes);
}

QString CheckLength(const CString& value, const QString& field, int maxBytes)
{
    if (value.GetLength() <= maxBytes)
        return QString();
    return u"%1が長すぎます。%1は半角%2文字（全角%3文字）以内で入力してください。"_qs.arg(field).arg(maxBytes).arg(maxBytes / 2);
}

void ShowRecordProblem(QWidget* parent, const QString& text, QWidget* focus)
{
    MessageBox(parent, text, u"エラー"_qs, MB_OK | MB_ICONEXCLAMATION);
    if (focus == nullptr)
        return;
    focus->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(focus))
        edit->selectAll();
}

bool ConfirmDelete(QWidget* parent, const QString& title)
{
    return MessageBox(parent, u"「%1」を削除してもよろしいですか？"_qs.arg(title), u"確認"_qs,
                      MB_YESNO | MB_ICONQUESTION) == IDYES;
}

QString WriteFailedText()
{
    return u"定型文データベースに書き込めませんでした。"_qs;
}

CString SuggestedTitle(const CString& text, int maxBytes)
{
    int end = 0;
    while (end < text.GetLength() && text[end] != '\r' && text[end] != '\n')
        ++end;
    CString title;
    CLanguage::CutSJIS(text.GetString(), static_cast<unsigned int>(end), static_cast<unsigned int>(maxBytes), title);
    return title;
}

CString OneLine(const CString& text)
{
    CString line = text;
    line.Remove('\r');
    line.Remove('\n');
    return line;
}
