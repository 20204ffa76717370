// Verifies the address import without a display: the CSV line store (RFC 4180 fields, the
// designed field rule where it was right, the empty line that ends reading, encodings), the
// designed steps with their texts and counts against a real Address.mdb, the mended faults,
// the export layouts of Thunderbird, Google, Outlook and Outlook Express, vCard 2.1/3.0/4.0,
// the vCard export read back by us and by Python's vobject, and bad input.
#include "../data/DataTestUtil.h"
#include "ImportTestUtil.h"

#include "addressbook/CAddressImport.h"
#include "addressbook/CCsvAddressReader.h"
#include "addressbook/CVCard.h"
#include "data/CDatabase.h"
#include "data/CGroupSet.h"
#include "encoding/CCodePage.h"
#include "smtp/CProgressCallback.h"

#include <cstdio>

using namespace importtest;
using datatest::DataFolderTest;

namespace {

std::vector<std::vector<std::string>> Rows(std::string_view text)
{
    std::vector<std::vector<std::string>> rows;
    CCsvSearchEngine::SplitRows(text, [&](CStringArray& fields) {
        std::vector<std::string> row;
        for (int i = 0; i < fields.GetSize(); ++i) row.push_back(fields[i].Str());
        rows.push_back(row);
    });
    return rows;
}

// The records a reader made of `bytes`, as (name, address) pairs.
std::vector<Person> Records(std::string_view bytes)
{
    CCsvAddressReader reader;
    if (CCsvAddressReader::IsVCard(bytes)) reader.LoadVCards(bytes);
    else reader.LoadText(bytes);
    std::vector<Person> records;
    for (reader.MoveFirst(); !reader.IsEOF(); reader.MoveNext())
        records.emplace_back(reader.GetDisplayName().Str(), reader.GetMailAddress().Str());
    return records;
}

std::string ToUtf8(const char* cp932)
{
    return CCodePage::ToUtf8(CString(cp932));
}

class AddressImport : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        CreateAll();
    }

    // Writes `bytes` as `name` and imports it; the counts reached.
    CImportCounts Import(const std::string& name, const std::string& bytes,
                         CAddressImport::Result expected = CAddressImport::Imported)
    {
        WriteBytes(appData / name, bytes);
        ChosenFile dialog(appData / name);
        CImportCounts counts;
        EXPECT_EQ(CAddressImport::Run(nullptr, dialog, &counts), expected) << name;
        return counts;
    }
    // Deletes Address.mdb with its write-ahead log, as if it had never been made.
    void RemoveAddressDb()
    {
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::remove(DataFolder() / (std::string("Address.mdb") + suffix));
    }
    void ExpectCounts(const CImportCounts& counts, int total, int valid, int registered)
    {
        EXPECT_EQ(counts.total, total);
        EXPECT_EQ(counts.valid, valid);
        EXPECT_EQ(counts.registered, registered);
    }
    // The one box shown since the last call: its text, caption and style.
    void ExpectBox(const std::string& text, const std::string& caption, unsigned int type)
    {
        ASSERT_EQ(messages.boxes.size(), 1u) << (messages.boxes.empty() ? "" : messages.boxes.back().text.Str());
        EXPECT_EQ(messages.boxes[0].text.Str(), text);
        EXPECT_EQ(messages.boxes[0].caption.Str(), caption);
        EXPECT_EQ(messages.boxes[0].type, type);
        messages.Clear();
    }
    void ExpectCountsBox(int total, int valid, int registered)
    {
        CImportCounts counts{total, valid, registered};
        ExpectBox(CAddressImport::CountsText(counts).Str(), "アドレス取り込み", MB_OK | MB_ICONINFORMATION);
    }
};

}  // namespace

TEST(CsvSearchEngine, FieldsAsRfc4180AndTheDesignedRuleReadThem)
{
    using R = std::vector<std::vector<std::string>>;
    // The designed rule where it was right: plain fields, a quoted field without its quotes,
    // a quoted comma, text after a closing quote dropped, an unquoted quote kept.
    EXPECT_EQ(Rows("a,b\r\n\"c\",d\r\n\"e,f\"xyz,g\r\nh\"i,j\r\n"),
              (R{{"a", "b"}, {"c", "d"}, {"e,f", "g"}, {"h\"i", "j"}}));
    // Mended: a doubled quote is one quote; a quoted field holds line breaks (CR LF and LF).
    EXPECT_EQ(Rows("\"say \"\"hi\"\"\",x\n\"two\r\nlines\",y\n\"\",\"\"\"\"\n"),
              (R{{"say \"hi\"", "x"}, {"two\r\nlines", "y"}, {"", "\""}}));
    // An empty line outside quotes ends reading, whatever follows; inside quotes it does not.
    EXPECT_EQ(Rows("h\r\na,b\r\n\r\nc,d\r\n"), (R{{"h"}, {"a", "b"}}));
    EXPECT_EQ(Rows("h\n\"x\n\ny\",z\n\nw\n"), (R{{"h"}, {"x\n\ny", "z"}}));
    EXPECT_EQ(Rows("\r\nh\r\n"), R{});
    // LF, CR LF, CR alone and twice-converted CR CR LF are each one line end; a last line
    // without one is read; a trailing comma gives an empty last field.
    EXPECT_EQ(Rows("a\rb\r\r\nc\nd,"), (R{{"a"}, {"b"}, {"c"}, {"d", ""}}));
    // A quote never closed quotes to the end of its line only.
    EXPECT_EQ(Rows("\"open,x\r\nb,c\r\n"), (R{{"open,x"}, {"b", "c"}}));
    // Code page 932 text whose trail bytes look like ASCII ("表" is 0x95 0x5C).
    EXPECT_EQ(Rows("\"表示\",\"ソ\"\n"), (R{{"表示", "ソ"}}));
}

