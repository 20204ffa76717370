#include "addressbook/CAddressBookDlg.h"

#include "addressbook/CAddressTarget.h"
#include "addressbook/CBookLists.h"
#include "addressbook/CGroupDlg.h"
#include "addressbook/CGroupSelectDlg.h"
#include "addressbook/CMailAddressDlg.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "res/ProgramIcon.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include <algorithm>

namespace {

QPushButton* MakeButton(const QString& text, int id, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    SetControlId(button, id);
    button->setAutoDefault(false);
    return button;
}

QString Caption()
{
    return ToQString(CAddressBook::kCaption);
}

}  // namespace

CAddressBookDlg::CAddressBookDlg(CAddressBook& book) : CCommandDlg(IDD, nullptr), m_book(book)
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"アドレス帳"));
    setWindowIcon(ProgramIcon());
    const QFontMetrics metrics = fontMetrics();
    const int wide = metrics.horizontalAdvance(u'あ');

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral(u"表示:"), this));
    m_showAll = new QRadioButton(QStringLiteral(u"全員"), this);
    SetControlId(m_showAll, IDC_SHOW_ALL);
    m_showGroups = new QRadioButton(QStringLiteral(u"グループ"), this);
    SetControlId(m_showGroups, IDC_SHOW_GROUPS);
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_showAll, ShowAll);
    modes->addButton(m_showGroups, ShowGroups);
    m_showAll->setChecked(true);
    top->addWidget(m_showAll);
    top->addWidget(m_showGroups);
    top->addStretch(1);
    auto* searchLabel = new QLabel(QStringLiteral(u"検索(&F):"), this);
    m_search = new QLineEdit(this);
    SetControlId(m_search, IDC_SEARCH);
    m_search->setMinimumWidth(wide * 12);
    searchLabel->setBuddy(m_search);
    m_run = MakeButton(QStringLiteral(u"実行"), IDC_SEARCH_RUN, this);
    top->addWidget(searchLabel);
    top->addWidget(m_search);
    top->addWidget(m_run);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    m_groupPane = new QWidget(this);
    auto* groupRow = new QHBoxLayout(m_groupPane);
    groupRow->setContentsMargins(0, 0, 0, 0);
    m_groups = new CGroupListView(this, m_groupPane);
    SetControlId(m_groups, IDC_GROUP_LIST);
    m_groups->setModel(new CGroupListModel(m_book, m_groups));
    m_groups->setMinimumWidth(wide * 10);
    groupRow->addWidget(m_groups, 1);
    auto* groupButtons = new QVBoxLayout;
    m_addGroup = MakeButton(QStringLiteral(u"＋"), IDC_GROUP_ADD, m_groupPane);
    m_addGroup->setToolTip(QStringLiteral(u"グループを追加"));
    m_addGroup->setAccessibleName(QStringLiteral(u"グループを追加"));
    m_addGroup->setFixedWidth(metrics.horizontalAdvance(QStringLiteral(u"＋")) + metrics.height());
    groupButtons->addWidget(m_addGroup);
    groupButtons->addStretch(1);
    groupRow->addLayout(groupButtons);
    middle->addWidget(m_groupPane, 2);

    m_lists = new QStackedWidget(this);
    m_persons = new CPersonListView(this, 0, m_lists);
    SetControlId(m_persons, IDC_PERSON_LIST);
    m_members = new CPersonListView(this, 1, m_lists);
    SetControlId(m_members, IDC_MEMBER_LIST);
    for (CPersonListView* list : {m_persons, m_members}) {
        list->setModel(new CPersonListModel(m_book, list));
        list->header()->resizeSection(CPersonListModel::NameColumn, wide * 12);
        m_lists->addWidget(list);
    }
    m_lists->setMinimumSize(wide * 26, metrics.lineSpacing() * 14);
    middle->addWidget(m_lists, 5);
    layout->addLayout(middle, 1);

    auto* bottom = new QHBoxLayout;
    auto* targetLabel = new QLabel(QStringLiteral(u"追加先(&T):"), this);
    m_targetBox = new QComboBox(this);
    SetControlId(m_targetBox, IDC_TARGET);
    m_targetBox->addItems({QStringLiteral(u"宛先"), QStringLiteral(u"CC"), QStringLiteral(u"BCC")});
    targetLabel->setBuddy(m_targetBox);
    bottom->addWidget(targetLabel);
    bottom->addWidget(m_targetBox);
    m_addToGroup = MakeButton(QStringLiteral(u"グループへ追加(&G)..."), IDC_ADD_TO_GROUP, this);
    m_moveToGroup = MakeButton(QStringLiteral(u"他のグループへ移動(&M)..."), IDC_MOVE_TO_GROUP, this);
    bottom->addWidget(m_addToGroup);
    bottom->addWidget(m_moveToGroup);
    bottom->addStretch(1);
    m_wholeGroup = MakeButton(QStringLiteral(u"グループ全員(&A)"), IDC_WHOLE_GROUP, this);
    m_choose = MakeButton(QStringLiteral(u"選択(&S)"), IDC_CHOOSE, this);
    m_close = MakeButton(QStringLiteral(u"閉じる(&C)"), IDCANCEL, this);
    bottom->addWidget(m_wholeGroup);
    bottom->addWidget(m_choose);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    connect(modes, &QButtonGroup::idClicked, this, [this](int id) { SetMode(static_cast<Mode>(id)); });
    connect(m_run, &QPushButton::clicked, this, &CAddressBookDlg::RunSearch);
    connect(m_search, &QLineEdit::returnPressed, this, &CAddressBookDlg::RunSearch);
    connect(m_addGroup, &QPushButton::clicked, this, &CAddressBookDlg::AddGroup);
    connect(m_addToGroup, &QPushButton::clicked, this, &CAddressBookDlg::OnAddToGroup);
    connect(m_moveToGroup, &QPushButton::clicked, this, &CAddressBookDlg::OnMoveToGroup);
    connect(m_wholeGroup, &QPushButton::clicked, this, &CAddressBookDlg::OnWholeGroup);
    connect(m_choose, &QPushButton::clicked, this, &CAddressBookDlg::OnChoose);
    connect(m_close, &QPushButton::clicked, this, &CAddressBookDlg::reject);
    connect(m_groups->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CAddressBookDlg::OnGroupChanged);
    connect(m_groups, &QAbstractItemView::doubleClicked, this, [this] { RenameGroup(GetCurrentGroupId()); });
    for (CPersonListView* list : {m_persons, m_members}) {
        connect(list, &QAbstractItemView::activated, this, [this, list] {
            if (GetTarget() != nullptr)
                OnChoose();
            else
                ModifyPerson(list->GetModel()->IdAt(list->currentIndex().row()));
        });
    }

    m_listener = m_book.Subscribe([this] { Refresh(); });
    SetMode(ShowAll);
    resize(wide * 44, metrics.lineSpacing() * 24);
}

