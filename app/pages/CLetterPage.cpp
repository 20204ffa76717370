#include "pages/CLetterPage.h"

#include <QBoxLayout>
#include <QLineEdit>

CLetterPage::CLetterPage(CMailDoc* doc, CMailWizard* wizard) : CWizardPage(IDD, doc, wizard)
{
    PageLayout()->addStretch(1);
}

void CLetterPage::OnPageShown()
{
    CWizardPage::OnPageShown();
    GetSubjectEdit()->setFocus();
}
