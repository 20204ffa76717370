#include "data/LetterTables.h"

#include "data/CDbException.h"
#include "data/CEditSettingSet.h"
#include "data/CFixedPhraseSet.h"
#include "data/CLetterTemplateSet.h"

namespace {

long StoredId(long id)
{
    return id > 0 ? id : 0;
}

long ReadId(long id)
{
    return id > 0 ? id : -1;
}

}  // namespace

int LoadPhrases(const char* table, CPhraseList& phrases)
{
    phrases.clear();
    CFixedPhraseSet set(table);
    if (!set.Open())
        return 0;
    try {
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
            phrases.push_back({set.id, set.title, set.detail});
    } catch (const CDbException&) {
        return 0;
    }
    return 1;
}

int SavePhrase(const char* table, RecordOperation operation, CPhrase& phrase)
{
    CFixedPhraseSet set(table);
    if (!set.Open())
        return 0;
    switch (operation) {
    case RecordAdd: {
        long id = 0;
        if (!set.Add(phrase.title.GetString(), phrase.text.GetString(), id))
            return 0;
        phrase.id = id;
        return 1;
    }
    case RecordChange:
        return set.Modify(phrase.id, phrase.title.GetString(), phrase.text.GetString());
    case RecordDelete:
        return set.Remove(phrase.id);
    }
    return 0;
}

int LoadLetterTemplate(long id, CLetterTemplate& record)
{
    record = CLetterTemplate();
    CLetterTemplateSet set;
    if (!set.Open() || !set.FindById(id))
        return 0;
    record.id = set.id;
    record.title = set.title;
    record.subject = set.subject;
    record.dear = set.dear;
    record.greeting = set.greeting;
    record.closing = set.closing;
    record.signatureId = ReadId(set.signatureId);
    record.addressTemplateId = ReadId(set.addressTemplateId);
    return 1;
}

int SaveLetterTemplate(RecordOperation operation, CLetterTemplate& record)
{
    CLetterTemplateSet set;
    if (!set.Open())
        return 0;
    const CLetterTemplate& r = record;
    switch (operation) {
    case RecordAdd: {
        long id = 0;
        if (!set.Add(r.title.GetString(), r.subject.GetString(), r.dear.GetString(), r.greeting.GetString(),
                     r.closing.GetString(), StoredId(r.signatureId), StoredId(r.addressTemplateId), id))
            return 0;
        record.id = id;
        return 1;
    }
    case RecordChange:
        return set.Modify(r.id, r.title.GetString(), r.subject.GetString(), r.dear.GetString(),
                          r.greeting.GetString(), r.closing.GetString(), StoredId(r.signatureId),
                          StoredId(r.addressTemplateId));
    case RecordDelete:
        return set.Remove(r.id);
    }
    return 0;
}

int LoadUpperReply(int& upperReply)
{
    CEditSettingSet settings;
    if (!settings.Open() || !settings.HasCurrent())
        return 0;
    upperReply = settings.upperReply;
    return 1;
}

int SaveUpperReply(int upperReply)
{
    CEditSettingSet settings;
    if (!settings.Open() || !settings.HasCurrent())
        return 0;
    settings.upperReply = upperReply != 0 ? 1 : 0;
    return settings.Save();
}
