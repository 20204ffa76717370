// Verifies the POP3 client against a real server, dovecot on loopback with a user database of
// its own (at most one wrong password per server: dovecot delays every later login from the
// same address): USER/PASS with an ASCII and a UTF-8 password, APOP when the greeting offers it,
// STLS and implicit TLS with a CA made by the test (and a certificate it does not trust
// refused), dovecot's own refusal text, and a whole send with POP before SMTP to aiosmtpd.
#include "DovecotProcess.h"
#include "SmtpServerProcess.h"
#include "TestCertificates.h"

#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CPop3.h"
#include "smtp/CProgressCallback.h"
#include "smtp/CSmtp.h"

#include <gtest/gtest.h>

namespace {

// "pässwörd" as UTF-8 bytes; narrow literals are code page 932, so the bytes are spelled out.
const std::string kUtf8Password = "p\xC3\xA4ssw\xC3\xB6rd";
const std::string kUsers = "alice:s3cret\nhanako:" + kUtf8Password + "\n";

std::string Detail(const CPop3& pop)
{
    CString detail;
    pop.GetErrorDetail(detail);
    return detail.Str();
}

class Pop3Dovecot : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certificates_ = new TestCertificates; }
    static void TearDownTestSuite()
    {
        delete certificates_;
        certificates_ = nullptr;
    }
    void SetUp() override { CSmtp::SetTimeout(20000); }
    void TearDown() override
    {
        CSmtp::SetTrustedCaFile(CPath());
        CSmtp::SetTimeout(0);
    }
    static DovecotProcess::Options WithTls(bool apop = false)
    {
        DovecotProcess::Options options;
        options.apop = apop;
        options.cert = certificates_->Cert("good");
        options.key = certificates_->Key("good");
        return options;
    }
    // Logs in and QUITs; the detail of the first failure, or "" on success.
    static std::string LogIn(int port, CSmtpSecurity::TlsMode tls, const std::string& user, const std::string& password)
    {
        CPop3 pop;
        if (!pop.Open("127.0.0.1", port, tls)) return "open: " + Detail(pop);
        if (!pop.Login(user, password)) {
            std::string detail = Detail(pop);
            pop.Close();
            return detail;
        }
        return pop.Close() ? "" : "quit: " + Detail(pop);
    }

    static TestCertificates* certificates_;
};

TestCertificates* Pop3Dovecot::certificates_ = nullptr;

#define START_DOVECOT(name, options)                                   \
    DovecotProcess name(options, kUsers);                              \
    if (std::string why; !name.Ready(why)) GTEST_SKIP() << why

}  // namespace

TEST_F(Pop3Dovecot, UserAndPassWithAsciiAndUtf8Passwords)
{
    START_DOVECOT(dovecot, DovecotProcess::Options{});
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsAuto, "alice", "s3cret"), "");
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsAuto, "hanako", kUtf8Password), "");
    // The same password through code page 932 and back would not be these bytes.
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsAuto, "hanako", "p\x81\xACssw\x81\xACrd"),
              "-ERR [AUTH] Authentication failed.");
    const std::string log = dovecot.Log();
    EXPECT_NE(log.find("Login: user=<alice>, method=PLAIN"), std::string::npos) << log;
    EXPECT_NE(log.find("Login: user=<hanako>, method=PLAIN"), std::string::npos) << log;
}

TEST_F(Pop3Dovecot, ApopWhenTheGreetingOffersIt)
{
    DovecotProcess::Options apop;
    apop.apop = true;
    START_DOVECOT(dovecot, apop);
    CPop3 pop;
    ASSERT_TRUE(pop.Open("127.0.0.1", dovecot.Port(), CSmtpSecurity::TlsAuto)) << Detail(pop);
    EXPECT_NE(pop.GetTimestamp(), "");
    pop.Close();
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsAuto, "hanako", kUtf8Password), "");
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsAuto, "alice", "wrong"), "-ERR [AUTH] Authentication failed.");
    const std::string log = dovecot.Log();
    EXPECT_NE(log.find("Login: user=<hanako>, method=APOP"), std::string::npos) << log;
    EXPECT_EQ(log.find("method=PLAIN"), std::string::npos) << log;
}

