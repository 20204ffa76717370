#pragma once
// The draft of a message being composed: a CMailDoc as bytes, so that nothing a user wrote is
// lost when the program, the machine or the session ends before the message is sent. The
// format is our own (docs/PLATFORM.md "Drafts"): a magic line, then records of
// length-prefixed fields, then an "end" record with the CRC-32 of everything before it. Any
// byte may stand in a field (code page 932 text, a path's own bytes), and a text that is cut
// short or damaged anywhere is refused as a whole, never read in part.
//
// The SMTP password is never written: it stays in the account (Account.mdb or the keyring),
// and the Address page loads it again before a send.
//
// Records the document does not know (the program's page states, say) travel beside it:
// Write takes them, Read hands back every record whose name it does not know, in order.

#include "encoding/CString.h"

#include <cstdint>
#include <string>
#include <vector>

class CMailDoc;

struct CDraftRecord {
    std::string name;                 // ASCII, no blank, no CR or LF
    std::vector<std::string> fields;  // any bytes
    friend bool operator==(const CDraftRecord&, const CDraftRecord&) = default;
};

class CMailDraft {
public:
    static constexpr const char* kMagic = "QuillonDraft 1";

    // The draft of `doc` with `extras` after the document's own records.
    static std::string Write(const CMailDoc& doc, const std::vector<CDraftRecord>& extras);

    // Parses `bytes` into records; 0 when the text is not a whole, undamaged draft.
    [[nodiscard]] static int Parse(const std::string& bytes, std::vector<CDraftRecord>& records);
    // Fills `doc` (expected to be new or cleared) from a draft and hands back the records it
    // does not know; 0, with `doc` untouched, when the text is not a whole, undamaged draft.
    // The document's working folder becomes the draft's when that folder still exists.
    [[nodiscard]] static int Read(const std::string& bytes, CMailDoc& doc, std::vector<CDraftRecord>& extras);

    // Whether Read would take `bytes`, without a document.
    [[nodiscard]] static int IsSound(const std::string& bytes);

    // The working folder a draft refers to (empty when none, or when the draft is damaged).
    static std::string TempPathOf(const std::vector<CDraftRecord>& records);

    // CRC-32 (ISO-HDLC, as zlib computes it) of `bytes`.
    static std::uint32_t Crc32(std::string_view bytes);
};
