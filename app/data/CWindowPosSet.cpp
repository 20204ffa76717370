#include "data/CWindowPosSet.h"

#include "data/CDataStore.h"
#include "data/CDbException.h"

CWindowPosSet::CWindowPosSet(const CPath& databasePath)
    : CRecordset(databasePath.IsEmpty() ? theDataStore.GetConfigDbPath() : databasePath,
                 "WINDOW_POS")
{
}

void CWindowPosSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Long("WIZAWD_POS_X", wizardPosX);
    fx.Long("WIZAWD_POS_Y", wizardPosY);
    fx.Path("ATTACHED_FILES_DIR", attachedFilesDir, 255);
}

int CWindowPosSet::Save()
{
    long x = wizardPosX, y = wizardPosY;
    CPath folder = attachedFilesDir;
    auto restore = [&] {
        wizardPosX = x;
        wizardPosY = y;
        attachedFilesDir = folder;
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
