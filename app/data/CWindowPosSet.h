#pragma once
// The one row of WINDOW_POS in Config.mdb: the wizard's position and the folder last used
// for attachments. Read it by opening the set (which moves to the row); change it with Edit
// and Update, or with Save.

#include "data/CRecordset.h"

class CWindowPosSet : public CRecordset {
public:
    explicit CWindowPosSet(const CPath& databasePath = CPath());

    // Writes the members' values into the first row, adding it when the table is empty;
    // 0 on failure.
    int Save();

    long wizardPosX = 0;        // column WIZAWD_POS_X
    long wizardPosY = 0;        // column WIZAWD_POS_Y
    CPath attachedFilesDir;     // Text(255), the folder's own bytes

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
