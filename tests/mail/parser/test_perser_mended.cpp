// Verifies the parser's sound behaviour where the original design lost or corrupted data:
// charsets other than ISO-2022-JP, file names in RFC 2231 and Content-Disposition forms,
// parts without a name, names that would leave the folder, planted links, odd structures.
#include "parser/CEMailPerser.h"

#include "model/CMailDoc.h"

#include "PerserTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

CString Crlf(const std::string& text)
{
    CString out;
    for (char c : text) {
        if (c == '\n') out += "\r\n";
        else out += c;
    }
    return out;
}

CString BodyOf(const char* charset, const char* encoding, const std::string& content)
{
    CEMailPerser parser;
    CMailDoc doc;
    std::string text = std::string("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=") +
                       charset + "\r\nContent-Transfer-Encoding: " + encoding + "\r\n\r\n" + content;
    EXPECT_TRUE(parser.Perse(CString(text), CPath(), doc, 0));
    CString body;
    doc.GetBody(body);
    return body;
}

class PerserMended : public PerserFolderTest {
protected:
    // Parses a multipart/mixed message made of a body and the given parts.
    int ParseParts(const std::string& parts, CMailDoc& doc)
    {
        std::string text = "MIME-Version: 1.0\nSubject: s\nContent-Type: multipart/mixed; boundary=b\n\n"
                           "--b\nContent-Type: text/plain\n\nbody\n" + parts + "--b--\n";
        return parser.Perse(Crlf(text), CPath::FromNative(folder.string()), doc, 0);
    }

    std::vector<CString> Titles(const CMailDoc& doc)
    {
        CMailDoc::FileList files;
        doc.GetFiles(files);
        std::vector<CString> titles;
        for (const auto& f : files) titles.push_back(f.title);
        return titles;
    }

    CEMailPerser parser;
};

}  // namespace

TEST(PerserCharsets, BodiesInAnyCharsetBecomeCodePage932)
{
    EXPECT_EQ(BodyOf("utf-8", "base64", "5pel5pys\r\n"), "日本");
    EXPECT_EQ(BodyOf("\"UTF-8\"", "quoted-printable", "=E6=97=A5=\r\n=E6=9C=AC\r\nx"), "日本\r\nx");
    EXPECT_EQ(BodyOf("euc-jp", "8bit", "\xc6\xfc\xcb\xdc"), "日本");
    EXPECT_EQ(BodyOf("Shift_JIS", "8bit", "\x93\xfa\x96\x7b"), "日本");
    EXPECT_EQ(BodyOf("windows-1252", "8bit", "\x80 5"), "\x81\xAC 5");  // no euro sign in 932
    // Unknown charset: ASCII stays, every other byte is 〓; JIS escapes in a text said to be
    // ASCII: JIS.
    EXPECT_EQ(BodyOf("x-martian", "8bit", "a\xc6\xfc"), "a〓〓");
    EXPECT_EQ(BodyOf("us-ascii", "7bit", "\x1b$BF|K\\\x1b(B"), "日本");
    EXPECT_EQ(BodyOf("iso-2022-jp", "7bit", ""), "");
}

TEST_F(PerserMended, FileNamesInEveryFormAndNamelessParts)
{
    CMailDoc doc;
    ASSERT_TRUE(ParseParts(
        "--b\nContent-Type: application/pdf; name*=utf-8''%E6%97%A5%E6%9C%AC.pdf\n\nA\n"
        "--b\nContent-Type: application/octet-stream\nContent-Disposition: attachment; filename=plain.bin\n\nB\n"
        "--b\nContent-Type: application/octet-stream\nContent-Disposition: attachment;\n"
        " filename=\"=?utf-8?B?5pel5pys?=.txt\"\n\nC\n"
        "--b\nContent-Type: application/octet-stream\nContent-Disposition: attachment;\n"
        " filename*0*=iso-2022-jp''%1B%24%42%46%7C; filename*1*=%4B%5C%1B%28%42.doc\n\nD\n"
        "--b\nContent-Type: image/jpeg\nContent-Transfer-Encoding: base64\n\n/9j/\n"
        "--b\nContent-Type: application/x-unheard-of\n\nF\n"
        "--b\nContent-Type: text/html; charset=us-ascii\nContent-Disposition: attachment\n\n<p>G</p>\n",
        doc));
    EXPECT_EQ(Titles(doc), (std::vector<CString>{"日本.pdf", "plain.bin", "日本.txt", "日本.doc",
                                                 "attachment5.jpg", "attachment6",
                                                 "attachment7.html"}));
    EXPECT_EQ(ReadFile(folder / "attachment5.jpg"), "\xff\xd8\xff");
    EXPECT_EQ(ReadFile(folder / u8"日本.pdf"), "A");
    CString body;
    doc.GetBody(body);
    EXPECT_EQ(body, "body");
}

