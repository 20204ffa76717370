#include "data/CPersonSet.h"

#include "data/CDataStore.h"
#include "data/CDbException.h"

CPersonSet::CPersonSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetAddressDbPath() : databasePath,
                "PERSON", "PERSON_ID")
{
}

void CPersonSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("PERSON_ID", personId);
    fx.Text("DISPLAY_NAME", displayName, 255);
    fx.Text("MAIL_ADDRESS", mailAddress, 255);
    fx.Long("REF_COUNT", refCount);
}

int CPersonSet::Add(const char* displayName, const char* mailAddress, long& newId)
{
    return AddRow(
        [&] {
            this->displayName = displayName;
            this->mailAddress = mailAddress;
        },
        newId);
}

int CPersonSet::Modify(long id, const char* displayName, const char* mailAddress)
{
    return ModifyRow(id, [&] {
        this->displayName = displayName;
        this->mailAddress = mailAddress;
    });
}

int CPersonSet::FindByNameAndAddress(const char* displayName, const char* mailAddress)
{
    return LookUpByNameAndAddress(displayName, mailAddress) > 0 ? 1 : 0;
}

int CPersonSet::LookUpByNameAndAddress(const char* displayName, const char* mailAddress)
{
    try {
        ClearFilter();
        bool found;
        if (!displayName || !*displayName) {
            found = FindFirst("\"DISPLAY_NAME\" IS NULL AND \"MAIL_ADDRESS\" = ?",
                              {CString(mailAddress)});
        } else {
            found = FindFirst("\"DISPLAY_NAME\" = ? AND \"MAIL_ADDRESS\" = ?",
                              {CString(displayName), CString(mailAddress)});
        }
        return found && HasCurrent() ? 1 : 0;
    } catch (const CDbException&) {
        return -1;
    }
}

int CPersonSet::AddRef(long id)
{
    // Read and write under one lock, so a second instance cannot lose a count.
    return ModifyRow(id, [&] { ++refCount; });
}
