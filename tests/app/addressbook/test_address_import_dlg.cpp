// Verifies the address import and export and message saving as the user reaches them,
// offscreen: dialog 174 (texts, layout, screenshots at 96 and 144 DPI), the ツール menu on
// every page, the import through the folder-list file dialog with its progress dialog and
// cancel, the address book opened afterwards, the vCard export dialog, and
// "名前を付けて保存" (Ctrl+Shift+S; Ctrl+S stays without effect).
#include "../data/DataTestUtil.h"
#include "../shell/WizardTestKit.h"
#include "ImportTestUtil.h"

#include "Keys.h"
#include "LayoutCheck.h"
#include "Modal.h"
#include "Screenshot.h"

#include "addressbook/CCsvImportDlg.h"
#include "addressbook/CVCardExportDlg.h"
#include "command/CProgressDlg.h"
#include "command/QtWindow.h"
#include "data/CGroupSet.h"
#include "files/CDrawerFileDlg.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace importtest;

namespace {

// Tool windows that only record for which window the address book was opened.
class RecordingToolWindows : public CToolWindows {
public:
    int OpenAddressBook(CWnd* page, int) override
    {
        openedFor.push_back(FromCWnd(page));
        return 1;
    }
    int ShowFloating(CWnd*) override { return 0; }
    int OpenWorkWindow(CWnd*) override { return 0; }
    int HasAddressBook() const override { return 1; }
    int AddAddress(const CAddress&) override { return 0; }
    int AddAddressToGroup(const CAddress&, const char*) override { return 0; }
    int ReplaceAddress(const CAddress&, const CAddress&) override { return 0; }
    int CanCloseAddressBook(CWnd*) override { return 1; }
    CAddressBook* GetAddressBook() override { return nullptr; }
    std::vector<QWidget*> openedFor;
};

class AddressImportDlgTest : public WizardTest {
protected:
    RecordingToolWindows* RecordToolWindows()
    {
        auto windows = std::make_unique<RecordingToolWindows>();
        RecordingToolWindows* recording = windows.get();
        theDataStore.SetToolWindows(std::move(windows));
        return recording;
    }
    fs::path Folder() const { return home.Root(); }
    QString LabelText(QWidget* dialog, int id) const
    {
        auto* label = qobject_cast<QLabel*>(GetDlgItem(dialog, id));
        return label ? label->text() : u"<missing>"_s;
    }
};

}  // namespace

TEST_F(AddressImportDlgTest, Dialog174TextsAndLayout)
{
    CCsvImportDlg dialog(nullptr);
    EXPECT_EQ(GetControlId(&dialog), 174);
    EXPECT_EQ(dialog.windowTitle(), u"アドレス取り込み"_s);
    EXPECT_EQ(LabelText(&dialog, CCsvImportDlg::IDC_INTRO), u"CSVファイルからアドレス帳への取り込みを行ないます。"_s);
    EXPECT_EQ(LabelText(&dialog, CCsvImportDlg::IDC_FORMAT),
              u"CSVファイルは次の形式のものに対応しています。\n(Outlook Expressでアドレス帳をCSVエクスポートすると、この形式になります。)"_s);
    EXPECT_EQ(LabelText(&dialog, CCsvImportDlg::IDC_RULE_HEADING),
              u"1) 1行目は見出し行とみなします。\n   (見出し文字は何が入力されていてもかまいません。)"_s);
    EXPECT_EQ(LabelText(&dialog, CCsvImportDlg::IDC_RULE_FIELDS),
              u"2) 各行は、表示名が先頭、2番目がメールアドレスである必要があります。"_s);
    // The sample: the heading, one person, "...".
    const QStringList sample = LabelText(&dialog, CCsvImportDlg::IDC_SAMPLE).split(u'\n');
    ASSERT_EQ(sample.size(), 3);
    EXPECT_EQ(sample[0], u"表示名,電子メール アドレス,..."_s);
    EXPECT_EQ(sample[1], u"山田 太郎,taro.yamada@example.co.jp,..."_s);
    EXPECT_EQ(sample[2], u"..."_s);
    EXPECT_TRUE(LabelText(&dialog, CCsvImportDlg::IDC_OTHER_FORMATS).contains(u"vCard"_s));
    auto* ok = qobject_cast<QPushButton*>(GetDlgItem(&dialog, IDOK));
    auto* cancel = qobject_cast<QPushButton*>(GetDlgItem(&dialog, IDCANCEL));
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(ok->text(), u"OK"_s);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(cancel->text(), u"キャンセル"_s);
    ExpectLaidOut(&dialog);
    // The buttons sit under the texts, OK left of キャンセル, inside the window.
    EXPECT_LT(ok->geometry().right(), cancel->geometry().left());
    EXPECT_GT(ok->geometry().top(), GetDlgItem(&dialog, CCsvImportDlg::IDC_OTHER_FORMATS)->geometry().bottom());
    EXPECT_TRUE(SaveScreenshot(&dialog, u"csv_import_"_s + Dpi()));
    // Cancel imports nothing.
    dialog.reject();
    EXPECT_EQ(dialog.GetResult(), CAddressImport::Ended);
}

