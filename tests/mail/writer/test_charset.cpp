// Verifies the outgoing charset rules: the check of what ISO-2022-JP cannot carry (field,
// position, stand-in), the per-field choice between ISO-2022-JP and UTF-8, the stand-ins,
// the length limits of encoded words and header lines, quoted display names, quoted-printable
// for overlong body lines, 8-bit attached mails, attachment types and 64-bit sizes.
#include "writer/CCharsetCheck.h"
#include "writer/CEMailWriter.h"

#include "WriterTestSupport.h"
#include "encoding/CBase64.h"
#include "encoding/CCodePage.h"
#include "encoding/CLanguage.h"
#include "encoding/CQuotedPrint.h"
#include "model/CFileUtility.h"
#include "smtp/CProgressCallback.h"
#include "writer/CFileOutStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <regex>
#include <unistd.h>

namespace {

const std::string kData = QUILLON_TEST_DATA;

class TestWriter : public CEMailWriter {
public:
    using CEMailWriter::CEMailWriter;
    using CEMailWriter::ConvAndEncodeAddress;
    using CEMailWriter::EncodeText;
};

std::string TempFolder(const char* name)
{
    const char* home = std::getenv("XDG_DATA_HOME");
    std::filesystem::path folder = std::filesystem::path(home ? home : "/tmp") / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

// A file under `folder` (the file system's bytes) by its code page 932 name; on disk the
// name is UTF-8.
CPath InFolder(const std::string& folder, const std::string& cp932Name)
{
    return CPath::FromNative(folder) / CPath::FromText(CString(cp932Name));
}

CPath Native(const std::string& path) { return CPath::FromNative(path); }

std::string Write(const CMailDoc& doc)
{
    ScopedEnvironment fixed;
    MemoryStream stream;
    CProgressCallback progress("", 0, nullptr);
    CEMailWriter writer(&stream, doc, progress);
    CString detail;
    EXPECT_EQ(writer.Write(detail), 1) << detail.Str();
    return stream.text;
}

// The header field `name` as written, its folds included.
std::string Field(const std::string& message, const std::string& name)
{
    std::size_t at = message.find("\r\n" + name + ": ");
    if (message.compare(0, name.size() + 2, name + ": ") == 0) at = 0;
    else if (at == std::string::npos) return "";
    else at += 2;
    std::size_t end = at;
    do {
        end = message.find("\r\n", end) + 2;
    } while (end < message.size() && (message[end] == ' ' || message[end] == '\t'));
    return message.substr(at, end - 2 - at);
}

// Every encoded word of `text`: charset and decoded bytes.
std::vector<std::pair<std::string, std::string>> Words(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> words;
    static const std::regex word(R"(=\?([^?]+)\?B\?([A-Za-z0-9+/=]*)\?=)");
    for (std::sregex_iterator i(text.begin(), text.end(), word), end; i != end; ++i) {
        EXPECT_LE((*i)[0].length(), 75) << (*i)[0];
        std::string bytes((*i)[2].length(), '\0');
        unsigned int length = 0;
        CBase64::Decode(CString((*i)[2].str()), reinterpret_cast<unsigned char*>(bytes.data()),
                        static_cast<unsigned int>(bytes.size()), length);
        bytes.resize(length);
        words.emplace_back((*i)[1].str(), bytes);
    }
    return words;
}

// The text of encoded words joined, as code page 932.
CString Decoded(const std::string& text)
{
    CString all;
    for (const auto& [charset, bytes] : Words(text)) {
        CString part;
        if (charset == "UTF-8") part = CCodePage::FromUtf8(bytes);
        else CLanguage::JIS_SJIS(bytes.data(), static_cast<unsigned int>(bytes.size()), part);
        all += part;
    }
    return all;
}

void ExpectLinesWithin998(const std::string& message)
{
    std::size_t start = 0;
    for (std::size_t end; (end = message.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_LE(end - start, 998u) << message.substr(start, 60);
    }
}

}  // namespace

TEST(CharsetCheck, ListsEachCharacterWithFieldPositionAndStandIn)
{
    CMailDoc doc;
    doc.SetSubject("会議①の件");
    doc.SetFromAddress(CAddress("", "山田 太郎", "taro@example.jp"));
    doc.AddToAddress(CAddress("", "佐藤", "a@example.jp"));
    doc.AddToAddress(CAddress("", "髙橋 ㈱ベルト", "b@example.jp"));
    doc.SetBody("計画Ⅱ\r\n∮と﨑");
    doc.SetFiles({{InFolder("/tmp", "見積書㍉.pdf"), "見積書㍉.pdf"}});
    const std::vector<CCharsetIssue> issues = CCharsetCheck::Check(doc);
    struct Want {
        CCharsetIssue::Field field;
        unsigned int index, position;
        const char* character;
        const char* replacement;
        CJisFallback::Kind kind;
    };
    const Want want[] = {
        {CCharsetIssue::Subject, 0, 4, "①", "(1)", CJisFallback::Symbol},
        {CCharsetIssue::ToName, 1, 0, "髙", "高", CJisFallback::Variant},
        {CCharsetIssue::ToName, 1, 5, "㈱", "(株)", CJisFallback::Symbol},
        {CCharsetIssue::Body, 0, 4, "Ⅱ", "II", CJisFallback::Symbol},
        {CCharsetIssue::Body, 0, 8, "∮", "", CJisFallback::None},
        {CCharsetIssue::Body, 0, 12, "﨑", "崎", CJisFallback::Variant},
        {CCharsetIssue::AttachmentName, 0, 6, "㍉", "ミリ", CJisFallback::Symbol},
    };
    ASSERT_EQ(issues.size(), std::size(want));
    for (std::size_t i = 0; i < issues.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(issues[i].field, want[i].field);
        EXPECT_EQ(issues[i].index, want[i].index);
        EXPECT_EQ(issues[i].position, want[i].position);
        EXPECT_EQ(issues[i].length, 2u);
        EXPECT_EQ(issues[i].character, want[i].character);
        EXPECT_EQ(issues[i].replacement, want[i].replacement);
        EXPECT_EQ(issues[i].kind, want[i].kind);
    }
    EXPECT_STREQ(CCharsetCheck::FieldName(CCharsetIssue::Subject), "件名");

    // IBM codes and half-width kana: the IBM twin of a JIS character fits, kana fit.
    std::vector<CCharsetIssue> more;
    CCharsetCheck::CheckText("\xFA\x54\xFA\x5B" "ｶﾞｷﾞ abc \xFA\x58\xFB\xFC\x80", CCharsetIssue::Subject, 0, more);
    ASSERT_EQ(more.size(), 3u);
    EXPECT_EQ(more[0].position, 13u);
    EXPECT_EQ(more[0].replacement, "(株)");
    EXPECT_EQ(more[1].replacement, "高");
    EXPECT_EQ(more[2].length, 1u);  // a byte that is no character

    CMailDoc fits;
    fits.SetSubject("来週の会議 ｶﾞｲﾄﾞ ≒ ¬");
    fits.SetBody("本文です。");
    EXPECT_TRUE(CCharsetCheck::Check(fits).empty());
}

TEST(CharsetChoice, EachFieldTakesUtf8OnlyWhenItMust)
{
    std::string folder = TempFolder("charset-choice");
    WriteBytes(InFolder(folder, "① 見積.pdf").Native(), "%PDF");
    WriteBytes(InFolder(folder, "見積.pdf").Native(), "%PDF");
    CMailDoc doc;
    doc.SetFromAddress(CAddress("", "山田 太郎", "taro@example.jp"));
    doc.AddToAddress(CAddress("", "髙橋 一郎", "b@example.jp"));
    doc.SetSubject("会議①の件");
    doc.SetBody("本文①です。\r\n");
    doc.SetFiles({{InFolder(folder, "① 見積.pdf"), ""}, {InFolder(folder, "見積.pdf"), ""}});

    std::string auto_ = Write(doc);
    EXPECT_EQ(Words(Field(auto_, "From"))[0].first, "iso-2022-jp");
    EXPECT_EQ(Words(Field(auto_, "To"))[0].first, "UTF-8");
    EXPECT_EQ(Decoded(Field(auto_, "To")), "髙橋 一郎");
    EXPECT_EQ(Decoded(Field(auto_, "Subject")), "会議①の件");
    EXPECT_EQ(Words(Field(auto_, "Subject"))[0].first, "UTF-8");
    EXPECT_NE(auto_.find("Content-Type: text/plain;\r\n\tcharset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                         "5pys5paH4pGg44Gn44GZ44CCDQo=\r\n"), std::string::npos);
    // A name that does not fit: RFC 2231 and encoded words; one that fits: as designed.
    EXPECT_NE(auto_.find("Content-Type: application/pdf;\r\n\tname=\"=?UTF-8?B?4pGgIOimi+epjS5wZGY=?=\"\r\n"),
              std::string::npos);
    EXPECT_NE(auto_.find("filename*=UTF-8''%E2%91%A0%20%E8%A6%8B%E7%A9%8D.pdf;\r\n"
                         "\tfilename=\"=?UTF-8?B?4pGgIOimi+epjS5wZGY=?=\"\r\n"), std::string::npos);
    EXPECT_NE(auto_.find("name=\"=?iso-2022-jp?B?GyRCOCtAURsoQi5wZGY=?=\"\r\n"), std::string::npos);

    // Stand-ins for symbols keep ISO-2022-JP where they are all that is missing.
    doc.SetReplaceMode(CJisFallback::ReplaceSymbols);
    std::string symbols = Write(doc);
    EXPECT_EQ(Words(Field(symbols, "Subject"))[0].first, "iso-2022-jp");
    EXPECT_EQ(Decoded(Field(symbols, "Subject")), "会議(1)の件");
    EXPECT_EQ(Words(Field(symbols, "To"))[0].first, "UTF-8");  // 髙 only with variants
    EXPECT_NE(symbols.find("charset=iso-2022-jp"), std::string::npos);
    doc.SetReplaceMode(CJisFallback::ReplaceSymbolsAndVariants);
    EXPECT_EQ(Decoded(Field(Write(doc), "To")), "高橋 一郎");

    // ISO-2022-JP for everything: the extension goes with its raw code, as designed.
    doc.SetReplaceMode(CJisFallback::ReplaceNone);
    doc.SetCharset(CMailDoc::CharsetIso2022Jp);
    std::string jis = Write(doc);
    EXPECT_EQ(Words(Field(jis, "Subject"))[0].second, "\x1B$B2q5D-!$N7o\x1B(B");
    EXPECT_EQ(jis.find("UTF-8"), std::string::npos);

    // UTF-8 for every field that is not ASCII.
    doc.SetCharset(CMailDoc::CharsetUtf8);
    doc.SetFiles({});
    std::string utf8 = Write(doc);
    EXPECT_EQ(Words(Field(utf8, "From"))[0].first, "UTF-8");
    EXPECT_EQ(Decoded(Field(utf8, "From")), "山田 太郎");
    EXPECT_EQ(utf8.find("iso-2022-jp"), std::string::npos);
}

TEST(HeaderLimits, WordsWithin75CharactersLinesWithin998)
{
    MemoryStream stream;
    CMailDoc doc;
    CProgressCallback progress("", 0, nullptr);
    TestWriter writer(&stream, doc, progress);

    // Every switch between ASCII and kanji costs escapes; half-width kana become two bytes.
    std::string mixed;
    for (int i = 0; i < 30; ++i) mixed += "a漢";
    std::string kana;
    for (int i = 0; i < 40; ++i) kana += "ｺﾞｱ";
    for (const std::string& text : {mixed, kana, std::string("一二三四五六七八九十①②③④⑤⑥⑦⑧⑨⑩①②③④⑤⑥⑦⑧⑨⑩")}) {
        CString encoded = writer.EncodeText(text.c_str(), 9);
        // ISO-2022-JP carries half-width kana as full width.
        CString jis;
        CString folded;
        CLanguage::SJIS_JIS(text.data(), static_cast<unsigned int>(text.size()), jis);
        CLanguage::JIS_SJIS(jis.GetString(), static_cast<unsigned int>(jis.GetLength()), folded);
        EXPECT_EQ(Decoded(encoded.Str()), text.find("①") == std::string::npos ? folded : CString(text)) << text;
        for (const auto& [charset, bytes] : Words(encoded.Str())) {
            CString part;
            if (charset == "UTF-8") part = CCodePage::FromUtf8(bytes);
            else CLanguage::JIS_SJIS(bytes.data(), static_cast<unsigned int>(bytes.size()), part);
            // No word begins with a lone voicing mark: ｺﾞ is never cut from its ﾞ.
            EXPECT_NE(part.Left(2), "゛") << text;
            EXPECT_NE(static_cast<unsigned char>(part[0]), 0xDE) << text;
        }
    }
    // The designed word of a short subject is unchanged.
    EXPECT_EQ(writer.EncodeText("Re: 会議", 9), "=?iso-2022-jp?B?UmU6IBskQjJxNUQbKEI=?=");

    // Long ASCII: folded at blanks; without a blank to fold at, encoded.
    std::string words;
    for (int i = 0; i < 300; ++i) words += "word" + std::to_string(i) + " ";
    CString folded = writer.EncodeText(words.c_str(), 9);
    EXPECT_NE(folded.Find("\r\n "), -1);
    CString unfolded = folded;
    unfolded.Replace("\r\n", "");
    EXPECT_EQ(unfolded, words.c_str());
    const std::string solid(2000, 'x');
    CString encoded = writer.EncodeText(solid.c_str(), 9);
    EXPECT_EQ(Decoded(encoded.Str()), solid.c_str());

    std::string folder = TempFolder("header-limits");
    std::string longName = "①";
    for (int i = 0; i < 25; ++i) longName += "見";
    longName += ".txt";
    WriteBytes(InFolder(folder, longName).Native(), "x");
    doc.SetFromAddress(CAddress("", (std::string(600, 'A') + " " + std::string(600, 'B')).c_str(), "a@example.jp"));
    doc.AddToAddress(CAddress("", std::string(1100, 'C').c_str(), "c@example.jp"));
    doc.SetSubject(solid.c_str());
    doc.SetReferences(words.c_str());
    doc.SetBody((std::string(1500, 'y') + "=\r\nshort\r\n").c_str());
    doc.SetFiles({{InFolder(folder, longName), ""}});
    std::string message = Write(doc);
    ExpectLinesWithin998(message);
    // A long RFC 2231 value goes in pieces, each on its own line, no %XX split.
    EXPECT_NE(message.find("\tfilename*0*=UTF-8''%E2%91%A0%E8%A6%8B"), std::string::npos);
    EXPECT_NE(message.find(";\r\n\tfilename*3*=%"), std::string::npos);
    EXPECT_EQ(message.find("filename*5*"), std::string::npos);
    EXPECT_NE(message.find("Content-Transfer-Encoding: quoted-printable\r\n\r\nyyyy"), std::string::npos);
    // The quoted-printable body decodes to the letter.
    std::size_t body = message.find("quoted-printable\r\n\r\n") + 20;
    std::string qp = message.substr(body, message.find("\r\n--BOUNDARY", body) - body);
    std::string decoded(qp.size(), '\0');
    unsigned int length = 0;
    CQuotedPrint::Decode(CString(qp), reinterpret_cast<unsigned char*>(decoded.data()),
                         static_cast<unsigned int>(decoded.size()), length);
    EXPECT_EQ(decoded.substr(0, length), std::string(1500, 'y') + "=\r\nshort\r\n");
}

TEST(DisplayNames, QuotesStayOutsideAndShortNamesStayOneWord)
{
    MemoryStream stream;
    CMailDoc doc;
    CProgressCallback progress("", 0, nullptr);
    TestWriter writer(&stream, doc, progress);
    CAddress quoted;
    quoted.FromText("\"山田, 太郎\" <taro@example.jp>");
    CString text = writer.ConvAndEncodeAddress(quoted);
    EXPECT_EQ(text, "=?iso-2022-jp?B?GyRCOzNFRBsoQiwgGyRCQkBPOhsoQg==?= <taro@example.jp>");
    EXPECT_EQ(Decoded(text.Str()), "山田, 太郎");
    // 20 bytes, more than the designed 17 of one piece, but one word of 58 characters.
    text = writer.ConvAndEncodeAddress(CAddress("", "株式会社ベルト営業部", "s@example.jp"));
    EXPECT_EQ(Words(text.Str()).size(), 1u);
    EXPECT_EQ(text.Find("\r\n"), -1);
    // Too long for one word: folded words, each within 75.
    text = writer.ConvAndEncodeAddress(CAddress("", "株式会社ベルト 営業部 鈴木 一郎", "s@example.jp"));
    EXPECT_EQ(Decoded(text.Str()), "株式会社ベルト 営業部 鈴木 一郎");
    EXPECT_GT(Words(text.Str()).size(), 1u);
}

TEST(Attachments, TypesFromTheSystemTableAnd8BitMails)
{
    EXPECT_EQ(CFileUtility::GetContentType(Native("/x/report.PDF")), "application/pdf");
    EXPECT_EQ(CFileUtility::GetContentType(Native("/x/a.txt")), "text/plain");
    EXPECT_EQ(CFileUtility::GetContentType(Native("/x/photo.jpeg")), "image/jpeg");
    EXPECT_EQ(CFileUtility::GetContentType(Native("/x/data.unknownext")), "application/octet-stream");
    EXPECT_EQ(CFileUtility::GetContentType(Native("/x/noext")), "application/octet-stream");
    EXPECT_EQ(CFileUtility::GetContentType(Native("/x/mail.eml")), "message/rfc822");

    std::string folder = TempFolder("attachment-types");
    WriteBytes(folder + "/sjis.eml", "Subject: x\r\n\r\n\x93\xFA\x96\x7B\r\n");
    WriteBytes(folder + "/plain.eml", "Subject: x\r\n\r\nplain\r\n");
    WriteBytes(folder + "/pic.webp", "RIFF");
    WriteBytes(folder + "/up.EML", "x");
    CMailDoc doc;
    doc.SetBody("x");
    doc.SetFiles({{Native(folder + "/plain.eml"), ""}, {Native(folder + "/pic.webp"), ""},
                  {Native(folder + "/up.EML"), ""}});
    EXPECT_EQ(CEMailWriter::NeedsEightBit(doc), 0);
    std::string message = Write(doc);
    EXPECT_NE(message.find("name=\"plain.eml\"\r\nContent-Transfer-Encoding: 7bit"), std::string::npos);
    EXPECT_NE(message.find("Content-Type: image/webp;"), std::string::npos);
    // A file part is Base64: a message type may not be, so an upper-case .EML is plain data.
    EXPECT_NE(message.find("Content-Type: application/octet-stream;\r\n\tname=\"up.EML\""), std::string::npos);
    EXPECT_EQ(CFileUtility::GetMimeType(Native(folder + "/pic.webp")), "image/webp");

    doc.SetFiles({{Native(folder + "/sjis.eml"), ""}});
    EXPECT_EQ(CEMailWriter::NeedsEightBit(doc), 1);
    EXPECT_NE(Write(doc).find("name=\"sjis.eml\"\r\nContent-Transfer-Encoding: 8bit"), std::string::npos);
}

TEST(Sizes, FilesBeyond4GBAreCounted)
{
    std::string folder = TempFolder("sizes");
    const std::string big = folder + "/sparse.bin";
    int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const long long size = 5LL * 1024 * 1024 * 1024;
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    CMailDoc doc;
    doc.SetFiles({{Native(big), ""}});
    EXPECT_EQ(doc.GetMailSize(), 4u + CBase64::CalcEnecodedSize64(static_cast<std::uint64_t>(size)));
    EXPECT_GT(doc.GetMailSize(), 6ULL * 1024 * 1024 * 1024);
    std::filesystem::remove(big);
}

TEST(CFileOutStream, AWriteThatFailsAtTheEndIsReported)
{
    // A full device: the small text sits in the buffer until the end, where it must fail.
    CFileOutStream full(Native("/dev/full"));
    if (!full.Open()) GTEST_SKIP() << "/dev/full cannot be opened here";
    EXPECT_EQ(full.WriteString("some text"), 1);
    EXPECT_EQ(full.CloseChecked(), 0);

    std::string folder = TempFolder("close-checked");
    CFileOutStream ok(Native(folder + "/ok.eml"));
    ASSERT_EQ(ok.Open(), 1);
    EXPECT_EQ(ok.WriteString("text"), 1);
    EXPECT_EQ(ok.CloseChecked(), 1);
    EXPECT_EQ(ReadBytes(folder + "/ok.eml"), "text");
    EXPECT_EQ(ok.CloseChecked(), 0);  // not open any more
}
