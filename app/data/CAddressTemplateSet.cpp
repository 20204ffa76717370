#include "data/CAddressTemplateSet.h"

#include "data/CDataStore.h"

CAddressTemplateSet::CAddressTemplateSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetTemplateDbPath() : databasePath,
                "ADDRESS_TEMPLATE", "ID")
{
}

void CAddressTemplateSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("ID", id);
    fx.Text("TITLE", title, 255);
    fx.Text("SUBJECT", subject, 255);
    fx.Text("TO_ADDRESSES", toAddresses);
    fx.Text("CC_ADDRESSES", ccAddresses);
    fx.Text("BCC_ADDRESSES", bccAddresses);
    fx.Long("LETTER_TEMPLATE_ID", letterTemplateId);
}

CString CAddressTemplateSet::EncodeAddresses(const std::vector<CAddress>& list)
{
    CString text;
    for (const CAddress& address : list) {
        text += address.ToText();
        text += '\n';
    }
    return text;
}

void CAddressTemplateSet::DecodeAddresses(const CString& text, const char* groupName,
                                          std::vector<CAddress>& list)
{
    int start = 0;
    for (int feed = text.Find('\n'); feed >= 0; feed = text.Find('\n', start)) {
        CAddress address;
        address.FromText(text.Mid(start, feed - start));
        address.SetGroupName(groupName);
        list.push_back(address);
        start = feed + 1;
    }
}

int CAddressTemplateSet::Add(const char* title, const char* subject,
                             const std::vector<CAddress>& toList,
                             const std::vector<CAddress>& ccList,
                             const std::vector<CAddress>& bccList, long letterTemplateId,
                             long& newId)
{
    return AddRow(
        [&] {
            this->title = title;
            this->subject = subject;
            toAddresses = EncodeAddresses(toList);
            ccAddresses = EncodeAddresses(ccList);
            bccAddresses = EncodeAddresses(bccList);
            this->letterTemplateId = letterTemplateId;
        },
        newId);
}

int CAddressTemplateSet::Modify(long id, const char* title, const char* subject,
                                const std::vector<CAddress>& toList,
                                const std::vector<CAddress>& ccList,
                                const std::vector<CAddress>& bccList, long letterTemplateId)
{
    return ModifyRow(id, [&] {
        this->title = title;
        this->subject = subject;
        toAddresses = EncodeAddresses(toList);
        ccAddresses = EncodeAddresses(ccList);
        bccAddresses = EncodeAddresses(bccList);
        this->letterTemplateId = letterTemplateId;
    });
}

int CAddressTemplateSet::ReadAddresses(std::vector<CAddress>& toList,
                                       std::vector<CAddress>& ccList,
                                       std::vector<CAddress>& bccList) const
{
    if (!HasCurrent()) return 0;
    DecodeAddresses(toAddresses, title.GetString(), toList);
    DecodeAddresses(ccAddresses, title.GetString(), ccList);
    DecodeAddresses(bccAddresses, title.GetString(), bccList);
    return 1;
}
