// Verifies every recordset: the keyed operations, the member and address list encodings,
// null for empty texts, bound find criteria, Text(n) limits in code page 932 bytes (in UTF-8
// bytes for the credentials, which are not text), one transaction per add, and Japanese text
// stored as UTF-8.

#include "DataTestUtil.h"

#include "data/CAccountSet.h"
#include "data/CAddressTemplateSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDbException.h"
#include "data/CEditSettingSet.h"
#include "data/CFixedPhraseSet.h"
#include "data/CGroupSet.h"
#include "data/CLetterTemplateSet.h"
#include "data/CPersonSet.h"
#include "data/CWindowPosSet.h"
#include "data/TitleLists.h"

using namespace datatest;

namespace {

std::string Utf8(const char8_t* text)
{
    return std::string(reinterpret_cast<const char*>(text));
}

// Every row of the set, read by moving from the first to the end.
template <class Set, class Field>
std::vector<Field> Column(Set& set, Field Set::*field)
{
    std::vector<Field> values;
    EXPECT_TRUE(set.RequeryAll());
    for (; !set.IsEOF(); set.MoveNext()) values.push_back(set.*field);
    return values;
}

CString Repeat(const char* piece, int count)
{
    CString text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

}  // namespace

class RecordsetTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        CreateAll();
    }
    fs::path File(const char* name) const { return DataFolder() / name; }
};

TEST_F(RecordsetTest, AccountSetKeyedOperations)
{
    CAccountSet set;
    ASSERT_TRUE(set.Open());
    long first = 0, second = 0;
    ASSERT_TRUE(set.Add("山田 太郎", "taro@example.jp", "smtp.example.jp", 25, 0, "", "", "", first));
    ASSERT_TRUE(set.Add("Hanako", "hanako@example.com", "mail.example.com", 587, 1, "hanako",
                        "secret", "reply@example.com", second));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);

    ASSERT_TRUE(set.FindById(second));
    EXPECT_EQ(set.id, second);
    EXPECT_EQ(set.displayName, "Hanako");
    EXPECT_EQ(set.mailAddress, "hanako@example.com");
    EXPECT_EQ(set.sendServer, "mail.example.com");
    EXPECT_EQ(set.sendPort, 587);
    EXPECT_EQ(set.needSendAuth, 1);
    EXPECT_EQ(set.sendAccount, "hanako");
    EXPECT_EQ(set.sendPassword, "secret");
    EXPECT_EQ(set.replyMailAddress, "reply@example.com");

    ASSERT_TRUE(set.Modify(first, "山田 次郎", "jiro@example.jp", "smtp2.example.jp", 2525, 1,
                           "jiro", "pw", "r@example.jp"));
    ASSERT_TRUE(set.FindById(first));
    EXPECT_EQ(set.displayName, "山田 次郎");
    EXPECT_EQ(set.sendPort, 2525);
    EXPECT_EQ(set.needSendAuth, 1);
    EXPECT_EQ(set.replyMailAddress, "r@example.jp");

    // A missing id: not found, the current row stays, nothing is deleted or changed.
    EXPECT_FALSE(set.FindById(77));
    EXPECT_EQ(set.id, first);
    EXPECT_FALSE(set.Remove(77));
    EXPECT_FALSE(set.Modify(77, "x", "x@example.com", "", 0, 0, "", "", ""));
    EXPECT_EQ(Column(set, &CAccountSet::id), (std::vector<long>{1, 2}));

    EXPECT_TRUE(set.Remove(first));
    EXPECT_FALSE(set.FindById(first));
    EXPECT_EQ(Column(set, &CAccountSet::id), (std::vector<long>{2}));

    // Ids are never given twice, even after the last row went.
    long third = 0;
    ASSERT_TRUE(set.Remove(second));
    ASSERT_TRUE(set.Add("c", "c@example.com", "", 0, 0, "", "", "", third));
    EXPECT_EQ(third, 3);
}

