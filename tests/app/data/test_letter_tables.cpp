// Verifies the Letter page's loaders and writers: phrases and letter templates added,
// changed and deleted (read back, and read by the sqlite3 command as stored), ids of no
// linked row stored as 0 and read as -1, a title too long for its column refused with
// nothing written, and the upper-reply flag of EDIT_SETTING.
#include "DataTestUtil.h"

#include "data/CFixedPhraseSet.h"
#include "data/CLetterTemplateSet.h"
#include "data/LetterTables.h"

using datatest::DataFolderTest;

namespace {

class LetterTablesTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        CreateAll();
    }
    std::string Sql(const std::string& sql) { return datatest::Sqlite(DataFolder() / "Template.mdb", sql); }
};

}  // namespace

TEST_F(LetterTablesTest, PhrasesAddedChangedAndDeleted)
{
    CPhraseList phrases;
    EXPECT_TRUE(LoadPhrases("GREETING", phrases));
    EXPECT_TRUE(phrases.empty());

    CPhrase first{-1, "季節", "春暖の候、\r\nますますご清栄のことと存じます。"};
    CPhrase second{-1, "通常", "いつもお世話になっております。"};
    ASSERT_TRUE(SavePhrase("GREETING", RecordAdd, first));
    ASSERT_TRUE(SavePhrase("GREETING", RecordAdd, second));
    EXPECT_GT(first.id, 0);
    EXPECT_GT(second.id, first.id);
    ASSERT_TRUE(LoadPhrases("GREETING", phrases));
    ASSERT_EQ(phrases.size(), 2u);
    EXPECT_EQ(phrases[0].title, first.title);
    EXPECT_EQ(phrases[0].text, first.text);  // CR LF kept
    EXPECT_EQ(phrases[1].id, second.id);

    second.title = "普段";
    second.text = "お疲れ様です。";
    ASSERT_TRUE(SavePhrase("GREETING", RecordChange, second));
    ASSERT_TRUE(SavePhrase("GREETING", RecordDelete, first));
    ASSERT_TRUE(LoadPhrases("GREETING", phrases));
    ASSERT_EQ(phrases.size(), 1u);
    EXPECT_EQ(phrases[0].title, CString("普段"));
    EXPECT_EQ(phrases[0].text, CString("お疲れ様です。"));
    // A row that is gone can be neither changed nor deleted; other tables are untouched.
    EXPECT_FALSE(SavePhrase("GREETING", RecordChange, first));
    EXPECT_FALSE(SavePhrase("GREETING", RecordDelete, first));
    ASSERT_TRUE(LoadPhrases("CLOSING", phrases));
    EXPECT_TRUE(phrases.empty());

    // The longest title fits; one byte more is refused and nothing is written.
    CPhrase longest{-1, CString(std::string(CFixedPhraseSet::kTitleBytes, 'x')), "x"};
    EXPECT_TRUE(SavePhrase("CLOSING", RecordAdd, longest));
    CPhrase tooLong{-1, CString(std::string(50, 'x')) + CString(std::string(51, 'y')), "y"};
    EXPECT_FALSE(SavePhrase("CLOSING", RecordAdd, tooLong));
    EXPECT_EQ(tooLong.id, -1);
    ASSERT_TRUE(LoadPhrases("CLOSING", phrases));
    EXPECT_EQ(phrases.size(), 1u);
    // A table that is not a phrase table is no table.
    EXPECT_FALSE(LoadPhrases("LETTER_TEMPLATE", phrases));
    EXPECT_FALSE(SavePhrase("ACCOUNT", RecordAdd, longest));
}

TEST_F(LetterTablesTest, LetterTemplatesRoundTripWithNoLinkAsZero)
{
    CLetterTemplate record;
    record.title = "お礼状";
    record.subject = "【御礼】";
    record.dear = "株式会社ベルト\r\n山田様";
    record.greeting = "拝啓";
    record.closing = "敬具";
    ASSERT_TRUE(SaveLetterTemplate(RecordAdd, record));
    ASSERT_GT(record.id, 0);

    CLetterTemplate read;
    ASSERT_TRUE(LoadLetterTemplate(record.id, read));
    EXPECT_EQ(read.title, record.title);
    EXPECT_EQ(read.subject, record.subject);
    EXPECT_EQ(read.dear, record.dear);
    EXPECT_EQ(read.greeting, record.greeting);
    EXPECT_EQ(read.closing, record.closing);
    EXPECT_EQ(read.signatureId, -1);
    EXPECT_EQ(read.addressTemplateId, -1);
    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(Sql("SELECT SIGNATURE_ID, ADDRESS_TEMPLATE_ID FROM LETTER_TEMPLATE"), "0|0\n");

    record.signatureId = 4;
    record.addressTemplateId = 9;
    record.subject.Empty();
    ASSERT_TRUE(SaveLetterTemplate(RecordChange, record));
    ASSERT_TRUE(LoadLetterTemplate(record.id, read));
    EXPECT_EQ(read.signatureId, 4);
    EXPECT_EQ(read.addressTemplateId, 9);
    EXPECT_TRUE(read.subject.IsEmpty());
    EXPECT_EQ(Sql("SELECT SUBJECT IS NULL, SIGNATURE_ID, ADDRESS_TEMPLATE_ID FROM LETTER_TEMPLATE"), "1|4|9\n");

    // A subject one byte too long for its column changes nothing.
    CLetterTemplate tooLong = record;
    tooLong.subject = CString(std::string(CLetterTemplateSet::kSubjectBytes + 1, 's'));
    EXPECT_FALSE(SaveLetterTemplate(RecordChange, tooLong));
    ASSERT_TRUE(LoadLetterTemplate(record.id, read));
    EXPECT_TRUE(read.subject.IsEmpty());

    ASSERT_TRUE(SaveLetterTemplate(RecordDelete, record));
    EXPECT_FALSE(LoadLetterTemplate(record.id, read));
    EXPECT_EQ(read.id, -1);
    EXPECT_TRUE(read.title.IsEmpty());
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM LETTER_TEMPLATE"), "0\n");
}

TEST_F(LetterTablesTest, UpperReplyReadAndWritten)
{
    int upper = 7;
    ASSERT_TRUE(LoadUpperReply(upper));
    EXPECT_EQ(upper, 0);
    ASSERT_TRUE(SaveUpperReply(5));
    ASSERT_TRUE(LoadUpperReply(upper));
    EXPECT_EQ(upper, 1);
    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(datatest::Sqlite(DataFolder() / "Config.mdb", "SELECT UPPER_REPLY, NEW_LINE_LENGTH FROM EDIT_SETTING"),
              "1|60\n");

    // Without the database the flag is left alone.
    std::filesystem::remove(DataFolder() / "Config.mdb");
    upper = 7;
    EXPECT_FALSE(LoadUpperReply(upper));
    EXPECT_EQ(upper, 7);
    EXPECT_FALSE(SaveUpperReply(1));
}
