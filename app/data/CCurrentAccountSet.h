#pragma once
// The one row of CURRENT_ACCOUNT in Account.mdb: the default sender and the sender-Bcc flag.
// Read it by opening the set (which moves to the row); change it with Edit and Update, or
// with Save. ACCOUNT_ID 0 (as created) or -1 (a default cleared) means none.

#include "data/CRecordset.h"

class CCurrentAccountSet : public CRecordset {
public:
    explicit CCurrentAccountSet(const CPath& databasePath = CPath());

    // Writes the members' values into the first row, adding it when the table is empty;
    // 0 on failure.
    int Save();

    long accountId = 0;  // 0 or -1 for none
    int setToBcc = 0;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
