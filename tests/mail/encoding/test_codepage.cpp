// Verifies the conversion point between code page 932 and Unicode: the wave dash family,
// characters code page 932 cannot hold, malformed input and other charsets.
#include "encoding/CCodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

}  // namespace

TEST(CCodePage, WaveDashFamilyMapsBothCodePointsToOneByteCode)
{
    struct Case { const char8_t* jis; const char8_t* windows; const char* cp932; };
    const Case cases[] = {
        {u8"\u301C", u8"\uFF5E", "\x81\x60"},  // 〜 wave dash, fullwidth tilde
        {u8"\u2016", u8"\u2225", "\x81\x61"},  // ‖ double vertical line, parallel to
        {u8"\u2212", u8"\uFF0D", "\x81\x7C"},  // − minus sign, fullwidth hyphen-minus
        {u8"\u00A2", u8"\uFFE0", "\x81\x91"},  // ¢
        {u8"\u00A3", u8"\uFFE1", "\x81\x92"},  // £
        {u8"\u00AC", u8"\uFFE2", "\x81\xCA"},  // ¬
        {u8"\u2014", u8"\u2015", "\x81\x5C"},  // — em dash, horizontal bar
    };
    for (const Case& c : cases) {
        CString a, b;
        EXPECT_EQ(CCodePage::FromUtf8(Utf8(c.jis), a), 1);
        EXPECT_EQ(CCodePage::FromUtf8(Utf8(c.windows), b), 1);
        EXPECT_EQ(a, c.cp932);
        EXPECT_EQ(b, c.cp932);
        // The way back gives one of the two, and that one converts to the same bytes again.
        std::string back;
        EXPECT_EQ(CCodePage::ToUtf8(a.View(), back), 1);
        EXPECT_TRUE(back == Utf8(c.jis) || back == Utf8(c.windows)) << back;
        EXPECT_EQ(CCodePage::FromUtf8(back), c.cp932);
    }
}

TEST(CCodePage, UnconvertibleAndMalformedInputBecomesGeta)
{
    // An emoji between two kana: the emoji becomes 〓, nothing is dropped.
    CString out;
    EXPECT_EQ(CCodePage::FromUtf8(Utf8(u8"あ\U0001F600い"), out), 0);
    EXPECT_EQ(out, "\x82\xA0\x81\xAC\x82\xA2");

    // Malformed UTF-8: a lone continuation byte, a truncated sequence at the end.
    EXPECT_EQ(CCodePage::FromUtf8("a\x80" "b\xE3\x81", out), 0);
    EXPECT_EQ(out, "a\x81\xAC" "b\x81\xAC\x81\xAC");

    // A lone lead byte at the end of code page 932 text.
    std::string utf8;
    EXPECT_EQ(CCodePage::ToUtf8(std::string_view("x\x82", 2), utf8), 0);
    EXPECT_EQ(utf8, Utf8(u8"x\u3013"));

    EXPECT_EQ(CCodePage::FromUtf8("", out), 1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(CCodePage::ToUtf8(std::string_view(), utf8), 1);
    EXPECT_TRUE(utf8.empty());
}

TEST(CCodePage, OtherCharsetsToCodePage932)
{
    CString out;
    EXPECT_EQ(CCodePage::ToCp932("euc-jp", "\xA4\xA2\xA4\xA4", out), 1);  // あい
    EXPECT_EQ(out, "\x82\xA0\x82\xA2");
    EXPECT_EQ(CCodePage::ToCp932("ISO-8859-1", "caf\xE9", out), 1);
    EXPECT_EQ(out, "caf\x81\xAC");  // é has no code page 932 form
    EXPECT_EQ(CCodePage::ToCp932("utf-8", Utf8(u8"日本"), out), 1);
    EXPECT_EQ(out, "\x93\xFA\x96\x7B");

    out = "kept";
    EXPECT_EQ(CCodePage::ToCp932("x-no-such-charset", "abc", out), 0);
    EXPECT_EQ(out, "kept");
}
