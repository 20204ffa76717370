// Verifies the address windows offscreen, in the running wizard: the address book window
// (152) opened for the Address page (groups added, renamed and deleted with their messages,
// a search without result, a person stored already, deleting from all and from a group,
// persons and a whole group handed to To, Cc and Bcc, tables that cannot be opened), the
// address panel (invalid and repeated addresses, the popup menu, the clipboard between
// lists and with plain text, REF_COUNT of pasted persons, completion), the Address page
// (the Enter question, StoreToDocument, templates through ADDRESS_TEMPLATE and the subject
// rule, the Letter page's request) and dialog 178; every window rendered and laid out.
#include "../shell/WizardTestKit.h"

#include "Keys.h"
#include "LayoutCheck.h"
#include "Modal.h"
#include "Screenshot.h"

#include "addressbook/CAddressBook.h"
#include "addressbook/CAddressBookDlg.h"
#include "addressbook/CBookLists.h"
#include "addressbook/CGroupDlg.h"
#include "addressbook/CGroupSelectDlg.h"
#include "addressbook/CMailAddressDlg.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "data/AddressTemplates.h"
#include "data/CPersonSet.h"
#include "pages/CAddressListModel.h"
#include "pages/CAddressPage.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CRecipientList.h"
#include "settings/CAddressTemplateDlg.h"
#include "settings/CSenderListDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QTest>

#include <fstream>

using namespace Qt::StringLiterals;

namespace {

// Narrow literals are code page 932, as the system's texts are.
std::string Cp(const CString& text)
{
    return text.Str();
}

// Gives `widget` the keyboard focus in its active window, as a click would, so that the
// commands route to it.
void Focus(QWidget* widget)
{
    widget->window()->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), widget);
}

std::vector<std::string> Mails(const std::vector<CAddress>& addresses)
{
    std::vector<std::string> mails;
    for (const CAddress& address : addresses)
        mails.push_back(address.GetMailAddress().Str());
    return mails;
}

class AddressWindowTest : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        AddAccount("taro@example.com");
        ASSERT_TRUE(MakeWizard());
        page = dynamic_cast<CAddressPage*>(wizard->GetPage("Address"));
        ASSERT_NE(page, nullptr);
        tools = dynamic_cast<CShellToolWindows*>(theDataStore.GetToolWindows());
        ASSERT_NE(tools, nullptr);
        book = tools->GetAddressBook();
    }
    void TearDown() override
    {
        QApplication::clipboard()->clear();
        WizardTest::TearDown();
    }
    long Person(const char* name, const char* mail)
    {
        long id = 0;
        EXPECT_EQ(book->AddPerson(name, mail, id), CAddressBook::Ok);
        return id;
    }
    long Group(const char* name, const CIdArray& members = {})
    {
        long id = 0;
        EXPECT_EQ(book->AddGroup(name, id), CAddressBook::Ok);
        if (!members.empty()) {
            EXPECT_EQ(book->AddMembers(id, members), CAddressBook::Ok);
        }
        return id;
    }
    CAddressBookDlg* OpenBook(QWidget* forWindow, int list)
    {
        EXPECT_EQ(tools->OpenAddressBook(ToCWnd(forWindow), list), 1);
        return tools->GetAddressBookDlg();
    }
    // Shows the Address page as the current page.
    void GoToAddressPage()
    {
        TypeSubject(u"件名"_s);
        while (Current() != page)
            Command(ID_NEXT_PAGE);
    }
    CAddressPanel* Panel() const { return page->GetPanel(); }

    CAddressPage* page = nullptr;
    CShellToolWindows* tools = nullptr;
    CAddressBook* book = nullptr;
};

}  // namespace

TEST_F(AddressWindowTest, BookGroupsAddRenameDeleteWithTheirMessages)
{
    CAddressBookDlg* dlg = OpenBook(page, CAddressTarget::ToList);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->windowTitle(), u"アドレス帳"_s);
    EXPECT_EQ(dlg->GetMode(), CAddressBookDlg::ShowAll);
    // The same window every time.
    EXPECT_EQ(OpenBook(page, CAddressTarget::CcList), dlg);
    EXPECT_EQ(dlg->GetTargetList(), CAddressTarget::CcList);

    // "＋": an empty name and a name in use keep the dialog with their messages.
    const long friends = Group("友人");
    int dialogs = 0;
    OnNextModal<CGroupDlg>([&](CGroupDlg* group) {
        ++dialogs;
        group->GetNameEdit()->setText(u"　 "_s);
        group->accept();
        EXPECT_TRUE(group->isVisible());
        group->GetNameEdit()->setText(u" 友人 "_s);
        group->accept();
        EXPECT_TRUE(group->isVisible());
        group->GetNameEdit()->setText(u"仕事"_s);
        group->accept();
    });
    qobject_cast<QPushButton*>(GetDlgItem(dlg, CAddressBookDlg::IDC_GROUP_ADD))->click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"グループ名が入力されていません。",
                                                         "すでに登録済みのグループ名です。\n他のグループ名を入力してください。"}));
    for (const auto& box : boxes.boxes)
        EXPECT_EQ(Cp(box.caption), "アドレス帳");
    const CBookGroup* work = book->FindGroupByName(CString("仕事"));
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(dlg->GetMode(), CAddressBookDlg::ShowGroups);
    EXPECT_EQ(dlg->GetCurrentGroupId(), work->id);
    EXPECT_EQ(dlg->GetGroupList()->GetRowCount(), 2);

    // Rename; the name of another group is refused.
    const long workId = work->id;
    boxes.Clear();
    OnNextModal<CGroupDlg>([](CGroupDlg* group) {
        EXPECT_EQ(group->GetNameEdit()->text(), u"仕事"_s);
        group->GetNameEdit()->setText(u"友人"_s);
        group->accept();
        group->GetNameEdit()->setText(u"会社"_s);
        group->accept();
    });
    dlg->RenameGroup(workId);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Cp(book->FindGroup(workId)->name), "会社");

    // A group with members is not deleted; an empty one after the question.
    const long hanako = Person("花子", "hanako@example.com");
    ASSERT_EQ(book->AddMembers(friends, {hanako}), CAddressBook::Ok);
    boxes.Clear();
    EXPECT_EQ(dlg->DeleteGroup(friends), 0);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"まず、メンバーを他のグループへ移動、または、削除してください。"}));
    EXPECT_NE(book->FindGroup(friends), nullptr);
    boxes.Clear();
    boxes.Answer(IDNO);
    EXPECT_EQ(dlg->DeleteGroup(workId), 0);
    EXPECT_NE(book->FindGroup(workId), nullptr);
    boxes.Answer(IDYES);
    EXPECT_EQ(dlg->DeleteGroup(workId), 1);
    EXPECT_EQ(book->FindGroup(workId), nullptr);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"グループ「会社」を削除しても、よろしいですか？",
                                                         "グループ「会社」を削除しても、よろしいですか？"}));
    EXPECT_EQ(dlg->GetGroupList()->GetRowCount(), 1);
}

