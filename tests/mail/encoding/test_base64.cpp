// Verifies Base64 encoding and decoding byte for byte, against coreutils' base64 as an
// independent encoder, and the decoder's buffer contract.
#include "encoding/CBase64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Encode(const std::string& data)
{
    CString out;
    EXPECT_NE(CBase64::Encode(reinterpret_cast<const unsigned char*>(data.data()),
                              static_cast<unsigned>(data.size()), out), 0);
    return out.Str();
}

// Decodes into a buffer of `size` bytes (the text's length when 0); returns the result,
// or "<fail>" when the decoder returns 0.
std::string Decode(const std::string& text, unsigned size = 0)
{
    if (size == 0) size = static_cast<unsigned>(text.size());
    std::vector<unsigned char> buffer(size + 1, 0xEE);
    unsigned length = 12345;
    int ok = CBase64::Decode(CString(text), buffer.data(), size, length);
    if (!ok) {
        EXPECT_EQ(length, 0u);
        return "<fail>";
    }
    EXPECT_EQ(buffer[size], 0xEE) << "wrote past the buffer";
    return std::string(reinterpret_cast<char*>(buffer.data()), length);
}

bool RunCommand(const std::string& command, std::string& output)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return false;
    output.clear();
    char chunk[65536];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
    return pclose(pipe) == 0;
}

}  // namespace

TEST(CBase64, EncodeGroupsAndPadding)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"A", "QQ=="}, {"AB", "QUI="}, {"ABC", "QUJD"}, {"ABCD", "QUJDRA=="},
        {std::string("\xFF\xFE\xFD\x00\x01", 5), "//79AAE="},
        {"any carnal pleasure.", "YW55IGNhcm5hbCBwbGVhc3VyZS4="},
        {"any carnal pleasure", "YW55IGNhcm5hbCBwbGVhc3VyZQ=="},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Encode(in), expected) << in;

    // Appends to what is there.
    CString out("x:");
    CBase64::Encode(reinterpret_cast<const unsigned char*>("ABC"), 3, out);
    EXPECT_EQ(out, "x:QUJD");
}

TEST(CBase64, CalcEnecodedSize)
{
    EXPECT_EQ(CBase64::CalcEnecodedSize(0), 4u);
    EXPECT_EQ(CBase64::CalcEnecodedSize(3), 8u);
    EXPECT_EQ(CBase64::CalcEnecodedSize(54), 78u);
    EXPECT_EQ(CBase64::CalcEnecodedSize(100), 138u);
}

TEST(CBase64, DecodeSkipsEverythingOutsideTheAlphabet)
{
    const std::pair<std::string, std::string> cases[] = {
        {"QUJD\r\nREVG", "ABCDEF"},
        {"QUJD\r\nREVG\r\n", "ABCDEF"},
        // blanks, tabs and other bytes inside a line or a group are ignored
        {"QU JD\tRE\x01VG", "ABCDEF"},
        {" QUJD ", "ABC"},
        {"QU\r\nJD", "ABC"},
        {"*QQ==*", "A"},
        // "=" stands for zero where it is; decoding goes on after a padded group
        {"QQ==QUI=", "AAB"},
        {"QUI=", "AB"},
        {"Q===", std::string("\x40", 1)},
        // a group cut short by the end keeps the whole bytes its characters hold
        {"QUJDRE", "ABCD"},
        {"QUJDREV", "ABCDE"},
        {"QUJDR", "ABC"},
        {"QUI", "AB"},
        {"QQ=", "A"},
        {"", ""},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Decode(in, static_cast<unsigned>(in.size() + 3)), expected) << in;
}

TEST(CBase64, DecodeBufferContract)
{
    // A buffer shorter than the text, or none, fails before anything is decoded.
    unsigned char buffer[16];
    unsigned length = 7;
    EXPECT_EQ(CBase64::Decode(CString("QUJD"), buffer, 3, length), 0);
    EXPECT_EQ(length, 0u);
    length = 7;
    EXPECT_EQ(CBase64::Decode(CString("QUJD"), nullptr, 16, length), 0);
    EXPECT_EQ(length, 0u);
    // Every step first needs room for three more bytes.
    EXPECT_EQ(Decode("\r\n", 2), "<fail>");
    EXPECT_EQ(Decode("\r\n", 3), "");
    EXPECT_EQ(Decode("QUJD", 4), "ABC");
    EXPECT_EQ(Decode("QUJDREVG", 8), "ABCDEF");
    EXPECT_EQ(Decode("QUJDREVGR0hJ", 12), "ABCDEFGHI");
    EXPECT_EQ(Decode("QQ", 2), "<fail>");
    EXPECT_EQ(Decode("QQ==", 4), "A");
}

TEST(CBase64, AgreesWithCoreutils)
{
    std::string probe;
    if (!RunCommand("base64 --version", probe)) GTEST_SKIP() << "coreutils base64 is not available";

    std::mt19937 random(77);
    const std::string path = testing::TempDir() + "quillon_base64_sample.bin";
    for (std::size_t size : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 53u, 54u, 55u, 1000u, 65537u, 1u << 20}) {
        std::string data(size, '\0');
        for (char& c : data) c = static_cast<char>(random());
        std::ofstream(path, std::ios::binary) << data;

        std::string expected;
        ASSERT_TRUE(RunCommand("base64 -w0 " + path, expected));
        std::string ours = Encode(data);
        ASSERT_EQ(ours, expected) << size;
        ASSERT_EQ(Decode(ours, static_cast<unsigned>(ours.size() + 3)), data) << size;

        // Lines of 76 characters with LF, as coreutils breaks them, turned into CR LF.
        std::string wrapped;
        ASSERT_TRUE(RunCommand("base64 -w76 " + path, wrapped));
        std::string crlf;
        for (char c : wrapped) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        ASSERT_EQ(Decode(crlf, static_cast<unsigned>(crlf.size() + 3)), data) << size;
    }
    std::remove(path.c_str());
}
