// Verifies the parser's text helpers on their own: HTML to text, RFC 5322 address lists,
// charset labels and guessing, and header text with encoded words.
#include "parser/CHeaderText.h"
#include "parser/CHtmlText.h"
#include "parser/CMailCharset.h"
#include "parser/CMailboxList.h"

#include "PrintCString.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// UTF-8 text whatever the execution charset of narrow literals.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string Html(const char8_t* html) { return CHtmlText::ToText(U8(html)); }

using Boxes = std::vector<std::tuple<CString, CString, CString>>;  // name, address, text

Boxes List(const CString& value)
{
    std::vector<CMailbox> list;
    CMailboxList::Perse(value.View(), list);
    Boxes out;
    for (const auto& box : list) out.emplace_back(box.name, box.address, box.text);
    return out;
}

CString ToCp932(const char* charset, const std::string& bytes)
{
    CString out;
    CMailCharset::ToCp932(charset, bytes, out);
    return out;
}

CString Guess(const std::string& bytes)
{
    CString out;
    CMailCharset::Guess(bytes, out);
    return out;
}

}  // namespace

TEST(PerserHtmlText, TagsBlocksAndWhiteSpace)
{
    EXPECT_EQ(Html(u8"<p>one</p><p>two</p>"), "one\r\ntwo");
    EXPECT_EQ(Html(u8"  a \r\n\t b  <br>c<BR/>d</br>e"), "a b\r\nc\r\nd\r\ne");
    EXPECT_EQ(Html(u8"<div>x<div>y</div>z</div>"), "x\r\ny\r\nz");
    EXPECT_EQ(Html(u8"<br><br>a<br><br><br>b<br><br>"), "a\r\n\r\n\r\nb");  // ends trimmed
    EXPECT_EQ(Html(u8"<table><tr><td>1</td><td> 2 </td></tr><tr><th>3</th></tr></table>"),
              "1 2\r\n3");
    EXPECT_EQ(Html(u8"<ul><li>a<li>b</ul>after"), "a\r\nb\r\nafter");
    EXPECT_EQ(Html(u8"<b>bo</b><i>ld</i> <span>x</span>"), "bold x");
    // <pre> keeps its blanks and line ends; blanks at line ends go.
    EXPECT_EQ(Html(u8"<pre>  a  b  \r\n\tc</pre>d"), "  a  b\r\n\tc\r\nd");
}

TEST(PerserHtmlText, SkippedContentCommentsAndOddMarkup)
{
    EXPECT_EQ(Html(u8"<head><title>T</title><style>p{}</style></head><script>x='</p>'</script>a"), "a");
    EXPECT_EQ(Html(u8"<SCRIPT type=x>if (a<b) {}</SCRIPT>b"), "b");
    EXPECT_EQ(Html(u8"a<!-- <p>hidden</p> -->b<!--[if mso]>c<![endif]-->d"), "abd");
    EXPECT_EQ(Html(u8"a<!-- never closed <p>x"), "a");
    EXPECT_EQ(Html(u8"<!DOCTYPE html><?xml version=\"1.0\"?><![if !supportLists]>e<![endif]>"), "e");
    EXPECT_EQ(Html(u8"<a title=\"x>y\" href='p>q'>link</a>"), "link");
    EXPECT_EQ(Html(u8"1 < 2 and 3 <= 4, </ >"), "1 < 2 and 3 <= 4, </ >");
    EXPECT_EQ(Html(u8"<p class=MsoNormal>x<o:p></o:p></p>"), "x");
}

TEST(PerserHtmlText, CharacterReferences)
{
    // (Expected texts outside the test macros, which would spell them in code page 932.)
    std::string named = U8(u8"& <> \"' © éÉ …€™");
    EXPECT_EQ(Html(u8"&amp; &lt;&gt; &quot;&apos; &copy; &eacute;&Eacute; &hellip;&euro;&trade;"), named);
    // Legacy names also without ";" (the longest that fits); others need it.
    std::string legacy = U8(u8"& ©2026 ¬it; &hellip &bogus; &");
    EXPECT_EQ(Html(u8"&amp &copy2026 &notit; &hellip &bogus; &"), legacy);
    std::string numeric = U8(u8"あああ – \uFFFD \uFFFD x &#");
    EXPECT_EQ(Html(u8"&#12354;&#x3042;&#X3042; &#150; &#0; &#xD800; &#1;x &#"), numeric);
    std::string greek = U8(u8"Αως→");
    EXPECT_EQ(Html(u8"&Alpha;&omega;&sigmaf;&rarr;"), greek);
    // A no-break space is a blank that does not collapse, as literal U+00A0 or reference.
    EXPECT_EQ(Html(u8"a&nbsp;&nbsp;b\u00A0\u00A0c  d"), "a  b  c d");
    EXPECT_EQ(Html(u8"a<p>&nbsp;</p><p>x</p>"), "a\r\n\r\nx");
}