CAddressBookDlg::~CAddressBookDlg()
{
    m_book.Unsubscribe(m_listener);
}

int CAddressBookDlg::OnInitDialog()
{
    CCommandDlg::OnInitDialog();
    m_editSearch.Attach(m_search);
    return 1;
}

void CAddressBookDlg::OpenFor(QWidget* target, int list)
{
    m_target = target;
    m_targetBox->setCurrentIndex(std::clamp(list, 0, 2));
    Create(nullptr);
    show();
    raise();
    activateWindow();
    for (CAddressBook::Status failure : m_book.Load())
        ShowStatus(failure);
    GetVisibleList()->setFocus();
}

int CAddressBookDlg::CanClose(QWidget* page)
{
    if (m_modal > 0)
        return 0;
    if (page != nullptr && m_target == page) {
        hide();
        m_target = nullptr;
    }
    return 1;
}

int CAddressBookDlg::GetTargetList() const
{
    return m_targetBox->currentIndex();
}

void CAddressBookDlg::reject()
{
    hide();
}

// ---------------------------------------------------------------------------------------
// What shows

void CAddressBookDlg::SetMode(Mode mode)
{
    m_mode = mode;
    (mode == ShowAll ? m_showAll : m_showGroups)->setChecked(true);
    m_groupPane->setVisible(mode == ShowGroups);
    m_lists->setCurrentWidget(mode == ShowAll ? m_persons : m_members);
    m_addToGroup->setVisible(mode == ShowAll);
    m_moveToGroup->setVisible(mode == ShowGroups);
    m_wholeGroup->setVisible(mode == ShowGroups);
    m_filter.clear();
    m_search->clear();
    Refresh();
}

CPersonListView* CAddressBookDlg::GetVisibleList() const
{
    return m_mode == ShowAll ? m_persons : m_members;
}

long CAddressBookDlg::GetCurrentGroupId() const
{
    return m_mode == ShowGroups ? m_groups->CurrentId() : 0;
}

