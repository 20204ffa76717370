#pragma once
// The options that describe one message, shared by every subcommand that composes one
// (write, send): sender, recipients, letter pieces, attachments and threading texts.

#include "model/CMailDoc.h"

#include <optional>
#include <string>
#include <vector>

struct ComposeOptions {
    std::optional<std::string> from, replyTo, subject, body, dear, greeting, closing, signature,
        inReplyTo, references, mailer;
    std::vector<std::string> to, cc, bcc, attach;
    bool upperReply = false;
    bool senderBcc = false;
    CMailDoc::Charset charset = CMailDoc::CharsetAuto;
    CJisFallback::Mode replace = CJisFallback::ReplaceNone;

    // Takes args[index] (and its value, moving `index` past it) when it is a compose option.
    // 1 taken, 0 not a compose option, -1 a usage error described in `error`.
    int Take(const std::vector<std::string>& args, std::size_t& index, std::string& error);

    // Fills the document, converting every text to code page 932 (attachment paths stay the
    // file system's bytes). 0 with a message in
    // `error` when the body file cannot be read.
    int Fill(CMailDoc& doc, std::string& error) const;

    static const char* Usage();
};
