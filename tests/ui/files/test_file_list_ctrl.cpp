// Verifies the attachment list: the checks of AddFile, encoded totals and tips, deleting
// and selecting through the commands, the file dialog, double clicks, opening files, the
// context menu, drops, the parent's notification, read-only lists, names code page 932
// cannot hold (kept as the file system's bytes, shown with "〓"), and how the list looks.

#include "FileTestSupport.h"
#include "MessageBoxScript.h"
#include "command/QtWindow.h"

#include "command/CCommandDlg.h"
#include "command/CommandIds.h"
#include "command/QtPath.h"
#include "files/CDrawerFileDlg.h"
#include "files/CFileListCtrl.h"
#include "model/CFileUtility.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdlib>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

// Counts the resize events the list sends and the sizes they carry.
class Host : public QWidget {
public:
    int resizes = 0;
    QSize lastSize;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        ++resizes;
        lastSize = event->size();
        QWidget::resizeEvent(event);
    }
};

class FakeDialog : public CFileDialog {
public:
    int result = IDCANCEL;
    CPath path;
    int runs = 0;
    int DoModal() override
    {
        ++runs;
        return result;
    }
    CPath GetPathName() const override { return path; }
};

class CommandHost : public CCommandDlg {
public:
    CommandHost() : CCommandDlg(159, nullptr) {}
    QList<UINT> commands;
    void UpdateMenu() override {}
    int IsUpdateCommandItem(const QWidget*, CUpdateCommandItem*& item) override
    {
        item = nullptr;
        return 0;
    }
    void OnCommand(UINT id) override { commands << id; }
};

// Opens the protected parts for the tests.
class TestList : public CFileListCtrl {
public:
    using CFileListCtrl::CFileListCtrl;
    using CFileListCtrl::OpenFile;
};

class FileListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::path(std::getenv("XDG_DATA_HOME")) / "filelist";
        fs::remove_all(root_);
        fs::create_directories(root_ / "folder");
        Write("hundred.txt", 100);
        Write("empty.bin", 0);
        Write("one.dat", 1);
        Write("line.dat", 54);
        host_.resize(400, 240);
        list_ = new TestList(&host_);
        auto* layout = new QVBoxLayout(&host_);
        layout->addWidget(list_);
        ASSERT_EQ(1, list_->Init(&dialog_));
        host_.show();
        host_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host_));
        host_.resizes = 0;
    }

    void Write(const char* name, std::size_t size)
    {
        std::ofstream(root_ / name, std::ios::binary) << std::string(size, 'x');
    }
    // The path of a file under the test folder.
    CPath Path(const fs::path& name) const { return CPath::FromNative((root_ / name).string()); }

    fs::path root_;
    Host host_;
    TestList* list_ = nullptr;
    FakeDialog dialog_;
};

TEST_F(FileListCtrlTest, AddFileRefusesFoldersAndMissingFilesAndAllowsTwins)
{
    QSignalSpy changed(list_, &CFileListCtrl::filesChanged);
    EXPECT_EQ(0, list_->AddFile(Path("folder")));
    EXPECT_EQ(0, list_->AddFile(Path("missing.txt")));
    EXPECT_EQ(0, list_->AddFile(CPath()));
    EXPECT_EQ(0, list_->GetItemCount());
    EXPECT_EQ(0, list_->GetModify());
    EXPECT_EQ(0, host_.resizes);
    EXPECT_EQ(0, changed.count());

    CPath hundred = Path("hundred.txt");
    ASSERT_EQ(1, list_->AddFile(hundred));
    ASSERT_EQ(1, list_->AddFile(hundred, "\x8C\xA9\x90\xCF"));  // "見積"
    ASSERT_EQ(2, list_->GetItemCount());
    EXPECT_EQ("hundred.txt", list_->GetDispName(0).Str());
    EXPECT_EQ(hundred, list_->GetFilePath(0));
    EXPECT_EQ("\x8C\xA9\x90\xCF", list_->GetDispName(1).Str());
    EXPECT_EQ(hundred, list_->GetFilePath(1));
    EXPECT_EQ(u"見積"_qs, list_->topLevelItem(1)->text(0));
    EXPECT_TRUE(list_->GetFilePath(-1).IsEmpty());
    EXPECT_TRUE(list_->GetDispName(2).IsEmpty());

    // Every add marks the list modified and makes the parent lay itself out at its size.
    EXPECT_EQ(1, list_->GetModify());
    EXPECT_EQ(2, host_.resizes);
    EXPECT_EQ(host_.size(), host_.lastSize);
    EXPECT_EQ(2, changed.count());

    // A Japanese file name on disk (UTF-8) is listed under its code page 932 name.
    std::ofstream(root_ / fs::path(u8"\u8B70\u4E8B\u9332.txt")) << "minutes";  // "議事録.txt"
    ASSERT_EQ(1, list_->AddFile(Path(fs::path(u8"\u8B70\u4E8B\u9332.txt"))));
    EXPECT_EQ("\x8B\x63\x8E\x96\x98\x5E.txt", list_->GetDispName(2).Str());
}

