#pragma once
// Address fields of received mail as RFC 5322 3.4 writes them: display names as atoms or
// quoted strings (quoted pairs undone, encoded words decoded even inside quotes, as Outlook
// writes them), comments, angle brackets, groups. Stateless; all members are static.

#include "encoding/CString.h"

#include <cstddef>
#include <string_view>
#include <vector>

struct CMailbox {
    // The entry as it stands in the field, encoded words decoded (for the original summary).
    CString text;
    // Display name without quotes; a comment stands in when there is none
    // ("a@example.jp (Ann Lee)").
    CString name;
    // The bare address (local@domain): no comments, blanks or angle brackets.
    CString address;
};

class CMailboxList {
public:
    // `value` is the field's value, unfolded, in code page 932 (raw 8-bit text already read
    // by CMailCharset::Guess), encoded words still encoded. A group gives its members
    // ("undisclosed-recipients:;" gives none); an empty entry between two commas gives an
    // entry whose texts are empty.
    static void Perse(std::string_view value, std::vector<CMailbox>& list);

    // Position of the first of `stops` at or after `from` that stands outside quoted strings,
    // comments and angle brackets; the end of `value` when there is none.
    static std::size_t FindSeparator(std::string_view value, std::size_t from,
                                     std::string_view stops);
};