TEST_F(RecordsetTest, CredentialsAreStoredAsTheirUtf8BytesWithTheLimitInThoseBytes)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    CAccountSet set;
    ASSERT_TRUE(set.Open());
    // "pässwörd" and a user name that code page 932 cannot hold ("Zoë 𝒳"): kept byte for byte.
    const std::string password = Utf8(u8"pässwörd");
    const std::string user = Utf8(u8"Zoë 𝒳");
    long id = 0;
    ASSERT_TRUE(set.Add("a", "a@example.com", "smtp.example.jp", 587, 1, user.c_str(), password.c_str(), "", id));
    ASSERT_TRUE(set.FindById(id));
    EXPECT_EQ(set.sendAccount, user);
    EXPECT_EQ(set.sendPassword, password);
    // An independent reader sees the same UTF-8 text.
    EXPECT_EQ(Sqlite(File("Account.mdb"), "SELECT SEND_ACCOUNT || '|' || SEND_PASSWORD FROM ACCOUNT"),
              user + "|" + password + "\n");

    // 64 bytes fit, 65 do not: 21 "あ" are 63 bytes of UTF-8.
    const std::string fits = [] {
        std::string text;
        for (int i = 0; i < 21; ++i) text += Utf8(u8"あ");
        return text + "x";
    }();
    ASSERT_EQ(fits.size(), 64u);
    EXPECT_TRUE(set.Modify(id, "a", "a@example.com", "", 587, 1, fits.c_str(), fits.c_str(), ""));
    EXPECT_FALSE(set.Modify(id, "a", "a@example.com", "", 587, 1, "u", (fits + "y").c_str(), ""));
    EXPECT_EQ(set.GetTooLongColumn(), "SEND_PASSWORD");
    EXPECT_EQ(set.GetTooLongLimit(), 64);
    ASSERT_TRUE(set.FindById(id));
    EXPECT_EQ(set.sendAccount, fits);
    EXPECT_EQ(set.sendPassword, fits);
}

TEST_F(RecordsetTest, TextLimitsCountCodePage932BytesAndAFailedAddLeavesNoRow)
{
    CAccountSet set;
    ASSERT_TRUE(set.Open());
    // 127 Japanese characters and one ASCII are 255 bytes in code page 932 (382 in UTF-8):
    // they fit Text(255).
    CString fits = Repeat("あ", 127) + "x";
    ASSERT_EQ(fits.GetLength(), 255);
    long id = 0;
    ASSERT_TRUE(set.Add(fits.GetString(), "a@example.com", "", 25, 0, "", "", "", id));
    ASSERT_TRUE(set.FindById(id));
    EXPECT_EQ(set.displayName, fits);

    // One byte more fails like an engine error: no half-made row, the id is not used up.
    CString tooLong = fits + "x";
    long other = -1;
    EXPECT_FALSE(set.Add(tooLong.GetString(), "b@example.com", "", 25, 0, "", "", "", other));
    EXPECT_EQ(other, -1);
    // The set says which column, so a dialog can name the field.
    EXPECT_EQ(set.GetTooLongColumn(), "DISPLAY_NAME");
    EXPECT_EQ(set.GetTooLongLimit(), 255);
    EXPECT_EQ(Column(set, &CAccountSet::id), (std::vector<long>{id}));
    EXPECT_FALSE(set.Modify(id, "a", "a@example.com", "", 25, 0, "", "", tooLong.GetString()));
    EXPECT_EQ(set.GetTooLongColumn(), "REPLY_MAIL_ADDRESS");
    // Another failure, or a write that succeeds, names no column.
    EXPECT_FALSE(set.Modify(id + 100, "a", "a@example.com", "", 25, 0, "", "", ""));
    EXPECT_EQ(set.GetTooLongColumn(), "");
    EXPECT_FALSE(set.Modify(id, "a", "a@example.com", "", 25, 0, "", "", tooLong.GetString()));
    ASSERT_TRUE(set.FindById(id));
    EXPECT_EQ(set.displayName, fits);
    EXPECT_EQ(set.replyMailAddress, "");
    ASSERT_TRUE(set.Add("b", "b@example.com", "", 25, 0, "", "", "", other));
    EXPECT_EQ(other, id + 1);
    EXPECT_EQ(set.GetTooLongColumn(), "");

    CString name255 = Repeat("x", 255);
    EXPECT_TRUE(set.Modify(id, name255.GetString(), "a@example.com", "", 25, 0, "", "", ""));
    EXPECT_FALSE(set.Modify(id, (name255 + "y").GetString(), "a@example.com", "", 25, 0, "", "", ""));

    CFixedPhraseSet phrases("GREETING");
    ASSERT_TRUE(phrases.Open());
    EXPECT_TRUE(phrases.Add(Repeat("漢", 50).GetString(), "", id));
    EXPECT_FALSE(phrases.Add((Repeat("漢", 50) + "x").GetString(), "", id));
    // A Memo has no limit.
    EXPECT_TRUE(phrases.Add("long", Repeat("本文", 40000).GetString(), id));
    ASSERT_TRUE(phrases.FindById(id));
    EXPECT_EQ(phrases.detail.GetLength(), 160000);
}

