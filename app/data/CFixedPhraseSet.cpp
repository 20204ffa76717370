#include "data/CFixedPhraseSet.h"

#include "data/CDataStore.h"

#include <cstring>

namespace {

// The table name goes into SQL text, so only the five designed names pass.
const char* PhraseTable(const char* name)
{
    for (const char* table : {"SUBJECT_PREFIX", "DEAR", "GREETING", "CLOSING", "SIGNATURE"}) {
        if (name && std::strcmp(name, table) == 0) return table;
    }
    return "";
}

}  // namespace

CFixedPhraseSet::CFixedPhraseSet(const char* tableName, const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetTemplateDbPath() : databasePath,
                PhraseTable(tableName), "ID")
{
}

void CFixedPhraseSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("ID", id);
    fx.Text("TITLE", title, 100);
    fx.Text("DETAIL", detail);
}

int CFixedPhraseSet::Add(const char* title, const char* detail, long& newId)
{
    return AddRow(
        [&] {
            this->title = title;
            this->detail = detail;
        },
        newId);
}

int CFixedPhraseSet::Modify(long id, const char* title, const char* detail)
{
    return ModifyRow(id, [&] {
        this->title = title;
        this->detail = detail;
    });
}