void CAddressBookDlg::Refresh()
{
    const long group = m_groups->CurrentId();
    {
        const QSignalBlocker blocker(m_groups->selectionModel());
        m_groups->GetModel()->Refresh();
        m_groups->SelectId(group);
    }
    if (m_groups->CurrentId() == 0 && m_groups->GetRowCount() > 0 && m_mode == ShowGroups) {
        const QSignalBlocker blocker(m_groups->selectionModel());
        m_groups->SelectRows({0});
    }
    RefreshPersons();
}

void CAddressBookDlg::RefreshPersons()
{
    CPersonListView* list = GetVisibleList();
    const std::vector<long> selected = list->SelectedIds();
    const std::vector<long> base = m_mode == ShowAll ? m_book.AllPersonIds() : m_book.GetMembers(GetCurrentGroupId());
    list->GetModel()->SetIds(m_book.Search(FromQString(m_filter), base));
    list->SelectIds(selected);
}

void CAddressBookDlg::OnGroupChanged()
{
    m_filter.clear();
    m_search->clear();
    RefreshPersons();
}

void CAddressBookDlg::RunSearch()
{
    const QString text = m_search->text().trimmed();
    const std::vector<long> base = m_mode == ShowAll ? m_book.AllPersonIds() : m_book.GetMembers(GetCurrentGroupId());
    const std::vector<long> found = m_book.Search(FromQString(text), base);
    if (found.empty() && !text.isEmpty()) {
        MessageBox(this, ToQString(CAddressBook::Message(CAddressBook::NotFound)), Caption(), MB_OK | MB_ICONINFORMATION);
        m_search->setFocus();
        m_search->selectAll();
        return;
    }
    m_filter = text;
    GetVisibleList()->GetModel()->SetIds(found);
}

// ---------------------------------------------------------------------------------------
// Handing addresses to the page

std::vector<CAddress> CAddressBookDlg::AddressesOf(const std::vector<long>& ids, long groupId) const
{
    CString groupName;
    if (const CBookGroup* group = m_book.FindGroup(groupId))
        groupName = group->name;
    std::vector<CAddress> addresses;
    for (long id : ids)
        if (const CBookPerson* person = m_book.FindPerson(id))
            addresses.emplace_back(groupName.GetString(), person->displayName.GetString(), person->mailAddress.GetString());
    return addresses;
}

int CAddressBookDlg::HandOver(const std::vector<CAddress>& addresses)
{
    auto* target = dynamic_cast<CAddressTarget*>(m_target.data());
    if (target == nullptr || addresses.empty())
        return 0;
    return target->TakeAddresses(GetTargetList(), addresses);
}

int CAddressBookDlg::OnChoose()
{
    return HandOver(AddressesOf(GetVisibleList()->SelectedIds(), GetCurrentGroupId()));
}

int CAddressBookDlg::OnWholeGroup()
{
    const long group = GetCurrentGroupId();
    return HandOver(AddressesOf(m_book.GetMembers(group), group));
}

std::vector<CClipAddress> CAddressBookDlg::ClipOfPersons(const std::vector<long>& ids, int inGroup) const
{
    std::vector<CClipAddress> clip;
    const std::vector<CAddress> addresses = AddressesOf(ids, inGroup ? GetCurrentGroupId() : 0);
    for (std::size_t i = 0; i < addresses.size() && i < ids.size(); ++i)
        clip.push_back({ids[i], addresses[i]});
    return clip;
}

std::vector<CClipAddress> CAddressBookDlg::ClipOfGroup(long groupId) const
{
    const std::vector<long> ids = m_book.GetMembers(groupId);
    std::vector<CClipAddress> clip;
    const std::vector<CAddress> addresses = AddressesOf(ids, groupId);
    for (std::size_t i = 0; i < addresses.size(); ++i)
        clip.push_back({ids[i], addresses[i]});
    return clip;
}

// ---------------------------------------------------------------------------------------
// Editing

void CAddressBookDlg::ShowStatus(CAddressBook::Status status)
{
    if (status != CAddressBook::Ok)
        MessageBox(this, ToQString(CAddressBook::Message(status)), Caption(), MB_OK | MB_ICONEXCLAMATION);
}

int CAddressBookDlg::RunModal(QDialog& dialog)
{
    ++m_modal;
    const int result = dialog.exec();
    --m_modal;
    return result;
}

