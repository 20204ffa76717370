// Verifies the Body page's and the preview's rules without widgets: the list heights, the
// original-message block byte for byte, the idle pace, the phrase store operations as combo
// 1038 mirrors them, the recipient lines, the letter marks and stand-ins, and the words that
// say how characters ISO-2022-JP cannot carry will be sent.
#include "pages/BodyRules.h"
#include "pages/PreviewRules.h"

#include "files/CTemplateFile.h"
#include "model/CAddress.h"
#include "model/CMailDoc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace BodyRules;
using namespace PreviewRules;

namespace {

fs::path Scratch(const char* name)
{
    const char* home = std::getenv("XDG_DATA_HOME");
    const fs::path root = fs::path(home != nullptr ? home : "/tmp") / "body-rules" / name;
    fs::remove_all(root);
    fs::create_directories(root);
    return root;
}

std::vector<std::string> Titles(const CTitleList& list)
{
    std::vector<std::string> titles;
    for (const CTitleItem& item : list) titles.push_back(std::to_string(item.id) + ":" + item.title.Str());
    return titles;
}

}  // namespace

TEST(BodyRules, ListHeightFollowsTheItemCount)
{
    EXPECT_EQ(AttachmentListHeight(0), 21);
    EXPECT_EQ(AttachmentListHeight(1), 21);
    EXPECT_EQ(AttachmentListHeight(2), 38);
    EXPECT_EQ(AttachmentListHeight(5), 89);
    EXPECT_EQ(AttachmentListHeight(6), 89);
    EXPECT_EQ(AttachmentListHeight(50), 89);
    EXPECT_EQ(AttachmentListHeight(-1), 21);
}

TEST(BodyRules, OriginalMessageBlockIsExact)
{
    const CString summary("From:    a@example.jp\r\nSubject: x\r\n");
    EXPECT_EQ(OriginalMessageBlock(summary).Str(),
              "\r\n\r\n----- Original Message ------------------------------------\r\n"
              "From:    a@example.jp\r\nSubject: x\r\n"
              "-----------------------------------------------------------\r\n\r\n");
    // The marker that GetBodyWithLetter looks for follows the first line end.
    EXPECT_EQ(OriginalMessageBlock(CString()).Find("\r\n----- Original Message"), 2);
    EXPECT_EQ(OriginalMessageBlock(CString()).Str().substr(0, 2 * kAnswerLines), "\r\n\r\n");
}

TEST(BodyRules, IdlePacerAnswersEvery101stPass)
{
    CIdlePacer pacer;
    int refreshes = 0;
    int first = 0;
    for (int pass = 1; pass <= 303; ++pass) {
        if (pacer.Tick()) {
            ++refreshes;
            if (first == 0) first = pass;
        }
    }
    EXPECT_EQ(first, 101);
    EXPECT_EQ(refreshes, 3);
}

TEST(BodyRules, SameFilesComparesPathsAndTitlesInOrder)
{
    const CMailDoc::FileList a = {{CPath::FromNative("/t/a.txt"), "a.txt"}, {CPath::FromNative("/t/b.eml"), "Re: b"}};
    CMailDoc::FileList b = a;
    EXPECT_TRUE(SameFiles(a, b));
    b[1].title = "b.eml";
    EXPECT_FALSE(SameFiles(a, b));
    EXPECT_FALSE(SameFiles(a, {a[1], a[0]}));
    EXPECT_FALSE(SameFiles(a, {a[0]}));
    EXPECT_TRUE(SameFiles({}, {}));
}