TEST_F(AddressWindowTest, BookSearchPersonsAndDeletingFromAllOrFromAGroup)
{
    const long taro = Person("山田 太郎", "taro@example.org");
    const long hanako = Person("花子", "hanako@example.com");
    const long jiro = Person("", "jiro@example.net");
    const long team = Group("チーム", {taro, hanako, jiro});
    CAddressBookDlg* dlg = OpenBook(page, CAddressTarget::ToList);
    EXPECT_EQ(dlg->GetPersonList()->GetRowCount(), 3);

    // A search without result says so and leaves the list as it was; a search filters.
    dlg->GetSearchEdit()->setText(u"存在しない"_s);
    qobject_cast<QPushButton*>(GetDlgItem(dlg, CAddressBookDlg::IDC_SEARCH_RUN))->click();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"該当する人が見つかりませんでした。"}));
    EXPECT_EQ(Cp(boxes.boxes[0].caption), "アドレス帳");
    EXPECT_EQ(dlg->GetPersonList()->GetRowCount(), 3);
    dlg->GetSearchEdit()->setText(u"ＥＸＡＭＰＬＥ．ＣＯＭ"_s);  // full width and upper case
    dlg->RunSearch();
    EXPECT_EQ(dlg->GetPersonList()->GetModel()->GetIds(), std::vector<long>{hanako});

    // A person stored already keeps the dialog open with its message.
    dlg->SetMode(CAddressBookDlg::ShowAll);
    boxes.Clear();
    OnNextModal<CMailAddressDlg>([](CMailAddressDlg* edit) {
        auto* name = qobject_cast<QLineEdit*>(GetDlgItem(edit, CMailAddressDlg::IDC_NAME));
        auto* mail = qobject_cast<QLineEdit*>(GetDlgItem(edit, CMailAddressDlg::IDC_MAIL));
        EXPECT_FALSE(GetDlgItem(edit, CMailAddressDlg::IDC_REFLECT)->isVisibleTo(edit));
        name->setText(u"花子"_s);
        mail->setText(u"hanako@example.com"_s);
        edit->accept();
        EXPECT_TRUE(edit->isVisible());
        mail->setText(u"not an address"_s);
        edit->accept();
        EXPECT_TRUE(edit->isVisible());
        mail->setText(u"shiro@example.com"_s);
        edit->accept();
    });
    dlg->AddPerson(0);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(Cp(boxes.boxes[0].text), "すでに登録されている名前とメールアドレスです。");
    EXPECT_EQ(Cp(boxes.boxes[0].caption), "アドレス帳");
    const long shiro = book->FindPersonId(CString("花子"), "shiro@example.com");
    EXPECT_NE(shiro, 0);
    EXPECT_EQ(dlg->GetPersonList()->GetRowCount(), 4);

    // Deleting from a group's members only ends the membership.
    dlg->SetMode(CAddressBookDlg::ShowGroups);
    EXPECT_EQ(dlg->GetCurrentGroupId(), team);
    EXPECT_EQ(dlg->GetMemberList()->GetRowCount(), 3);
    dlg->GetMemberList()->SelectIds({hanako});
    Focus(dlg->GetMemberList());
    boxes.Clear();
    dlg->OnCommand(ID_EDIT_DELETE);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(book->GetMembers(team), (std::vector<long>{taro, jiro}));
    EXPECT_NE(book->FindPerson(hanako), nullptr);

    // Deleting from "全員" deletes the person after the question, and the groups let go.
    dlg->SetMode(CAddressBookDlg::ShowAll);
    dlg->GetPersonList()->SelectIds({taro});
    Focus(dlg->GetPersonList());
    boxes.Answer(IDNO);
    dlg->OnCommand(ID_EDIT_DELETE);
    EXPECT_NE(book->FindPerson(taro), nullptr);
    boxes.Answer(IDYES);
    dlg->OnCommand(ID_EDIT_DELETE);
    EXPECT_EQ(Cp(boxes.boxes.back().text), "「山田 太郎 <taro@example.org>」をアドレス帳から削除しても、よろしいですか？");
    EXPECT_EQ(book->FindPerson(taro), nullptr);
    EXPECT_EQ(book->GetMembers(team), std::vector<long>{jiro});
    ASSERT_NE(book->FindGroup(team), nullptr);
    EXPECT_EQ(book->FindGroup(team)->members, CIdArray{jiro});
    EXPECT_EQ(dlg->GetPersonList()->GetRowCount(), 3);

    // The tables agree with the window: read again, the same.
    CAddressBook fresh;
    EXPECT_TRUE(fresh.Load().empty());
    EXPECT_EQ(fresh.GetPersons().size(), 3u);
    EXPECT_EQ(fresh.GetMembers(team), std::vector<long>{jiro});
}

