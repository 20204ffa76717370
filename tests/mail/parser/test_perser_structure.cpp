// Verifies CEMailPerser::Perse: the MIME walk, attachment files in the folder (and only there),
// the reply mode, the threading fields and the original summary, on hand-written messages.
#include "parser/CEMailPerser.h"

#include "encoding/CBase64.h"
#include "model/CMailDoc.h"

#include "PerserTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

// Writes "\n" as CR LF, so that messages read as they travel.
CString Crlf(const char* text)
{
    CString out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') out += "\r\n";
        else out += *p;
    }
    return out;
}

class PerserStructure : public PerserFolderTest {
protected:
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    int Parse(const CString& text, CMailDoc& doc, int reply = 0)
    {
        return parser.Perse(text, CPath::FromNative(folder.string()), doc, reply);
    }

    CEMailPerser parser;
};

const char* const kMixed =
    "MIME-Version: 1.0\n"
    "From: A <a@example.jp>\n"
    "To: b@example.jp\n"
    "Subject: files\n"
    "Date: Tue, 1 Dec 2026 10:00:00 +0900\n"
    "Content-Type: multipart/mixed; boundary=\"XX\"\n"
    "\n"
    "preamble\n"
    "--XX\n"
    "Content-Type: text/plain; charset=ISO-2022-JP\n"
    "\n"
    "\x1b$BF|K\\\x1b(B\n"
    "--XX\n"
    "Content-Type: text/plain; name=\"a.txt\"\n"
    "Content-Transfer-Encoding: base64\n"
    "\n"
    "aGVs\n"
    "bG8=\n"
    "--XX\n"
    "Content-Type: application/octet-stream; name=\"b.bin\"\n"
    "Content-Transfer-Encoding: BASE64\n"
    "\n"
    "AAEC/w==\n"
    "--XX--\n"
    "epilogue\n";

}  // namespace

TEST_F(PerserStructure, MixedBodyAttachmentsSummaryAndNumbering)
{
    CMailDoc doc;
    ASSERT_TRUE(Parse(Crlf(kMixed), doc));
    CString text;
    doc.GetBody(text);
    EXPECT_EQ(text, "日本");
    doc.GetSubject(text);
    EXPECT_EQ(text, "files");
    doc.GetOriginalSummary(text);
    EXPECT_EQ(text, " From:    A <a@example.jp>\r\n"
                    " To:      b@example.jp\r\n"
                    " Date:    Tue, 1 Dec 2026 10:00:00 +0900\r\n"
                    " Subject: files\r\n"
                    " File:    a.txt;b.bin\r\n");
    ASSERT_EQ(doc.GetToAddressSize(), 1u);
    EXPECT_EQ(doc.GetToAddress(0)->GetMailAddress(), "b@example.jp");
    EXPECT_EQ(doc.GetCcAddressSize(), 0u);

    CMailDoc::FileList files;
    doc.GetFiles(files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, CPath::FromNative((folder / "a.txt").string()));
    EXPECT_EQ(files[0].title, "a.txt");
    EXPECT_EQ(files[1].title, "b.bin");
    EXPECT_EQ(ReadFile(folder / "a.txt"), "hello");
    EXPECT_EQ(ReadFile(folder / "b.bin"), std::string("\x00\x01\x02\xff", 4));

    // The same names again: the number follows the whole name, extension included.
    CMailDoc again;
    ASSERT_TRUE(Parse(Crlf(kMixed), again));
    ASSERT_TRUE(Parse(Crlf(kMixed), again));
    again.GetFiles(files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, CPath::FromNative((folder / "a.txt_2").string()));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "a.txt_1", "a.txt_2", "b.bin",
                                                 "b.bin_1", "b.bin_2"}));

    // Without a folder nothing is written, but the names still reach the summary.
    CMailDoc none;
    EXPECT_TRUE(parser.Perse(Crlf(kMixed), CPath(), none, 0));
    none.GetFiles(files);
    EXPECT_TRUE(files.empty());
    none.GetOriginalSummary(text);
    EXPECT_NE(text.Find(" File:    a.txt;b.bin\r\n"), -1);
}

