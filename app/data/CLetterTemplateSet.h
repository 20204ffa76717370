#pragma once
// Letter templates: the LETTER_TEMPLATE table of Template.mdb.

#include "data/CKeyedSet.h"

class CLetterTemplateSet : public CKeyedSet {
public:
    // An empty path means theDataStore's Template.mdb.
    explicit CLetterTemplateSet(const CPath& databasePath = CPath());

    int Add(const char* title, const char* subject, const char* dear, const char* greeting,
            const char* closing, long signatureId, long addressTemplateId, long& newId);
    int Modify(long id, const char* title, const char* subject, const char* dear,
               const char* greeting, const char* closing, long signatureId,
               long addressTemplateId);

    long id = 0;
    CString title;    // Text(255)
    CString subject;  // Text(255)
    CString dear;     // Memo
    CString greeting; // Memo
    CString closing;  // Memo
    long signatureId = 0;        // 0 for none
    long addressTemplateId = 0;  // 0 for none

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
