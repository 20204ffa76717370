// Verifies quoted-printable and %XX decoding byte for byte, soft line breaks, escapes that
// are not escapes, and the decoders' buffer contract.
#include "encoding/CLanguage.h"
#include "encoding/CQuotedPrint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Decoder = int (*)(const CString&, unsigned char*, unsigned int, unsigned int&);

std::string Decoded(Decoder decode, const std::string& text, unsigned size)
{
    std::vector<unsigned char> buffer(size + 1, 0xEE);
    unsigned length = 12345;
    if (!decode(CString(text), buffer.data(), size, length)) {
        EXPECT_EQ(length, 0u);
        return "<fail>";
    }
    EXPECT_EQ(buffer[size], 0xEE) << "wrote past the buffer";
    return std::string(reinterpret_cast<char*>(buffer.data()), length);
}

std::string Qp(const std::string& text) { return Decoded(&CQuotedPrint::Decode, text, static_cast<unsigned>(text.size())); }
std::string Hexd(const std::string& text) { return Decoded(&CLanguage::HexDecode, text, static_cast<unsigned>(text.size())); }

}  // namespace

TEST(CQuotedPrint, Decode)
{
    const std::pair<std::string, std::string> cases[] = {
        {"=3D", "="},
        {"a=\r\nb", "ab"},
        {"=82=A0=82=a2", "\x82\xA0\x82\xA2"},
        {"trailing  \r\nnext", "trailing  \r\nnext"},
        // a soft break with LF alone, and one whose line end was cut off with the text
        {"a=\nb", "ab"},
        {"end=", "end"},
        {"a=\rb", "ab"},
        // "=" without two hexadecimal digits stands for itself
        {"1=2", "1=2"},
        {"a=4Gb", "a=4Gb"},
        {"=G1", "=G1"},
        {"=4", "=4"},
        {"= 41", "= 41"},
        {"", ""},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Qp(in), expected) << in;
}

TEST(CLanguage, HexDecode)
{
    const std::pair<std::string, std::string> cases[] = {
        {"%41", "A"},
        {"%E6%97%A5 x", "\xE6\x97\xA5 x"},
        {"100%", "100%"},
        {"%4", "%4"},
        {"%zz%41", "%zzA"},
        // no soft line breaks here
        {"a%\r\nb", "a%\r\nb"},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Hexd(in), expected) << in;
}

TEST(CQuotedPrint, BufferContractOfBothDecoders)
{
    for (Decoder decode : {Decoder(&CQuotedPrint::Decode), Decoder(&CLanguage::HexDecode)}) {
        EXPECT_EQ(Decoded(decode, "abc", 2), "<fail>");
        EXPECT_EQ(Decoded(decode, "abc", 3), "abc");
        unsigned length = 9;
        EXPECT_EQ(decode(CString("abc"), nullptr, 3, length), 0);
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(Decoded(decode, "", 0), "");
    }
}
