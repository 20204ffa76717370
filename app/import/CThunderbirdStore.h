#pragma once
// Thunderbird's local mail on this machine, as far as a dragged message reference needs it:
// "mailbox-message://nobody@Local%20Folders/Inbox/Work#2" names the message with key 2 of the
// folder "Work" under "Inbox" of the account whose folder is "Local Folders".
//
// - The data folders searched, in order: ~/.thunderbird, the Snap one
//   (~/snap/thunderbird/common/.thunderbird) and the Flatpak one
//   (~/.var/app/org.mozilla.Thunderbird/.thunderbird), each with its "profiles.ini".
// - The profile is chosen as Thunderbird chooses it: the "Default=" of an "[Install…]"
//   section, else the "[Profile…]" section with "Default=1", else the one named "default";
//   the others follow. "IsRelative=1" (the default) puts "Path" under the data folder.
// - The percent escapes of the reference are UTF-8, the file system's own bytes; every "/"
//   after the server's becomes ".sbd/" (subfolders live in "<folder>.sbd"), under
//   "<profile>/Mail". A piece "", "." or "..", and a mailbox that (with its links resolved)
//   lies outside "<profile>/Mail" or is no regular file, are refused: a reference never
//   reads an arbitrary file.
// - "#N" is the message key. Its offset is the "storeToken" of the folder's ".msf" index
//   (CMorkIndex); only when no index can be read is N itself tried as an offset, and only
//   when a separator line starts there. The message is then read by CMailboxReader.
// - "imap-message://", "news-message://" and the like name messages that no mailbox file
//   holds; they get a message that says how to drag them instead.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CThunderbirdStore {
public:
    // The parts of a reference, percent escapes undone.
    struct Reference {
        std::string server;               // "Local Folders"
        std::vector<std::string> folders;  // {"Inbox", "Work"}
        std::uint64_t key = 0;
    };
    enum ParseResult { NotAReference = 0, Parsed, OnServer, Refused };

    // ~/.thunderbird, then the Snap and the Flatpak folders.
    static std::vector<CPath> DefaultRoots();

    explicit CThunderbirdStore(std::vector<CPath> roots = DefaultRoots()) : roots_(std::move(roots)) {}

    // Whether `text` (UTF-8) is a message reference of any kind ("...-message://").
    static bool IsReference(std::string_view text);
    static ParseResult ParseReference(std::string_view text, Reference& reference);
    // The profile folders of `root`'s profiles.ini, the one Thunderbird starts with first.
    static std::vector<CPath> Profiles(const CPath& root);
    // The mailbox file of a reference in a profile: <profile>/Mail/<server>/<a>.sbd/<b>.
    static CPath MailboxPath(const CPath& profile, const Reference& reference);

    // Reads the message `text` names (UTF-8). 1 on success; else 0 with a message for the
    // user in `detail`.
    int ReadReference(std::string_view text, CString& message, CString& detail) const;

private:
    enum Found { Missing = 0, Done, Failed };
    Found ReadFrom(const CPath& profile, const Reference& reference, CString& message, CString& detail) const;

    std::vector<CPath> roots_;
};
