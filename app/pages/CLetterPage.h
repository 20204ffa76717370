#pragma once
// Dialog 153 "件名、文面定型", page "Letter": the subject prefix, salutation, greeting,
// closing, signature and letter templates come with the Letter page issue; for now the page
// holds the subject.

#include "shell/CWizardPage.h"

class CLetterPage : public CWizardPage {
    Q_OBJECT
public:
    enum { IDD = 153 };

    CLetterPage(CMailDoc* doc, CMailWizard* wizard);

    const char* GetPageName() const override { return "Letter"; }
    const char* GetPageCaption() const override { return "件名、文面定型"; }
    void OnPageShown() override;
};