TEST_F(FileListCtrlTest, TotalsAndTipsCountTheEncodedSize)
{
    EXPECT_EQ(0, list_->GetSumOfFileSize());
    for (const char* name : {"empty.bin", "one.dat", "line.dat", "hundred.txt"})
        ASSERT_EQ(1, list_->AddFile(Path(name)));
    // 0, 1, 54 and 100 bytes on disk (155) take 4, 4, 78 and 138 bytes as Base64 lines.
    EXPECT_EQ(224, list_->GetSumOfFileSize());
    EXPECT_EQ(Path("hundred.txt").ToText() + " (138\x83\x6F\x83\x43\x83\x67)", list_->GetInfoTip(3));

    // A mail kept in a temporary .eml file shows under its display name.
    Write("mail.eml", 2000);
    ASSERT_EQ(1, list_->AddFile(Path("mail.eml"), "Re: meeting"));
    EXPECT_EQ("Re: meeting (2KB)", list_->GetInfoTip(4).Str());
    ASSERT_EQ(1, list_->AddFile(Path("mail.eml"), "saved.EML"));
    EXPECT_EQ(Path("mail.eml").ToText() + " (2KB)", list_->GetInfoTip(5));
    ASSERT_EQ(1, list_->AddFile(Path("hundred.txt"), "report"));
    EXPECT_EQ(Path("hundred.txt").ToText() + " (138\x83\x6F\x83\x43\x83\x67)", list_->GetInfoTip(6));

    // A file removed after it was listed counts nothing and shows no size.
    fs::remove(root_ / "mail.eml");
    EXPECT_EQ(224 + 138, list_->GetSumOfFileSize());
    EXPECT_EQ("Re: meeting", list_->GetInfoTip(4).Str());

    // The tip is what the list shows on hovering an item.
    QRect rect = list_->visualItemRect(list_->topLevelItem(3));
    QHelpEvent hover(QEvent::ToolTip, rect.center(), list_->viewport()->mapToGlobal(rect.center()));
    QCoreApplication::sendEvent(list_->viewport(), &hover);
    EXPECT_EQ(QString::fromStdString((root_ / "hundred.txt").string()) + u" (138バイト)"_qs,
              QToolTip::text());
}

