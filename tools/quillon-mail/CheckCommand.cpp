// quillon-mail check: lists the characters of a message that ISO-2022-JP cannot carry, one
// line each: field, index, byte offset in the field's code page 932 text, the character, its
// stand-in ("-" when none) and the stand-in's kind. Exit status 0 when every character fits,
// 1 when some do not (the list is on standard output either way).
#include "CommandLine.h"
#include "ComposeOptions.h"

#include "encoding/CCodePage.h"
#include "writer/CCharsetCheck.h"

#include <cstdio>

namespace {

int RunCheck(const std::vector<std::string>& args)
{
    ComposeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        int taken = options.Take(args, i, error);
        if (taken < 0) return UsageError(error);
        if (taken == 0) return UsageError("check: unknown argument '" + args[i] + "'");
    }
    CMailDoc doc;
    std::string error;
    if (!options.Fill(doc, error)) return Failure(error);

    const std::vector<CCharsetIssue> issues = CCharsetCheck::Check(doc);
    for (const CCharsetIssue& issue : issues) {
        const char* kind = issue.kind == CJisFallback::Symbol ? "symbol" : issue.kind == CJisFallback::Variant ? "variant" : "-";
        std::printf("%s\t%u\t%u\t%s\t%s\t%s\n", CCodePage::ToUtf8(CCharsetCheck::FieldName(issue.field)).c_str(),
                    issue.index, issue.position, CCodePage::ToUtf8(issue.character).c_str(),
                    issue.replacement.IsEmpty() ? "-" : CCodePage::ToUtf8(issue.replacement).c_str(), kind);
    }
    if (std::fflush(stdout) != 0) return Failure(std::string("cannot write the list"));
    return issues.empty() ? kExitOk : kExitFailed;
}

const CommandRegistration registration{
    {"check",
     std::string("check [options]   lists each character that ISO-2022-JP cannot carry:\n"
                 "                    field, index, byte offset, character, stand-in, kind (tab-separated)\n")
         + ComposeOptions::Usage(),
     RunCheck}};

}  // namespace
