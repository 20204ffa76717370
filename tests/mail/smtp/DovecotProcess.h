#pragma once
// A real POP3 server for the tests: Debian's dovecot (dovecot-pop3d), started with a
// configuration of its own in a fresh temporary folder, a passwd-file user database, on free
// loopback ports, in the foreground, and stopped again. Run as root it uses the package's
// unprivileged users (dovecot, dovenull); otherwise everything runs as the test's own user.
// Ready() says why not when the server cannot run here.

#include <fstream>
#include <sstream>
#include <string>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class DovecotProcess {
public:
    static constexpr const char* kDovecot = "/usr/sbin/dovecot";

    struct Options {
        bool apop = false;
        // PEM files; with both the server offers STLS and listens for implicit TLS too.
        std::string cert;
        std::string key;
    };
    // Users and their passwords, "name:password" per line of the passwd-file (bytes as they are).
    explicit DovecotProcess(const Options& options, const std::string& users)
    {
        if (::access(kDovecot, X_OK) != 0) {
            why_ = "dovecot is not installed (Debian package dovecot-pop3d)";
            return;
        }
        std::string internalUser, loginUser;
        uid_t uid = ::getuid();
        gid_t gid = ::getgid();
        if (::geteuid() == 0) {
            // Dovecot refuses to run its login processes as root.
            const passwd* internal = ::getpwnam("dovecot");
            if (!internal || !::getpwnam("dovenull")) {
                why_ = "the users dovecot and dovenull of the dovecot-core package are missing";
                return;
            }
            internalUser = "dovecot";
            loginUser = "dovenull";
            uid = internal->pw_uid;
            gid = internal->pw_gid;
        } else {
            const passwd* self = ::getpwuid(uid);
            if (!self) {
                why_ = "the test's user has no name";
                return;
            }
            internalUser = loginUser = self->pw_name;
        }
        const group* mailGroup = ::getgrgid(gid);
        char pattern[] = "/tmp/quillon-dovecot-XXXXXX";
        if (!::mkdtemp(pattern)) {
            why_ = "no temporary folder";
            return;
        }
        folder_ = pattern;
        // The unprivileged processes find their sockets and the user database in here.
        ::chmod(folder_.c_str(), 0755);
        ::mkdir((folder_ + "/home").c_str(), 0777);
        ::chmod((folder_ + "/home").c_str(), 01777);
        std::istringstream lines(users);
        std::ofstream passwd(folder_ + "/passwd");
        for (std::string line; std::getline(lines, line);) {
            const std::size_t colon = line.find(':');
            passwd << line.substr(0, colon) << ":{PLAIN}" << line.substr(colon + 1) << "::::::\n";
        }
        passwd.close();
        port_ = FreePort();
        const bool tls = !options.cert.empty();
        tlsPort_ = tls ? FreePort() : 0;

        std::ofstream config(folder_ + "/dovecot.conf");
        config << "base_dir = " << folder_ << "/run\n"
               << "state_dir = " << folder_ << "/state\n"
               << "log_path = " << folder_ << "/dovecot.log\n"
               << "info_log_path = " << folder_ << "/dovecot.log\n"
               << "protocols = pop3\nlisten = 127.0.0.1\n"
               << "default_internal_user = " << internalUser << "\n"
               << "default_internal_group = " << (mailGroup ? mailGroup->gr_name : internalUser.c_str()) << "\n"
               << "default_login_user = " << loginUser << "\n"
               << "first_valid_uid = 1\nfirst_valid_gid = 1\n"
               << "auth_mechanisms = plain" << (options.apop ? " apop" : "") << "\n"
               << "disable_plaintext_auth = no\nauth_failure_delay = 0\n"
               << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << folder_ << "/passwd\n}\n"
               << "userdb {\n  driver = static\n  args = uid=" << uid << " gid=" << gid << " home=" << folder_
               << "/home/%u\n}\n"
               << "mail_location = maildir:~/Maildir\n"
               << "ssl = " << (tls ? "yes" : "no") << "\n";
        if (tls) config << "ssl_cert = <" << options.cert << "\nssl_key = <" << options.key << "\n";
        config << "service pop3-login {\n  chroot =\n"
               << "  inet_listener pop3 {\n    port = " << port_ << "\n  }\n"
               << "  inet_listener pop3s {\n    port = " << tlsPort_ << "\n    ssl = yes\n  }\n}\n"
               << "service anvil {\n  chroot =\n}\n";
        config.close();

        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(kDovecot, "dovecot", "-F", "-c", (folder_ + "/dovecot.conf").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Up once a connection gets the greeting.
        for (int i = 0; i < 300 && !ready_; ++i) {
            ready_ = Greets();
            if (!ready_) ::usleep(100000);
            int status = 0;
            if (!ready_ && ::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
        }
        if (!ready_) why_ = "dovecot did not start: " + Log();
    }
    ~DovecotProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    DovecotProcess(const DovecotProcess&) = delete;
    DovecotProcess& operator=(const DovecotProcess&) = delete;

    bool Ready(std::string& why) const
    {
        why = why_;
        return ready_;
    }
    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }
    std::string Log() const
    {
        std::ifstream in(folder_ + "/dovecot.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    // A port nobody listens on right now.
    static int FreePort()
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        int port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        return port;
    }
    bool Greets() const
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval wait{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char greeting[4] = {};
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::recv(fd, greeting, 3, MSG_WAITALL) == 3 && std::string(greeting) == "+OK";
        ::close(fd);
        return ok;
    }

    std::string folder_;
    std::string why_;
    pid_t pid_ = -1;
    int port_ = 0;
    int tlsPort_ = 0;
    bool ready_ = false;
};
