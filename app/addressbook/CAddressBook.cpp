#include "addressbook/CAddressBook.h"

#include "addressbook/AddressRules.h"
#include "data/AddressBookTables.h"
#include "data/CDataStore.h"
#include "data/CPersonSet.h"
#include "encoding/CCodePage.h"

#include <algorithm>

namespace {

std::vector<std::string> SearchWords(const CString& text)
{
    std::vector<std::string> words;
    const std::string folded = FoldForSearch(CCodePage::ToUtf8(text));
    std::size_t start = 0;
    while (start < folded.size()) {
        const std::size_t blank = folded.find_first_of(" \t\r\n", start);
        const std::size_t end = blank == std::string::npos ? folded.size() : blank;
        if (end > start)
            words.push_back(folded.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool Matches(const CBookPerson& person, const std::vector<std::string>& words)
{
    for (const std::string& word : words)
        if (person.searchKey.find(word) == std::string::npos)
            return false;
    return true;
}

// How well `word` fits the person for the completion: 2 when the name or the address (a
// line of the key each) begins with it, 1 when a word inside them does (after a blank, a
// dot, an at sign, a hyphen or an underscore), 0 otherwise.
int Fit(const CBookPerson& person, const std::string& word)
{
    const std::string& key = person.searchKey;
    const std::size_t line = key.find('\n');
    if (key.compare(0, word.size(), word) == 0 || (line != std::string::npos && key.compare(line + 1, word.size(), word) == 0))
        return 2;
    for (std::size_t at = key.find(word); at != std::string::npos; at = key.find(word, at + 1))
        if (at > 0 && std::string_view(" .@-_").find(key[at - 1]) != std::string_view::npos)
            return 1;
    return 0;
}

}  // namespace

CString CAddressBook::Message(Status status)
{
    switch (status) {
    case Ok: return CString();
    case PersonTableFailed: return "PERSONテーブルのオープンに失敗しました。";
    case GroupTableFailed: return "GROUPテーブルのオープンに失敗しました。";
    case PersonExists: return "すでに登録されている名前とメールアドレスです。";
    case GroupNameEmpty: return "グループ名が入力されていません。";
    case GroupNameInUse: return "すでに登録済みのグループ名です。\n他のグループ名を入力してください。";
    case GroupHasMembers: return "まず、メンバーを他のグループへ移動、または、削除してください。";
    case NotFound: return "該当する人が見つかりませんでした。";
    case WriteFailed: return "アドレス帳に書き込めませんでした。";
    }
    return CString();
}

CAddressBook::CAddressBook(const CPath& databasePath) : path_(databasePath)
{
}

CPath CAddressBook::DatabasePath() const
{
    return path_.IsEmpty() ? theDataStore.GetAddressDbPath() : path_;
}

void CAddressBook::Changed()
{
    ++generation_;
    // A listener may subscribe or unsubscribe while called; call a copy.
    const auto listeners = listeners_;
    for (const auto& [key, listener] : listeners)
        if (listener)
            listener();
}

int CAddressBook::Subscribe(std::function<void()> listener)
{
    const int key = nextKey_++;
    listeners_[key] = std::move(listener);
    return key;
}

void CAddressBook::Unsubscribe(int key)
{
    listeners_.erase(key);
}

CBookPerson CAddressBook::MakePerson(long id, const CString& displayName, const CString& mailAddress, long refCount) const
{
    CBookPerson person{id, displayName, mailAddress, refCount, {}, {}};
    const std::string name = FoldForSearch(CCodePage::ToUtf8(displayName));
    const std::string address = FoldForSearch(CCodePage::ToUtf8(mailAddress));
    person.searchKey = name + '\n' + address;
    person.sortKey = name.empty() ? address : name;
    return person;
}

void CAddressBook::IndexPersons()
{
    personIndex_.clear();
    personIndex_.reserve(persons_.size());
    for (std::size_t i = 0; i < persons_.size(); ++i)
        personIndex_[persons_[i].id] = i;
}

void CAddressBook::SortGroups()
{
    // The table's order: names as UTF-8 bytes, then the row id.
    std::stable_sort(groups_.begin(), groups_.end(), [](const CBookGroup& a, const CBookGroup& b) {
        const std::string left = CCodePage::ToUtf8(a.name);
        const std::string right = CCodePage::ToUtf8(b.name);
        return left != right ? left < right : a.id < b.id;
    });
}

std::vector<CAddressBook::Status> CAddressBook::Load()
{
    std::vector<Status> failures;
    std::vector<CPersonRecord> persons;
    if (!LoadPersons(persons, DatabasePath()))
        failures.push_back(PersonTableFailed);
    std::vector<CGroupRecord> groups;
    if (!LoadGroups(groups, DatabasePath()))
        failures.push_back(GroupTableFailed);
    persons_.clear();
    persons_.reserve(persons.size());
    for (const CPersonRecord& record : persons)
        persons_.push_back(MakePerson(record.id, record.displayName, record.mailAddress, record.refCount));
    IndexPersons();
    groups_.clear();
    for (CGroupRecord& record : groups)
        groups_.push_back({record.id, record.name, std::move(record.members)});
    loaded_ = 1;
    Changed();
    return failures;
}

const CBookPerson* CAddressBook::FindPerson(long id) const
{
    const auto found = personIndex_.find(id);
    return found == personIndex_.end() ? nullptr : &persons_[found->second];
}

const CBookGroup* CAddressBook::FindGroup(long id) const
{
    for (const CBookGroup& group : groups_)
        if (group.id == id)
            return &group;
    return nullptr;
}

CBookGroup* CAddressBook::MutableGroup(long id)
{
    return const_cast<CBookGroup*>(FindGroup(id));
}

const CBookGroup* CAddressBook::FindGroupByName(const CString& name) const
{
    const CString trimmed = TrimBlanks(name);
    for (const CBookGroup& group : groups_)
        if (group.name == trimmed)
            return &group;
    return nullptr;
}

long CAddressBook::FindPersonId(const CString& displayName, const CString& mailAddress) const
{
    for (const CBookPerson& person : persons_)
        if (person.displayName == displayName && person.mailAddress == mailAddress)
            return person.id;
    return 0;
}

long CAddressBook::FindPersonOf(const CAddress& address) const
{
    if (const long id = FindPersonId(address.GetDisplayName(), address.GetMailAddress()))
        return id;
    for (const CBookPerson& person : persons_)
        if (IsSameAddress(CAddress("", "", person.mailAddress.GetString()), address))
            return person.id;
    return 0;
}

std::vector<long> CAddressBook::GetMembers(long groupId) const
{
    std::vector<long> members;
    if (const CBookGroup* group = FindGroup(groupId))
        for (long id : group->members)
            if (FindPerson(id) != nullptr && std::find(members.begin(), members.end(), id) == members.end())
                members.push_back(id);
    return members;
}

std::vector<long> CAddressBook::AllPersonIds() const
{
    std::vector<long> ids;
    ids.reserve(persons_.size());
    for (const CBookPerson& person : persons_)
        ids.push_back(person.id);
    return ids;
}

// ---------------------------------------------------------------------------------------
// Persons

CAddressBook::Status CAddressBook::AddPerson(const CString& displayName, const CString& mailAddress, long& id)
{
    const CString name = CleanDisplayName(displayName);
    const CString address = TrimBlanks(mailAddress);
    if (FindPersonId(name, address) != 0)
        return PersonExists;
    CPersonSet set(DatabasePath());
    if (!set.Open())
        return PersonTableFailed;
    long newId = 0;
    if (!set.Add(name.GetString(), address.GetString(), newId))
        return WriteFailed;
    persons_.push_back(MakePerson(newId, name, address, 0));
    personIndex_[newId] = persons_.size() - 1;
    id = newId;
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::ModifyPerson(long id, const CString& displayName, const CString& mailAddress)
{
    const CBookPerson* person = FindPerson(id);
    if (person == nullptr)
        return NotFound;
    const CString name = CleanDisplayName(displayName);
    const CString address = TrimBlanks(mailAddress);
    const long same = FindPersonId(name, address);
    if (same != 0 && same != id)
        return PersonExists;
    CPersonSet set(DatabasePath());
    if (!set.Open())
        return PersonTableFailed;
    if (!set.Modify(id, name.GetString(), address.GetString()))
        return WriteFailed;
    persons_[personIndex_[id]] = MakePerson(id, name, address, person->refCount);
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::RemovePerson(long id)
{
    if (FindPerson(id) == nullptr)
        return NotFound;
    // Out of the groups first: a failure then leaves a person without groups, never a
    // group naming a person that is gone.
    bool inGroup = false;
    for (const CBookGroup& group : groups_)
        inGroup = inGroup || std::find(group.members.begin(), group.members.end(), id) != group.members.end();
    if (inGroup) {
        CGroupSet groups(DatabasePath());
        if (!groups.Open())
            return GroupTableFailed;
        for (CBookGroup& group : groups_) {
            if (std::find(group.members.begin(), group.members.end(), id) == group.members.end())
                continue;
            CIdArray members = group.members;
            members.erase(std::remove(members.begin(), members.end(), id), members.end());
            if (!groups.WriteMembers(group.id, members))
                return WriteFailed;
            group.members = std::move(members);
        }
    }
    CPersonSet set(DatabasePath());
    if (!set.Open())
        return PersonTableFailed;
    if (!set.Remove(id))
        return WriteFailed;
    persons_.erase(persons_.begin() + static_cast<std::ptrdiff_t>(personIndex_[id]));
    IndexPersons();
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::AddRef(long id)
{
    if (FindPerson(id) == nullptr)
        return NotFound;
    CPersonSet set(DatabasePath());
    if (!set.Open())
        return PersonTableFailed;
    if (!set.AddRef(id))
        return WriteFailed;
    ++persons_[personIndex_[id]].refCount;
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::AddRefByAddress(const CAddress& address)
{
    const long id = FindPersonOf(address);
    return id != 0 ? AddRef(id) : Ok;
}

// ---------------------------------------------------------------------------------------
// Groups

CAddressBook::Status CAddressBook::CheckGroupName(const CString& name, long exceptGroupId) const
{
    const CString trimmed = TrimBlanks(name);
    if (trimmed.IsEmpty())
        return GroupNameEmpty;
    for (const CBookGroup& group : groups_)
        if (group.id != exceptGroupId && group.name == trimmed)
            return GroupNameInUse;
    return Ok;
}

CAddressBook::Status CAddressBook::AddGroup(const CString& name, long& id)
{
    if (const Status status = CheckGroupName(name); status != Ok)
        return status;
    const CString trimmed = TrimBlanks(name);
    CGroupSet set(DatabasePath());
    if (!set.Open())
        return GroupTableFailed;
    long newId = 0;
    if (!set.Add(trimmed.GetString(), {}, newId))
        return WriteFailed;
    groups_.push_back({newId, trimmed, {}});
    SortGroups();
    id = newId;
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::RenameGroup(long id, const CString& name)
{
    CBookGroup* group = MutableGroup(id);
    if (group == nullptr)
        return NotFound;
    if (const Status status = CheckGroupName(name, id); status != Ok)
        return status;
    const CString trimmed = TrimBlanks(name);
    CGroupSet set(DatabasePath());
    if (!set.Open())
        return GroupTableFailed;
    if (!set.Modify(id, trimmed.GetString(), group->members))
        return WriteFailed;
    group->name = trimmed;
    SortGroups();
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::RemoveGroup(long id)
{
    if (FindGroup(id) == nullptr)
        return NotFound;
    if (!GetMembers(id).empty())
        return GroupHasMembers;
    CGroupSet set(DatabasePath());
    if (!set.Open())
        return GroupTableFailed;
    if (!set.Remove(id))
        return WriteFailed;
    groups_.erase(std::find_if(groups_.begin(), groups_.end(), [id](const CBookGroup& group) { return group.id == id; }));
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::WriteMembers(CBookGroup& group, const CIdArray& members)
{
    CGroupSet set(DatabasePath());
    if (!set.Open())
        return GroupTableFailed;
    if (!set.WriteMembers(group.id, members))
        return WriteFailed;
    group.members = members;
    Changed();
    return Ok;
}

CAddressBook::Status CAddressBook::AddMembers(long groupId, const CIdArray& personIds)
{
    CBookGroup* group = MutableGroup(groupId);
    if (group == nullptr)
        return NotFound;
    CIdArray members = group->members;
    for (long id : personIds)
        if (FindPerson(id) != nullptr && std::find(members.begin(), members.end(), id) == members.end())
            members.push_back(id);
    if (members == group->members)
        return Ok;
    return WriteMembers(*group, members);
}

CAddressBook::Status CAddressBook::RemoveMembers(long groupId, const CIdArray& personIds)
{
    CBookGroup* group = MutableGroup(groupId);
    if (group == nullptr)
        return NotFound;
    CIdArray members = group->members;
    for (long id : personIds)
        members.erase(std::remove(members.begin(), members.end(), id), members.end());
    if (members == group->members)
        return Ok;
    return WriteMembers(*group, members);
}

// ---------------------------------------------------------------------------------------
// The program's address operations

CAddressBook::Status CAddressBook::AddAddress(const CAddress& address, long& id)
{
    const CString name = CleanDisplayName(address.GetDisplayName());
    const CString mail = TrimBlanks(address.GetMailAddress());
    if (const long stored = FindPersonId(name, mail)) {
        id = stored;
        return Ok;
    }
    return AddPerson(name, mail, id);
}

CAddressBook::Status CAddressBook::AddAddressToGroup(const CAddress& address, const CString& groupName, long& id)
{
    long personId = 0;
    if (const Status status = AddAddress(address, personId); status != Ok)
        return status;
    id = personId;
    long groupId = 0;
    if (const CBookGroup* group = FindGroupByName(groupName))
        groupId = group->id;
    else if (const Status status = AddGroup(groupName, groupId); status != Ok)
        return status;
    return AddMembers(groupId, {personId});
}

CAddressBook::Status CAddressBook::ReplaceAddress(const CAddress& from, const CAddress& to)
{
    const CString name = CleanDisplayName(to.GetDisplayName());
    const CString mail = TrimBlanks(to.GetMailAddress());
    if (FindPersonId(name, mail) != 0)
        return Ok;
    const long id = FindPersonId(CleanDisplayName(from.GetDisplayName()), TrimBlanks(from.GetMailAddress()));
    if (id == 0) {
        long added = 0;
        return AddPerson(name, mail, added);
    }
    return ModifyPerson(id, name, mail);
}

// ---------------------------------------------------------------------------------------
// Search and completion

std::vector<long> CAddressBook::Search(const CString& text, const std::vector<long>& ids) const
{
    const std::vector<std::string> words = SearchWords(text);
    if (words.empty())
        return ids;
    std::vector<long> found;
    for (long id : ids)
        if (const CBookPerson* person = FindPerson(id); person != nullptr && Matches(*person, words))
            found.push_back(id);
    return found;
}

std::vector<long> CAddressBook::Complete(const CString& text, std::size_t limit) const
{
    const std::vector<std::string> words = SearchWords(text);
    if (words.empty() || limit == 0)
        return {};
    struct Candidate {
        const CBookPerson* person;
        int fit;
    };
    std::vector<Candidate> candidates;
    for (const CBookPerson& person : persons_)
        if (Matches(person, words))
            candidates.push_back({&person, Fit(person, words.front())});
    const auto better = [](const Candidate& a, const Candidate& b) {
        if (a.person->refCount != b.person->refCount)
            return a.person->refCount > b.person->refCount;
        if (a.fit != b.fit)
            return a.fit > b.fit;
        if (a.person->sortKey != b.person->sortKey)
            return a.person->sortKey < b.person->sortKey;
        return a.person->id < b.person->id;
    };
    const std::size_t count = std::min(limit, candidates.size());
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(count), candidates.end(), better);
    std::vector<long> ids;
    ids.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        ids.push_back(candidates[i].person->id);
    return ids;
}
