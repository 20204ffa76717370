#pragma once
// A fake Thunderbird data folder shaped like the one Debian's Thunderbird writes: profiles.ini
// with an [Install…] section and a "default-release" profile beside an older "default" one,
// Local Folders with Inbox, Inbox.sbd/Work, Inbox.sbd/Work.sbd/Deep and a folder with a
// Japanese name, mbox files with LF lines and a CR LF "From - " line, ">From " escaped, the
// last message without a trailing blank line, and ".msf" indexes in Mork text whose
// storeToken cells give the offsets (message keys 1, 2, 3 … are never the offsets).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tb {

namespace fs = std::filesystem;

inline void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string Hex(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

// An mbox file as Thunderbird writes it. Messages are given as they are meant (LF lines,
// ending in LF or not); lines starting "From " are stored as ">From ", ">From " as ">>From ".
struct Mailbox {
    std::string bytes;
    std::vector<std::uint64_t> offsets;
    std::vector<std::string> messages;

    void Add(const std::string& message)
    {
        if (!offsets.empty()) bytes += "\n";  // the blank line that ends the previous message
        offsets.push_back(bytes.size());
        messages.push_back(message);
        bytes += "From - Mon Dec  7 10:0" + std::to_string(offsets.size() % 10) + ":00 2026\r\n";
        std::size_t pos = 0;
        while (pos < message.size()) {
            std::size_t end = message.find('\n', pos);
            std::size_t next = end == std::string::npos ? message.size() : end + 1;
            std::size_t quotes = pos;
            while (quotes < message.size() && message[quotes] == '>') ++quotes;
            if (message.compare(quotes, 5, "From ") == 0) bytes += '>';
            bytes.append(message, pos, next - pos);
            pos = next;
        }
    }
};

// Mork 1.4 text for a folder index: message rows keyed by their message key (hex row ids)
// with storeToken cells, written in the forms Thunderbird uses: literal values, atoms from a
// value dictionary, a later committed group that corrects a row and an aborted group that
// must change nothing.
inline std::string MorkIndex(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& keyOffsets)
{
    std::string text = "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n"
                       "< <(a=c)> // (f=iso-8859-1)\n"
                       "  (B8=storeToken)(80=ns:msg:db:row:scope:msgs:all)(81=subject)\n"
                       "  (82=message-id)(83=flags)(9F=ns:msg:db:table:kind:msgs)(BA=msgOffset)>\n";
    // Atoms for the odd rows' offsets.
    text += "<";
    for (std::size_t i = 0; i < keyOffsets.size(); ++i)
        if (i % 2 == 1) text += "(" + Hex(0xA0 + i) + "=" + std::to_string(keyOffsets[i].second) + ")";
    text += "(9A=Re: hello \\) world)>\n";
    text += "{1:^80 {(k^9F:c)(s=9)} \n";
    for (std::size_t i = 0; i < keyOffsets.size(); ++i) {
        const std::string key = Hex(keyOffsets[i].first);
        if (i == 2) {
            // A stale offset here, corrected by the committed group below.
            text += "  [" + key + "(^81^9A)(^B8=999999)(^83=1)]\n";
        } else if (i % 2 == 1) {
            text += "  [" + key + "(^81=Subject \\$ " + key + ")(^B8^" + Hex(0xA0 + i) + ")(^83=1)]\n";
        } else {
            text += "  [" + key + "(^81=Subject " + key + ")(^B8=" + std::to_string(keyOffsets[i].second) + ")]\n";
        }
    }
    text += "}\n";
    if (keyOffsets.size() > 2) {
        const std::string key = Hex(keyOffsets[2].first);
        text += "@$${2{@\n[" + key + "(^B8=" + std::to_string(keyOffsets[2].second) + ")]\n@$$}2}@\n";
        text += "@$${3{@\n[" + key + "(^B8=7)]\n@$$}~~}@\n";
    }
    return text;
}

inline std::string PercentEncode(const std::string& utf8)
{
    std::string out;
    for (unsigned char c : utf8) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '.' ||
            c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        }
    }
    return out;
}

inline std::string Reference(const std::string& folderUtf8, std::uint64_t key)
{
    return "mailbox-message://nobody@Local%20Folders/" + PercentEncode(folderUtf8) + "#" + std::to_string(key);
}