TEST_F(AddressImportDlgTest, EveryPageImportsThroughTheFolderListDialogAndOpensTheBook)
{
    RecordingToolWindows* tools = RecordToolWindows();
    ASSERT_TRUE(MakeWizard());
    const fs::path file = Folder() / U8(u8"アドレス.csv");
    WriteBytes(file, "表示名,電子メール アドレス\r\n山田 太郎,taro@example.co.jp\r\n誤り,wrong\r\n");
    for (int index = 0; index < 3; ++index) {
        CWizardPage* page = Page(index);
        page->UpdateMenu();
        QAction* action = FindCommandAction(page->GetMenu(), CWizardPage::ID_IMPORT_CSV);
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(action->isEnabled()) << index;
        // In the ツール menu, submenu "アドレス取り込み(&I)".
        auto* submenu = qobject_cast<QMenu*>(action->parent());
        ASSERT_NE(submenu, nullptr);
        EXPECT_EQ(submenu->title(), u"アドレス取り込み(&I)"_s);

        QString filters;
        bool folderList = false;
        OnNextModal<CCsvImportDlg>([&](CCsvImportDlg* dialog) {
            EXPECT_EQ(dialog->parentWidget(), page);
            OnNextModal<CDrawerFileDlg>([&](CDrawerFileDlg* files) {
                filters = files->nameFilters().join(u"|"_s);
                folderList = GetDlgItem(files, CDrawerFileDlg::IDC_COMBO_FAVORITE_LIST) != nullptr;
                EXPECT_FALSE(dialog->isVisible()) << "dialog 174 hides first";
                files->selectFile(QString::fromStdString(file.string()));
                static_cast<QDialog*>(files)->accept();
            });
            qobject_cast<QPushButton*>(GetDlgItem(dialog, IDOK))->click();
        });
        page->OnCommand(CWizardPage::ID_IMPORT_CSV);
        EXPECT_EQ(filters, u"CSVファイル (*.csv)|vCardファイル (*.vcf *.vcard)|すべてのファイル (*)"_s);
        EXPECT_TRUE(folderList);
        // The counts, then the address book for the page.
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text.Str(),
                  index == 0 ? "全件数：2\n正常アドレス件数：1\n登録された件数：1" : "全件数：2\n正常アドレス件数：1\n登録された件数：0");
        EXPECT_EQ(boxes.boxes[0].caption.Str(), "アドレス取り込み");
        boxes.Clear();
        ASSERT_EQ(tools->openedFor.size(), static_cast<std::size_t>(index + 1));
        EXPECT_EQ(tools->openedFor.back(), page);
    }
    EXPECT_EQ(PersonsInBook(), (std::vector<Person>{{"山田 太郎", "taro@example.co.jp"}}));
}

TEST_F(AddressImportDlgTest, TheProgressDialogShowsAndItsCancelStopsTheImport)
{
    RecordingToolWindows* tools = RecordToolWindows();
    ASSERT_TRUE(MakeWizard());
    std::string csv = "h,h\r\n";
    for (int i = 0; i < 20000; ++i) csv += "person" + std::to_string(i) + ",p" + std::to_string(i) + "@example.com\r\n";
    WriteBytes(Folder() / "big.csv", csv);

    CCsvImportDlg dialog(Page(0));
    dialog.makeFileDialog = [&](QWidget*) { return std::make_unique<ChosenFile>(Folder() / "big.csv"); };
    // While the import runs, its progress dialog is found and its cancel button pressed.
    QString title;
    bool cancelShown = false;
    bool ownerDisabled = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<CProgressDlg*>(window);
            if (progress == nullptr || !progress->isVisible() || !title.isEmpty())
                continue;
            title = progress->windowTitle();
            cancelShown = progress->GetCancelButton()->isVisible();
            ownerDisabled = !Page(0)->isEnabled();
            progress->GetCancelButton()->click();
        }
    });
    watch.start();
    dialog.accept();
    watch.stop();
    EXPECT_EQ(title, u"アドレス取り込み中"_s);
    EXPECT_TRUE(cancelShown);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(Page(0)->isEnabled());
    // Stopped early; what was registered stays and is counted; the book opens all the same.
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::size_t persons = PersonsInBook().size();
    EXPECT_GT(persons, 0u);
    EXPECT_LT(persons, 20000u);
    EXPECT_EQ(boxes.boxes[0].text.Str(), "全件数：" + std::to_string(persons) + "\n正常アドレス件数：" +
                                             std::to_string(persons) + "\n登録された件数：" + std::to_string(persons));
    EXPECT_EQ(dialog.GetResult(), CAddressImport::Imported);
    EXPECT_EQ(tools->openedFor.size(), 1u);
}