TEST(CsvSearchEngine, CurrentIndexAndMoves)
{
    CCsvAddressReader reader;
    EXPECT_EQ(reader.GetCurrentIndex(), CCsvSearchEngine::NoLines);
    reader.LoadText("h\r\n");
    EXPECT_EQ(reader.GetRecordCount(), 0);
    EXPECT_EQ(reader.GetCurrentIndex(), CCsvSearchEngine::NoLines);
    EXPECT_FALSE(reader.MoveNext());
    reader.LoadText("h\r\n山田,a@b\r\n,c@d\r\n");
    EXPECT_EQ(reader.GetLayout(), CCsvAddressReader::TwoFields);
    ASSERT_EQ(reader.GetRecordCount(), 2);
    EXPECT_EQ(reader.GetCurrentIndex(), 0);
    EXPECT_EQ(reader.GetDisplayName().Str(), "山田");
    EXPECT_TRUE(reader.MoveNext());
    EXPECT_EQ(reader.GetCurrentIndex(), 1);
    EXPECT_EQ(reader.GetMailAddress().Str(), "c@d");
    EXPECT_FALSE(reader.MoveNext());
    EXPECT_EQ(reader.GetCurrentIndex(), CCsvSearchEngine::PastEnd);
    EXPECT_TRUE(reader.GetMailAddress().IsEmpty());
    reader.FreeRecords();
    EXPECT_EQ(reader.GetRecordCount(), 0);
    EXPECT_EQ(reader.GetCurrentIndex(), CCsvSearchEngine::NoLines);
}

TEST_F(AddressImport, TheDesignedStepsTextsAndCounts)
{
    // A heading alone: 0, 0, 0.
    ExpectCounts(Import("heading.csv", "表示名,電子メール アドレス\r\n"), 0, 0, 0);
    ExpectCountsBox(0, 0, 0);

    // Names and addresses as written; a quoted name without its quotes; an invalid address
    // counts in the total only; an empty line ends the import there.
    const std::string file = "表示名,電子メール アドレス,会社\r\n"
                             "山田 太郎,taro@example.co.jp,営業\r\n"
                             "\"鈴木 花子\",hanako@example.co.jp\r\n"
                             "間違い,not-an-address\r\n"
                             ",noname@example.com\r\n"
                             "\r\n"
                             "後ろ,behind@example.com\r\n";
    ExpectCounts(Import("list.csv", file), 4, 3, 3);
    ExpectCountsBox(4, 3, 3);
    EXPECT_EQ(PersonsInBook(), (std::vector<Person>{{"山田 太郎", "taro@example.co.jp"},
                                                     {"鈴木 花子", "hanako@example.co.jp"},
                                                     {"", "noname@example.com"}}));
    // The empty name is stored as null, as the book stores it.
    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_EQ(datatest::Sqlite(DataFolder() / "Address.mdb",
                               "SELECT count(*) FROM PERSON WHERE DISPLAY_NAME IS NULL"), "1\n");

    // The same file again: valid, but nothing registered.
    ExpectCounts(Import("list.csv", file), 4, 3, 0);
    ExpectCountsBox(4, 3, 0);
    EXPECT_EQ(PersonsInBook().size(), 3u);
}