TEST(PerserMailboxList, Rfc5322Forms)
{
    EXPECT_EQ(List("\"Lee, Ann\" <ann@example.jp>, b@example.jp"),
              (Boxes{{"Lee, Ann", "ann@example.jp", "\"Lee, Ann\" <ann@example.jp>"},
                     {"", "b@example.jp", "b@example.jp"}}));
    // Comments: never part of the address; the first one names a bare address.
    EXPECT_EQ(List("a@example.jp (Ann (the) Lee) (second)"),
              (Boxes{{"Ann (the) Lee", "a@example.jp", "a@example.jp (Ann (the) Lee) (second)"}}));
    EXPECT_EQ(List("Ann (work) <a (x) @ example.jp>"), (Boxes{{"Ann", "a@example.jp", "Ann (work) <a (x) @ example.jp>"}}));
    // Routes, quoted local parts, a quoted name holding "<" and ">".
    EXPECT_EQ(List("<@r1.example,@r2.example:c@example.jp>"), (Boxes{{"", "c@example.jp", "<@r1.example,@r2.example:c@example.jp>"}}));
    EXPECT_EQ(List("\"john doe\"@example.jp"), (Boxes{{"", "\"john doe\"@example.jp", "\"john doe\"@example.jp"}}));
    EXPECT_EQ(List("\"<x>\" <y@example.jp>"), (Boxes{{"<x>", "y@example.jp", "\"<x>\" <y@example.jp>"}}));
    // Quoted pairs: backslash and quote both undone.
    EXPECT_EQ(std::get<0>(List("\"a\\\\b \\\"c\\\"\" <q@example.jp>")[0]), "a\\b \"c\"");
    // A Shift_JIS name whose trail byte is 0x5C escapes nothing.
    EXPECT_EQ(std::get<0>(List("\"表示\" <h@example.jp>")[0]), "表示");
    EXPECT_EQ(std::get<0>(List("能力 <n@example.jp>")[0]), "能力");
    // Encoded words, even inside quotes, and words of a name joined by one blank.
    EXPECT_EQ(List("\"=?utf-8?B?5bGx55Sw?=\"  Taro   <t@example.jp>"),
              (Boxes{{"山田 Taro", "t@example.jp", "\"山田\"  Taro   <t@example.jp>"}}));
}

TEST(PerserMailboxList, GroupsSeparatorsAndEmptyEntries)
{
    EXPECT_TRUE(List("undisclosed-recipients:;").empty());
    EXPECT_TRUE(List("Group: ;").empty());
    EXPECT_EQ(List("team: a@example.jp, B <b@example.jp>;, c@example.jp"),
              (Boxes{{"", "a@example.jp", "a@example.jp"}, {"B", "b@example.jp", "B <b@example.jp>"},
                     {"", "c@example.jp", "c@example.jp"}}));
    // Outlook users separate with ";".
    EXPECT_EQ(List("a@example.jp; b@example.jp").size(), 2u);
    // Empty entries between commas stay, as the summary shows them.
    EXPECT_EQ(List("a@example.jp, , b@example.jp,"),
              (Boxes{{"", "a@example.jp", "a@example.jp"}, {"", "", ""}, {"", "b@example.jp", "b@example.jp"}, {"", "", ""}}));
    EXPECT_EQ(CMailboxList::FindSeparator("\"a,b\" (c,d) <e,f>, g", 0, ","), 17u);
    EXPECT_EQ(CMailboxList::FindSeparator("none", 0, ","), 4u);
}

