// Verifies the draft format: every document field survives a round trip byte for byte, the
// password never reaches the draft, and a draft cut short or damaged anywhere is refused whole.
#include "model/CMailDraft.h"

#include "model/CMailDoc.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// Code page 932 bytes with a 0x5C trail byte ("ソ" 0x83 0x5C, "表" 0x95 0x5C), half-width
// kana, CR LF inside a field, a NUL, and text that looks like the format's own lines.
const std::string kTricky = std::string("\x83\x5C\x95\x5C \xB1\xB2\r\nline\r\n", 15) + std::string(1, '\0') +
                            "end 1\r\n8:00000000\r\n" + "5:abc\r\n";

std::string ScratchFolder()
{
    const char* base = std::getenv("XDG_DATA_HOME");
    std::string root = base && *base ? base : "/tmp";
    std::system(("mkdir -p '" + root + "'").c_str());
    std::string folder = root + "/draft-XXXXXX";
    EXPECT_NE(mkdtemp(folder.data()), nullptr);
    return folder;
}

void Fill(CMailDoc& doc, const std::string& temp)
{
    doc.SetType(CMailDoc::ReplyMail);
    doc.SetOriginalSummary(CString(kTricky + "summary"));
    doc.SetSubject(CString(kTricky + "subject"));
    doc.SetDear(CString("dear " + kTricky));
    doc.SetGreeting(CString("greeting"));
    std::string body;
    for (int i = 0; i < 300; ++i)
        body += "\x96\x7B\x95\xB6 line " + std::to_string(i) + "\r\n";  // 本文
    doc.SetBody(CString(body + kTricky));
    doc.SetClosing(CString("closing"));
    doc.SetSignature(CString("-- \r\nsig " + kTricky));
    doc.SetInReplyTo("<a@b>");
    doc.SetReferences("<x@y> <a@b>");
    doc.SetFromAddress(CAddress("", "\x8E\x52\x93\x63", "taro@example.com"));  // 山田
    doc.SetReplyAddress(CAddress("", "reply", "reply@example.com"));
    doc.AddToAddress(CAddress("group\x83\x5C", "To One", "one@example.com"));
    doc.AddToAddress(CAddress("", "", "two@example.com"));
    doc.AddCcAddress(CAddress("", "\"Cc, Quoted\"", "cc@example.com"));
    doc.AddBccAddress(CAddress("", "", "bcc@example.com"));
    CMailDoc::FileList files;
    files.push_back({CPath::FromNative("/tmp/caf\xC3\xA9/\xFF\xFEnot-utf8.bin"), CString("not utf8")});
    files.push_back({CPath::FromNative(temp + "/mail.eml"), CString(kTricky)});
    doc.SetFiles(files);
    doc.SetSenderBccFlg(1);
    doc.SetUpperReplyFlg(1);
    doc.SetCharset(CMailDoc::CharsetUtf8);
    doc.SetReplaceMode(CJisFallback::ReplaceSymbolsAndVariants);
    doc.SetMailerName("Velto Quillon 2.1");
    doc.SetSendServer("smtp.example.com", 587);
    CSmtpSecurity security;
    security.tls = CSmtpSecurity::TlsStartTls;
    security.needAuth = 1;
    security.method = CSmtpSecurity::MethodPopBeforeSmtp;
    security.account = "p\xC3\xA4ss-user";
    security.password = "s3cret-pass-word";
    security.receiveServer = "pop.example.com";
    security.receivePort = 995;
    security.receiveTls = CSmtpSecurity::TlsImplicit;
    doc.SetSendSecurity(security);
    doc.AdoptTempPath(CPath::FromNative(temp));
}

CString Text(const CMailDoc& doc, void (CMailDoc::*get)(CString&) const)
{
    CString value;
    (doc.*get)(value);
    return value;
}