TEST_F(FileListCtrlTest, CommandsSelectAndDelete)
{
    EXPECT_EQ(1, list_->UpadateEditAdd());
    EXPECT_EQ(0, list_->UpadateEditSelectAll());
    for (const char* name : {"empty.bin", "one.dat", "line.dat", "hundred.txt"})
        ASSERT_EQ(1, list_->AddFile(Path(name)));
    list_->SetModify(0);
    EXPECT_EQ(0, list_->UpadateEditModify());
    EXPECT_EQ(0, list_->UpadateEditDelete());
    EXPECT_EQ(1, list_->UpadateEditSelectAll());

    list_->topLevelItem(0)->setSelected(true);
    list_->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(1, list_->UpadateEditModify());
    EXPECT_EQ(1, list_->UpdateCommand(ID_EDIT_DELETE));
    host_.resizes = 0;
    EXPECT_EQ(1, list_->ProcessCommand(ID_EDIT_DELETE));
    ASSERT_EQ(2, list_->GetItemCount());
    EXPECT_EQ("one.dat", list_->GetDispName(0).Str());
    EXPECT_EQ("hundred.txt", list_->GetDispName(1).Str());
    EXPECT_EQ(2, host_.resizes);
    EXPECT_EQ(1, list_->GetModify());

    EXPECT_EQ(0, list_->DeleteAt(2));
    EXPECT_EQ(0, list_->DeleteAt(-1));
    EXPECT_EQ(0, list_->DeleteSelectedItems());
    EXPECT_EQ(2, list_->SelectAllItems());
    EXPECT_EQ(2, list_->GetSelectedCount());
    EXPECT_EQ(list_, host_.focusWidget());
    EXPECT_EQ(2, list_->DeleteSelectedItems());
    EXPECT_EQ(0, list_->GetItemCount());
    EXPECT_EQ(0, list_->UpadateEditSelectAll());
}

TEST_F(FileListCtrlTest, FileDialogAddsTheChosenFiles)
{
    TestList bare;
    EXPECT_EQ(0, bare.Init(nullptr));
    EXPECT_EQ(0, bare.AddFilesByFileDlg());
    EXPECT_EQ(u"ファイル名"_qs, list_->headerItem()->text(0));
    EXPECT_EQ(u"パス"_qs, list_->headerItem()->text(1));
    EXPECT_TRUE(list_->isColumnHidden(1));

    EXPECT_EQ(1, list_->AddFilesByFileDlg());  // cancelled
    EXPECT_EQ(0, list_->GetItemCount());
    dialog_.result = IDOK;
    dialog_.path = Path("one.dat");
    EXPECT_EQ(1, list_->AddFilesByFileDlg());
    EXPECT_EQ(1, list_->GetItemCount());
    dialog_.path = Path("folder");
    EXPECT_EQ(0, list_->AddFilesByFileDlg());
    EXPECT_EQ(1, list_->GetItemCount());

    // The folder-list dialog gives every chosen file, in its order.
    CDrawerFileDlg drawer(1, "", "", CDrawerFileDlg::OFN_ALLOWMULTISELECT, "", nullptr,
                          Path("FolderList.txt"));
    drawer.setDirectory(QString::fromStdString(root_.string()));
    ASSERT_EQ(1, list_->Init(&drawer));
    QTimer::singleShot(0, &drawer, [&] {
        drawer.selectFile(u"\"line.dat\" \"hundred.txt\""_qs);
        static_cast<QDialog*>(&drawer)->accept();
    });
    EXPECT_EQ(1, list_->ProcessCommand(ID_EDIT_ADD));
    ASSERT_EQ(3, list_->GetItemCount());
    EXPECT_EQ(Path("line.dat"), list_->GetFilePath(1));
    EXPECT_EQ(Path("hundred.txt"), list_->GetFilePath(2));
}

TEST_F(FileListCtrlTest, DoubleClickAddsOnEmptySpaceAndOpensAnItem)
{
    ASSERT_EQ(1, list_->AddFile(Path("hundred.txt")));
    list_->SetModify(0);
    QPoint empty(list_->viewport()->width() / 2, list_->viewport()->height() - 5);
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(1, dialog_.runs);

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    QPoint item = list_->visualItemRect(list_->topLevelItem(0)).center();
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, item);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, item);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(1, dialog_.runs);
    ASSERT_EQ(1, recorder.urls.size());
    EXPECT_EQ(QUrl::fromLocalFile(QString::fromStdString((root_ / "hundred.txt").string())),
              recorder.urls.front());
    EXPECT_EQ(1, list_->GetModify());
}

TEST_F(FileListCtrlTest, ReadOnlyListOpensItemsButTakesNoFilesByDoubleClick)
{
    ASSERT_EQ(1, list_->AddFile(Path("hundred.txt")));
    list_->SetReadOnly(1);
    QPoint empty(list_->viewport()->width() / 2, list_->viewport()->height() - 5);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(0, dialog_.runs);
    QTest::qWait(QApplication::doubleClickInterval() + 50);

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    QPoint item = list_->visualItemRect(list_->topLevelItem(0)).center();
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, item);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, item);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(1, recorder.urls.size());
}

