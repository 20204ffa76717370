// Verifies the SMTP dialogue of CSmtp and CSmtpStream against a scripted fake server: exact
// command bytes and order, replies in pieces, failures at every stage, dot-stuffing, the
// end-of-data check and the refusal of unsafe addresses.
#include "FakeSmtpServer.h"

#include "smtp/CSmtp.h"
#include "smtp/CSmtpStream.h"

#include <gtest/gtest.h>

namespace {

using Log = std::vector<std::string>;

const char* const kRecvClosed = "ソケット通信エラー(Recv)  送信サーバーが接続を切りました。 (エラーコード: 104)";

CStringArray Recipients(std::initializer_list<const char*> list)
{
    CStringArray result;
    for (const char* to : list) result.Add(to);
    return result;
}

// Gives tests the protected command call.
class TestSmtp : public CSmtp {
public:
    using CSmtp::CSmtp;
    using CSmtp::WriteFormatString;
    using CSmtp::WriteString;
};

// A session opened on `script` with a plain greeting and HELO already answered.
std::shared_ptr<FakeScript> OpenedScript()
{
    auto script = std::make_shared<FakeScript>();
    script->Reply("220 mx\r\n");
    script->Reply("250 hi\r\n");
    return script;
}

}  // namespace

TEST(SmtpConversation, WholeMessageExactBytesInOrder)
{
    auto script = std::make_shared<FakeScript>();
    // A multi-line greeting cut in the middle of a line and between CR and LF.
    script->Reply("220-mx.example ESMTP\r\n220-sec");
    script->Reply("ond line\r");
    script->Reply("\n220 ready\r\n");
    script->Reply("250 mx.example\r\n");
    script->Reply("250 2.1.0 Ok\r\n");
    script->Reply("250 2.1.5 Ok\r\n");
    script->Reply("25");
    script->Reply("1 2.1.5 will forward\r\n");
    script->Reply("354 End data with <CR><LF>.<CR><LF>\r\n");
    script->Reply("250 2.0.0 queued as 1234\r\n");
    script->Reply("221 2.0.0 Bye\r\n");

    {
        CSmtpStream stream("mx.example", 2525, "from@example.jp", Recipients({"a@example.jp", "b@example.jp"}),
                           MakeFake(script));
        ASSERT_TRUE(stream.Open());
        EXPECT_EQ(script->host, "mx.example");
        EXPECT_EQ(script->port, 2525);
        ASSERT_TRUE(stream.WriteString("Subject: t\r\n"));
        ASSERT_TRUE(stream.WriteString("\r\n"));
        ASSERT_TRUE(stream.WriteString("hello\r\n"));
        EXPECT_TRUE(stream.Finish());
        CString detail;
        stream.GetErrorDetail(detail);
        EXPECT_EQ(detail, "");
        EXPECT_FALSE(stream.IsOpen());
    }
    const Log expected = {
        "S:220-mx.example ESMTP\r\n220-second line\r\n220 ready\r\n",
        "C:HELO client.example\r\n",
        "S:250 mx.example\r\n",
        "C:MAIL FROM:<from@example.jp>\r\n",
        "S:250 2.1.0 Ok\r\n",
        "C:RCPT TO:<a@example.jp>\r\n",
        "S:250 2.1.5 Ok\r\n",
        "C:RCPT TO:<b@example.jp>\r\n",
        "S:251 2.1.5 will forward\r\n",
        "C:DATA\r\n",
        "S:354 End data with <CR><LF>.<CR><LF>\r\n",
        // Text ending in CR LF is followed by ".\r\n" alone: no blank line is added.
        "C:Subject: t\r\n\r\nhello\r\n.\r\n",
        "S:250 2.0.0 queued as 1234\r\n",
        "C:QUIT\r\n",
        "S:221 2.0.0 Bye\r\n",
    };
    EXPECT_EQ(script->log, expected);
    EXPECT_EQ(script->shutdowns, 1);
}

