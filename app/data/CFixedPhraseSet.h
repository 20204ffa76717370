#pragma once
// Stored phrases of the Letter page: one of the five phrase tables of Template.mdb
// (SUBJECT_PREFIX, DEAR, GREETING, CLOSING, SIGNATURE), chosen at construction. Any other
// table name leaves the set unable to open.

#include "data/CKeyedSet.h"

class CFixedPhraseSet : public CKeyedSet {
public:
    // An empty path means theDataStore's Template.mdb.
    explicit CFixedPhraseSet(const char* tableName, const CPath& databasePath = CPath());

    int Add(const char* title, const char* detail, long& newId);
    int Modify(long id, const char* title, const char* detail);

    long id = 0;
    CString title;   // Text(100)
    CString detail;  // Memo

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
