#include "data/AddressTemplates.h"

#include "data/CAddressTemplateSet.h"

int LoadAddressTemplate(long id, CAddressTemplateRecord& record)
{
    record = CAddressTemplateRecord{};
    CAddressTemplateSet set;
    if (!set.Open() || !set.FindById(id))
        return 0;
    record.id = set.id;
    record.title = set.title;
    record.subject = set.subject;
    record.letterTemplateId = set.letterTemplateId;
    return set.ReadAddresses(record.toList, record.ccList, record.bccList);
}

int WriteAddressTemplate(int operation, CAddressTemplateRecord& record)
{
    CAddressTemplateSet set;
    if (!set.Open())
        return 0;
    switch (operation) {
    case RecordAdd: {
        long id = 0;
        if (!set.Add(record.title.GetString(), record.subject.GetString(), record.toList, record.ccList,
                     record.bccList, record.letterTemplateId, id))
            return 0;
        record.id = id;
        return 1;
    }
    case RecordChange:
        return set.Modify(record.id, record.title.GetString(), record.subject.GetString(), record.toList,
                          record.ccList, record.bccList, record.letterTemplateId);
    case RecordDelete:
        return set.Remove(record.id);
    default:
        return 0;
    }
}
