#pragma once
// Thunderbird's folder index (the ".msf" file beside a mailbox), read as far as a mail
// reference needs: where the message with a given key starts in the mailbox file. The file
// is Mork 1.4 text: dictionaries of column names and values ("<(80=storeToken)>"), tables of
// rows ("{1:^80 [2(^80^A1)]}") and groups of later changes ("@$${3{@ ... @$$}3}@"), the
// last word on a row winning; an aborted or unfinished group changes nothing. A message row
// is one of the scope "ns:msg:db:row:scope:msgs:all"; its id is the message key (hex) and
// its "storeToken" cell the decimal byte offset of the message's separator line.
//
// The reader is lenient (bytes it does not know are skipped), linear in the file's size and
// never recursive beyond one level of groups, so a damaged index cannot hang or crash it.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

class CMorkIndex {
public:
    // Reads the whole index text. 0 when it is not Mork text.
    int Read(std::string_view text);

    // Whether the index holds any message rows at all.
    bool HasMessages() const { return !storeTokens_.empty(); }
    // The storeToken of the message with `key`; false when the index has no such message
    // (or no usable storeToken for it, or the row was deleted from the message table).
    bool FindStoreToken(std::uint64_t key, std::uint64_t& offset) const;

private:
    friend class CMorkParser;

    std::unordered_map<std::uint64_t, std::string> storeTokens_;
    std::unordered_set<std::uint64_t> removed_;
};
