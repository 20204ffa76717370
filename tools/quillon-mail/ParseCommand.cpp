#include "ParseCommand.h"

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

// One JSON string from code page 932 text.
std::string Json(const CString& cp932)
{
    std::string utf8 = CCodePage::ToUtf8(cp932);
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

int Usage()
{
    std::fprintf(stderr, "usage: quillon-mail parse FILE [--reply] [--temp DIR]\n");
    return 2;
}

}  // namespace

int RunParseCommand(int argc, char** args)
{
    const char* file = nullptr;
    const char* temp = nullptr;
    int reply = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(args[i], "--reply") == 0) reply = 1;
        else if (std::strcmp(args[i], "--temp") == 0 && i + 1 < argc) temp = args[++i];
        else if (args[i][0] == '-' && args[i][1] != '\0') return Usage();
        else if (!file) file = args[i];
        else return Usage();
    }
    if (!file) return Usage();
    struct stat st;
    if (temp && (::stat(temp, &st) != 0 || !S_ISDIR(st.st_mode))) {
        std::fprintf(stderr, "quillon-mail parse: %s is not a folder\n", temp);
        return 2;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quillon-mail parse: cannot read %s\n", file);
        return 1;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "quillon-mail parse: cannot read %s\n", file);
        return 1;
    }

    CMailDoc doc;
    CEMailPerser parser;
    CString tempPath = temp ? CFileUtility::FromNativePath(temp) : CString();
    int result = parser.Perse(CString(std::move(bytes)), temp ? tempPath.GetString() : nullptr,
                              doc, reply);

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
        out += "{\"path\": " + Json(files[i].path) + ", \"title\": " + Json(files[i].title) + "}";
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
