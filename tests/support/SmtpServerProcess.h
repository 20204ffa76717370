#pragma once
// Starts the aiosmtpd server of smtp_server.py with Debian's /usr/bin/python3 on a free
// loopback port, and stops it again. Messages land in a fresh folder as <n>.eml and
// <n>.json. Available() says why not when the server cannot run here.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

class SmtpServerProcess {
public:
    static bool Available(std::string& why)
    {
        if (::access("/usr/bin/python3", X_OK) != 0) {
            why = "/usr/bin/python3 is missing";
            return false;
        }
        if (std::system("/usr/bin/python3 -c 'import aiosmtpd' >/dev/null 2>&1") != 0) {
            why = "/usr/bin/python3 lacks aiosmtpd (Debian package python3-aiosmtpd)";
            return false;
        }
        return true;
    }

    explicit SmtpServerProcess(const std::string& refuse = "")
        : SmtpServerProcess(refuse.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--refuse", refuse})
    {
    }
    // Further arguments of smtp_server.py (--cert, --key, --implicit, --user, ...).
    explicit SmtpServerProcess(const std::vector<std::string>& arguments)
    {
        char pattern[] = "/tmp/quillon-smtp-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        folder_ = pattern;
        const std::string portFile = folder_ + "/port";
        std::vector<std::string> words = {"python3", SMTP_SERVER_SCRIPT, "--out", folder_, "--port-file", portFile};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execv("/usr/bin/python3", argv.data());
            ::_exit(127);
        }
        for (int i = 0; i < 200 && port_ == 0; ++i) {
            std::ifstream in(portFile);
            if (!(in >> port_)) port_ = 0;
            if (port_ == 0) ::usleep(50000);
        }
    }
    ~SmtpServerProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    SmtpServerProcess(const SmtpServerProcess&) = delete;
    SmtpServerProcess& operator=(const SmtpServerProcess&) = delete;

    // 0 when the server did not come up.
    int Port() const { return port_; }
    const std::string& Folder() const { return folder_; }
    // The n-th stored file ("1.eml", "1.json"); empty when it does not exist.
    std::string Read(const std::string& name) const
    {
        std::ifstream in(folder_ + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};
