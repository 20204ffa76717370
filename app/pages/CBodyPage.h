#pragma once
// Dialog 159 "本文、添付ファイル", page "Body": the body in the letter editor (1006).
// For now only the editor and its label; the Body page issue brings the attachment list,
// the fixed phrases, the indent and format buttons and the reply and forward loading.

#include "shell/CWizardPage.h"

class CEditLetter;

class CBodyPage : public CWizardPage {
    Q_OBJECT
public:
    enum { IDD = 159, IDC_BODY_LABEL = 1142, IDC_BODY = 1006 };

    CBodyPage(CMailDoc* doc, CMailWizard* wizard);
    ~CBodyPage() override;

    const char* GetPageName() const override { return "Body"; }
    const char* GetPageCaption() const override { return "本文、添付ファイル"; }
    int LoadFromDocument() override;
    int StoreToDocument() override;
    void OnPageShown() override;
    void ResetPage() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;

    CEditLetter* GetEditor() const { return m_edit; }

protected:
    int OnInitDialog() override;

private:
    void ClearEditor();

    CEditLetter* m_edit;
};
