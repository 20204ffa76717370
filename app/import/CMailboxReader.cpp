#include "import/CMailboxReader.h"

#include <cerrno>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::string_view kSeparator = "From ";

long ReadAt(int fd, char* buffer, std::size_t size, std::uint64_t offset)
{
    for (;;) {
        ssize_t n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

// The "\n" that ends the line before a separator line, at or after `from`; npos for none.
std::size_t FindSeparator(const std::string& text, std::size_t from)
{
    return text.find("\nFrom ", from);
}

// Where the message ends when the separator's line break stands at `lineBreak`: before the
// blank line that the mailbox puts between messages (LF or CR LF), else after the last line.
std::size_t MessageEnd(const std::string& text, std::size_t lineBreak)
{
    if (lineBreak == 0) return 0;
    if (text[lineBreak - 1] == '\n') return lineBreak;
    if (lineBreak >= 2 && text[lineBreak - 1] == '\r' && text[lineBreak - 2] == '\n') return lineBreak - 1;
    return lineBreak + 1;
}

}  // namespace

bool CMailboxReader::IsSeparatorAt(int fd, std::uint64_t offset)
{
    char before = '\n';
    if (offset > 0 && ReadAt(fd, &before, 1, offset - 1) != 1) return false;
    if (before != '\n' && before != '\r') return false;
    char start[5];
    return ReadAt(fd, start, sizeof start, offset) == static_cast<long>(sizeof start) &&
           std::string_view(start, sizeof start) == kSeparator;
}

CMailboxReader::Result CMailboxReader::ReadMessage(int fd, std::uint64_t offset, CString& text)
{
    if (!IsSeparatorAt(fd, offset)) return NoSeparator;

    char block[kBlock];
    std::uint64_t pos = offset;
    std::string message;
    // The separator line itself is the mailbox's, not the message's.
    for (;;) {
        long n = ReadAt(fd, block, kBlock, pos);
        if (n < 0) return ReadError;
        if (n == 0) {
            text.Empty();
            return Read;
        }
        pos += static_cast<std::uint64_t>(n);
        std::string_view got(block, static_cast<std::size_t>(n));
        std::size_t lineEnd = got.find('\n');
        if (lineEnd != std::string_view::npos) {
            message.assign(got.substr(lineEnd + 1));
            break;
        }
        if (pos - offset > kMaxMessage) return TooLarge;
    }

    std::size_t scan = 0;
    for (;;) {
        std::size_t lineBreak = FindSeparator(message, scan);
        if (lineBreak != std::string::npos) {
            message.resize(MessageEnd(message, lineBreak));
            break;
        }
        if (message.size() > kMaxMessage) return TooLarge;
        // The next block may complete a separator whose start this one holds.
        scan = message.size() > kSeparator.size() ? message.size() - kSeparator.size() : 0;
        long n = ReadAt(fd, block, kBlock, pos);
        if (n < 0) return ReadError;
        if (n == 0) break;  // the last message of the file: read to its end
        message.append(block, static_cast<std::size_t>(n));
        pos += static_cast<std::uint64_t>(n);
    }
    if (message.size() > kMaxMessage) return TooLarge;
    UnescapeFromLines(message);
    text = CString(std::move(message));
    return Read;
}

void CMailboxReader::UnescapeFromLines(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t quotes = pos;
        while (quotes < text.size() && text[quotes] == '>') ++quotes;
        if (quotes > pos && text.compare(quotes, kSeparator.size(), kSeparator) == 0) ++pos;
        std::size_t lineEnd = text.find('\n', pos);
        std::size_t next = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
        out.append(text, pos, next - pos);
        pos = next;
    }
    text.swap(out);
}