TEST_F(RecordsetTest, SingleRowSetsAreEditedInPlace)
{
    {
        CEditSettingSet set;
        ASSERT_TRUE(set.Open());
        set.newLineLength = 72;
        set.replyLineLength = 80;
        set.closeAfterSend = 1;
        set.previewAtSend = 1;
        set.upperReply = 0;
        ASSERT_TRUE(set.Save());
        CWindowPosSet pos;
        ASSERT_TRUE(pos.Open());
        pos.Edit();
        pos.wizardPosX = -20;
        pos.wizardPosY = 300;
        // A folder name code page 932 cannot hold is kept as its own bytes.
        pos.attachedFilesDir = CPath::FromNative("/home/caf\xC3\xA9/\xE6\xB7\xBB\xE4\xBB\x98");
        pos.Update();
        CCurrentAccountSet current;
        ASSERT_TRUE(current.Open());
        current.accountId = 4;
        current.setToBcc = 0;
        ASSERT_TRUE(current.Save());
    }
    CEditSettingSet set;
    ASSERT_TRUE(set.Open());
    EXPECT_EQ(set.newLineLength, 72);
    EXPECT_EQ(set.replyLineLength, 80);
    EXPECT_EQ(set.closeAfterSend, 1);
    EXPECT_EQ(set.previewAtSend, 1);
    EXPECT_EQ(set.upperReply, 0);
    CWindowPosSet pos;
    ASSERT_TRUE(pos.Open());
    EXPECT_EQ(pos.wizardPosX, -20);
    EXPECT_EQ(pos.wizardPosY, 300);
    EXPECT_EQ(pos.attachedFilesDir, CPath::FromNative("/home/caf\xC3\xA9/\xE6\xB7\xBB\xE4\xBB\x98"));
    pos.attachedFilesDir = CPath();
    ASSERT_TRUE(pos.Save());
    CCurrentAccountSet current;
    ASSERT_TRUE(current.Open());
    EXPECT_EQ(current.accountId, 4);
    EXPECT_EQ(current.setToBcc, 0);

    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(Sqlite(File("Config.mdb"), "SELECT count(*), typeof(ATTACHED_FILES_DIR) FROM WINDOW_POS"),
              "1|null\n");
    EXPECT_EQ(Sqlite(File("Config.mdb"), "SELECT count(*) FROM EDIT_SETTING"), "1\n");
}