TEST(SmtpConversation, PendingTextIsSentInPiecesOfAtMost4096Bytes)
{
    auto script = OpenedScript();
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"}) script->Reply(reply);
    CSmtpStream stream("mx", 25, "f@x", Recipients({"t@x"}), MakeFake(script));
    ASSERT_TRUE(stream.Open());
    const std::size_t before = script->sends.size();
    const std::string a(3000, 'a'), b(1096, 'b'), c(1100, 'c'), big(5000, 'd');
    ASSERT_TRUE(stream.WriteString(a.c_str()));
    ASSERT_TRUE(stream.WriteString(b.c_str()));  // 4096 in all: still held
    EXPECT_EQ(script->sends.size(), before);
    ASSERT_TRUE(stream.WriteString(c.c_str()));  // would make 5196: the 4096 go first
    ASSERT_EQ(script->sends.size(), before + 1);
    EXPECT_EQ(script->sends.back(), a + b);
    ASSERT_TRUE(stream.WriteString(big.c_str()));  // one text over 4096 goes whole with the next flush
    EXPECT_EQ(script->sends.back(), c);
    ASSERT_TRUE(stream.Finish());
    ASSERT_EQ(script->sends.size(), before + 5);
    EXPECT_EQ(script->sends[before + 2], big);
    EXPECT_EQ(script->sends[before + 3], "\r\n.\r\n");  // the text did not end in CR LF
    EXPECT_EQ(script->sends[before + 4], "QUIT\r\n");
}

// Each step of the dialogue answered badly in turn: a 4xx, a 5xx, the connection closed.
// The failure must be reported with the server's reply (or the socket text), nothing after
// the failed command may be sent but QUIT, and a refusal at the end of the data must make
// the stream report failure.
TEST(SmtpConversation, FailureAtEveryStage)
{
    struct Step {
        const char* client;  // null: the greeting
        const char* good;
    };
    const std::vector<Step> steps = {
        {nullptr, "220 mx\r\n"},
        {"HELO client.example\r\n", "250 hi\r\n"},
        {"MAIL FROM:<f@x>\r\n", "250 ok\r\n"},
        {"RCPT TO:<t1@x>\r\n", "250 ok\r\n"},
        {"RCPT TO:<t2@x>\r\n", "250 ok\r\n"},
        {"DATA\r\n", "354 go\r\n"},
        {"body\r\n.\r\n", "250 queued\r\n"},
        {"QUIT\r\n", "221 bye\r\n"},
    };
    const std::size_t kMail = 2, kEnd = 6, kQuit = 7;
    enum Bad { Transient, Permanent, Closed };

    for (std::size_t stage = 0; stage < steps.size(); ++stage) {
        for (Bad bad : {Transient, Permanent, Closed}) {
            SCOPED_TRACE("stage " + std::to_string(stage) + " bad " + std::to_string(bad));
            const std::string badReply = bad == Transient ? "450 4.7.1 try later\r\n" : "554 5.7.1 refused\r\n";
            auto script = std::make_shared<FakeScript>();
            Log expected;
            for (std::size_t i = 0; i < stage; ++i) {
                if (steps[i].client) expected.push_back(std::string("C:") + steps[i].client);
                expected.push_back(std::string("S:") + steps[i].good);
                script->Reply(steps[i].good);
            }
            if (steps[stage].client) expected.push_back(std::string("C:") + steps[stage].client);
            if (bad == Closed) {
                script->CloseConnection();
            } else {
                script->Reply(badReply);
                expected.push_back("S:" + badReply);
            }
            // A session that was open says QUIT after a failure, unless the server is gone.
            if (stage >= kMail && stage < kQuit && bad != Closed) {
                expected.push_back("C:QUIT\r\n");
                expected.push_back("S:221 bye\r\n");
                script->Reply("221 bye\r\n");
            }

            CSmtpStream stream("mx", 25, "f@x", Recipients({"t1@x", "t2@x"}), MakeFake(script));
            int opened = stream.Open();
            int finished = 0;
            if (opened) {
                EXPECT_TRUE(stream.WriteString("body\r\n"));
                finished = stream.Finish();
            }
            CString detail;
            stream.GetErrorDetail(detail);
            const std::string wantDetail = bad == Closed ? kRecvClosed : badReply;
            EXPECT_EQ(opened, stage < kEnd ? 0 : 1);
            if (stage == kQuit) {
                // The server took the message; a bad QUIT afterwards does not undo that.
                EXPECT_EQ(finished, 1);
                EXPECT_EQ(detail, "");
            } else {
                EXPECT_EQ(finished, 0);
                EXPECT_EQ(detail.Str(), wantDetail);
            }
            EXPECT_EQ(script->log, expected);
            EXPECT_FALSE(stream.IsOpen());
        }
    }
}

