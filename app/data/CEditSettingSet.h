#pragma once
// The one row of EDIT_SETTING in Config.mdb: line lengths and send options. Read it by
// opening the set (which moves to the row); change it with Edit and Update, or with Save.

#include "data/CRecordset.h"

class CEditSettingSet : public CRecordset {
public:
    explicit CEditSettingSet(const CPath& databasePath = CPath());

    // Writes the members' values into the first row, adding it when the table is empty;
    // 0 on failure.
    int Save();

    long newLineLength = 0;
    long replyLineLength = 0;
    int closeAfterSend = 0;
    int previewAtSend = 0;
    int upperReply = 0;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
