// Verifies CEMailWriter: byte-exact messages against golden files, header encoding and
// folding, Base64 line layout, attached mails, header injection, and every failure path.
#include "writer/CEMailWriter.h"

#include "WriterTestSupport.h"
#include "parser/CEMailPerser.h"
#include "smtp/CProgressCallback.h"
#include "writer/CFileOutStream.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kData = QUILLON_TEST_DATA;

class TestWriter : public CEMailWriter {
public:
    using CEMailWriter::CEMailWriter;
    using CEMailWriter::CleanFieldValue;
    using CEMailWriter::ConvAndEncodeAddress;
    using CEMailWriter::EncodeFieldValue;
    using CEMailWriter::WriteAddressField;
    using CEMailWriter::WriteBase64;
    using CEMailWriter::WriteFieldValue;
};

std::string TempFolder(const char* name)
{
    const char* home = std::getenv("XDG_DATA_HOME");
    std::filesystem::path folder = std::filesystem::path(home ? home : "/tmp") / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

// A file of tests/data/writer/attach by its code page 932 name; on disk names are UTF-8.
CPath Attachment(const char* name)
{
    return CPath::FromNative(kData + "/attach") / CPath::FromText(name);
}

CPath Native(const std::string& path) { return CPath::FromNative(path); }

CAddress Taro() { return CAddress("", "Taro Yamada", "taro@example.jp"); }
CAddress TaroJa() { return CAddress("", "山田 太郎", "taro@example.jp"); }

// Writes the document as a whole message into memory.
std::string WriteMessage(const CMailDoc& doc, int* result = nullptr, CString* detail = nullptr, int writeBcc = 0)
{
    MemoryStream stream;
    CProgressCallback progress("", 0, nullptr);
    CEMailWriter writer(&stream, doc, progress);
    writer.SetWriteBcc(writeBcc);
    CString text;
    int ok = writer.Write(text);
    if (result) *result = ok;
    if (detail) *detail = text;
    return stream.text;
}

void ExpectGolden(const CMailDoc& doc, const char* name, int writeBcc = 0)
{
    int result = 0;
    CString detail;
    std::string text = WriteMessage(doc, &result, &detail, writeBcc);
    EXPECT_EQ(result, 1) << detail.Str();
    std::string golden = ReadBytes(kData + "/" + name);
    ASSERT_FALSE(golden.empty()) << name;
    EXPECT_EQ(text, golden) << name;
}

}  // namespace

TEST(CEMailWriter, GoldenMessages)
{
    ScopedEnvironment fixed;

    {
        CMailDoc doc;
        doc.SetFromAddress(Taro());
        doc.AddToAddress(CAddress("", "", "hanako@example.com"));
        doc.SetMailerName("Quillon 1.0");
        doc.SetSubject("Meeting on Monday");
        doc.SetBody("Hello,\r\nSee you on Monday.\r\n");
        ExpectGolden(doc, "ascii_plain.eml");
    }
    {
        CMailDoc doc;
        doc.SetFromAddress(TaroJa());
        doc.AddToAddress(CAddress("", "佐藤 花子", "hanako@example.com"));
        doc.SetMailerName("Quillon 1.0");
        // 20 full-width characters: encoded words of 7, 8 and 5 characters.
        doc.SetSubject("来週の定例会議の日程変更についてのお知らせ");
        doc.SetDear("佐藤様");
        doc.SetGreeting("いつもお世話になっております。");
        doc.SetBody("来週の定例会議は、水曜日の午後三時からに変更になりました。\r\n"
                    "よろしくお願いいたします。\r\n");
        doc.SetClosing("以上");
        doc.SetSignature("山田 太郎\r\ntaro@example.jp");
        ExpectGolden(doc, "japanese.eml");
    }
    {
        CMailDoc doc;
        doc.SetFromAddress(Taro());
        doc.AddToAddress(CAddress("", "", "hanako@example.com"));
        doc.SetMailerName("Quillon 1.0");
        doc.SetSubject("Report");
        doc.SetBody("報告書を添付します。\r\n");
        doc.SetFiles({{Attachment("第三四半期の売上報告書.bin"), "report"},
                      {Attachment("forward.eml"), "mail"},
                      {Attachment("a.EML"), "upper case: a file"}});
        ExpectGolden(doc, "multipart.eml");
    }
    {
        CMailDoc doc;
        doc.SetFromAddress(TaroJa());
        doc.SetReplyAddress(CAddress("", "Support Desk", "support@example.jp"));
        doc.AddToAddress(CAddress("", "佐藤 花子", "hanako@example.com"));
        doc.AddToAddress(CAddress("", "Ann \"The Boss\" Lee", "ann@example.com"));
        doc.AddToAddress(CAddress("", "", "bare@example.com"));
        doc.AddCcAddress(CAddress("", "Lee, Bob", "bob@example.com"));
        doc.AddCcAddress(CAddress("", "Back\\slash", "bs@example.com"));
        doc.AddCcAddress(CAddress("", "株式会社ベルト 営業部 鈴木", "sales@example.co.jp"));
        doc.AddBccAddress(CAddress("", "鈴木 一郎", "ichiro@example.com"));
        doc.SetMailerName("Quillon 1.0");
        doc.SetInReplyTo("<orig.1@example.jp>");
        doc.SetReferences("<a.1@example.jp>\r\n <orig.1@example.jp>");
        doc.SetSubject("Re: addresses");
        doc.SetBody("ok\r\n");
        ExpectGolden(doc, "addresses.eml");
    }
    {
        CMailDoc doc;
        doc.SetFromAddress(Taro());
        doc.AddToAddress(CAddress("", "", "hanako@example.com"));
        doc.SetSenderBccFlg(1);
        doc.SetSubject("Copy to me");
        doc.SetBody("Keep a copy.\r\n");
        // The saved copy lists the blind recipients; the sent text never does.
        ExpectGolden(doc, "sender_bcc.eml", 1);
        std::string sent = WriteMessage(doc);
        EXPECT_EQ(sent.find("Bcc"), std::string::npos) << sent;
    }
}