TEST(SmtpConversation, RefusalAtEndOfDataSurvivesFailedQuit)
{
    auto script = OpenedScript();
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "552 5.3.4 message too big\r\n",
                              "500 what\r\n"})
        script->Reply(reply);
    CSmtpStream stream("mx", 25, "f@x", Recipients({"t@x"}), MakeFake(script));
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.WriteString("x"));
    EXPECT_FALSE(stream.Finish());
    CString detail;
    stream.GetErrorDetail(detail);
    EXPECT_EQ(detail, "552 5.3.4 message too big\r\n");
    EXPECT_EQ(script->ClientBytes().substr(script->ClientBytes().size() - 11), "\r\n.\r\nQUIT\r\n");
}

TEST(SmtpConversation, ServerGoneDuringDataNeverEndsTheData)
{
    auto script = OpenedScript();
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) script->Reply(reply);
    CSmtpStream stream("mx", 25, "f@x", Recipients({"t@x"}), MakeFake(script));
    ASSERT_TRUE(stream.Open());
    script->acceptBytes = script->received + 5000;
    const std::string piece(1000, 'z');
    int failedAt = -1;
    for (int i = 0; i < 20 && failedAt < 0; ++i)
        if (!stream.WriteString(piece.c_str())) failedAt = i;
    EXPECT_EQ(failedAt, 8);  // the flush of pieces 4 to 7 no longer fits
    CString detail;
    stream.GetErrorDetail(detail);
    EXPECT_EQ(detail, "ソケット通信エラー(Send)  送信サーバーが接続を切りました。 (エラーコード: 32)");
    EXPECT_FALSE(stream.Finish());
    // Neither the end mark nor QUIT went out: a cut message is never handed over.
    EXPECT_EQ(script->ClientBytes().find(".\r\n"), std::string::npos);
    EXPECT_EQ(script->ClientBytes().find("QUIT"), std::string::npos);
    EXPECT_EQ(script->shutdowns, 1);
}

TEST(SmtpConversation, DotStuffingAcrossPieceEdges)
{
    auto script = OpenedScript();
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"}) script->Reply(reply);
    CSmtp smtp(MakeFake(script));
    ASSERT_TRUE(smtp.Open("mx", 25));
    ASSERT_TRUE(smtp.Start("f@x", Recipients({"t@x"})));
    const std::size_t before = script->sends.size();
    const std::vector<std::pair<std::string, std::string>> pieces = {
        {".first line starts the data\r\n", "..first line starts the data\r\n"},
        {"a.b\r\n.\r\n..two\r\nx.", "a.b\r\n..\r\n...two\r\nx."},
        {"\r\n", "\r\n"},
        {".after an edge\r", "..after an edge\r"},
        {"\n.", "\n.."},  // the line began in the piece before
        {"\r\n", "\r\n"},
        {"bare\n.lf\r\n", "bare\n..lf\r\n"},
        {"no dot\r\n", "no dot\r\n"},
    };
    for (const auto& [in, out] : pieces) ASSERT_TRUE(smtp.SendData(in.c_str())) << in;
    ASSERT_EQ(script->sends.size(), before + pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) EXPECT_EQ(script->sends[before + i], pieces[i].second) << i;
    ASSERT_TRUE(smtp.End());
    EXPECT_EQ(script->sends.back(), ".\r\n");
    EXPECT_TRUE(smtp.Close());
    EXPECT_EQ(script->sends.back(), "QUIT\r\n");
}

TEST(SmtpConversation, RepliesAreReadToTheirLastLine)
{
    // One byte per receive, LF alone as line end, a multi-line HELO reply.
    auto script = std::make_shared<FakeScript>();
    for (char c : std::string("220-a\n220 b\n")) script->Reply(std::string(1, c));
    script->Reply("250-mx\r\n250-PIPELINING\r\n");
    script->Reply("250 8BITMIME\r\n");
    script->Reply("220 I am not a 250\r\n");  // a 2xx to MAIL FROM is an acceptance
    script->Reply("hello there\r\n");         // garbage to RCPT
    script->Reply("221 bye\r\n");
    CSmtp smtp(MakeFake(script));
    ASSERT_TRUE(smtp.Open("mx", 25));
    EXPECT_FALSE(smtp.Start("f@x", Recipients({"t@x"})));
    CString detail;
    smtp.GetErrorDetail(detail);
    EXPECT_EQ(detail, "hello there\r\n");
    EXPECT_TRUE(smtp.Close());
    const Log expected = {"S:220-a\n220 b\n", "C:HELO client.example\r\n", "S:250-mx\r\n250-PIPELINING\r\n250 8BITMIME\r\n",
                          "C:MAIL FROM:<f@x>\r\n", "S:220 I am not a 250\r\n", "C:RCPT TO:<t@x>\r\n",
                          "S:hello there\r\n", "C:QUIT\r\n", "S:221 bye\r\n"};
    EXPECT_EQ(script->log, expected);
}

