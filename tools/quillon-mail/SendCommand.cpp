// quillon-mail send: composes one message and sends it to an SMTP server. Exit status 0
// only when the server accepted the message at the end of the data.
#include "CommandLine.h"
#include "ComposeOptions.h"

#include "model/CMailDoc.h"
#include "smtp/CMailSendRecv.h"
#include "smtp/CProgressCallback.h"
#include "smtp/CSmtp.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

// A whole number within [low, high]; nothing else is accepted.
bool ParseNumber(const std::string& text, long low, long high, long& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

int RunSend(const std::vector<std::string>& args)
{
    ComposeOptions options;
    std::optional<std::string> server;
    std::optional<long> port;
    std::optional<int> timeoutMilliseconds;
    CSmtpSecurity security;
    std::optional<std::string> user;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        int taken = options.Take(args, i, error);
        if (taken < 0) return UsageError(error);
        if (taken > 0) continue;
        const std::string& option = args[i];
        if (option == "--starttls" || option == "--tls") {
            CSmtpSecurity::TlsMode mode = option == "--tls" ? CSmtpSecurity::TlsImplicit : CSmtpSecurity::TlsStartTls;
            if (security.tls != CSmtpSecurity::TlsAuto && security.tls != mode)
                return UsageError("options --starttls and --tls exclude each other");
            security.tls = mode;
            continue;
        }
        if (option != "--server" && option != "--user" && option != "--port" && option != "--timeout")
            return UsageError("send: unknown argument '" + option + "'");
        if (i + 1 >= args.size()) return UsageError("option " + option + " needs a value");
        const std::string& value = args[++i];
        if (option == "--server") {
            if (value.empty()) return UsageError("option --server needs a host name");
            server = value;
        } else if (option == "--user") {
            if (value.empty()) return UsageError("option --user needs a name");
            user = value;
        } else if (option == "--port") {
            long number = 0;
            if (!ParseNumber(value, 1, 65535, number)) return UsageError("option --port needs a number from 1 to 65535");
            port = number;
        } else {
            char* end = nullptr;
            double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(seconds > 0) || seconds > 86400)
                return UsageError("option --timeout needs a number of seconds above 0");
            timeoutMilliseconds = static_cast<int>(std::ceil(seconds * 1000));
        }
    }
    if (!server) return UsageError("send: --server HOST is required");
    if (user) {
        // Never from the command line, where every user of the machine can read it.
        const char* password = std::getenv("QUILLON_SMTP_PASSWORD");
        if (!password) return UsageError("option --user needs the password in the environment variable QUILLON_SMTP_PASSWORD");
        security.needAuth = 1;
        // Credentials are bytes, passed on as given (UTF-8), never through code page 932.
        security.account = CString(*user);
        security.password = CString(password);
    }
    if (!port) port = security.tls == CSmtpSecurity::TlsImplicit ? 465 : (security.tls == CSmtpSecurity::TlsStartTls || user) ? 587 : 25;

    CMailDoc doc;
    std::string error;
    if (!options.Fill(doc, error)) return Failure(error);
    doc.SetSendServer(ToCp932(*server), *port);
    doc.SetSendSecurity(security);
    security.Wipe();
    if (timeoutMilliseconds) CSmtp::SetTimeout(*timeoutMilliseconds);

    CProgressCallback progress("送信中", 0, nullptr);
    progress.Start(doc.GetMailSize());
    CString detail;
    int sent = CMailSendRecv::Send(doc, progress, detail);
    progress.Complete();
    if (sent) return kExitOk;
    // The window shows the same line above the detail; some failures have no detail.
    return Failure(detail.IsEmpty() ? CString("送信に失敗しました。") : detail);
}

const CommandRegistration registration{
    {"send",
     std::string("send --server HOST [--port N] [--starttls | --tls] [--user NAME] [--timeout SECONDS] [options]\n"
                 "                    sends the message over SMTP (time-out 60 s by default)\n"
                 "                    --starttls: encrypt with STARTTLS (port 587 by default)\n"
                 "                    --tls: TLS from the start (port 465 by default; port 465 always uses it)\n"
                 "                    --user NAME: log in (SMTP AUTH) over TLS, with STARTTLS unless --tls; the\n"
                 "                    password is read from the environment variable QUILLON_SMTP_PASSWORD\n"
                 "                    without these: plain SMTP, port 25. The server's certificate must verify\n"
                 "                    against the system's store or the CA file named by QUILLON_SMTP_CA_FILE\n")
         + ComposeOptions::Usage(),
     RunSend}};

}  // namespace
