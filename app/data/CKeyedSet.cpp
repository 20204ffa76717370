#include "data/CKeyedSet.h"

#include "data/CDbException.h"

CKeyedSet::CKeyedSet(const CPath& databasePath, const char* table, const char* idColumn,
                     const char* sort)
    : CRecordset(databasePath, table, sort),
      idCriterion_(std::string("\"") + idColumn + "\" = ?")
{
}

bool CKeyedSet::FindKey(long id)
{
    ClearFilter();
    return FindFirst(idCriterion_, {static_cast<std::int64_t>(id)});
}

int CKeyedSet::FindById(long id)
{
    try {
        return FindKey(id) ? 1 : 0;
    } catch (const CDbException&) {
        return 0;
    }
}

int CKeyedSet::RequeryAll()
{
    try {
        ClearFilter();
        Requery();
        return 1;
    } catch (const CDbException&) {
        return 0;
    }
}

int CKeyedSet::Remove(long id)
{
    try {
        if (!FindKey(id)) return 0;
        Delete();
        return 1;
    } catch (const CDbException&) {
        return 0;
    }
}

int CKeyedSet::AddRow(const std::function<void()>& write, long& id)
{
    NoteWriteError(nullptr);
    try {
        CTransaction transaction(GetDatabase());
        AddNew();
        Update();
        MoveToLastModified();
        long newId = static_cast<long>(GetCurrentRowId());
        Edit();
        write();
        Update();
        transaction.Commit();
        id = newId;
        return 1;
    } catch (const CDbException& error) {
        NoteWriteError(&error);
        RecoverFromFailedWrite();
        return 0;
    }
}

int CKeyedSet::ModifyRow(long id, const std::function<void()>& write)
{
    NoteWriteError(nullptr);
    try {
        CTransaction transaction(GetDatabase());
        if (!FindKey(id)) return 0;
        Edit();
        write();
        Update();
        transaction.Commit();
        return 1;
    } catch (const CDbException& error) {
        NoteWriteError(&error);
        try {
            CancelUpdate();
        } catch (const CDbException&) {
        }
        return 0;
    }
}

void CKeyedSet::RecoverFromFailedWrite()
{
    Invalidate();
    try {
        CancelUpdate();
    } catch (const CDbException&) {
    }
}
