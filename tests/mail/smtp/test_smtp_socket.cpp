// Verifies the real socket channel on loopback: IPv4 and IPv6 conversations, a refused
// connection, and the time-out of a server that never answers or never reads, with the
// user interface's paint pump called while the wait goes on.
#include "model/CPlatformUi.h"
#include "smtp/CSmtp.h"
#include "smtp/CSmtpSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// A one-connection server on a free loopback port, its conversation run by `handler` on a
// thread of its own.
class LoopbackServer {
public:
    explicit LoopbackServer(std::function<void(int)> handler, bool ipv6 = false)
    {
        listen_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (ipv6) {
            sockaddr_in6 address{};
            address.sin6_family = AF_INET6;
            address.sin6_addr = in6addr_loopback;
            ok_ = ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        } else {
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ok_ = ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        }
        if (!ok_ || ::listen(listen_, 1) != 0) {
            ok_ = false;
            return;
        }
        sockaddr_storage bound{};
        socklen_t size = sizeof bound;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&bound), &size);
        port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                           : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        thread_ = std::thread([this, handler] {
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0) return;
            handler(fd);
            ::close(fd);
        });
    }
    ~LoopbackServer()
    {
        ::shutdown(listen_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(listen_);
    }
    bool ok() const { return ok_; }
    int port() const { return port_; }

private:
    int listen_ = -1;
    int port_ = 0;
    bool ok_ = false;
    std::thread thread_;
};

std::string ReadLine(int fd)
{
    std::string line;
    char c = 0;
    while (::recv(fd, &c, 1, 0) == 1) {
        line += c;
        if (c == '\n') break;
    }
    return line;
}

// Reads the data up to the end mark; returns it with the mark.
std::string ReadData(int fd)
{
    std::string data;
    char buffer[65536];
    while (data.size() < 5 || data.compare(data.size() - 5, 5, "\r\n.\r\n") != 0) {
        ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0) break;
        data.append(buffer, static_cast<std::size_t>(count));
    }
    return data;
}

void Write(int fd, const std::string& text)
{
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

CStringArray One(const char* to)
{
    CStringArray list;
    list.Add(to);
    return list;
}

class CountingUi : public CPlatformUi {
public:
    std::unique_ptr<CProgressView> CreateProgressDlg(const CString&, int, CWnd*) override { return nullptr; }
    void DoEvents() override {}
    void PumpPaint() override { ++paints; }
    int MessageBox(CWnd*, const CString&, const CString&, unsigned int) override { return IDOK; }
    int paints = 0;
};

double Seconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct ShortTimeout {
    explicit ShortTimeout(int milliseconds) { CSmtp::SetTimeout(milliseconds); }
    ~ShortTimeout() { CSmtp::SetTimeout(0); }
};

// A whole session against a server thread, with 3 MB of text so the sends go out in parts.
void RunConversation(bool ipv6)
{
    std::string received;
    std::string text;
    for (int i = 0; i < 40000; ++i) text += i % 7 == 0 ? ".dotted line of the message text\r\n" : "a plain line of the message text ..\r\n";
    text += std::string(1000000, 'x');
    LoopbackServer server(
        [&](int fd) {
            Write(fd, "220-loopback\r\n220 ready\r\n");
            for (const char* reply : {"250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
                received += ReadLine(fd);
                Write(fd, reply);
            }
            received += ReadData(fd);
            Write(fd, "250 queued\r\n");
            received += ReadLine(fd);
            Write(fd, "221 bye\r\n");
        },
        ipv6);
    if (!server.ok()) GTEST_SKIP() << "no loopback for this address family";

    CSmtp smtp;
    ASSERT_TRUE(smtp.Open(ipv6 ? "::1" : "127.0.0.1", server.port()));
    ASSERT_TRUE(smtp.Start("f@example.jp", One("t@example.jp")));
    ASSERT_TRUE(smtp.SendData(text.c_str()));
    ASSERT_TRUE(smtp.End());
    ASSERT_TRUE(smtp.Close());

    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host), 0);
    std::string stuffed;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' && (i == 0 || text[i - 1] == '\n')) stuffed += '.';
        stuffed += text[i];
    }
    const std::string expected = std::string("HELO ") + host + "\r\nMAIL FROM:<f@example.jp>\r\nRCPT TO:<t@example.jp>\r\nDATA\r\n" +
                                 stuffed + "\r\n.\r\nQUIT\r\n";
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

}  // namespace