TEST(BodyRules, PhraseOperationsKeepStoreAndListInStep)
{
    const fs::path root = Scratch("phrases");
    const CPath folder = PhraseFolder(CPath::FromNative(root.string()));
    EXPECT_EQ(folder.Native(), (root / "Template").string());
    ASSERT_EQ(MakePhraseFolder(folder), 1);
    EXPECT_EQ(MakePhraseFolder(folder), 1);  // already there
    EXPECT_EQ(fs::status(folder.Native()).permissions() & fs::perms::all, fs::perms::owner_all);

    CTemplateFile store(folder);
    CTitleList phrases;
    EXPECT_EQ(LoadPhrases(store, phrases), 1);  // an empty store is an empty list
    EXPECT_TRUE(phrases.empty());

    int selected = -1;
    ASSERT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseAdd, "ご挨拶", "{\\rtf1 a}"), 1);
    ASSERT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseAdd, "お礼\r\n二行目", "{\\rtf1 b}"), 1);
    ASSERT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseAdd, "結び", "{\\rtf1 c}"), 1);
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(Titles(phrases), (std::vector<std::string>{"1:ご挨拶", "2:お礼  二行目", "3:結び"}));

    // Change rewrites the chosen entry in place; its file holds the new text only.
    selected = 1;
    ASSERT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseChange, "お礼状", "{\\rtf1 B}"), 1);
    EXPECT_EQ(selected, 1);
    CString title, body;
    ASSERT_TRUE(store.Read(2, title, body));
    EXPECT_EQ(title.Str(), "お礼状");
    EXPECT_EQ(body.Str(), "{\\rtf1 B}\r\n");

    // Delete removes it; the next add takes the free id and its place by id.
    selected = 0;
    ASSERT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseDelete, "", ""), 1);
    EXPECT_EQ(selected, -1);
    EXPECT_FALSE(fs::exists(folder.Native() + "/tpl1"));
    ASSERT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseAdd, "新しい", "{\\rtf1 n}"), 1);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(Titles(phrases), (std::vector<std::string>{"1:新しい", "2:お礼状", "3:結び"}));

    // Change or delete with nothing chosen changes nothing.
    selected = -1;
    EXPECT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseChange, "x", "y"), 0);
    EXPECT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseDelete, "x", "y"), 0);
    EXPECT_EQ(ApplyPhraseOperation(store, phrases, selected, 7, "x", "y"), 0);
    EXPECT_EQ(phrases.size(), 3u);

    // A second start lists the store by id, whatever order the folder gives.
    CTitleList again;
    ASSERT_EQ(LoadPhrases(store, again), 1);
    EXPECT_EQ(Titles(again), Titles(phrases));

    // A store whose folder is gone fails to write and leaves the list alone.
    fs::remove_all(folder.Native());
    selected = 0;
    EXPECT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseAdd, "x", "y"), 0);
    EXPECT_EQ(ApplyPhraseOperation(store, phrases, selected, PhraseChange, "x", "y"), 0);
    EXPECT_EQ(phrases.size(), 3u);
    EXPECT_EQ(selected, 0);
}

TEST(PreviewRules, RecipientLinesToThenCcThenBcc)
{
    CMailDoc doc;
    doc.AddBccAddress(CAddress("", "", "boss@example.com"));
    doc.AddToAddress(CAddress("", "花子", "hanako@example.com"));
    doc.AddToAddress(CAddress("", "", "jiro@example.com"));
    const std::vector<CString> lines = RecipientLines(doc);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Str(), "宛先　：　花子 <hanako@example.com>");
    EXPECT_EQ(lines[1].Str(), "宛先　：　jiro@example.com");
    EXPECT_EQ(lines[2].Str(), "ＢＣＣ ：　boss@example.com");
    doc.AddCcAddress(CAddress("", "", "cc@example.com"));
    EXPECT_EQ(RecipientLines(doc)[2].Str(), "ＣＣ　 ：　cc@example.com");
    EXPECT_TRUE(RecipientLines(CMailDoc()).empty());
}

TEST(PreviewRules, LetterMarksCountLineEndsAsOneCharacter)
{
    // "a\r\n①髙\rb\nｱ": ① is a symbol with a stand-in, 髙 a kanji variant, ｱ fits.
    const CString letter("a\r\n①髙\rb\nｱ");
    CString shown;
    std::vector<LetterMark> marks;
    PreviewLetter(letter, CJisFallback::ReplaceNone, shown, marks);
    EXPECT_EQ(shown, letter);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].start, 2);
    EXPECT_EQ(marks[0].length, 1);
    EXPECT_EQ(marks[0].kind, LetterMark::Unsendable);
    EXPECT_EQ(marks[1].start, 3);

    PreviewLetter(letter, CJisFallback::ReplaceSymbols, shown, marks);
    EXPECT_EQ(shown, CJisFallback::Replace(letter, CJisFallback::ReplaceSymbols));
    EXPECT_EQ(shown.Str(), "a\r\n(1)髙\rb\nｱ");
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].start, 2);
    EXPECT_EQ(marks[0].length, 3);
    EXPECT_EQ(marks[0].kind, LetterMark::Replaced);
    EXPECT_EQ(marks[1].start, 5);
    EXPECT_EQ(marks[1].kind, LetterMark::Unsendable);

    PreviewLetter(letter, CJisFallback::ReplaceSymbolsAndVariants, shown, marks);
    EXPECT_EQ(shown, CJisFallback::Replace(letter, CJisFallback::ReplaceSymbolsAndVariants));
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].kind, LetterMark::Replaced);
    EXPECT_EQ(marks[1].length, 1);

    PreviewLetter("日本語だけ\r\n", CJisFallback::ReplaceSymbols, shown, marks);
    EXPECT_TRUE(marks.empty());
    EXPECT_TRUE(IsQuotedLine("> 引用"));
    EXPECT_FALSE(IsQuotedLine(" > no"));
    EXPECT_FALSE(IsQuotedLine(""));
}

