// Verifies what a start's command line puts into a new message: mailto links (RFC 6068: every
// field, percent-encoded Japanese in UTF-8 and in the legacy encodings, repeated fields,
// header injection, malformed links), the files to attach (paths as the file system's bytes,
// relative paths, file: URLs, folders, missing and unreadable files, pipes), and that a
// link's attach= never reaches the document by itself. Qt-free.
#include "shell/CMailtoUri.h"
#include "shell/CStartRequest.h"

#include "model/CMailDoc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Code page 932 bytes of the Japanese used below, so no case depends on this file's encoding.
const std::string kKaigi = "\x89\xEF\x8B\x63";     // 会議
const std::string kYamada = "\x8E\x52\x93\x63";    // 山田
const std::string kShiryou = "\x8E\x91\x97\xBF";   // 資料

std::vector<std::string> Mailboxes(const std::vector<CAddress>& list)
{
    std::vector<std::string> texts;
    for (const CAddress& address : list) texts.push_back(address.ToText().Str());
    return texts;
}

CMailtoFields Parsed(const char* uri)
{
    CMailtoFields fields;
    CString error;
    EXPECT_EQ(CMailtoUri::Parse(uri, fields, error), 1) << uri << ": " << error.Str();
    return fields;
}

class TempFolder {
public:
    TempFolder()
    {
        char name[] = "/tmp/quillon-start-XXXXXX";
        root_ = ::mkdtemp(name);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::permissions(root_, fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }
    const std::string& Root() const { return root_; }
    std::string File(const std::string& name, const std::string& content = "data")
    {
        const std::string path = root_ + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

private:
    std::string root_;
};

}  // namespace

TEST(MailtoUri, EveryFieldOfALink)
{
    const CMailtoFields fields = Parsed(
        "mailto:taro@example.jp?cc=cc@example.jp&bcc=bcc@example.jp&subject=Weekly%20report"
        "&body=Line%201%0D%0ALine%202&in-reply-to=%3C1234@mail.example.jp%3E&x-unknown=ignored");
    EXPECT_EQ(Mailboxes(fields.to), std::vector<std::string>{"taro@example.jp"});
    EXPECT_EQ(Mailboxes(fields.cc), std::vector<std::string>{"cc@example.jp"});
    EXPECT_EQ(Mailboxes(fields.bcc), std::vector<std::string>{"bcc@example.jp"});
    EXPECT_EQ(fields.subject.Str(), "Weekly report");
    EXPECT_EQ(fields.body.Str(), "Line 1\r\nLine 2");
    EXPECT_EQ(fields.inReplyTo.Str(), "<1234@mail.example.jp>");
    EXPECT_TRUE(fields.attach.empty());

    // Field names without regard to case; "+" is a plus sign, not a blank; a fragment and
    // empty pairs mean nothing; a lone LF or CR is a line end.
    const CMailtoFields mixed = Parsed("MAILTO:?To=a@example.jp&&SUBJECT=1+1%3D2&Body=a%0Ab%0Dc#top");
    EXPECT_EQ(Mailboxes(mixed.to), std::vector<std::string>{"a@example.jp"});
    EXPECT_EQ(mixed.subject.Str(), "1+1=2");
    EXPECT_EQ(mixed.body.Str(), "a\r\nb\r\nc");

    // Nothing at all is a valid link too.
    EXPECT_TRUE(Parsed("mailto:").IsEmpty());
}

TEST(MailtoUri, PercentEncodedJapanese)
{
    // UTF-8, as RFC 6068 and every browser write it.
    const CMailtoFields utf8 = Parsed(
        "mailto:?to=%E5%B1%B1%E7%94%B0%20%3Ctaro@example.jp%3E&subject=%E4%BC%9A%E8%AD%B0"
        "&body=%E8%B3%87%E6%96%99%0D%0A");
    ASSERT_EQ(utf8.to.size(), 1u);
    EXPECT_EQ(utf8.to[0].GetDisplayName().Str(), kYamada);
    EXPECT_EQ(utf8.to[0].GetMailAddress().Str(), "taro@example.jp");
    EXPECT_EQ(utf8.subject.Str(), kKaigi);
    EXPECT_EQ(utf8.body.Str(), kShiryou + "\r\n");

    // Older Japanese pages encode Shift_JIS or ISO-2022-JP: the bytes tell.
    EXPECT_EQ(Parsed("mailto:?subject=%89%EF%8B%63").subject.Str(), kKaigi);
    EXPECT_EQ(Parsed("mailto:?subject=%1B%24B%32q%35D%1B%28B").subject.Str(), kKaigi);
    // A character code page 932 lacks becomes the geta mark instead of vanishing.
    EXPECT_EQ(Parsed("mailto:?subject=a%F0%9F%98%80b").subject.Str(), "a\x81\xAC" "b");
}

TEST(MailtoUri, RepeatedFieldsAddUp)
{
    const CMailtoFields fields = Parsed(
        "mailto:a@example.jp,b@example.jp?to=c@example.jp,%22Lee,%20Ann%22%20%3Cd@example.jp%3E"
        "&to=e@example.jp&cc=f@example.jp&cc=g@example.jp&bcc=h@example.jp&bcc=i@example.jp"
        "&subject=First&subject=Second&body=one&body=two&in-reply-to=%3Cx@a%3E&in-reply-to=%3Cy@b%3E");
    EXPECT_EQ(Mailboxes(fields.to), (std::vector<std::string>{"a@example.jp", "b@example.jp", "c@example.jp",
                                                              "Lee, Ann <d@example.jp>", "e@example.jp"}));
    EXPECT_EQ(Mailboxes(fields.cc), (std::vector<std::string>{"f@example.jp", "g@example.jp"}));
    EXPECT_EQ(Mailboxes(fields.bcc), (std::vector<std::string>{"h@example.jp", "i@example.jp"}));
    EXPECT_EQ(fields.subject.Str(), "First Second");
    EXPECT_EQ(fields.body.Str(), "one\r\ntwo");
    EXPECT_EQ(fields.inReplyTo.Str(), "<x@a>");

    // Two links on one command line add up the same way.
    CMailtoFields both;
    CString error;
    ASSERT_TRUE(CMailtoUri::Parse("mailto:a@example.jp?body=one", both, error));
    ASSERT_TRUE(CMailtoUri::Parse("mailto:b@example.jp?body=two", both, error));
    EXPECT_EQ(Mailboxes(both.to), (std::vector<std::string>{"a@example.jp", "b@example.jp"}));
    EXPECT_EQ(both.body.Str(), "one\r\ntwo");
}

TEST(MailtoUri, OneLineFieldsCannotCarryAHeader)
{
    // A subject with an encoded line break would otherwise add a Bcc field of its own.
    const CMailtoFields fields = Parsed("mailto:a@example.jp?subject=Hi%0D%0ABcc:%20spy@example.jp"
                                        "&in-reply-to=%3Cx@y%3E%0AX-Evil:%201&body=tab%09kept%1Bgone");
    EXPECT_EQ(fields.subject.Str(), "Hi  Bcc: spy@example.jp");
    EXPECT_EQ(fields.inReplyTo.Str(), "<x@y> X-Evil: 1");
    EXPECT_TRUE(fields.bcc.empty());
    EXPECT_EQ(fields.body.Str(), "tab\tkeptgone");
    // An address list with a line break in it stays one list.
    const CMailtoFields to = Parsed("mailto:?to=a@example.jp%0D%0Ab@example.jp");
    EXPECT_LE(to.to.size(), 2u);
    for (const CAddress& address : to.to) EXPECT_EQ(address.GetMailAddress().Find('\r'), -1);
}

TEST(MailtoUri, MalformedLinksAreRefusedWhole)
{
    for (const char* bad : {"mailto:a@example.jp?subject=%zz", "mailto:a@example.jp?subject=50%",
                            "mailto:a@example.jp?body=%4", "mailto:a%2@example.jp", "mailto:?body=a%00b",
                            "mailto:?attach=%2Fetc%2F%00passwd", "http://example.jp/"}) {
        CMailtoFields fields;
        fields.subject = "kept";
        CString error;
        EXPECT_EQ(CMailtoUri::Parse(bad, fields, error), 0) << bad;
        EXPECT_FALSE(error.IsEmpty()) << bad;
        EXPECT_EQ(fields.subject.Str(), "kept") << bad;
        EXPECT_TRUE(fields.to.empty()) << bad;
    }
    CMailtoFields fields;
    CString error;
    ASSERT_EQ(CMailtoUri::Parse("mailto:a@example.jp?subject=%zz", fields, error), 0);
    EXPECT_EQ(error.Str(), "「%zz」は正しい % エスケープではありません。");
}

TEST(StartRequest, FilesOfTheCommandLine)
{
    TempFolder folder;
    const std::string plain = folder.File("report.txt");
    folder.File("relative.txt");
    const std::string latin1 = folder.File("caf\xE9.txt");  // a name that is not UTF-8
    const std::string dash = folder.File("-dash.txt");
    fs::create_directory(folder.Root() + "/photos");
    ::mkfifo((folder.Root() + "/pipe").c_str(), 0600);

    CStartRequest request;
    request.Read({plain, "relative.txt", "file://" + folder.Root() + "/caf%E9.txt", plain, folder.Root() + "/photos",
                  folder.Root() + "/missing.txt", folder.Root() + "/pipe", "--unknown", "file://other.host/x",
                  "--", "-dash.txt"},
                 CPath::FromNative(folder.Root()));
    std::vector<std::string> files;
    for (const CPath& path : request.GetFiles()) files.push_back(path.Native());
    // Each file once, in order, by its own bytes.
    EXPECT_EQ(files, (std::vector<std::string>{plain, folder.Root() + "/relative.txt", latin1, dash}));
    const std::vector<CString>& problems = request.GetProblems();
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0].Str(), "ファイル「" + folder.Root() + "/photos」は添付できません（フォルダです）。");
    EXPECT_EQ(problems[1].Str(), "ファイル「" + folder.Root() + "/missing.txt」は添付できません（見つかりません）。");
    EXPECT_EQ(problems[2].Str(), "ファイル「" + folder.Root() + "/pipe」は添付できません（通常のファイルではありません）。");
    EXPECT_EQ(problems[3].Str(), "不明なオプション「--unknown」は無視しました。");
    EXPECT_EQ(problems[4].Str(), "「file://other.host/x」はこのコンピューター上のファイルではないため、添付できません。");

    CMailDoc doc;
    request.FillDocument(doc);
    CMailDoc::FileList list;
    doc.GetFiles(list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].path.Native(), plain);
    EXPECT_EQ(list[0].title.Str(), "report.txt");
    EXPECT_EQ(list[2].path.Native(), latin1);
    EXPECT_TRUE(doc.IsModified());
}

