// Verifies drafts: the atomic write survives a process killed between write and rename, each
// instance keeps its own draft and takes only drafts of ended runs, the autosave follows
// typing and page changes, a restore brings back every page (the editor's rich text with all
// its ornaments included), a clean end removes the draft, a failed send keeps it, a session
// save asks nothing, and the start's clean-up leaves every folder a draft or a run still needs.
#include "WizardTestKit.h"

#include "FakeSmtpServer.h"
#include "Modal.h"

#include "pages/CAddressPage.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CBodyPage.h"
#include "shell/CDraftKeeper.h"
#include "shell/CDraftStore.h"
#include "shell/CSendErrorDlg.h"
#include "letter/CEditLetter.h"
#include "model/CMailDraft.h"

#include <QElapsedTimer>
#include <QSessionManager>
#include <QTest>
#include <QTextBlock>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string Subject(const std::string& draft)
{
    std::vector<CDraftRecord> records;
    if (!CMailDraft::Parse(draft, records)) return "<damaged>";
    for (const CDraftRecord& record : records)
        if (record.name == "subject") return record.fields[0];
    return "<none>";
}

std::string DraftOf(const char* subject)
{
    CMailDoc doc;
    doc.SetSubject(subject);
    return CMailDraft::Write(doc, {});
}

// A folder name of a run whose process cannot exist (above any pid_max).
const char kDeadRun[] = "5F000000_7FFFFFF0";

class DraftTest : public WizardTest {
protected:
    CPath Data() const { return theDataStore.GetDataFolder(); }
    fs::path Drafts() const { return fs::path(Data().Native()) / "Drafts"; }
    fs::path Temp() const { return fs::path(Data().Native()) / "TEMP"; }
    std::vector<fs::path> DraftFiles() const
    {
        std::vector<fs::path> files;
        if (Exists(Drafts()))
            for (const auto& entry : fs::directory_iterator(Drafts()))
                if (entry.path().extension() == ".draft") files.push_back(entry.path());
        return files;
    }
    std::string OnlyDraft() const
    {
        const auto files = DraftFiles();
        EXPECT_EQ(files.size(), 1u);
        return files.empty() ? std::string() : ReadFile(files[0]);
    }

    // The wizard with its keeper, as the application starts them; the page a restore names.
    std::string StartWithKeeper()
    {
        wizard = CMailWizard::Create(doc.get(), main.get());
        EXPECT_TRUE(wizard);
        wizard->quit = [this](int code) { quits.push_back(code); };
        wizard->runPreview = [](QWidget*, int) { return IDOK; };
        main->SetWizard(wizard.get());
        keeper = std::make_unique<CDraftKeeper>(doc.get(), wizard.get(), Data());
        EXPECT_TRUE(keeper->Open());
        const std::string page = keeper->OfferRestore();
        wizard->Start(page.empty() ? nullptr : page.c_str());
        return page;
    }
    // The run ends without a clean end (as a kill would): the draft stays behind.
    void Crash()
    {
        keeper.reset();
        main->SetWizard(nullptr);
        wizard.reset();
        // A killed run never clears its document, so its folder stays: the old one is left.
        (void)doc.release();
        doc.reset(CMailDoc::Create());
    }
    CBodyPage* Body() const { return dynamic_cast<CBodyPage*>(wizard->GetPage("Body")); }
    CAddressPage* Address() const { return dynamic_cast<CAddressPage*>(wizard->GetPage("Address")); }

    void TearDown() override
    {
        keeper.reset();
        WizardTest::TearDown();
    }

    std::unique_ptr<CDraftKeeper> keeper;
};

}  // namespace

