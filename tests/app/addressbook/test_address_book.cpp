// Verifies the address book without windows: the address rules (the same address, display
// names, typed and pasted text, the lists' clipboard format both ways), the book in memory
// against Address.mdb read back with the sqlite3 command (persons, groups and memberships,
// the designed messages, deleting from all persons and from a group, REF_COUNT), search,
// completion ranking, tables that cannot be opened, and the Address page's plain rules.

#include "../data/DataTestUtil.h"

#include "addressbook/AddressRules.h"
#include "addressbook/CAddressBook.h"
#include "data/AddressBookTables.h"
#include "data/AddressTemplates.h"
#include "data/CGroupSet.h"
#include "data/CPersonSet.h"
#include "encoding/CCodePage.h"
#include "pages/AddressPageRules.h"

using namespace datatest;

namespace {

CString FromUtf8(const char8_t* text)
{
    return CCodePage::FromUtf8(reinterpret_cast<const char*>(text));
}

std::string Names(const CAddressBook& book, const std::vector<long>& ids)
{
    std::string names;
    for (long id : ids) {
        const CBookPerson* person = book.FindPerson(id);
        names += (names.empty() ? "" : ",") + (person ? CCodePage::ToUtf8(person->mailAddress) : std::string("?"));
    }
    return names;
}

class AddressBookTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        CreateAll();
        EXPECT_TRUE(book.Load().empty());
    }
    fs::path AddressDb() const { return DataFolder() / "Address.mdb"; }
    long Person(const char* name, const char* mail)
    {
        long id = 0;
        EXPECT_EQ(book.AddPerson(name, mail, id), CAddressBook::Ok);
        return id;
    }
    long Group(const char* name)
    {
        long id = 0;
        EXPECT_EQ(book.AddGroup(name, id), CAddressBook::Ok);
        return id;
    }

    CAddressBook book;
};

}  // namespace

TEST(AddressRules, SameAddressNamesAndTypedText)
{
    EXPECT_TRUE(IsSameAddress(CAddress("", "A", "Taro@Example.COM"), CAddress("g", "B", "taro@example.com")));
    EXPECT_FALSE(IsSameAddress(CAddress("", "", "taro@example.com"), CAddress("", "", "taro@example.co")));
    EXPECT_EQ(FindAddress({CAddress("", "", "a@x"), CAddress("", "", "b@x")}, CAddress("", "", "B@X")), 1);

    // The full-width blank is a blank; a lead byte 0x81 inside a character is not trimmed.
    EXPECT_EQ(TrimBlanks(FromUtf8(u8"　 山田\t　")).Str(), FromUtf8(u8"山田").Str());
    EXPECT_EQ(TrimBlanks(FromUtf8(u8"　")).Str(), "");
    EXPECT_EQ(CleanDisplayName(FromUtf8(u8"山田\n太郎\t ")).Str(), FromUtf8(u8"山田 太郎").Str());

    // One address a line, or separated by commas and semicolons outside quotes and brackets.
    const std::vector<CAddress> parsed =
        ParseAddressText(FromUtf8(u8"\"Yamada, Taro\" <taro@example.com>, hanako@example.com;\r\n"
                                  u8" 次郎 <jiro@example.com>\nmailto:saburo@example.com\n\n<shiro@example.com>"));
    ASSERT_EQ(parsed.size(), 5u);
    EXPECT_EQ(parsed[0].GetDisplayName().Str(), "Yamada, Taro");
    EXPECT_EQ(parsed[0].GetMailAddress().Str(), "taro@example.com");
    EXPECT_EQ(parsed[1].GetDisplayName().Str(), "");
    EXPECT_EQ(parsed[1].GetMailAddress().Str(), "hanako@example.com");
    EXPECT_EQ(parsed[2].GetDisplayName().Str(), FromUtf8(u8"次郎").Str());
    EXPECT_EQ(parsed[3].GetMailAddress().Str(), "saburo@example.com");
    EXPECT_EQ(parsed[4].GetMailAddress().Str(), "shiro@example.com");
    EXPECT_TRUE(ParseAddressText(" ,;\n ").empty());
    // A Japanese name with a trail byte that looks like a separator elsewhere stays whole.
    const std::vector<CAddress> kanji = ParseAddressText(FromUtf8(u8"ソ表 <so@example.com>"));
    ASSERT_EQ(kanji.size(), 1u);
    EXPECT_EQ(kanji[0].GetDisplayName().Str(), FromUtf8(u8"ソ表").Str());

    EXPECT_EQ(AddressLinesText({CAddress("", FromUtf8(u8"花子").GetString(), "hanako@example.com"),
                                CAddress("", "", "jiro@example.com")})
                  .Str(),
              FromUtf8(u8"花子 <hanako@example.com>\njiro@example.com\n").Str());
}

