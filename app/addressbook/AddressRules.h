#pragma once
// The rules of addresses as the recipient lists and the address book handle them, without
// Qt: when two addresses are the same, how a display name is kept, how typed or pasted text
// becomes addresses, the lists' own clipboard format, and the folding that searches and
// completion compare with. Texts are code page 932 unless a name says UTF-8.

#include "encoding/CString.h"
#include "model/CAddress.h"

#include <string>
#include <string_view>
#include <vector>

// Two addresses are the same when their mail addresses are, without regard to ASCII case;
// display and group names do not count.
int IsSameAddress(const CAddress& a, const CAddress& b);
// The position of the address that is the same as `address` in `list`, -1 when none.
int FindAddress(const std::vector<CAddress>& list, const CAddress& address);

// Leading and trailing blanks (ASCII white space and the full-width blank) removed.
CString TrimBlanks(const CString& text);
// A display name as the lists and tables keep it: line feeds, carriage returns and tabs
// become blanks (they separate lines of a stored template), then trimmed.
CString CleanDisplayName(const CString& name);

// Typed or pasted text as addresses, not yet checked: one address per line, or several
// separated by commas or semicolons outside double quotes and angle brackets; each piece
// read with CAddress::FromText ("Name <address>", "\"Name\" <address>" or a bare address),
// a leading "mailto:" dropped, blank pieces skipped.
std::vector<CAddress> ParseAddressText(const CString& text);
// The addresses as "Name <address>" lines (CAddress::ToText), each ended by a line feed.
CString AddressLinesText(const std::vector<CAddress>& addresses);

// The address lists' own clipboard format, shared by the recipient lists and the address
// book: the MIME type, and its content (UTF-8): the line "Quillon-Addresses 1", then one
// line per address: person id (0 when the address is not a person of the book), group name,
// display name and mail address, separated by tabs.
inline constexpr const char* kAddressClipFormat = "application/x-quillon-addresses";
struct CClipAddress {
    long personId = 0;
    CAddress address;
};
std::string EncodeAddressClip(const std::vector<CClipAddress>& addresses);
// 0 when `bytes` is not in this format; lines that do not have four fields are skipped.
int DecodeAddressClip(std::string_view bytes, std::vector<CClipAddress>& addresses);

// UTF-8 text folded for searching: ASCII letters in lower case, full-width ASCII as ASCII,
// the full-width blank as a blank. Byte positions change; only use it to compare.
std::string FoldForSearch(std::string_view utf8);
