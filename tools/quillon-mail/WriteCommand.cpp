// quillon-mail write: composes one message and writes its text to standard output or a file.
#include "CommandLine.h"
#include "ComposeOptions.h"

#include "model/CFileUtility.h"
#include "smtp/CProgressCallback.h"
#include "writer/CEMailWriter.h"
#include "writer/CFileOutStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

class CStdOutStream : public COutputStream {
public:
    int Open() override { return 1; }
    void Close() override {}
    int WriteString(const char* text) override
    {
        std::size_t length = std::strlen(text);
        return std::fwrite(text, 1, length, stdout) == length ? 1 : 0;
    }
};

int WriteMessage(const CMailDoc& doc, COutputStream& stream, bool keepBcc, CString& detail)
{
    CProgressCallback progress("", 0, nullptr);
    progress.Start(doc.GetMailSize());
    CEMailWriter writer(&stream, doc, progress);
    writer.SetWriteBcc(keepBcc ? 1 : 0);
    int result = writer.Write(detail);
    progress.Complete();
    return result;
}

// The message goes into a hidden file beside the output and takes its place only when
// complete, so a failure leaves no partial file and keeps what was there.
int WriteToFile(const CMailDoc& doc, const std::string& output, bool keepBcc)
{
    std::size_t slash = output.rfind('/');
    std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string temp = output.substr(0, start) + "." + output.substr(start) + "."
                       + std::to_string(::getpid()) + ".part";

    CFileOutStream file(CPath::FromNative(temp));
    if (!file.Open()) return Failure("cannot create " + output + ": " + std::strerror(errno));
    CString detail;
    if (!WriteMessage(doc, file, keepBcc, detail)) {
        file.Close();
        ::unlink(temp.c_str());
        return Failure(detail);
    }
    int complete = file.CloseChecked();
    int error = errno;
    if (complete && std::rename(temp.c_str(), output.c_str()) == 0) return kExitOk;
    if (complete) error = errno;
    ::unlink(temp.c_str());
    return Failure("cannot write " + output + ": " + std::strerror(error));
}

int RunWrite(const std::vector<std::string>& args)
{
    ComposeOptions options;
    std::optional<std::string> output;
    bool keepBcc = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        int taken = options.Take(args, i, error);
        if (taken < 0) return UsageError(error);
        if (taken > 0) continue;
        if (args[i] == "--keep-bcc") {
            keepBcc = true;
            continue;
        }
        if (args[i] == "--output") {
            if (i + 1 >= args.size()) return UsageError("option --output needs a value");
            output = args[++i];
            continue;
        }
        return UsageError("write: unknown argument '" + args[i] + "'");
    }

    CMailDoc doc;
    std::string error;
    if (!options.Fill(doc, error)) return Failure(error);

    if (output) return WriteToFile(doc, *output, keepBcc);

    CStdOutStream stream;
    CString detail;
    if (!WriteMessage(doc, stream, keepBcc, detail)) return Failure(detail);
    if (std::fflush(stdout) != 0) return Failure(std::string("cannot write the message"));
    return kExitOk;
}

const CommandRegistration registration{
    {"write",
     std::string("write [options]   the message text on standard output, or into --output FILE,\n"
                 "                    as it is sent (no Bcc field); --keep-bcc: as it is saved\n")
         + ComposeOptions::Usage(),
     RunWrite}};

}  // namespace
