#include "data/SenderList.h"

#include "data/CAccountSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDbException.h"
#include "model/CAddress.h"

const char* DefaultSenderMark()
{
    return " (通常)";
}

CString SenderEntryText(const CString& displayName, const CString& mailAddress, bool isDefault)
{
    CString text = CAddress("", displayName.GetString(), mailAddress.GetString()).ToText();
    if (isDefault) text += DefaultSenderMark();
    return text;
}

int LoadSenderList(CSenderList& list)
{
    list = CSenderList{};
    CCurrentAccountSet current;
    if (!current.Open()) return 0;
    if (current.HasCurrent()) {
        list.defaultId = current.accountId;
        list.setToBcc = current.setToBcc;
    }
    current.Close();
    CAccountSet accounts;
    if (!accounts.Open()) return 0;
    try {
        for (accounts.MoveFirst(); !accounts.IsEOF(); accounts.MoveNext()) {
            list.entries.push_back(
                {accounts.id, SenderEntryText(accounts.displayName, accounts.mailAddress, accounts.id == list.defaultId),
                 CAddress("", accounts.displayName.GetString(), accounts.mailAddress.GetString())});
        }
    } catch (const CDbException&) {
        return 0;
    }
    return 1;
}

int ToggleDefaultSender(long selectedId, long& oldId, long& newId)
{
    CCurrentAccountSet current;
    if (!current.Open()) return 0;
    oldId = current.HasCurrent() ? current.accountId : 0;
    newId = selectedId == oldId ? -1 : selectedId;
    current.accountId = newId;
    return current.Save();
}

int WriteSenderToBcc(int setToBcc)
{
    CCurrentAccountSet current;
    if (!current.Open()) return 0;
    current.setToBcc = setToBcc != 0;
    return current.Save();
}