TEST_F(AddressImportDlgTest, AFailedImportOpensNoBook)
{
    RecordingToolWindows* tools = RecordToolWindows();
    CCsvImportDlg dialog(nullptr);
    dialog.makeFileDialog = [&](QWidget*) { return std::make_unique<ChosenFile>(Folder() / "missing.csv"); };
    dialog.accept();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"ファイルを開けませんでした。"});
    EXPECT_TRUE(tools->openedFor.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AddressImportDlgTest, VCardExportDialog)
{
    long groupId = 0;
    {
        CPersonSet persons;
        ASSERT_TRUE(persons.Open());
        long a = 0, b = 0, c = 0;
        ASSERT_TRUE(persons.Add("山田 太郎", "taro@example.co.jp", a));
        ASSERT_TRUE(persons.Add("", "noname@example.com", b));
        ASSERT_TRUE(persons.Add("鈴木 花子", "hanako@example.co.jp", c));
        CGroupSet groups;
        ASSERT_TRUE(groups.Open());
        ASSERT_TRUE(groups.Add("営業/東京", {c, a}, groupId));
        long empty = 0;
        ASSERT_TRUE(groups.Add("空", {}, empty));
    }
    CVCardExportDlg dialog(nullptr);
    EXPECT_EQ(GetControlId(&dialog), CVCardExportDlg::IDD);
    EXPECT_EQ(dialog.windowTitle(), u"vCardファイルへ書き出し"_s);
    QListWidget* list = dialog.GetList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), u"アドレス帳のすべての人"_s);
    EXPECT_EQ(list->item(1)->text(), u"グループ: 営業/東京"_s);
    EXPECT_EQ(list->item(2)->text(), u"グループ: 空"_s);
    EXPECT_EQ(dialog.GetGroupId(), 0);
    EXPECT_EQ(LabelText(&dialog, CVCardExportDlg::IDC_LIST_LABEL), u"書き出すアドレス(&L):"_s);
    ExpectLaidOut(&dialog);
    EXPECT_TRUE(SaveScreenshot(&dialog, u"vcard_export_"_s + Dpi()));

    // An empty group has nothing to write; the dialog stays.
    ASSERT_TRUE(dialog.SelectGroup(groupId + 1));
    dialog.accept();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"書き出すアドレスがありません。"});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    boxes.Clear();

    // A group: its members in member order, the file named after the group.
    QString offeredName;
    dialog.makeFileDialog = [&](QWidget*, const QString& name) {
        offeredName = name;
        return std::make_unique<ChosenFile>(Folder() / "group.vcf");
    };
    ASSERT_TRUE(dialog.SelectGroup(groupId));
    dialog.accept();
    EXPECT_EQ(offeredName, u"営業_東京.vcf"_s);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"2件のアドレスを書き出しました。"});
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "アドレス書き出し");
    EXPECT_EQ(datatest::ReadFile(Folder() / "group.vcf"),
              U8(u8"BEGIN:VCARD\r\nVERSION:4.0\r\nFN:鈴木 花子\r\nEMAIL:hanako@example.co.jp\r\nEND:VCARD\r\n"
                 u8"BEGIN:VCARD\r\nVERSION:4.0\r\nFN:山田 太郎\r\nEMAIL:taro@example.co.jp\r\nEND:VCARD\r\n"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AddressImportDlgTest, TheToolsMenuExportsTheWholeBook)
{
    {
        CPersonSet persons;
        ASSERT_TRUE(persons.Open());
        long id = 0;
        ASSERT_TRUE(persons.Add("林", "hayashi@example.jp", id));
    }
    ASSERT_TRUE(MakeWizard());
    CWizardPage* page = Page(1);
    auto* submenu = qobject_cast<QMenu*>(FindCommandAction(page->GetMenu(), CWizardPage::ID_EXPORT_VCARD)->parent());
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(submenu->title(), u"アドレス書き出し(&X)"_s);
    const fs::path target = Folder() / U8(u8"全員.vcf");
    QString offered;
    OnNextModal<CVCardExportDlg>([&](CVCardExportDlg* dialog) {
        OnNextModal<CDrawerFileDlg>([&](CDrawerFileDlg* files) {
            EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
            offered = files->selectedFiles().value(0).section(u'/', -1);
            files->selectFile(QString::fromStdString(target.string()));
            static_cast<QDialog*>(files)->accept();
        });
        qobject_cast<QPushButton*>(GetDlgItem(dialog, IDOK))->click();
    });
    page->OnCommand(CWizardPage::ID_EXPORT_VCARD);
    EXPECT_EQ(offered, u"アドレス帳.vcf"_s);
    EXPECT_EQ(datatest::ReadFile(target), U8(u8"BEGIN:VCARD\r\nVERSION:4.0\r\nFN:林\r\nEMAIL:hayashi@example.jp\r\nEND:VCARD\r\n"));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"1件のアドレスを書き出しました。"});
}

