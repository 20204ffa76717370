// Verifies the parser on mail as other programs write it: one message of tests/data/parser
// for each fault of the parser's first version (no MIME-Version, RFC 5322 addresses, the
// first text part as body, truncated multiparts, header text, single-part files, HTML only,
// Content-Disposition names, digests and RFC 2231 boundaries, charset labels, many parts
// with one name).
#include "parser/CEMailPerser.h"

#include "model/CFileUtility.h"
#include "model/CMailDoc.h"

#include "PerserTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Mailboxes = std::vector<std::pair<CString, CString>>;

class PerserHabits : public PerserFolderTest {
protected:
    // Parses a message of tests/data/parser; `result` gets Perse's result.
    CMailDoc& Parse(const char* name, int reply = 0)
    {
        CString text(ReadFile(fs::path(QUILLON_TEST_DATA) / name));
        EXPECT_FALSE(text.IsEmpty()) << name;
        result = parser.Perse(text, CPath::FromNative(folder.string()), doc, reply);
        return doc;
    }
    CString Body()
    {
        CString body;
        doc.GetBody(body);
        return body;
    }
    CString Subject()
    {
        CString subject;
        doc.GetSubject(subject);
        return subject;
    }
    Mailboxes To() const
    {
        Mailboxes list;
        for (unsigned i = 0; i < doc.GetToAddressSize(); ++i)
            list.emplace_back(doc.GetToAddress(i)->GetDisplayName(), doc.GetToAddress(i)->GetMailAddress());
        return list;
    }
    Mailboxes Cc() const
    {
        Mailboxes list;
        for (unsigned i = 0; i < doc.GetCcAddressSize(); ++i)
            list.emplace_back(doc.GetCcAddress(i)->GetDisplayName(), doc.GetCcAddress(i)->GetMailAddress());
        return list;
    }
    // Title and file name (inside the folder) of each attachment.
    std::vector<std::pair<CString, CString>> Files() const
    {
        CMailDoc::FileList files;
        doc.GetFiles(files);
        std::vector<std::pair<CString, CString>> out;
        for (const auto& f : files) {
            fs::path path(f.path.Native());
            EXPECT_EQ(path.parent_path(), folder);
            out.emplace_back(f.title, f.path.FileName().ToText());
        }
        return out;
    }
    std::string Bytes(const CString& fileName) const
    {
        return ReadFile(folder / CPath::FromText(fileName).Native());
    }

    CEMailPerser parser;
    CMailDoc doc;
    int result = -1;
};

}  // namespace

TEST_F(PerserHabits, WithoutMimeVersionTheMessageIsPlainText)
{
    // Outlook 2000: raw code page 932, no MIME field at all. A reply quotes the text now.
    Parse("no_mime_version_shift_jis.eml", 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Body(), "鈴木様\r\n\r\nお世話になっております。見積もりを表示します。\r\n能力ソフト\r\n");
    EXPECT_EQ(Subject(), "見積もりの件");
    EXPECT_EQ(To(), (Mailboxes{{"Tanaka", "tanaka@example.jp"}}));

    // A carrier bounce in JIS; a gateway that names its charset but not MIME.
    Parse("no_mime_version_jis_bounce.eml");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Body(), "<nobody@ezweb.ne.jp>: 送信先のアドレスが見つかりません。\r\n\r\n");
    Parse("no_mime_version_charset_given.eml");
    EXPECT_EQ(Body(), "古いゲートウェイ\r\n");

    // The subject of such a mail can be read (attaching a mail needs it).
    CString subject;
    EXPECT_TRUE(parser.GetSubject(CString(ReadFile(fs::path(QUILLON_TEST_DATA) / "no_mime_version_shift_jis.eml")),
                                  subject));
    EXPECT_EQ(subject, "見積もりの件");
}

