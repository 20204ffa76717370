#pragma once
// Address-book persons: the PERSON table of Address.mdb. An empty display name is stored
// as null. REF_COUNT counts how often the person was pasted into a list; a new person
// starts at 0.

#include "data/CKeyedSet.h"

class CPersonSet : public CKeyedSet {
public:
    // An empty path means theDataStore's Address.mdb.
    explicit CPersonSet(const CPath& databasePath = CPath());

    int Add(const char* displayName, const char* mailAddress, long& newId);
    int Modify(long id, const char* displayName, const char* mailAddress);
    // Makes the first person with exactly this display name and address current; an empty
    // or null name finds a person without a display name. 0 when there is none.
    [[nodiscard]] int FindByNameAndAddress(const char* displayName, const char* mailAddress);
    // The same, telling an engine error (-1) from no such person (0); 1 when found.
    [[nodiscard]] int LookUpByNameAndAddress(const char* displayName, const char* mailAddress);
    // Adds one to the person's REF_COUNT; 0 when there is no such person.
    int AddRef(long id);

    long personId = 0;
    CString displayName;  // Text(255)
    CString mailAddress;  // Text(255)
    long refCount = 0;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
