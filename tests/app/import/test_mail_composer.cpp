// Verifies reply, forward, reference and attach on a real document: prefixes without regard
// to case, recipients per command, the attachments of a forwarded mail in the temporary
// folder, attached mails named "（件名なし）.eml" and "_1.eml" without Thunderbird's own
// headers, the question only for a modified document, and a failed attach that says so.
#include "TempDataFolder.h"
#include "MessageBoxScript.h"

#include "import/CMailComposer.h"
#include "import/CMailSource.h"
#include "import/CThunderbirdStore.h"
#include "import/MailImportTexts.h"
#include "model/CMailDoc.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using namespace MailImportTexts;

namespace {

const std::string kReply =
    "From: Alice <alice@example.com>\nTo: bob@example.com\nCc: carol@example.com\nSubject: re: hello\n"
    "Message-ID: <1@example.com>\nMIME-Version: 1.0\nContent-Type: text/plain; charset=us-ascii\n\nhi\n";

const std::string kTwoAttachments =
    "From: Alice <alice@example.com>\r\nTo: bob@example.com\r\nCc: carol@example.com\r\nSubject: report\r\n"
    "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
    "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nsee attached\r\n"
    "--b\r\nContent-Type: text/plain; name=\"a.txt\"\r\nContent-Disposition: attachment; filename=\"a.txt\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nYWFh\r\n"
    "--b\r\nContent-Type: application/pdf; name=\"b.pdf\"\r\nContent-Disposition: attachment; filename=\"b.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n--b--\r\n";

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ComposerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(home.DataFolder());  // the program has made it at start
        doc.reset(CMailDoc::Create());
    }

    CMailComposer Composer() { return CMailComposer(*doc, CPath::FromNative(home.DataFolder().string())); }
    std::string Subject() const
    {
        CString subject;
        doc->GetSubject(subject);
        return subject.Str();
    }
    fs::path Temp() const
    {
        CPath temp;
        doc->GetTempPathA(temp);
        return fs::path(temp.Native());
    }
    // `mail` as the pending mail of a drop.
    static CMailSource Pending(const std::string& mail)
    {
        struct Offered : COfferedMail {
            bool Has(Format format) const override { return format == InternetMessage; }
            std::string Bytes(Format) const override { return mail; }
            std::vector<CPath> Files() const override { return {}; }
            std::string mail;
        } offered;
        offered.mail = mail;
        CMailSource source;
        CString detail;
        EXPECT_EQ(source.Take(offered, CThunderbirdStore(std::vector<CPath>()), detail), CMailSource::Taken);
        return source;
    }

    TempDataFolder home;
    MessageBoxScript boxes;
    std::unique_ptr<CMailDoc> doc;
};

}  // namespace

TEST(ComposerRules, PrefixAndFileNames)
{
    EXPECT_EQ(CMailComposer::PrefixedSubject("hello", "Re: ").Str(), "Re: hello");
    EXPECT_EQ(CMailComposer::PrefixedSubject("re: hello", "Re: ").Str(), "re: hello");
    EXPECT_EQ(CMailComposer::PrefixedSubject("RE: hello", "Re: ").Str(), "RE: hello");
    EXPECT_EQ(CMailComposer::PrefixedSubject("FW: x", "Fw: ").Str(), "FW: x");
    EXPECT_EQ(CMailComposer::PrefixedSubject("Re:x", "Re: ").Str(), "Re: Re:x");
    EXPECT_EQ(CMailComposer::PrefixedSubject("x", "").Str(), "x");
    // Prohibited characters replaced, control characters too, 64 bytes without splitting a
    // double-byte character.
    EXPECT_EQ(CMailComposer::AttachmentName("a/b:c*d?\"e<f>g|h\\i\tj").Str(), "a_b_c_d__e_f_g_h_i_j");
    const CString japanese("日本語の件名日本語の件名日本語の件名日本語の件名日本語の件名日本語の件名");
    const CString cut = CMailComposer::AttachmentName(japanese);
    EXPECT_EQ(cut.GetLength(), 64);
    EXPECT_EQ(cut.Str(), japanese.Str().substr(0, 64));
    EXPECT_EQ(CMailComposer::AttachmentName(CString("x") + japanese).GetLength(), 63);
    EXPECT_EQ(CMailComposer::AttachmentName("..").Str(), kNoSubject);
    // Thunderbird's own fields leave, folded lines with them; the body is untouched.
    EXPECT_EQ(CMailComposer::WithoutMozillaHeaders("X-Mozilla-Status: 0001\nSubject: a\nX-Mozilla-Keys: x\n  y\n"
                                                   "X-Mozilla-Status2: 0\n\nX-Mozilla-Status: body\n")
                  .Str(),
              "Subject: a\n\nX-Mozilla-Status: body\n");
}

