// The page base's part in drafts: the rich text of the page's letter editors.
#include "shell/CWizardPage.h"

#include "command/CommandIds.h"
#include "letter/CEditLetter.h"

#include <QTextDocument>

#include <algorithm>
#include <cstdlib>

namespace {

const char kPageRecord[] = "page";

std::string EditorKey(const char* what, const CEditLetter* editor)
{
    return what + std::to_string(GetControlId(editor));
}

}  // namespace

void CWizardPage::SaveDraftState(std::vector<CDraftRecord>& records)
{
    for (CEditLetter* editor : findChildren<CEditLetter*>()) {
        CString rtf;
        editor->GetRtf(rtf);
        records.push_back({kPageRecord, {GetPageName(), EditorKey("rtf:", editor), rtf.Str()}});
        records.push_back({kPageRecord, {GetPageName(), EditorKey("caret:", editor),
                                         std::to_string(editor->textCursor().position())}});
    }
}

void CWizardPage::RestoreDraftState(const std::vector<CDraftRecord>& records)
{
    for (CEditLetter* editor : findChildren<CEditLetter*>()) {
        for (const CDraftRecord& record : records) {
            if (record.name != kPageRecord || record.fields.size() != 3 || record.fields[0] != GetPageName())
                continue;
            if (record.fields[1] == EditorKey("rtf:", editor)) {
                editor->SetRtf(CString(record.fields[2]));
                // Leaving the page exports the restored text again.
                editor->document()->setModified(true);
            } else if (record.fields[1] == EditorKey("caret:", editor)) {
                QTextCursor caret = editor->textCursor();
                const int end = editor->document()->characterCount() - 1;
                caret.setPosition(std::clamp(std::atoi(record.fields[2].c_str()), 0, std::max(end, 0)));
                editor->setTextCursor(caret);
            }
        }
    }
}
