// quillon-mail parse FILE [--reply] [--temp DIR]: parses a message file and prints the
// document as one JSON object in UTF-8 (texts from code page 932, line ends as they are).
// Exit 0 when the file was read, whatever the parse result; 1 when it could not be read;
// 2 for a usage error. Attachments are written only with --temp, into that existing folder.
#include "CommandLine.h"

#include "encoding/CCodePage.h"
#include "model/CFileUtility.h"
#include "model/CMailDoc.h"
#include "parser/CEMailPerser.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

// One JSON string from UTF-8 bytes.
std::string Json(std::string_view utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// One JSON string from code page 932 text.
std::string Json(const CString& cp932)
{
    return Json(CCodePage::ToUtf8(cp932));
}

std::string Addresses(const CMailDoc& doc, unsigned int count,
                      const CAddress* (CMailDoc::*get)(unsigned int) const)
{
    std::string out = "[";
    for (unsigned int i = 0; i < count; ++i) {
        const CAddress* a = (doc.*get)(i);
        if (i) out += ", ";
        out += "{\"group\": " + Json(a->GetGroupName()) + ", \"name\": " +
               Json(a->GetDisplayName()) + ", \"address\": " + Json(a->GetMailAddress()) + "}";
    }
    return out + "]";
}

int RunParse(const std::vector<std::string>& args)
{
    const char* file = nullptr;
    const char* temp = nullptr;
    int reply = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--reply") reply = 1;
        else if (args[i] == "--temp" && i + 1 < args.size()) temp = args[++i].c_str();
        else if (args[i].size() > 1 && args[i][0] == '-') return UsageError("unknown option " + args[i]);
        else if (!file) file = args[i].c_str();
        else return UsageError("more than one file given");
    }
    if (!file) return UsageError("parse needs a FILE");
    struct stat st;
    if (temp && (::stat(temp, &st) != 0 || !S_ISDIR(st.st_mode)))
        return UsageError(std::string(temp) + " is not a folder");
    std::ifstream in(file, std::ios::binary);
    if (!in || (::stat(file, &st) == 0 && S_ISDIR(st.st_mode))) {
        return Failure(std::string("cannot read ") + file);
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return Failure(std::string("cannot read ") + file);
    }

    CMailDoc doc;
    CEMailPerser parser;
    CPath tempPath = temp ? CPath::FromNative(temp) : CPath();
    int result = parser.Perse(CString(std::move(bytes)), tempPath, doc, reply);

    CString subject, inReplyTo, references, body, summary;
    doc.GetSubject(subject);
    doc.GetInReplyTo(inReplyTo);
    doc.GetReferences(references);
    doc.GetBody(body);
    doc.GetOriginalSummary(summary);
    CMailDoc::FileList files;
    doc.GetFiles(files);

    std::string out = "{\"result\": " + std::to_string(result) +
                      ", \"type\": " + std::to_string(static_cast<int>(doc.GetType())) +
                      ", \"subject\": " + Json(subject) +
                      ", \"to\": " + Addresses(doc, doc.GetToAddressSize(), &CMailDoc::GetToAddress) +
                      ", \"cc\": " + Addresses(doc, doc.GetCcAddressSize(), &CMailDoc::GetCcAddress) +
                      ", \"bcc\": " + Addresses(doc, doc.GetBccAddressSize(), &CMailDoc::GetBccAddress) +
                      ", \"in_reply_to\": " + Json(inReplyTo) +
                      ", \"references\": " + Json(references) +
                      ", \"body\": " + Json(body) +
                      ", \"original_summary\": " + Json(summary) + ", \"files\": [";
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i) out += ", ";
        // The file system's bytes of the file the parser wrote (UTF-8 names).
        out += "{\"path\": " + Json(files[i].path.Native()) + ", \"title\": " + Json(files[i].title) + "}";
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kExitOk;
}

const CommandRegistration registration{
    {"parse", "parse FILE [--reply] [--temp DIR]   the message as one JSON object on standard output", RunParse}};

}  // namespace