TEST_F(PerserStructure, AttachmentNamesBecomeUtf8FileNamesInAFolderUnderCafe)
{
    // "資料〜最終版.xlsx" (U+301C) and "café_menu.txt", as UTF-8 names (RFC 2231), written into
    // a working folder under ".../café/".
    const fs::path cafe = folder / "caf\xC3\xA9";
    fs::create_directory(cafe);
    const char* message =
        "MIME-Version: 1.0\nSubject: names\nContent-Type: multipart/mixed; boundary=\"XX\"\n\n"
        "--XX\nContent-Type: text/plain\n\nbody\n"
        "--XX\nContent-Type: application/octet-stream\n"
        "Content-Disposition: attachment; filename*=UTF-8''%E8%B3%87%E6%96%99%E3%80%9C%E6%9C%80%E7%B5%82%E7%89%88.xlsx\n"
        "Content-Transfer-Encoding: base64\n\naGVsbG8=\n"
        "--XX\nContent-Type: text/plain; name*=UTF-8''caf%C3%A9_menu.txt\n\nmenu\n"
        "--XX--\n";
    CMailDoc doc;
    ASSERT_TRUE(parser.Perse(Crlf(message), CPath::FromNative(cafe.string()), doc, 0));
    CMailDoc::FileList files;
    doc.GetFiles(files);
    ASSERT_EQ(files.size(), 2u);
    // Titles are code page 932 ("〓" for é); the files are named with them in UTF-8, where
    // code page 932's 〜 reads back as U+FF5E.
    EXPECT_EQ(files[0].title, "\x8E\x91\x97\xBF\x81\x60\x8D\xC5\x8F\x49\x94\xC5.xlsx");
    EXPECT_EQ(files[0].path, CPath::FromNative((cafe / "\xE8\xB3\x87\xE6\x96\x99\xEF\xBD\x9E\xE6\x9C\x80\xE7\xB5\x82\xE7\x89\x88.xlsx").string()));
    EXPECT_EQ(ReadFile(files[0].path.Native()), "hello");
    EXPECT_EQ(files[1].title, "caf\x81\xAC_menu.txt");
    EXPECT_EQ(files[1].path, CPath::FromNative((cafe / "caf\xE3\x80\x93_menu.txt").string()));
    EXPECT_EQ(ReadFile(files[1].path.Native()), "menu");
}

