// Verifies the header side of CEMailPerser: field finding and unfolding, encoded words in any
// charset, address splitting, content types and parameters (RFC 2231 included).
#include "parser/CEMailPerser.h"

#include "PrintCString.h"

#include <gtest/gtest.h>

namespace {

CEMailPerser parser;

}  // namespace

TEST(PerserFields, EncodedWords)
{
    // ISO-2022-JP, B and Q, charset and letter in any case.
    EXPECT_EQ(parser.DecodeFieldValue("=?iso-2022-jp?B?GyRCRnxLXBsoQg==?="), "日本");
    EXPECT_EQ(parser.DecodeFieldValue("=?ISO-2022-JP?b?GyRCRnxLXBsoQg==?="), "日本");
    EXPECT_EQ(parser.DecodeFieldValue("=?iso-2022-jp?q?=1B$BF|K\\=1B(B?="), "日本");
    // Text around words stays; white space between two words goes (RFC 2047 6.2).
    EXPECT_EQ(parser.DecodeFieldValue("Re: =?iso-2022-jp?B?GyRCRnxLXBsoQg==?= =?iso-2022-jp?B?GyRCOGwbKEI=?= !"),
              "Re: 日本語 !");
    EXPECT_EQ(parser.DecodeFieldValue("=?iso-2022-jp?B?GyRCRnxLXBsoQg==?==?iso-2022-jp?B?GyRCOGwbKEI=?="),
              "日本語");
    // Other charsets reach code page 932 too.
    EXPECT_EQ(parser.DecodeFieldValue("=?utf-8?B?5pel5pys?="), "日本");
    EXPECT_EQ(parser.DecodeFieldValue("=?EUC-JP?B?xvzL3Ljs?="), "日本語");
    EXPECT_EQ(parser.DecodeFieldValue("=?shift_jis?B?k/qWew==?="), "日本");
    EXPECT_EQ(parser.DecodeFieldValue("=?utf-8*ja?B?5pel5pys?="), "日本");
    // "_" is a blank in the Q form; "=5F" an underscore.
    EXPECT_EQ(parser.DecodeFieldValue("=?us-ascii?Q?a_b=5Fc?="), "a b_c");
    EXPECT_EQ(parser.DecodeFieldValue("=?iso-8859-1?Q?Caf=E9?="), "Caf\x81\xAC");
    // An unknown charset leaves the bytes; an unfinished word stays as written.
    EXPECT_EQ(parser.DecodeFieldValue("=?x-unknown?B?QUJD?="), "ABC");
    EXPECT_EQ(parser.DecodeFieldValue("ok =?utf-8?B?5pel"), "ok =?utf-8?B?5pel");
    EXPECT_EQ(parser.DecodeFieldValue("=?utf-8?B?5pel5pys?= and =?x"), "日本 and =?x");
    EXPECT_EQ(parser.DecodeFieldValue("plain text"), "plain text");
}

TEST(PerserFields, FindingAndUnfolding)
{
    const CString text =
        "Received: x\r\n"
        "subject: =?iso-2022-jp?B?GyRCRnxLXBsoQg==?=\r\n"
        "\t =?iso-2022-jp?B?GyRCOGwbKEI=?=\r\n"
        "X-Long: one two\r\n"
        "  three\r\n"
        "Subject: second\r\n"
        "\r\n"
        "Date: in the body\r\n";
    CString value;
    int next = -1;
    ASSERT_TRUE(parser.FindField(text, 0, "Subject", value, &next));
    EXPECT_EQ(value, "日本語");  // the fold between two encoded words vanishes
    EXPECT_EQ(next, text.Find("X-Long"));
    ASSERT_TRUE(parser.FindField(text, 0, "X-Long", value, nullptr));
    EXPECT_EQ(value, "one two three");  // a folded text keeps its words apart
    EXPECT_FALSE(parser.FindField(text, 0, "Date", value, nullptr));  // body is not header
    EXPECT_FALSE(parser.FindField(text, 0, "Sub", value, nullptr));
    EXPECT_EQ(parser.FindTopOfLine(text, 0, "X-Long:"), text.Find("X-Long"));
    EXPECT_EQ(parser.FindTopOfLine(text, 0, "Date:"), -1);
    EXPECT_EQ(parser.FindEmptyLine(text, 0), text.Find("\r\n\r\n") + 2);
    EXPECT_EQ(parser.FindEmptyLine(text, text.Find("\r\n\r\n") + 2), text.Find("\r\n\r\n") + 2);
    EXPECT_EQ(parser.FindEmptyLine("a\r\nb\r\n", 0), -1);

    // A line with no CR LF is no field; a continuation without one ends the field unread.
    EXPECT_FALSE(parser.PerseFieldValue("Subject: x", 0, "Subject", value, &next));
    EXPECT_EQ(next, 0);
    ASSERT_TRUE(parser.PerseFieldValue("Subject:  a \r\n b", 0, "Subject", value, &next));
    EXPECT_EQ(value, "a");
    EXPECT_EQ(next, 14);
}

