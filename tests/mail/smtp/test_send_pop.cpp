// Verifies POP before SMTP in the send: a scripted POP3 server sees the login and its QUIT
// before a real SMTP server (aiosmtpd on loopback) is even connected, and the message arrives;
// a refused login fails the send with the POP3 server's reply and no SMTP connection.
#include "FakeSmtpServer.h"
#include "SmtpServerProcess.h"

#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"
#include "smtp/CSmtp.h"

#include <gtest/gtest.h>

namespace {

class SendPopBeforeSmtp : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;
        CSmtp::SetTimeout(20000);
        doc_.SetSubject("POP before SMTP");
        doc_.SetBody("本文です。\r\n");
        doc_.SetFromAddress(CAddress("", "送信者", "alice@example.jp"));
        doc_.AddToAddress(CAddress("", "", "bob@example.jp"));
        CSmtpSecurity security;
        security.needAuth = 1;
        security.method = CSmtpSecurity::MethodPopBeforeSmtp;
        security.account = "alice";
        security.password = "p\xC3\xA4ss";
        security.receiveServer = "pop.example.jp";
        security.receivePort = 110;
        doc_.SetSendSecurity(security);
    }
    void TearDown() override { CSmtp::SetTimeout(0); }

    CMailDoc doc_;
};

}  // namespace

TEST_F(SendPopBeforeSmtp, LogsInQuitsThenSendsWithoutSmtpAuth)
{
    SmtpServerProcess smtp;
    ASSERT_GT(smtp.Port(), 0);
    auto pop = std::make_shared<FakeScript>();
    for (const char* reply : {"+OK ready\r\n", "+OK\r\n", "+OK logged in\r\n", "+OK bye\r\n"}) pop->Reply(reply);
    FakePopThenRealSockets sockets(pop);

    doc_.SetSendServer("127.0.0.1", smtp.Port());
    CProgressCallback progress("送信中", 0, nullptr);
    CString detail;
    ASSERT_TRUE(CMailSendRecv::Send(doc_, progress, detail)) << detail.Str();
    EXPECT_EQ(pop->host, "pop.example.jp");
    EXPECT_EQ(pop->port, 110);
    EXPECT_EQ(pop->ClientBytes(), "USER alice\r\nPASS p\xC3\xA4ss\r\nQUIT\r\n");
    EXPECT_EQ(sockets.created, 2);
    EXPECT_TRUE(sockets.popDoneBeforeSmtp);
    // The plain HELO dialogue: no AUTH on the SMTP side (the server offers none).
    EXPECT_NE(smtp.Read("1.json").find("\"rcpt_tos\": [\"bob@example.jp\"]"), std::string::npos) << smtp.Read("1.json");
    EXPECT_NE(smtp.Read("1.eml").find("Subject: POP before SMTP"), std::string::npos);
}

TEST_F(SendPopBeforeSmtp, ARefusedLoginFailsWithTheServersReplyAndNoSmtp)
{
    SmtpServerProcess smtp;
    ASSERT_GT(smtp.Port(), 0);
    auto pop = std::make_shared<FakeScript>();
    for (const char* reply : {"+OK ready\r\n", "+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n", "+OK bye\r\n"})
        pop->Reply(reply);
    FakePopThenRealSockets sockets(pop);

    doc_.SetSendServer("127.0.0.1", smtp.Port());
    CProgressCallback progress("送信中", 0, nullptr);
    CString detail;
    EXPECT_FALSE(CMailSendRecv::Send(doc_, progress, detail));
    EXPECT_EQ(detail.Str(), "POP before SMTP: 受信サーバー pop.example.jp にログインできませんでした。\r\n\r\n"
                            "-ERR [AUTH] Authentication failed.");
    EXPECT_EQ(detail.Str().find("p\xC3\xA4ss"), std::string::npos);
    EXPECT_EQ(pop->ClientBytes(), "USER alice\r\nPASS p\xC3\xA4ss\r\nQUIT\r\n");
    EXPECT_EQ(sockets.created, 1);
    EXPECT_EQ(smtp.Read("1.eml"), "");
}

TEST_F(SendPopBeforeSmtp, AMissingReceiveServerOrPortFailsBeforeAnyConnection)
{
    auto pop = std::make_shared<FakeScript>();
    FakePopThenRealSockets sockets(pop);
    doc_.SetSendServer("127.0.0.1", 25);
    CSmtpSecurity security;
    doc_.GetSendSecurity(security);
    CProgressCallback progress("送信中", 0, nullptr);
    CString detail;

    security.receiveServer.Empty();
    doc_.SetSendSecurity(security);
    EXPECT_FALSE(CMailSendRecv::Send(doc_, progress, detail));
    EXPECT_EQ(detail.Str(), "ReceiveServer is empty.");

    security.receiveServer = "pop.example.jp";
    security.receivePort = 0;
    doc_.SetSendSecurity(security);
    EXPECT_FALSE(CMailSendRecv::Send(doc_, progress, detail));
    EXPECT_EQ(detail.Str(), "ReceivePort is invalid.");

    security.receivePort = 110;
    security.account.Empty();
    doc_.SetSendSecurity(security);
    EXPECT_FALSE(CMailSendRecv::Send(doc_, progress, detail));
    EXPECT_EQ(detail.Str(), "SendAccount is empty.");
    EXPECT_EQ(sockets.created, 0);
}
