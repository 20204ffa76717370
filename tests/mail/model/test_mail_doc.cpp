// Verifies CMailDoc: letter assembly, the size estimate, the modified flag, recipient lists
// and the working folder that ClearAll deletes.
#include "model/CMailDoc.h"

#include "model/CFileUtility.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string MakeScratchFolder()
{
    const char* base = std::getenv("XDG_DATA_HOME");
    std::string root = base && *base ? base : "/tmp";
    std::string cmd = "mkdir -p '" + root + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::string templ = root + "/maildoc-XXXXXX";
    EXPECT_NE(mkdtemp(templ.data()), nullptr);
    return templ;
}

void WriteBytes(const std::string& nativePath, std::size_t count)
{
    std::ofstream out(nativePath, std::ios::binary);
    out << std::string(count, 'x');
}

bool IsOnDisk(const std::string& nativePath)
{
    struct stat info;
    return lstat(nativePath.c_str(), &info) == 0;
}

CString Letter(const CMailDoc& doc)
{
    CString text;
    doc.GetBodyWithLetter(text);
    return text;
}

}  // namespace

TEST(CMailDoc, BodyWithLetter)
{
    CMailDoc doc;
    EXPECT_EQ(Letter(doc), "");

    // The separator comes even with nothing above it.
    doc.SetClosing("A");
    EXPECT_EQ(Letter(doc), "\r\n\r\nA");

    doc.SetClosing("");
    doc.SetUpperReplyFlg(1);
    doc.SetBody("R\r\n----- Original Message\r\nQ");
    doc.SetSignature("S");
    EXPECT_EQ(Letter(doc), "R\r\n\r\nS\r\n\r\n\r\n----- Original Message\r\nQ");

    doc.SetClosing("C");
    doc.SetDear("D");
    doc.SetGreeting("G");
    EXPECT_EQ(Letter(doc), "D\r\n\r\nG\r\n\r\nR\r\n\r\nC\r\n\r\nS\r\n\r\n\r\n----- Original Message\r\nQ");

    // Without the flag the closing and signature follow the whole body, quote included.
    doc.SetUpperReplyFlg(0);
    EXPECT_EQ(Letter(doc), "D\r\n\r\nG\r\n\r\nR\r\n----- Original Message\r\nQ\r\n\r\nC\r\n\r\nS");

    // The marker needs its line end before it and is case-sensitive; a blank-only piece is
    // not empty.
    doc.SetDear("");
    doc.SetGreeting(" ");
    doc.SetUpperReplyFlg(1);
    doc.SetBody("----- Original Message\r\nR\r\n----- original message\r\nQ");
    EXPECT_EQ(Letter(doc),
              " \r\n\r\n----- Original Message\r\nR\r\n----- original message\r\nQ\r\n\r\nC\r\n\r\nS");

    // Japanese text passes through as it is.
    doc.SetGreeting("");
    doc.SetClosing("");
    doc.SetSignature("");
    doc.SetBody("\x95\x5C\r\n----- Original Message");
    EXPECT_EQ(Letter(doc), "\x95\x5C\r\n\r\n\r\n----- Original Message");
}

TEST(CMailDoc, MailSize)
{
    CMailDoc doc;
    EXPECT_EQ(doc.GetMailSize(), 4u);

    std::string folder = MakeScratchFolder();
    WriteBytes(folder + "/a.bin", 100);
    CMailDoc::FileList files;
    files.push_back({CPath::FromNative(folder + "/a.bin"), "a"});
    doc.SetFiles(files);
    // 100 bytes: one 72-character line with CR LF (74) and 46 bytes left (61 characters,
    // rounded up by a padding group to 64).
    EXPECT_EQ(doc.GetMailSize(), 4u + 138u);

    // A file that has gone counts as an empty one.
    files.push_back({CPath::FromNative(folder + "/missing.bin"), "m"});
    doc.SetFiles(files);
    EXPECT_EQ(doc.GetMailSize(), 4u + 138u + 4u);

    doc.SetBody(CString('x', 54));
    EXPECT_EQ(doc.GetMailSize(), 78u + 138u + 4u);
    EXPECT_EQ(doc.GetBodySize(), 54u);

    unlink((folder + "/a.bin").c_str());
    rmdir(folder.c_str());
}

