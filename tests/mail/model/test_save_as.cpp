// Verifies CMailDoc::SaveAs: the file holds exactly the written message, and a cancelled,
// failed or half-written save leaves no partial file and keeps a file it would replace.
#include "model/CMailDoc.h"

#include "../writer/WriterTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class FakeFileDialog : public CFileDialog {
public:
    FakeFileDialog(int result, std::string path) : result_(result), path_(std::move(path)) {}
    int DoModal() override
    {
        ++shown;
        return result_;
    }
    CPath GetPathName() const override { return CPath::FromNative(path_); }
    int shown = 0;

private:
    int result_;
    std::string path_;
};

std::string TempFolder(const char* name)
{
    const char* home = std::getenv("XDG_DATA_HOME");
    std::filesystem::path folder = std::filesystem::path(home ? home : "/tmp") / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void FillAsciiMessage(CMailDoc& doc)
{
    doc.SetFromAddress(CAddress("", "Taro Yamada", "taro@example.jp"));
    doc.AddToAddress(CAddress("", "", "hanako@example.com"));
    doc.SetMailerName("Quillon 1.0");
    doc.SetSubject("Meeting on Monday");
    doc.SetBody("Hello,\r\nSee you on Monday.\r\n");
}

CWnd* Owner()
{
    static int window;
    return reinterpret_cast<CWnd*>(&window);
}

const unsigned int kWarning = MB_OK | MB_ICONEXCLAMATION;

}  // namespace

TEST(CMailDocSaveAs, NullArgumentsAndCancelledDialog)
{
    FakeUi ui;
    std::string folder = TempFolder("save-cancel");
    CMailDoc doc;
    FakeFileDialog cancel(IDCANCEL, folder + "/x.eml");
    EXPECT_EQ(doc.SaveAs(nullptr, &cancel), 0);
    EXPECT_EQ(doc.SaveAs(Owner(), nullptr), 0);
    EXPECT_EQ(cancel.shown, 0);

    EXPECT_EQ(doc.SaveAs(Owner(), &cancel), 1);
    EXPECT_EQ(cancel.shown, 1);
    EXPECT_TRUE(FolderEntries(folder).empty());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.dialogs.empty());
}

TEST(CMailDocSaveAs, WritesExactlyTheMessageAndReplacesAnOldFile)
{
    ScopedEnvironment fixed;
    FakeUi ui;
    std::string folder = TempFolder("save-ok");
    std::string path = folder + "/message.eml";
    WriteBytes(path, "an older message");
    ::chmod(path.c_str(), 0640);

    CMailDoc doc;
    FillAsciiMessage(doc);
    ASSERT_EQ(doc.IsModified(), 1);
    FakeFileDialog dialog(IDOK, path);
    EXPECT_EQ(doc.SaveAs(Owner(), &dialog), 1);

    EXPECT_EQ(ReadBytes(path), ReadBytes(std::string(QUILLON_TEST_DATA) + "/ascii_plain.eml"));
    EXPECT_EQ(doc.IsModified(), 0);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"message.eml"});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0]->title, "保存中");
    EXPECT_EQ(ui.dialogs[0]->showCancel, 1);
    EXPECT_EQ(ui.dialogs[0]->parent, Owner());
    EXPECT_EQ(ui.dialogs[0]->destroyed, 1);
}

TEST(CMailDocSaveAs, NamesCodePage932CannotHoldAreSavedAndAttachedAsTheyAre)
{
    FakeUi ui;
    // ".../café/資料〜最終版.eml" (U+301C) with the attachment "café_menu.txt".
    std::string folder = TempFolder("save-caf\xC3\xA9");
    std::string attachment = folder + "/caf\xC3\xA9_menu.txt";
    WriteBytes(attachment, "menu");
    const std::string name = "\xE8\xB3\x87\xE6\x96\x99\xE3\x80\x9C\xE6\x9C\x80\xE7\xB5\x82\xE7\x89\x88.eml";
    CMailDoc doc;
    FillAsciiMessage(doc);
    doc.SetFiles({{CPath::FromNative(attachment), ""}});
    FakeFileDialog dialog(IDOK, folder + "/" + name);

    EXPECT_EQ(doc.SaveAs(Owner(), &dialog), 1);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"caf\xC3\xA9_menu.txt", name}));
    const std::string saved = ReadBytes(folder + "/" + name);
    EXPECT_NE(saved.find("\r\nbWVudQ==\r\n"), std::string::npos) << saved;  // "menu"
    EXPECT_EQ(doc.IsModified(), 0);
}