TEST_F(AddressWindowTest, BookHandsPersonsAndAWholeGroupToTheLists)
{
    const long taro = Person("山田 太郎", "taro@example.org");
    const long hanako = Person("花子", "hanako@example.com");
    const long jiro = Person("", "jiro@example.net");
    const long team = Group("チーム", {jiro, hanako});
    GoToAddressPage();

    // "宛先(&A)", "ＣＣ(&C)" and "BCC(&B)" open the book for the page, aimed at their list.
    Panel()->GetBookButton(CAddressTarget::CcList)->click();
    CAddressBookDlg* dlg = tools->GetAddressBookDlg();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->GetTarget(), page);
    EXPECT_EQ(dlg->GetTargetList(), CAddressTarget::CcList);
    dlg->GetPersonList()->SelectIds({taro, hanako});
    dlg->UpdateMenu();
    EXPECT_TRUE(GetDlgItem(dlg, CAddressBookDlg::IDC_CHOOSE)->isEnabled());
    qobject_cast<QPushButton*>(GetDlgItem(dlg, CAddressBookDlg::IDC_CHOOSE))->click();
    // Sorted by name: 山田 太郎 after 花子 in code point order is not assumed; compare sets.
    std::vector<std::string> cc = Mails(Panel()->GetAddresses(CAddressTarget::CcList));
    std::sort(cc.begin(), cc.end());
    EXPECT_EQ(cc, (std::vector<std::string>{"hanako@example.com", "taro@example.org"}));
    EXPECT_TRUE(Panel()->IsChanged(CAddressTarget::CcList));
    // Chosen again: nobody twice.
    EXPECT_EQ(dlg->OnChoose(), 0);
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::CcList).size(), 2u);

    // A whole group into Bcc, in member order, with the group's name.
    Panel()->GetBookButton(CAddressTarget::BccList)->click();
    dlg->SetMode(CAddressBookDlg::ShowGroups);
    dlg->GetGroupList()->SelectId(team);
    dlg->UpdateMenu();
    EXPECT_TRUE(GetDlgItem(dlg, CAddressBookDlg::IDC_WHOLE_GROUP)->isEnabled());
    qobject_cast<QPushButton*>(GetDlgItem(dlg, CAddressBookDlg::IDC_WHOLE_GROUP))->click();
    const std::vector<CAddress> bcc = Panel()->GetAddresses(CAddressTarget::BccList);
    EXPECT_EQ(Mails(bcc), (std::vector<std::string>{"jiro@example.net", "hanako@example.com"}));
    ASSERT_EQ(bcc.size(), 2u);
    EXPECT_EQ(Cp(bcc[0].GetGroupName()), "チーム");

    // The page going on closes the book opened for it.
    Command(ID_PREV_PAGE);
    EXPECT_FALSE(dlg->isVisible());

    // Addresses handed to the page while it is hidden reach the document at once.
    OpenBook(Page(0), CAddressTarget::ToList);
    EXPECT_EQ(dlg->GetTarget(), page);  // another page hands over to the Address page
    dlg->SetMode(CAddressBookDlg::ShowAll);
    dlg->GetPersonList()->SelectIds({jiro});
    EXPECT_EQ(dlg->OnChoose(), 1);
    ASSERT_EQ(doc->GetToAddressSize(), 1u);
    EXPECT_EQ(std::string(doc->GetToAddress(0)->GetMailAddress().Str()), "jiro@example.net");
}

TEST_F(AddressWindowTest, TablesThatCannotBeOpenedShowTheDesignedTexts)
{
    { std::ofstream(theDataStore.GetAddressDbPath().Native(), std::ios::trunc) << "not a database"; }
    CAddressBookDlg* dlg = OpenBook(page, CAddressTarget::ToList);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"PERSONテーブルのオープンに失敗しました。",
                                                         "GROUPテーブルのオープンに失敗しました。"}));
    for (const auto& box : boxes.boxes)
        EXPECT_EQ(Cp(box.caption), "アドレス帳");
    EXPECT_EQ(dlg->GetPersonList()->GetRowCount(), 0);

    // The operations say the same and nothing crashes; the lists still work without a book.
    boxes.Clear();
    EXPECT_EQ(tools->AddAddress(CAddress("", "A", "a@example.com")), 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"PERSONテーブルのオープンに失敗しました。"});
    dlg->SetMode(CAddressBookDlg::ShowGroups);
    boxes.Clear();
    OnNextModal<CGroupDlg>([](CGroupDlg* group) {
        group->GetNameEdit()->setText(u"友人"_s);
        group->accept();
    });
    dlg->AddGroup();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"GROUPテーブルのオープンに失敗しました。"});
    Panel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    EXPECT_EQ(Panel()->GetEntry(CAddressTarget::ToList)->Suggest(u"han"_s), 0);
    Panel()->AddFromEntry(CAddressTarget::ToList);
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::ToList).size(), 1u);
}