TEST_F(PerserMended, FilesStayInsideTheFolder)
{
    // A link planted under an attachment's name is neither followed nor replaced.
    fs::path outside = root / "outside.txt";
    std::ofstream(outside) << "keep";
    fs::create_symlink(outside, folder / "a.txt");

    CMailDoc doc;
    ASSERT_TRUE(ParseParts(
        "--b\nContent-Type: text/plain; name=\"a.txt\"\n\nnew\n"
        "--b\nContent-Type: application/octet-stream; name=\"../../escape\"\n\nX\n"
        "--b\nContent-Type: application/octet-stream; name=\"..\"\n\nY\n"
        "--b\nContent-Type: application/octet-stream; name=\" . \"\n\nZ\n"
        "--b\nContent-Type: application/octet-stream; name=\"/etc/passwd\"\n\nW\n"
        "--b\nContent-Type: application/octet-stream; name=\"a\x01\tb\"\n\nV\n",
        doc));
    EXPECT_EQ(ReadFile(outside), "keep");
    EXPECT_EQ(ReadFile(folder / "a.txt_1"), "new");
    EXPECT_EQ(Titles(doc), (std::vector<CString>{"a.txt", ".._.._escape", "attachment3",
                                                 "attachment4", "_etc_passwd", "a__b"}));
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(root)) {
        (void)entry;
        ++count;
    }
    EXPECT_EQ(count, 2u);  // TEMP and outside.txt: nothing landed beside the folder

    // A name far longer than the file system allows is shortened, keeping its extension.
    std::string longName(400, 'n');
    CMailDoc big;
    ASSERT_TRUE(ParseParts("--b\nContent-Type: application/pdf; name=\"" + longName + ".pdf\"\n\nL\n", big));
    CMailDoc::FileList files;
    big.GetFiles(files);
    ASSERT_EQ(files.size(), 1u);
    fs::path written(files[0].path.Native());
    EXPECT_LE(written.filename().string().size(), 200u);
    EXPECT_EQ(written.extension(), ".pdf");
    EXPECT_EQ(ReadFile(written), "L");
}

TEST_F(PerserMended, WrittenFilesAreNeverExecutable)
{
    // Whatever the name says and whatever the process's umask, an attachment lands as a
    // plain file only its owner may read and write, so that opening it can never run it.
    const mode_t old = umask(0);
    CMailDoc doc;
    const int parsed = ParseParts(
        "--b\nContent-Type: application/x-sh; name=\"run.sh\"\n\n#!/bin/sh\ntouch /tmp/x\n"
        "--b\nContent-Type: application/x-desktop; name=\"app.desktop\"\n\n[Desktop Entry]\nExec=true\n"
        "--b\nContent-Type: application/x-msdownload; name=\"setup.exe\"\nContent-Transfer-Encoding: base64\n\n"
        "TVqQAAMAAAAEAAAA\n"
        "--b\nContent-Type: message/rfc822\n\nSubject: inner\n\ntext\n",
        doc);
    umask(old);
    ASSERT_TRUE(parsed);
    CMailDoc::FileList files;
    doc.GetFiles(files);
    ASSERT_EQ(files.size(), 4u);
    for (const CMailDoc::FileInfo& file : files) {
        const fs::perms perms = fs::status(file.path.Native()).permissions();
        EXPECT_EQ(perms, fs::perms::owner_read | fs::perms::owner_write) << file.path.Native();
    }
}