TEST_F(PerserHabits, AddressesAsRfc5322WritesThem)
{
    Parse("addresses_comments_groups_quotes.eml");
    // The group's name is no address, its members are; an empty group gives nobody.
    EXPECT_EQ(To(), (Mailboxes{{"Sales <info>", "sales@example.com"},
                               {"", "a@example.com"},
                               {"B", "b@example.com"},
                               {"山田 太郎", "taro@example.jp"}}));
    EXPECT_EQ(Cc(), (Mailboxes{{"back\\slash \"q\"", "q@example.com"}}));
    CString summary;
    doc.GetOriginalSummary(summary);
    EXPECT_NE(summary.Find(" From:    bbb@ddd.com (John X. Doe)\r\n"), -1);

    // In a reply the comment is the sender's name and never part of the address.
    Parse("addresses_comments_groups_quotes.eml", 1);
    EXPECT_EQ(To(), (Mailboxes{{"John X. Doe", "bbb@ddd.com"}}));
    EXPECT_EQ(Cc().size(), 5u);
    EXPECT_EQ(Cc().back(), (std::pair<CString, CString>{"back\\slash \"q\"", "q@example.com"}));
}

TEST_F(PerserHabits, TheFirstTextPartIsTheBodyAndLaterOnesFollow)
{
    Parse("list_footer_after_body.eml");
    EXPECT_EQ(Body(), "本文です。\r\n二行目。\r\n\r\n_______________\r\nlist mailing list");
    EXPECT_EQ(Files(), (std::vector<std::pair<CString, CString>>{{"a.pdf", "a.pdf"}}));
    EXPECT_EQ(Bytes("a.pdf"), "%PDF-1.4\n");
}

TEST_F(PerserHabits, AMultipartCutShortKeepsItsLastPart)
{
    Parse("missing_closing_delimiter.eml");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Body(), "The message was cut short.");
    std::string bytes;
    for (int i = 0; i < 40; ++i) bytes += static_cast<char>(i);
    EXPECT_EQ(Files(), (std::vector<std::pair<CString, CString>>{{"data.bin", "data.bin"}}));
    EXPECT_EQ(Bytes("data.bin"), bytes);

    // The last part is text: it runs to the end, without the final line end.
    CMailDoc cut;
    ASSERT_TRUE(parser.Perse("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=q\r\n\r\n"
                             "--q\r\n\r\nfirst\r\n--q\r\nContent-Type: text/plain\r\n\r\nlast line\r\n",
                             CPath(), cut, 0));
    CString body;
    cut.GetBody(body);
    EXPECT_EQ(body, "first\r\n\r\nlast line");
}

TEST_F(PerserHabits, HeaderTextSplitWordsRawUtf8AndJis)
{
    Parse("header_split_words_raw_utf8_jis.eml");
    EXPECT_EQ(Subject(), "日本語の件名");  // "本" is split across the two words
    EXPECT_EQ(To(), (Mailboxes{{"山田", "yamada@example.jp"}}));
    EXPECT_EQ(Cc(), (Mailboxes{{"鈴木", "suzuki@example.jp"}}));
    EXPECT_EQ(Body(), "本文");
    EXPECT_EQ(Files(), (std::vector<std::pair<CString, CString>>{{"邂逅.doc", "邂逅.doc"}}));
    EXPECT_EQ(Bytes("邂逅.doc"), "\xd0\xcf\x11\xe0");
}

TEST_F(PerserHabits, ASinglePartFileOrMailIsAnAttachment)
{
    Parse("single_part_pdf.eml");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Body(), "");
    std::string pdf = "%PDF-1.4\n";
    for (int i = 0; i < 256; ++i) pdf += static_cast<char>(i);
    EXPECT_EQ(Files(), (std::vector<std::pair<CString, CString>>{{"scan.pdf", "scan.pdf"}}));
    EXPECT_EQ(Bytes("scan.pdf"), pdf);
    CString summary;
    doc.GetOriginalSummary(summary);
    EXPECT_NE(summary.Find(" File:    scan.pdf\r\n"), -1);

    Parse("single_part_attached_mail.eml");
    auto files = Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].first, "元のメール");
    EXPECT_EQ(Bytes(files[0].second).substr(0, 24), "From: orig@example.jp\r\nS");
}