TEST(CMailDoc, ModifiedFlagAndRecipients)
{
    CMailDoc doc;
    EXPECT_FALSE(doc.IsModified());

    // Account and transport settings do not mark the message modified.
    doc.SetMailerName("Quillon");
    doc.SetSendServer("smtp.example.jp", 587);
    doc.SetSenderBccFlg(1);
    doc.SetUpperReplyFlg(1);
    doc.SetFromAddress(CAddress("", "Me", "me@example.jp"));
    doc.SetReplyAddress(CAddress("", "", "re@example.jp"));
    EXPECT_FALSE(doc.IsModified());

    // Null elements are skipped; an array of nothing but nulls succeeds without an add.
    CPtrArray nulls{nullptr, nullptr};
    EXPECT_NE(doc.AddCcAddresses(nulls), 0);
    EXPECT_EQ(doc.GetCcAddressSize(), 0u);
    EXPECT_FALSE(doc.IsModified());

    doc.SetSubject("s");
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedFlag(0);
    doc.SetType(CMailDoc::ReplyMail);
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedFlag(0);
    doc.SetFiles({});
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedFlag(0);

    // Values are copied in: changing the caller's object later does not reach the document.
    CAddress a("g", "A", "a@example.jp");
    CAddress b("", "B", "b@example.jp");
    CPtrArray mixed{&a, nullptr, &b};
    EXPECT_NE(doc.AddToAddresses(mixed), 0);
    EXPECT_TRUE(doc.IsModified());
    a.SetMailAddress("changed@example.jp");
    ASSERT_EQ(doc.GetToAddressSize(), 2u);
    EXPECT_EQ(doc.GetToAddress(0)->GetMailAddress(), "a@example.jp");
    EXPECT_EQ(doc.GetToAddress(0)->GetGroupName(), "g");
    EXPECT_EQ(doc.GetToAddress(1)->GetDisplayName(), "B");

    doc.SetModifiedFlag(0);
    EXPECT_NE(doc.AddBccAddresses(std::vector<CAddress>{}), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_NE(doc.AddBccAddresses(std::vector<CAddress>{a, b}), 0);
    ASSERT_EQ(doc.GetBccAddressSize(), 2u);
    EXPECT_EQ(doc.GetBccAddress(0)->GetMailAddress(), "changed@example.jp");

    CAddress from;
    doc.GetFromAddress(from);
    EXPECT_EQ(from.ToText(), "Me <me@example.jp>");
    CString server;
    long port = 0;
    doc.GetSendServer(server, port);
    EXPECT_EQ(server, "smtp.example.jp");
    EXPECT_EQ(port, 587);
}

TEST(CMailDoc, TempPathAndClearAll)
{
    // The data folder under ".../café/": a path code page 932 cannot hold is used as it is.
    std::string root = MakeScratchFolder() + "/caf\xC3\xA9";
    ASSERT_EQ(mkdir(root.c_str(), 0700), 0);

    CMailDoc doc;
    // An existing folder is refused and the stored path stays as it was.
    EXPECT_EQ(doc.SetTempPath(CPath::FromNative(root)), 0);
    CPath temp;
    doc.GetTempPathA(temp);
    EXPECT_TRUE(temp.IsEmpty());

    // "添付" as the folder name: created with mode 0700.
    std::string nativeTemp = root + "/\xE6\xB7\xBB\xE4\xBB\x98";
    CPath tempPath = CPath::FromNative(nativeTemp);
    ASSERT_NE(doc.SetTempPath(tempPath), 0);
    doc.GetTempPathA(temp);
    EXPECT_EQ(temp, tempPath);
    struct stat info;
    ASSERT_EQ(stat(nativeTemp.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(doc.SetTempPath(tempPath), 0);

    // Files with a Japanese name, a name code page 932 cannot hold and a dot name all go.
    WriteBytes(nativeTemp + "/\xE8\xA1\xA8.txt", 10);
    WriteBytes(nativeTemp + "/\xF0\x9F\x98\x80.bin", 10);
    WriteBytes(nativeTemp + "/.hidden", 1);

    doc.SetFromAddress(CAddress("", "Me", "me@example.jp"));
    doc.SetSendServer("smtp.example.jp", 25);
    doc.SetMailerName("Quillon");
    doc.SetUpperReplyFlg(1);
    doc.SetType(CMailDoc::ForwardMail);
    doc.SetInReplyTo("<id@example.jp>");
    doc.SetSubject("s");
    doc.SetDear("d");
    doc.SetBody("b");
    doc.SetSignature("sig");
    doc.AddToAddress(CAddress("", "", "to@example.jp"));
    doc.AddCcAddress(CAddress("", "", "cc@example.jp"));
    doc.AddBccAddress(CAddress("", "", "bcc@example.jp"));
    doc.SetFiles({{CPath::FromNative("/x/a.txt"), "a"}});
    ASSERT_TRUE(doc.IsModified());

    doc.ClearAll();
    EXPECT_FALSE(IsOnDisk(nativeTemp));
    doc.GetTempPathA(temp);
    EXPECT_TRUE(temp.IsEmpty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetToAddressSize() + doc.GetCcAddressSize() + doc.GetBccAddressSize(), 0u);
    CMailDoc::FileList files;
    doc.GetFiles(files);
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(Letter(doc), "");
    CString text;
    doc.GetSubject(text);
    EXPECT_EQ(text, "");

    // What belongs to the account and the threading stays.
    CAddress from;
    doc.GetFromAddress(from);
    EXPECT_EQ(from.GetMailAddress(), "me@example.jp");
    CString server;
    long port = 0;
    doc.GetSendServer(server, port);
    EXPECT_EQ(server, "smtp.example.jp");
    EXPECT_EQ(port, 25);
    doc.GetMailerName(text);
    EXPECT_EQ(text, "Quillon");
    doc.GetInReplyTo(text);
    EXPECT_EQ(text, "<id@example.jp>");
    EXPECT_EQ(doc.GetUpperReplyFlg(), 1);
    EXPECT_EQ(doc.GetType(), CMailDoc::ForwardMail);

    // A sub-folder cannot be deleted as a file: the files go, the folder stays, no error.
    ASSERT_NE(doc.SetTempPath(tempPath), 0);
    WriteBytes(nativeTemp + "/f.txt", 1);
    ASSERT_EQ(mkdir((nativeTemp + "/sub").c_str(), 0700), 0);
    doc.ClearAll();
    EXPECT_FALSE(IsOnDisk(nativeTemp + "/f.txt"));
    EXPECT_TRUE(IsOnDisk(nativeTemp + "/sub"));
    rmdir((nativeTemp + "/sub").c_str());
    rmdir(nativeTemp.c_str());

    // The destructor clears too, taking the working folder with it.
    {
        CMailDoc* owned = CMailDoc::Create();
        ASSERT_NE(owned, nullptr);
        ASSERT_NE(owned->SetTempPath(tempPath), 0);
        WriteBytes(nativeTemp + "/g.txt", 1);
        delete owned;
    }
    EXPECT_FALSE(IsOnDisk(nativeTemp));
    rmdir(root.c_str());
    rmdir(CPath::FromNative(root).Parent().c_str());
}