TEST_F(AddressWindowTest, PanelChecksEveryAddressAndAddsItOnce)
{
    GoToAddressPage();
    CRecipientEntry* entry = Panel()->GetEntry(CAddressTarget::ToList);
    entry->setText(u"花子 <hanako@example.com>, bad address, HANAKO@example.com; jiro@example.net"_s);
    qobject_cast<QPushButton*>(GetDlgItem(Panel(), CAddressPanel::IDC_TO_ADD))->click();
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::ToList)),
              (std::vector<std::string>{"hanako@example.com", "jiro@example.net"}));
    // The invalid one is said with CheckAddress's text and stays in the entry.
    ASSERT_EQ(boxes.boxes.size(), 1u);
    CString message;
    EXPECT_FALSE(CAddress::CheckAddress("bad address", message));
    EXPECT_NE(Cp(boxes.boxes[0].text).find(Cp(message)), std::string::npos) << Cp(boxes.boxes[0].text);
    EXPECT_EQ(entry->text(), u"bad address"_s);
    EXPECT_TRUE(Panel()->IsChanged(CAddressTarget::ToList));
    EXPECT_FALSE(Panel()->IsChanged(CAddressTarget::CcList));

    // Text left in an entry keeps the page (HasError adds it first).
    boxes.Clear();
    EXPECT_EQ(page->HasError(), 1);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    entry->setText(u"saburo@example.com"_s);
    EXPECT_EQ(page->HasError(), 0);
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::ToList).size(), 3u);

    // The clear buttons.
    qobject_cast<QPushButton*>(GetDlgItem(Panel(), CAddressPanel::IDC_TO_CLEAR))->click();
    EXPECT_TRUE(Panel()->IsEmpty());

    // Tooltips of the "＋", clear and book buttons.
    const std::pair<int, QString> tips[] = {
        {CAddressPanel::IDC_TO_CLEAR, u"宛先をすべて削除"_s},   {CAddressPanel::IDC_CC_CLEAR, u"CCをすべて削除"_s},
        {CAddressPanel::IDC_BCC_CLEAR, u"BCCをすべて削除"_s},   {CAddressPanel::IDC_TO_BOOK, u"アドレス帳を開く"_s},
        {CAddressPanel::IDC_CC_BOOK, u"アドレス帳を開く"_s},    {CAddressPanel::IDC_BCC_BOOK, u"アドレス帳を開く"_s},
        {CAddressPanel::IDC_TO_ADD, u"宛先にアドレスを追加"_s}, {CAddressPanel::IDC_CC_ADD, u"CCにアドレスを追加"_s},
        {CAddressPanel::IDC_BCC_ADD, u"BCCにアドレスを追加"_s},
    };
    for (const auto& [id, tip] : tips)
        EXPECT_EQ(GetDlgItem(Panel(), id)->toolTip(), tip) << id;
    EXPECT_EQ(GetDlgItem(page, CAddressPage::IDC_TEMPLATE_UNSELECT)->toolTip(), u"宛先定型選択の解除"_s);
    EXPECT_EQ(GetDlgItem(page, CAddressPage::IDC_TEMPLATE_LIST)->toolTip(), u"[宛先定型]ボタンで登録した宛先定型の一覧です。"_s);
    EXPECT_EQ(GetDlgItem(page, CAddressPage::IDC_TEMPLATE_DIALOG)->toolTip(),
              u"宛先定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"_s);

    // The edit dialog with "アドレス帳にも反映(&B)" stores the address in the book too.
    OnNextModal<CMailAddressDlg>([](CMailAddressDlg* edit) {
        EXPECT_TRUE(GetDlgItem(edit, CMailAddressDlg::IDC_REFLECT)->isVisibleTo(edit));
        qobject_cast<QLineEdit*>(GetDlgItem(edit, CMailAddressDlg::IDC_NAME))->setText(u"四郎"_s);
        qobject_cast<QLineEdit*>(GetDlgItem(edit, CMailAddressDlg::IDC_MAIL))->setText(u"shiro@example.com"_s);
        edit->SetReflect(1);
        edit->accept();
    });
    Focus(Panel()->GetList(CAddressTarget::CcList));
    page->OnCommand(ID_EDIT_ADD);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::CcList)), std::vector<std::string>{"shiro@example.com"});
    EXPECT_NE(book->FindPersonId(CString("四郎"), "shiro@example.com"), 0);
}