TEST_F(FileListCtrlTest, DialogAddStopsAtAFileThatCannotBeReadAndNamesIt)
{
    MessageBoxScript boxes;
    ASSERT_EQ(0, mkfifo((root_ / "pipe").c_str(), 0600));
    dialog_.result = IDOK;
    dialog_.path = Path("pipe");
    EXPECT_EQ(0, list_->AddFilesByFileDlg());
    EXPECT_EQ(0, list_->GetItemCount());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("次のファイルは読み込めないため、添付できませんでした。\n" + Path("pipe").ToText().Str(),
              boxes.boxes[0].text.Str());
    // AddFile itself refuses what cannot be read: a pipe, a device.
    EXPECT_EQ(0, list_->AddFile(Path("pipe")));
    EXPECT_EQ(0, list_->AddFile(CPath::FromNative("/dev/null")));
}

TEST_F(FileListCtrlTest, OpenFileFailureIsShown)
{
    ASSERT_EQ(1, list_->AddFile(Path("one.dat")));
    list_->SetModify(0);
    EXPECT_EQ(0, list_->OpenFile(5));

    // The offscreen platform has no desktop services, so opening fails.
    MessageBoxScript boxes;
    EXPECT_EQ(0, list_->OpenFile(0));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("ファイルを開けませんでした。", boxes.boxes[0].text.Str());
    EXPECT_EQ("添付ファイル", boxes.boxes[0].caption.Str());
    EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, boxes.boxes[0].type);
    EXPECT_EQ(ToCWnd(list_), boxes.boxes[0].parent);
    EXPECT_EQ(0, list_->GetModify());
}

TEST_F(FileListCtrlTest, ContextMenuOnlyWhenEditableAndItsCommandsGoToTheDialog)
{
    ASSERT_EQ(1, list_->AddFile(Path("one.dat")));
    QPoint at = list_->visualItemRect(list_->topLevelItem(0)).center();

    list_->SetReadOnly(1);
    QContextMenuEvent readOnly(QContextMenuEvent::Mouse, at, list_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list_->viewport(), &readOnly);
    EXPECT_EQ(nullptr, QApplication::activePopupWidget());

    list_->SetReadOnly(0);
    QStringList texts;
    QList<bool> enabled;
    auto chooseDelete = [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            enabled << action->isEnabled();
        }
        // A greyed item cannot be chosen: the menu is then dismissed.
        menu->setActiveAction(FindCommandAction(menu, ID_EDIT_DELETE));
        QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
    };
    QTimer::singleShot(0, chooseDelete);
    QContextMenuEvent first(QContextMenuEvent::Mouse, at, list_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list_->viewport(), &first);
    EXPECT_EQ(QStringList({u"追加(&N)"_qs, u"修正(&M)"_qs, u"削除(&D)"_qs}), texts);
    EXPECT_EQ(QList<bool>({true, false, false}), enabled);  // nothing selected
    EXPECT_EQ(list_, host_.focusWidget());

    // With an item selected and no dialog around, the list runs the command itself.
    list_->topLevelItem(0)->setSelected(true);
    texts.clear();
    enabled.clear();
    QTimer::singleShot(0, chooseDelete);
    QContextMenuEvent second(QContextMenuEvent::Mouse, at, list_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list_->viewport(), &second);
    EXPECT_EQ(QList<bool>({true, true, true}), enabled);
    EXPECT_EQ(0, list_->GetItemCount());

    // Inside a command dialog the command goes to the dialog.
    CommandHost dialog;
    auto* inner = new CFileListCtrl(&dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(inner);
    dialog.show();
    ASSERT_EQ(1, inner->AddFile(Path("one.dat")));
    inner->topLevelItem(0)->setSelected(true);
    QPoint innerAt = inner->visualItemRect(inner->topLevelItem(0)).center();
    QTimer::singleShot(0, chooseDelete);
    QContextMenuEvent third(QContextMenuEvent::Mouse, innerAt,
                            inner->viewport()->mapToGlobal(innerAt));
    QCoreApplication::sendEvent(inner->viewport(), &third);
    EXPECT_EQ(QList<UINT>({ID_EDIT_DELETE}), dialog.commands);
    EXPECT_EQ(1, inner->GetItemCount());
}

