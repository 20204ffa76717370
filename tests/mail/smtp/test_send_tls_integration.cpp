// Verifies secured sends against a real server (aiosmtpd) on loopback with a CA made by the
// test: STARTTLS + AUTH and implicit TLS deliver the message logged in and encrypted, and a
// certificate for another host, one from an untrusted CA and a wrong password are refused
// before any message leaves; quillon-mail does the same from its options and environment.
#include "SmtpServerProcess.h"
#include "TestCertificates.h"

#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"
#include "smtp/CSmtp.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstring>
#include <fstream>

namespace {

class SendTls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certificates_ = new TestCertificates; }
    static void TearDownTestSuite()
    {
        delete certificates_;
        certificates_ = nullptr;
    }
    void SetUp() override
    {
        std::string why;
        if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;
        if (!certificates_->Ok(why)) GTEST_SKIP() << why;
        CSmtp::SetTrustedCaFile(CPath::FromNative(certificates_->Ca()));
        CSmtp::SetTimeout(20000);
        doc_.SetSubject("暗号化テスト");
        doc_.SetBody("本文です。\r\n");
        doc_.SetFromAddress(CAddress("", "送信者", "alice@example.jp"));
        doc_.AddToAddress(CAddress("", "", "bob@example.jp"));
    }
    void TearDown() override
    {
        CSmtp::SetTrustedCaFile(CPath());
        CSmtp::SetTimeout(0);
    }

    // A server with the certificate `cert`, requiring the login alice / s3cret.
    static std::vector<std::string> Options(const std::string& cert, bool implicit, std::vector<std::string> more = {})
    {
        std::vector<std::string> options = {"--cert", certificates_->Cert(cert), "--key", certificates_->Key(cert),
                                            "--user", "alice", "--password", "s3cret"};
        if (implicit) options.push_back("--implicit");
        options.insert(options.end(), more.begin(), more.end());
        return options;
    }

    int Send(const char* host, int port, const CSmtpSecurity& security, CString& detail)
    {
        doc_.SetSendServer(host, port);
        doc_.SetSendSecurity(security);
        CProgressCallback progress("送信中", 0, nullptr);
        return CMailSendRecv::Send(doc_, progress, detail);
    }

    static CSmtpSecurity Login(const char* password, CSmtpSecurity::TlsMode tls = CSmtpSecurity::TlsAuto)
    {
        CSmtpSecurity security;
        security.tls = tls;
        security.needAuth = 1;
        security.account = "alice";
        security.password = password;
        return security;
    }

    static TestCertificates* certificates_;
    CMailDoc doc_;
};

TestCertificates* SendTls::certificates_ = nullptr;

const char* const kEnvelope = "{\"mail_from\": \"alice@example.jp\", \"rcpt_tos\": [\"bob@example.jp\"], \"helo\": \"";

}  // namespace

TEST_F(SendTls, StartTlsWithAuthAndImplicitTlsDeliver)
{
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host), 0);
    {
        // STARTTLS on a submission-like port; the server offers CRAM-MD5, checked by Python.
        SmtpServerProcess server(Options("good", false));
        ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
        CString detail;
        ASSERT_TRUE(Send("localhost", server.Port(), Login("s3cret"), detail)) << detail.Str();
        EXPECT_EQ(server.Read("1.json"), std::string(kEnvelope) + host + "\", \"login\": \"alice\", \"tls\": true}");
        EXPECT_NE(server.Read("1.eml").find("Subject: =?iso-2022-jp?B?"), std::string::npos);
    }
    for (const char* only : {"PLAIN", "LOGIN"}) {
        // Implicit TLS to the address itself (the certificate's IP name), one mechanism at a time.
        std::vector<std::string> exclude = {"--exclude", "CRAM-MD5", "--exclude", only == std::string("PLAIN") ? "LOGIN" : "PLAIN"};
        SmtpServerProcess server(Options("good", true, exclude));
        ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
        CString detail;
        ASSERT_TRUE(Send("127.0.0.1", server.Port(), Login("s3cret", CSmtpSecurity::TlsImplicit), detail))
            << only << ": " << detail.Str();
        EXPECT_EQ(server.Read("1.json"), std::string(kEnvelope) + host + "\", \"login\": \"alice\", \"tls\": true}");
    }
}

