#include "ComposeOptions.h"

#include "CommandLine.h"
#include "model/CAddress.h"
#include "model/CFileUtility.h"

namespace {

CAddress AddressFromText(const std::string& utf8)
{
    CAddress address;
    address.FromText(ToCp932(utf8));
    return address;
}

// Letter pieces are body text: CR LF lines like the body.
CString LetterText(const std::optional<std::string>& utf8)
{
    return ToCp932(ToCrLf(*utf8));
}

}  // namespace

int ComposeOptions::Take(const std::vector<std::string>& args, std::size_t& index,
                         std::string& error)
{
    const std::string& option = args[index];
    if (option == "--upper-reply") {
        upperReply = true;
        return 1;
    }
    if (option == "--sender-bcc") {
        senderBcc = true;
        return 1;
    }
    if (option == "--charset" || option == "--replace") {
        if (index + 1 >= args.size()) {
            error = "option " + option + " needs a value";
            return -1;
        }
        const std::string& value = args[++index];
        if (option == "--charset") {
            if (value == "auto") charset = CMailDoc::CharsetAuto;
            else if (value == "iso-2022-jp") charset = CMailDoc::CharsetIso2022Jp;
            else if (value == "utf-8") charset = CMailDoc::CharsetUtf8;
            else {
                error = "option --charset needs auto, iso-2022-jp or utf-8";
                return -1;
            }
        } else {
            if (value == "none") replace = CJisFallback::ReplaceNone;
            else if (value == "symbols") replace = CJisFallback::ReplaceSymbols;
            else if (value == "all") replace = CJisFallback::ReplaceSymbolsAndVariants;
            else {
                error = "option --replace needs none, symbols or all";
                return -1;
            }
        }
        return 1;
    }

    std::optional<std::string>* single = nullptr;
    std::vector<std::string>* repeated = nullptr;
    if (option == "--from") single = &from;
    else if (option == "--reply-to") single = &replyTo;
    else if (option == "--subject") single = &subject;
    else if (option == "--body") single = &body;
    else if (option == "--dear") single = &dear;
    else if (option == "--greeting") single = &greeting;
    else if (option == "--closing") single = &closing;
    else if (option == "--signature") single = &signature;
    else if (option == "--in-reply-to") single = &inReplyTo;
    else if (option == "--references") single = &references;
    else if (option == "--mailer") single = &mailer;
    else if (option == "--to") repeated = &to;
    else if (option == "--cc") repeated = &cc;
    else if (option == "--bcc") repeated = &bcc;
    else if (option == "--attach") repeated = &attach;
    else return 0;

    if (index + 1 >= args.size()) {
        error = "option " + option + " needs a value";
        return -1;
    }
    const std::string& value = args[++index];
    if (single) {
        *single = value;
    } else {
        repeated->push_back(value);
    }
    return 1;
}

int ComposeOptions::Fill(CMailDoc& doc, std::string& error) const
{
    if (from) doc.SetFromAddress(AddressFromText(*from));
    if (replyTo) doc.SetReplyAddress(AddressFromText(*replyTo));
    for (const std::string& a : to) doc.AddToAddress(AddressFromText(a));
    for (const std::string& a : cc) doc.AddCcAddress(AddressFromText(a));
    for (const std::string& a : bcc) doc.AddBccAddress(AddressFromText(a));

    // Header texts are taken as they are: the writer keeps line breaks out of the header.
    if (subject) doc.SetSubject(ToCp932(*subject));
    if (inReplyTo) doc.SetInReplyTo(ToCp932(*inReplyTo));
    if (references) doc.SetReferences(ToCp932(*references));
    if (mailer) doc.SetMailerName(ToCp932(*mailer));

    if (body) {
        std::string text;
        if (!ReadTextFile(*body, text, error)) return 0;
        doc.SetBody(ToCp932(ToCrLf(text)));
    }
    if (dear) doc.SetDear(LetterText(dear));
    if (greeting) doc.SetGreeting(LetterText(greeting));
    if (closing) doc.SetClosing(LetterText(closing));
    if (signature) doc.SetSignature(LetterText(signature));
    doc.SetUpperReplyFlg(upperReply ? 1 : 0);
    doc.SetSenderBccFlg(senderBcc ? 1 : 0);
    doc.SetCharset(charset);
    doc.SetReplaceMode(replace);

    CMailDoc::FileList files;
    // A path from the command line is the file system's own bytes and is kept as it is.
    for (const std::string& argument : attach) {
        CPath path = CPath::FromNative(argument);
        files.push_back({path, CFileUtility::GetFileNameFromPath(path)});
    }
    doc.SetFiles(files);
    return 1;
}

const char* ComposeOptions::Usage()
{
    return "    --from \"Name <addr>\"   sender; --reply-to ADDR\n"
           "    --to ADDR, --cc ADDR, --bcc ADDR   each repeatable, in order\n"
           "    --subject TEXT, --body FILE (\"-\" = standard input), --dear TEXT,\n"
           "    --greeting TEXT, --closing TEXT, --signature TEXT, --upper-reply,\n"
           "    --sender-bcc, --attach FILE (repeatable, in order), --in-reply-to TEXT,\n"
           "    --references TEXT, --mailer TEXT\n"
           "    --charset auto|iso-2022-jp|utf-8   auto (default): ISO-2022-JP for each field whose\n"
           "        characters all fit, UTF-8 for the others\n"
           "    --replace none|symbols|all   stand-ins for what ISO-2022-JP cannot carry:\n"
           "        symbols (circled digits, Roman numerals, units, ...), all: kanji variants too\n";
}
