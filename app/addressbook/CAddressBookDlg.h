#pragma once
// Dialog 152 "アドレス帳": the address book window, a modeless tool window that the data
// store's tool windows create on the first request and keep. It shows "全員" (every person)
// or "グループ" (the group list with "＋" and the chosen group's members), searches with
// "実行", edits persons (dialog 154), groups (dialog 160) and memberships (dialog 161,
// cut and paste between groups), and hands the chosen persons ("選択(&S)") or a whole group
// ("グループ全員(&A)") to the window it was opened for (a CAddressTarget), into the list
// that "追加先" names. Deleting from "全員" deletes the person (and takes it out of every
// group); deleting from a group's members only ends the membership.
//
// The window works on the address book in memory (CAddressBook, not owned), which it reads
// again from the tables each time it is opened; every message is titled "アドレス帳".

#include "addressbook/CAddressBook.h"
#include "addressbook/AddressRules.h"
#include "command/CCommandDlg.h"
#include "command/CStandardEditForXpUI.h"

#include <QPointer>

#include <vector>

class CGroupListView;
class CPersonListView;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QWidget;

class CAddressBookDlg : public CCommandDlg {
    Q_OBJECT
public:
    enum {
        IDD = 152,
        IDC_SHOW_ALL = 1150,
        IDC_SHOW_GROUPS = 1151,
        IDC_SEARCH = 1152,
        IDC_SEARCH_RUN = 1153,
        IDC_GROUP_LIST = 1154,
        IDC_GROUP_ADD = 1155,
        IDC_PERSON_LIST = 1156,
        IDC_MEMBER_LIST = 1157,
        IDC_WHOLE_GROUP = 1158,
        IDC_CHOOSE = 1159,
        IDC_TARGET = 1160,
        IDC_ADD_TO_GROUP = 1161,
        IDC_MOVE_TO_GROUP = 1162,
        // "閉じる(&C)" is IDCANCEL.
    };
    enum Mode { ShowAll = 0, ShowGroups = 1 };

    explicit CAddressBookDlg(CAddressBook& book);
    ~CAddressBookDlg() override;

    // Reads the tables again (a table that cannot be opened is said so), remembers `target`
    // (a window that is a CAddressTarget, or null) and its list `list` (CAddressTarget::List),
    // then shows the window and brings it forward.
    void OpenFor(QWidget* target, int list);
    // Whether the window lets `page` go on: it closes when it was opened for that page and
    // is not in the middle of one of its own dialogs (then 0).
    int CanClose(QWidget* page);
    QWidget* GetTarget() const { return m_target; }
    int GetTargetList() const;

    void SetMode(Mode mode);
    Mode GetMode() const { return m_mode; }
    // "実行": the visible list shows the persons whose name or address holds the search
    // text; none found is said so and the list stays as it was.
    void RunSearch();
    // "選択(&S)" and "グループ全員(&A)"; how many addresses the target took.
    int OnChoose();
    int OnWholeGroup();
    // "グループへ追加(&G)..." (全員) and "他のグループへ移動(&M)..." (グループ), through dialog 161.
    void OnAddToGroup();
    void OnMoveToGroup();

    // What the lists ask of the window.
    void AddPerson(int intoGroup);
    void ModifyPerson(long id);
    // With `fromGroup` the persons leave the current group; otherwise they are deleted from
    // the book after a question. Returns how many went.
    int DeletePersons(const std::vector<long>& ids, int fromGroup);
    // The clipboard's addresses as persons: new ones stored; into the current group with
    // `intoGroup`, else a person stored already is said so.
    void PastePersons(int intoGroup);
    void AddGroup();
    void RenameGroup(long id);
    int DeleteGroup(long id);
    std::vector<CClipAddress> ClipOfPersons(const std::vector<long>& ids, int inGroup) const;
    std::vector<CClipAddress> ClipOfGroup(long groupId) const;
    long GetCurrentGroupId() const;

    CPersonListView* GetPersonList() const { return m_persons; }
    CPersonListView* GetMemberList() const { return m_members; }
    CGroupListView* GetGroupList() const { return m_groups; }
    // The person list that shows now (all persons, or the members).
    CPersonListView* GetVisibleList() const;
    QLineEdit* GetSearchEdit() const { return m_search; }
    QComboBox* GetTargetBox() const { return m_targetBox; }

    void UpdateMenu() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;
    void OnCommand(UINT id) override;

protected:
    int OnInitDialog() override;
    void reject() override;

private:
    void Refresh();
    void RefreshPersons();
    void OnGroupChanged();
    void ShowStatus(CAddressBook::Status status);
    std::vector<CAddress> AddressesOf(const std::vector<long>& ids, long groupId) const;
    int HandOver(const std::vector<CAddress>& addresses);
    long ChooseGroup(long exceptId);
    // Runs a dialog of the window's own; CanClose answers 0 meanwhile.
    int RunModal(class QDialog& dialog);

    CAddressBook& m_book;
    int m_listener = 0;
    Mode m_mode = ShowAll;
    QString m_filter;
    QPointer<QWidget> m_target;
    int m_modal = 0;

    QRadioButton* m_showAll;
    QRadioButton* m_showGroups;
    QLineEdit* m_search;
    CStandardEditForXpUI m_editSearch;
    QPushButton* m_run;
    QWidget* m_groupPane;
    CGroupListView* m_groups;
    QPushButton* m_addGroup;
    QStackedWidget* m_lists;
    CPersonListView* m_persons;
    CPersonListView* m_members;
    QComboBox* m_targetBox;
    QPushButton* m_addToGroup;
    QPushButton* m_moveToGroup;
    QPushButton* m_wholeGroup;
    QPushButton* m_choose;
    QPushButton* m_close;
};