TEST(StartRequest, AFileThatCannotBeReadIsNamed)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file; the permission check cannot fail here";
    TempFolder folder;
    const std::string secret = folder.File("secret.txt");
    ::chmod(secret.c_str(), 0);
    CString reason;
    EXPECT_EQ(CStartRequest::CheckFile(CPath::FromNative(secret), reason), 0);
    EXPECT_EQ(reason.Str(), "読み取る権限がありません");
}

TEST(StartRequest, ALinksAttachmentsWaitForTheUser)
{
    TempFolder folder;
    // The file system's name is UTF-8 (narrow literals here are code page 932).
    const std::string wanted = folder.File("\xE8\xB3\x87\xE6\x96\x99 1.pdf");
    const std::string encoded = "%E8%B3%87%E6%96%99%201.pdf";  // 資料 1.pdf
    CStartRequest request;
    request.Read({"mailto:taro@example.jp?subject=%E4%BC%9A%E8%AD%B0&attach=" + folder.Root() + "/" + encoded +
                      "&attachment=file%3A%2F%2F" + folder.Root() + "%2F" + "%25E8%25B3%2587%25E6%2596%2599%25201.pdf" +
                      "&attach=relative.txt&attach=" + folder.Root() + "/none.txt",
                  "mailto:?attach=https%3A%2F%2Fexample.jp%2Fx.exe"},
                 CPath::FromNative("/"));
    // The path form (xdg-email's) and the file: URL name the same file: it is offered once.
    ASSERT_EQ(request.GetLinkAttachments().size(), 1u);
    EXPECT_EQ(request.GetLinkAttachments()[0].Native(), wanted);
    ASSERT_EQ(request.GetProblems().size(), 3u);
    EXPECT_EQ(request.GetProblems()[0].Str(),
              "リンクの添付ファイル「relative.txt」はこのコンピューター上のファイルではないため、添付できません。");
    EXPECT_EQ(request.GetProblems()[1].Str(),
              "リンクの添付ファイル「" + folder.Root() + "/none.txt」は添付できません（見つかりません）。");

    // Filling the document takes the link's fields, never its attachments.
    CMailDoc doc;
    request.FillDocument(doc);
    CString subject;
    doc.GetSubject(subject);
    EXPECT_EQ(subject.Str(), kKaigi);
    CMailDoc::FileList list;
    doc.GetFiles(list);
    EXPECT_TRUE(list.empty());
    // Only the user's yes attaches them.
    CStartRequest::AttachFiles(doc, request.GetLinkAttachments());
    doc.GetFiles(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path.Native(), wanted);
    EXPECT_EQ(list[0].title.Str(), kShiryou + " 1.pdf");
    const std::string question = CStartRequest::AttachQuestion(request.GetLinkAttachments()).Str();
    EXPECT_NE(question.find(folder.Root() + "/" + kShiryou + " 1.pdf"), std::string::npos);
}