TEST_F(AddressWindowTest, PopupMenuAndClipboardBetweenListsAndWithPlainText)
{
    const long hanako = Person("花子", "hanako@example.com");
    GoToAddressPage();
    CRecipientList* to = Panel()->GetList(CAddressTarget::ToList);
    CRecipientList* cc = Panel()->GetList(CAddressTarget::CcList);
    Panel()->AddAddresses(CAddressTarget::ToList, {CAddress("", "花子", "hanako@example.com"), CAddress("", "", "jiro@example.net")});

    // Menu 139, its items following the list's state.
    to->SelectRows({});
    std::unique_ptr<QMenu> menu(to->CreateContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    EXPECT_EQ(texts, (QStringList{u"追加(&N)"_s, u"修正(&M)"_s, u"切り取り(&T)"_s, u"ｺﾋﾟｰ(&C)"_s, u"貼り付け(&P)"_s, u"削除(&D)"_s}));
    const auto enabled = [&](UINT id) {
        for (QAction* action : menu->actions())
            if (GetCommandId(action) == id)
                return action->isEnabled();
        ADD_FAILURE() << "no item " << id;
        return false;
    };
    EXPECT_TRUE(enabled(ID_EDIT_ADD));
    EXPECT_FALSE(enabled(ID_EDIT_MODIFY));  // nothing selected
    EXPECT_FALSE(enabled(ID_EDIT_COPY));
    EXPECT_FALSE(enabled(ID_EDIT_DELETE));

    // Copy through the page's command routing (the focused list), paste into Cc.
    to->SelectRows({0, 1});
    Focus(to);
    page->OnCommand(ID_EDIT_COPY);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QString::fromLatin1(kAddressClipFormat)));
    EXPECT_EQ(data->text(), u"花子 <hanako@example.com>\njiro@example.net\n"_s);
    std::vector<CClipAddress> clip;
    ASSERT_TRUE(DecodeAddressClip(data->data(QString::fromLatin1(kAddressClipFormat)).toStdString(), clip));
    ASSERT_EQ(clip.size(), 2u);
    EXPECT_EQ(clip[0].personId, hanako);  // a person of the book travels with its id
    EXPECT_EQ(clip[1].personId, 0);

    // Pasting the own format raises the pasted persons' REF_COUNT, in memory and table.
    Focus(cc);
    page->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::CcList)),
              (std::vector<std::string>{"hanako@example.com", "jiro@example.net"}));
    EXPECT_EQ(book->FindPerson(hanako)->refCount, 1);
    CPersonSet persons;
    ASSERT_TRUE(persons.Open());
    ASSERT_TRUE(persons.FindById(hanako));
    EXPECT_EQ(persons.refCount, 1);
    // Pasted again: nothing twice, and no second use.
    page->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::CcList).size(), 2u);
    EXPECT_EQ(book->FindPerson(hanako)->refCount, 1);

    // Cut moves.
    to->SelectRows({1});
    Focus(to);
    page->OnCommand(ID_EDIT_CUT);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::ToList)), std::vector<std::string>{"hanako@example.com"});
    Focus(Panel()->GetList(CAddressTarget::BccList));
    page->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::BccList)), std::vector<std::string>{"jiro@example.net"});

    // Plain text from another program: "Name <address>" lines and comma lists; invalid
    // ones said and left out.
    QApplication::clipboard()->setText(u"\"Sato, Ichiro\" <ichiro@example.jp>\nhanako@example.com, 不正\n"_s);
    boxes.Clear();
    Focus(cc);
    page->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::CcList)),
              (std::vector<std::string>{"hanako@example.com", "jiro@example.net", "ichiro@example.jp"}));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::CcList)[2].GetDisplayName().Str(), "Sato, Ichiro");

    // Delete through the popup menu's route.
    cc->SelectRows({0});
    Focus(cc);
    page->OnCommand(ID_EDIT_DELETE);
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::CcList).size(), 2u);

    // The book takes a paste of the lists' format as persons; stored ones are said.
    CAddressBookDlg* dlg = OpenBook(page, CAddressTarget::ToList);
    to->SelectRows({0});
    Focus(to);
    page->OnCommand(ID_EDIT_COPY);
    boxes.Clear();
    dlg->PastePersons(0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"すでに登録されている名前とメールアドレスです。"});
    QApplication::clipboard()->setText(u"新人 <shinjin@example.com>"_s);
    boxes.Clear();
    dlg->PastePersons(0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(book->FindPersonId(CString("新人"), "shinjin@example.com"), 0);
}

TEST_F(AddressWindowTest, CompletionFromTheBookMostUsedFirst)
{
    const long yamada = Person("山田 花子", "hanako.yamada@example.jp");
    Person("Yamaha Sato", "sato@yamaha.example");
    const long used = Person("", "k.yama@example.com");
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(book->AddRef(used), CAddressBook::Ok);
    GoToAddressPage();
    CRecipientEntry* entry = Panel()->GetEntry(CAddressTarget::CcList);
    Focus(entry);
    QTest::keyClicks(entry, u"YAMA"_s);
    ASSERT_EQ(entry->GetSuggestedIds().size(), 3u);
    EXPECT_EQ(entry->GetSuggestedIds().front(), used);
    EXPECT_EQ(entry->GetCompleter()->completionModel()->index(0, 0).data().toString(), u"k.yama@example.com"_s);
    // By a part of the display name.
    EXPECT_EQ(entry->Suggest(u"花子"_s), 1);
    EXPECT_EQ(entry->GetSuggestedIds(), std::vector<long>{yamada});
    EXPECT_EQ(entry->Suggest(u"nobody"_s), 0);
    EXPECT_FALSE(entry->GetCompleter()->popup()->isVisible());

    // Choosing a suggestion adds it at once.
    entry->Suggest(u"花子"_s);
    emit entry->GetCompleter()->activated(u"山田 花子 <hanako.yamada@example.jp>"_s);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::CcList)), std::vector<std::string>{"hanako.yamada@example.jp"});
    EXPECT_TRUE(entry->text().isEmpty());

    // A sent message raises the use of each person it went to.
    doc->ClearCcAddresses();
    doc->AddCcAddresses({CAddress("", "", "HANAKO.YAMADA@example.jp")});
    page->OnMailSent();
    EXPECT_EQ(book->FindPerson(yamada)->refCount, 1);
}

