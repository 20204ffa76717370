// Verifies the Letter page's rules without widgets: the subject prefix added once and removed
// only when the subject still begins with it (byte for byte), the salutation appended with
// CR LF, the five-line body preview, the pieces stored into the document, and the buttons
// the idle pass enables.
#include "pages/LetterRules.h"

#include "model/CMailDoc.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

CString Lines(int count)
{
    CString body;
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            body += "\r\n";
        body.AppendFormat("line%d", i);
    }
    return body;
}

}  // namespace

TEST(LetterRules, SubjectPrefixAddedOnceAndRemovedOnlyWhenStillInFront)
{
    CString subject = "月例会議のご案内";
    EXPECT_EQ(AddSubjectPrefix(subject, "【重要】"), 1);
    EXPECT_EQ(subject, CString("【重要】月例会議のご案内"));
    // The same prefix chosen again, or a template carrying it: never doubled.
    EXPECT_EQ(AddSubjectPrefix(subject, "【重要】"), 0);
    EXPECT_EQ(subject, CString("【重要】月例会議のご案内"));
    // An empty prefix changes nothing either way.
    EXPECT_EQ(AddSubjectPrefix(subject, ""), 0);
    EXPECT_EQ(RemoveSubjectPrefix(subject, ""), 0);

    EXPECT_EQ(RemoveSubjectPrefix(subject, "【重要】"), 1);
    EXPECT_EQ(subject, CString("月例会議のご案内"));
    // The user edited the front away: nothing is removed.
    subject = "Re: 【重要】月例会議";
    EXPECT_EQ(RemoveSubjectPrefix(subject, "【重要】"), 0);
    EXPECT_EQ(subject, CString("Re: 【重要】月例会議"));

    // Byte comparison: "ア" (0x83 0x41) begins with the lead byte alone, and case matters.
    const char lead[] = {'\x83', 0};
    EXPECT_TRUE(BeginsWith("\x83\x41", lead));
    EXPECT_FALSE(BeginsWith("re: x", "Re: "));
    EXPECT_FALSE(BeginsWith("Re", "Re: "));
    CString ascii = "re: x";
    EXPECT_EQ(AddSubjectPrefix(ascii, "Re: "), 1);
    EXPECT_EQ(ascii, CString("Re: re: x"));
}

TEST(LetterRules, SalutationAppendedAfterCrLfOnlyWhenNotEmpty)
{
    CString dear;
    AppendSalutation(dear, "株式会社ベルト");
    EXPECT_EQ(dear, CString("株式会社ベルト"));
    AppendSalutation(dear, "営業部\r\n山田様");
    EXPECT_EQ(dear, CString("株式会社ベルト\r\n営業部\r\n山田様"));
    // A salutation of blanks is not empty.
    CString blank = " ";
    AppendSalutation(blank, "A");
    EXPECT_EQ(blank, CString(" \r\nA"));
}

TEST(LetterRules, BodyPreviewKeepsFiveLinesAndAbridgesSix)
{
    EXPECT_EQ(AbridgedBody(""), CString(""));
    EXPECT_EQ(AbridgedBody(Lines(5)), Lines(5));
    // "・・・" is three times 0x81 0x45.
    const CString dots = "\x81\x45\x81\x45\x81\x45";
    EXPECT_EQ(AbridgedBody(Lines(6)), CString("line1\r\nline2\r\n") + dots + "\r\nline5\r\nline6");
    EXPECT_EQ(AbridgedBody(Lines(40)), CString("line1\r\nline2\r\n") + dots + "\r\nline39\r\nline40");
    // Five lines and a final CR LF are six lines, the last one empty.
    EXPECT_EQ(AbridgedBody(Lines(5) + "\r\n"), CString("line1\r\nline2\r\n") + dots + "\r\nline5\r\n");

    // Abridged lines are cut at 100 bytes without splitting a double-byte character; five
    // long lines are shown whole.
    CString longLine = "a";
    for (int i = 0; i < 60; ++i)
        longLine += "あ";  // 1 + 120 bytes
    const CString five = longLine + "\r\nb\r\nc\r\nd\r\n" + longLine;
    EXPECT_EQ(AbridgedBody(five), five);
    const CString abridged = AbridgedBody(longLine + "\r\nb\r\nc\r\nd\r\ne\r\n" + longLine);
    const CString cut = longLine.Left(99);  // "a" and 49 characters: 100 would split one
    EXPECT_EQ(abridged, cut + "\r\nb\r\n" + dots + "\r\ne\r\n" + cut);
}