TEST(SmtpConversation, GarbageAndOverlongReplies)
{
    unsigned int code = 7;
    {
        // Begins with "2" but is no reply code.
        auto script = std::make_shared<FakeScript>();
        script->Reply("2xx fine\r\n");
        TestSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "2xx fine\r\n");
    }
    {
        // Real servers send long lines: a long greeting, a 600-byte 250 after the data (the
        // message was accepted: failing would make the user send it twice), a long 550 whose
        // own words must reach the user.
        const std::string longText(600, 'x');
        auto script = std::make_shared<FakeScript>();
        script->Reply("220-" + longText + "\r\n220 ready\r\n");
        script->Reply("250 " + longText + "\r\n");
        script->Reply("250 ok\r\n");
        script->Reply("550 5.1.1 " + longText + "\r\n");
        script->Reply("221 bye\r\n");
        TestSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("mx", 25));
        EXPECT_TRUE(smtp.WriteString("NOOP\r\n", code));
        EXPECT_FALSE(smtp.Start("f@x", Recipients({"t@x"})));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail.Str(), "550 5.1.1 " + longText + "\r\n");
        EXPECT_TRUE(smtp.Close());
    }
    {
        // Replies up to 64 KiB in all are read; beyond that the server's own text is shown,
        // cut for the dialog.
        std::string lines;
        while (lines.size() < 70000) lines += "250-" + std::string(60, 'x') + "\r\n";
        auto script = OpenedScript();
        script->Reply(lines);
        TestSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("mx", 25));
        EXPECT_FALSE(smtp.WriteString("NOOP\r\n", code));
        EXPECT_EQ(code, 250u);
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail.Left(70).Str(), lines.substr(0, 70));
        EXPECT_EQ(detail.Right(4), " ...");
        EXPECT_LT(detail.GetLength(), 5000);
    }
    {
        // Control characters from the server are shown, never passed on: no escape sequence
        // reaches a terminal, no bare line break a dialog.
        auto script = std::make_shared<FakeScript>();
        script->Reply("554 \x1B[2J\x1B]0;owned\x07 bad\rline\x7F\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "554 \\x1B[2J\\x1B]0;owned\\x07 bad\\x0Dline\\x7F\r\n");
    }
    {
        // A reply cut off by the server closing.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220-first\r\n22");
        script->CloseConnection();
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, kRecvClosed);
    }
}

TEST(SmtpConversation, OpenFailures)
{
    {
        auto script = std::make_shared<FakeScript>();
        script->connectError = 111;
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "ソケット通信エラー(Connect)  送信サーバー mx のポート 25 が接続を拒否しました。 (エラーコード: 111)");
        EXPECT_TRUE(script->log.empty());
    }
    {
        auto script = std::make_shared<FakeScript>();
        script->Reply("554 no service\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        EXPECT_FALSE(smtp.IsOpen());
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "554 no service\r\n");
        EXPECT_EQ(script->log, Log{"S:554 no service\r\n"});  // no HELO, no QUIT
        EXPECT_TRUE(smtp.Close());
        EXPECT_EQ(script->log.size(), 1u);
    }
    {
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->hostNameFails = true;
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "SMTP 自ホスト名取得失敗");
        EXPECT_EQ(script->log, Log{"S:220 mx\r\n"});
    }
    {
        // Silence after the connection: the wait's time-out is the failure.
        auto script = std::make_shared<FakeScript>();
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("mx", 25));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "ソケット通信エラー(Recv)  送信サーバーから 60 秒待っても応答がありませんでした。 (エラーコード: 110)");
    }
}

