// Verifies the POP3 client of POP before SMTP as conversations with a scripted server: USER
// and PASS with UTF-8 bytes, APOP against the RFC 1939 example, STLS and implicit TLS, a
// refused login with the server's text made visible, a greeting split across receives, a
// silent or lost server (the socket layer's own time-out is tested with real sockets in
// test_smtp_socket), and credentials that could break a command line.
#include "FakeSmtpServer.h"

#include "smtp/CPop3.h"

#include <gtest/gtest.h>

namespace {

using Log = std::vector<std::string>;

// "pässwörd" as UTF-8 bytes; narrow literals are code page 932, so the bytes are spelled out.
const std::string kUtf8Password = "p\xC3\xA4ssw\xC3\xB6rd";

std::shared_ptr<FakeScript> Server(std::vector<std::string> replies)
{
    auto script = std::make_shared<FakeScript>();
    for (auto& reply : replies) script->Reply(std::move(reply));
    return script;
}

std::string Detail(const CPop3& pop)
{
    CString detail;
    pop.GetErrorDetail(detail);
    return detail.Str();
}

}  // namespace

TEST(Pop3, UserAndPassGoOutAsUtf8BytesThenQuit)
{
    auto script = Server({"+OK POP3 ready\r\n", "+OK\r\n", "+OK logged in\r\n", "+OK bye\r\n"});
    CPop3 pop(MakeFake(script));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto)) << Detail(pop);
    EXPECT_EQ(pop.GetTimestamp(), "");
    ASSERT_TRUE(pop.Login("hanako@example.jp", kUtf8Password)) << Detail(pop);
    EXPECT_TRUE(pop.Close());
    EXPECT_EQ(script->host, "pop.example.jp");
    EXPECT_EQ(script->port, 110);
    EXPECT_EQ(script->log, (Log{
                               "S:+OK POP3 ready\r\n",
                               "C:USER hanako@example.jp\r\n",
                               "S:+OK\r\n",
                               "C:PASS p\xC3\xA4ssw\xC3\xB6rd\r\n",
                               "S:+OK logged in\r\n",
                               "C:QUIT\r\n",
                               "S:+OK bye\r\n",
                           }));
    EXPECT_EQ(script->shutdowns, 1);
}

TEST(Pop3, ApopWhenTheGreetingOffersATimestamp)
{
    // The example of RFC 1939 section 7.
    auto script = Server({"+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n", "+OK maildrop has 1 message\r\n",
                          "+OK\r\n"});
    CPop3 pop(MakeFake(script));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_EQ(pop.GetTimestamp(), "<1896.697170952@dbc.mtview.ca.us>");
    ASSERT_TRUE(pop.Login("mrose", "tanstaaf")) << Detail(pop);
    pop.Close();
    EXPECT_EQ(script->ClientBytes(), "APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\nQUIT\r\n");

    // Angle brackets that are no timestamp (no "@", a blank inside) leave USER and PASS.
    for (const char* greeting : {"+OK ready <no-at-sign>\r\n", "+OK ready <a b@c>\r\n", "+OK ready <@\r\n"}) {
        auto plain = Server({greeting, "+OK\r\n", "+OK\r\n", "+OK\r\n"});
        CPop3 other(MakeFake(plain));
        ASSERT_TRUE(other.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
        EXPECT_EQ(other.GetTimestamp(), "") << greeting;
        ASSERT_TRUE(other.Login("u", "p"));
        other.Close();
        EXPECT_EQ(plain->ClientBytes(), "USER u\r\nPASS p\r\nQUIT\r\n") << greeting;
    }
}

TEST(Pop3, StlsSecuresTheConnectionBeforeTheLogin)
{
    auto script = Server({"+OK ready\r\n", "+OK Begin TLS negotiation\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\n"});
    CPop3 pop(MakeFake(script));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsStartTls)) << Detail(pop);
    ASSERT_TRUE(pop.Login("u", "secret"));
    pop.Close();
    EXPECT_EQ(script->log, (Log{
                               "S:+OK ready\r\n",
                               "C:STLS\r\n",
                               "S:+OK Begin TLS negotiation\r\n",
                               "TLS:pop.example.jp",
                               "C:USER u\r\n",
                               "S:+OK\r\n",
                               "C:PASS secret\r\n",
                               "S:+OK\r\n",
                               "C:QUIT\r\n",
                               "S:+OK\r\n",
                           }));

    // A server without STLS is refused: nothing, least of all the password, goes out in the clear.
    auto refusing = Server({"+OK ready\r\n", "-ERR Unknown command\r\n"});
    CPop3 second(MakeFake(refusing));
    EXPECT_FALSE(second.Open("pop.example.jp", 110, CSmtpSecurity::TlsStartTls));
    EXPECT_EQ(Detail(second), "POP3 サーバーが STLS に対応していないため、暗号化できません。\r\n\r\n-ERR Unknown command");
    EXPECT_FALSE(second.Login("u", "secret"));
    second.Close();
    EXPECT_EQ(refusing->ClientBytes(), "STLS\r\n");

    // Bytes behind the STLS answer would pass as if they had come over TLS.
    auto injecting = Server({"+OK ready\r\n", "+OK go ahead\r\n+OK injected\r\n"});
    CPop3 third(MakeFake(injecting));
    EXPECT_FALSE(third.Open("pop.example.jp", 110, CSmtpSecurity::TlsStartTls));
    EXPECT_EQ(Detail(third), "POP3 サーバーが STLS の応答の後に余分なデータを送ってきたため、接続を中止しました。");
    EXPECT_EQ(injecting->log.back(), "S:+OK go ahead\r\n+OK injected\r\n");

    // A failed handshake says why, and the connection is not used again.
    auto untrusted = Server({"+OK ready\r\n", "+OK\r\n"});
    untrusted->tlsFailure = "サーバー証明書を検証できませんでした。";
    CPop3 fourth(MakeFake(untrusted));
    EXPECT_FALSE(fourth.Open("pop.example.jp", 110, CSmtpSecurity::TlsStartTls));
    EXPECT_EQ(Detail(fourth), "サーバー証明書を検証できませんでした。");
    fourth.Close();
    EXPECT_EQ(untrusted->ClientBytes(), "STLS\r\n");
}