TEST_F(AddressWindowTest, EnterAsksBeforeSendingAndAClickDoesNot)
{
    GoToAddressPage();
    Panel()->AddAddresses(CAddressTarget::ToList, {CAddress("", "", "hanako@example.com")});
    previewAnswer = IDCANCEL;
    Command(CWizardPage::ID_PREVIEW_AT_SEND);  // a send stops in the preview, so nothing leaves

    // Enter in the subject edit: the question; No keeps the page and shows nothing else.
    boxes.Answer(IDNO);
    PressKey(page->GetSubjectEdit(), Qt::Key_Return);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"送信してもよろしいですか？"});
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_TRUE(previews.empty());
    boxes.Clear();
    boxes.Answer(IDYES);
    PressKey(page->GetSubjectEdit(), Qt::Key_Return);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(previews.size(), 1u);

    // A mouse click on the send button asks nothing, though Enter was the last key.
    boxes.Clear();
    QPushButton* ok = qobject_cast<QPushButton*>(GetDlgItem(page, IDOK));
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(previews.size(), 2u);
}

TEST_F(AddressWindowTest, StoreToDocumentWritesTheSenderAndTheChangedLists)
{
    CAccountSet accounts;
    ASSERT_TRUE(accounts.Open());
    long other = 0;
    ASSERT_TRUE(accounts.Add("佐藤", "sato@example.com", "smtp.example.com", 587, 0, "", "", "reply@example.com", other));
    CCurrentAccountSet current;
    ASSERT_TRUE(current.Open());
    ASSERT_TRUE(current.HasCurrent());
    current.setToBcc = 1;
    ASSERT_TRUE(current.Save());
    doc->AddCcAddresses({CAddress("", "", "kept@example.com")});
    page->LoadFromDocument();
    page->LoadSenders();

    // The default sender is marked and chosen.
    QComboBox* sender = page->GetSenderBox();
    ASSERT_EQ(sender->count(), 2);
    EXPECT_EQ(sender->currentText(), u"山田 太郎 <taro@example.com> (通常)"_s);
    EXPECT_EQ(sender->itemText(1), u"佐藤 <sato@example.com>"_s);
    sender->setCurrentIndex(1);

    Panel()->AddAddresses(CAddressTarget::ToList, {CAddress("", "", "hanako@example.com")});
    doc->AddCcAddresses({CAddress("", "", "added-elsewhere@example.com")});
    EXPECT_EQ(page->StoreToDocument(), 1);
    CString text;
    doc->GetMailerName(text);
    EXPECT_EQ(std::string(text.Str()), "Velto Quillon 2.1");
    long port = 0;
    doc->GetSendServer(text, port);
    EXPECT_EQ(std::string(text.Str()), "smtp.example.com");
    EXPECT_EQ(port, 587);
    CAddress from, reply;
    doc->GetFromAddress(from);
    doc->GetReplyAddress(reply);
    EXPECT_EQ(std::string(from.GetMailAddress().Str()), "sato@example.com");
    EXPECT_EQ(std::string(reply.GetMailAddress().Str()), "reply@example.com");
    EXPECT_EQ(doc->GetSenderBccFlg(), 1);
    ASSERT_EQ(doc->GetToAddressSize(), 1u);
    // Cc was not changed on the page: the document's list stays as it is.
    EXPECT_EQ(doc->GetCcAddressSize(), 2u);

    // The default sender has no reply address: none is set.
    doc->SetReplyAddress(CAddress());
    sender->setCurrentIndex(0);
    page->StoreToDocument();
    doc->GetFromAddress(from);
    doc->GetReplyAddress(reply);
    EXPECT_EQ(std::string(from.GetMailAddress().Str()), "taro@example.com");
    EXPECT_TRUE(reply.GetMailAddress().IsEmpty());

    // "差出人(&N)": the sender list dialog; what it wrote shows in the box afterwards.
    OnNextModal<CSenderListDlg>([other](CSenderListDlg* dialog) {
        for (int row = 0; row < dialog->GetList()->count(); ++row)
            if (dialog->GetList()->item(row)->data(Qt::UserRole).toLongLong() == other)
                dialog->GetList()->setCurrentRow(row);
        ASSERT_EQ(dialog->GetSelectedId(), other);
        dialog->OnDefault();
        dialog->reject();
    });
    qobject_cast<QPushButton*>(GetDlgItem(page, CAddressPage::IDC_SENDER_BUTTON))->click();
    ASSERT_EQ(sender->count(), 2);
    EXPECT_EQ(sender->itemText(0), u"山田 太郎 <taro@example.com>"_s);
    EXPECT_EQ(sender->itemText(1), u"佐藤 <sato@example.com> (通常)"_s);
    EXPECT_EQ(sender->currentIndex(), 0);  // the choice made on the page stays

    // A document read back (a restored draft) shows the sender it was written with, and
    // leaving the page keeps it; a sender that is no account, or none, leaves the choice.
    doc->SetFromAddress(CAddress("", "佐藤", "SATO@example.com"));
    page->LoadFromDocument();
    EXPECT_EQ(sender->currentIndex(), 1);
    page->StoreToDocument();
    doc->GetFromAddress(from);
    EXPECT_EQ(std::string(from.GetMailAddress().Str()), "sato@example.com");
    doc->SetFromAddress(CAddress("", "誰か", "someone@example.org"));
    page->LoadFromDocument();
    EXPECT_EQ(sender->currentIndex(), 1);
    sender->setCurrentIndex(0);
    doc->SetFromAddress(CAddress());
    page->LoadFromDocument();
    EXPECT_EQ(sender->currentIndex(), 0);
}

