// Round trip with the MIME writer: a document written by CEMailWriter and parsed back by
// CEMailPerser keeps its subject, addresses, body and attachment bytes (an attached mail too).
#include "parser/CEMailPerser.h"

#include "PrintCString.h"
#include "model/CMailDoc.h"
#include "smtp/CProgressCallback.h"
#include "writer/CEMailWriter.h"
#include "writer/COutputStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class StringStream : public COutputStream {
public:
    int Open() override { return 1; }
    void Close() override {}
    int WriteString(const char* text) override
    {
        text_ += text;
        return 1;
    }
    CString text_;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

class PerserRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "perser-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directory(root / "in");
        fs::create_directory(root / "out");
    }
    void TearDown() override { fs::remove_all(root); }

    CString Write(const CMailDoc& doc)
    {
        StringStream stream;
        CProgressCallback progress("", 0, nullptr);
        CEMailWriter writer(&stream, doc, progress);
        CString detail;
        EXPECT_TRUE(writer.Write(detail)) << CCodePage::ToUtf8(detail);
        return stream.text_;
    }

    fs::path root;
};

}  // namespace

TEST_F(PerserRoundTrip, WrittenDocumentParsesBackTheSame)
{
    std::string binary;
    for (int i = 0; i < 5000; ++i) binary += static_cast<char>(i * 7 % 256);
    WriteFile(root / "in" / "data.bin", binary);
    // Without a final line end, and with one: the CR LF the writer adds after each belongs
    // to the boundary delimiter, so both come back as they went in.
    std::string mail = "From: x@example.jp\r\nSubject: inner\r\n\r\nattached mail\r\n.";
    WriteFile(root / "in" / "inner.eml", mail);
    std::string ended = "From: y@example.jp\r\nSubject: ended\r\n\r\nlast line\r\n";
    WriteFile(root / "in" / "ended.eml", ended);

    CMailDoc doc;
    doc.SetFromAddress(CAddress("", "差出人", "from@example.jp"));
    doc.AddToAddress(CAddress("", "山田 太郎", "taro@example.jp"));
    doc.AddToAddress(CAddress("", "", "plain@example.jp"));
    doc.AddCcAddress(CAddress("", "Ann Lee", "ann@example.com"));
    doc.SetSubject("見積もりのご依頼（至急）ｶﾀｶﾅ");
    doc.SetBody("いつもお世話になっております。\r\n見積もりをお願いします。\r\n\r\n以上");
    doc.SetFiles({{CPath::FromNative((root / "in" / "data.bin").string()), "data.bin"},
                  {CPath::FromNative((root / "in" / "inner.eml").string()), "inner"},
                  {CPath::FromNative((root / "in" / "ended.eml").string()), "ended"}});
    CString text = Write(doc);

    CMailDoc back;
    CEMailPerser parser;
    ASSERT_TRUE(parser.Perse(text, CPath::FromNative((root / "out").string()), back, 0)) << text.Str();
    CString value;
    back.GetSubject(value);
    EXPECT_EQ(value, "見積もりのご依頼（至急）カタカナ");  // half-width kana leave as full width
    CString body, expected;
    back.GetBody(body);
    doc.GetBodyWithLetter(expected);
    body.TrimRight("\r\n");
    expected.TrimRight("\r\n");
    EXPECT_EQ(body, expected);
    ASSERT_EQ(back.GetToAddressSize(), 2u);
    EXPECT_EQ(back.GetToAddress(0)->GetMailAddress(), "taro@example.jp");
    EXPECT_EQ(back.GetToAddress(1)->GetMailAddress(), "plain@example.jp");
    ASSERT_EQ(back.GetCcAddressSize(), 1u);
    EXPECT_EQ(back.GetCcAddress(0)->GetDisplayName(), "Ann Lee");
    EXPECT_EQ(back.GetCcAddress(0)->GetMailAddress(), "ann@example.com");

    CMailDoc::FileList files;
    back.GetFiles(files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].title, "data.bin");
    EXPECT_EQ(ReadFile(files[0].path.c_str()), binary);
    EXPECT_EQ(files[1].title, "inner");
    EXPECT_EQ(ReadFile(files[1].path.c_str()), mail);
    EXPECT_EQ(files[2].title, "ended");
    EXPECT_EQ(ReadFile(files[2].path.c_str()), ended);
}