TEST_F(DraftTest, AKillBetweenWriteAndRenameLeavesThePreviousDraft)
{
    CDraftStore store(Data());
    ASSERT_TRUE(store.Open());
    CString detail;
    ASSERT_TRUE(store.Save(DraftOf("first"), detail));
    const std::string path = store.GetDraftPath().Native();

    for (CDraftStore::SaveStep step : {CDraftStore::StepWritten, CDraftStore::StepSynced}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CDraftStore::afterStep = [step](CDraftStore::SaveStep reached) {
                if (reached == step) _exit(9);  // killed here: no clean-up of any kind
            };
            CString ignored;
            (void)store.Save(DraftOf("second, never renamed"), ignored);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 9) << "the write did not reach step " << step;
        EXPECT_EQ(Subject(ReadFile(path)), "first") << "after step " << step;
        EXPECT_TRUE(Exists(path + ".tmp"));
    }
    // The next save replaces it whole and leaves no unfinished file.
    ASSERT_TRUE(store.Save(DraftOf("third"), detail));
    EXPECT_EQ(Subject(ReadFile(path)), "third");
    EXPECT_FALSE(Exists(path + ".tmp"));
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(DraftTest, EachInstanceKeepsItsOwnDraftAndTakesOnlyThoseOfEndedRuns)
{
    auto first = std::make_unique<CDraftStore>(Data());
    CDraftStore second(Data());
    ASSERT_TRUE(first->Open());
    ASSERT_TRUE(second.Open());
    EXPECT_NE(first->GetDraftPath(), second.GetDraftPath());
    CString detail;
    ASSERT_TRUE(first->Save(DraftOf("first's"), detail));
    ASSERT_TRUE(second.Save(DraftOf("second's"), detail));
    EXPECT_TRUE(second.FindOrphans().empty()) << "a running instance's draft is never offered";

    first.reset();  // ends without a clean end: its draft stays
    auto orphans = second.FindOrphans();
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(Subject(orphans[0].bytes), "first's");
    {
        // A third start meanwhile does not get it: the second holds it while it asks.
        CDraftStore third(Data());
        ASSERT_TRUE(third.Open());
        EXPECT_TRUE(third.FindOrphans().empty());
    }
    // Taken over: it is now the second's draft, under the second's name only.
    second.Remove();
    ASSERT_TRUE(second.Adopt(orphans[0]));
    EXPECT_EQ(Subject(ReadFile(second.GetDraftPath().Native())), "first's");
    EXPECT_EQ(DraftFiles().size(), 1u);
    CDraftStore fourth(Data());
    ASSERT_TRUE(fourth.Open());
    EXPECT_TRUE(fourth.FindOrphans().empty());
}

TEST_F(DraftTest, TheStartsCleanUpKeepsWhatADraftOrARunNeeds)
{
    fs::create_directories(Temp());
    const std::string mine = "5F000000_" + [] {
        char pid[16];
        std::snprintf(pid, sizeof pid, "%08X", static_cast<unsigned>(getpid()));
        return std::string(pid);
    }();
    for (const std::string& name : {std::string(kDeadRun), std::string(kDeadRun) + "_1", std::string(kDeadRun) + "_2",
                                    mine, std::string("not-ours")}) {
        fs::create_directories(Temp() / name);
        std::ofstream(Temp() / name / "part.txt") << "x";
    }
    const fs::path outside = fs::path(Data().Native()) / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, Temp() / "5F000000_7FFFFFF1");

    // A draft of an ended run refers to one dead run's folder.
    CMailDoc referring;
    ASSERT_TRUE(referring.AdoptTempPath(CPath::FromNative((Temp() / (std::string(kDeadRun) + "_2")).string())));
    referring.SetSubject("refers");
    {
        CDraftStore ended(Data());
        ASSERT_TRUE(ended.Open());
        CString detail;
        ASSERT_TRUE(ended.Save(CMailDraft::Write(referring, {}), detail));
    }
    CDraftStore store(Data());
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.CleanUp(), 2);
    EXPECT_FALSE(Exists(Temp() / kDeadRun));
    EXPECT_FALSE(Exists(Temp() / (std::string(kDeadRun) + "_1")));
    EXPECT_TRUE(Exists(Temp() / (std::string(kDeadRun) + "_2" + "/part.txt"))) << "a draft refers to it";
    EXPECT_TRUE(Exists(Temp() / mine / "part.txt")) << "its run is alive";
    EXPECT_TRUE(Exists(Temp() / "not-ours" / "part.txt"));
    EXPECT_TRUE(Exists(Temp() / "5F000000_7FFFFFF1")) << "a link is not followed";

    // Discarding that draft removes its folder too; a draft naming a folder outside TEMP
    // never removes that.
    auto orphans = store.FindOrphans();
    ASSERT_EQ(orphans.size(), 1u);
    store.Discard(orphans[0]);
    EXPECT_FALSE(Exists(Temp() / (std::string(kDeadRun) + "_2")));
    CMailDoc pointingOut;
    ASSERT_TRUE(pointingOut.AdoptTempPath(CPath::FromNative(outside.string())));
    {
        CDraftStore ended(Data());
        ASSERT_TRUE(ended.Open());
        CString detail;
        ASSERT_TRUE(ended.Save(CMailDraft::Write(pointingOut, {}), detail));
    }
    orphans = store.FindOrphans();
    ASSERT_EQ(orphans.size(), 1u);
    store.Discard(orphans[0]);
    EXPECT_TRUE(Exists(outside));
    EXPECT_TRUE(DraftFiles().empty());
}

