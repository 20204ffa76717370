#include "model/CPlatformUi.h"

namespace {
CPlatformUi* installed = nullptr;
}

CPlatformUi* CPlatformUi::Get()
{
    return installed;
}

void CPlatformUi::Set(CPlatformUi* ui)
{
    installed = ui;
}