TEST(PerserFields, HeaderFieldsAndAddresses)
{
    const CString text =
        "From: =?iso-2022-jp?B?GyRCRnxLXBsoQg==?= <a@example.jp>\r\n"
        "TO: b@example.jp, \"Lee, Ann\" <ann@example.jp>,\r\n"
        "  \"Say \\\"hi, there\\\"\" <s@example.jp>, , =?utf-8?B?5pel5pys?= <n@example.jp>\r\n"
        "Cc: \"=?utf-8?B?5bGx55Sw?=\" <y@example.jp>\r\n"
        "Message-ID: <id@example.jp>\r\n"
        "References: <r1@example.jp>\r\n <r2@example.jp>\r\n"
        "Subject: first\r\n"
        "Subject: second\r\n"
        "Date: Tue, 1 Dec 2026 10:00:00 +0900\r\n"
        "\r\n"
        "From: body@example.jp\r\n";
    CStringArray from, to, cc;
    CString id, refs, subject, date;
    EXPECT_EQ(parser.PerseHeaderFields(text, parser.FindEmptyLine(text, 0), 0, from, to, cc, id,
                                       refs, subject, date), 1);
    ASSERT_EQ(from.GetSize(), 1);
    EXPECT_EQ(from[0], "日本 <a@example.jp>");
    ASSERT_EQ(to.GetSize(), 5);
    EXPECT_EQ(to[0], "b@example.jp");
    EXPECT_EQ(to[1], "\"Lee, Ann\" <ann@example.jp>");
    EXPECT_EQ(to[2], "\"Say \\\"hi, there\\\"\" <s@example.jp>");
    EXPECT_EQ(to[3], "");
    EXPECT_EQ(to[4], "日本 <n@example.jp>");
    ASSERT_EQ(cc.GetSize(), 1);
    EXPECT_EQ(cc[0], "\"山田\" <y@example.jp>");
    EXPECT_EQ(id, "<id@example.jp>");
    EXPECT_EQ(refs, "<r1@example.jp> <r2@example.jp>");
    EXPECT_EQ(subject, "first");
    EXPECT_EQ(date, "Tue, 1 Dec 2026 10:00:00 +0900");

    // A decoded name holding a comma does not split its address.
    CStringArray list;
    parser.PerseAddressField("To: =?utf-8?B?5bGx55SwLCDlpKrpg44=?= <t@example.jp>, x@example.jp\r\n",
                             0, "To", list);
    ASSERT_EQ(list.GetSize(), 2);
    EXPECT_EQ(list[0], "山田, 太郎 <t@example.jp>");
    EXPECT_EQ(list[1], "x@example.jp");
    // From the start of the header, the field is looked for.
    list.RemoveAll();
    parser.PerseAddressField(text, 0, "Cc", list);
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list[0], "\"山田\" <y@example.jp>");
}