TEST_F(FileListCtrlTest, DropsAddFilesButNotToAReadOnlyList)
{
    MessageBoxScript boxes;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((root_ / "one.dat").string())),
                  QUrl::fromLocalFile(QString::fromStdString((root_ / "folder").string())),
                  QUrl::fromLocalFile(QString::fromStdString((root_ / "gone.txt").string())),
                  QUrl(QStringLiteral("https://example.com/x.txt")),
                  QUrl::fromLocalFile(QString::fromStdString((root_ / "line.dat").string()))});
    QPoint at(10, 10);

    // The preview's list: what is dropped there would never be sent, so nothing is taken.
    list_->SetReadOnly(1);
    QDragEnterEvent refused(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    QDropEvent refusedDrop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &refusedDrop);
    EXPECT_EQ(0, list_->GetItemCount());

    list_->SetReadOnly(0);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_EQ(2, list_->GetItemCount());
    EXPECT_EQ("one.dat", list_->GetDispName(0).Str());
    EXPECT_EQ("line.dat", list_->GetDispName(1).Str());
    // The folder adds nothing and says nothing; the file that cannot be read is named once
    // the drop has returned.
    EXPECT_TRUE(boxes.boxes.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("次のファイルは読み込めないため、添付できませんでした。\n" + Path("gone.txt").ToText().Str(),
              boxes.boxes[0].text.Str());
    EXPECT_EQ("添付ファイル", boxes.boxes[0].caption.Str());
    EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, boxes.boxes[0].type);

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent textEnter(at, Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &textEnter);
    EXPECT_FALSE(textEnter.isAccepted());
}

TEST_F(FileListCtrlTest, AReadOnlyListRefusesAddAndDeleteAlsoByDoubleClick)
{
    ASSERT_EQ(1, list_->AddFile(Path("one.dat")));  // the program fills it
    list_->SetReadOnly(1);
    list_->SetModify(0);
    list_->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(0, list_->UpadateEditAdd());
    EXPECT_EQ(0, list_->UpadateEditDelete());
    EXPECT_EQ(1, list_->UpadateEditModify());  // opening a file changes nothing
    list_->ProcessEditDelete();
    list_->ProcessEditAdd();
    EXPECT_EQ(1, list_->GetItemCount());
    EXPECT_EQ(0, dialog_.runs);

    QPoint empty(list_->viewport()->width() / 2, list_->viewport()->height() - 5);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(0, dialog_.runs);
    EXPECT_EQ(1, list_->GetItemCount());
    EXPECT_EQ(0, list_->GetModify());
}