TEST_F(DraftTest, TypingAndPageChangesAreSavedWithinSeconds)
{
    AddAccount("taro@example.com");
    StartWithKeeper();
    EXPECT_TRUE(DraftFiles().empty()) << "an untouched message has no draft";
    TypeSubject(u"件名A"_s);
    QElapsedTimer clock;
    clock.start();
    while (DraftFiles().empty() && clock.elapsed() < 5000)
        QTest::qWait(50);
    EXPECT_LE(clock.elapsed(), CDraftKeeper::kIdleMs + 500);
    EXPECT_EQ(Subject(OnlyDraft()), "件名A");

    // Typing without a pause is saved no later than kLatestMs after the first change.
    CEditLetter* editor = Body()->GetEditor();
    editor->setFocus();
    clock.restart();
    qint64 firstSeen = -1;
    for (int i = 0; i < 40; ++i) {
        editor->insertPlainText(u"あ"_s);
        QTest::qWait(100);
        if (firstSeen < 0 && OnlyDraft().find("\x82\xA0") != std::string::npos)  // あ in the RTF
            firstSeen = clock.elapsed();
    }
    EXPECT_GE(firstSeen, 0);
    EXPECT_LE(firstSeen, CDraftKeeper::kLatestMs + 600);

    // A page change saves at once, the page's own store included.
    editor->insertPlainText(u"\n本文の最後"_s);
    Command(ID_NEXT_PAGE);
    std::vector<CDraftRecord> records;
    ASSERT_TRUE(CMailDraft::Parse(OnlyDraft(), records));
    bool bodySeen = false, wizardSeen = false;
    for (const CDraftRecord& record : records) {
        if (record.name == "body") bodySeen = record.fields[0].find("本文の最後") != std::string::npos;
        if (record.name == "wizard") wizardSeen = record.fields[0] == "Letter";
    }
    EXPECT_TRUE(bodySeen);
    EXPECT_TRUE(wizardSeen);
}

TEST_F(DraftTest, ARestoreBringsBackEveryPageWithTheEditorsOrnaments)
{
    AddAccount("taro@example.com");
    StartWithKeeper();
    TypeSubject(u"ご報告～"_s);
    CEditLetter* editor = Body()->GetEditor();
    editor->setFocus();
    // Every ornament the editor makes: indents, a shorter line, red, underline, numbering,
    // the reply format, and a tab.
    editor->insertPlainText(u"一行目\t項目\n二行目は赤\n三行目に下線\n四行目\n五行目は引用"_s);
    QTextCursor cursor(editor->document());
    editor->setTextCursor(cursor);
    editor->AddLeftIndent();
    editor->AddLeftIndent();
    cursor.setPosition(editor->document()->findBlockByNumber(1).position());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    editor->SetSelectionToRed();
    editor->AddRightIndent();
    cursor.setPosition(editor->document()->findBlockByNumber(2).position());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    editor->SetSelectionToUnderline();
    cursor.setPosition(editor->document()->findBlockByNumber(3).position());
    editor->setTextCursor(cursor);
    editor->InsertBullet();
    cursor.setPosition(editor->document()->findBlockByNumber(4).position());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    editor->SelToReplySentence();
    cursor.setPosition(7);
    editor->setTextCursor(cursor);

    CString rtf;
    editor->GetRtf(rtf);
    CString exported;
    editor->GetTextWithReturn(exported);
    Command(ID_NEXT_PAGE);
    Command(ID_NEXT_PAGE);
    // One address added to To, one still being typed into Cc.
    Address()->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"花子 <hanako@example.com>"_s);
    Address()->GetPanel()->AddFromEntry(CAddressTarget::ToList);
    Address()->GetPanel()->GetEntry(CAddressTarget::CcList)->setText(u"jiro@exa"_s);
    emit Address()->GetPanel()->GetEntry(CAddressTarget::CcList)->textEdited(u"jiro@exa"_s);
    ASSERT_TRUE(keeper->SaveNow());
    Crash();

    boxes.Answer({IDYES});
    EXPECT_EQ(StartWithKeeper(), "Address");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "確認");
    EXPECT_EQ(boxes.boxes[0].text.Str().rfind("前回作成中のメールがあります。復元しますか？", 0), 0u);
    EXPECT_NE(boxes.boxes[0].text.Str().find("件名: ご報告～"), std::string::npos);
    EXPECT_EQ(Current(), Address());
    EXPECT_EQ(Address()->GetPanel()->GetAddresses(CAddressTarget::ToList).size(), 1u);
    EXPECT_EQ(Address()->GetPanel()->GetEntry(CAddressTarget::CcList)->text(), u"jiro@exa"_s);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Page(i)->GetSubjectEdit()->text(), u"ご報告～"_s);
    CString restoredRtf;
    Body()->GetEditor()->GetRtf(restoredRtf);
    EXPECT_EQ(restoredRtf, rtf);
    CString restoredText;
    Body()->GetEditor()->GetTextWithReturn(restoredText);
    EXPECT_EQ(restoredText, exported);
    EXPECT_EQ(Body()->GetEditor()->textCursor().position(), 7);
    EXPECT_EQ(main->windowTitle(), u"ご報告～"_s);
    CString body;
    doc->GetBody(body);
    EXPECT_EQ(body, exported);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_EQ(doc->GetToAddressSize(), 1u);
    EXPECT_EQ(doc->GetToAddress(0)->GetMailAddress(), "hanako@example.com");
    EXPECT_EQ(DraftFiles().size(), 1u) << "taken over, not copied";

    // Closing with Yes is a clean end: the draft goes.
    boxes.Answer({IDYES});
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(quits, std::vector<int>{0});
    EXPECT_TRUE(DraftFiles().empty());
}