TEST_F(RecordsetTest, SingleRowSetsAddTheirRowToAnEmptyTable)
{
    // The rows deleted by hand (or a file made by another tool without them).
    {
        CDatabase db;
        db.Open(theDataStore.GetConfigDbPath());
        db.Execute("DELETE FROM WINDOW_POS; DELETE FROM EDIT_SETTING");
        db.Open(theDataStore.GetAccountDbPath());
        db.Execute("DELETE FROM CURRENT_ACCOUNT");
    }
    {
        CWindowPosSet pos;
        ASSERT_TRUE(pos.Open());
        EXPECT_FALSE(pos.HasCurrent());
        pos.wizardPosX = 15;
        pos.wizardPosY = 25;
        pos.attachedFilesDir = CPath::FromNative("/data/caf\xC3\xA9");
        ASSERT_TRUE(pos.Save());
        CCurrentAccountSet current;
        ASSERT_TRUE(current.Open());
        current.accountId = 3;
        current.setToBcc = 1;
        ASSERT_TRUE(current.Save());
        CEditSettingSet settings;
        ASSERT_TRUE(settings.Open());
        settings.newLineLength = 70;
        settings.replyLineLength = 74;
        ASSERT_TRUE(settings.Save());
        // Saving again edits the row just added.
        current.accountId = 5;
        ASSERT_TRUE(current.Save());
    }
    CWindowPosSet pos;
    ASSERT_TRUE(pos.Open());
    EXPECT_EQ(pos.wizardPosX, 15);
    EXPECT_EQ(pos.wizardPosY, 25);
    EXPECT_EQ(pos.attachedFilesDir, CPath::FromNative("/data/caf\xC3\xA9"));
    CCurrentAccountSet current;
    ASSERT_TRUE(current.Open());
    EXPECT_EQ(current.accountId, 5);
    EXPECT_EQ(current.setToBcc, 1);
    CEditSettingSet settings;
    ASSERT_TRUE(settings.Open());
    EXPECT_EQ(settings.newLineLength, 70);
    EXPECT_EQ(settings.replyLineLength, 74);

    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(Sqlite(File("Config.mdb"), "SELECT count(*), ATTACHED_FILES_DIR FROM WINDOW_POS"),
              "1|/data/caf\xC3\xA9\n");
    EXPECT_EQ(Sqlite(File("Account.mdb"), "SELECT count(*) FROM CURRENT_ACCOUNT"), "1\n");
}

TEST_F(RecordsetTest, MemberListEncoding)
{
    EXPECT_EQ(CGroupSet::EncodeMembers({12, 7, 30}), "12,7,30,");
    EXPECT_EQ(CGroupSet::EncodeMembers({}), " ");
    const std::pair<const char*, CIdArray> decoded[] = {
        {"12,7,30,", {12, 7, 30}}, {"5,9,", {5, 9}}, {" ", {}}, {"", {}},
        {"5,9", {5}},  // what follows the last comma is ignored
        {",x,", {0, 0}},
    };
    for (const auto& [text, ids] : decoded) {
        CIdArray got{99};
        CGroupSet::DecodeMembers(text, got);
        got.erase(got.begin());  // decoding appends
        EXPECT_EQ(got, ids) << text;
    }
}