TEST_F(PerserMended, StructuresTheDesignDidNotFollow)
{
    // Nested mixed and related parts inside mixed, a boundary that another one starts with,
    // and a version with a comment.
    const char* text =
        "MIME-Version: 1.0 (Apple Message framework v1)\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\n"
        "\n"
        "--b\n"
        "Content-Type: multipart/related; boundary=\"b2\"\n"
        "\n"
        "--b2\n"
        "Content-Type: multipart/alternative; boundary=\"b22\"\n"
        "\n"
        "--b22\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "5pel5pys\n"
        "--b22--\n"
        "--b2\n"
        "Content-Type: image/png; name=i.png\n"
        "Content-Transfer-Encoding: base64\n"
        "\n"
        "iVBO\n"
        "\n"
        "--b2--\n"
        "--b\n"
        "Content-Type: multipart/mixed; boundary=\"bb\"\n"
        "\n"
        "--bb\n"
        "Content-Type: application/zip; name=z.zip\n"
        "\n"
        "--b is not a delimiter here\n"
        "--bb--\n"
        "--b--\n";
    CMailDoc doc;
    ASSERT_TRUE(parser.Perse(Crlf(text), CPath::FromNative(folder.string()), doc, 0));
    CString body;
    doc.GetBody(body);
    EXPECT_EQ(body, "日本");
    EXPECT_EQ(Titles(doc), (std::vector<CString>{"i.png", "z.zip"}));
    EXPECT_EQ(ReadFile(folder / "i.png"), "\x89PN");
    EXPECT_EQ(ReadFile(folder / "z.zip"), "--b is not a delimiter here");
}

TEST_F(PerserMended, NonMimeAndHostileMessages)
{
    // Not MIME: plain text all the same.
    CMailDoc plain;
    EXPECT_TRUE(parser.Perse(Crlf("From: a@example.jp\nTo: b@example.jp, \nSubject: old\n\nbody\n"),
                             CPath::FromNative(folder.string()), plain, 0));
    CString text;
    plain.GetBody(text);
    EXPECT_EQ(text, "body\r\n");
    plain.GetSubject(text);
    EXPECT_EQ(text, "old");
    EXPECT_EQ(plain.GetToAddressSize(), 1u);  // the empty entry after the comma adds nobody
    plain.GetOriginalSummary(text);
    EXPECT_EQ(text, " From:    a@example.jp\r\n To:      b@example.jp;\r\n Date:    \r\n Subject: old\r\n");
    CString subject;
    EXPECT_TRUE(parser.GetSubject(Crlf("MIME-Version: 1.0\nSubject: =?utf-8?B?5pel5pys?=\n\nx"), subject));
    EXPECT_EQ(subject, "日本");

    // Thousands of nested multiparts and attached mails end without exhausting the stack.
    std::string deep;
    for (int i = 0; i < 5000; ++i) {
        std::string b = "b" + std::to_string(i);
        deep += "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=" + b + "\n\n--" + b +
                (i % 2 ? "\nContent-Type: message/rfc822\n\n" : "\n");
    }
    deep += "Content-Type: text/plain\n\nx\n";
    for (int i = 4999; i >= 0; --i) deep += "--b" + std::to_string(i) + "--\n";
    CMailDoc nested;
    (void)parser.Perse(Crlf(deep), CPath::FromNative(folder.string()), nested, 0);
    (void)parser.Perse(Crlf(deep), CPath(), nested, 1);

    // Truncated and malformed pieces are read as far as they go.
    for (const char* broken : {"MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\r\n\r\n--\r\n",
                               "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=q\r\n\r\n--q\r\nContent-Type: text/plain; name=",
                               "MIME-Version: 1.0\r\n\r\n", "MIME-Version: 1.0", "", "\r\n\r\n--q--",
                               "MIME-Version: 1.0\r\nContent-Type: image/png\r\n"}) {
        CMailDoc doc;
        (void)parser.Perse(CString(broken), CPath::FromNative(folder.string()), doc, 0);
    }
}

TEST_F(PerserMended, CorpusAndFuzzFindingsParseInBothModes)
{
    // Every corpus message, and every input the fuzzer once crashed on, parses in both modes
    // and leaves files only in the folder.
    std::size_t count = 0;
    for (const char* sub : {"", "fuzz"}) {
        fs::path dir = fs::path(QUILLON_TEST_DATA) / sub;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".py") continue;
            CString text(ReadFile(entry.path()));
            CMailDoc doc, reply;
            (void)parser.Perse(text, CPath::FromNative(folder.string()), doc, 0);
            (void)parser.Perse(text, CPath(), reply, 1);
            CMailDoc::FileList files;
            doc.GetFiles(files);
            for (const auto& f : files)
                EXPECT_EQ(fs::path(f.path.Native()).parent_path(), folder) << entry.path();
            ++count;
        }
    }
    EXPECT_GE(count, 14u);
}