TEST_F(Pop3Dovecot, StlsAndImplicitTlsWithTheCertificateChecked)
{
    std::string why;
    if (!certificates_->Ok(why)) GTEST_SKIP() << why;
    START_DOVECOT(dovecot, WithTls(true));
    // A CA nobody trusts: refused before any credential is sent.
    CPop3 untrusted;
    EXPECT_FALSE(untrusted.Open("127.0.0.1", dovecot.TlsPort(), CSmtpSecurity::TlsImplicit));
    EXPECT_EQ(Detail(untrusted).rfind("サーバー証明書を検証できませんでした。", 0), 0u) << Detail(untrusted);
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsStartTls, "alice", "s3cret").rfind("open: サーバー証明書", 0), 0u);

    CSmtp::SetTrustedCaFile(CPath::FromNative(certificates_->Ca()));
    EXPECT_EQ(LogIn(dovecot.Port(), CSmtpSecurity::TlsStartTls, "alice", "s3cret"), "");
    EXPECT_EQ(LogIn(dovecot.TlsPort(), CSmtpSecurity::TlsImplicit, "hanako", kUtf8Password), "");
    EXPECT_EQ(LogIn(dovecot.TlsPort(), CSmtpSecurity::TlsImplicit, "alice", "wrong"), "-ERR [AUTH] Authentication failed.");
    const std::string log = dovecot.Log();
    EXPECT_NE(log.find("Login: user=<alice>, method=APOP, rip=127.0.0.1, lip=127.0.0.1, mpid="), std::string::npos) << log;
    // Every login went over TLS.
    std::size_t logins = 0, overTls = 0;
    for (std::size_t at = log.find("Login: user="); at != std::string::npos; at = log.find("Login: user=", at + 1)) {
        ++logins;
        if (log.substr(at, log.find('\n', at) - at).find(", TLS,") != std::string::npos) ++overTls;
    }
    EXPECT_EQ(logins, 2u);
    EXPECT_EQ(overTls, 2u);
}

TEST_F(Pop3Dovecot, ASendWithPopBeforeSmtp)
{
    std::string why;
    if (!certificates_->Ok(why)) GTEST_SKIP() << why;
    if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;
    START_DOVECOT(dovecot, WithTls());
    SmtpServerProcess smtp;
    ASSERT_GT(smtp.Port(), 0);
    CSmtp::SetTrustedCaFile(CPath::FromNative(certificates_->Ca()));

    CMailDoc doc;
    doc.SetSendServer("127.0.0.1", smtp.Port());
    doc.SetFromAddress(CAddress("", "花子", "hanako@example.jp"));
    doc.AddToAddress(CAddress("", "", "bob@example.jp"));
    doc.SetSubject("POP before SMTP");
    doc.SetBody("本文\r\n");
    CSmtpSecurity security;
    security.needAuth = 1;
    security.method = CSmtpSecurity::MethodPopBeforeSmtp;
    security.account = "hanako";
    security.password = kUtf8Password;
    security.receiveServer = "127.0.0.1";
    security.receivePort = dovecot.Port();
    security.receiveTls = CSmtpSecurity::TlsStartTls;
    doc.SetSendSecurity(security);

    CProgressCallback progress("送信中", 0, nullptr);
    CString detail;
    ASSERT_TRUE(CMailSendRecv::Send(doc, progress, detail)) << detail.Str();
    EXPECT_NE(smtp.Read("1.eml").find("Subject: POP before SMTP"), std::string::npos);
    const std::string log = dovecot.Log();
    EXPECT_NE(log.find("Login: user=<hanako>, method=PLAIN"), std::string::npos) << log;
    EXPECT_NE(log.find("Logged out"), std::string::npos) << log;

    security.password = "wrong";
    doc.SetSendSecurity(security);
    EXPECT_FALSE(CMailSendRecv::Send(doc, progress, detail));
    EXPECT_EQ(detail.Str(), "POP before SMTP: 受信サーバー 127.0.0.1 にログインできませんでした。\r\n\r\n"
                            "-ERR [AUTH] Authentication failed.");
    EXPECT_EQ(smtp.Read("2.eml"), "");
}
