#include "data/CMessageUi.h"

#include "data/CDataStore.h"

namespace {
CMessageUi* installed = nullptr;
}

CMessageUi* CMessageUi::Get()
{
    return installed;
}

void CMessageUi::Set(CMessageUi* ui)
{
    installed = ui;
}

int ShowMessageBox(const CString& text, unsigned int type)
{
    if (!installed) return IDOK;
    return installed->MessageBox(text, theDataStore.GetProductName(), type);
}