TEST(SmtpSocket, ConversationOverIpv4AndIpv6)
{
    RunConversation(false);
    RunConversation(true);
}

TEST(SmtpSocket, RefusedConnection)
{
    int port = 0;
    {
        LoopbackServer probe([](int) {});
        ASSERT_TRUE(probe.ok());
        port = probe.port();
        // Connect once so the server thread ends; the port is then closed.
        CSmtpSocket socket;
        ASSERT_TRUE(socket.Connect("127.0.0.1", "smtp", port));
        EXPECT_TRUE(socket.Close());
        EXPECT_FALSE(socket.IsConnected());
    }
    CSmtp smtp;
    EXPECT_FALSE(smtp.Open("127.0.0.1", port));
    CString detail;
    smtp.GetErrorDetail(detail);
    CString expected;
    expected.Format("ソケット通信エラー(Connect)  送信サーバー 127.0.0.1 のポート %d が接続を拒否しました。 (エラーコード: 111)", port);
    EXPECT_EQ(detail, expected);

    CSmtpSocket socket;
    EXPECT_FALSE(socket.Connect(nullptr, "smtp", 25));
    EXPECT_EQ(socket.GetErrorText(), "ソケット通信エラー(Connect)  通信エラーが起きました。 (エラーコード: 22)");
    char byte = 0;
    EXPECT_EQ(socket.Send(&byte, 0), 0);
    EXPECT_EQ(socket.Receive(nullptr, 1), 0);

    // A name the resolver does not know is named, not given as a bare resolver code.
    EXPECT_FALSE(socket.Connect("smtp.example.invalid", "smtp", 25));
    const std::string text = socket.GetErrorText().Str();
    const bool notFound = text.find(CString("送信サーバー smtp.example.invalid が見つかりません。").Str()) != std::string::npos;
    const bool noResolver = text.find(CString("送信サーバー smtp.example.invalid の名前を").Str()) != std::string::npos;
    EXPECT_TRUE(notFound || noResolver) << text;
}

TEST(SmtpSocket, SilentServerTimesOutWhilePainting)
{
    std::atomic<bool> done{false};
    LoopbackServer server([&](int) {
        while (!done) ::usleep(10000);
    });
    ASSERT_TRUE(server.ok());
    ShortTimeout timeout(300);
    CountingUi ui;
    CPlatformUi::Set(&ui);
    CSmtp smtp;
    const double start = Seconds();
    EXPECT_FALSE(smtp.Open("127.0.0.1", server.port()));
    const double elapsed = Seconds() - start;
    CPlatformUi::Set(nullptr);
    done = true;
    CString detail;
    smtp.GetErrorDetail(detail);
    // The seconds waited, rounded up: 0.3 s is 1.
    EXPECT_EQ(detail, "ソケット通信エラー(Recv)  送信サーバーから 1 秒待っても応答がありませんでした。 (エラーコード: 110)");
    EXPECT_GT(ui.paints, 0);
    // Not a speed check: only that the wait ended near its time-out instead of hanging.
    EXPECT_LT(elapsed, 30.0);
}

TEST(SmtpSocket, ConnectionThatIsNeverCompletedTimesOut)
{
    // A listener whose accept queue is full drops further connection requests unanswered.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        queued.push_back(fd);
    }
    ::usleep(100000);
    ShortTimeout timeout(300);
    CSmtp smtp;
    EXPECT_FALSE(smtp.Open("127.0.0.1", ntohs(address.sin_port)));
    CString detail;
    smtp.GetErrorDetail(detail);
    CString expected;
    expected.Format("ソケット通信エラー(Connect)  送信サーバー 127.0.0.1 に 1 秒待っても接続できませんでした。 (エラーコード: 110)");
    EXPECT_EQ(detail, expected);
    for (int fd : queued) ::close(fd);
    ::close(listener);
}

