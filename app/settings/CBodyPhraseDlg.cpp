#include "settings/CBodyPhraseDlg.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

CBodyPhraseDlg::CBodyPhraseDlg(const CString& title, const CString& rtf, int existing, QWidget* parent)
    : CEditLetterDlg(IDD, parent), m_title(new QLineEdit(this)), m_operations{}, m_rtf(rtf), m_existing(existing)
{
    setWindowTitle(QStringLiteral(u"定型文"));
    auto* label = new QLabel(QStringLiteral(u"タイトル(&T):"), this);
    SetControlId(label, IDC_TITLE_LABEL);
    label->setBuddy(m_title);
    SetControlId(m_title, IDC_TITLE);
    m_title->setText(ToQString(title));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_title, 1);
    auto* group = new QButtonGroup(this);
    const struct {
        int id;
        const char16_t* text;
    } operations[3] = {{IDC_NEW, u"新規(&N)"}, {IDC_CHANGE, u"修正(&M)"}, {IDC_DELETE, u"削除(&X)"}};
    for (int i = 0; i < 3; ++i) {
        m_operations[i] = new QRadioButton(QString::fromUtf16(operations[i].text), this);
        SetControlId(m_operations[i], operations[i].id);
        group->addButton(m_operations[i], i);
        row->addWidget(m_operations[i]);
    }
    // A new phrase can only be added; a chosen one is changed unless the user says otherwise.
    m_operations[OperationChange]->setEnabled(existing != 0);
    m_operations[OperationDelete]->setEnabled(existing != 0);
    m_operations[existing ? OperationChange : OperationNew]->setChecked(true);
    if (auto* box = qobject_cast<QBoxLayout*>(layout()))
        box->insertLayout(0, row);
}

CBodyPhraseDlg::~CBodyPhraseDlg() = default;

int CBodyPhraseDlg::OnInitDialog()
{
    CEditLetterDlg::OnInitDialog();
    if (!m_rtf.IsEmpty())
        SetRtf(m_rtf);
    Editor().document()->setModified(false);
    Editor().document()->clearUndoRedoStacks();
    if (m_title->text().isEmpty())
        m_title->setFocus();
    return 1;
}

QRadioButton* CBodyPhraseDlg::GetOperationButton(int operation) const
{
    return operation >= 0 && operation < 3 ? m_operations[operation] : nullptr;
}

int CBodyPhraseDlg::GetOperation() const
{
    for (int i = 0; i < 3; ++i)
        if (m_operations[i]->isChecked())
            return i;
    return OperationNew;
}

CString CBodyPhraseDlg::GetTitle() const
{
    return FromQString(m_title->text());
}

CString CBodyPhraseDlg::GetPhraseRtf()
{
    CString rtf;
    GetRtf(rtf);
    return rtf;
}

void CBodyPhraseDlg::accept()
{
    if (GetOperation() != OperationDelete && m_title->text().trimmed().isEmpty()) {
        MessageBox(this, u"タイトルを入力してください。"_qs, u"定型文"_qs, MB_OK | MB_ICONEXCLAMATION);
        m_title->setFocus();
        return;
    }
    CEditLetterDlg::accept();
}