inline std::string Utf8(const char8_t* text)
{
    return std::string(reinterpret_cast<const char*>(text));
}

inline std::string JapaneseFolder()
{
    return Utf8(u8"仕事の連絡");
}

// A message with the given subject and body lines (LF).
inline std::string Message(const std::string& subject, const std::string& body, const std::string& from = "alice@example.com")
{
    return "From: Alice <" + from + ">\nTo: bob@example.com\nCc: carol@example.com\nSubject: " + subject +
           "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=us-ascii\nX-Mozilla-Status: 0001\n"
           "X-Mozilla-Status2: 00000000\n\n" +
           body;
}

// The whole data folder under `root`; `Profile()` is the default-release profile.
struct Profile {
    fs::path root;
    Mailbox inbox, work, deep, japanese, noIndex;

    fs::path ProfileFolder() const { return root / "abcd1234.default-release"; }
    fs::path LocalFolders() const { return ProfileFolder() / "Mail" / "Local Folders"; }

    void Make()
    {
        WriteFile(root / "profiles.ini",
                  "[Install4F96D1932A9F858E]\r\nDefault=abcd1234.default-release\r\nLocked=1\r\n\r\n"
                  "[Profile1]\r\nName=default\r\nIsRelative=1\r\nPath=old00000.default\r\n\r\n"
                  "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=abcd1234.default-release\r\n\r\n"
                  "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n");
        // The old "default" profile holds an Inbox of its own that must not be read.
        Mailbox old;
        old.Add(Message("old profile", "wrong\n"));
        WriteFile(root / "old00000.default" / "Mail" / "Local Folders" / "Inbox", old.bytes);

        inbox.Add(Message("first", "body one\nFrom the start of a line\n>From quoted\n"));
        inbox.Add(Message("second", "body two\n"));
        inbox.Add(Message("third", "body three\n"));
        inbox.Add(Message("last", "the newest message, its last line without a blank line after it\n"));
        WriteFile(LocalFolders() / "Inbox", inbox.bytes);
        WriteIndex(LocalFolders() / "Inbox.msf", inbox);

        // Work: the second message's separator falls across the 4096-byte edge ("\nFro|m ").
        std::string first = Message("work one", "");
        Mailbox probe;
        probe.Add(first);
        const std::size_t separatorLine = probe.bytes.size() - first.size();
        // first message + "\n" (blank) + "F" at 4094: the message ends with "\n" at 4092.
        const std::size_t wanted = 4093 - separatorLine;
        std::string body;
        while (first.size() + body.size() < wanted) {
            std::size_t room = wanted - first.size() - body.size();
            if (room > 70) body += std::string(69, 'x') + "\n";
            else body += std::string(room - 1, 'y') + "\n";
        }
        work.Add(first + body);
        work.Add(Message("work two", "after the edge\n"));
        WriteFile(LocalFolders() / "Inbox.sbd" / "Work", work.bytes);
        WriteIndex(LocalFolders() / "Inbox.sbd" / "Work.msf", work);

        deep.Add(Message("deep one", "two levels down\n"));
        deep.Add(Message("deep two", "still two levels down\n"));
        WriteFile(LocalFolders() / "Inbox.sbd" / "Work.sbd" / "Deep", deep.bytes);
        WriteIndex(LocalFolders() / "Inbox.sbd" / "Work.sbd" / "Deep.msf", deep);

        japanese.Add(Message("japanese folder", "in a folder with a Japanese name\n"));
        japanese.Add(Message("japanese two", "second\n"));
        WriteFile(LocalFolders() / JapaneseFolder(), japanese.bytes);
        WriteIndex(LocalFolders() / (JapaneseFolder() + ".msf"), japanese);

        noIndex.Add(Message("no index one", "first\n"));
        noIndex.Add(Message("no index two", "second\n"));
        WriteFile(LocalFolders() / "NoIndex", noIndex.bytes);
    }

    // Keys 1, 2, 3 … for the messages in order.
    static void WriteIndex(const fs::path& path, const Mailbox& mailbox)
    {
        std::vector<std::pair<std::uint64_t, std::uint64_t>> rows;
        for (std::size_t i = 0; i < mailbox.offsets.size(); ++i) rows.emplace_back(i + 1, mailbox.offsets[i]);
        WriteFile(path, MorkIndex(rows));
    }
};

}  // namespace tb
