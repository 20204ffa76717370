#pragma once
// A scripted SMTP server behind the socket seam of CSmtpSocket. The script is the list of
// pieces the server's receives hand out, in order, so one reply can arrive in several pieces;
// everything the client sends is recorded. The conversation log merges both directions in
// the order they happened ("S:" server, "C:" client), so a test compares the exact bytes and
// order of every command with one EXPECT_EQ.

#include "smtp/CSmtpSocket.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct FakeScript {
    // What the server does at a receive: hand out a piece, close, or fail with an error.
    struct Event {
        enum Kind { Piece, Close, Error } kind;
        std::string bytes;
        int error = 0;
    };

    // Server side, set up by the test.
    std::deque<Event> events;
    int connectError = 0;
    bool hostNameFails = false;
    std::string hostName = "client.example";
    // What a TLS handshake ends with: empty for success, else the failure text.
    std::string tlsFailure;
    // The server stops reading (sends fail with EPIPE) once this many bytes came in.
    std::size_t acceptBytes = static_cast<std::size_t>(-1);

    // Recorded.
    std::string host;
    int port = 0;
    std::vector<std::string> log;
    std::vector<std::string> sends;
    std::size_t received = 0;
    bool peerClosed = false;
    int shutdowns = 0;

    void Reply(std::string piece) { events.push_back({Event::Piece, std::move(piece)}); }
    void CloseConnection() { events.push_back({Event::Close, {}}); }

    void Record(char side, const std::string& bytes)
    {
        if (!log.empty() && log.back()[0] == side) log.back() += bytes;
        else log.push_back(std::string(1, side) + ":" + bytes);
    }
    // The client side of the log only, concatenated.
    std::string ClientBytes() const
    {
        std::string all;
        for (const auto& entry : log)
            if (entry[0] == 'C') all += entry.substr(2);
        return all;
    }
};

class FakeSmtpServer : public CSmtpSocket {
public:
    explicit FakeSmtpServer(std::shared_ptr<FakeScript> script) : script_(std::move(script)) {}

protected:
    int DoConnect(const char* host, int port, int& error) override
    {
        script_->host = host;
        script_->port = port;
        if (script_->connectError) {
            error = script_->connectError;
            return -1;
        }
        return 0;
    }
    int DoShutdown(int&) override
    {
        ++script_->shutdowns;
        return 0;
    }
    void DoClose() override {}
    int DoSend(const char* data, int length, int& error) override
    {
        if (script_->peerClosed || script_->received >= script_->acceptBytes) {
            error = EPIPE;
            return -1;
        }
        std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(length),
                                                 script_->acceptBytes - script_->received);
        std::string bytes(data, take);
        script_->received += take;
        script_->sends.push_back(bytes);
        script_->Record('C', bytes);
        return static_cast<int>(take);
    }
    int DoReceive(char* buffer, int size, int& error) override
    {
        if (script_->peerClosed) return 0;
        if (script_->events.empty()) {
            // Nothing scripted: the server stays silent until the time-out.
            error = ETIMEDOUT;
            return -1;
        }
        FakeScript::Event& event = script_->events.front();
        if (event.kind == FakeScript::Event::Close) {
            script_->events.pop_front();
            script_->peerClosed = true;
            return 0;
        }
        if (event.kind == FakeScript::Event::Error) {
            error = event.error;
            script_->events.pop_front();
            return -1;
        }
        int count = std::min(size, static_cast<int>(event.bytes.size()));
        std::memcpy(buffer, event.bytes.data(), static_cast<std::size_t>(count));
        script_->Record('S', event.bytes.substr(0, static_cast<std::size_t>(count)));
        event.bytes.erase(0, static_cast<std::size_t>(count));
        if (event.bytes.empty()) script_->events.pop_front();
        return count;
    }
    // The handshake is recorded as one log entry "TLS:<host>"; it moves no scripted bytes.
    int DoStartTls(const char* host, CString& failure) override
    {
        script_->log.push_back(std::string("TLS:") + host);
        if (script_->tlsFailure.empty()) return 0;
        failure = script_->tlsFailure.c_str();
        return -1;
    }
    int DoGetHostName(char* name, int size) override
    {
        if (script_->hostNameFails) return 0;
        std::snprintf(name, static_cast<std::size_t>(size), "%s", script_->hostName.c_str());
        return 1;
    }

private:
    std::shared_ptr<FakeScript> script_;
};

inline std::unique_ptr<CSmtpSocket> MakeFake(const std::shared_ptr<FakeScript>& script)
{
    return std::make_unique<FakeSmtpServer>(script);
}

// For POP before SMTP: the first channel made is the scripted POP3 server of `pop`, every
// later one a real socket (the SMTP session to a loopback server). Restores the real
// factory when it goes.
class FakePopThenRealSockets {
public:
    explicit FakePopThenRealSockets(std::shared_ptr<FakeScript> pop) : pop_(std::move(pop))
    {
        CSmtpSocket::SetFactory([this]() -> std::unique_ptr<CSmtpSocket> {
            if (++created == 1) return MakeFake(pop_);
            // The SMTP session starts only after the POP3 session ended.
            popDoneBeforeSmtp = !pop_->log.empty() && pop_->log.back() == "S:+OK bye\r\n" && pop_->shutdowns == 1;
            return std::make_unique<CSmtpSocket>();
        });
    }
    ~FakePopThenRealSockets() { CSmtpSocket::SetFactory(nullptr); }
    FakePopThenRealSockets(const FakePopThenRealSockets&) = delete;
    FakePopThenRealSockets& operator=(const FakePopThenRealSockets&) = delete;

    int created = 0;
    bool popDoneBeforeSmtp = false;

private:
    std::shared_ptr<FakeScript> pop_;
};
