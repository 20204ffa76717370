#include "data/CEditSettingSet.h"

#include "data/CDataStore.h"
#include "data/CDbException.h"

CEditSettingSet::CEditSettingSet(const CPath& databasePath)
    : CRecordset(databasePath.IsEmpty() ? theDataStore.GetConfigDbPath() : databasePath,
                 "EDIT_SETTING")
{
}

void CEditSettingSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Long("NEW_LINE_LENGTH", newLineLength);
    fx.Long("REPLY_LINE_LENGTH", replyLineLength);
    fx.Bool("CLOSE_AFTER_SEND", closeAfterSend);
    fx.Bool("PREVIEW_AT_SEND", previewAtSend);
    fx.Bool("UPPER_REPLY", upperReply);
}

int CEditSettingSet::Save()
{
    long newLength = newLineLength, replyLength = replyLineLength;
    int close = closeAfterSend, preview = previewAtSend, upper = upperReply;
    auto restore = [&] {
        newLineLength = newLength;
        replyLineLength = replyLength;
        closeAfterSend = close;
        previewAtSend = preview;
        upperReply = upper;
    };
    try {
        EditFirstOrAddNew();
        restore();
        Update();
        return 1;
    } catch (const CDbException&) {
        restore();
        return 0;
    }
}
