#include "data/TitleLists.h"

#include "data/CAddressTemplateSet.h"
#include "data/CDbException.h"
#include "data/CFixedPhraseSet.h"
#include "data/CGroupSet.h"
#include "data/CLetterTemplateSet.h"

namespace {

template <typename Set>
CTitleItem TitleOf(const Set& row)
{
    return {row.id, row.title};
}

CTitleItem TitleOf(const CGroupSet& row)
{
    return {row.groupId, row.groupName};
}

template <typename Set>
int LoadTitles(Set& set, CTitleList& titles)
{
    titles.clear();
    if (!set.Open())
        return 0;
    try {
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
            titles.push_back(TitleOf(set));
    } catch (const CDbException&) {
        return 0;
    }
    return 1;
}

}  // namespace

int LoadAddressTemplateTitles(CTitleList& titles)
{
    CAddressTemplateSet set;
    return LoadTitles(set, titles);
}

int LoadLetterTemplateTitles(CTitleList& titles)
{
    CLetterTemplateSet set;
    return LoadTitles(set, titles);
}

int LoadPhraseTitles(const char* table, CTitleList& titles)
{
    CFixedPhraseSet set(table);
    return LoadTitles(set, titles);
}

int LoadGroupTitles(CTitleList& titles)
{
    CGroupSet set;
    return LoadTitles(set, titles);
}