TEST(CMailDocSaveAs, TheSavedCopyKeepsTheBlindRecipients)
{
    ScopedEnvironment fixed;
    FakeUi ui;
    std::string folder = TempFolder("save-bcc");
    CMailDoc doc;
    doc.SetFromAddress(CAddress("", "Taro Yamada", "taro@example.jp"));
    doc.AddToAddress(CAddress("", "", "hanako@example.com"));
    doc.SetSenderBccFlg(1);
    doc.SetSubject("Copy to me");
    doc.SetBody("Keep a copy.\r\n");
    FakeFileDialog dialog(IDOK, folder + "/copy.eml");
    EXPECT_EQ(doc.SaveAs(Owner(), &dialog), 1);
    // The user's own copy says who had a blind copy; the sent text never does.
    EXPECT_EQ(ReadBytes(folder + "/copy.eml"), ReadBytes(std::string(QUILLON_TEST_DATA) + "/sender_bcc.eml"));
}

TEST(CMailDocSaveAs, PathThatCannotBeCreated)
{
    FakeUi ui;
    std::string folder = TempFolder("save-create");
    CMailDoc doc;
    FillAsciiMessage(doc);
    FakeFileDialog noFolder(IDOK, folder + "/no/such/folder/x.eml");
    EXPECT_EQ(doc.SaveAs(Owner(), &noFolder), 0);
    FakeFileDialog isFolder(IDOK, folder);
    EXPECT_EQ(doc.SaveAs(Owner(), &isFolder), 0);

    ASSERT_EQ(ui.boxes.size(), 2u);
    for (const MessageBoxRecord& box : ui.boxes) {
        EXPECT_EQ(box.text, "ファイル作成に失敗しました。");
        EXPECT_EQ(box.caption, "保存");
        EXPECT_EQ(box.type, kWarning);
    }
    EXPECT_TRUE(FolderEntries(folder).empty());
    EXPECT_EQ(doc.IsModified(), 1);
}

TEST(CMailDocSaveAs, FailedWriteLeavesNoFileAndKeepsTheOldOne)
{
    FakeUi ui;
    std::string folder = TempFolder("save-missing");
    std::string path = folder + "/message.eml";
    WriteBytes(path, "an older message");
    CMailDoc doc;
    FillAsciiMessage(doc);
    doc.SetFiles({{CPath::FromNative(folder + "/gone.txt"), ""}});
    FakeFileDialog dialog(IDOK, path);

    EXPECT_EQ(doc.SaveAs(Owner(), &dialog), 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "保存に失敗しました。");
    EXPECT_EQ(ui.boxes[0].caption, "保存");
    EXPECT_EQ(ui.boxes[0].type, kWarning);
    EXPECT_EQ(ReadBytes(path), "an older message");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"message.eml"});
    EXPECT_EQ(doc.IsModified(), 1);
}

TEST(CMailDocSaveAs, WriteThatFailsHalfWayRemovesTheFile)
{
    FakeUi ui;
    std::string folder = TempFolder("save-halfway");
    std::string attachment = folder + "/big.bin";
    WriteBytes(attachment, std::string(2 * 1024 * 1024, 'z'));
    std::string path = folder + "/message.eml";

    CMailDoc doc;
    FillAsciiMessage(doc);
    doc.SetFiles({{CPath::FromNative(attachment), ""}});
    FakeFileDialog dialog(IDOK, path);

    // The file system refuses files above 256 KiB: the message is cut off mid-attachment.
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 256 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = doc.SaveAs(Owner(), &dialog);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "保存に失敗しました。");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"big.bin"});
}

TEST(CMailDocSaveAs, CancelInTheProgressDialogStopsWithoutMessage)
{
    FakeUi ui;
    ui.cancelAfter = 2;
    std::string folder = TempFolder("save-progress-cancel");
    std::string attachment = folder + "/data.bin";
    WriteBytes(attachment, std::string(100 * 1024, 'q'));
    CMailDoc doc;
    FillAsciiMessage(doc);
    doc.SetFiles({{CPath::FromNative(attachment), ""}});
    FakeFileDialog dialog(IDOK, folder + "/message.eml");

    EXPECT_EQ(doc.SaveAs(Owner(), &dialog), 1);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"data.bin"});
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0]->destroyed, 1);
}
