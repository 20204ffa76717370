#pragma once
// The address book in memory: every person and group of Address.mdb, read once and kept in
// step with the tables by its own operations, each of which writes the table first and
// changes the memory only when the write succeeded. The address book window, the completion
// of the recipient entries and the address operations of the tool windows share one
// instance (CShellToolWindows owns it); no Qt.
//
// Every operation answers a Status whose message (Message) is the text to show, titled
// "アドレス帳" (kCaption). A person deleted from the book leaves every group's member list
// too, so no group keeps an id without a person; ids without a person that a table holds
// already (written by an older program, say) are shown by nobody and kept as they are.
//
// Another instance of the program may change the tables meanwhile; Load reads them again
// (the window does when it is opened).

#include "data/CGroupSet.h"
#include "encoding/CString.h"
#include "model/CPath.h"
#include "model/CAddress.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

struct CBookPerson {
    long id = 0;
    CString displayName;
    CString mailAddress;
    long refCount = 0;
    std::string searchKey;  // FoldForSearch of name and address, one line each
    std::string sortKey;    // folded name, or the address for a person without one
};

struct CBookGroup {
    long id = 0;
    CString name;
    CIdArray members;
};

class CAddressBook {
public:
    enum Status {
        Ok = 0,
        PersonTableFailed,  // PERSON cannot be opened or read
        GroupTableFailed,   // GROUP cannot be opened or read
        PersonExists,       // this display name and address are stored already
        GroupNameEmpty,
        GroupNameInUse,
        GroupHasMembers,    // a group is deleted only when empty
        NotFound,           // a search without result; a person or group that is gone
        WriteFailed,        // the table was opened but the row could not be written
    };
    static constexpr const char* kCaption = "アドレス帳";
    // The text to show for `status` (code page 932); empty for Ok.
    static CString Message(Status status);

    // An empty path means theDataStore's Address.mdb, looked up at every use.
    explicit CAddressBook(const CPath& databasePath = CPath());
    CAddressBook(const CAddressBook&) = delete;
    CAddressBook& operator=(const CAddressBook&) = delete;

    // Reads both tables again. Returns the tables that failed (PersonTableFailed first,
    // then GroupTableFailed); what could be read is kept, the rest is empty.
    std::vector<Status> Load();
    int IsLoaded() const { return loaded_; }

    // Persons in PERSON_ID order; groups in name order (as the table sorts them).
    const std::vector<CBookPerson>& GetPersons() const { return persons_; }
    const std::vector<CBookGroup>& GetGroups() const { return groups_; }
    const CBookPerson* FindPerson(long id) const;
    const CBookGroup* FindGroup(long id) const;
    const CBookGroup* FindGroupByName(const CString& name) const;
    // The person with exactly this display name and address (an empty name finds a person
    // without one); 0 when there is none.
    long FindPersonId(const CString& displayName, const CString& mailAddress) const;
    // The person `address` names: the same name and address, else the first person with
    // the same address (IsSameAddress); 0 when none.
    long FindPersonOf(const CAddress& address) const;
    // The group's members that are persons of the book, in member order.
    std::vector<long> GetMembers(long groupId) const;
    // Every person id, in PERSON_ID order.
    std::vector<long> AllPersonIds() const;

    // Persons. The display name is stored as CleanDisplayName makes it; the address is not
    // checked here (the dialogs check it with CAddress::CheckAddress).
    Status AddPerson(const CString& displayName, const CString& mailAddress, long& id);
    Status ModifyPerson(long id, const CString& displayName, const CString& mailAddress);
    // Deletes the person after taking it out of every group.
    Status RemovePerson(long id);
    // One more use of the person (REF_COUNT).
    Status AddRef(long id);
    // One more use of the person `address` names (FindPersonOf); Ok with nothing done for an
    // address that is not in the book.
    Status AddRefByAddress(const CAddress& address);

    // Groups. Names are trimmed of blanks first; they must not be empty and must differ
    // from every other group's name.
    Status CheckGroupName(const CString& name, long exceptGroupId = 0) const;
    Status AddGroup(const CString& name, long& id);
    Status RenameGroup(long id, const CString& name);
    // GroupHasMembers unless the group has no member left that is a person.
    Status RemoveGroup(long id);
    // Appends the persons that are not members yet, in the given order.
    Status AddMembers(long groupId, const CIdArray& personIds);
    Status RemoveMembers(long groupId, const CIdArray& personIds);

    // The address operations the program offers beside the window. AddAddress stores the
    // person unless it is stored already (Ok, with its id). AddAddressToGroup does the
    // same and makes it a member of the group named `groupName`, which is made when
    // missing. ReplaceAddress changes the person `from` names (exact name and address) into
    // `to`; a person that is not stored is added; when `to` is stored already nothing
    // changes.
    Status AddAddress(const CAddress& address, long& id);
    Status AddAddressToGroup(const CAddress& address, const CString& groupName, long& id);
    Status ReplaceAddress(const CAddress& from, const CAddress& to);

    // The persons among `ids` (kept in their order) whose name or address holds every
    // blank-separated word of `text`, without regard to case or width; all of `ids` for
    // a blank text.
    std::vector<long> Search(const CString& text, const std::vector<long>& ids) const;
    // At most `limit` persons matching `text` as Search does, the most used (REF_COUNT)
    // first, then those whose name or address begins with the text, then by name. None for
    // a blank text.
    std::vector<long> Complete(const CString& text, std::size_t limit) const;

    // Counts every change of the memory (loads included).
    unsigned long GetGeneration() const { return generation_; }
    // `listener` runs after every change; returns a key for Unsubscribe.
    int Subscribe(std::function<void()> listener);
    void Unsubscribe(int key);

private:
    CPath DatabasePath() const;
    void Changed();
    void IndexPersons();
    void SortGroups();
    CBookPerson MakePerson(long id, const CString& displayName, const CString& mailAddress, long refCount) const;
    CBookGroup* MutableGroup(long id);
    Status WriteMembers(CBookGroup& group, const CIdArray& members);

    CPath path_;
    int loaded_ = 0;
    std::vector<CBookPerson> persons_;
    std::unordered_map<long, std::size_t> personIndex_;
    std::vector<CBookGroup> groups_;
    unsigned long generation_ = 0;
    int nextKey_ = 1;
    std::map<int, std::function<void()>> listeners_;
};
