// Verifies the secured SMTP dialogue against a scripted fake server: EHLO and its fall-back to
// HELO, STARTTLS and implicit TLS, each AUTH mechanism byte for byte (CRAM-MD5 against the
// RFC 2195 example), and that no password ever leaves without TLS or after a refusal.
#include "FakeSmtpServer.h"

#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"
#include "smtp/CSmtp.h"
#include "smtp/CSmtpStream.h"

#include <gtest/gtest.h>

namespace {

using Log = std::vector<std::string>;

CSmtpSecurity Auth(const char* account, const char* password, CSmtpSecurity::TlsMode tls = CSmtpSecurity::TlsAuto)
{
    CSmtpSecurity security;
    security.tls = tls;
    security.needAuth = 1;
    security.account = account;
    security.password = password;
    return security;
}

// Greeting, first EHLO offering STARTTLS (and AUTH in the clear, which must not be used),
// STARTTLS accepted, second EHLO offering `auth`.
std::shared_ptr<FakeScript> StartTlsServer(const std::string& auth)
{
    auto script = std::make_shared<FakeScript>();
    script->Reply("220 mx ESMTP\r\n");
    script->Reply("250-mx\r\n250-PIPELINING\r\n250-AUTH PLAIN\r\n250 STARTTLS\r\n");
    script->Reply("220 2.0.0 Ready to start TLS\r\n");
    script->Reply("250-mx\r\n250-" + auth + "\r\n250 8BITMIME\r\n");
    return script;
}

const Log kStartTlsOpening = {
    "S:220 mx ESMTP\r\n",
    "C:EHLO client.example\r\n",
    "S:250-mx\r\n250-PIPELINING\r\n250-AUTH PLAIN\r\n250 STARTTLS\r\n",
    "C:STARTTLS\r\n",
    "S:220 2.0.0 Ready to start TLS\r\n",
    "TLS:smtp.example.jp",
    "C:EHLO client.example\r\n",
};

Log Append(Log log, const Log& more)
{
    log.insert(log.end(), more.begin(), more.end());
    return log;
}

std::string SecondEhlo(const std::string& auth) { return "S:250-mx\r\n250-" + auth + "\r\n250 8BITMIME\r\n"; }

}  // namespace

TEST(SmtpTls, EachMechanismExactBytesAfterStartTls)
{
    {
        // CRAM-MD5 is taken over PLAIN and LOGIN; the digest is the one of RFC 2195.
        auto script = StartTlsServer("AUTH LOGIN PLAIN CRAM-MD5");
        script->Reply("334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n");
        script->Reply("235 2.7.0 ok\r\n");
        script->Reply("221 bye\r\n");
        CSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 587, Auth("tim", "tanstaaftanstaaf")));
        EXPECT_TRUE(smtp.Close());
        EXPECT_EQ(script->log, Append(kStartTlsOpening, {
                                   SecondEhlo("AUTH LOGIN PLAIN CRAM-MD5"),
                                   "C:AUTH CRAM-MD5\r\n",
                                   "S:334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n",
                                   "C:dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n",
                                   "S:235 2.7.0 ok\r\n",
                                   "C:QUIT\r\n",
                                   "S:221 bye\r\n",
                               }));
    }
    {
        // PLAIN over LOGIN, with the initial response; the older "AUTH=" form is read too.
        auto script = StartTlsServer("AUTH=LOGIN PLAIN");
        script->Reply("235 2.7.0 ok\r\n");
        CSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        EXPECT_EQ(script->log, Append(kStartTlsOpening, {
                                   SecondEhlo("AUTH=LOGIN PLAIN"),
                                   "C:AUTH PLAIN AGFsaWNlAHMzY3JldA==\r\n",
                                   "S:235 2.7.0 ok\r\n",
                               }));
    }
    {
        auto script = StartTlsServer("auth login");
        script->Reply("334 VXNlcm5hbWU6\r\n");
        script->Reply("334 UGFzc3dvcmQ6\r\n");
        script->Reply("235 2.7.0 ok\r\n");
        CSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        EXPECT_EQ(script->log, Append(kStartTlsOpening, {
                                   SecondEhlo("auth login"),
                                   "C:AUTH LOGIN\r\n",
                                   "S:334 VXNlcm5hbWU6\r\n",
                                   "C:YWxpY2U=\r\n",
                                   "S:334 UGFzc3dvcmQ6\r\n",
                                   "C:czNjcmV0\r\n",
                                   "S:235 2.7.0 ok\r\n",
                               }));
    }
    {
        // Credentials are bytes: a Japanese user name and "pässwörd" (which code page 932
        // cannot hold) go out as the UTF-8 the user typed (RFC 4616), nothing replaced.
        auto script = StartTlsServer("AUTH PLAIN");
        script->Reply("235 2.7.0 ok\r\n");
        CSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 587,
                              Auth("\xE3\x81\x9F\xE3\x82\x8D\xE3\x81\x86", "p\xC3\xA4ssw\xC3\xB6rd")));
        EXPECT_EQ(script->log.back(), "S:235 2.7.0 ok\r\n");
        EXPECT_EQ(script->log[script->log.size() - 2], "C:AUTH PLAIN AOOBn+OCjeOBhgBww6Rzc3fDtnJk\r\n");
    }
}

