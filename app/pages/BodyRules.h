#pragma once
// The Body page's rules that are not about widgets: the designed geometry of the page, the
// block above a quoted original, the pace of the total's refresh, the attachments as the
// document holds them, and the fixed phrases (定型文) over their store. Qt-free; text is code
// page 932 with CR LF, sizes are pixels of a 96-DPI screen (the page scales them with
// CLetterFormat::DesignPixels).

#include "data/TitleLists.h"
#include "encoding/CString.h"
#include "model/CMailDoc.h"
#include "model/CPath.h"

class CTemplateFile;

namespace BodyRules {

// The attachment list shows up to five rows of 17 pixels inside a 4-pixel frame, one row's
// room when empty, and scrolls beyond five.
constexpr int kListRowHeight = 17;
constexpr int kListFrame = 4;
constexpr int kListRowsShown = 5;
constexpr int kListEmptyHeight = kListRowHeight + kListFrame;                  // 21
constexpr int kListMaxHeight = kListRowHeight * kListRowsShown + kListFrame;  // 89
// Below the list: the label and button rows, then the editor; from the bottom: the editor's
// lower edge and the "標準" and "下線" buttons.
constexpr int kRowsBelowList = 12;
constexpr int kEditorBelowList = 32;
constexpr int kEditorAboveBottom = 53;
constexpr int kFormatButtonsAboveBottom = 32;

// 21 when empty, 17 × n + 4 for one to five files, 89 beyond.
int AttachmentListHeight(int count);

// The block put above the text of a reply or forward: two empty lines for the answer, the
// original's summary (its lines ended by CR LF) framed by the two marker lines, and an
// empty line.
CString OriginalMessageBlock(const CString& summary);
// The characters of the block's head that take the new-text line length (the two empty
// lines where the user writes).
constexpr int kAnswerLines = 2;

// Counts idle passes from 0 to 100; Tick answers 1 on every 101st pass.
class CIdlePacer {
public:
    static constexpr int kPasses = 101;
    int Tick();

private:
    int count_ = 0;
};

// Whether two attachment lists hold the same paths and titles in the same order.
bool SameFiles(const CMailDoc::FileList& a, const CMailDoc::FileList& b);

// The fixed phrases live in the folder "Template" of the data folder, one file per phrase
// (CTemplateFile). MakePhraseFolder creates it (mode 0700) unless it exists; 0 on failure.
CPath PhraseFolder(const CPath& dataFolder);
int MakePhraseFolder(const CPath& folder);

// Every phrase of the store (id and title), by id, so that the list keeps its order from
// one start to the next (the store lists in the file system's order). 0 when the store
// could not be listed to its end; an empty store is a success.
int LoadPhrases(CTemplateFile& store, CTitleList& phrases);

// A title as the store can keep it: its first line is the title, so line breaks become
// blanks.
CString CleanPhraseTitle(const CString& title);

// The three answers of the phrase dialog.
enum PhraseOperation { PhraseAdd = 0, PhraseChange = 1, PhraseDelete = 2 };
// Applies the dialog's answer to the store and to `phrases` (the combo's entries), where
// `selected` is the chosen entry (-1 none): add inserts the phrase at its id's place and
// chooses it, change rewrites the chosen entry in place, delete removes it and leaves none
// chosen. Returns 1, or 0 having changed nothing (a store failure, or change and delete
// without a chosen entry).
int ApplyPhraseOperation(CTemplateFile& store, CTitleList& phrases, int& selected, int operation,
                         const CString& title, const CString& rtf);

}  // namespace BodyRules
