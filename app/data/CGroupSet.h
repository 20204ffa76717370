#pragma once
// Address-book groups: the GROUP table of Address.mdb, sorted by name. A group's members
// are person ids kept in MEMBERS as decimal numbers each followed by a comma ("12,7,30,");
// an empty list is stored as a single space, never as null.

#include "data/CKeyedSet.h"

#include <vector>

using CIdArray = std::vector<long>;

class CGroupSet : public CKeyedSet {
public:
    // An empty path means theDataStore's Address.mdb.
    explicit CGroupSet(const CPath& databasePath = CPath());

    int Add(const char* groupName, const CIdArray& memberIds, long& newId);
    int Modify(long id, const char* groupName, const CIdArray& memberIds);
    // Makes the first group (by name order) with exactly this name current; 0 when none.
    [[nodiscard]] int FindByName(const char* groupName);
    // Empties `memberIds`, then fills it from the group's MEMBERS; 0 when there is no such
    // group.
    [[nodiscard]] int ReadMembers(long id, CIdArray& memberIds);
    int WriteMembers(long id, const CIdArray& memberIds);

    static CString EncodeMembers(const CIdArray& memberIds);
    // Appends the number before each comma; what follows the last comma is ignored.
    static void DecodeMembers(const CString& text, CIdArray& memberIds);

    long groupId = 0;
    CString groupName;  // Text(255)
    CString members;    // Memo, encoded as above

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
