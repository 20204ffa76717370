#include "pages/AddressPageRules.h"

#include "addressbook/AddressRules.h"

#include <algorithm>

namespace {

bool BeginsWith(const CString& text, const CString& prefix)
{
    return text.View().substr(0, static_cast<std::size_t>(prefix.GetLength())) == prefix.View();
}

}  // namespace

CString AddTemplateSubject(const CString& subject, const CString& templateSubject)
{
    if (templateSubject.IsEmpty() || BeginsWith(subject, templateSubject))
        return subject;
    return templateSubject + subject;
}

CString RemoveTemplateSubject(const CString& subject, const CString& templateSubject)
{
    if (templateSubject.IsEmpty() || !BeginsWith(subject, templateSubject))
        return subject;
    return subject.Mid(templateSubject.GetLength());
}

int InitialSenderIndex(const std::vector<long>& ids, long defaultId, long chosenId)
{
    for (long wanted : {chosenId, defaultId}) {
        if (wanted <= 0)
            continue;
        const auto found = std::find(ids.begin(), ids.end(), wanted);
        if (found != ids.end())
            return static_cast<int>(found - ids.begin());
    }
    return ids.size() == 1 ? 0 : -1;
}

int SenderIndexOfAddress(const std::vector<CAddress>& senders, const CAddress& from)
{
    if (from.GetMailAddress().IsEmpty())
        return -1;
    int sameAddress = -1;
    for (std::size_t i = 0; i < senders.size(); ++i) {
        if (!IsSameAddress(senders[i], from))
            continue;
        if (senders[i].GetDisplayName() == from.GetDisplayName())
            return static_cast<int>(i);
        if (sameAddress < 0)
            sameAddress = static_cast<int>(i);
    }
    return sameAddress;
}

int AppendAddresses(std::vector<CAddress>& list, const std::vector<CAddress>& more)
{
    int added = 0;
    for (const CAddress& address : more) {
        if (FindAddress(list, address) >= 0)
            continue;
        list.push_back(address);
        ++added;
    }
    return added;
}

int RemoveAddresses(std::vector<CAddress>& list, const std::vector<CAddress>& gone)
{
    const auto end = std::remove_if(list.begin(), list.end(),
                                    [&gone](const CAddress& address) { return FindAddress(gone, address) >= 0; });
    const int removed = static_cast<int>(list.end() - end);
    list.erase(end, list.end());
    return removed;
}