TEST(AddressRules, ClipboardFormatRoundTrip)
{
    const std::vector<CClipAddress> sent = {
        {12, CAddress(FromUtf8(u8"営業部").GetString(), FromUtf8(u8"山田\t太郎").GetString(), "taro@example.com")},
        {0, CAddress("", "", "jiro@example.com")},
        {7, CAddress("", FromUtf8(u8"①髙橋").GetString(), "takahashi@example.com")},
    };
    const std::string bytes = EncodeAddressClip(sent);
    // UTF-8 with a header, four tab-separated fields a line; the tab in a name became a blank.
    EXPECT_EQ(bytes.substr(0, 20), "Quillon-Addresses 1\n");
    EXPECT_NE(bytes.find(reinterpret_cast<const char*>(u8"12\t営業部\t山田 太郎\ttaro@example.com\n")), std::string::npos);
    std::vector<CClipAddress> read;
    ASSERT_TRUE(DecodeAddressClip(bytes, read));
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].personId, 12);
    EXPECT_EQ(read[0].address.GetGroupName().Str(), FromUtf8(u8"営業部").Str());
    EXPECT_EQ(read[0].address.GetDisplayName().Str(), FromUtf8(u8"山田 太郎").Str());
    EXPECT_EQ(read[1].personId, 0);
    EXPECT_EQ(read[1].address.GetMailAddress().Str(), "jiro@example.com");
    EXPECT_EQ(read[2].address.GetDisplayName().Str(), FromUtf8(u8"①髙橋").Str());

    // CR LF lines are read too; broken lines are skipped; another format is refused.
    ASSERT_TRUE(DecodeAddressClip("Quillon-Addresses 1\r\n3\t\t\ta@x\r\nbroken line\r\n", read));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].personId, 3);
    EXPECT_FALSE(DecodeAddressClip("a@x\n", read));
    EXPECT_FALSE(DecodeAddressClip("", read));
}

TEST(AddressRules, SearchFoldsCaseAndWidth)
{
    EXPECT_EQ(FoldForSearch(reinterpret_cast<const char*>(u8"ＹａＭＡ　Da@Ex")), "yama da@ex");
    EXPECT_EQ(FoldForSearch(reinterpret_cast<const char*>(u8"山田")), reinterpret_cast<const char*>(u8"山田"));
}

TEST(AddressPageRules, SubjectSenderAndLists)
{
    // A on B gives AB; removing gives B again; nothing twice, nothing for an empty template.
    EXPECT_EQ(AddTemplateSubject("B", "A").Str(), "AB");
    EXPECT_EQ(AddTemplateSubject("AB", "A").Str(), "AB");
    EXPECT_EQ(RemoveTemplateSubject("AB", "A").Str(), "B");
    EXPECT_EQ(RemoveTemplateSubject("B", "A").Str(), "B");
    EXPECT_EQ(AddTemplateSubject("B", "").Str(), "B");
    const CString prefix = FromUtf8(u8"【定例】");
    EXPECT_EQ(RemoveTemplateSubject(AddTemplateSubject(FromUtf8(u8"会議"), prefix), prefix).Str(), FromUtf8(u8"会議").Str());

    // The account chosen before, else the default, else the only one, else none.
    EXPECT_EQ(InitialSenderIndex({3, 5, 9}, 5, -1), 1);
    EXPECT_EQ(InitialSenderIndex({3, 5, 9}, 5, 9), 2);
    EXPECT_EQ(InitialSenderIndex({3, 5, 9}, 4, 8), -1);
    EXPECT_EQ(InitialSenderIndex({3}, 0, -1), 0);
    EXPECT_EQ(InitialSenderIndex({3}, -1, -1), 0);
    EXPECT_EQ(InitialSenderIndex({}, 3, 3), -1);

    // The account a document was written from: the same name and address first.
    const std::vector<CAddress> senders = {CAddress("", "営業部", "info@example.jp"),
                                           CAddress("", "山田", "yamada@example.jp"),
                                           CAddress("", "山田 太郎", "INFO@example.jp")};
    EXPECT_EQ(SenderIndexOfAddress(senders, CAddress("", "山田 太郎", "info@example.jp")), 2);
    EXPECT_EQ(SenderIndexOfAddress(senders, CAddress("", "", "info@example.jp")), 0);
    EXPECT_EQ(SenderIndexOfAddress(senders, CAddress("", "山田", "other@example.jp")), -1);
    EXPECT_EQ(SenderIndexOfAddress(senders, CAddress("", "山田", "")), -1);

    std::vector<CAddress> list = {CAddress("", "", "a@x")};
    EXPECT_EQ(AppendAddresses(list, {CAddress("", "", "A@X"), CAddress("", "", "b@x"), CAddress("", "", "b@x")}), 1);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(RemoveAddresses(list, {CAddress("", "", "B@x"), CAddress("", "", "c@x")}), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].GetMailAddress().Str(), "a@x");
}

