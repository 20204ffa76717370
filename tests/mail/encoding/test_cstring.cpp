// Verifies CString's search, edit and format operations, above all that trail bytes of
// double-byte characters are never taken for ASCII characters.
#include "encoding/CString.h"

#include <gtest/gtest.h>

// "表" is 0x95 0x5C and "ソ" is 0x83 0x5C in code page 932: their trail byte is a backslash.
static const char kHyo[] = "\x95\x5C";
static const char kSo[] = "\x83\x5C";

TEST(CString, SearchStepsOverDoubleByteCharacters)
{
    CString path = CString("C:") + kHyo + "\\" + kSo + ".txt";
    EXPECT_EQ(path.Find('\\'), 4);
    EXPECT_EQ(path.ReverseFind('\\'), 4);
    EXPECT_EQ(path.FindOneOf("\\/"), 4);
    EXPECT_EQ(path.Find("\\"), 4);
    EXPECT_EQ(path.Find('.', 5), 7);
    EXPECT_EQ(path.Find('x', 9), 9);
    EXPECT_EQ(path.Find('q'), -1);

    CString subject = CString(kSo) + "\\" + kHyo;
    EXPECT_EQ(subject.Replace('\\', '_'), 1);
    EXPECT_EQ(subject, CString(kSo) + "_" + kHyo);
    EXPECT_EQ(subject.Remove('_'), 1);
    EXPECT_EQ(subject, CString(kSo) + kHyo);

    // "ａ" (0x82 0x81) and "Ａ" (0x82 0x60): trail bytes that look like letters stay as they are.
    CString mixed("ab\x82\x60\x82\x81" "Cd");
    mixed.MakeUpper();
    EXPECT_EQ(mixed, CString("AB\x82\x60\x82\x81" "CD"));
    mixed.MakeLower();
    EXPECT_EQ(mixed, CString("ab\x82\x60\x82\x81" "cd"));

    // A lead byte without a valid trail byte is one byte: the CR after it is found.
    CString broken("\x82\r\n");
    EXPECT_EQ(broken.Find("\r\n"), 1);
}

TEST(CString, EditingAndComparison)
{
    CString text("  Hello, World \r\n");
    EXPECT_EQ(CString(text).Trim(), "Hello, World");
    EXPECT_EQ(CString(text).TrimLeft(), "Hello, World \r\n");
    EXPECT_EQ(CString(text).TrimRight(), "  Hello, World");
    EXPECT_EQ(CString("xx" + CString(kSo) + "x").TrimRight("x\\"), CString("xx") + kSo);
    EXPECT_EQ(CString("--a--").TrimLeft("-"), "a--");

    CString s("abcdef");
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Mid(4, 10), "ef");
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(99), "abcdef");

    s.Insert(3, "XY");
    EXPECT_EQ(s, "abcXYdef");
    s.Delete(3, 2);
    EXPECT_EQ(s, "abcdef");
    EXPECT_EQ(s.Replace("cd", "--"), 1);
    EXPECT_EQ(s, "ab--ef");
    EXPECT_EQ(s.Replace("", "x"), 0);

    EXPECT_EQ(CString("abc").Compare("abd"), -1);
    EXPECT_EQ(CString("abc").CompareNoCase("ABC"), 0);
    EXPECT_EQ(CString("iso-2022-JP").CompareNoCase("ISO-2022-jp"), 0);
    EXPECT_LT(CString("ab").CompareNoCase("ABC"), 0);
    EXPECT_TRUE(CString("a") < CString("b"));

    CString f;
    f.Format("%s_%08X", "BOUNDARY", 0x1234abcdU);
    EXPECT_EQ(f, "BOUNDARY_1234ABCD");
    f.AppendFormat("%.2f", 1.0);
    EXPECT_EQ(f, "BOUNDARY_1234ABCD1.00");

    CString withZero("a\0b", 3);
    EXPECT_EQ(withZero.GetLength(), 3);
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(CString('-', 3), "---");
}

TEST(CStringArray, OrderedEdits)
{
    CStringArray list;
    list.Add("a");
    list.Add("c");
    list.InsertAt(1, "b");
    ASSERT_EQ(list.GetSize(), 3);
    EXPECT_EQ(list[1], "b");
    list.RemoveAt(0, 2);
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list[0], "c");
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
}
