#pragma once
// One mailbox: display name, bare mail address (no angle brackets) and, for entries taken
// from the address book, the group it came from. All three texts are code page 932.

#include "encoding/CString.h"

using HICON = void*;

class CAddress {
public:
    CAddress() = default;
    CAddress(const char* group, const char* display, const char* mail);
    CAddress(const CAddress&) = default;
    CAddress& operator=(const CAddress&) = default;
    virtual ~CAddress() = default;

    CString GetGroupName() const { return groupName_; }
    void SetGroupName(const char* name) { groupName_ = name; }
    CString GetDisplayName() const { return displayName_; }
    void SetDisplayName(const char* name) { displayName_ = name; }
    CString GetMailAddress() const { return mailAddress_; }
    void SetMailAddress(const char* address) { mailAddress_ = address; }

    // Addresses carry no icon.
    HICON GetIcon() const { return nullptr; }
    int SetIcon(HICON) { return 1; }

    void Clear();
    // Reads "Name <address>", "\"Name\" <address>" or a bare address.
    void FromText(const CString& text);
    // "Name <address>", or the bare address when there is no name.
    CString ToText() const;
    // "\"Name\" <address>" with every '"' of the name escaped, or the bare address.
    CString ToTextForMail() const;
    int IsValid();
    // The one validity rule for a typed address: not empty, no Japanese byte, and an at
    // sign with something before and after it. On failure `message` says why.
    static int CheckAddress(const CString& address, CString& message);

private:
    CString groupName_;
    CString displayName_;
    CString mailAddress_;
};