TEST(SmtpConversation, EnvelopeRefusedBeforeAnythingIsSent)
{
    auto refused = [](const char* from, const CStringArray& to, const std::string& wantDetail) {
        auto script = OpenedScript();
        script->Reply("221 bye\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_TRUE(smtp.Open("mx", 25));
        EXPECT_FALSE(smtp.Start(from, to));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail.Str(), wantDetail);
        EXPECT_EQ(script->ClientBytes(), "HELO client.example\r\n");
        EXPECT_TRUE(smtp.Close());
    };
    const std::string bad = "メールアドレスに改行文字または NUL 文字が含まれています。\r\n\r\n";
    refused("f@x\r\nRCPT TO:<evil@x>", Recipients({"t@x"}), bad + "f@x\\r\\nRCPT TO:<evil@x>");
    refused("f@x", Recipients({"t@x", "u@x\nDATA"}), bad + "u@x\\nDATA");
    CStringArray withNul = Recipients({"t@x"});
    withNul.Add(CString(std::string_view("v@x\0w@y", 7)));
    refused("f@x", withNul, bad + "v@x\\0w@y");

    // Too long for the 512-byte command line: refused, never cut.
    const std::string longAddress = std::string(498, 'l') + "@x";
    refused("f@x", Recipients({"t@x", longAddress.c_str()}), "SMTP コマンドが長すぎます。\r\n\r\n" + longAddress);
    refused(longAddress.c_str(), Recipients({"t@x"}), "SMTP コマンドが長すぎます。\r\n\r\n" + longAddress);

    CStringArray many;
    for (int i = 0; i < 101; ++i) many.Add("r@x");
    refused("f@x", many, CString("宛先が多すぎます。一度に送れる宛先は 100 件までです (この手紙は 101 件)。").Str());

    // The longest address that still fits, and exactly 100 recipients, pass.
    auto script = OpenedScript();
    CStringArray hundred;
    const std::string longest = std::string(511 - 12 - 2, 'k') + "@x";
    hundred.Add(longest.c_str());
    script->Reply("250 ok\r\n");
    for (int i = 0; i < 100; ++i) script->Reply("250 ok\r\n");
    for (int i = 1; i < 100; ++i) hundred.Add("r@x");
    script->Reply("354 go\r\n");
    CSmtp smtp(MakeFake(script));
    ASSERT_TRUE(smtp.Open("mx", 25));
    EXPECT_TRUE(smtp.Start("f@x", hundred));
    EXPECT_NE(script->ClientBytes().find("RCPT TO:<" + longest + ">\r\n"), std::string::npos);
}

TEST(SmtpConversation, CloseKeepsEarlierDetailAndEmptyCommandsSendNothing)
{
    auto script = OpenedScript();
    script->Reply("550 no such user\r\n");
    script->Reply("500 not now\r\n");
    TestSmtp smtp(MakeFake(script));
    ASSERT_TRUE(smtp.Open("mx", 25));
    unsigned int code = 0;
    EXPECT_FALSE(smtp.WriteString("", code));
    EXPECT_FALSE(smtp.WriteString(nullptr, code));
    EXPECT_FALSE(smtp.WriteFormatString(nullptr, "x", code));
    EXPECT_EQ(script->ClientBytes(), "HELO client.example\r\n");

    EXPECT_FALSE(smtp.WriteFormatString("RCPT TO:<%s>\r\n", "nobody@x", code));
    EXPECT_EQ(code, 550u);
    EXPECT_FALSE(smtp.Close());  // QUIT refused
    EXPECT_FALSE(smtp.IsOpen());
    CString detail;
    smtp.GetErrorDetail(detail);
    EXPECT_EQ(detail, "550 no such user\r\n");

    // Not open: nothing is sent and the detail is empty.
    EXPECT_FALSE(smtp.Start("f@x", Recipients({"t@x"})));
    EXPECT_FALSE(smtp.SendData("x"));
    EXPECT_FALSE(smtp.End());
    smtp.GetErrorDetail(detail);
    EXPECT_EQ(detail, "");
    EXPECT_EQ(script->ClientBytes(), "HELO client.example\r\nRCPT TO:<nobody@x>\r\nQUIT\r\n");
}

TEST(SmtpConversation, DestroyingAnOpenStreamEndsTheSession)
{
    auto script = OpenedScript();
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"}) script->Reply(reply);
    {
        CSmtpStream stream("mx", 25, "f@x", Recipients({"t@x"}), MakeFake(script));
        ASSERT_TRUE(stream.Open());
        ASSERT_TRUE(stream.Open());  // already open
        ASSERT_TRUE(stream.WriteString("text"));
    }
    EXPECT_EQ(script->log.back(), "S:221 bye\r\n");
    EXPECT_NE(script->ClientBytes().find("text\r\n.\r\nQUIT\r\n"), std::string::npos);

    // Abort drops the message: no end mark, no QUIT.
    auto second = OpenedScript();
    for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) second->Reply(reply);
    CSmtpStream stream("mx", 25, "f@x", Recipients({"t@x"}), MakeFake(second));
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.WriteString("text"));
    stream.Abort();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(stream.WriteString("more"));
    EXPECT_EQ(second->ClientBytes().find("text"), std::string::npos);
    EXPECT_EQ(second->shutdowns, 1);
}