void CAddressBookDlg::AddPerson(int intoGroup)
{
    const long group = intoGroup ? GetCurrentGroupId() : 0;
    if (intoGroup && group == 0)
        return;
    CMailAddressDlg dialog(CAddress(), 0, this);
    dialog.SetCheck([this](const CAddress& address, CString& caption) {
        caption = CAddressBook::kCaption;
        if (m_book.FindPersonId(address.GetDisplayName(), address.GetMailAddress()) != 0)
            return CAddressBook::Message(CAddressBook::PersonExists);
        return CString();
    });
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    const CAddress address = dialog.GetAddress();
    long id = 0;
    CAddressBook::Status status = m_book.AddPerson(address.GetDisplayName(), address.GetMailAddress(), id);
    if (status == CAddressBook::Ok && group != 0)
        status = m_book.AddMembers(group, {id});
    ShowStatus(status);
    if (id != 0)
        GetVisibleList()->SelectIds({id});
}

void CAddressBookDlg::ModifyPerson(long id)
{
    const CBookPerson* person = m_book.FindPerson(id);
    if (person == nullptr)
        return;
    CMailAddressDlg dialog(CAddress("", person->displayName.GetString(), person->mailAddress.GetString()), 0, this);
    dialog.SetCheck([this, id](const CAddress& address, CString& caption) {
        caption = CAddressBook::kCaption;
        const long same = m_book.FindPersonId(address.GetDisplayName(), address.GetMailAddress());
        if (same != 0 && same != id)
            return CAddressBook::Message(CAddressBook::PersonExists);
        return CString();
    });
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    const CAddress address = dialog.GetAddress();
    ShowStatus(m_book.ModifyPerson(id, address.GetDisplayName(), address.GetMailAddress()));
}

