#include "data/AddressBookTables.h"

#include "data/CDbException.h"
#include "data/CPersonSet.h"

int LoadPersons(std::vector<CPersonRecord>& persons, const CPath& databasePath)
{
    persons.clear();
    CPersonSet set(databasePath);
    if (!set.Open())
        return 0;
    try {
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
            persons.push_back({set.personId, set.displayName, set.mailAddress, set.refCount});
    } catch (const CDbException&) {
        return 0;
    }
    return 1;
}

int LoadGroups(std::vector<CGroupRecord>& groups, const CPath& databasePath)
{
    groups.clear();
    CGroupSet set(databasePath);
    if (!set.Open())
        return 0;
    try {
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext()) {
            CGroupRecord group{set.groupId, set.groupName, {}};
            CGroupSet::DecodeMembers(set.members, group.members);
            groups.push_back(std::move(group));
        }
    } catch (const CDbException&) {
        return 0;
    }
    return 1;
}
