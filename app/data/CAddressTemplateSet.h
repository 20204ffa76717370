#pragma once
// Address templates: the ADDRESS_TEMPLATE table of Template.mdb. Each address list is
// stored as one line per address, CAddress::ToText followed by a line feed (0x0A); an
// empty list is the empty text, so null. Read back, every address gets the template's
// title as its group name.

#include "data/CKeyedSet.h"
#include "model/CAddress.h"

#include <vector>

class CAddressTemplateSet : public CKeyedSet {
public:
    // An empty path means theDataStore's Template.mdb.
    explicit CAddressTemplateSet(const CPath& databasePath = CPath());

    int Add(const char* title, const char* subject, const std::vector<CAddress>& toList,
            const std::vector<CAddress>& ccList, const std::vector<CAddress>& bccList,
            long letterTemplateId, long& newId);
    int Modify(long id, const char* title, const char* subject,
               const std::vector<CAddress>& toList, const std::vector<CAddress>& ccList,
               const std::vector<CAddress>& bccList, long letterTemplateId);
    // Appends the current row's addresses to the three lists.
    int ReadAddresses(std::vector<CAddress>& toList, std::vector<CAddress>& ccList,
                      std::vector<CAddress>& bccList) const;

    static CString EncodeAddresses(const std::vector<CAddress>& list);
    // Appends an address for every piece before a line feed; text after the last line feed
    // is ignored.
    static void DecodeAddresses(const CString& text, const char* groupName,
                                std::vector<CAddress>& list);

    long id = 0;
    CString title;         // Text(255)
    CString subject;       // Text(255)
    CString toAddresses;   // Memo
    CString ccAddresses;   // Memo
    CString bccAddresses;  // Memo
    long letterTemplateId = 0;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
