#pragma once
// The sender accounts as lists show them (the sender list dialog, the Address page's sender
// box), and the two values of CURRENT_ACCOUNT the sender list dialog writes. Every function
// returns 0 on an engine error and never throws.

#include "encoding/CString.h"
#include "model/CAddress.h"

#include <vector>

struct CSenderEntry {
    long id = 0;
    CString text;  // CAddress::ToText of the name and address, " (通常)" behind the default
    CAddress address;  // the account's display name and mail address
};

struct CSenderList {
    std::vector<CSenderEntry> entries;  // the ACCOUNT rows in the table's order
    long defaultId = 0;                 // CURRENT_ACCOUNT.ACCOUNT_ID: 0 or -1 for none
    int setToBcc = 0;                   // CURRENT_ACCOUNT.SET_TO_BCC
};

// " (通常)", the mark behind the default sender's entry.
const char* DefaultSenderMark();
// The entry text of an account: "Name <address>", or the bare address without a name.
CString SenderEntryText(const CString& displayName, const CString& mailAddress, bool isDefault);

// Reads every account and CURRENT_ACCOUNT; on an engine error the list holds what was read.
int LoadSenderList(CSenderList& list);

// "通常差出人に設定": the selected account becomes the default sender, or when it is the
// default already, the default is cleared (-1). Writes CURRENT_ACCOUNT (adding its row when
// the table is empty); `oldId` is the default it replaced, `newId` the one written.
int ToggleDefaultSender(long selectedId, long& oldId, long& newId);

// "差出人をBCCに入れる": writes SET_TO_BCC at once (adding the row when the table is empty).
int WriteSenderToBcc(int setToBcc);
