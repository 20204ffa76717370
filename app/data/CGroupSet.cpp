#include "data/CGroupSet.h"

#include "data/CDataStore.h"
#include "data/CDbException.h"

#include <cstdlib>
#include <string>

CGroupSet::CGroupSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetAddressDbPath() : databasePath,
                "GROUP", "GROUP_ID", "\"GROUP_NAME\"")
{
}

void CGroupSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("GROUP_ID", groupId);
    fx.Text("GROUP_NAME", groupName, 255);
    fx.Text("MEMBERS", members);
}

CString CGroupSet::EncodeMembers(const CIdArray& memberIds)
{
    // A lone space: the list is empty, yet the column is not null.
    if (memberIds.empty()) return CString(" ");
    CString text;
    for (long id : memberIds) text.AppendFormat("%ld,", id);
    return text;
}

void CGroupSet::DecodeMembers(const CString& text, CIdArray& memberIds)
{
    int start = 0;
    for (int comma = text.Find(','); comma >= 0; comma = text.Find(',', start)) {
        std::string piece(text.View().substr(static_cast<std::size_t>(start),
                                             static_cast<std::size_t>(comma - start)));
        memberIds.push_back(std::atol(piece.c_str()));
        start = comma + 1;
    }
}

int CGroupSet::Add(const char* groupName, const CIdArray& memberIds, long& newId)
{
    return AddRow(
        [&] {
            this->groupName = groupName;
            members = EncodeMembers(memberIds);
        },
        newId);
}

int CGroupSet::Modify(long id, const char* groupName, const CIdArray& memberIds)
{
    return ModifyRow(id, [&] {
        this->groupName = groupName;
        members = EncodeMembers(memberIds);
    });
}

int CGroupSet::FindByName(const char* groupName)
{
    try {
        ClearFilter();
        return FindFirst("\"GROUP_NAME\" = ?", {CString(groupName)}) ? 1 : 0;
    } catch (const CDbException&) {
        return 0;
    }
}

int CGroupSet::ReadMembers(long id, CIdArray& memberIds)
{
    memberIds.clear();
    try {
        if (!FindKey(id)) return 0;
        DecodeMembers(members, memberIds);
        return 1;
    } catch (const CDbException&) {
        return 0;
    }
}

int CGroupSet::WriteMembers(long id, const CIdArray& memberIds)
{
    return ModifyRow(id, [&] { members = EncodeMembers(memberIds); });
}