TEST(CEMailWriter, FieldEncodingAndLayout)
{
    MemoryStream stream;
    CMailDoc doc;
    CProgressCallback progress("", 0, nullptr);
    TestWriter writer(&stream, doc, progress);

    CString ascii(std::string(200, 'a'));
    EXPECT_EQ(writer.EncodeFieldValue(ascii, 9), ascii);
    // ASCII around Japanese text is encoded with it, as one word.
    EXPECT_EQ(writer.EncodeFieldValue("Re: 会議", 9), "=?iso-2022-jp?B?UmU6IBskQjJxNUQbKEI=?=");
    EXPECT_EQ(writer.EncodeFieldValue("ファイル.txt", 6),
              "=?iso-2022-jp?B?GyRCJVUlISUkJWsbKEIudHh0?=");
    // An offset that leaves no room still makes progress, one character per word.
    CString tight = writer.EncodeFieldValue("会議", 60);
    EXPECT_EQ(tight.Find("\r\n\t"), tight.GetLength() / 2 - 1);

    EXPECT_EQ(writer.ConvAndEncodeAddress(CAddress("", "", "a@example.jp")), "a@example.jp");

    CStringArray parameters;
    parameters.Add("charset=iso-2022-jp");
    ASSERT_EQ(writer.WriteFieldValue("Content-Type", "text/plain", parameters), 1);
    EXPECT_EQ(stream.text, "Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\n");

    stream.text.clear();
    CStringArray addresses;
    EXPECT_EQ(writer.WriteAddressField("To", addresses), 0);
    EXPECT_EQ(stream.text, "");
    addresses.Add("a");
    addresses.Add("b");
    addresses.Add("c");
    ASSERT_EQ(writer.WriteAddressField("To", addresses), 1);
    EXPECT_EQ(stream.text, "To: a,\r\n\tb,\r\n\tc\r\n");
}

TEST(CEMailWriter, Base64LinesAndProgress)
{
    FakeUi ui;
    MemoryStream stream;
    CMailDoc doc;
    CProgressCallback progress("", 0, nullptr);
    ASSERT_EQ(progress.Start(1440), 1);
    TestWriter writer(&stream, doc, progress);

    unsigned char data[1200];
    for (unsigned int i = 0; i < sizeof data; ++i) data[i] = static_cast<unsigned char>(i * 7);

    ASSERT_EQ(writer.WriteBase64(data, 54), 1);
    EXPECT_EQ(stream.text.size(), 74u);
    EXPECT_EQ(stream.text.substr(72), "\r\n");

    stream.text.clear();
    ASSERT_EQ(writer.WriteBase64(data, 55), 1);
    ASSERT_EQ(stream.text.size(), 74u + 6u);
    EXPECT_EQ(stream.text.substr(74), "eg==\r\n");  // 54 * 7 = 378: the byte 0x7A

    // Twenty full lines report 720 twice: half and then all of 1440.
    stream.text.clear();
    ASSERT_EQ(writer.WriteBase64(data, 54 * 20 + 3), 1);
    EXPECT_EQ(stream.text.size(), 21u * 74u - 72u + 4u);
    EXPECT_EQ(ui.dialogs.at(0)->positions, (std::vector<int>{50, 100}));
}