TEST(LetterRules, PiecesStoredByteForByteAndOnlyWhenChanged)
{
    std::unique_ptr<CMailDoc> doc(CMailDoc::Create());
    CLetterPieces pieces;
    // Nothing differs from a new document: nothing stored, nothing marked.
    EXPECT_EQ(StoreLetterPieces(*doc, pieces), 0);
    EXPECT_FALSE(doc->IsModified());

    pieces.dear = "山田様";
    pieces.greeting = "いつもお世話になっております。";
    pieces.closing = "よろしくお願いいたします。";
    pieces.signature = "--\r\nベルト 太郎";
    pieces.upperReply = 1;
    EXPECT_EQ(StoreLetterPieces(*doc, pieces), 1);
    EXPECT_TRUE(doc->IsModified());
    CString text;
    doc->GetDear(text);
    EXPECT_EQ(text, pieces.dear);
    doc->GetGreeting(text);
    EXPECT_EQ(text, pieces.greeting);
    doc->GetClosing(text);
    EXPECT_EQ(text, pieces.closing);
    doc->GetSignature(text);
    EXPECT_EQ(text, pieces.signature);
    EXPECT_EQ(doc->GetUpperReplyFlg(), 1);

    doc->SetModifiedFlag(0);
    EXPECT_EQ(StoreLetterPieces(*doc, pieces), 0);
    EXPECT_FALSE(doc->IsModified());

    // One trailing blank, or the flag alone, is a change.
    pieces.closing += " ";
    EXPECT_EQ(StoreLetterPieces(*doc, pieces), 1);
    doc->GetClosing(text);
    EXPECT_EQ(text, CString("よろしくお願いいたします。 "));
    doc->SetModifiedFlag(0);
    pieces.upperReply = 0;
    EXPECT_EQ(StoreLetterPieces(*doc, pieces), 1);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetUpperReplyFlg(), 0);
}

TEST(LetterRules, IdleEnablesEachButtonByItsOwnRule)
{
    EXPECT_EQ(EnabledLetterButtons({}), CLetterPageButtons{});

    CLetterPageState state;
    state.templateSelected = true;
    CLetterPageButtons expected;
    expected.replace = expected.clearTemplate = true;
    EXPECT_EQ(EnabledLetterButtons(state), expected);

    state = {};
    state.prefixSelected = true;
    expected = {};
    expected.clearAll = expected.removePrefix = true;
    EXPECT_EQ(EnabledLetterButtons(state), expected);

    state = {};
    state.dearSelected = true;
    expected = {};
    expected.clearAll = expected.clearDear = true;
    EXPECT_EQ(EnabledLetterButtons(state), expected);
    state = {};
    state.dear = "x";
    EXPECT_EQ(EnabledLetterButtons(state), expected);

    state = {};
    state.greeting = " ";
    expected = {};
    expected.clearAll = expected.clearGreeting = true;
    EXPECT_EQ(EnabledLetterButtons(state), expected);

    state = {};
    state.closing = "x";
    expected = {};
    expected.clearAll = expected.clearClosing = true;
    EXPECT_EQ(EnabledLetterButtons(state), expected);

    state = {};
    state.signatureSelected = true;
    expected = {};
    expected.clearAll = expected.clearSignature = true;
    EXPECT_EQ(EnabledLetterButtons(state), expected);
}