TEST_F(ComposerTest, ReplyForwardAndReference)
{
    ASSERT_EQ(Composer().Compose(CMailComposer::ID_REPLY, CString(kReply)), 1);
    EXPECT_EQ(Subject(), "re: hello");  // lower-case prefix kept
    EXPECT_EQ(doc->GetType(), CMailDoc::ReplyMail);
    ASSERT_EQ(doc->GetToAddressSize(), 1u);
    EXPECT_EQ(doc->GetToAddress(0)->GetMailAddress().Str(), "alice@example.com");
    EXPECT_TRUE(doc->IsModified());

    ASSERT_EQ(Composer().Compose(CMailComposer::ID_FORWARD, CString(kTwoAttachments)), 1);
    EXPECT_EQ(Subject(), "Fw: report");
    EXPECT_EQ(doc->GetType(), CMailDoc::ForwardMail);
    EXPECT_EQ(doc->GetToAddressSize() + doc->GetCcAddressSize() + doc->GetBccAddressSize(), 0u);
    const fs::path temp = Temp();
    EXPECT_TRUE(std::regex_match(temp.filename().string(), std::regex("[0-9A-F]{8}_[0-9A-F]{8}")));
    EXPECT_EQ(temp.parent_path(), home.DataFolder() / "TEMP");
    CMailDoc::FileList files;
    doc->GetFiles(files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(ReadAll(files[0].path.Native()), "aaa");
    EXPECT_EQ(ReadAll(files[1].path.Native()), "%PDF");
    for (const CMailDoc::FileInfo& file : files) EXPECT_EQ(fs::path(file.path.Native()).parent_path(), temp);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp), fs::directory_iterator()), 2);

    ASSERT_EQ(Composer().Compose(CMailComposer::ID_REFERENCE, CString(kTwoAttachments)), 1);
    EXPECT_EQ(Subject(), "report");
    EXPECT_EQ(doc->GetType(), CMailDoc::NewMail);
    ASSERT_EQ(doc->GetToAddressSize(), 1u);
    EXPECT_EQ(doc->GetToAddress(0)->GetMailAddress().Str(), "bob@example.com");
    ASSERT_EQ(doc->GetCcAddressSize(), 1u);
    EXPECT_EQ(doc->GetCcAddress(0)->GetMailAddress().Str(), "carol@example.com");
}

TEST_F(ComposerTest, AttachedMailsWithoutSubject)
{
    const std::string mail = "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\nSubject: \nMIME-Version: 1.0\n\nbody\n";
    doc->SetSubject("kept");
    doc->SetModifiedFlag(0);
    CMailSource source = Pending(mail);
    ASSERT_EQ(Composer().Run(CMailComposer::ID_ATTACH, source, {}), 1);
    source = Pending(mail);
    ASSERT_EQ(Composer().Run(CMailComposer::ID_ATTACH, source, {}), 1);
    EXPECT_TRUE(boxes.boxes.empty());  // no question for an attach
    EXPECT_FALSE(source.IsPending());
    EXPECT_EQ(Subject(), "kept");
    CMailDoc::FileList files;
    doc->GetFiles(files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(fs::path(files[0].path.Native()).filename().string(), reinterpret_cast<const char*>(u8"（件名なし）.eml"));
    EXPECT_EQ(fs::path(files[1].path.Native()).filename().string(), reinterpret_cast<const char*>(u8"（件名なし）_1.eml"));
    EXPECT_EQ(files[0].title.Str(), kNoSubject);
    EXPECT_EQ(files[1].title.Str(), kNoSubject);
    EXPECT_EQ(ReadAll(files[0].path.Native()), "Subject: \nMIME-Version: 1.0\n\nbody\n");
    EXPECT_TRUE(doc->IsModified());

    // The temporary folder gone: the attach says it could not write, and adds nothing.
    fs::remove_all(Temp());
    source = Pending(mail);
    EXPECT_EQ(Composer().Run(CMailComposer::ID_ATTACH, source, {}), 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAttachWriteFailed});
    doc->GetFiles(files);
    EXPECT_EQ(files.size(), 2u);
}

TEST_F(ComposerTest, QuestionOnlyForAModifiedDocumentAndNoKeepsEverything)
{
    std::vector<std::string> calls;
    CComposeHost host;
    host.storePage = [&] { calls.push_back("store"); };
    host.reloadAll = [&] { calls.push_back("reload"); };
    host.setTitle = [&](const CString& title) { calls.push_back("title " + title.Str()); };

    CMailSource source = Pending(kReply);
    ASSERT_EQ(Composer().Run(CMailComposer::ID_REPLY, source, host), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"store", "reload", "title re: hello"}));
    EXPECT_FALSE(source.IsPending());

    // Modified: "No" changes nothing and keeps the mail pending.
    doc->SetSubject("typed");
    doc->SetModifiedFlag();
    source = Pending(kTwoAttachments);
    boxes.Answer(IDNO);
    EXPECT_EQ(Composer().Run(CMailComposer::ID_FORWARD, source, host), 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kDiscardQuestion});
    EXPECT_EQ(boxes.boxes[0].caption.Str(), kConfirmCaption);
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(Subject(), "typed");
    EXPECT_TRUE(source.IsPending());
    // "Yes" replaces it.
    boxes.Clear();
    boxes.Answer(IDYES);
    EXPECT_EQ(Composer().Run(CMailComposer::ID_FORWARD, source, host), 1);
    EXPECT_EQ(Subject(), "Fw: report");
    EXPECT_EQ(boxes.unexpected, 0);

    // Nothing pending: the clipboard holds no mail.
    boxes.Clear();
    CMailSource none;
    EXPECT_EQ(Composer().Run(CMailComposer::ID_REFERENCE, none, host), 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kNoMailOnClipboard});
    EXPECT_EQ(Subject(), "Fw: report");
}