TEST_F(AddressWindowTest, TemplatesThroughTheTableAndTheSubjectRule)
{
    CAddressTemplateRecord record;
    record.title = CString("定例会");
    record.subject = CString("【定例】");
    record.toList = {CAddress("", "", "a@example.com"), CAddress("", "", "b@example.com")};
    record.ccList = {CAddress("", "", "c@example.com")};
    ASSERT_TRUE(WriteAddressTemplate(RecordAdd, record));
    CAddressTemplateRecord other;
    other.title = CString("個人");
    other.toList = {CAddress("", "", "z@example.com")};
    ASSERT_TRUE(WriteAddressTemplate(RecordAdd, other));
    GoToAddressPage();
    page->LoadTemplates(record.id);
    ASSERT_EQ(page->GetTemplateList()->count(), 2);
    EXPECT_EQ(page->GetSelectedTemplateId(), record.id);
    page->GetSubjectEdit()->setText(u"会議のご案内"_s);
    Panel()->AddAddresses(CAddressTarget::ToList, {CAddress("", "", "z@example.com"), CAddress("", "", "A@example.com")});

    // "<<追加": addresses added once each, the subject A in front of B.
    page->UpdateMenu();
    qobject_cast<QPushButton*>(GetDlgItem(page, CAddressPage::IDC_TEMPLATE_ADD))->click();
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::ToList)),
              (std::vector<std::string>{"z@example.com", "A@example.com", "b@example.com"}));
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【定例】会議のご案内"_s);
    // Again: the subject does not get A twice.
    page->OnCommand(CAddressPage::IDC_TEMPLATE_ADD);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【定例】会議のご案内"_s);

    // ">>削除": the template's addresses and subject go, B stays.
    page->OnCommand(CAddressPage::IDC_TEMPLATE_REMOVE);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::ToList)), std::vector<std::string>{"z@example.com"});
    EXPECT_TRUE(Panel()->GetAddresses(CAddressTarget::CcList).empty());
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"会議のご案内"_s);

    // "<<置換": the lists become the template's.
    page->OnCommand(CAddressPage::IDC_TEMPLATE_REPLACE);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::ToList)), (std::vector<std::string>{"a@example.com", "b@example.com"}));
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::CcList)), std::vector<std::string>{"c@example.com"});

    // The clear-selection button; the buttons follow the selection.
    page->OnCommand(CAddressPage::IDC_TEMPLATE_UNSELECT);
    EXPECT_EQ(page->GetSelectedTemplateId(), 0);
    page->UpdateMenu();
    EXPECT_FALSE(GetDlgItem(page, CAddressPage::IDC_TEMPLATE_ADD)->isEnabled());

    // "クリックで追加": a click applies; it is remembered.
    page->OnCommand(CAddressPage::IDC_CLEAR);
    EXPECT_TRUE(Panel()->IsEmpty());
    page->GetAddByClickBox()->click();
    EXPECT_EQ(CProfile::Get().GetAddByClick(u"Address"_s), 1);
    QListWidgetItem* item = page->GetTemplateList()->item(0);
    if (item->data(Qt::UserRole).toLongLong() != record.id)
        item = page->GetTemplateList()->item(1);
    ASSERT_EQ(item->data(Qt::UserRole).toLongLong(), record.id);
    QTest::mouseClick(page->GetTemplateList()->viewport(), Qt::LeftButton, {},
                      page->GetTemplateList()->visualItemRect(item).center());
    EXPECT_EQ(Panel()->GetAddresses(CAddressTarget::ToList).size(), 2u);

    // The Letter page's request adds the addresses and leaves the subject.
    page->OnCommand(CAddressPage::IDC_CLEAR);
    page->GetSubjectEdit()->setText(u"別件"_s);
    EXPECT_EQ(wizard->RequestPage("Address", CWizardPage::RequestApplyAddressTemplate, qlonglong(other.id)), 1);
    EXPECT_EQ(Mails(Panel()->GetAddresses(CAddressTarget::ToList)), std::vector<std::string>{"z@example.com"});
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"別件"_s);
}

