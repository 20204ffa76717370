#pragma once
// One message out of an mbox file, as Thunderbird writes its local folders: each message is
// preceded by a separator line "From - <date>" (Thunderbird ends that one line in CR LF while
// the message lines end in LF; other writers use LF or CR LF throughout) and, before the next
// separator, by one blank line that belongs to the mailbox, not to the message. A body line
// that began with "From " is stored as ">From " (and ">From " as ">>From ", the mboxrd rule).
//
// The message is read from its separator line to the next one or to the end of the file,
// in blocks of kBlock bytes; a separator that straddles two blocks is found all the same.
// The text handed back has no separator line, no mailbox blank line and every ">From "
// unescaped once; its line ends are those of the file.

#include "encoding/CString.h"

#include <cstddef>
#include <cstdint>

class CMailboxReader {
public:
    static constexpr std::size_t kBlock = 4096;
    // A message longer than this is refused rather than read into memory.
    static constexpr std::uint64_t kMaxMessage = 100ull * 1024 * 1024;

    enum Result { Read = 0, NoSeparator, TooLarge, ReadError };

    // Whether a separator line ("From " at the start of a line) begins at `offset` of the
    // open file `fd`.
    static bool IsSeparatorAt(int fd, std::uint64_t offset);

    // Reads the message whose separator line begins at `offset`. NoSeparator when none
    // begins there (nothing is read from a place that is not a message's start).
    static Result ReadMessage(int fd, std::uint64_t offset, CString& text);

    // Lines ">From ", ">>From ", ... lose one ">".
    static void UnescapeFromLines(std::string& text);
};
