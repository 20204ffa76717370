// Verifies CAddress: the text forms, their round trip and the one validity rule.
#include "model/CAddress.h"

#include <gtest/gtest.h>

TEST(CAddress, FromTextAndToText)
{
    CAddress a;
    a.FromText("\"Ann Lee\" <ann@example.jp>");
    EXPECT_EQ(a.GetDisplayName(), "Ann Lee");
    EXPECT_EQ(a.GetMailAddress(), "ann@example.jp");
    EXPECT_EQ(a.ToText(), "Ann Lee <ann@example.jp>");

    a.FromText("Bob < bob@example.jp");
    EXPECT_EQ(a.GetDisplayName(), "Bob");
    EXPECT_EQ(a.GetMailAddress(), "bob@example.jp");

    a.FromText("  bare@example.jp ");
    EXPECT_EQ(a.GetDisplayName(), "");
    EXPECT_EQ(a.GetMailAddress(), "  bare@example.jp ");
    EXPECT_EQ(a.ToText(), "  bare@example.jp ");

    a.FromText("Name <");
    EXPECT_EQ(a.GetMailAddress(), "");

    // A Japanese name keeps its quotes; escaped quotes are unescaped either way.
    a.FromText("\"山田\" <y@example.jp>");
    EXPECT_EQ(a.GetDisplayName(), "\"山田\"");
    a.SetGroupName("g");
    a.FromText("x@example.jp");
    EXPECT_EQ(a.GetGroupName(), "");
}

TEST(CAddress, ToTextForMailEscapesQuotesAndRoundTrips)
{
    CAddress a("", "Ann \"A\"", "ann@example.jp");
    EXPECT_EQ(a.ToTextForMail(), "\"Ann \\\"A\\\"\" <ann@example.jp>");
    CAddress b;
    b.FromText(a.ToTextForMail());
    EXPECT_EQ(b.GetDisplayName(), "Ann \"A\"");
    EXPECT_EQ(b.GetMailAddress(), "ann@example.jp");
    EXPECT_EQ(CAddress("", "", "x@y").ToTextForMail(), "x@y");
}

TEST(CAddress, CheckAddress)
{
    CString message;
    EXPECT_EQ(CAddress::CheckAddress("", message), 0);
    EXPECT_EQ(message, "アドレスが入力されていません。");
    EXPECT_EQ(CAddress::CheckAddress("ａ@example.jp", message), 0);
    EXPECT_EQ(message, "アドレスに日本語が混じっています。");
    EXPECT_EQ(CAddress::CheckAddress("\xB1@example.jp", message), 0);  // half-width ｱ
    EXPECT_EQ(message, "アドレスに日本語が混じっています。");
    EXPECT_EQ(CAddress::CheckAddress("@example.jp", message), 0);
    EXPECT_EQ(message, "アドレスの形式が不正です。");
    EXPECT_EQ(CAddress::CheckAddress("user@", message), 0);
    EXPECT_EQ(message, "アドレスの形式が不正です。");
    EXPECT_EQ(CAddress::CheckAddress("nodomain", message), 0);
    message.Empty();
    EXPECT_NE(CAddress::CheckAddress("a@b", message), 0);
    EXPECT_NE(CAddress::CheckAddress("a@b@c d", message), 0);
    EXPECT_TRUE(message.IsEmpty());

    CAddress valid("", "", "a@b");
    EXPECT_NE(valid.IsValid(), 0);
    CAddress invalid("", "", "ab");
    EXPECT_EQ(invalid.IsValid(), 0);
}