TEST_F(FileListCtrlTest, NamesCodePage932CannotHoldAreAddedByTheirOwnBytes)
{
    // 資料〜最終版.xlsx (U+301C), café_menu.txt, and a Latin-1 name that is no UTF-8 at all.
    const std::string waveDash = "\xE8\xB3\x87\xE6\x96\x99\xE3\x80\x9C\xE6\x9C\x80\xE7\xB5\x82\xE7\x89\x88.xlsx";
    const std::string cafe = "caf\xC3\xA9_menu.txt";
    const std::string latin1 = "caf\xE9.txt";
    for (const std::string& name : {waveDash, cafe, latin1})
        std::ofstream(root_ / name, std::ios::binary) << std::string(100, 'x');

    // By the program and the file dialog.
    ASSERT_EQ(1, list_->AddFile(Path(waveDash)));
    dialog_.result = IDOK;
    dialog_.path = Path(cafe);
    ASSERT_EQ(1, list_->AddFilesByFileDlg());
    // By a drop: the URL's percent-encoded bytes are the name, even when they are no UTF-8.
    QMimeData data;
    data.setUrls({QUrl::fromEncoded(QByteArray("file://") + QByteArray::fromStdString(Path(latin1).Native()).toPercentEncoding("/")),
                  QUrl::fromLocalFile(QString::fromStdString((root_ / cafe).string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list_->viewport(), &drop);
    ASSERT_EQ(4, list_->GetItemCount());

    EXPECT_EQ(Path(waveDash), list_->GetFilePath(0));
    EXPECT_EQ(Path(cafe), list_->GetFilePath(1));
    EXPECT_EQ(Path(latin1), list_->GetFilePath(2));
    EXPECT_EQ(Path(cafe), list_->GetFilePath(3));
    // Shown as text: 〜 as code page 932 has it, what it lacks as "〓".
    EXPECT_EQ(u"資料～最終版.xlsx"_qs, list_->topLevelItem(0)->text(0));
    EXPECT_EQ(u"caf〓_menu.txt"_qs, list_->topLevelItem(1)->text(0));
    EXPECT_EQ(u"caf〓.txt"_qs, list_->topLevelItem(2)->text(0));
    EXPECT_EQ("caf\x81\xAC_menu.txt", list_->GetDispName(1).Str());
    // Every file counts at its encoded size (100 bytes are 138).
    EXPECT_EQ(4 * 138, list_->GetSumOfFileSize());

    // Opening one hands the desktop its exact bytes.
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    EXPECT_EQ(1, list_->OpenFile(2));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(1, recorder.urls.size());
    EXPECT_EQ(Path(latin1), PathFromUrl(recorder.urls.front()));
}

TEST_F(FileListCtrlTest, RendersNamesWithIcons)
{
    std::ofstream(root_ / fs::path(u8"\u898B\u7A4D\u66F8.pdf")) << "pdf";  // "見積書.pdf"
    Write("mail.eml", 3000);
    ASSERT_EQ(1, list_->AddFile(Path("hundred.txt")));
    ASSERT_EQ(1, list_->AddFile(Path(fs::path(u8"\u898B\u7A4D\u66F8.pdf"))));
    // "Re: 会議の件" as the name of a pasted mail.
    ASSERT_EQ(1, list_->AddFile(Path("mail.eml"), "Re: \x89\xEF\x8B\x63\x82\xCC\x8C\x8F"));
    list_->topLevelItem(1)->setSelected(true);
    QTest::qWait(50);
    EXPECT_EQ(u"Re: 会議の件"_qs, list_->topLevelItem(2)->text(0));

    // What the list shows: each row inside the viewport with its icon painted left of the
    // whole name, the name column as wide as the viewport and the path column hidden.
    const QImage image = list_->viewport()->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    EXPECT_EQ(list_->columnWidth(0), list_->viewport()->width());
    EXPECT_TRUE(list_->isColumnHidden(1));
    for (int row = 0; row < list_->GetItemCount(); ++row) {
        SCOPED_TRACE(row);
        QTreeWidgetItem* item = list_->topLevelItem(row);
        ASSERT_FALSE(item->icon(0).isNull());
        const QRect rect = list_->visualItemRect(item);
        EXPECT_TRUE(list_->viewport()->rect().contains(rect));
        // The icon's square at the row's left: some pixel differs from the row's background.
        const QRect icon(rect.left() + 2, rect.top() + (rect.height() - 16) / 2, 16, 16);
        const QColor background = image.pixelColor(QPoint(rect.right() - 2, rect.center().y()) * ratio);
        bool painted = false;
        for (int y = icon.top(); y <= icon.bottom() && !painted; ++y)
            for (int x = icon.left(); x <= icon.right() && !painted; ++x)
                painted = image.pixelColor(QPoint(x, y) * ratio) != background;
        EXPECT_TRUE(painted) << "no icon drawn";
        // The whole name fits beside the icon.
        EXPECT_LE(16 + 8 + list_->fontMetrics().horizontalAdvance(item->text(0)), rect.width());
        EXPECT_GE(rect.height(), std::max(16, list_->fontMetrics().height()));
    }
    SaveScreenshot(&host_, QStringLiteral("file_list_ctrl_%1dpi").arg(host_.logicalDpiX()));
}

}  // namespace

#include "test_file_list_ctrl.moc"
