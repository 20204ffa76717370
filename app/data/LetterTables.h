#pragma once
// What the Letter page and its dialogs read from and write to Template.mdb and Config.mdb:
// the phrases of the five phrase tables, the letter templates, and the upper-reply flag of
// EDIT_SETTING. Every function returns 0 on an engine error (or a text longer than its
// column, or a row that is not there) and never throws.

#include "data/TitleLists.h"
#include "RecordOperation.h"
#include "encoding/CString.h"

#include <vector>


// One row of SUBJECT_PREFIX, DEAR, GREETING, CLOSING or SIGNATURE.
struct CPhrase {
    long id = -1;
    CString title;
    CString text;  // DETAIL
};
using CPhraseList = std::vector<CPhrase>;

// Every row of the phrase table `table`, in the table's order.
int LoadPhrases(const char* table, CPhraseList& phrases);
// Adds, changes or deletes `phrase` in `table`; an add sets phrase.id to the new row's id.
int SavePhrase(const char* table, RecordOperation operation, CPhrase& phrase);

// One row of LETTER_TEMPLATE as the page holds it: ids are -1 when none (the table keeps 0
// for none, and both read as none).
struct CLetterTemplate {
    long id = -1;
    CString title;
    CString subject;
    CString dear;
    CString greeting;
    CString closing;
    long signatureId = -1;
    long addressTemplateId = -1;
};

// The row with `id`; 0, with `record` empty, when there is none.
int LoadLetterTemplate(long id, CLetterTemplate& record);
// Adds, changes or deletes `record`; an add sets record.id. No linked id is stored as 0.
int SaveLetterTemplate(RecordOperation operation, CLetterTemplate& record);

// UPPER_REPLY of the one EDIT_SETTING row; `upperReply` is left alone on failure.
int LoadUpperReply(int& upperReply);
int SaveUpperReply(int upperReply);