TEST(PerserMailCharset, LabelsAndGuesses)
{
    EXPECT_EQ(CMailCharset::Canonical(" \"X-SJIS\" "), "cp932");
    EXPECT_EQ(CMailCharset::Canonical("Windows-31J"), "cp932");
    EXPECT_EQ(CMailCharset::Canonical("x-euc-jp"), "euc-jp-ms");
    EXPECT_EQ(CMailCharset::Canonical("ks_c_5601-1987"), "cp949");
    EXPECT_EQ(CMailCharset::Canonical("unicode-1-1-utf-7"), "utf-7");
    EXPECT_EQ(CMailCharset::Canonical("utf-8*ja"), "utf-8");
    EXPECT_EQ(CMailCharset::Canonical("ISO-8859-1"), "iso-8859-1");

    EXPECT_EQ(ToCp932("x-euc-jp", "\xad\xa1"), "①");  // NEC special in EUC-JP
    EXPECT_EQ(ToCp932("shift-jis", "\x95\x5c"), "表");
    EXPECT_EQ(ToCp932("unicode-1-1-utf-7", "+ZeVnLA-"), "日本");
    EXPECT_EQ(ToCp932("UTF-16LE", std::string("\xe5\x65\x2c\x67", 4)), "日本");
    EXPECT_EQ(ToCp932("x-no-such", "ab\xb1\xc6"), "ab〓〓");  // never half-width kana
    // ISO-2022-JP, and bytes that cannot be ISO-2022-JP whatever the label says.
    EXPECT_EQ(ToCp932("iso-2022-jp", "\x1b$BF|K\\\x1b(B"), "日本");
    EXPECT_EQ(ToCp932("iso-2022-jp", "\xe6\x97\xa5\xe6\x9c\xac"), "日本");
    // A JIS code with no character (a carrier's emoji) is one 〓, not a letter after it.
    EXPECT_EQ(ToCp932("iso-2022-jp", "\x1b$Bu:\x1b(Bx"), "〓x");

    EXPECT_EQ(Guess("plain"), "plain");
    EXPECT_EQ(Guess("\x1b$BF|K\\\x1b(B"), "日本");
    EXPECT_EQ(Guess("\xe6\x97\xa5\xe6\x9c\xac"), "日本");
    EXPECT_EQ(Guess("\x93\xfa\x96\x7b"), "日本");
    // UTF-8 cut inside its last character (a name cut at a length limit) is still UTF-8.
    std::string cut = U8(u8"日本語の件名です") + "\xe6\x9c";
    EXPECT_EQ(Guess(cut), "日本語の件名です〓〓");
    std::string shorter = cut.substr(6);  // too few good characters to tell: code page 932
    EXPECT_NE(Guess(shorter), "語の件名です〓〓");
    EXPECT_TRUE(CMailCharset::IsUtf8("\xe6\x97\xa5"));
    EXPECT_FALSE(CMailCharset::IsUtf8("\x82\xa0\x82\xa2"));  // "あい" in code page 932
    EXPECT_FALSE(CMailCharset::IsUtf8("\xc0\xaf"));            // overlong
    EXPECT_FALSE(CMailCharset::IsUtf8("\xed\xa0\x80"));        // surrogate
}

TEST(PerserHeaderText, EncodedWordsAndRawText)
{
    // A character split across two words in one charset survives; the blank between goes.
    EXPECT_EQ(CHeaderText::Decode("=?UTF-8?B?5pel5g==?= =?utf-8?B?nKw=?="), "日本");
    // Different charsets are decoded one by one; text between words stays.
    EXPECT_EQ(CHeaderText::Decode("=?iso-2022-jp?B?GyRCRnwbKEI=?=\t=?UTF-8?B?5pys?= x =?utf-8?Q?a_b?="),
              "日本 x a b");
    // Not whole words: left as they are.
    EXPECT_EQ(CHeaderText::Decode("=?utf-8?X?abc?= =? =?utf-8?B?"), "=?utf-8?X?abc?= =? =?utf-8?B?");
    EXPECT_EQ(CHeaderText::Decode("a =?utf 8?B?5pel?="), "a =?utf 8?B?5pel?=");
    // A word that decodes to a zero byte ends there.
    EXPECT_EQ(CHeaderText::Decode("=?us-ascii?Q?ab=00cd?=!"), "ab!");
    // Raw 8-bit text: UTF-8 when it is, else code page 932; raw JIS.
    EXPECT_EQ(CHeaderText::Decode("\xe6\x97\xa5 =?utf-8?B?5pys?="), "日 本");
    EXPECT_EQ(CHeaderText::Decode("\x93\xfa\x96\x7b"), "日本");
    EXPECT_EQ(CHeaderText::Decode("\x1b$BF|K\\\x1b(B"), "日本");
}