TEST_F(DraftTest, NoDiscardsTheDraftAndItsFolder)
{
    StartWithKeeper();
    const fs::path folder = Temp() / kDeadRun;
    fs::create_directories(folder);
    std::ofstream(folder / "attached.eml") << "Subject: x\r\n\r\nbody\r\n";
    ASSERT_TRUE(doc->AdoptTempPath(CPath::FromNative(folder.string())));
    TypeSubject(u"捨てる"_s);
    ASSERT_TRUE(keeper->SaveNow());
    Crash();
    boxes.Answer({IDNO});
    EXPECT_EQ(StartWithKeeper(), "");
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(DraftFiles().empty());
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Page(0)->GetSubjectEdit()->text().isEmpty());
}

TEST_F(DraftTest, AFailedSendKeepsTheDraftAndASentMessageRemovesIt)
{
    auto script = std::make_shared<FakeScript>();
    script->connectError = ECONNREFUSED;
    CSmtpSocket::SetFactory([script] { return MakeFake(script); });
    AddAccount("taro@example.com", "127.0.0.1", 25);
    StartWithKeeper();
    TypeSubject(u"送れない"_s);
    Command(ID_NEXT_PAGE);
    Command(ID_NEXT_PAGE);
    Address()->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    emit Address()->GetPanel()->GetEntry(CAddressTarget::ToList)->textEdited(Address()->GetPanel()->GetEntry(CAddressTarget::ToList)->text());
    OnNextModal<CSendErrorDlg>([](CSendErrorDlg* dialog) { dialog->accept(); });
    Command(IDOK);
    EXPECT_EQ(Current(), Address());
    const std::string kept = OnlyDraft();
    EXPECT_EQ(Subject(kept), "送れない");
    EXPECT_NE(kept.find("hanako@example.com"), std::string::npos);

    // Now the server answers: sent, the draft goes.
    script->connectError = 0;
    for (const char* reply : {"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 stored\r\n",
                              "221 bye\r\n"})
        script->Reply(reply);
    Command(IDOK);
    EXPECT_EQ(Current(), Page(0));
    EXPECT_TRUE(DraftFiles().empty());
    // The next message has a draft of its own again.
    TypeSubject(u"次のメール"_s);
    ASSERT_TRUE(keeper->SaveNow());
    EXPECT_EQ(Subject(OnlyDraft()), "次のメール");
    CSmtpSocket::SetFactory(nullptr);
}

TEST_F(DraftTest, ASessionSaveRequestWritesTheDraftWithoutAQuestion)
{
    StartWithKeeper();
    TypeSubject(u"ログアウト前"_s);
    EXPECT_TRUE(DraftFiles().empty());
    auto* manager = qApp->findChild<QSessionManager*>();
    if (manager == nullptr)
        GTEST_SKIP() << "this Qt has no session manager";
    emit qApp->commitDataRequest(*manager);
    EXPECT_EQ(Subject(OnlyDraft()), "ログアウト前");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(quits.empty());
}
