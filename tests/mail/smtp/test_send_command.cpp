// Verifies `quillon-mail send` end to end: exit 0 when a real server accepted the message,
// 1 with the detail on standard error when it refused it (also at the end of the data), when
// nobody listens and when the server stays silent past --timeout, 2 for usage errors.
#include "SmtpServerProcess.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <fstream>
#include <string>

namespace {

struct Result {
    int status = -1;
    std::string err;
};

std::string Utf8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

// Runs quillon-mail with `arguments` (shell words, already quoted).
Result RunTool(const std::string& arguments)
{
    char pattern[] = "/tmp/quillon-send-err-XXXXXX";
    int fd = ::mkstemp(pattern);
    ::close(fd);
    const std::string command = std::string(QUILLON_MAIL) + " " + arguments + " </dev/null >/dev/null 2>" + pattern;
    int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(pattern, std::ios::binary);
    result.err.assign(std::istreambuf_iterator<char>(in), {});
    ::unlink(pattern);
    return result;
}

// A loopback port that listens but never accepts: the kernel completes the connection and
// the server then says nothing.
class SilentPort {
public:
    SilentPort()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentPort() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

const std::string kMessage = "--from 'Sender <from@example.jp>' --to to@example.jp --cc cc@example.jp --subject hello";

}  // namespace

TEST(SendCommand, UsageErrors)
{
    EXPECT_EQ(RunTool("send " + kMessage).status, 2);
    EXPECT_EQ(RunTool("send --server").status, 2);
    EXPECT_EQ(RunTool("send --server 127.0.0.1 --port abc " + kMessage).status, 2);
    EXPECT_EQ(RunTool("send --server 127.0.0.1 --port 70000 " + kMessage).status, 2);
    EXPECT_EQ(RunTool("send --server 127.0.0.1 --timeout 0 " + kMessage).status, 2);
    EXPECT_EQ(RunTool("send --server 127.0.0.1 --bogus " + kMessage).status, 2);
}

TEST(SendCommand, NobodyListeningOrSilentServer)
{
    int closedPort = 0;
    {
        SilentPort probe;
        closedPort = probe.port();
    }
    Result refused = RunTool("send --server 127.0.0.1 --port " + std::to_string(closedPort) + " " + kMessage);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, Utf8(u8"ソケット通信エラー(Connect)  送信サーバー 127.0.0.1 のポート ") + std::to_string(closedPort)
                               + Utf8(u8" が接続を拒否しました。 (エラーコード: 111)\n"));

    SilentPort silent;
    Result timedOut = RunTool("send --server 127.0.0.1 --port " + std::to_string(silent.port()) + " --timeout 0.3 " + kMessage);
    EXPECT_EQ(timedOut.status, 1);
    EXPECT_EQ(timedOut.err, Utf8(u8"ソケット通信エラー(Recv)  送信サーバーから 1 秒待っても応答がありませんでした。 (エラーコード: 110)\n"));
}

TEST(SendCommand, AcceptedAndRefusedByARealServer)
{
    std::string why;
    if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;
    {
        SmtpServerProcess server;
        ASSERT_NE(server.Port(), 0);
        Result sent = RunTool("send --server 127.0.0.1 --port " + std::to_string(server.Port()) + " --sender-bcc " + kMessage);
        EXPECT_EQ(sent.status, 0) << sent.err;
        EXPECT_EQ(sent.err, "");
        EXPECT_NE(server.Read("1.eml").find("\r\nSubject: hello\r\n"), std::string::npos);
        EXPECT_NE(server.Read("1.json").find("\"rcpt_tos\": [\"to@example.jp\", \"cc@example.jp\", \"from@example.jp\"]"),
                  std::string::npos);
    }
    {
        SmtpServerProcess server("554 5.7.1 Message refused");
        ASSERT_NE(server.Port(), 0);
        Result refused = RunTool("send --server 127.0.0.1 --port " + std::to_string(server.Port()) + " " + kMessage);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, "554 5.7.1 Message refused\n");
    }
}