TEST(CEMailWriter, HeaderValuesFromUserDataCannotStartFields)
{
    ScopedEnvironment fixed;
    CMailDoc doc;
    doc.SetFromAddress(CAddress("", "Eve\r\nBcc: victim@example.com", "eve@example.jp"));
    doc.AddToAddress(CAddress("", "", "to@example.jp\nX-Evil: 1"));
    doc.SetMailerName("Mailer\rX-Evil: 2");
    doc.SetInReplyTo("<a@example.jp>\r\nX-Evil: 3");
    doc.SetReferences("<a@example.jp>\r\n\t<b@example.jp>\n<c@example.jp>");
    doc.SetSubject("Hello\r\nBcc: victim@example.com\r\n\r\nbody");
    doc.SetBody("x\r\n");
    std::string text = WriteMessage(doc);

    std::string header = text.substr(0, text.find("MIME-Version"));
    EXPECT_EQ(header.find("\nBcc"), std::string::npos) << header;
    EXPECT_EQ(header.find("\nX-Evil"), std::string::npos) << header;
    EXPECT_NE(header.find("From: \"Eve Bcc: victim@example.com\" <eve@example.jp>\r\n"),
              std::string::npos);
    EXPECT_NE(header.find("To: to@example.jp X-Evil: 1\r\n"), std::string::npos);
    EXPECT_NE(header.find("X-Mailer: Mailer X-Evil: 2\r\n"), std::string::npos);
    EXPECT_NE(header.find("In-Reply-To: <a@example.jp> X-Evil: 3\r\n"), std::string::npos);
    // A fold stays a fold.
    EXPECT_NE(header.find("References: <a@example.jp>\r\n\t<b@example.jp> <c@example.jp>\r\n"),
              std::string::npos);
    EXPECT_NE(header.find("Subject: Hello Bcc: victim@example.com  body\r\n"), std::string::npos);

    // Japanese text is encoded after cleaning: the encoded word holds no line break either.
    EXPECT_EQ(TestWriter::CleanFieldValue("件名\r\n続き"), "件名 続き");
    EXPECT_EQ(TestWriter::CleanFieldValue("a\r\n b\r\n"), "a\r\n b ");
}

TEST(CEMailWriter, DateZoneAndHostFallback)
{
    CMailDoc doc;
    doc.SetBody("x");
    {
        ScopedEnvironment fixed("EST5");
        fixed.environment.host = "";
        std::string text = WriteMessage(doc);
        EXPECT_NE(text.find("Date: Mon, 07 Dec 2026 08:21:06 -0500\r\n"), std::string::npos);
        EXPECT_NE(text.find("Message-ID: <20261207082106.1234@localhost>\r\n"), std::string::npos);
    }
    {
        ScopedEnvironment fixed("IST-5:30");
        std::string text = WriteMessage(doc);
        EXPECT_NE(text.find("Date: Mon, 07 Dec 2026 18:51:06 +0530\r\n"), std::string::npos);
    }
}

