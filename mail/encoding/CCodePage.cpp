#include "encoding/CCodePage.h"

#include <cerrno>
#include <iconv.h>

namespace {

// UTF-8 form of U+3013 GETA MARK.
constexpr std::string_view kGetaUtf8 = "\xE3\x80\x93";

class Iconv {
public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Iconv() { if (Valid()) iconv_close(handle_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return handle_; }
private:
    iconv_t handle_;
};

// Runs one conversion step from `in` to `out`; on EILSEQ/EINVAL returns false with `in`
// at the offending sequence.
bool Step(iconv_t cd, const char*& in, std::size_t& inLeft, std::string& output)
{
    char buffer[16384];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        output.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        return false;
    }
    return true;
}

void Flush(iconv_t cd, std::string& output)
{
    char buffer[64];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    output.append(buffer, static_cast<std::size_t>(outPtr - buffer));
}

}  // namespace

int CCodePage::Convert(const char* from, const char* to, std::string_view input,
                       std::string& output, std::string_view replacement)
{
    // Two stages through UTF-32, because glibc reports a malformed input sequence and a
    // character the target cannot hold with the same error: stage one meets only the first,
    // stage two only the second, and each is skipped by exactly its own length.
    Iconv decode("UTF-32LE", from);
    Iconv encode(to, "UTF-32LE");
    if (!decode.Valid() || !encode.Valid()) return -1;

    bool exact = true;
    std::string wide;
    wide.reserve(input.size() * 4);
    const char* in = input.data();
    std::size_t inLeft = input.size();
    while (!Step(decode.Get(), in, inLeft, wide)) {
        exact = false;
        wide.append("\x13\x30\0\0", 4);  // U+3013 as a placeholder, replaced below
        // Skip one byte of the malformed (or truncated) sequence and start afresh.
        ++in;
        --inLeft;
        iconv(decode.Get(), nullptr, nullptr, nullptr, nullptr);
    }

    output.clear();
    output.reserve(input.size());
    in = wide.data();
    inLeft = wide.size();
    while (!Step(encode.Get(), in, inLeft, output)) {
        exact = false;
        output += replacement;
        in += 4;
        inLeft -= 4;
    }
    Flush(encode.Get(), output);
    return exact ? 1 : 0;
}

int CCodePage::ToUtf8(std::string_view cp932, std::string& utf8)
{
    return Convert("CP932", "UTF-8", cp932, utf8, kGetaUtf8) == 1;
}

std::string CCodePage::ToUtf8(const CString& cp932)
{
    std::string utf8;
    ToUtf8(cp932.View(), utf8);
    return utf8;
}

int CCodePage::FromUtf8(std::string_view utf8, CString& cp932)
{
    std::string out;
    int rc = Convert("UTF-8", "CP932", utf8, out, kGeta);
    cp932 = CString(std::move(out));
    return rc == 1;
}

CString CCodePage::FromUtf8(std::string_view utf8)
{
    CString cp932;
    FromUtf8(utf8, cp932);
    return cp932;
}

int CCodePage::ToCp932(const char* charset, std::string_view bytes, CString& cp932)
{
    if (!charset || !*charset) return 0;
    std::string out;
    if (Convert(charset, "CP932", bytes, out, kGeta) < 0) return 0;
    cp932 = CString(std::move(out));
    return 1;
}