TEST_F(AddressImport, ANameWithoutCsvIsAskedAbout)
{
    const std::string file = "h,h\r\n林,hayashi@example.jp\r\n";
    WriteBytes(appData / "list.txt", file);
    // "No" ends the import; nothing is read.
    messages.Answer(IDNO);
    ChosenFile refused(appData / "list.txt");
    EXPECT_EQ(CAddressImport::Run(nullptr, refused), CAddressImport::Ended);
    ExpectBox("選択されたファイルは、CSVファイルでないかもしれません。\nファイルを取り込みますか？", "確認",
              MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_TRUE(PersonsInBook().empty());
    // "Yes" imports it; ".CSV" in capitals is no question.
    messages.Answer(IDYES);
    ChosenFile agreed(appData / "list.txt");
    EXPECT_EQ(CAddressImport::Run(nullptr, agreed), CAddressImport::Imported);
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[1].text.Str(), "全件数：1\n正常アドレス件数：1\n登録された件数：1");
    messages.Clear();
    ExpectCounts(Import("LIST.CSV", file), 1, 1, 0);
    ExpectCountsBox(1, 1, 0);
    // A cancelled file dialog ends it without a word.
    ChosenFile cancelled(appData / "list.csv", IDCANCEL);
    EXPECT_EQ(CAddressImport::Run(nullptr, cancelled), CAddressImport::Ended);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(AddressImport, FilesThatCannotBeReadOrAreNoCsv)
{
    ChosenFile missing(appData / "missing.csv");
    EXPECT_EQ(CAddressImport::Run(nullptr, missing), CAddressImport::Ended);
    ExpectBox("ファイルを開けませんでした。", "アドレス取り込み", MB_OK | MB_ICONEXCLAMATION);
    fs::create_directories(appData / "folder.csv");
    ChosenFile folder(appData / "folder.csv");
    EXPECT_EQ(CAddressImport::Run(nullptr, folder), CAddressImport::Ended);
    ExpectBox("ファイルを開けませんでした。", "アドレス取り込み", MB_OK | MB_ICONEXCLAMATION);

    // No comma in the first 500 bytes (the rest does not matter).
    Import("nocomma.csv", std::string(500, 'x') + ",a@b\r\n", CAddressImport::Ended);
    ExpectBox("CSVファイルではないようです。ご確認ください。", "アドレス取り込み", MB_OK | MB_ICONEXCLAMATION);
    // A binary file with commas (a picture, an archive): its NUL bytes give it away.
    std::string binary = "\x89PNG\r\n\x1A\n";
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
    binary += ",x@y.z,";
    Import("picture.csv", binary, CAddressImport::Ended);
    ExpectBox("CSVファイルではないようです。ご確認ください。", "アドレス取り込み", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_TRUE(PersonsInBook().empty());
}

TEST_F(AddressImport, BadInputGivesAMessageOrACount)
{
    // A 5 MB single line: a heading and nothing else.
    std::string line;
    for (int i = 0; line.size() < 5 * 1024 * 1024; ++i) line += "column" + std::to_string(i) + ",";
    ExpectCounts(Import("wide.csv", line), 0, 0, 0);
    messages.Clear();
    // A 5 MB name: stored cut to its 255 bytes, at a character boundary; an address longer
    // than the book holds is not valid.
    std::string name(5 * 1024 * 1024 - 1, 'n');
    name = "亜" + name;
    ExpectCounts(Import("long.csv", "h,h\r\n" + name + ",long@example.com\r\nx," + std::string(300, 'a') + "@b.c\r\n"),
                 2, 1, 1);
    messages.Clear();
    ASSERT_EQ(PersonsInBook().size(), 1u);
    EXPECT_EQ(PersonsInBook()[0].first, name.substr(0, 255));
    // Invalid UTF-8 throughout: read as code page 932, counted, nothing crashes.
    std::string invalid = "h,h\r\n";
    for (int i = 0; i < 50; ++i) invalid += "\xE3\x81\xFF\xC0\xAF,bad" + std::to_string(i) + "@example.com\r\n";
    ExpectCounts(Import("invalid.csv", invalid), 50, 50, 50);
    messages.Clear();
    // Line breaks and control bytes: a name is one line; an address holding one is invalid.
    ExpectCounts(Import("breaks.csv", "h,h\r\n\"two\r\nlines\",two@example.com\r\nx,\"a\r\n@b\"\r\n"), 2, 1, 1);
    EXPECT_EQ(PersonsInBook().back(), (Person{"two lines", "two@example.com"}));
}

TEST_F(AddressImport, UnicodeExportsAreConverted)
{
    // Mended: the design read every file as code page 932, so a UTF-8 export gave garbled
    // names. The same list in every encoding an export has gives the same persons.
    const std::string cp932 = "表示名,電子メール アドレス\r\n髙橋 ①,takahashi@example.jp\r\n渡辺 〜,watanabe@example.jp\r\n";
    const std::string utf8 = ToUtf8(cp932.c_str());
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF", converted;
    ASSERT_EQ(CCodePage::Convert("UTF-8", "UTF-16LE", utf8, converted, "?"), 1);
    utf16le += converted;
    ASSERT_EQ(CCodePage::Convert("UTF-8", "UTF-16BE", utf8, converted, "?"), 1);
    utf16be += converted;
    const std::vector<Person> expected{{"髙橋 ①", "takahashi@example.jp"}, {"渡辺 〜", "watanabe@example.jp"}};
    for (const std::string& bytes : {cp932, utf8, "\xEF\xBB\xBF" + utf8, utf16le, utf16be}) {
        EXPECT_EQ(Records(bytes), expected) << bytes.substr(0, 4);
    }
    ExpectCounts(Import("utf16.csv", utf16le), 2, 2, 2);
    EXPECT_EQ(PersonsInBook(), expected);
}

TEST_F(AddressImport, QuotedFieldsAsRfc4180)
{
    // Mended: the design ended a quoted field at its first inner quote and read a field with
    // a line break as two lines.
    const std::string file = "\"表示名\",\"電子メール アドレス\"\r\n"
                             "\"山田, 太郎\",\"taro@example.jp\"\r\n"
                             "\"\"\"Ann\"\" Lee\",ann@example.com\r\n"
                             "\"複数\r\n行\",multi@example.jp\r\n";
    ExpectCounts(Import("quoted.csv", file), 3, 3, 3);
    EXPECT_EQ(PersonsInBook(), (std::vector<Person>{{"山田, 太郎", "taro@example.jp"},
                                                     {"\"Ann\" Lee", "ann@example.com"},
                                                     {"複数 行", "multi@example.jp"}}));
}

TEST_F(AddressImport, ADatabaseErrorIsAFailureWithTheCountsSoFar)
{
    // Mended: the design ended the loop at a database error and reported success. The third
    // person cannot be written (a trigger stands for a full disk or a locked file).
    {
        CDatabase db;
        db.Open(CPath::FromNative((DataFolder() / "Address.mdb").string()));
        db.Execute("CREATE TRIGGER full_disk BEFORE INSERT ON PERSON WHEN (SELECT count(*) FROM PERSON) >= 2 "
                   "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
    }
    const std::string file = "h,h\r\na,a@example.com\r\nb,b@example.com\r\nc,c@example.com\r\nd,d@example.com\r\n";
    CImportCounts counts = Import("four.csv", file, CAddressImport::Failed);
    ExpectCounts(counts, 3, 3, 2);
    ExpectBox("アドレス取り込みに失敗しました。\n全件数：3\n正常アドレス件数：3\n登録された件数：2", "アドレス取り込み",
              MB_OK | MB_ICONEXCLAMATION);
    // The persons added before the error stay; no half row is left.
    EXPECT_EQ(PersonsInBook(), (std::vector<Person>{{"a", "a@example.com"}, {"b", "b@example.com"}}));
    // A PERSON table that cannot be opened at all is a failure too.
    RemoveAddressDb();
    Import("four.csv", file, CAddressImport::Failed);
    ExpectBox("アドレス取り込みに失敗しました。\n全件数：0\n正常アドレス件数：0\n登録された件数：0", "アドレス取り込み",
              MB_OK | MB_ICONEXCLAMATION);
}

namespace {

// A user interface whose progress dialog is cancelled after `steps` steps; its boxes go to
// the interface installed before it (the test's MessageBoxScript).
class CancellingUi : public CPlatformUi {
public:
    explicit CancellingUi(int steps) : steps_(steps), previous_(CPlatformUi::Get()) { CPlatformUi::Set(this); }
    ~CancellingUi() override { CPlatformUi::Set(previous_); }
    std::unique_ptr<CProgressView> CreateProgressDlg(const CString& title, int showCancel, CWnd*) override
    {
        titles.push_back(title.Str());
        cancelButton = showCancel;
        return std::make_unique<View>(steps_);
    }
    void DoEvents() override {}
    void PumpPaint() override {}
    int MessageBox(CWnd* parent, const CString& text, const CString& caption, unsigned int type) override
    {
        return previous_->MessageBox(parent, text, caption, type);
    }
    std::vector<std::string> titles;
    int cancelButton = -1;

private:
    struct View : CProgressView {
        explicit View(int steps) : left(steps) {}
        void SetPos(int) override { --left; }
        int GetContinueFlag() const override { return left > 0; }
        int left;
    };
    int steps_;
    CPlatformUi* previous_;
};

}  // namespace

TEST_F(AddressImport, ProgressWithCancelStopsTheImport)
{
    std::string file = "h,h\r\n";
    for (int i = 0; i < 10; ++i) file += "n" + std::to_string(i) + ",p" + std::to_string(i) + "@example.com\r\n";
    CancellingUi ui(3);
    ExpectCounts(Import("ten.csv", file), 3, 3, 3);
    EXPECT_EQ(ui.titles, std::vector<std::string>{"アドレス取り込み中"});
    EXPECT_EQ(ui.cancelButton, 1);
    // What was imported before the cancel stays, and the counts say so.
    ExpectCountsBox(3, 3, 3);
    EXPECT_EQ(PersonsInBook().size(), 3u);
}

// ----------------------------------------------------------------------------------------
// The export layouts: each sample in the program's own column layout, encoding and quoting.

namespace {

const std::vector<std::string> kThunderbirdEnglish{
    "First Name", "Last Name", "Display Name", "Nickname", "Primary Email", "Secondary Email", "Screen Name",
    "Work Phone", "Home Phone", "Fax Number", "Pager Number", "Mobile Number", "Home Address", "Home Address 2",
    "Home City", "Home State", "Home ZipCode", "Home Country", "Work Address", "Work Address 2", "Work City",
    "Work State", "Work ZipCode", "Work Country", "Job Title", "Department", "Organization", "Web Page 1",
    "Web Page 2", "Birth Year", "Birth Month", "Birth Day", "Custom 1", "Custom 2", "Custom 3", "Custom 4", "Notes"};
const std::vector<std::string> kThunderbirdJapanese{
    "名", "姓", "表示名", "ニックネーム", "メールアドレス", "別のメールアドレス", "スクリーンネーム",
    "勤務先の電話番号", "自宅の電話番号", "FAX 番号", "ポケットベル番号", "携帯電話番号", "番地 (自宅)",
    "番地 (自宅) 2", "市区町村 (自宅)", "都道府県 (自宅)", "郵便番号 (自宅)", "国 (自宅)", "番地 (勤務先)",
    "番地 (勤務先) 2", "市区町村 (勤務先)", "都道府県 (勤務先)", "郵便番号 (勤務先)", "国 (勤務先)", "役職",
    "部門", "組織", "ウェブページ 1", "ウェブページ 2", "誕生年", "誕生月", "誕生日", "追加情報 1",
    "追加情報 2", "追加情報 3", "追加情報 4", "メモ"};
const std::vector<std::string> kGoogleOld{
    "Name", "Given Name", "Additional Name", "Family Name", "Yomi Name", "Given Name Yomi",
    "Additional Name Yomi", "Family Name Yomi", "Name Prefix", "Name Suffix", "Initials", "Nickname",
    "Short Name", "Maiden Name", "Birthday", "Gender", "Location", "Billing Information", "Directory Server",
    "Mileage", "Occupation", "Hobby", "Sensitivity", "Priority", "Subject", "Notes", "Language", "Photo",
    "Group Membership", "E-mail 1 - Type", "E-mail 1 - Value", "E-mail 2 - Type", "E-mail 2 - Value",
    "Phone 1 - Type", "Phone 1 - Value"};
const std::vector<std::string> kGoogleNew{
    "First Name", "Middle Name", "Last Name", "Phonetic First Name", "Phonetic Middle Name",
    "Phonetic Last Name", "Name Prefix", "Name Suffix", "Nickname", "File As", "Organization Name",
    "Organization Title", "Organization Department", "Birthday", "Notes", "Photo", "Labels",
    "E-mail 1 - Label", "E-mail 1 - Value", "E-mail 2 - Label", "E-mail 2 - Value", "Phone 1 - Label",
    "Phone 1 - Value"};
const std::vector<std::string> kOutlookEnglish{
    "Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company", "Department", "Job Title",
    "Business Street", "Business Street 2", "Business Street 3", "Business City", "Business State",
    "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2", "Home Street 3",
    "Home City", "Home State", "Home Postal Code", "Home Country/Region", "Other Street", "Other Street 2",
    "Other Street 3", "Other City", "Other State", "Other Postal Code", "Other Country/Region",
    "Assistant's Phone", "Business Fax", "Business Phone", "Business Phone 2", "Callback", "Car Phone",
    "Company Main Phone", "Home Fax", "Home Phone", "Home Phone 2", "ISDN", "Mobile Phone", "Other Fax",
    "Other Phone", "Pager", "Primary Phone", "Radio Phone", "TTY/TDD Phone", "Telex", "Account", "Anniversary",
    "Assistant's Name", "Billing Information", "Birthday", "Business Address PO Box", "Categories", "Children",
    "Directory Server", "E-mail Address", "E-mail Type", "E-mail Display Name", "E-mail 2 Address",
    "E-mail 2 Type", "E-mail 2 Display Name", "E-mail 3 Address", "E-mail 3 Type", "E-mail 3 Display Name",
    "Gender", "Government ID Number", "Hobby", "Home Address PO Box", "Initials", "Internet Free Busy",
    "Keywords", "Language", "Location", "Manager's Name", "Mileage", "Notes", "Office Location",
    "Organizational ID Number", "Other Address PO Box", "Priority", "Private", "Profession", "Referred By",
    "Sensitivity", "Spouse", "User 1", "User 2", "User 3", "User 4", "Web Page"};
const std::vector<std::string> kOutlookJapanese{
    "肩書き", "名", "ミドル ネーム", "姓", "敬称", "会社名", "部署", "役職", "番地 (会社)", "住所 2 (会社)",
    "住所 3 (会社)", "市町村 (会社)", "都道府県 (会社)", "郵便番号 (会社)", "国 (会社)/地域", "番地 (自宅)",
    "住所 2 (自宅)", "住所 3 (自宅)", "市町村 (自宅)", "都道府県 (自宅)", "郵便番号 (自宅)", "国 (自宅)/地域",
    "番地 (その他)", "住所 2 (その他)", "住所 3 (その他)", "市町村 (その他)", "都道府県 (その他)",
    "郵便番号 (その他)", "国 (その他)/地域", "秘書の電話", "会社 FAX", "会社電話", "会社電話 2", "コールバック",
    "自動車電話", "会社代表電話", "自宅 FAX", "自宅電話", "自宅電話 2", "ISDN", "携帯電話", "その他の FAX",
    "その他の電話", "ポケットベル", "通常の電話", "無線電話", "TTY/TDD", "テレックス", "ID 番号", "Web ページ",
    "アカウント", "イニシャル", "インターネット空き時間情報", "キーワード", "その他住所私書箱",
    "ディレクトリ サーバー", "プライベート", "マネージャー", "メモ", "ユーザー 1", "ユーザー 2", "ユーザー 3",
    "ユーザー 4", "会社 ID", "会社住所私書箱", "会社名フリガナ", "記念日", "経費情報", "言語", "参照事項", "子供",
    "支払い条件", "事業所", "自宅住所私書箱", "趣味", "場所", "職業", "姓フリガナ", "性別", "誕生日",
    "電子メール アドレス", "電子メールの種類", "電子メール表示名", "電子メール 2 アドレス", "電子メール 2 の種類",
    "電子メール 2 表示名", "電子メール 3 アドレス", "電子メール 3 の種類", "電子メール 3 表示名", "配偶者",
    "秘書の氏名", "秘密度", "分類", "名前フリガナ", "優先度"};

// A file of `heading` and `rows`, quoted as the program quotes, in code page 932 or UTF-8.
std::string Export(const std::vector<std::string>& heading, const std::vector<std::vector<std::string>>& rows,
                   bool quoteAll, const std::string& eol, bool utf8)
{
    std::string text = CsvLine(heading, quoteAll, eol);
    for (const auto& row : rows) text += CsvLine(row, quoteAll, eol);
    return utf8 ? ToUtf8(text.c_str()) : text;
}

}  // namespace

TEST(CsvLayouts, Thunderbird)
{
    // Thunderbird on Linux writes UTF-8 with LF; on Japanese Windows it may write Shift_JIS
    // with CR LF and its Japanese names. The Notes field holds a line break and a comma.
    const auto& en = kThunderbirdEnglish;
    const std::string english = Export(
        en,
        {Row(en, {{"First Name", "Taro"}, {"Last Name", "Yamada"}, {"Display Name", "山田 太郎"},
                  {"Primary Email", "taro@example.jp"}, {"Secondary Email", "taro@home.example"},
                  {"Notes", "met in Osaka,\nspring"}}),
         Row(en, {{"First Name", "Jane"}, {"Last Name", "Doe"}, {"Primary Email", "jane@example.com"}}),
         Row(en, {{"Display Name", "No Mail"}, {"Work Phone", "03-1234-5678"}})},
        false, "\n", true);
    EXPECT_EQ(Records(english), (std::vector<Person>{{"山田 太郎", "taro@example.jp"},
                                                     {"山田 太郎", "taro@home.example"},
                                                     {"Jane Doe", "jane@example.com"},
                                                     {"No Mail", ""}}));
    const auto& ja = kThunderbirdJapanese;
    const std::string japanese = Export(
        ja,
        {Row(ja, {{"名", "花子"}, {"姓", "鈴木"}, {"メールアドレス", "hanako@example.jp"}}),
         Row(ja, {{"表示名", "営業部"}, {"別のメールアドレス", "sales@example.jp"}})},
        false, "\r\n", false);
    EXPECT_EQ(Records(japanese), (std::vector<Person>{{"鈴木 花子", "hanako@example.jp"}, {"営業部", "sales@example.jp"}}));
}

TEST(CsvLayouts, GoogleContacts)
{
    // The old Google CSV (Name, E-mail n - Value, several addresses joined by " ::: ") and
    // the new Contacts export (First/Middle/Last Name, no display name), both UTF-8.
    const auto& old = kGoogleOld;
    const std::string oldFile = Export(
        old,
        {Row(old, {{"Name", "佐藤 次郎"}, {"Given Name", "次郎"}, {"Family Name", "佐藤"},
                   {"Group Membership", "* myContacts"}, {"E-mail 1 - Type", "* Home"},
                   {"E-mail 1 - Value", "jiro@example.jp ::: jiro2@example.jp"}, {"E-mail 2 - Type", "Work"},
                   {"E-mail 2 - Value", "sato@corp.example"}})},
        false, "\r\n", true);
    EXPECT_EQ(Records(oldFile), (std::vector<Person>{{"佐藤 次郎", "jiro@example.jp"},
                                                     {"佐藤 次郎", "jiro2@example.jp"},
                                                     {"佐藤 次郎", "sato@corp.example"}}));
    const auto& neu = kGoogleNew;
    const std::string newFile = Export(
        neu,
        {Row(neu, {{"First Name", "John"}, {"Middle Name", "Q"}, {"Last Name", "Public"},
                   {"Labels", "* myContacts"}, {"E-mail 1 - Label", "* Work"}, {"E-mail 1 - Value", "jqp@example.com"}}),
         Row(neu, {{"First Name", "一郎"}, {"Last Name", "山本"}, {"E-mail 1 - Value", "ichiro@example.jp"}}),
         Row(neu, {{"Organization Name", "Example Inc."}, {"E-mail 1 - Value", "info@example.com"}})},
        false, "\r\n", true);
    EXPECT_EQ(Records("\xEF\xBB\xBF" + newFile), (std::vector<Person>{{"John Q Public", "jqp@example.com"},
                                                                      {"山本 一郎", "ichiro@example.jp"},
                                                                      {"", "info@example.com"}}));
}

TEST(CsvLayouts, Outlook)
{
    // Outlook quotes every field and writes the code page of Windows, with CR LF. Its
    // "E-mail Display Name" is no display name ("John Smith (john@...)").
    const auto& en = kOutlookEnglish;
    const std::string english = Export(
        en,
        {Row(en, {{"First Name", "John"}, {"Last Name", "Smith"}, {"Company", "Contoso, Ltd."},
                  {"E-mail Address", "john@contoso.example"}, {"E-mail Type", "SMTP"},
                  {"E-mail Display Name", "John Smith (john@contoso.example)"},
                  {"E-mail 2 Address", "js@home.example"}, {"Gender", "Unspecified"}, {"Priority", "Normal"},
                  {"Private", "False"}, {"Sensitivity", "Normal"}})},
        true, "\r\n", false);
    EXPECT_EQ(Records(english), (std::vector<Person>{{"John Smith", "john@contoso.example"},
                                                     {"John Smith", "js@home.example"}}));
    const auto& ja = kOutlookJapanese;
    const std::string japanese = Export(
        ja,
        {Row(ja, {{"名", "太郎"}, {"姓", "山田"}, {"会社名", "株式会社例"}, {"電子メール アドレス", "yamada@example.co.jp"},
                  {"電子メールの種類", "SMTP"}, {"電子メール表示名", "山田 太郎 (yamada@example.co.jp)"},
                  {"電子メール 3 アドレス", "t.yamada@example.jp"}, {"性別", "指定なし"}, {"記念日", "0/0/00"},
                  {"秘密度", "標準"}, {"優先度", "標準"}}),
         Row(ja, {{"名", "Mary"}, {"姓", "Brown"}, {"電子メール アドレス", "mary@example.com"}})},
        true, "\r\n", false);
    EXPECT_EQ(Records(japanese), (std::vector<Person>{{"山田 太郎", "yamada@example.co.jp"},
                                                      {"山田 太郎", "t.yamada@example.jp"},
                                                      {"Mary Brown", "mary@example.com"}}));
}

TEST(CsvLayouts, OutlookExpressHeadingsAndUnknownOnes)
{
    // Outlook Express writes the columns the user picked, display name first as the design
    // expects; its English names too. Columns in another order are found by their names.
    EXPECT_EQ(Records("表示名,電子メール アドレス,自宅の電話番号\r\n山田,y@example.jp,03\r\n"),
              (std::vector<Person>{{"山田", "y@example.jp"}}));
    EXPECT_EQ(Records("電子メール アドレス,表示名\r\ny@example.jp,山田\r\n"), (std::vector<Person>{{"山田", "y@example.jp"}}));
    EXPECT_EQ(Records("Name,E-mail Address\r\nAnn,ann@example.com\r\n"), (std::vector<Person>{{"Ann", "ann@example.com"}}));
    // Headings nobody knows keep the designed rule: the first two fields, as written.
    EXPECT_EQ(Records("メアド,なまえ\r\n a@example.com ,名前\r\n"), (std::vector<Person>{{" a@example.com ", "名前"}}));
}

TEST(CsvLayouts, NamesFromTheirParts)
{
    EXPECT_EQ(CCsvAddressReader::ComposeName("太郎", "", "山田").Str(), "山田 太郎");
    EXPECT_EQ(CCsvAddressReader::ComposeName("Taro", "", "山田").Str(), "山田 Taro");
    EXPECT_EQ(CCsvAddressReader::ComposeName("Mary", "Ann", "Brown").Str(), "Mary Ann Brown");
    EXPECT_EQ(CCsvAddressReader::ComposeName("ﾀﾛｳ", "", "ﾔﾏﾀﾞ").Str(), "ﾔﾏﾀﾞ ﾀﾛｳ");
    EXPECT_EQ(CCsvAddressReader::ComposeName("", "", "Brown").Str(), "Brown");
    EXPECT_EQ(CCsvAddressReader::ComposeName("", "", "").Str(), "");
}

// ----------------------------------------------------------------------------------------
// vCard

namespace {

// Every byte as "=XX", with a soft line break after every `width` escapes.
std::string QuotedPrintable(const std::string& bytes, std::size_t width)
{
    std::string out;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i && i % width == 0) out += "=\r\n";
        std::snprintf(hex, sizeof hex, "=%02X", static_cast<unsigned char>(bytes[i]));
        out += hex;
    }
    return out;
}

}  // namespace

TEST(VCards, Version21AsPhonesAndOutlookWriteIt)
{
    // A Japanese phone: raw Shift_JIS with CHARSET, the name only in N, two addresses.
    // Outlook: FN quoted-printable with soft line breaks; an AGENT card inside is no person.
    const std::string file = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                             "N;CHARSET=SHIFT_JIS:山田;太郎;;;\r\n"
                             "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:ﾔﾏﾀﾞ;ﾀﾛｳ;;;\r\n"
                             "TEL;CELL:090-1234-5678\r\n"
                             "EMAIL;INTERNET;PREF:taro@docomo.example.jp\r\n"
                             "EMAIL;INTERNET:taro.work@example.co.jp\r\n"
                             "END:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                             "N;LANGUAGE=ja;CHARSET=shift_jis:鈴木;花子\r\n"
                             "FN;CHARSET=shift_jis;ENCODING=QUOTED-PRINTABLE:" +
                             QuotedPrintable("鈴木 花子（営業部）", 7) +
                             "\r\n"
                             "AGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:Secretary\r\nEMAIL:sec@example.com\r\nEND:VCARD\r\n"
                             "EMAIL;PREF;INTERNET:hanako@example.co.jp\r\n"
                             "END:VCARD\r\n"
                             // A table with a 表 (0x95 0x5C) before an escaped semicolon.
                             "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:表\\;;二\r\nEMAIL:omote@example.jp\r\nEND:VCARD\r\n";
    EXPECT_TRUE(CCsvAddressReader::IsVCard(file));
    EXPECT_EQ(Records(file), (std::vector<Person>{{"山田 太郎", "taro@docomo.example.jp"},
                                                  {"山田 太郎", "taro.work@example.co.jp"},
                                                  {"鈴木 花子（営業部）", "hanako@example.co.jp"},
                                                  {"表; 二", "omote@example.jp"}}));
}

TEST(VCards, Versions30And40)
{
    // Apple (3.0): property groups, TYPE lists, escapes, a folded name, a group card;
    // Google (3.0): FN that is only the address; 4.0 with PREF, and a card without EMAIL.
    const std::string file = U8(u8"\uFEFF") +
                             "BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//macOS 14.0//EN\n"
                             "N:Doe;Jane;;;\nFN:Doe\\, Jane \\; \\\\ co\n"
                             "item1.EMAIL;type=INTERNET;type=pref:jane@example.com\nitem1.X-ABLabel:_$!<Other>!$_\n"
                             "EMAIL;type=INTERNET;type=WORK:mailto:JANE@work.example\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nFN:" + U8(u8"長谷川 ") + "\n " + U8(u8"\u3000まり子") +
                             "\nEMAIL;TYPE=INTERNET:mariko@example.jp\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nX-ADDRESSBOOKSERVER-KIND:group\nFN:Friends\n"
                             "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:1\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nFN:nobody@example.com\nN:;;;;\nEMAIL;TYPE=INTERNET:nobody@example.com\nEND:VCARD\n"
                             "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:" + U8(u8"山本 一郎") + "\r\nN:" + U8(u8"山本;一郎;;;") +
                             "\r\nEMAIL;TYPE=work;PREF=1:ichiro@example.jp\r\nTEL;VALUE=uri:tel:+81-3-0000-0000\r\n"
                             "END:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Phone Only\r\nTEL:0120\r\nEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Cut Short\r\nEMAIL:cut@example.com\r\n";
    EXPECT_EQ(Records(file), (std::vector<Person>{{"Doe, Jane ; \\ co", "jane@example.com"},
                                                  {"Doe, Jane ; \\ co", "JANE@work.example"},
                                                  {"長谷川 　まり子", "mariko@example.jp"},
                                                  {"", "nobody@example.com"},
                                                  {"山本 一郎", "ichiro@example.jp"},
                                                  {"Phone Only", ""},
                                                  {"Cut Short", "cut@example.com"}}));
}

TEST_F(AddressImport, VCardsImportThroughTheSameStepsAndCounts)
{
    // UTF-16 with a byte order mark, a card without EMAIL (total only), no question for
    // ".vcf", no comma needed.
    const std::string utf8 = U8(u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:小林 健\r\nEMAIL:ken@example.jp\r\nEND:VCARD\r\n"
                                u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:電話だけ\r\nTEL:03\r\nEND:VCARD\r\n");
    std::string utf16;
    ASSERT_EQ(CCodePage::Convert("UTF-8", "UTF-16LE", utf8, utf16, "?"), 1);
    ExpectCounts(Import("contacts.vcf", "\xFF\xFE" + utf16), 2, 1, 1);
    ExpectCountsBox(2, 1, 1);
    EXPECT_EQ(PersonsInBook(), (std::vector<Person>{{"小林 健", "ken@example.jp"}}));
    // Named otherwise, a vCard is still a vCard once the question is answered.
    messages.Answer(IDYES);
    ExpectCounts(Import("contacts.txt", utf8), 2, 1, 0);
}

TEST_F(AddressImport, TheExportReadsBackAsTheSamePersons)
{
    // Every person, and a group's members in member order (a member whose person is gone is
    // left out), written as vCard 4.0 and imported into a fresh book.
    const std::vector<Person> book{{"山田 太郎", "taro@example.co.jp"},
                                   {"", "noname@example.com"},
                                   {"Doe, Jane; \\co", "jane@example.com"},
                                   {"髙橋 ① 〜 長い長い長い長い長い長い長い長い長い長い名前", "takahashi@example.jp"},
                                   {"ｶﾀｶﾅ", "kana@example.jp"}};
    std::vector<long> ids;
    long groupId = 0;
    {
        CPersonSet persons;
        ASSERT_TRUE(persons.Open());
        for (const auto& [name, address] : book) {
            long id = 0;
            ASSERT_TRUE(persons.Add(name.c_str(), address.c_str(), id));
            ids.push_back(id);
        }
        CGroupSet groups;
        ASSERT_TRUE(groups.Open());
        ASSERT_TRUE(groups.Add("友人", {ids[3], 9999, ids[0]}, groupId));
    }
    std::vector<CAddress> all, group;
    ASSERT_TRUE(CVCardWriter::LoadPersons(0, all));
    ASSERT_EQ(all.size(), book.size());
    ASSERT_TRUE(CVCardWriter::LoadPersons(groupId, group));
    ASSERT_EQ(group.size(), 2u);
    EXPECT_EQ(group[0].GetDisplayName().Str(), book[3].first);
    EXPECT_EQ(group[1].GetMailAddress().Str(), book[0].second);
    EXPECT_FALSE(CVCardWriter::LoadPersons(42, group));

    const fs::path file = appData / "book.vcf";
    ASSERT_TRUE(CVCardWriter::WriteFile(CPath::FromNative(file.string()), all));
    EXPECT_FALSE(fs::exists(appData / "book.vcf.part"));
    const std::string text = datatest::ReadFile(file);
    // vCard 4.0 in UTF-8, CR LF only, no line longer than 75 bytes, no character split.
    EXPECT_EQ(text.substr(0, 26), "BEGIN:VCARD\r\nVERSION:4.0\r\n");
    EXPECT_NE(text.find(U8(u8"FN:山田 太郎\r\n")), std::string::npos);
    EXPECT_NE(text.find("FN:Doe\\, Jane\\; \\\\co\r\n"), std::string::npos);
    EXPECT_NE(text.find("FN:noname@example.com\r\nEMAIL:noname@example.com\r\n"), std::string::npos);
    std::size_t start = 0, folds = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u);
        EXPECT_EQ(text.substr(start, end - start).find('\n'), std::string::npos);
        if (text[start] == ' ') {
            ++folds;
            EXPECT_NE(static_cast<unsigned char>(text[start + 1]) & 0xC0, 0x80) << "a character was split";
        }
        start = end + 2;
    }
    EXPECT_GE(folds, 1u);
    std::string checked;
    EXPECT_EQ(CCodePage::Convert("UTF-8", "UTF-8", text, checked, "?"), 1) << "not UTF-8";

    // Into an empty book: the same persons, no name where there was none.
    RemoveAddressDb();
    CreateAll();
    ExpectCounts(Import("book.vcf", text), 5, 5, 5);
    EXPECT_EQ(PersonsInBook(), book);
}