TEST_F(AddressImportDlgTest, SaveAsWritesTheMessageBeingComposed)
{
    AddAccount("sender@example.jp");
    ASSERT_TRUE(MakeWizard());
    CWizardPage* page = Current();
    // In the ファイル menu after the preview, with a key the design leaves free.
    QAction* action = FindCommandAction(page->GetMenu(), ID_FILE_SAVE_AS);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), u"名前を付けて保存(&A)...\tCtrl+Shift+S"_s);
    const QList<QAction*> fileMenu = qobject_cast<QMenu*>(action->parent())->actions();
    ASSERT_GE(fileMenu.size(), 2);
    EXPECT_EQ(GetCommandId(fileMenu[0]), static_cast<UINT>(ID_PREVIEW));
    EXPECT_EQ(GetCommandId(fileMenu[1]), static_cast<UINT>(ID_FILE_SAVE_AS));

    TypeSubject(u"見積/ご確認"_s);  // not yet stored into the document
    const fs::path target = Folder() / U8(u8"保存.eml");
    QString title, offered;
    OnNextModal<CDrawerFileDlg>([&](CDrawerFileDlg* files) {
        title = files->windowTitle();
        offered = files->selectedFiles().value(0).section(u'/', -1);
        EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
        files->selectFile(QString::fromStdString(target.string()));
        static_cast<QDialog*>(files)->accept();
    });
    doc->SetModifiedFlag();
    PressKey(page->GetSubjectEdit(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(title, u"名前を付けて保存"_s);
    EXPECT_EQ(offered, u"見積_ご確認.eml"_s);
    // The saved file is the message with the subject the page held.
    const std::string saved = datatest::ReadFile(target);
    // The sender comes from the Address page, stored although it was never left.
    const std::size_t from = saved.find("From: ");
    ASSERT_NE(from, std::string::npos);
    EXPECT_NE(saved.substr(from, saved.find("\r\n", from) - from).find("<sender@example.jp>"), std::string::npos);
    EXPECT_NE(saved.find("Subject: =?iso-2022-jp?B?GyRCOCtAURsoQi8bJEIkNDNORycbKEI=?=\r\n"), std::string::npos);
    for (int index = 0; index < 3; ++index)
        EXPECT_EQ(Page(index)->GetSubjectEdit()->text(), u"見積/ご確認"_s) << index;
    EXPECT_NE(saved.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(doc->IsModified(), 0);
    EXPECT_TRUE(boxes.boxes.empty());

    // Ctrl+S (57603) stays without effect: no dialog, no file.
    fs::remove(target);
    bool dialogAppeared = false;
    QTimer::singleShot(300, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogAppeared = true;
            modal->close();
        }
    });
    PressKey(page->GetSubjectEdit(), Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(400);
    EXPECT_FALSE(dialogAppeared);
    EXPECT_FALSE(fs::exists(target));
}

TEST(SaveAsFileName, FromTheSubject)
{
    EXPECT_EQ(CWizardPage::SaveAsFileName("").Str(), "新規メール.eml");
    EXPECT_EQ(CWizardPage::SaveAsFileName("  ").Str(), "新規メール.eml");
    EXPECT_EQ(CWizardPage::SaveAsFileName("a/b\tc").Str(), "a_b_c.eml");
    // "ソ" ends in 0x5C and "表" too: trail bytes stay as they are.
    EXPECT_EQ(CWizardPage::SaveAsFileName("ソ表").Str(), "ソ表.eml");
    CString longSubject;
    for (int i = 0; i < 80; ++i) longSubject += "長";
    // Cut to 100 bytes without splitting a character: 50 of the 80, then ".eml".
    EXPECT_EQ(CWizardPage::SaveAsFileName(longSubject).Str(), longSubject.Left(100).Str() + ".eml");
    EXPECT_EQ(CWizardPage::SaveAsFileName(CString("x") + longSubject).GetLength(), 99 + 4);
}