TEST(SmtpSocket, ServerThatStopsReadingTimesOutTheSend)
{
    std::atomic<bool> done{false};
    LoopbackServer server([&](int fd) {
        Write(fd, "220 ready\r\n");
        for (const char* reply : {"250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
            ReadLine(fd);
            Write(fd, reply);
        }
        while (!done) ::usleep(10000);
    });
    ASSERT_TRUE(server.ok());
    ShortTimeout timeout(300);
    CSmtp smtp;
    ASSERT_TRUE(smtp.Open("127.0.0.1", server.port()));
    ASSERT_TRUE(smtp.Start("f@x", One("t@x")));
    const std::string text(64 * 1024 * 1024, 'x');
    EXPECT_FALSE(smtp.SendData(text.c_str()));
    done = true;
    CString detail;
    smtp.GetErrorDetail(detail);
    EXPECT_EQ(detail, "ソケット通信エラー(Send)  送信サーバーから 1 秒待っても応答がありませんでした。 (エラーコード: 110)");
}

TEST(SmtpSocket, EndOfDataWaitsLongerThanTheTimeOutAndCanBeCancelled)
{
    // The server takes longer than the time-out to accept the data, as a busy one may.
    {
        LoopbackServer server([&](int fd) {
            Write(fd, "220 ready\r\n");
            for (const char* reply : {"250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
                ReadLine(fd);
                Write(fd, reply);
            }
            ReadData(fd);
            ::usleep(900000);
            Write(fd, "250 queued at last\r\n");
            if (ReadLine(fd) == "QUIT\r\n") Write(fd, "221 bye\r\n");
        });
        ASSERT_TRUE(server.ok());
        ShortTimeout timeout(300);
        CSmtp smtp;
        ASSERT_TRUE(smtp.Open("127.0.0.1", server.port()));
        ASSERT_TRUE(smtp.Start("f@x", One("t@x")));
        ASSERT_TRUE(smtp.SendData("text\r\n"));
        EXPECT_TRUE(smtp.End());
        EXPECT_TRUE(smtp.Close());
    }
    // The user cancels while the server thinks; and a server silent at MAIL gets no QUIT
    // after the time-out, so the user does not wait a second time.
    for (bool cancel : {true, false}) {
        std::atomic<bool> done{false};
        std::string afterSilence = "unset";
        {
        LoopbackServer server([&](int fd) {
            Write(fd, "220 ready\r\n");
            ReadLine(fd);
            Write(fd, "250 hi\r\n");
            if (cancel) {
                for (const char* reply : {"250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
                    ReadLine(fd);
                    Write(fd, reply);
                }
                ReadData(fd);
            } else {
                ReadLine(fd);  // MAIL FROM, never answered
            }
            while (!done) ::usleep(10000);
            ::shutdown(fd, SHUT_WR);
            afterSilence = ReadLine(fd);
        });
        ASSERT_TRUE(server.ok());
        ShortTimeout timeout(300);
        CSmtp smtp;
        ASSERT_TRUE(smtp.Open("127.0.0.1", server.port()));
        const double start = Seconds();
        if (cancel) {
            smtp.SetCancelCheck([start] { return Seconds() - start > 0.5; });
            ASSERT_TRUE(smtp.Start("f@x", One("t@x")));
            ASSERT_TRUE(smtp.SendData("text\r\n"));
            EXPECT_FALSE(smtp.End());
        } else {
            EXPECT_FALSE(smtp.Start("f@x", One("t@x")));
        }
        CString detail;
        smtp.GetErrorDetail(detail);
        EXPECT_EQ(detail, cancel ? "ソケット通信エラー(Recv)  送信を中止しました。 (エラーコード: 125)"
                                 : "ソケット通信エラー(Recv)  送信サーバーから 1 秒待っても応答がありませんでした。 (エラーコード: 110)");
        smtp.Close();
        done = true;
        }
        EXPECT_EQ(afterSilence, "");
    }
}