// ----------------------------------------------------------------------------------------
// Python's vobject as the independent reader and writer of vCards.

namespace {

bool HaveVobject()
{
    return std::system("/usr/bin/python3 -c 'import vobject' >/dev/null 2>&1") == 0;
}

// Runs a Python script with `argument`; its exit status.
int Python(const std::string& script, const fs::path& argument)
{
    const fs::path file = argument.parent_path() / "script.py";
    WriteBytes(file, script);
    return std::system(("/usr/bin/python3 '" + file.string() + "' '" + argument.string() + "'").c_str());
}

}  // namespace

TEST_F(AddressImport, VobjectReadsOurExportAndWeReadItsCards)
{
    if (!HaveVobject()) GTEST_SKIP() << "/usr/bin/python3 lacks vobject (Debian package python3-vobject)";
    const std::vector<CAddress> persons{{"", "山田 太郎", "taro@example.co.jp"},
                                        {"", "Doe, Jane; \\co", "jane@example.com"},
                                        {"", "", "noname@example.com"},
                                        {"", "長い長い長い長い長い長い長い長い長い長い長い長い長い名前", "long@example.jp"}};
    const fs::path ours = appData / "ours.vcf";
    ASSERT_TRUE(CVCardWriter::WriteFile(CPath::FromNative(ours.string()), persons));
    // vobject reads every card of our file; it writes what it read as UTF-8 lines.
    ASSERT_EQ(Python("import sys, vobject\n"
                     "out = open(sys.argv[1] + '.txt', 'w', encoding='utf-8')\n"
                     "for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):\n"
                     "    out.write(card.fn.value + '|' + card.email.value + '\\n')\n",
                     ours),
              0);
    std::string expected;
    for (const CAddress& person : persons) {
        CString name = person.GetDisplayName().IsEmpty() ? person.GetMailAddress() : person.GetDisplayName();
        expected += ToUtf8(name.GetString()) + "|" + person.GetMailAddress().Str() + "\n";
    }
    EXPECT_EQ(datatest::ReadFile(appData / "ours.vcf.txt"), expected);

    // Cards that vobject writes (3.0, folded at 75, escaped) import as their names and addresses.
    const fs::path theirs = appData / "theirs.vcf";
    ASSERT_EQ(Python(U8(u8"import sys, vobject\n"
                        u8"cards = []\n"
                        u8"for fn, given, family, mails in [('鈴木, 花子', '花子', '鈴木', ['hanako@example.jp', 'h2@example.jp']),\n"
                        u8"                                 ('John Smith', 'John', 'Smith', ['john@example.com']),\n"
                        u8"                                 ('長' * 40, '', '', ['long@example.jp'])]:\n"
                        u8"    card = vobject.vCard()\n"
                        u8"    card.add('n').value = vobject.vcard.Name(family=family, given=given)\n"
                        u8"    card.add('fn').value = fn\n"
                        u8"    for m in mails:\n"
                        u8"        e = card.add('email'); e.value = m; e.type_param = 'INTERNET'\n"
                        u8"    cards.append(card.serialize())\n"
                        u8"open(sys.argv[1], 'w', encoding='utf-8', newline='').write(''.join(cards))\n"),
                     theirs),
              0);
    std::string longName;
    for (int i = 0; i < 40; ++i) longName += "長";
    EXPECT_EQ(Records(datatest::ReadFile(theirs)), (std::vector<Person>{{"鈴木, 花子", "hanako@example.jp"},
                                                                        {"鈴木, 花子", "h2@example.jp"},
                                                                        {"John Smith", "john@example.com"},
                                                                        {longName, "long@example.jp"}}));
}