void ExpectSameAddress(const CAddress& a, const CAddress& b)
{
    EXPECT_EQ(a.GetGroupName(), b.GetGroupName());
    EXPECT_EQ(a.GetDisplayName(), b.GetDisplayName());
    EXPECT_EQ(a.GetMailAddress(), b.GetMailAddress());
}

}  // namespace

TEST(CMailDraft, EveryFieldSurvivesARoundTrip)
{
    const std::string temp = ScratchFolder();
    CMailDoc doc;
    Fill(doc, temp);
    const std::vector<CDraftRecord> extras = {{"page", {"Body", "editor:1006", "{\\rtf1 " + kTricky + "}"}},
                                              {"wizard", {"Address"}},
                                              {"empty", {}}};
    const std::string draft = CMailDraft::Write(doc, extras);
    EXPECT_EQ(draft.find("s3cret-pass-word"), std::string::npos) << "the password is never written";

    CMailDoc restored;
    std::vector<CDraftRecord> back;
    ASSERT_TRUE(CMailDraft::Read(draft, restored, back));
    EXPECT_EQ(back, extras);
    EXPECT_EQ(restored.GetType(), CMailDoc::ReplyMail);
    for (auto get : {&CMailDoc::GetOriginalSummary, &CMailDoc::GetSubject, &CMailDoc::GetDear,
                     &CMailDoc::GetGreeting, &CMailDoc::GetBody, &CMailDoc::GetClosing, &CMailDoc::GetSignature,
                     &CMailDoc::GetInReplyTo, &CMailDoc::GetReferences, &CMailDoc::GetMailerName})
        EXPECT_EQ(Text(restored, get), Text(doc, get));
    CAddress a, b;
    doc.GetFromAddress(a);
    restored.GetFromAddress(b);
    ExpectSameAddress(a, b);
    doc.GetReplyAddress(a);
    restored.GetReplyAddress(b);
    ExpectSameAddress(a, b);
    ASSERT_EQ(restored.GetToAddressSize(), 2u);
    ASSERT_EQ(restored.GetCcAddressSize(), 1u);
    ASSERT_EQ(restored.GetBccAddressSize(), 1u);
    for (unsigned int i = 0; i < 2; ++i)
        ExpectSameAddress(*restored.GetToAddress(i), *doc.GetToAddress(i));
    ExpectSameAddress(*restored.GetCcAddress(0), *doc.GetCcAddress(0));
    ExpectSameAddress(*restored.GetBccAddress(0), *doc.GetBccAddress(0));
    CMailDoc::FileList files, restoredFiles;
    doc.GetFiles(files);
    restored.GetFiles(restoredFiles);
    ASSERT_EQ(restoredFiles.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(restoredFiles[i].path, files[i].path);
        EXPECT_EQ(restoredFiles[i].title, files[i].title);
    }
    EXPECT_EQ(restored.GetSenderBccFlg(), 1);
    EXPECT_EQ(restored.GetUpperReplyFlg(), 1);
    EXPECT_EQ(restored.GetCharset(), CMailDoc::CharsetUtf8);
    EXPECT_EQ(restored.GetReplaceMode(), CJisFallback::ReplaceSymbolsAndVariants);
    CString server;
    long port = 0;
    restored.GetSendServer(server, port);
    EXPECT_EQ(server, "smtp.example.com");
    EXPECT_EQ(port, 587);
    CSmtpSecurity security;
    restored.GetSendSecurity(security);
    EXPECT_EQ(security.tls, CSmtpSecurity::TlsStartTls);
    EXPECT_EQ(security.needAuth, 1);
    EXPECT_EQ(security.method, CSmtpSecurity::MethodPopBeforeSmtp);
    EXPECT_EQ(security.account, "p\xC3\xA4ss-user");
    EXPECT_TRUE(security.password.IsEmpty());
    EXPECT_EQ(security.receiveServer, "pop.example.com");
    EXPECT_EQ(security.receivePort, 995);
    EXPECT_EQ(security.receiveTls, CSmtpSecurity::TlsImplicit);
    CPath path;
    restored.GetTempPathA(path);
    EXPECT_EQ(path.Native(), temp);
    EXPECT_TRUE(restored.IsModified());

    // Written again, the restored document gives the same bytes but the password's absence.
    CSmtpSecurity withPassword = security;
    withPassword.password = "s3cret-pass-word";
    restored.SetSendSecurity(withPassword);
    EXPECT_EQ(CMailDraft::Write(restored, back), draft);

    // The document, not the draft, owns the folder from now on: only one of them deletes it.
    restored.ClearAll();
    doc.ClearAll();
    struct stat info;
    EXPECT_NE(lstat(temp.c_str(), &info), 0);
}