TEST_F(RecordsetTest, GroupSetKeyedOperationsAndMembers)
{
    CGroupSet set;
    ASSERT_TRUE(set.Open());
    long friends = 0, work = 0, empty = 0, quoted = 0;
    ASSERT_TRUE(set.Add("友人", {12, 7, 30}, friends));
    ASSERT_TRUE(set.Add("Work", {5}, work));
    ASSERT_TRUE(set.Add("Empty", {}, empty));
    ASSERT_TRUE(set.Add("O'Brien's \"team\"", {1}, quoted));

    CIdArray ids{42};
    ASSERT_TRUE(set.ReadMembers(friends, ids));
    EXPECT_EQ(ids, (CIdArray{12, 7, 30}));
    EXPECT_EQ(set.members, "12,7,30,");
    ASSERT_TRUE(set.ReadMembers(empty, ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(set.members, " ");

    ASSERT_TRUE(set.WriteMembers(work, {5, 9}));
    ASSERT_TRUE(set.ReadMembers(work, ids));
    EXPECT_EQ(ids, (CIdArray{5, 9}));
    ASSERT_TRUE(set.WriteMembers(friends, {}));
    ASSERT_TRUE(set.ReadMembers(friends, ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(set.groupName, "友人");

    // A missing group: the array is emptied, nothing is written.
    ids = {1, 2};
    EXPECT_FALSE(set.ReadMembers(999, ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_FALSE(set.WriteMembers(999, {3}));

    // Sorted by name (byte order of the stored text).
    EXPECT_EQ(Column(set, &CGroupSet::groupName),
              (std::vector<CString>{"Empty", "O'Brien's \"team\"", "Work", "友人"}));

    ASSERT_TRUE(set.FindByName("O'Brien's \"team\""));
    EXPECT_EQ(set.groupId, quoted);
    ASSERT_TRUE(set.FindByName("Work"));
    EXPECT_EQ(set.groupId, work);
    EXPECT_FALSE(set.FindByName("work"));
    EXPECT_FALSE(set.FindByName("x' OR '1'='1"));
    EXPECT_EQ(set.groupId, work);

    ASSERT_TRUE(set.Modify(work, "仕事", {8}));
    ASSERT_TRUE(set.FindByName("仕事"));
    EXPECT_EQ(set.members, "8,");
    EXPECT_TRUE(set.Remove(work));
    EXPECT_FALSE(set.FindById(work));
    EXPECT_FALSE(set.Remove(work));
    EXPECT_EQ(Column(set, &CGroupSet::groupId).size(), 3u);

    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(Sqlite(File("Address.mdb"),
                     "SELECT GROUP_ID, quote(MEMBERS) FROM [GROUP] ORDER BY GROUP_ID"),
              "1|' '\n3|' '\n4|'1,'\n");
}

TEST_F(RecordsetTest, PersonSetFindsByNameAndAddressWithBoundValues)
{
    CPersonSet set;
    ASSERT_TRUE(set.Open());
    long noName = 0, taro = 0, obrien = 0, sameAddress = 0;
    ASSERT_TRUE(set.Add("", "anon@example.com", noName));
    ASSERT_TRUE(set.Add("山田 太郎", "taro@example.jp", taro));
    ASSERT_TRUE(set.Add("O'Brien", "ob@example.ie", obrien));
    ASSERT_TRUE(set.Add("Other", "anon@example.com", sameAddress));

    ASSERT_TRUE(set.FindById(noName));
    EXPECT_EQ(set.displayName, "");
    EXPECT_EQ(set.refCount, 0);

    // An empty or absent name finds the person without a name, not one with a name.
    ASSERT_TRUE(set.FindByNameAndAddress("", "anon@example.com"));
    EXPECT_EQ(set.personId, noName);
    ASSERT_TRUE(set.FindByNameAndAddress(nullptr, "anon@example.com"));
    EXPECT_EQ(set.personId, noName);
    ASSERT_TRUE(set.FindByNameAndAddress("Other", "anon@example.com"));
    EXPECT_EQ(set.personId, sameAddress);
    EXPECT_FALSE(set.FindByNameAndAddress("", "taro@example.jp"));
    ASSERT_TRUE(set.FindByNameAndAddress("山田 太郎", "taro@example.jp"));
    EXPECT_EQ(set.personId, taro);
    EXPECT_FALSE(set.FindByNameAndAddress("山田 太郎", "TARO@example.jp"));

    // Quotes are plain characters; nothing typed can change the query.
    ASSERT_TRUE(set.FindByNameAndAddress("O'Brien", "ob@example.ie"));
    EXPECT_EQ(set.personId, obrien);
    EXPECT_FALSE(set.FindByNameAndAddress("x' OR '1'='1", "x' OR '1'='1"));
    EXPECT_FALSE(set.FindByNameAndAddress("O'Brien", "' OR 1=1 --"));
    EXPECT_FALSE(set.FindByNameAndAddress("\"; DROP TABLE PERSON; --", "a"));
    EXPECT_EQ(Column(set, &CPersonSet::personId).size(), 4u);

    // AddRef counts up from 0; a missing id changes nothing.
    ASSERT_TRUE(set.AddRef(taro));
    ASSERT_TRUE(set.AddRef(taro));
    ASSERT_TRUE(set.FindById(taro));
    EXPECT_EQ(set.refCount, 2);
    EXPECT_FALSE(set.AddRef(999));

    // Modify keeps the count; a name that becomes empty becomes null.
    ASSERT_TRUE(set.Modify(taro, "", "taro@example.jp"));
    ASSERT_TRUE(set.FindByNameAndAddress("", "taro@example.jp"));
    EXPECT_EQ(set.personId, taro);
    EXPECT_EQ(set.refCount, 2);

    EXPECT_FALSE(set.Remove(999));
    EXPECT_TRUE(set.Remove(noName));
    EXPECT_FALSE(set.FindByNameAndAddress("", "anon@example.com"));
    EXPECT_EQ(Column(set, &CPersonSet::personId), (std::vector<long>{taro, obrien, sameAddress}));

    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(Sqlite(File("Address.mdb"),
                     "SELECT PERSON_ID, typeof(DISPLAY_NAME), REF_COUNT FROM PERSON ORDER BY PERSON_ID"),
              "2|null|2\n3|text|0\n4|text|0\n");
}

TEST_F(RecordsetTest, AddressListEncoding)
{
    std::vector<CAddress> list = {CAddress("", "山田 太郎", "yamada@example.jp"),
                                  CAddress("", "", "sato@example.jp")};
    EXPECT_EQ(CAddressTemplateSet::EncodeAddresses(list),
              "山田 太郎 <yamada@example.jp>\nsato@example.jp\n");
    EXPECT_EQ(CAddressTemplateSet::EncodeAddresses({}), "");

    std::vector<CAddress> read(1);
    CAddressTemplateSet::DecodeAddresses("山田 太郎 <yamada@example.jp>\nsato@example.jp\nrest",
                                         "顧客", read);
    ASSERT_EQ(read.size(), 3u);  // appended after the one that was there; "rest" ignored
    EXPECT_EQ(read[1].GetDisplayName(), "山田 太郎");
    EXPECT_EQ(read[1].GetMailAddress(), "yamada@example.jp");
    EXPECT_EQ(read[1].GetGroupName(), "顧客");
    EXPECT_EQ(read[2].GetDisplayName(), "");
    EXPECT_EQ(read[2].GetMailAddress(), "sato@example.jp");
    EXPECT_EQ(read[2].GetGroupName(), "顧客");
}

TEST_F(RecordsetTest, AddressTemplateSetKeyedOperations)
{
    CAddressTemplateSet set;
    ASSERT_TRUE(set.Open());
    std::vector<CAddress> to = {CAddress("x", "山田 太郎", "yamada@example.jp"),
                                CAddress("x", "", "sato@example.jp")};
    std::vector<CAddress> cc = {CAddress("", "Boss", "boss@example.com")};
    long id = 0;
    ASSERT_TRUE(set.Add("月例報告", "報告", to, cc, {}, 3, id));
    ASSERT_TRUE(set.FindById(id));
    EXPECT_EQ(set.title, "月例報告");
    EXPECT_EQ(set.subject, "報告");
    EXPECT_EQ(set.toAddresses, "山田 太郎 <yamada@example.jp>\nsato@example.jp\n");
    EXPECT_EQ(set.ccAddresses, "Boss <boss@example.com>\n");
    EXPECT_EQ(set.bccAddresses, "");
    EXPECT_EQ(set.letterTemplateId, 3);

    std::vector<CAddress> readTo, readCc, readBcc;
    ASSERT_TRUE(set.ReadAddresses(readTo, readCc, readBcc));
    ASSERT_EQ(readTo.size(), 2u);
    EXPECT_EQ(readTo[0].GetDisplayName(), "山田 太郎");
    EXPECT_EQ(readTo[0].GetMailAddress(), "yamada@example.jp");
    EXPECT_EQ(readTo[0].GetGroupName(), "月例報告");
    EXPECT_EQ(readTo[1].GetMailAddress(), "sato@example.jp");
    EXPECT_EQ(readTo[1].GetGroupName(), "月例報告");
    ASSERT_EQ(readCc.size(), 1u);
    EXPECT_EQ(readCc[0].GetDisplayName(), "Boss");
    EXPECT_TRUE(readBcc.empty());

    ASSERT_TRUE(set.Modify(id, "週報", "", {}, {}, cc, 0));
    ASSERT_TRUE(set.FindById(id));
    readTo.clear();
    readCc.clear();
    ASSERT_TRUE(set.ReadAddresses(readTo, readCc, readBcc));
    EXPECT_TRUE(readTo.empty());
    ASSERT_EQ(readBcc.size(), 1u);
    EXPECT_EQ(readBcc[0].GetGroupName(), "週報");
    EXPECT_FALSE(set.FindById(id + 1));
    EXPECT_FALSE(set.Remove(id + 1));
    EXPECT_TRUE(set.Remove(id));
    EXPECT_TRUE(Column(set, &CAddressTemplateSet::id).empty());

    SKIP_WITHOUT_SQLITE_COMMAND();
    long other = 0;
    ASSERT_TRUE(set.Add("t", "", to, {}, {}, 0, other));
    EXPECT_EQ(Sqlite(File("Template.mdb"),
                     "SELECT hex(TO_ADDRESSES), typeof(CC_ADDRESSES), typeof(SUBJECT) FROM"
                     " ADDRESS_TEMPLATE"),
              "E5B1B1E794B020E5A4AAE9838E203C79616D616461406578616D706C652E6A703E0A"
              "7361746F406578616D706C652E6A700A|null|null\n");
}

TEST_F(RecordsetTest, LetterTemplateAndPhraseSets)
{
    CLetterTemplateSet letters;
    ASSERT_TRUE(letters.Open());
    long id = 0;
    ASSERT_TRUE(letters.Add("お礼", "ありがとうございました", "各位\r\n", "拝啓\r\n時下ますます", "敬具",
                            2, 5, id));
    ASSERT_TRUE(letters.FindById(id));
    EXPECT_EQ(letters.title, "お礼");
    EXPECT_EQ(letters.subject, "ありがとうございました");
    EXPECT_EQ(letters.dear, "各位\r\n");
    EXPECT_EQ(letters.greeting, "拝啓\r\n時下ますます");
    EXPECT_EQ(letters.closing, "敬具");
    EXPECT_EQ(letters.signatureId, 2);
    EXPECT_EQ(letters.addressTemplateId, 5);
    ASSERT_TRUE(letters.Modify(id, "お詫び", "", "", "", "", 0, 0));
    ASSERT_TRUE(letters.FindById(id));
    EXPECT_EQ(letters.title, "お詫び");
    EXPECT_EQ(letters.greeting, "");
    EXPECT_EQ(letters.signatureId, 0);
    EXPECT_FALSE(letters.Modify(id + 1, "x", "", "", "", "", 0, 0));
    EXPECT_TRUE(letters.Remove(id));
    EXPECT_FALSE(letters.FindById(id));

    // Five tables of one layout, each with its own rows and ids.
    const char* tables[] = {"SUBJECT_PREFIX", "DEAR", "GREETING", "CLOSING", "SIGNATURE"};
    for (int i = 0; i < 5; ++i) {
        CFixedPhraseSet set(tables[i]);
        ASSERT_TRUE(set.Open()) << tables[i];
        for (int n = 0; n <= i; ++n) {
            CString title;
            title.Format("%s %d", tables[i], n);
            ASSERT_TRUE(set.Add(title.GetString(), "{\\rtf1 本文}", id));
            EXPECT_EQ(id, n + 1);
        }
    }
    for (int i = 0; i < 5; ++i) {
        CFixedPhraseSet set(tables[i]);
        ASSERT_TRUE(set.Open());
        EXPECT_EQ(Column(set, &CFixedPhraseSet::id).size(), static_cast<std::size_t>(i + 1));
        ASSERT_TRUE(set.FindById(1));
        EXPECT_EQ(set.title, CString(tables[i]) + " 0");
        EXPECT_EQ(set.detail, "{\\rtf1 本文}");
        ASSERT_TRUE(set.Modify(1, "改", "x"));
        ASSERT_TRUE(set.FindById(1));
        EXPECT_EQ(set.title, "改");
        EXPECT_TRUE(set.Remove(1));
        EXPECT_FALSE(set.Remove(1));
    }
    CFixedPhraseSet bad("PERSON\"; DROP TABLE DEAR; --");
    EXPECT_FALSE(bad.Open());
    EXPECT_FALSE(bad.Add("x", "y", id));
    CFixedPhraseSet dear("DEAR");
    EXPECT_TRUE(dear.Open());
}

TEST_F(RecordsetTest, JapaneseTextIsStoredAsUtf8AndReadBackAsTheSameBytes)
{
    CPersonSet set;
    ASSERT_TRUE(set.Open());
    long id = 0;
    // Kanji, kana, half-width kana, a table symbol and 〜 (0x81 0x60).
    const char* name = "山田 ﾀﾛｳ ①〜";
    ASSERT_TRUE(set.Add(name, "taro@example.jp", id));
    ASSERT_TRUE(set.FindById(id));
    EXPECT_EQ(set.displayName, name);
    EXPECT_EQ(set.displayName, CString("\x8E\x52\x93\x63\x20\xC0\xDB\xB3\x20\x87\x40\x81\x60"));

    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(Sqlite(File("Address.mdb"), "SELECT DISPLAY_NAME FROM PERSON"),
              Utf8(u8"山田 ﾀﾛｳ ①～\n"));
    // Written by another program as UTF-8, read as code page 932.
    Sqlite(File("Address.mdb"),
           Utf8(u8"INSERT INTO PERSON (DISPLAY_NAME, MAIL_ADDRESS, REF_COUNT) VALUES ('佐藤 花子', 'h@example.jp', 0)"));
    ASSERT_TRUE(set.FindByNameAndAddress("佐藤 花子", "h@example.jp"));
    EXPECT_EQ(set.displayName, CString("\x8D\xB2\x93\xA1\x20\x89\xD4\x8E\x71"));
}

TEST_F(RecordsetTest, TheLayerMovesOverFilteredSortedRows)
{
    CPersonSet set;
    ASSERT_TRUE(set.Open());
    long id = 0;
    for (const char* address : {"a@x", "b@y", "c@x", "d@x"}) ASSERT_TRUE(set.Add("", address, id));

    set.SetFilter("\"MAIL_ADDRESS\" LIKE ?", {CString("%@x")});
    set.Requery();
    std::vector<CString> seen;
    for (; !set.IsEOF(); set.MoveNext()) seen.push_back(set.mailAddress);
    EXPECT_EQ(seen, (std::vector<CString>{"a@x", "c@x", "d@x"}));
    EXPECT_THROW(set.MoveNext(), CDbException);
    set.MoveLast();
    EXPECT_EQ(set.mailAddress, "d@x");
    set.MovePrev();
    EXPECT_EQ(set.mailAddress, "c@x");

    // A find stays inside the filter; the next row follows the found one.
    EXPECT_FALSE(set.FindFirst("\"MAIL_ADDRESS\" = ?", {CString("b@y")}));
    ASSERT_TRUE(set.FindFirst("\"MAIL_ADDRESS\" = ?", {CString("a@x")}));
    set.MoveNext();
    EXPECT_EQ(set.mailAddress, "c@x");

    // After a delete there is no current row until the next move.
    set.Delete();
    EXPECT_FALSE(set.HasCurrent());
    EXPECT_THROW(set.Edit(), CDbException);
    set.MoveNext();
    EXPECT_EQ(set.mailAddress, "d@x");
    set.MoveFirst();
    EXPECT_EQ(set.mailAddress, "a@x");

    // An add inside the caller's own transaction rolls back with it.
    set.GetDatabase().BeginTrans();
    ASSERT_TRUE(set.Add("", "e@x", id));
    set.GetDatabase().Rollback();
    EXPECT_FALSE(set.FindByNameAndAddress("", "e@x"));
    EXPECT_EQ(Column(set, &CPersonSet::mailAddress), (std::vector<CString>{"a@x", "b@y", "d@x"}));
}

TEST_F(RecordsetTest, TitleListsGiveIdAndTitleInTableOrderAndZeroWithoutATable)
{
    CLetterTemplateSet letters;
    ASSERT_TRUE(letters.Open());
    long first = 0, second = 0;
    ASSERT_TRUE(letters.Add("お礼", "", "", "", "", 0, 0, first));
    ASSERT_TRUE(letters.Add("お詫び", "", "", "", "", 0, 0, second));
    letters.Close();
    CTitleList titles;
    ASSERT_TRUE(LoadLetterTemplateTitles(titles));
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0].id, first);
    EXPECT_EQ(titles[0].title, "お礼");
    EXPECT_EQ(titles[1].id, second);
    EXPECT_EQ(titles[1].title, "お詫び");

    ASSERT_TRUE(LoadAddressTemplateTitles(titles));
    EXPECT_TRUE(titles.empty());
    CFixedPhraseSet dear("DEAR");
    ASSERT_TRUE(dear.Open());
    ASSERT_TRUE(dear.Add("様", "様\r\n", first));
    dear.Close();
    ASSERT_TRUE(LoadPhraseTitles("DEAR", titles));
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0].title, "様");

    // A table that cannot be opened gives 0 and an empty list.
    titles.push_back({9, "stale"});
    EXPECT_FALSE(LoadPhraseTitles("NO_SUCH_TABLE", titles));
    EXPECT_TRUE(titles.empty());
}
