#include "pages/CBodyPage.h"

#include "command/CommandIds.h"
#include "command/QtText.h"
#include "letter/CEditLetter.h"
#include "model/CMailDoc.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>

CBodyPage::CBodyPage(CMailDoc* doc, CMailWizard* wizard)
    : CWizardPage(IDD, doc, wizard), m_edit(new CEditLetter(this))
{
    auto* label = new QLabel(QStringLiteral(u"本文(&B)"), this);
    SetControlId(label, IDC_BODY_LABEL);
    label->setBuddy(m_edit);
    PageLayout()->addWidget(label);
    PageLayout()->addWidget(m_edit, 1, Qt::AlignHCenter);
}

CBodyPage::~CBodyPage() = default;

int CBodyPage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    m_edit->Init(1);
    ClearEditor();
    return 1;
}

void CBodyPage::ClearEditor()
{
    m_edit->clear();
    m_edit->SelToNewSentence();
    m_edit->document()->setModified(false);
}

int CBodyPage::LoadFromDocument()
{
    CWizardPage::LoadFromDocument();
    CString body;
    GetDocument()->GetBody(body);
    QString text = ToQString(body);
    text.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    m_edit->setPlainText(text);
    m_edit->selectAll();
    m_edit->SelToNewSentence();
    QTextCursor start = m_edit->textCursor();
    start.movePosition(QTextCursor::Start);
    m_edit->setTextCursor(start);
    // Marked modified, so that leaving the page exports the body again.
    m_edit->document()->setModified(true);
    return 1;
}

int CBodyPage::StoreToDocument()
{
    int changed = CWizardPage::StoreToDocument();
    if (m_edit->document()->isModified()) {
        CString body;
        m_edit->GetTextWithReturn(body);
        GetDocument()->SetBody(body);
        GetDocument()->SetModifiedFlag();
        m_edit->document()->setModified(false);
        changed = 1;
    }
    return changed;
}

void CBodyPage::OnPageShown()
{
    CWizardPage::OnPageShown();
    GetSubjectEdit()->setFocus();
}

void CBodyPage::ResetPage()
{
    CWizardPage::ResetPage();
    ClearEditor();
}

int CBodyPage::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    if (wnd != nullptr && (wnd == m_edit || wnd == m_edit->viewport())) {
        item = m_edit;
        return 1;
    }
    return CWizardPage::IsUpdateCommandItem(wnd, item);
}
