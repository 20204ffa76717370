// Verifies CMailSendRecv::Send against a scripted fake server: the checks of the document and
// their texts, the envelope order, refusals at the end of the data, a server lost half-way
// and a user's cancel, none of which may be reported as sent or leave a cut message.
#include "FakeSmtpServer.h"

#include "model/CMailDoc.h"
#include "model/CPlatformUi.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Installs the fake as the channel of every session opened while it lives.
class FakeFactory {
public:
    explicit FakeFactory(std::shared_ptr<FakeScript> script) : script_(std::move(script))
    {
        CSmtpSocket::SetFactory([this] {
            ++created;
            return MakeFake(script_);
        });
    }
    ~FakeFactory() { CSmtpSocket::SetFactory(nullptr); }
    int created = 0;

private:
    std::shared_ptr<FakeScript> script_;
};

// A server that takes everything, with `end` as its reply to the end of the data.
std::shared_ptr<FakeScript> Server(int recipients, const char* end = "250 queued\r\n", const char* quit = "221 bye\r\n")
{
    auto script = std::make_shared<FakeScript>();
    script->Reply("220 mx\r\n");
    script->Reply("250 hi\r\n");
    script->Reply("250 ok\r\n");
    for (int i = 0; i < recipients; ++i) script->Reply("250 ok\r\n");
    script->Reply("354 go\r\n");
    script->Reply(end);
    script->Reply(quit);
    return script;
}

void FillDoc(CMailDoc& doc)
{
    doc.SetSendServer("mx.example", 587);
    doc.SetFromAddress(CAddress("", "送信者", "from@example.jp"));
    doc.AddToAddress(CAddress("", "", "to@example.jp"));
    doc.SetSubject("test");
    doc.SetBody("hello\r\n");
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class CancellingView : public CProgressView {
public:
    void SetPos(int) override {}
    int GetContinueFlag() const override { return 0; }
};

class CancellingUi : public CPlatformUi {
public:
    std::unique_ptr<CProgressView> CreateProgressDlg(const CString&, int, CWnd*) override
    {
        return std::make_unique<CancellingView>();
    }
    void DoEvents() override {}
    void PumpPaint() override {}
    int MessageBox(CWnd*, const CString&, const CString&, unsigned int) override { return IDOK; }
};

}  // namespace

TEST(MailSend, DocumentChecksComeBeforeAnyConnection)
{
    auto script = Server(1);
    FakeFactory factory(script);
    CProgressCallback progress("送信中", 0, nullptr);
    auto failsWith = [&](CMailDoc& doc, const std::string& want) {
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        EXPECT_EQ(detail.Str(), want);
    };
    {
        CMailDoc doc;  // server and sender both empty: the server is named alone
        doc.SetSendServer("", 25);
        failsWith(doc, "SendServer is empty.");
    }
    CMailDoc doc;
    FillDoc(doc);
    doc.SetSendServer("mx.example", -1);
    failsWith(doc, "SendPort is invalid.");
    doc.SetSendServer("mx.example", 65536);
    failsWith(doc, "SendPort is invalid.");
    doc.SetSendServer("mx.example", 25);
    doc.SetFromAddress(CAddress("", "送信者", ""));
    failsWith(doc, "Sender is empty.");
    doc.SetFromAddress(CAddress("", "", "from@example.jp\r\nRCPT TO:<evil@example.jp>"));
    failsWith(doc, "メールアドレスに改行文字または NUL 文字が含まれています。\r\n\r\nfrom@example.jp\\r\\nRCPT TO:<evil@example.jp>");
    doc.SetFromAddress(CAddress("", "", "from@example.jp"));
    doc.AddBccAddress(CAddress("", "", "bcc@example.jp\nDATA"));
    failsWith(doc, "メールアドレスに改行文字または NUL 文字が含まれています。\r\n\r\nbcc@example.jp\\nDATA");
    EXPECT_EQ(factory.created, 0);
}

TEST(MailSend, EnvelopeIsToCcBccThenTheSender)
{
    auto script = Server(5);
    FakeFactory factory(script);
    CMailDoc doc;
    FillDoc(doc);
    doc.AddToAddress(CAddress("", "", "to2@example.jp"));
    doc.AddCcAddress(CAddress("", "", "cc@example.jp"));
    doc.AddBccAddress(CAddress("", "", "bcc@example.jp"));
    doc.SetSenderBccFlg(1);
    CProgressCallback progress("送信中", 0, nullptr);
    progress.Start(doc.GetMailSize());
    CString detail;
    ASSERT_TRUE(CMailSendRecv::Send(doc, progress, detail)) << detail.Str();
    EXPECT_EQ(script->host, "mx.example");
    EXPECT_EQ(script->port, 587);
    const std::string client = script->ClientBytes();
    EXPECT_NE(client.find("MAIL FROM:<from@example.jp>\r\nRCPT TO:<to@example.jp>\r\nRCPT TO:<to2@example.jp>\r\n"
                          "RCPT TO:<cc@example.jp>\r\nRCPT TO:<bcc@example.jp>\r\nRCPT TO:<from@example.jp>\r\nDATA\r\n"),
              std::string::npos);
    EXPECT_TRUE(EndsWith(client, "hello\r\n.\r\nQUIT\r\n"));
    EXPECT_TRUE(script->events.empty());
}