TEST_F(PerserStructure, LfOnlyMessageReadsAsCrLf)
{
    CMailDoc crlf, lf;
    ASSERT_TRUE(Parse(Crlf(kMixed), crlf));
    ASSERT_TRUE(parser.Perse(CString(kMixed), CPath::FromNative(root.string()), lf, 0));
    CString a, b;
    crlf.GetBody(a);
    lf.GetBody(b);
    EXPECT_EQ(a, b);
    crlf.GetOriginalSummary(a);
    lf.GetOriginalSummary(b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(ReadFile(root / "b.bin"), std::string("\x00\x01\x02\xff", 4));

    // A body with several lines keeps CR LF line ends.
    CMailDoc doc;
    ASSERT_TRUE(parser.Perse("MIME-Version: 1.0\nSubject: s\n\none\ntwo\n", CPath(), doc, 0));
    doc.GetBody(a);
    EXPECT_EQ(a, "one\r\ntwo\r\n");
}

TEST_F(PerserStructure, AlternativeTakesPlainText)
{
    const char* alt =
        "Content-Type: multipart/alternative; boundary=alt\n"
        "MIME-Version: 1.0\n"
        "\n"
        "--alt\n"
        "Content-Type: text/html\n"
        "\n"
        "<p>html</p>\n"
        "--alt\n"
        "Content-Type: text/plain; charset=us-ascii\n"
        "\n"
        "plain\n"
        "--alt\n"
        "Content-Type: text/plain\n"
        "\n"
        "second plain\n"
        "--alt--\n";
    CMailDoc doc;
    ASSERT_TRUE(Parse(Crlf(alt), doc));
    CString body;
    doc.GetBody(body);
    EXPECT_EQ(body, "plain");

    const char* htmlOnly =
        "MIME-Version: 1.0\n"
        "Content-Type: multipart/alternative; boundary=alt\n"
        "\n"
        "--alt\n"
        "Content-Type: text/html\n"
        "\n"
        "<p>html</p>\n"
        "--alt--\n";
    // Without a plain alternative the HTML becomes the text, instead of an empty body.
    CMailDoc html;
    EXPECT_TRUE(Parse(Crlf(htmlOnly), html));
    html.GetBody(body);
    EXPECT_EQ(body, "html");
    EXPECT_TRUE(Names().empty());
}

TEST_F(PerserStructure, ReplyModeAddressesThreadAndSummary)
{
    const char* message =
        "MIME-Version: 1.0\n"
        "From: A <a@example.jp>\n"
        "To: B <b@example.jp>, c@example.jp\n"
        "Cc: D <d@example.jp>\n"
        "Message-ID: <m1@example.jp>\n"
        "References: <r0@example.jp>\n"
        "Subject: Re: topic\n"
        "Date: d\n"
        "Content-Type: multipart/mixed; boundary=b\n"
        "\n"
        "--b\n"
        "\n"
        "hi\n"
        "--b\n"
        "Content-Type: application/pdf; name=x.pdf\n"
        "\n"
        "data\n"
        "--b--\n";
    CMailDoc doc;
    CAddress stale("", "", "old@example.jp");
    doc.AddBccAddress(stale);
    ASSERT_TRUE(Parse(Crlf(message), doc, 1));
    ASSERT_EQ(doc.GetToAddressSize(), 1u);
    EXPECT_EQ(doc.GetToAddress(0)->GetDisplayName(), "A");
    EXPECT_EQ(doc.GetToAddress(0)->GetMailAddress(), "a@example.jp");
    ASSERT_EQ(doc.GetCcAddressSize(), 3u);
    EXPECT_EQ(doc.GetCcAddress(0)->GetMailAddress(), "b@example.jp");
    EXPECT_EQ(doc.GetCcAddress(1)->GetMailAddress(), "c@example.jp");
    EXPECT_EQ(doc.GetCcAddress(2)->GetMailAddress(), "d@example.jp");
    EXPECT_EQ(doc.GetBccAddressSize(), 0u);
    CString text;
    doc.GetInReplyTo(text);
    EXPECT_EQ(text, "<m1@example.jp>");
    doc.GetReferences(text);
    EXPECT_EQ(text, "<r0@example.jp>\r\n\t<m1@example.jp>");
    doc.GetSubject(text);
    EXPECT_EQ(text, "Re: topic");
    doc.GetBody(text);
    EXPECT_EQ(text, "hi");
    doc.GetOriginalSummary(text);
    EXPECT_EQ(text, " From:    A <a@example.jp>\r\n"
                    " To:      B <b@example.jp>;c@example.jp\r\n"
                    " Cc:      D <d@example.jp>\r\n"
                    " Date:    d\r\n"
                    " Subject: Re: topic\r\n"
                    " File:    x.pdf\r\n");
    EXPECT_TRUE(Names().empty());  // a reply writes no attachment
    CMailDoc::FileList files;
    doc.GetFiles(files);
    EXPECT_TRUE(files.empty());

    // Replying to one's own mail: the sender is not repeated among the copies; a message
    // with no Cc and no attachment has a four-line summary and no References of its own.
    CMailDoc self;
    ASSERT_TRUE(Parse(Crlf("MIME-Version: 1.0\nFrom: a@example.jp\nFrom: z@example.jp\n"
                           "To: A@example.jp, b@example.jp\nMessage-ID: <m2@x>\nSubject: s\n"
                           "Date: d\n\nbody\n"), self, 1));
    ASSERT_EQ(self.GetToAddressSize(), 1u);
    ASSERT_EQ(self.GetCcAddressSize(), 1u);
    EXPECT_EQ(self.GetCcAddress(0)->GetMailAddress(), "b@example.jp");
    self.GetReferences(text);
    EXPECT_EQ(text, "<m2@x>");
    self.GetOriginalSummary(text);
    EXPECT_EQ(text, " From:    a@example.jp\r\n To:      A@example.jp;b@example.jp\r\n"
                    " Date:    d\r\n Subject: s\r\n");
}

TEST_F(PerserStructure, AttachedMailSavedUnderItsCleanedSubject)
{
    std::string kanji;
    for (int i = 0; i < 40; ++i) kanji += "件";
    std::string inner1 = "Subject: a/b:c*?<>|\"x\r\nFrom: i@example.jp\r\n\r\nline\r\n.\r\n";
    std::string inner2 = "Subject: x" + kanji + "\r\n\r\nsecond\r\n";
    std::string inner3 = "Subject: ..\r\n\r\ndots\r\n";
    std::string text = Crlf("MIME-Version: 1.0\nSubject: fwd\nContent-Type: multipart/mixed; boundary=\"=_b\"\n\n"
                            "--=_b\nContent-Type: text/plain\n\nsee attached\n").Str() +
                       "--=_b\r\nContent-Type: message/rfc822\r\n\r\n" + inner1 +
                       "\r\n--=_b\r\nContent-Type: message/rfc822\r\n\r\n" + inner2 +
                       "\r\n--=_b\r\nContent-Type: message/rfc822\r\n\r\n" + inner3 + "\r\n--=_b--\r\n";
    CMailDoc doc;
    ASSERT_TRUE(Parse(CString(text), doc));
    std::string cut = "x" + kanji.substr(0, 62);  // 63 bytes: the 32nd character would split
    CMailDoc::FileList files;
    doc.GetFiles(files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, CPath::FromNative((folder / "a_b_c______x.eml").string()));
    EXPECT_EQ(files[0].title, "a/b:c*?<>|\"x");
    // The name is code page 932 text; the file is named with it converted to UTF-8.
    EXPECT_EQ(files[1].path, CPath::FromNative(folder.string()) / CPath::FromText(CString(cut + ".eml")));
    EXPECT_EQ(files[2].path, CPath::FromNative((folder / "attachment3.eml").string()));
    EXPECT_EQ(ReadFile(files[0].path.c_str()), inner1);
    EXPECT_EQ(Names().size(), 3u);
    CString body;
    doc.GetBody(body);
    EXPECT_EQ(body, "see attached");
}

TEST_F(PerserStructure, LargeAttachmentsDecodeAcrossPieces)
{
    // Several megabytes in Base64 lines of 75 characters (groups of four cross line ends)
    // with blanks inside, and in quoted-printable with soft line breaks: the files hold
    // exactly the bytes, wherever the decoding is cut.
    std::string binary;
    unsigned state = 12345;
    for (int i = 0; i < 3 * 1024 * 1024 + 7; ++i) {
        state = state * 1103515245u + 12345u;
        binary += static_cast<char>(state >> 24);
    }
    CString encoded;
    CBase64::Encode(reinterpret_cast<const unsigned char*>(binary.data()),
                    static_cast<unsigned int>(binary.size()), encoded);
    std::string lines;
    for (int i = 0; i < encoded.GetLength(); i += 75) {
        lines += encoded.View().substr(static_cast<std::size_t>(i), 75);
        lines += (i / 75) % 5 == 0 ? " \r\n" : "\r\n";
    }
    std::string qp, line;
    const char* hex = "0123456789ABCDEF";
    for (std::size_t i = 0; i < 1536 * 1024; ++i) {
        unsigned char c = static_cast<unsigned char>(binary[i]);
        if (c >= 33 && c <= 126 && c != '=') line += static_cast<char>(c);
        else line += std::string("=") + hex[c >> 4] + hex[c & 15];
        if (line.size() >= 72) {
            qp += line + "=\r\n";
            line.clear();
        }
    }
    qp += line;
    std::string text = Crlf("MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=big\n\n"
                            "--big\nContent-Type: application/octet-stream; name=b64.bin\n"
                            "Content-Transfer-Encoding: base64\n\n").Str() +
                       lines + "--big\r\nContent-Type: application/octet-stream; name=qp.bin\r\n"
                       "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + qp +
                       "\r\n--big--\r\n";
    CMailDoc doc;
    ASSERT_TRUE(Parse(CString(text), doc));
    EXPECT_TRUE(ReadFile(folder / "b64.bin") == binary);
    EXPECT_TRUE(ReadFile(folder / "qp.bin") == binary.substr(0, 1536 * 1024));
}