TEST_F(AddressBookTest, GroupsAddRenameDeleteWithTheirMessages)
{
    EXPECT_EQ(CAddressBook::Message(CAddressBook::GroupNameEmpty).Str(), FromUtf8(u8"グループ名が入力されていません。").Str());
    EXPECT_EQ(CAddressBook::Message(CAddressBook::GroupNameInUse).Str(),
              FromUtf8(u8"すでに登録済みのグループ名です。\n他のグループ名を入力してください。").Str());
    EXPECT_EQ(CAddressBook::Message(CAddressBook::GroupHasMembers).Str(),
              FromUtf8(u8"まず、メンバーを他のグループへ移動、または、削除してください。").Str());

    long id = 0;
    EXPECT_EQ(book.AddGroup(FromUtf8(u8"　 "), id), CAddressBook::GroupNameEmpty);
    const long sales = Group(FromUtf8(u8" 営業部 ").GetString());
    const long dev = Group(FromUtf8(u8"開発部").GetString());
    EXPECT_EQ(book.AddGroup(FromUtf8(u8"営業部"), id), CAddressBook::GroupNameInUse);
    EXPECT_EQ(book.RenameGroup(dev, FromUtf8(u8"営業部")), CAddressBook::GroupNameInUse);
    // Renaming a group to its own name is no clash.
    EXPECT_EQ(book.RenameGroup(sales, FromUtf8(u8"営業部")), CAddressBook::Ok);
    EXPECT_EQ(book.RenameGroup(dev, FromUtf8(u8"技術部")), CAddressBook::Ok);
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT GROUP_NAME || '|' || MEMBERS FROM \\\"GROUP\\\" ORDER BY GROUP_ID"),
              reinterpret_cast<const char*>(u8"営業部| \n技術部| \n"));
    // In memory as the table sorts them.
    ASSERT_EQ(book.GetGroups().size(), 2u);
    EXPECT_EQ(book.GetGroups()[0].name.Str(), FromUtf8(u8"営業部").Str());

    const long taro = Person("Taro", "taro@example.com");
    const long hanako = Person("", "hanako@example.com");
    EXPECT_EQ(book.AddMembers(sales, {taro, hanako, taro}), CAddressBook::Ok);
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT MEMBERS FROM \\\"GROUP\\\" WHERE GROUP_ID = " + std::to_string(sales)),
              std::to_string(taro) + "," + std::to_string(hanako) + ",\n");
    EXPECT_EQ(book.RemoveGroup(sales), CAddressBook::GroupHasMembers);
    EXPECT_EQ(book.RemoveMembers(sales, {taro, hanako}), CAddressBook::Ok);
    EXPECT_EQ(book.RemoveGroup(sales), CAddressBook::Ok);
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT COUNT(*) FROM \\\"GROUP\\\""), "1\n");
    // The persons stay.
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT COUNT(*) FROM PERSON"), "2\n");
}