TEST(SmtpTls, RefusalsStopBeforeThePasswordOrTheMessage)
{
    {
        // A rejected login: the server's reply is the detail, no MAIL FROM follows.
        auto script = StartTlsServer("AUTH PLAIN");
        script->Reply("535 5.7.8 Authentication credentials invalid\r\n");
        CSmtpStream stream("smtp.example.jp", 587, "from@example.jp", CStringArray{}, Auth("alice", "wrong"), MakeFake(script));
        EXPECT_FALSE(stream.Open());
        CString detail;
        stream.GetErrorDetail(detail);
        EXPECT_EQ(detail, "535 5.7.8 Authentication credentials invalid\r\n");
        EXPECT_EQ(script->ClientBytes().find("MAIL FROM"), std::string::npos);
    }
    {
        // LOGIN refused at the user name: the password is never sent.
        auto script = StartTlsServer("AUTH LOGIN");
        script->Reply("334 VXNlcm5hbWU6\r\n");
        script->Reply("535 5.7.8 no such user\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        EXPECT_EQ(script->ClientBytes().find("czNjcmV0"), std::string::npos);
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "535 5.7.8 no such user\r\n");
    }
    {
        // STARTTLS refused: the reply is the detail, and nothing more is sent.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->Reply("250-mx\r\n250-AUTH PLAIN LOGIN\r\n250 STARTTLS\r\n");
        script->Reply("454 4.7.0 TLS not available due to local problem\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "454 4.7.0 TLS not available due to local problem\r\n");
        EXPECT_EQ(script->ClientBytes(), "EHLO client.example\r\nSTARTTLS\r\n");
    }
    {
        // No STARTTLS offered while authentication is needed: refused before the password,
        // although the server offers AUTH in the clear.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->Reply("250-mx\r\n250 AUTH PLAIN LOGIN\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "SMTP サーバーが STARTTLS に対応していないため、送信を中止しました。"
                          "パスワードは暗号化されない接続では送りません。");
        EXPECT_EQ(script->ClientBytes(), "EHLO client.example\r\n");
    }
    {
        // --starttls without authentication: the same refusal, worded without the password.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->Reply("250 mx\r\n");
        CSmtpSecurity security;
        security.tls = CSmtpSecurity::TlsStartTls;
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 25, security));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "SMTP サーバーが STARTTLS に対応していないため、暗号化できません。");
    }
    {
        // A handshake that fails (a certificate that does not verify) ends the session with
        // the handshake's own text; the second EHLO and AUTH never go out.
        auto script = StartTlsServer("AUTH PLAIN");
        script->tlsFailure = "サーバー証明書を検証できませんでした。 (Hostname mismatch)";
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "サーバー証明書を検証できませんでした。 (Hostname mismatch)");
        EXPECT_EQ(script->ClientBytes(), "EHLO client.example\r\nSTARTTLS\r\n");
    }
    {
        // Bytes sent behind the 220 would be taken as if they had come over TLS: refused.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->Reply("250-mx\r\n250 STARTTLS\r\n");
        script->Reply("220 go ahead\r\n250-evil\r\n250 AUTH PLAIN\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        EXPECT_EQ(script->log.back(), "S:220 go ahead\r\n250-evil\r\n250 AUTH PLAIN\r\n");
        EXPECT_EQ(script->ClientBytes(), "EHLO client.example\r\nSTARTTLS\r\n");
    }
    {
        // None of the mechanisms known: the detail lists what the server offers.
        auto script = StartTlsServer("AUTH GSSAPI NTLM");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 587, Auth("alice", "s3cret")));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "SMTP サーバーが対応している認証方式 (CRAM-MD5, PLAIN, LOGIN) がありません。\r\n\r\nAUTH GSSAPI NTLM");
    }
}

