#include "data/CCurrentAccountSet.h"

#include "data/CDataStore.h"
#include "data/CDbException.h"

CCurrentAccountSet::CCurrentAccountSet(const CPath& databasePath)
    : CRecordset(databasePath.IsEmpty() ? theDataStore.GetAccountDbPath() : databasePath,
                 "CURRENT_ACCOUNT")
{
}

void CCurrentAccountSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Long("ACCOUNT_ID", accountId);
    fx.Bool("SET_TO_BCC", setToBcc);
}

int CCurrentAccountSet::Save()
{
    long id = accountId;
    int bcc = setToBcc;
    try {
        EditFirstOrAddNew();
        accountId = id;
        setToBcc = bcc;
        Update();
        return 1;
    } catch (const CDbException&) {
        accountId = id;
        setToBcc = bcc;
        return 0;
    }
}