TEST_F(AddressWindowTest, TemplateDialogAddsChangesAndDeletesTheRow)
{
    GoToAddressPage();
    page->GetSubjectEdit()->setText(u"報告"_s);
    Panel()->AddAddresses(CAddressTarget::ToList, {CAddress("", "花子", "hanako@example.com")});

    // New: from the lists as they are; an empty name is refused.
    OnNextModal<CAddressTemplateDlg>([this](CAddressTemplateDlg* dialog) {
        EXPECT_EQ(dialog->GetOperation(), RecordAdd);
        EXPECT_FALSE(GetDlgItem(dialog, CAddressTemplateDlg::IDC_MODIFY)->isEnabled());
        EXPECT_EQ(dialog->GetLetterTitle()->text(), u"(なし)"_s);
        EXPECT_EQ(dialog->GetPanel()->GetAddresses(CAddressTarget::ToList).size(), 1u);
        dialog->accept();
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"宛先定型の名前が入力されていません。"});
        dialog->GetNameEdit()->setText(u"報告先"_s);
        dialog->GetWithSubjectBox()->setChecked(true);
        dialog->GetPanel()->GetEntry(CAddressTarget::BccList)->setText(u"boss@example.com"_s);
        dialog->accept();  // the entry's text goes into its list first
    });
    page->OnCommand(CAddressPage::IDC_TEMPLATE_DIALOG);
    ASSERT_EQ(page->GetTemplateList()->count(), 1);
    const long id = page->GetSelectedTemplateId();
    ASSERT_NE(id, 0);
    CAddressTemplateRecord stored;
    ASSERT_TRUE(LoadAddressTemplate(id, stored));
    EXPECT_EQ(Cp(stored.title), "報告先");
    EXPECT_EQ(Cp(stored.subject), "報告");
    EXPECT_EQ(Mails(stored.toList), std::vector<std::string>{"hanako@example.com"});
    EXPECT_EQ(Mails(stored.bccList), std::vector<std::string>{"boss@example.com"});

    // Change: without the subject now.
    OnNextModal<CAddressTemplateDlg>([](CAddressTemplateDlg* dialog) {
        EXPECT_EQ(dialog->GetOperation(), RecordChange);
        EXPECT_EQ(dialog->GetNameEdit()->text(), u"報告先"_s);
        dialog->GetWithSubjectBox()->setChecked(false);
        dialog->GetNameEdit()->setText(u"報告先2"_s);
        dialog->accept();
    });
    page->OnCommand(CAddressPage::IDC_TEMPLATE_DIALOG);
    ASSERT_TRUE(LoadAddressTemplate(id, stored));
    EXPECT_EQ(Cp(stored.title), "報告先2");
    EXPECT_TRUE(stored.subject.IsEmpty());
    EXPECT_EQ(page->GetTemplateList()->item(0)->text(), u"報告先2"_s);

    // Delete, after the question.
    boxes.Clear();
    boxes.Answer(IDYES);
    OnNextModal<CAddressTemplateDlg>([](CAddressTemplateDlg* dialog) {
        dialog->SetOperation(RecordDelete);
        dialog->accept();
    });
    page->OnCommand(CAddressPage::IDC_TEMPLATE_DIALOG);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"宛先定型「報告先2」を削除しても、よろしいですか？"});
    EXPECT_EQ(page->GetTemplateList()->count(), 0);
    EXPECT_FALSE(LoadAddressTemplate(id, stored));
}

TEST_F(AddressWindowTest, RendersEveryAddressWindow)
{
    const long taro = Person("山田 太郎", "taro@example.org");
    Group("チーム", {taro});
    GoToAddressPage();
    Panel()->AddAddresses(CAddressTarget::ToList, {CAddress("", "花子", "hanako@example.com")});
    ExpectLaidOut(page);
    for (int id : std::initializer_list<int>{CAddressPage::IDC_SENDER, CAddressPage::IDC_SENDER_BUTTON, CAddressPage::IDC_TEMPLATE_LIST,
                   CAddressPage::IDC_TEMPLATE_DIALOG, CAddressPage::IDC_ADD_BY_CLICK, CAddressPanel::IDC_TO,
                   CAddressPanel::IDC_CC, CAddressPanel::IDC_BCC}) {
        QWidget* control = GetDlgItem(page, id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_TRUE(control->isVisible()) << id;
    }
    EXPECT_EQ(qobject_cast<QPushButton*>(GetDlgItem(page, CAddressPage::IDC_SENDER_BUTTON))->text(), u"差出人(&N)"_s);
    // Tab from the subject: "差出人(&N)", the sender box, "宛先(&A)", the To entry.
    Focus(page->GetSubjectEdit());
    const QWidget* expected[] = {GetDlgItem(page, CAddressPage::IDC_SENDER_BUTTON), page->GetSenderBox(),
                                 Panel()->GetBookButton(CAddressTarget::ToList), Panel()->GetEntry(CAddressTarget::ToList)};
    for (const QWidget* next : expected) {
        PressKeyOnFocus(page, Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        EXPECT_EQ(now, next) << (now != nullptr ? now->metaObject()->className() : "none") << " "
                             << (now != nullptr ? GetControlId(now) : 0);
    }
    EXPECT_TRUE(SaveScreenshot(page, u"address_page_"_s + Dpi()));

    CAddressBookDlg* dlg = OpenBook(page, CAddressTarget::ToList);
    ExpectLaidOut(dlg);
    EXPECT_TRUE(SaveScreenshot(dlg, u"address_book_all_"_s + Dpi()));
    dlg->SetMode(CAddressBookDlg::ShowGroups);
    ExpectLaidOut(dlg);
    EXPECT_TRUE(SaveScreenshot(dlg, u"address_book_groups_"_s + Dpi()));
    dlg->hide();

    CGroupDlg group(CString("チーム"), page);
    ExpectLaidOut(&group);
    EXPECT_TRUE(SaveScreenshot(&group, u"group_"_s + Dpi()));
    CGroupSelectDlg select({{1, u"チーム"_s}, {2, u"友人"_s}}, 0, page);
    ExpectLaidOut(&select);
    EXPECT_TRUE(SaveScreenshot(&select, u"group_select_"_s + Dpi()));
    CMailAddressDlg edit(CAddress("", "花子", "hanako@example.com"), 1, page);
    ExpectLaidOut(&edit);
    EXPECT_TRUE(SaveScreenshot(&edit, u"mail_address_"_s + Dpi()));
    CAddressTemplateRecord preset;
    preset.title = CString("定例会");
    CAddressTemplateDlg templateDlg(preset, RecordAdd, page);
    ExpectLaidOut(&templateDlg);
    EXPECT_TRUE(SaveScreenshot(&templateDlg, u"address_template_"_s + Dpi()));

    std::unique_ptr<QMenu> menu(Panel()->GetList(CAddressTarget::ToList)->CreateContextMenu());
    menu->popup(page->mapToGlobal(QPoint(40, 40)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(SaveScreenshot(menu.get(), u"address_menu_"_s + Dpi()));
    menu->hide();
}