TEST(StartRequest, TheDocumentGetsTheLinksFields)
{
    CStartRequest request;
    request.Read({"mailto:a@example.jp?cc=b@example.jp&bcc=c@example.jp&body=Hello%0D%0A&in-reply-to=%3Cm@x%3E&subject=" +
                  std::string(300, 'S')},
                 CPath::FromNative("/"));
    EXPECT_TRUE(request.GetProblems().empty());
    CMailDoc doc;
    request.FillDocument(doc);
    ASSERT_EQ(doc.GetToAddressSize(), 1u);
    EXPECT_EQ(doc.GetToAddress(0)->GetMailAddress().Str(), "a@example.jp");
    ASSERT_EQ(doc.GetCcAddressSize(), 1u);
    ASSERT_EQ(doc.GetBccAddressSize(), 1u);
    CString text;
    doc.GetBody(text);
    EXPECT_EQ(text.Str(), "Hello\r\n");
    doc.GetInReplyTo(text);
    EXPECT_EQ(text.Str(), "<m@x>");
    // The subject edit holds 255 bytes; the document gets what the page can show.
    doc.GetSubject(text);
    EXPECT_EQ(text.Str(), std::string(255, 'S'));
    EXPECT_TRUE(doc.IsModified());

    // A start without arguments leaves the new message as it was.
    CStartRequest none;
    none.Read({}, CPath::FromNative("/"));
    EXPECT_TRUE(none.IsEmpty());
    CMailDoc untouched;
    none.FillDocument(untouched);
    EXPECT_FALSE(untouched.IsModified());
}