TEST(CEMailWriter, AttachedMailLineEndsAreMadeCrLf)
{
    ScopedEnvironment fixed;
    std::string folder = TempFolder("writer-eml");
    // A CR LF split across the 1023-byte read, LF-only lines and a stray zero byte.
    std::string eml = std::string(1022, 'a') + "\r\nb\nc\rd" + std::string(1, '\0') + "e\n";
    WriteBytes(folder + "/lf.eml", eml);

    CMailDoc doc;
    doc.SetBody("x");
    doc.SetFiles({{Native(folder + "/lf.eml"), ""}});
    int result = 0;
    std::string text = WriteMessage(doc, &result);
    ASSERT_EQ(result, 1);
    // The mail keeps its own last line end; the CR LF after it belongs to the delimiter.
    std::string expected = std::string(1022, 'a') + "\r\nb\r\nc\r\nde\r\n\r\n--BOUNDARY_";
    EXPECT_NE(text.find("\r\n\r\n" + expected), std::string::npos);

    // A mail without a final line end gets none (the delimiter's line end follows it), and
    // an empty mail stays empty, whether it stands in the middle or last.
    WriteBytes(folder + "/open.eml", "Subject: x\r\n\r\nno line end");
    WriteBytes(folder + "/empty.eml", "");
    doc.SetFiles({{Native(folder + "/open.eml"), ""}, {Native(folder + "/empty.eml"), ""}});
    text = WriteMessage(doc, &result);
    ASSERT_EQ(result, 1);
    EXPECT_NE(text.find("\r\n\r\nno line end\r\n--BOUNDARY_"), std::string::npos);
    EXPECT_NE(text.find("filename=\"empty.eml\"\r\n\r\n\r\n--BOUNDARY"), std::string::npos);
}

TEST(CEMailWriter, AttachmentsAreOpenedByTheirOwnBytesAndNamedInCodePage932)
{
    ScopedEnvironment fixed;
    // Files under ".../café/" named "資料〜最終版.xlsx" (U+301C) and "café_menu.txt".
    std::string folder = TempFolder("writer-caf\xC3\xA9");
    const std::string waveDash = folder + "/\xE8\xB3\x87\xE6\x96\x99\xE3\x80\x9C\xE6\x9C\x80\xE7\xB5\x82\xE7\x89\x88.xlsx";
    const std::string cafe = folder + "/caf\xC3\xA9_menu.txt";
    WriteBytes(waveDash, "sheet");
    WriteBytes(cafe, "menu");
    CMailDoc doc;
    doc.SetBody("x");
    doc.SetFiles({{Native(waveDash), ""}, {Native(cafe), ""}});
    int result = 0;
    CString detail;
    std::string text = WriteMessage(doc, &result, &detail);
    ASSERT_EQ(result, 1) << detail.Str();
    EXPECT_NE(text.find("\r\n\r\nc2hlZXQ=\r\n"), std::string::npos) << text;  // "sheet"
    EXPECT_NE(text.find("\r\n\r\nbWVudQ==\r\n"), std::string::npos) << text;  // "menu"
    // The names in the header: 〜 as code page 932 has it, é as "〓" (JIS 0x222E).
    std::vector<std::string> names;
    for (std::size_t at = text.find("filename=\""); at != std::string::npos;
         at = text.find("filename=\"", at + 1)) {
        std::size_t end = text.find('"', at + 10);
        // Unfolded, with the blank between two encoded words dropped (RFC 2047 6.2).
        CString value(text.substr(at + 10, end - at - 10));
        value.Replace("?=\r\n\t=?", "?==?");
        names.push_back(CEMailPerser().DecodeFieldValue(value).Str());
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "\x8E\x91\x97\xBF\x81\x60\x8D\xC5\x8F\x49\x94\xC5.xlsx",
                         "caf\x81\xAC_menu.txt"}));
    EXPECT_NE(text.find("filename=\"=?iso-2022-jp?B?Y2FmGyRCIi4bKEJfbWVudS50eHQ=?=\""), std::string::npos) << text;
}

TEST(CEMailWriter, MissingFilesWriteNothingAndAreAllListed)
{
    std::string folder = TempFolder("writer-missing");
    CMailDoc doc;
    doc.SetBody("x");
    CPath first = Native(folder + "/gone-1.txt");
    CPath second = Native(folder) / CPath::FromText("消えた.eml");
    doc.SetFiles({{first, ""}, {Attachment("a.EML"), ""}, {second, ""},
                  {Native(folder), "a folder is no file"}});
    int result = 1;
    CString detail;
    std::string text = WriteMessage(doc, &result, &detail);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(detail, "添付ファイルのオープンに失敗しました。\r\n"
                      "次のファイルの場所を移動したり、名前を変えたりしていないか、確認してください。"
                      "\r\n\r\n" + first.ToText() + "\r\n" + second.ToText() + "\r\n"
                      + folder.c_str() + "\r\n");
}

TEST(CEMailWriter, StreamNotOpenFailsOnTheFirstHeader)
{
    CMailDoc doc;
    CFileOutStream closed(Native(TempFolder("writer-closed") + "/never.eml"));
    CProgressCallback progress("", 0, nullptr);
    CEMailWriter writer(&closed, doc, progress);
    CString detail;
    EXPECT_EQ(writer.Write(detail), 0);
    EXPECT_EQ(detail, "ヘッダー項目の書き出しに失敗しました。");
}

