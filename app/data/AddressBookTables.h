#pragma once
// The address book's tables read whole: every PERSON row and every GROUP row (in the group
// set's name order), for the address book held in memory. Each loader returns 0 when its
// table cannot be opened or read (the list then holds what was read before) and never
// throws. Writing goes through CPersonSet and CGroupSet, whose operations do not throw.

#include "data/CGroupSet.h"
#include "encoding/CString.h"
#include "model/CPath.h"

#include <vector>

struct CPersonRecord {
    long id = 0;
    CString displayName;
    CString mailAddress;
    long refCount = 0;
};

struct CGroupRecord {
    long id = 0;
    CString name;
    CIdArray members;  // person ids in member order; may name persons that are gone
};

// Every person, in PERSON_ID order. An empty path means theDataStore's Address.mdb.
int LoadPersons(std::vector<CPersonRecord>& persons, const CPath& databasePath = CPath());
// Every group, sorted by GROUP_NAME as CGroupSet sorts.
int LoadGroups(std::vector<CGroupRecord>& groups, const CPath& databasePath = CPath());