TEST(MailSend, RefusalAtEndOfDataIsAFailure)
{
    for (const char* quit : {"221 bye\r\n", "421 closing\r\n"}) {
        auto script = Server(1, "554 5.7.1 rejected as spam\r\n", quit);
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        CProgressCallback progress("送信中", 0, nullptr);
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        EXPECT_EQ(detail, "554 5.7.1 rejected as spam\r\n");
        EXPECT_TRUE(EndsWith(script->ClientBytes(), ".\r\nQUIT\r\n"));
    }
}

TEST(MailSend, LostServerOrCancelNeverEndsTheData)
{
    char pattern[] = "/tmp/quillon-sendtest-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string attachment = std::string(pattern) + "/big.bin";
    std::ofstream(attachment, std::ios::binary) << std::string(200000, '\x5A');

    {
        // The server stops reading in the middle of the attachment.
        auto script = Server(1);
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        doc.SetFiles({{CPath::FromNative(attachment), "big.bin"}});
        CProgressCallback progress("送信中", 0, nullptr);
        script->acceptBytes = 100000;
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        // In the socket's words: the file was read well, the connection failed.
        EXPECT_EQ(detail, "ソケット通信エラー(Send)  送信サーバーが接続を切りました。 (エラーコード: 32)");
        const std::string client = script->ClientBytes();
        EXPECT_EQ(client.find("QUIT"), std::string::npos);
        EXPECT_GE(script->shutdowns, 1);
    }
    {
        // The user cancels: the writer finishes, but the message is dropped.
        CancellingUi ui;
        CPlatformUi::Set(&ui);
        auto script = Server(1);
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        doc.SetFiles({{CPath::FromNative(attachment), "big.bin"}});
        CProgressCallback progress("送信中", 1, nullptr);
        progress.Start(doc.GetMailSize());
        CString detail = "stale";
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        CPlatformUi::Set(nullptr);
        EXPECT_EQ(detail, "");
        EXPECT_TRUE(progress.UserCanceled());
        const std::string client = script->ClientBytes();
        EXPECT_FALSE(EndsWith(client, ".\r\n"));
        EXPECT_EQ(client.find("QUIT"), std::string::npos);
    }
    std::system((std::string("rm -rf '") + pattern + "'").c_str());
}

TEST(MailSend, MoreThanHundredRecipientsAreRefusedBeforeConnecting)
{
    auto script = Server(0);
    FakeFactory factory(script);
    CMailDoc doc;
    FillDoc(doc);
    for (int i = 0; i < 100; ++i) {
        const std::string cc = "cc" + std::to_string(i) + "@example.jp";
        doc.AddCcAddress(CAddress("", "", cc.c_str()));
    }
    CProgressCallback progress("送信中", 0, nullptr);
    CString detail;
    EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
    EXPECT_EQ(detail, "宛先が多すぎます。一度に送れる宛先は 100 件までです (この手紙は 101 件)。");
    EXPECT_EQ(factory.created, 0);
}

TEST(MailSend, OnlyA2xxAfterTheDataIsAnAcceptance)
{
    // A long acceptance is an acceptance: failing it would make the user send twice.
    {
        const std::string accepted = "250 2.0.0 Ok: queued as " + std::string(600, 'Q') + "\r\n";
        auto script = Server(1, accepted.c_str());
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        CProgressCallback progress("送信中", 0, nullptr);
        CString detail;
        EXPECT_TRUE(CMailSendRecv::Send(doc, progress, detail)) << detail.Str();
    }
    // 354 at the end of the data, 250 to DATA: neither opens nor accepts anything.
    {
        auto script = Server(1, "354 go on\r\n");
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        CProgressCallback progress("送信中", 0, nullptr);
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        EXPECT_EQ(detail, "354 go on\r\n");
    }
    {
        auto script = std::make_shared<FakeScript>();
        for (const char* reply : {"220 mx\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 data?\r\n", "221 bye\r\n"})
            script->Reply(reply);
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        CProgressCallback progress("送信中", 0, nullptr);
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        EXPECT_EQ(detail, "250 data?\r\n");
        EXPECT_TRUE(EndsWith(script->ClientBytes(), "DATA\r\nQUIT\r\n"));
    }
    {
        // A silent server at RCPT: no QUIT is sent into the silence afterwards.
        auto script = std::make_shared<FakeScript>();
        for (const char* reply : {"220 mx\r\n", "250 hi\r\n", "250 ok\r\n"}) script->Reply(reply);
        FakeFactory factory(script);
        CMailDoc doc;
        FillDoc(doc);
        CProgressCallback progress("送信中", 0, nullptr);
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        EXPECT_EQ(detail, "ソケット通信エラー(Recv)  送信サーバーから 60 秒待っても応答がありませんでした。 (エラーコード: 110)");
        EXPECT_TRUE(EndsWith(script->ClientBytes(), "RCPT TO:<to@example.jp>\r\n"));
    }
}