TEST(PreviewRules, SendingChoicesAndTheirWords)
{
    CMailDoc doc;
    doc.SetSubject("①の件");
    doc.SetBody("髙橋様\r\n");
    doc.SetSignature("①");
    const std::vector<CCharsetIssue> issues = CCharsetCheck::Check(doc);
    ASSERT_EQ(issues.size(), 3u);

    const std::vector<SendingChoice> choices = SendingChoices(issues);
    ASSERT_EQ(choices.size(), 4u);
    EXPECT_EQ(choices[0].mode, CJisFallback::ReplaceNone);
    EXPECT_EQ(choices[0].charset, CMailDoc::CharsetAuto);
    EXPECT_EQ(choices[1].text.Str(), "記号を置き換える（① → (1) など）");
    EXPECT_EQ(choices[2].text.Str(), "記号と異体字を置き換える（髙 → 高 など）");
    EXPECT_EQ(choices[3].charset, CMailDoc::CharsetIso2022Jp);
    EXPECT_EQ(FindChoice(choices, CMailDoc::CharsetAuto, CJisFallback::ReplaceSymbols), 1);
    EXPECT_EQ(FindChoice(choices, CMailDoc::CharsetUtf8, CJisFallback::ReplaceNone), -1);

    EXPECT_EQ(SendingNote(issues, CMailDoc::CharsetAuto, CJisFallback::ReplaceNone).Str(),
              "ISO-2022-JP で送れない文字があります: 「①」件名、「髙」本文、「①」署名\n"
              "件名、本文は UTF-8 で送信します（文字はそのまま届きます）。");
    EXPECT_EQ(SendingNote(issues, CMailDoc::CharsetAuto, CJisFallback::ReplaceSymbols).Str(),
              "ISO-2022-JP で送れない文字があります: 「①」件名、「髙」本文、「①」署名\n"
              "置き換えて送ります: ① → (1)\n"
              "本文は UTF-8 で送信します（文字はそのまま届きます）。");
    EXPECT_EQ(SendingNote(issues, CMailDoc::CharsetAuto, CJisFallback::ReplaceSymbolsAndVariants).Str(),
              "ISO-2022-JP で送れない文字があります: 「①」件名、「髙」本文、「①」署名\n"
              "置き換えて送ります: ① → (1)、髙 → 高\n"
              "すべて置き換えるので、ISO-2022-JP のまま送信します。");
    EXPECT_NE(SendingNote(issues, CMailDoc::CharsetIso2022Jp, CJisFallback::ReplaceNone)
                  .Find("件名、本文は ISO-2022-JP のまま"),
              -1);
    const CString question = SendingQuestion(issues, CMailDoc::CharsetAuto, CJisFallback::ReplaceNone);
    EXPECT_EQ(question.Str().find(SendingNote(issues, CMailDoc::CharsetAuto, CJisFallback::ReplaceNone).Str()), 0u);
    EXPECT_NE(question.Find("［いいえ］を選ぶとプレビューを開き"), -1);

    // Only a character without a stand-in: the two choices that make a difference.
    CMailDoc plain;
    plain.SetBody("\xF0\x40");  // a user-defined character
    const std::vector<CCharsetIssue> user = CCharsetCheck::Check(plain);
    ASSERT_EQ(user.size(), 1u);
    EXPECT_EQ(SendingChoices(user).size(), 2u);
    EXPECT_TRUE(SendingChoices({}).empty());
    EXPECT_TRUE(SendingNote({}, CMailDoc::CharsetAuto, CJisFallback::ReplaceNone).IsEmpty());
    EXPECT_TRUE(SendingQuestion({}, CMailDoc::CharsetAuto, CJisFallback::ReplaceNone).IsEmpty());

    // Many different characters: ten named, the rest counted.
    CMailDoc many;
    many.SetBody("①②③④⑤⑥⑦⑧⑨⑩⑪⑫");
    const CString note = SendingNote(CCharsetCheck::Check(many), CMailDoc::CharsetAuto, CJisFallback::ReplaceNone);
    EXPECT_NE(note.Find("「⑩」本文、ほか 2 件"), -1) << note.Str();
}