TEST(CEMailWriter, AWriteThatFailsStopsWithTheStepsText)
{
    ScopedEnvironment fixed;
    CMailDoc doc;
    doc.SetFromAddress(Taro());
    doc.SetSubject("件名");
    doc.SetBody("本文です。\r\n");
    CPath file = Attachment("第三四半期の売上報告書.bin");
    CPath mail = Attachment("forward.eml");
    doc.SetFiles({{file, ""}, {mail, ""}});

    MemoryStream whole;
    {
        CProgressCallback progress("", 0, nullptr);
        CEMailWriter writer(&whole, doc, progress);
        CString detail;
        ASSERT_EQ(writer.Write(detail), 1);
    }
    auto indexOf = [&](const std::string& start) {
        for (std::size_t i = 0; i < whole.pieces.size(); ++i) {
            if (whole.pieces[i].rfind(start, 0) == 0) return static_cast<int>(i);
        }
        return -1;
    };
    const CString header = "ヘッダー項目の書き出しに失敗しました。";
    const CString body = "本文の書き出しに失敗しました。";
    const CString fileHeader = "添付ファイル説明の書き出しに失敗しました。";
    const CString fileData = "添付ファイルの書き出しに失敗しました。\r\n\r\n" + file.ToText();
    const CString mailHeader = "添付メール説明の書き出しに失敗しました。";
    const CString mailData = "添付メールの書き出しに失敗しました。\r\n\r\n" + mail.ToText();

    struct Case { int failAt; CString detail; };
    const int application = indexOf("Content-Type: application");
    const int rfc822 = indexOf("Content-Type: message/rfc822");
    ASSERT_GT(application, 0);
    ASSERT_GT(rfc822, 0);
    const Case cases[] = {
        {0, header},
        {indexOf("Subject:"), header},
        {indexOf("MIME-Version"), header},
        {indexOf("Content-Type: text/plain"), body},
        {indexOf("GyRC"), body},
        {application, fileHeader},
        {application + 4, fileData},  // the first Base64 line of the file
        {rfc822, mailHeader},
        {rfc822 + 4, mailData},  // the mail's text
    };
    for (const Case& c : cases) {
        MemoryStream failing;
        failing.failAt = c.failAt;
        CProgressCallback progress("", 0, nullptr);
        CEMailWriter writer(&failing, doc, progress);
        CString detail;
        EXPECT_EQ(writer.Write(detail), 0) << c.failAt;
        EXPECT_EQ(detail, c.detail) << c.failAt;
    }
    // Whichever write fails, the whole run fails.
    for (int n = 0; n < static_cast<int>(whole.pieces.size()); ++n) {
        MemoryStream failing;
        failing.failAt = n;
        CProgressCallback progress("", 0, nullptr);
        CEMailWriter writer(&failing, doc, progress);
        CString detail;
        EXPECT_EQ(writer.Write(detail), 0) << n;
        EXPECT_FALSE(detail.IsEmpty()) << n;
    }
}

TEST(CFileOutStream, OpenWriteAndFailures)
{
    std::string folder = TempFolder("file-out-stream");
    std::string path = folder + "/out.eml";
    WriteBytes(path, "old content that is longer");
    {
        CFileOutStream stream(Native(path));
        EXPECT_EQ(stream.WriteString("x"), 0);
        ASSERT_EQ(stream.Open(), 1);
        ASSERT_EQ(stream.Open(), 1);
        EXPECT_EQ(stream.WriteString("new\r\n"), 1);
        EXPECT_EQ(stream.WriteString(""), 1);
        EXPECT_EQ(stream.Flush(), 1);
        stream.Close();
        EXPECT_EQ(stream.WriteString("x"), 0);
    }
    EXPECT_EQ(ReadBytes(path), "new\r\n");

    CFileOutStream missing(Native(folder + "/no/such/folder.eml"));
    EXPECT_EQ(missing.Open(), 0);

    // A full device: the error shows at the latest when the buffer is flushed.
    CFileOutStream full(Native("/dev/full"));
    if (full.Open()) {
        EXPECT_EQ(full.WriteString("some text"), 1);
        EXPECT_EQ(full.Flush(), 0);
    }
}