TEST_F(PerserHabits, HtmlOnlyBecomesText)
{
    Parse("html_only.eml");
    EXPECT_EQ(Body(), "田中様\r\n"
                      "お世話に なっております。\r\n"
                      "2行目  & <tag> ① あ 〓\r\n"  // no-break spaces stay; no ｩ in code page 932
                      "区切り\r\n"
                      "A B\r\n"
                      "  整形  済み\r\n"
                      "  2行\r\n"
                      "一\r\n"
                      "二");
    EXPECT_TRUE(Files().empty());

    Parse("alternative_html_only.eml");
    EXPECT_EQ(Body(), "Outlook のHTMLだけ\r\n\r\n以上");
}

TEST_F(PerserHabits, TheDispositionFileNameWins)
{
    Parse("disposition_filename_beats_name.eml");
    EXPECT_EQ(Files(), (std::vector<std::pair<CString, CString>>{{"right.pdf", "right.pdf"}}));
    EXPECT_EQ(Bytes("right.pdf"), "%PDF");
}

TEST_F(PerserHabits, DigestsBareTextAndRfc2231Boundaries)
{
    Parse("digest_bare_text_rfc2231_boundary.eml");
    EXPECT_EQ(Body(), "Digest of the week.");
    auto files = Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], (std::pair<CString, CString>{"first", "first.eml"}));
    EXPECT_EQ(files[1], (std::pair<CString, CString>{"second", "second.eml"}));
    EXPECT_EQ(Bytes("second.eml"), "From: y@example.jp\r\nSubject: second\r\n\r\nsecond body");
}

TEST_F(PerserHabits, CharsetLabelsOfOtherPrograms)
{
    Parse("charset_aliases.eml");
    // x-euc-jp, x-sjis, shift-jis, ks_c_5601-1987 (Hangul: not in code page 932),
    // unicode-1-1-utf-7, cp932, windows-31j, and a label nobody knows.
    // (髙 at its NEC-selected code, as the sender wrote it.)
    EXPECT_EQ(Body(), "EUC 日本\r\n\r\nシフト\r\n\r\n表示\r\n\r\n〓〓\r\n\r\n日本語\r\n\r\n①\r\n\r\n\xee\xe0\r\n\r\ncaf〓");
}

TEST_F(PerserHabits, ManyPartsWithOneNameGetUniqueNames)
{
    Parse("many_parts_same_name.eml");
    EXPECT_EQ(Files(), (std::vector<std::pair<CString, CString>>{
                           {"a", "a"}, {"a", "a_1"}, {"a", "a_2"}, {"a", "a_3"}, {"a", "a_4"}}));
    EXPECT_EQ(Bytes("a_3"), "3");

    // Thousands of them: each name is found at once, not by trying every number before it
    // (the time this takes is measured by the parser benchmark).
    std::string text = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=s\r\n\r\n";
    for (int i = 0; i < 4000; ++i) text += "--s\r\nContent-Type: application/octet-stream; name=a\r\n\r\nx\r\n";
    text += "--s--\r\n";
    fs::path own = folder / "many";
    fs::create_directory(own);
    CMailDoc many;
    ASSERT_TRUE(parser.Perse(CString(text), CPath::FromNative(own.string()), many, 0));
    CMailDoc::FileList files;
    many.GetFiles(files);
    ASSERT_EQ(files.size(), 4000u);
    EXPECT_EQ(fs::path(files[3999].path.Native()).filename(), "a_3999");
    // A second message into the same folder goes on after the names already there.
    CMailDoc again;
    ASSERT_TRUE(parser.Perse(CString(ReadFile(fs::path(QUILLON_TEST_DATA) / "many_parts_same_name.eml")),
                             CPath::FromNative(own.string()), again, 0));
    again.GetFiles(files);
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(fs::path(files[0].path.Native()).filename(), "a_4000");
}