TEST(SmtpTls, EhloFallBackAndImplicitTls)
{
    {
        // Port 465: TLS before the greeting. EHLO refused and nothing more needed: HELO.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 old\r\n");
        script->Reply("502 5.5.2 Error: command not recognized\r\n");
        script->Reply("250 old\r\n");
        CSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 465));
        const Log expected = {
            "TLS:smtp.example.jp",
            "S:220 old\r\n",
            "C:EHLO client.example\r\n",
            "S:502 5.5.2 Error: command not recognized\r\n",
            "C:HELO client.example\r\n",
            "S:250 old\r\n",
        };
        EXPECT_EQ(script->log, expected);
    }
    {
        // EHLO refused while authentication is needed: no fall-back, the reply is the detail.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 old\r\n");
        script->Reply("500 unrecognized\r\n");
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 2465, Auth("alice", "s3cret", CSmtpSecurity::TlsImplicit)));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "500 unrecognized\r\n");
        EXPECT_EQ(script->ClientBytes(), "EHLO client.example\r\n");
    }
    {
        // Implicit TLS with authentication: no STARTTLS; an EHLO reply beyond 512 bytes is read whole.
        std::string ehlo = "250-mx\r\n";
        for (int i = 0; i < 40; ++i) ehlo += "250-X-EXTENSION-NUMBER-" + std::to_string(i) + "\r\n";
        ehlo += "250 AUTH PLAIN\r\n";
        ASSERT_GT(ehlo.size(), 512u);
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->Reply(ehlo);
        script->Reply("235 ok\r\n");
        CSmtp smtp(MakeFake(script));
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 465, Auth("alice", "s3cret")));
        EXPECT_EQ(script->log.front(), "TLS:smtp.example.jp");
        EXPECT_EQ(script->ClientBytes(), "EHLO client.example\r\nAUTH PLAIN AGFsaWNlAHMzY3JldA==\r\n");
    }
    {
        // A failed implicit handshake: nothing read, nothing sent.
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx\r\n");
        script->tlsFailure = "TLS 接続に失敗しました。 (wrong version number)";
        CSmtp smtp(MakeFake(script));
        EXPECT_FALSE(smtp.Open("smtp.example.jp", 465));
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, "TLS 接続に失敗しました。 (wrong version number)");
        EXPECT_EQ(script->ClientBytes(), "");
    }
}

namespace {

class FakeFactory {
public:
    explicit FakeFactory(std::shared_ptr<FakeScript> script) : script_(std::move(script))
    {
        CSmtpSocket::SetFactory([this] { return MakeFake(script_); });
    }
    ~FakeFactory() { CSmtpSocket::SetFactory(nullptr); }

private:
    std::shared_ptr<FakeScript> script_;
};

}  // namespace

TEST(SmtpTls, SendTakesTheSecurityFromTheDocument)
{
    CMailDoc doc;
    doc.SetSendServer("smtp.example.jp", 587);
    doc.SetFromAddress(CAddress("", "", "alice@example.jp"));
    doc.AddToAddress(CAddress("", "", "bob@example.jp"));
    doc.SetSubject("t");
    doc.SetBody("hello\r\n");
    CProgressCallback progress("送信中", 0, nullptr);
    {
        auto script = std::make_shared<FakeScript>();
        FakeFactory factory(script);
        doc.SetSendSecurity(Auth("", "s3cret"));
        CString detail;
        EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
        EXPECT_EQ(detail, "SendAccount is empty.");
        EXPECT_TRUE(script->log.empty());
    }
    auto script = StartTlsServer("AUTH PLAIN");
    for (const char* reply : {"235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n", "221 bye\r\n"})
        script->Reply(reply);
    FakeFactory factory(script);
    doc.SetSendSecurity(Auth("alice", "s3cret"));
    doc.ClearAll();  // the next message of the same account keeps its settings
    doc.AddToAddress(CAddress("", "", "bob@example.jp"));
    CString detail;
    ASSERT_TRUE(CMailSendRecv::Send(doc, progress, detail)) << detail.Str();
    const std::string client = script->ClientBytes();
    EXPECT_EQ(client.find("EHLO client.example\r\nSTARTTLS\r\nEHLO client.example\r\nAUTH PLAIN AGFsaWNlAHMzY3JldA==\r\n"
                          "MAIL FROM:<alice@example.jp>\r\nRCPT TO:<bob@example.jp>\r\nDATA\r\n"),
              0u);
}

TEST(SmtpTls, EightBitMailIsAnnouncedToA8BitMimeServer)
{
    for (bool offered : {true, false}) {
        auto script = std::make_shared<FakeScript>();
        script->Reply("220 mx ESMTP\r\n");
        script->Reply(offered ? "250-mx\r\n250 8BITMIME\r\n" : "250 mx\r\n");
        script->Reply("250 ok\r\n");
        script->Reply("250 ok\r\n");
        script->Reply("354 go\r\n");
        CSmtp smtp(MakeFake(script));
        smtp.SetEightBit(1);
        ASSERT_TRUE(smtp.Open("smtp.example.jp", 465));
        CStringArray to;
        to.Add("t@x");
        ASSERT_TRUE(smtp.Start("f@x", to));
        EXPECT_EQ(script->log[script->log.size() - 6],
                  offered ? "C:MAIL FROM:<f@x> BODY=8BITMIME\r\n" : "C:MAIL FROM:<f@x>\r\n");
    }
}