TEST(PerserFields, ContentTypeAndParameters)
{
    CString type, params;
    parser.GetContentType("Content-type: multipart/mixed ;  boundary=\"b=;1\"; x=y\r\n\r\n", 0,
                          type, params, nullptr);
    EXPECT_EQ(type, "multipart/mixed");
    EXPECT_EQ(params, "boundary=\"b=;1\"; x=y");
    EXPECT_EQ(parser.GetAttrValue(params, "boundary"), "b=;1");  // ";" inside quotes stays
    EXPECT_EQ(parser.GetAttrValue(params, "X"), "y");
    EXPECT_EQ(parser.GetAttrValue(params, "z"), "");

    parser.GetContentType("Subject: s\r\n\r\nContent-Type: text/html\r\n", 0, type, params, nullptr);
    EXPECT_EQ(type, "text/plain");
    EXPECT_EQ(params, "charset=us-ascii");
    parser.GetContentType("Content-Type: text/plain\r\n\r\n", 0, type, params, nullptr);
    EXPECT_EQ(params, "charset=us-ascii");
    parser.GetContentType("Content-Type: image/png\r\n\r\n", 0, type, params, nullptr);
    EXPECT_EQ(type, "image/png");
    EXPECT_EQ(params, "");

    // An encoded word in a quoted name; "name" does not match "filename" or "name*".
    EXPECT_EQ(parser.GetAttrValue("name=\"=?iso-2022-jp?B?GyRCST08KBsoQi50eHQ=?=\"", "name"), "表示.txt");
    EXPECT_EQ(parser.GetAttrValue("filename=a.txt; name*=x", "name"), "");

    // Numbered pieces with the ISO-2022-JP prefix, as the system has always read them.
    EXPECT_EQ(parser.GetAttrValue_MultiLine(
                  "name*0*=iso-2022-jp''%1B%24%42%3B%71%4E%41;\r\n name*1*=%1B%28%42%2E%74%78%74", "name"),
              "資料.txt");
    // Any charset, a single "name*", literal pieces, and a piece mixing both forms.
    EXPECT_EQ(parser.GetAttrValue_MultiLine("name*=utf-8''%E6%97%A5%E6%9C%AC%2E%74%78%74", "name"),
              "日本.txt");
    EXPECT_EQ(parser.GetAttrValue_MultiLine("name*=UTF-8'ja'%E6%97%A5%E6%9C%AC.txt", "name"), "日本.txt");
    EXPECT_EQ(parser.GetAttrValue_MultiLine("name*0=\"long \"; name*1=\"name.txt\"", "name"),
              "long name.txt");
    EXPECT_EQ(parser.GetAttrValue_MultiLine("name*0*=utf-8''%E6%97%A5; name*1=\"%41.txt\"", "name"),
              "日%41.txt");
    EXPECT_EQ(parser.GetAttrValue_MultiLine("name*0*=no-prefix%41", "name"), "no-prefix%41");
    EXPECT_EQ(parser.GetAttrValue_MultiLine("name=plain", "name"), "");
}

TEST(PerserFields, DecodeIntoBuffer)
{
    unsigned char buffer[32];
    unsigned int length = 99;
    ASSERT_TRUE(parser.Decode("GyRCRnxLXBsoQg==", "base64", "ISO-2022-JP", buffer, sizeof buffer, length));
    EXPECT_EQ(CString(reinterpret_cast<char*>(buffer), static_cast<int>(length)), "日本");
    EXPECT_EQ(buffer[length], 0);
    ASSERT_TRUE(parser.Decode("a=3Db", "Quoted-Printable", "us-ascii", buffer, sizeof buffer, length));
    EXPECT_EQ(CString(reinterpret_cast<char*>(buffer), static_cast<int>(length)), "a=b");
    ASSERT_TRUE(parser.Decode("as is", "8bit", "", buffer, sizeof buffer, length));
    EXPECT_EQ(length, 5u);
    // A result that would not fit (with its zero byte) fails and leaves the buffer empty.
    EXPECT_FALSE(parser.Decode("12345", "7bit", "", buffer, 5, length));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(length, 0u);
}
