#pragma once
// vCard files, the address book's way to and from other programs.
//
// Reading takes versions 2.1, 3.0 and 4.0 (RFC 2425/2426, RFC 6350) as phones, Outlook,
// Thunderbird, Google and Apple write them: folded lines, quoted-printable values with soft
// line breaks and CHARSET parameters (2.1), backslash escapes (3.0, 4.0), property groups
// ("item1.EMAIL"), cards nested as AGENT values (skipped) and a last card without END. A
// file is UTF-8 or, value by value, what its CHARSET says; a value without one that is not
// UTF-8 is code page 932, as Japanese phones write it; UTF-16 with a byte order mark is read
// too. Of each card the reader takes the display name (FN, else the name parts of N) and
// every EMAIL; a card whose FN is only its address has no name; group cards are skipped.
//
// Writing gives vCard 4.0 in UTF-8 with CR LF line ends, lines folded at 75 bytes without
// splitting a character: one card per person with FN (the display name, or the address for
// a person without one) and EMAIL.

#include "encoding/CString.h"
#include "model/CAddress.h"
#include "model/CPath.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CVCardReader {
public:
    // Calls `onCard` for every card in file order with its display name (code page 932,
    // empty when it has none) and its addresses (none when it has no EMAIL).
    static void Read(std::string_view bytes,
                     const std::function<void(const CString& name, const std::vector<CString>& addresses)>& onCard);
};

class CVCardWriter {
public:
    // The cards of `persons` (display name and mail address of each; the group is ignored).
    static std::string Write(const std::vector<CAddress>& persons);
    // Writes the cards into `path`, which is replaced only once they are all written; 0 when
    // the file cannot be written (nothing is left behind then).
    [[nodiscard]] static int WriteFile(const CPath& path, const std::vector<CAddress>& persons);

    // What an export of the address book holds: every person in the order they were added
    // (`groupId` 0), or the members of group `groupId` in member order (an id whose person is
    // gone is left out). `addressDb` empty means the data store's Address.mdb. 0 when a table
    // cannot be read.
    [[nodiscard]] static int LoadPersons(long groupId, std::vector<CAddress>& persons,
                                         const CPath& addressDb = CPath());
};
