#include "addressbook/CGroupDlg.h"

#include "addressbook/AddressRules.h"
#include "addressbook/CAddressBook.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/DialogButtons.h"
#include "command/QtText.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

CGroupDlg::CGroupDlg(const CString& preset, QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"グループ"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral(u"グループ名(&N):"), this);
    m_name = new QLineEdit(ToQString(preset), this);
    SetControlId(m_name, IDC_NAME);
    m_name->setMinimumWidth(m_name->fontMetrics().horizontalAdvance(QString(16, u'あ')));
    label->setBuddy(m_name);
    row->addWidget(label);
    row->addWidget(m_name, 1);
    layout->addLayout(row);
    AddOkCancelRow(this, layout);
    m_name->selectAll();
}

CString CGroupDlg::GetName() const
{
    return TrimBlanks(FromQString(m_name->text()));
}

void CGroupDlg::accept()
{
    if (m_check) {
        const CString problem = m_check(GetName());
        if (!problem.IsEmpty()) {
            MessageBox(this, ToQString(problem), ToQString(CAddressBook::kCaption), MB_OK | MB_ICONEXCLAMATION);
            m_name->setFocus();
            m_name->selectAll();
            return;
        }
    }
    QDialog::accept();
}