TEST_F(SendTls, WrongHostUntrustedCaAndWrongPasswordAreRefused)
{
    {
        // A certificate of the trusted CA, but for another name.
        SmtpServerProcess server(Options("wrong", false));
        ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
        CString detail;
        EXPECT_FALSE(Send("localhost", server.Port(), Login("s3cret"), detail));
        EXPECT_EQ(detail, "サーバー証明書を検証できませんでした。 (hostname mismatch)\r\n\r\nlocalhost");
        EXPECT_EQ(server.Read("1.json"), "");
    }
    {
        SmtpServerProcess server(Options("wrong", true));
        ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
        CString detail;
        EXPECT_FALSE(Send("127.0.0.1", server.Port(), Login("s3cret", CSmtpSecurity::TlsImplicit), detail));
        EXPECT_EQ(detail, "サーバー証明書を検証できませんでした。 (IP address mismatch)\r\n\r\n127.0.0.1");
    }
    {
        // The right name from a CA that is not trusted: the system's store alone does not know it.
        CSmtp::SetTrustedCaFile(CPath());
        ::unsetenv("QUILLON_SMTP_CA_FILE");
        SmtpServerProcess server(Options("good", false));
        ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
        CString detail;
        EXPECT_FALSE(Send("localhost", server.Port(), Login("s3cret"), detail));
        EXPECT_EQ(detail.Left(static_cast<int>(std::strlen("サーバー証明書を検証できませんでした。"))),
                  "サーバー証明書を検証できませんでした。");
        CSmtp::SetTrustedCaFile(CPath::FromNative(certificates_->Ca()));
    }
    {
        SmtpServerProcess server(Options("good", false));
        ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
        CString detail;
        EXPECT_FALSE(Send("localhost", server.Port(), Login("wrong"), detail));
        EXPECT_EQ(detail, "535 5.7.8 Authentication credentials invalid\r\n") << detail.Str();
        EXPECT_EQ(server.Read("1.json"), "");
    }
}

TEST_F(SendTls, ServerLostInTheDataIsAFailureNotASignal)
{
    // The server cuts the TLS connection while megabytes are still to come: writing on must
    // fail the send, not end the program with SIGPIPE.
    char pattern[] = "/tmp/quillon-tls-big-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string attachment = std::string(pattern) + "/big.bin";
    std::ofstream(attachment, std::ios::binary) << std::string(4000000, '\x5A');
    doc_.SetFiles({{CPath::FromNative(attachment), "big.bin"}});
    SmtpServerProcess server(Options("good", true, {"--drop-in-data"}));
    ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
    CString detail;
    EXPECT_FALSE(Send("localhost", server.Port(), Login("s3cret", CSmtpSecurity::TlsImplicit), detail));
    EXPECT_FALSE(detail.IsEmpty());
    std::system((std::string("rm -rf '") + pattern + "'").c_str());
}

TEST_F(SendTls, CommandLineTakesUserAndPasswordFromTheEnvironment)
{
    SmtpServerProcess server(Options("good", false));
    ASSERT_NE(server.Port(), 0) << "the SMTP server did not start";
    const std::string base = std::string(QUILLON_MAIL) + " send --server localhost --port " + std::to_string(server.Port()) +
                             " --from alice@example.jp --to bob@example.jp --subject t --body - --user alice";
    auto run = [&](const std::string& environment) {
        const std::string command = "echo hello | env -u QUILLON_SMTP_PASSWORD QUILLON_SMTP_CA_FILE='" +
                                    certificates_->Ca() + "' " + environment + " " + base + " >/dev/null 2>&1";
        int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(run(""), 2);  // no password in the environment: a usage error, nothing sent
    EXPECT_EQ(server.Read("1.json"), "");
    EXPECT_EQ(run("QUILLON_SMTP_PASSWORD=wrong"), 1);
    EXPECT_EQ(run("QUILLON_SMTP_PASSWORD=s3cret"), 0);
    EXPECT_NE(server.Read("1.json").find("\"login\": \"alice\", \"tls\": true}"), std::string::npos);
}
