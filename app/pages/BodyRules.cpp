#include "pages/BodyRules.h"

#include "files/CTemplateFile.h"
#include "model/CFileUtility.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace BodyRules {

int AttachmentListHeight(int count)
{
    if (count <= 0)
        return kListEmptyHeight;
    if (count <= kListRowsShown)
        return kListRowHeight * count + kListFrame;
    return kListMaxHeight;
}

CString OriginalMessageBlock(const CString& summary)
{
    CString block("\r\n\r\n");
    block += "----- Original Message ------------------------------------";
    block += "\r\n";
    block += summary;
    block += "-----------------------------------------------------------";
    block += "\r\n\r\n";
    return block;
}

int CIdlePacer::Tick()
{
    if (++count_ < kPasses)
        return 0;
    count_ = 0;
    return 1;
}

bool SameFiles(const CMailDoc::FileList& a, const CMailDoc::FileList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CMailDoc::FileInfo& x, const CMailDoc::FileInfo& y) {
                          return x.path == y.path && x.title == y.title;
                      });
}

CPath PhraseFolder(const CPath& dataFolder)
{
    return dataFolder / "Template";
}

int MakePhraseFolder(const CPath& folder)
{
    if (CFileUtility::IsFolder(folder))
        return 1;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? 1 : 0;
}

int LoadPhrases(CTemplateFile& store, CTitleList& phrases)
{
    phrases.clear();
    long id = 0;
    CString title;
    for (int more = store.ListFirst(id, title); more; more = store.ListNext(id, title))
        phrases.push_back({id, title});
    store.ListEnd();
    std::stable_sort(phrases.begin(), phrases.end(),
                     [](const CTitleItem& a, const CTitleItem& b) { return a.id < b.id; });
    return 1;
}

CString CleanPhraseTitle(const CString& title)
{
    CString clean = title;
    std::string& bytes = clean.Str();
    std::replace(bytes.begin(), bytes.end(), '\r', ' ');
    std::replace(bytes.begin(), bytes.end(), '\n', ' ');
    return clean;
}

int ApplyPhraseOperation(CTemplateFile& store, CTitleList& phrases, int& selected, int operation,
                         const CString& title, const CString& rtf)
{
    const bool chosen = selected >= 0 && selected < static_cast<int>(phrases.size());
    const CString clean = CleanPhraseTitle(title);
    switch (operation) {
    case PhraseAdd: {
        long id = 0;
        if (!store.Add(clean, rtf, id))
            return 0;
        auto at = std::find_if(phrases.begin(), phrases.end(), [id](const CTitleItem& item) { return item.id > id; });
        const auto inserted = phrases.insert(at, {id, clean});
        selected = static_cast<int>(inserted - phrases.begin());
        return 1;
    }
    case PhraseChange:
        if (!chosen || !store.Modify(phrases[static_cast<std::size_t>(selected)].id, clean, rtf))
            return 0;
        phrases[static_cast<std::size_t>(selected)].title = clean;
        return 1;
    case PhraseDelete:
        if (!chosen || !store.Delete(phrases[static_cast<std::size_t>(selected)].id))
            return 0;
        phrases.erase(phrases.begin() + selected);
        selected = -1;
        return 1;
    default:
        return 0;
    }
}

}  // namespace BodyRules