TEST_F(AddressBookTest, PersonsStoredOnceAndDeletedFromAllOrFromAGroup)
{
    EXPECT_EQ(CAddressBook::Message(CAddressBook::PersonExists).Str(),
              FromUtf8(u8"すでに登録されている名前とメールアドレスです。").Str());
    const long taro = Person(FromUtf8(u8"山田 太郎").GetString(), "taro@example.com");
    long again = 0;
    EXPECT_EQ(book.AddPerson(FromUtf8(u8" 山田 太郎 "), " taro@example.com", again), CAddressBook::PersonExists);
    // Another name with the same address is another person.
    const long work = Person("Taro (work)", "taro@example.com");
    const long hanako = Person("", "hanako@example.com");
    EXPECT_EQ(book.ModifyPerson(work, FromUtf8(u8"山田 太郎"), "taro@example.com"), CAddressBook::PersonExists);
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT DISPLAY_NAME IS NULL FROM PERSON WHERE PERSON_ID = " + std::to_string(hanako)), "1\n");

    const long sales = Group("sales");
    const long dev = Group("dev");
    ASSERT_EQ(book.AddMembers(sales, {taro, hanako}), CAddressBook::Ok);
    ASSERT_EQ(book.AddMembers(dev, {hanako, work}), CAddressBook::Ok);

    // From a group: only the membership ends.
    ASSERT_EQ(book.RemoveMembers(dev, {hanako}), CAddressBook::Ok);
    EXPECT_EQ(Names(book, book.GetMembers(dev)), "taro@example.com");
    EXPECT_NE(book.FindPerson(hanako), nullptr);
    // From all persons: the person goes, and with it every membership, in the table too.
    ASSERT_EQ(book.RemovePerson(hanako), CAddressBook::Ok);
    EXPECT_EQ(book.FindPerson(hanako), nullptr);
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT MEMBERS FROM \\\"GROUP\\\" WHERE GROUP_ID = " + std::to_string(sales)),
              std::to_string(taro) + ",\n");
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT COUNT(*) FROM PERSON WHERE PERSON_ID = " + std::to_string(hanako)), "0\n");
    EXPECT_EQ(book.RemovePerson(hanako), CAddressBook::NotFound);

    // A member id that a table already holds without a person is shown by nobody.
    ASSERT_EQ(Sqlite(AddressDb(), "UPDATE \\\"GROUP\\\" SET MEMBERS = '999," + std::to_string(taro) + ",' WHERE GROUP_ID = " +
                                      std::to_string(sales)),
              "");
    ASSERT_TRUE(book.Load().empty());
    EXPECT_EQ(Names(book, book.GetMembers(sales)), "taro@example.com");

    // Read back by a second book: what the first wrote is there.
    CAddressBook other;
    ASSERT_TRUE(other.Load().empty());
    EXPECT_EQ(other.GetPersons().size(), 2u);
    EXPECT_EQ(other.FindPersonId(FromUtf8(u8"山田 太郎"), "taro@example.com"), taro);
}

TEST_F(AddressBookTest, AddressOperationsOfTheProgram)
{
    long id = 0;
    ASSERT_EQ(book.AddAddress(CAddress("", "Taro", "taro@example.com"), id), CAddressBook::Ok);
    const long taro = id;
    // Stored already: the same person, no second row.
    ASSERT_EQ(book.AddAddress(CAddress("", "Taro", "taro@example.com"), id), CAddressBook::Ok);
    EXPECT_EQ(id, taro);
    EXPECT_EQ(book.GetPersons().size(), 1u);

    // To a group that is made when missing, and then found by name.
    ASSERT_EQ(book.AddAddressToGroup(CAddress("", "Hanako", "hanako@example.com"), FromUtf8(u8"友人"), id), CAddressBook::Ok);
    ASSERT_EQ(book.AddAddressToGroup(CAddress("", "Taro", "taro@example.com"), FromUtf8(u8"友人"), id), CAddressBook::Ok);
    ASSERT_NE(book.FindGroupByName(FromUtf8(u8"友人")), nullptr);
    EXPECT_EQ(Names(book, book.GetMembers(book.FindGroupByName(FromUtf8(u8"友人"))->id)),
              "hanako@example.com,taro@example.com");

    // Replace: the person changes in place (its memberships stay); unknown ones are added.
    ASSERT_EQ(book.ReplaceAddress(CAddress("", "Taro", "taro@example.com"), CAddress("", "Taro", "taro@example.org")),
              CAddressBook::Ok);
    EXPECT_EQ(book.FindPerson(taro)->mailAddress.Str(), "taro@example.org");
    ASSERT_EQ(book.ReplaceAddress(CAddress("", "X", "x@example.com"), CAddress("", "Y", "y@example.com")), CAddressBook::Ok);
    EXPECT_NE(book.FindPersonId("Y", "y@example.com"), 0);
    EXPECT_EQ(book.FindPersonId("X", "x@example.com"), 0);

    // REF_COUNT: by id, and by address (the same name first, else the address alone).
    ASSERT_EQ(book.AddRef(taro), CAddressBook::Ok);
    ASSERT_EQ(book.AddRefByAddress(CAddress("", "Someone", "TARO@example.org")), CAddressBook::Ok);
    EXPECT_EQ(book.AddRefByAddress(CAddress("", "", "nobody@example.com")), CAddressBook::Ok);
    EXPECT_EQ(book.FindPerson(taro)->refCount, 2);
    EXPECT_EQ(Sqlite(AddressDb(), "SELECT REF_COUNT FROM PERSON WHERE PERSON_ID = " + std::to_string(taro)), "2\n");
}

