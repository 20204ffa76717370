#include "parser/CPartFiles.h"

#include "encoding/CLanguage.h"
#include "model/CFileUtility.h"
#include "parser/CEMailPerser_p.h"
#include "parser/CMailCharset.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace perser;
using std::string_view;

namespace {

// How many numbered names are tried before the folder counts as full.
constexpr int kMaxNumber = 100000;

struct Base64Class {
    constexpr Base64Class() : table()
    {
        for (int c = 0; c < 256; ++c) {
            table[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
        }
    }
    unsigned char table[256];
};
constexpr Base64Class kBase64Class;

unsigned char IsBase64Char(char c) { return kBase64Class.table[static_cast<unsigned char>(c)]; }

}  // namespace

int CPartFiles::Create(const char* folder, const CString& name, const char* suffix, CString& path)
{
    const CString base((CPath::FromNative(folder) / CPath::FromText(name)).Native());
    std::string key = base.Str() + '\n' + suffix;
    int& next = next_[key];
    for (; next < kMaxNumber; ++next) {
        if (next == 0) path = base + suffix;
        else path.Format("%s_%d%s", base.GetString(), next, suffix);
        int fd = ::open(path.GetString(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ++next;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

bool CPartFiles::WriteAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CPartFiles::WriteDecoded(int fd, string_view content, string_view encoding, string_view charset)
{
    std::string enc = ToLower(TrimView(encoding));
    bool base64 = enc == "b" || enc == "base64";
    bool qp = enc == "q" || enc == "quoted-printable";
    if (CMailCharset::Canonical(charset).rfind("iso-2022-jp", 0) == 0) {
        std::string bytes;
        TransferDecode(content, encoding, bytes);
        CString sjis;
        CLanguage::JIS_SJIS(bytes.data(), static_cast<unsigned int>(bytes.size()), sjis);
        return WriteAll(fd, sjis.GetString(), static_cast<std::size_t>(sjis.GetLength()));
    }
    if (!base64 && !qp) return WriteAll(fd, content.data(), content.size());

    // A megabyte of lines at a time; Base64 is cut between groups of four.
    constexpr std::size_t kPiece = 1 << 20;
    std::string input, carry, bytes;
    for (std::size_t p = 0; p < content.size();) {
        std::size_t end = std::min(content.size(), p + kPiece);
        if (end < content.size()) {
            std::size_t lineEnd = content.find('\n', end);
            end = lineEnd == npos ? content.size() : lineEnd + 1;
        }
        input.assign(carry);
        input.append(content.substr(p, end - p));
        carry.clear();
        if (base64 && end < content.size()) {
            std::size_t count = 0;
            for (char c : input) count += IsBase64Char(c);
            std::size_t extra = count % 4;
            std::size_t cut = input.size();
            while (extra > 0 && cut > 0) {
                if (IsBase64Char(input[--cut])) --extra;
            }
            carry.assign(input, cut, npos);
            input.resize(cut);
        }
        TransferDecode(input, enc, bytes);
        if (!WriteAll(fd, bytes.data(), bytes.size())) return false;
        p = end;
    }
    if (!carry.empty()) {
        TransferDecode(carry, enc, bytes);
        if (!WriteAll(fd, bytes.data(), bytes.size())) return false;
    }
    return true;
}