int CAddressBookDlg::DeletePersons(const std::vector<long>& ids, int fromGroup)
{
    if (ids.empty())
        return 0;
    if (fromGroup) {
        const long group = GetCurrentGroupId();
        if (group == 0)
            return 0;
        const CAddressBook::Status status = m_book.RemoveMembers(group, ids);
        ShowStatus(status);
        return status == CAddressBook::Ok ? static_cast<int>(ids.size()) : 0;
    }
    QString question = QStringLiteral(u"選択した %1 人をアドレス帳から削除しても、よろしいですか？").arg(ids.size());
    if (const CBookPerson* person = m_book.FindPerson(ids.front()); ids.size() == 1 && person != nullptr) {
        question = QStringLiteral(u"「%1」をアドレス帳から削除しても、よろしいですか？")
                       .arg(ToQString(CAddress("", person->displayName.GetString(), person->mailAddress.GetString()).ToText()));
    }
    if (MessageBox(this, question, QStringLiteral(u"確認"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    int removed = 0;
    for (long id : ids) {
        const CAddressBook::Status status = m_book.RemovePerson(id);
        if (status != CAddressBook::Ok) {
            ShowStatus(status);
            break;
        }
        ++removed;
    }
    return removed;
}

void CAddressBookDlg::PastePersons(int intoGroup)
{
    const long group = intoGroup ? GetCurrentGroupId() : 0;
    if (intoGroup && group == 0)
        return;
    int ownFormat = 0;
    const std::vector<CClipAddress> items = CAddressListView::ReadClipboard(ownFormat);
    CIdArray ids;
    QStringList invalid;
    int added = 0;
    int stored = 0;
    for (const CClipAddress& item : items) {
        const CString name = CleanDisplayName(item.address.GetDisplayName());
        const CString mail = TrimBlanks(item.address.GetMailAddress());
        CString message;
        if (!CAddress::CheckAddress(mail, message)) {
            invalid << ToQString(message) + u'\n' + ToQString(item.address.ToText());
            continue;
        }
        long id = 0;
        if (const CBookPerson* person = m_book.FindPerson(item.personId);
            ownFormat && person != nullptr && person->displayName == name && person->mailAddress == mail)
            id = person->id;
        if (id == 0)
            id = m_book.FindPersonId(name, mail);
        if (id != 0) {
            ++stored;
        } else {
            const CAddressBook::Status status = m_book.AddPerson(name, mail, id);
            if (status != CAddressBook::Ok) {
                ShowStatus(status);
                break;
            }
            ++added;
        }
        ids.push_back(id);
    }
    if (!invalid.isEmpty())
        MessageBox(this, invalid.join(u"\n\n"), Caption(), MB_OK | MB_ICONEXCLAMATION);
    if (group != 0 && !ids.empty())
        ShowStatus(m_book.AddMembers(group, ids));
    else if (group == 0 && added == 0 && stored > 0)
        ShowStatus(CAddressBook::PersonExists);
    GetVisibleList()->SelectIds(std::vector<long>(ids.begin(), ids.end()));
}

void CAddressBookDlg::AddGroup()
{
    CGroupDlg dialog(CString(), this);
    dialog.SetCheck([this](const CString& name) { return CAddressBook::Message(m_book.CheckGroupName(name)); });
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    long id = 0;
    const CAddressBook::Status status = m_book.AddGroup(dialog.GetName(), id);
    ShowStatus(status);
    if (status != CAddressBook::Ok)
        return;
    if (m_mode != ShowGroups)
        SetMode(ShowGroups);
    m_groups->SelectId(id);
}

void CAddressBookDlg::RenameGroup(long id)
{
    const CBookGroup* group = m_book.FindGroup(id);
    if (group == nullptr)
        return;
    CGroupDlg dialog(group->name, this);
    dialog.SetCheck([this, id](const CString& name) { return CAddressBook::Message(m_book.CheckGroupName(name, id)); });
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    ShowStatus(m_book.RenameGroup(id, dialog.GetName()));
}

int CAddressBookDlg::DeleteGroup(long id)
{
    const CBookGroup* group = m_book.FindGroup(id);
    if (group == nullptr)
        return 0;
    if (!m_book.GetMembers(id).empty()) {
        ShowStatus(CAddressBook::GroupHasMembers);
        return 0;
    }
    if (MessageBox(this, QStringLiteral(u"グループ「%1」を削除しても、よろしいですか？").arg(ToQString(group->name)),
                   QStringLiteral(u"確認"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    const CAddressBook::Status status = m_book.RemoveGroup(id);
    ShowStatus(status);
    return status == CAddressBook::Ok;
}

long CAddressBookDlg::ChooseGroup(long exceptId)
{
    std::vector<CGroupSelectDlg::Item> items;
    for (const CBookGroup& group : m_book.GetGroups())
        if (group.id != exceptId)
            items.emplace_back(group.id, ToQString(group.name));
    CGroupSelectDlg dialog(items, 0, this);
    if (RunModal(dialog) != QDialog::Accepted)
        return 0;
    return dialog.GetSelectedId();
}

void CAddressBookDlg::OnAddToGroup()
{
    const std::vector<long> ids = m_persons->SelectedIds();
    if (ids.empty())
        return;
    if (const long group = ChooseGroup(0))
        ShowStatus(m_book.AddMembers(group, ids));
}

void CAddressBookDlg::OnMoveToGroup()
{
    const long from = GetCurrentGroupId();
    const std::vector<long> ids = m_members->SelectedIds();
    if (from == 0 || ids.empty())
        return;
    const long to = ChooseGroup(from);
    if (to == 0)
        return;
    CAddressBook::Status status = m_book.AddMembers(to, ids);
    if (status == CAddressBook::Ok)
        status = m_book.RemoveMembers(from, ids);
    ShowStatus(status);
}

// ---------------------------------------------------------------------------------------
// Commands

void CAddressBookDlg::UpdateMenu()
{
    const bool target = dynamic_cast<CAddressTarget*>(m_target.data()) != nullptr;
    const long group = GetCurrentGroupId();
    const auto enable = [](QWidget* widget, bool on) {
        if (widget->isEnabled() != on)
            widget->setEnabled(on);
    };
    enable(m_targetBox, target);
    enable(m_choose, target && GetVisibleList()->GetSelectedCount() > 0);
    enable(m_wholeGroup, target && group != 0 && !m_book.GetMembers(group).empty());
    enable(m_addToGroup, m_persons->GetSelectedCount() > 0 && !m_book.GetGroups().empty());
    enable(m_moveToGroup, group != 0 && m_members->GetSelectedCount() > 0 && m_book.GetGroups().size() > 1);
}

int CAddressBookDlg::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    item = nullptr;
    if (wnd == nullptr)
        return 0;
    if (wnd == m_persons)
        item = m_persons;
    else if (wnd == m_members)
        item = m_members;
    else if (wnd == m_groups)
        item = m_groups;
    else if (wnd == m_search)
        item = &m_editSearch;
    return item != nullptr ? 1 : 0;
}

void CAddressBookDlg::OnCommand(UINT id)
{
    switch (id) {
    case ID_EDIT_FIND:
        m_search->setFocus();
        m_search->selectAll();
        break;
    case ID_REFRESH:
        for (CAddressBook::Status failure : m_book.Load())
            ShowStatus(failure);
        break;
    case IDCANCEL:
        reject();
        break;
    default:
        if (CUpdateCommandItem::IsRoutedCommand(id))
            ProcessMenuCommand(id);
        break;
    }
}