TEST(CMailDraft, AnEmptyDocumentAndAMissingFolder)
{
    CMailDoc doc;
    doc.SetSendServer("", 25);
    CMailDoc restored;
    std::vector<CDraftRecord> extras;
    ASSERT_TRUE(CMailDraft::Read(CMailDraft::Write(doc, {}), restored, extras));
    EXPECT_TRUE(extras.empty());
    EXPECT_EQ(restored.GetToAddressSize(), 0u);
    EXPECT_FALSE(restored.IsModified());

    // A folder that is gone by the time the draft is read is not made again.
    const std::string temp = ScratchFolder();
    CMailDoc withFolder;
    ASSERT_TRUE(withFolder.AdoptTempPath(CPath::FromNative(temp)));
    const std::string draft = CMailDraft::Write(withFolder, {});
    std::vector<CDraftRecord> records;
    ASSERT_TRUE(CMailDraft::Parse(draft, records));
    EXPECT_EQ(CMailDraft::TempPathOf(records), temp);
    withFolder.ClearAll();
    CMailDoc target;
    ASSERT_TRUE(CMailDraft::Read(draft, target, extras));
    CPath path;
    target.GetTempPathA(path);
    EXPECT_TRUE(path.IsEmpty());
}

TEST(CMailDraft, ACutOrDamagedDraftIsRefusedWhole)
{
    EXPECT_EQ(CMailDraft::Crc32("123456789"), 0xCBF43926u);  // the check value of CRC-32

    CMailDoc doc;
    doc.SetSubject("subject");
    doc.SetBody("body\r\nline");
    doc.AddToAddress(CAddress("", "n", "a@b"));
    const std::string draft = CMailDraft::Write(doc, {{"page", {"Body", "k", "v"}}});

    // Every cut: the program killed while writing a file it did not rename.
    for (std::size_t length = 0; length < draft.size(); ++length) {
        CMailDoc target;
        target.SetSubject("untouched");
        std::vector<CDraftRecord> extras;
        ASSERT_FALSE(CMailDraft::Read(draft.substr(0, length), target, extras)) << "cut at " << length;
        CString subject;
        target.GetSubject(subject);
        ASSERT_EQ(subject, "untouched");
    }
    // Every single damaged byte, and bytes after the end.
    for (std::size_t i = 0; i < draft.size(); ++i) {
        std::string damaged = draft;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x20);
        CMailDoc target;
        std::vector<CDraftRecord> extras;
        ASSERT_FALSE(CMailDraft::Read(damaged, target, extras)) << "byte " << i;
    }
    CMailDoc target;
    std::vector<CDraftRecord> extras;
    EXPECT_FALSE(CMailDraft::Read(draft + "x", target, extras));
    EXPECT_TRUE(CMailDraft::Read(draft, target, extras));

    // A value out of its range, with a correct CRC, is refused too.
    std::vector<CDraftRecord> records;
    ASSERT_TRUE(CMailDraft::Parse(draft, records));
    std::string bad = std::string(CMailDraft::kMagic) + "\r\ntype 1\r\n1:7\r\n";
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned int>(CMailDraft::Crc32(bad)));
    bad += std::string("end 1\r\n8:") + crc + "\r\n";
    EXPECT_TRUE(CMailDraft::Parse(bad, records));
    EXPECT_FALSE(CMailDraft::Read(bad, target, extras));
}