TEST_F(AddressBookTest, SearchAndCompletionRanking)
{
    const long yamada = Person(FromUtf8(u8"山田 太郎").GetString(), "taro@example.com");
    const long yama2 = Person(FromUtf8(u8"山本 花子").GetString(), "hanako.yamamoto@example.jp");
    const long sato = Person("Sato", "sato@yamaha.example");
    Person("", "yama@example.com");
    Person("Kayama", "k@example.com");

    // Search: every word, any part of name or address, any case or width.
    EXPECT_EQ(Names(book, book.Search(FromUtf8(u8"ＹＡＭＡ"), book.AllPersonIds())),
              "hanako.yamamoto@example.jp,sato@yamaha.example,yama@example.com,k@example.com");
    EXPECT_EQ(Names(book, book.Search(FromUtf8(u8"山 example.com"), book.AllPersonIds())), "taro@example.com");
    EXPECT_TRUE(book.Search("nobody", book.AllPersonIds()).empty());
    EXPECT_EQ(book.Search("  ", {yama2, yamada}), (std::vector<long>{yama2, yamada}));
    EXPECT_EQ(CAddressBook::Message(CAddressBook::NotFound).Str(), FromUtf8(u8"該当する人が見つかりませんでした。").Str());

    // Completion: the most used first, then those whose name or address begins with the
    // text, then those with a word that does, then by name (Latin before kanji).
    EXPECT_EQ(Names(book, book.Complete("yama", 10)),
              "yama@example.com,sato@yamaha.example,hanako.yamamoto@example.jp,k@example.com");
    EXPECT_EQ(Names(book, book.Complete("amo", 10)), "hanako.yamamoto@example.jp");
    ASSERT_EQ(book.AddRef(sato), CAddressBook::Ok);
    EXPECT_EQ(Names(book, book.Complete("yama", 10)),
              "sato@yamaha.example,yama@example.com,hanako.yamamoto@example.jp,k@example.com");
    EXPECT_EQ(Names(book, book.Complete("yama", 1)), "sato@yamaha.example");
    EXPECT_EQ(Names(book, book.Complete(FromUtf8(u8"山"), 10)), "hanako.yamamoto@example.jp,taro@example.com");
    EXPECT_TRUE(book.Complete("", 10).empty());
}