TEST(Pop3, ImplicitTlsOnPort995OrWhenAskedFor)
{
    for (auto [port, tls] : {std::pair{995, CSmtpSecurity::TlsAuto}, std::pair{1995, CSmtpSecurity::TlsImplicit}}) {
        auto script = Server({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\n"});
        CPop3 pop(MakeFake(script));
        ASSERT_TRUE(pop.Open("pop.example.jp", port, tls));
        ASSERT_TRUE(pop.Login("u", "p"));
        pop.Close();
        ASSERT_GE(script->log.size(), 2u);
        EXPECT_EQ(script->log[0], "TLS:pop.example.jp");
        EXPECT_EQ(script->log[1], "S:+OK ready\r\n");
    }
    // Port 110 with the default stays plain.
    auto plain = Server({"+OK ready\r\n"});
    CPop3 pop(MakeFake(plain));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_EQ(plain->log[0], "S:+OK ready\r\n");
}

TEST(Pop3, RefusalsGiveTheServersOwnTextWithControlBytesMadeVisible)
{
    auto script = Server({"+OK ready\r\n", "+OK\r\n", "-ERR [AUTH] Authentication failed.\x1B[2J\a\r\n", "+OK bye\r\n"});
    CPop3 pop(MakeFake(script));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_FALSE(pop.Login("u", "wrong-password"));
    EXPECT_EQ(Detail(pop), "-ERR [AUTH] Authentication failed.\\x1B[2J\\x07");
    // The connection still stands, so it ends politely; the refusal stays the detail.
    EXPECT_TRUE(pop.Close());
    EXPECT_EQ(Detail(pop), "-ERR [AUTH] Authentication failed.\\x1B[2J\\x07");
    EXPECT_EQ(script->ClientBytes(), "USER u\r\nPASS wrong-password\r\nQUIT\r\n");

    // A refused user name: PASS is never sent.
    auto noUser = Server({"+OK ready\r\n", "-ERR no such user\r\n", "+OK\r\n"});
    CPop3 second(MakeFake(noUser));
    ASSERT_TRUE(second.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_FALSE(second.Login("u", "secret"));
    second.Close();
    EXPECT_EQ(noUser->ClientBytes(), "USER u\r\nQUIT\r\n");

    // A greeting that refuses: nothing is sent at all.
    auto busy = Server({"-ERR server busy\r\n"});
    CPop3 third(MakeFake(busy));
    EXPECT_FALSE(third.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_EQ(Detail(third), "-ERR server busy");
    third.Close();
    EXPECT_EQ(busy->ClientBytes(), "");

    // Something that is no POP3 reply at all.
    auto web = Server({"HTTP/1.1 400 Bad Request\r\n"});
    CPop3 fourth(MakeFake(web));
    EXPECT_FALSE(fourth.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_EQ(Detail(fourth), "POP3 サーバーの応答を読めません。\r\n\r\nHTTP/1.1 400 Bad Request");

    // A line without end is cut off at the limit instead of filling memory.
    auto endless = Server({"+OK " + std::string(CPop3::ReplyLimit, 'x')});
    CPop3 fifth(MakeFake(endless));
    EXPECT_FALSE(fifth.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_EQ(Detail(fifth), "POP3 応答が長すぎます。");
}

TEST(Pop3, RepliesAreReadToTheirLineEndAcrossReceives)
{
    auto script = Server({"+O", "K POP3 ", "ready <1.2@host>", "\r", "\n", "+OK\r", "\n", "+OK bye\n"});
    CPop3 pop(MakeFake(script));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto)) << Detail(pop);
    EXPECT_EQ(pop.GetTimestamp(), "<1.2@host>");
    ASSERT_TRUE(pop.Login("u", "p")) << Detail(pop);
    EXPECT_TRUE(pop.Close());
    EXPECT_EQ(script->ClientBytes().substr(0, 5), "APOP ");
}

TEST(Pop3, ASilentOrLostServerFailsWithTheSocketTextAndNoSecondWait)
{
    // Scripted: the greeting never comes.
    auto silent = Server({});
    CPop3 pop(MakeFake(silent));
    EXPECT_FALSE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    const std::string silence = "ソケット通信エラー(Recv)  受信サーバーから 60 秒待っても応答がありませんでした。 (エラーコード: 110)";
    EXPECT_EQ(Detail(pop), silence);

    // Silent after USER: no QUIT is sent into a connection that already failed.
    auto stalls = Server({"+OK ready\r\n"});
    CPop3 second(MakeFake(stalls));
    ASSERT_TRUE(second.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_FALSE(second.Login("u", "secret"));
    EXPECT_EQ(Detail(second), silence);
    EXPECT_TRUE(second.Close());
    EXPECT_EQ(stalls->ClientBytes(), "USER u\r\n");

    // The server hangs up after the greeting.
    auto hangsUp = Server({"+OK ready\r\n"});
    hangsUp->CloseConnection();
    CPop3 third(MakeFake(hangsUp));
    ASSERT_TRUE(third.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_FALSE(third.Login("u", "secret"));
    EXPECT_EQ(Detail(third), "ソケット通信エラー(Recv)  受信サーバーが接続を切りました。 (エラーコード: 104)");

    // A server that cannot be reached is named as the receive server.
    auto refused = Server({});
    refused->connectError = ECONNREFUSED;
    CPop3 fourth(MakeFake(refused));
    EXPECT_FALSE(fourth.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_EQ(Detail(fourth), "ソケット通信エラー(Connect)  受信サーバー pop.example.jp のポート 110 が接続を拒否しました。 (エラーコード: 111)");
}

TEST(Pop3, CredentialsThatCouldBreakTheCommandLineAreRefusedUnseen)
{
    const std::string password = "secret\r\nDELE 1";
    auto script = Server({"+OK ready\r\n", "+OK\r\n"});
    CPop3 pop(MakeFake(script));
    ASSERT_TRUE(pop.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_FALSE(pop.Login("u", password));
    EXPECT_EQ(Detail(pop), "POP3 のユーザー名またはパスワードに改行文字または NUL 文字が含まれています。");
    EXPECT_FALSE(pop.Login(std::string("u\0x", 3), "p"));
    EXPECT_FALSE(pop.Login("u\nQUIT", "p"));
    EXPECT_EQ(script->ClientBytes(), "");
    EXPECT_TRUE(pop.Close());
    EXPECT_EQ(script->ClientBytes(), "QUIT\r\n");

    // Too long for a command line (255 bytes): refused without showing it.
    const std::string longPassword(300, 'k');

    auto second = Server({"+OK ready\r\n", "+OK\r\n", "+OK\r\n"});
    CPop3 other(MakeFake(second));
    ASSERT_TRUE(other.Open("pop.example.jp", 110, CSmtpSecurity::TlsAuto));
    EXPECT_FALSE(other.Login("u", longPassword));
    EXPECT_EQ(Detail(other), "POP3 のユーザー名またはパスワードが長すぎます。");
    EXPECT_EQ(second->ClientBytes().find(longPassword), std::string::npos);
}
