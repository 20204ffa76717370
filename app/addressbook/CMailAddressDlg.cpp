#include "addressbook/CMailAddressDlg.h"

#include "addressbook/AddressRules.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/DialogButtons.h"
#include "command/QtText.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

CMailAddressDlg::CMailAddressDlg(const CAddress& preset, int withReflect, QWidget* parent)
    : QDialog(parent), m_preset(preset)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"メールアドレス"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(ToQString(preset.GetDisplayName()), this);
    SetControlId(m_name, IDC_NAME);
    m_mail = new QLineEdit(ToQString(preset.GetMailAddress()), this);
    SetControlId(m_mail, IDC_MAIL);
    m_mail->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhPreferLatin);
    m_mail->setMinimumWidth(m_mail->fontMetrics().horizontalAdvance(QString(36, u'0')));
    auto* nameLabel = new QLabel(QStringLiteral(u"名前(&N):"), this);
    nameLabel->setBuddy(m_name);
    auto* mailLabel = new QLabel(QStringLiteral(u"メールアドレス(&E):"), this);
    mailLabel->setBuddy(m_mail);
    form->addRow(nameLabel, m_name);
    form->addRow(mailLabel, m_mail);
    layout->addLayout(form);
    m_reflect = new QCheckBox(QStringLiteral(u"アドレス帳にも反映(&B)"), this);
    SetControlId(m_reflect, IDC_REFLECT);
    m_reflect->setVisible(withReflect != 0);
    layout->addWidget(m_reflect);

    AddOkCancelRow(this, layout);
}

CAddress CMailAddressDlg::GetAddress() const
{
    CAddress address = m_preset;
    address.SetDisplayName(CleanDisplayName(FromQString(m_name->text())).GetString());
    address.SetMailAddress(TrimBlanks(FromQString(m_mail->text())).GetString());
    return address;
}

int CMailAddressDlg::GetReflect() const
{
    return m_reflect->isVisibleTo(this) && m_reflect->isChecked() ? 1 : 0;
}

void CMailAddressDlg::SetReflect(int reflect)
{
    m_reflect->setChecked(reflect != 0);
}

void CMailAddressDlg::accept()
{
    const CAddress address = GetAddress();
    CString message;
    if (!CAddress::CheckAddress(address.GetMailAddress(), message)) {
        MessageBox(this, ToQString(message), QStringLiteral(u"エラー"), MB_OK | MB_ICONEXCLAMATION);
        m_mail->setFocus();
        m_mail->selectAll();
        return;
    }
    if (m_check) {
        CString caption;
        const CString problem = m_check(address, caption);
        if (!problem.IsEmpty()) {
            MessageBox(this, ToQString(problem), ToQString(caption), MB_OK | MB_ICONEXCLAMATION);
            m_mail->setFocus();
            return;
        }
    }
    QDialog::accept();
}