TEST_F(AddressBookTest, TablesThatCannotBeOpened)
{
    EXPECT_EQ(CAddressBook::Message(CAddressBook::PersonTableFailed).Str(),
              FromUtf8(u8"PERSONテーブルのオープンに失敗しました。").Str());
    EXPECT_EQ(CAddressBook::Message(CAddressBook::GroupTableFailed).Str(),
              FromUtf8(u8"GROUPテーブルのオープンに失敗しました。").Str());
    EXPECT_EQ(std::string(CAddressBook::kCaption), FromUtf8(u8"アドレス帳").Str());
    Person("Taro", "taro@example.com");

    ASSERT_EQ(Sqlite(AddressDb(), "DROP TABLE \\\"GROUP\\\""), "");
    EXPECT_EQ(book.Load(), (std::vector<CAddressBook::Status>{CAddressBook::GroupTableFailed}));
    EXPECT_EQ(book.GetPersons().size(), 1u);
    long id = 0;
    EXPECT_EQ(book.AddGroup("x", id), CAddressBook::GroupTableFailed);

    // A file that is no database: both, and nothing crashes.
    { std::ofstream(AddressDb(), std::ios::trunc) << "not a database"; }
    EXPECT_EQ(book.Load(), (std::vector<CAddressBook::Status>{CAddressBook::PersonTableFailed, CAddressBook::GroupTableFailed}));
    EXPECT_TRUE(book.GetPersons().empty());
    EXPECT_EQ(book.AddPerson("A", "a@example.com", id), CAddressBook::PersonTableFailed);
    EXPECT_TRUE(book.Complete("a", 5).empty());
}

TEST_F(AddressBookTest, AddressTemplateRecordsThroughTheTable)
{
    CAddressTemplateRecord record;
    record.title = FromUtf8(u8"定例会議");
    record.subject = FromUtf8(u8"【定例】");
    record.toList = {CAddress("", FromUtf8(u8"花子").GetString(), "hanako@example.com"), CAddress("", "", "jiro@example.com")};
    record.bccList = {CAddress("", "", "boss@example.com")};
    record.letterTemplateId = 4;
    ASSERT_TRUE(WriteAddressTemplate(RecordAdd, record));
    ASSERT_NE(record.id, 0);
    EXPECT_EQ(Sqlite(DataFolder() / "Template.mdb", "SELECT hex(TO_ADDRESSES) FROM ADDRESS_TEMPLATE"),
              "E88AB1E5AD90203C68616E616B6F406578616D706C652E636F6D3E0A6A69726F406578616D706C652E636F6D0A\n");

    CAddressTemplateRecord read;
    ASSERT_TRUE(LoadAddressTemplate(record.id, read));
    EXPECT_EQ(read.title.Str(), record.title.Str());
    EXPECT_EQ(read.subject.Str(), record.subject.Str());
    ASSERT_EQ(read.toList.size(), 2u);
    EXPECT_EQ(read.toList[0].GetGroupName().Str(), record.title.Str());
    EXPECT_EQ(read.toList[0].GetDisplayName().Str(), FromUtf8(u8"花子").Str());
    EXPECT_TRUE(read.ccList.empty());
    EXPECT_EQ(read.bccList.size(), 1u);
    EXPECT_EQ(read.letterTemplateId, 4);

    read.subject.Empty();
    read.ccList = {CAddress("", "", "cc@example.com")};
    ASSERT_TRUE(WriteAddressTemplate(RecordChange, read));
    EXPECT_EQ(Sqlite(DataFolder() / "Template.mdb", "SELECT SUBJECT IS NULL, CC_ADDRESSES FROM ADDRESS_TEMPLATE"),
              "1|cc@example.com\n\n");
    ASSERT_TRUE(WriteAddressTemplate(RecordDelete, read));
    EXPECT_FALSE(LoadAddressTemplate(read.id, read));
    EXPECT_FALSE(WriteAddressTemplate(RecordChange, record));
    // A title longer than its column is refused and nothing is written.
    record.title = CString('x', 256);
    EXPECT_FALSE(WriteAddressTemplate(RecordAdd, record));
    EXPECT_EQ(Sqlite(DataFolder() / "Template.mdb", "SELECT COUNT(*) FROM ADDRESS_TEMPLATE"), "0\n");
}

TEST_F(AddressBookTest, LoadersReadWholeTables)
{
    Person("A", "a@example.com");
    const long b = Person("", "b@example.com");
    const long g = Group("g");
    ASSERT_EQ(book.AddMembers(g, {b}), CAddressBook::Ok);
    std::vector<CPersonRecord> persons;
    ASSERT_TRUE(LoadPersons(persons));
    ASSERT_EQ(persons.size(), 2u);
    EXPECT_EQ(persons[1].displayName.Str(), "");
    std::vector<CGroupRecord> groups;
    ASSERT_TRUE(LoadGroups(groups));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].members, (CIdArray{b}));
    fs::remove(AddressDb());
    EXPECT_FALSE(LoadPersons(persons));
    EXPECT_FALSE(LoadGroups(groups));
}
