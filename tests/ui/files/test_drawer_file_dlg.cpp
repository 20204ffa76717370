// Verifies the folder-list file dialog: the list file, the check box, jumping to a listed
// folder with the typed name kept, the translated filters and flags, chosen paths as the
// file system's bytes (also in a folder under ".../café/"), and how it looks: Japanese in
// every column under the C locale, the sidebar's entries whole at every DPI.

#include "FileTestSupport.h"

#include "command/CQtJapanese.h"
#include "command/CommandIds.h"
#include "files/CDrawerFileDlg.h"
#include "model/CFileUtility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

// Opens the protected handlers for the cases the mouse cannot reach.
class TestDlg : public CDrawerFileDlg {
public:
    using CDrawerFileDlg::CDrawerFileDlg;
    using CDrawerFileDlg::OnButtonToFavoriteList;
};

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

class DrawerFileDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Under ".../café/": the list file and the folders have a name code page 932 lacks.
        fs::remove_all(fs::path(std::getenv("XDG_DATA_HOME")) / "drawer");
        root_ = fs::path(std::getenv("XDG_DATA_HOME")) / "drawer" / "caf\xC3\xA9";
        fs::create_directories(root_ / "alpha");
        fs::create_directories(root_ / "Beta");
        fs::create_directories(root_ / "gamma");
        listFile_ = (root_ / "FolderList.txt").string();
    }

    std::unique_ptr<TestDlg> Open(const char* fileName = "")
    {
        auto dlg = std::make_unique<TestDlg>(
            1, "", fileName,
            CDrawerFileDlg::OFN_ALLOWMULTISELECT | CDrawerFileDlg::OFN_EXPLORER
                | CDrawerFileDlg::OFN_HIDEREADONLY,
            "", nullptr, CPath::FromNative(listFile_));
        dlg->setDirectory(QString::fromStdString(root_.string()));
        dlg->show();
        return dlg;
    }

    static QComboBox* List(QWidget* dlg)
    {
        return qobject_cast<QComboBox*>(GetDlgItem(dlg, CDrawerFileDlg::IDC_COMBO_FAVORITE_LIST));
    }
    static QCheckBox* Check(QWidget* dlg)
    {
        return qobject_cast<QCheckBox*>(GetDlgItem(dlg, CDrawerFileDlg::IDC_CHECK_ADD_FAVORITE));
    }
    static QStringList Items(QComboBox* combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        return items;
    }
    std::string ListFileBytes() const
    {
        std::ifstream in(listFile_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    QString Dir(const char* name) const { return QString::fromStdString((root_ / name).string()); }

    fs::path root_;
    std::string listFile_;
};

TEST_F(DrawerFileDlgTest, PanelControlsCarryTheirIdsAndTexts)
{
    auto dlg = Open();
    ASSERT_NE(nullptr, List(dlg.get()));
    EXPECT_EQ(u"フォルダリストに追加(&A)"_qs, Check(dlg.get())->text());
    auto* explorer = qobject_cast<QPushButton*>(
        GetDlgItem(dlg.get(), CDrawerFileDlg::IDC_BUTTON_OPEN_EXPLORER));
    ASSERT_NE(nullptr, explorer);
    EXPECT_EQ(u"エクスプローラで開く(&E)"_qs, explorer->text());
    EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(QFileDialog::ExistingFiles, dlg->fileMode());
    // No list file yet: an empty list, and the current folder is not in it.
    EXPECT_EQ(0, List(dlg.get())->count());
    EXPECT_FALSE(Check(dlg.get())->isChecked());
    EXPECT_EQ(CPath::FromNative(root_.string()), dlg->GetCurrentFolder());
}

TEST_F(DrawerFileDlgTest, CheckBoxKeepsOneEntryPerFolderAndTheListSurvives)
{
    {
        auto dlg = Open();
        dlg->setDirectory(Dir("gamma"));
        QTest::mouseClick(Check(dlg.get()), Qt::LeftButton);
        EXPECT_TRUE(Check(dlg.get())->isChecked());
        dlg->setDirectory(Dir("alpha"));
        EXPECT_FALSE(Check(dlg.get())->isChecked());
        QTest::mouseClick(Check(dlg.get()), Qt::LeftButton);
        // Adding the folder a second time keeps one entry.
        dlg->OnButtonToFavoriteList(true);
        EXPECT_EQ(QStringList({Dir("alpha"), Dir("gamma")}), Items(List(dlg.get())));
        EXPECT_EQ(Dir("alpha"), List(dlg.get())->currentText());
    }
    EXPECT_EQ((root_ / "alpha").string() + "\n" + (root_ / "gamma").string() + "\n",
              ListFileBytes());

    // A new dialog reads the list back and knows the folder it stands in.
    auto dlg = Open();
    EXPECT_EQ(QStringList({Dir("alpha"), Dir("gamma")}), Items(List(dlg.get())));
    EXPECT_EQ(-1, List(dlg.get())->currentIndex());
    dlg->setDirectory(Dir("gamma"));
    EXPECT_TRUE(Check(dlg.get())->isChecked());
    EXPECT_EQ(Dir("gamma"), List(dlg.get())->currentText());

    // Unchecking removes the folder and empties the combo's text.
    QTest::mouseClick(Check(dlg.get()), Qt::LeftButton);
    EXPECT_EQ(QStringList({Dir("alpha")}), Items(List(dlg.get())));
    EXPECT_EQ(-1, List(dlg.get())->currentIndex());
    EXPECT_EQ((root_ / "alpha").string() + "\n", ListFileBytes());

    // Unchecking for a folder that is not listed saves the list unchanged.
    dlg->setDirectory(Dir("Beta"));
    dlg->OnButtonToFavoriteList(false);
    EXPECT_EQ((root_ / "alpha").string() + "\n", ListFileBytes());

    // Shown again, the dialog reads what another dialog wrote meanwhile.
    dlg->hide();
    std::ofstream(listFile_) << (root_ / "Beta").string() << "\n";
    dlg->show();
    EXPECT_EQ(QStringList({Dir("Beta")}), Items(List(dlg.get())));
    EXPECT_TRUE(Check(dlg.get())->isChecked());
}

TEST_F(DrawerFileDlgTest, ListFileIsReadSortedWithItsEmptyLines)
{
    // Written by hand in no order, with CR LF ends and an empty line.
    std::ofstream(listFile_, std::ios::binary)
        << (root_ / "gamma").string() << "\r\n\r\n"
        << (root_ / "Beta").string() << "\n" << (root_ / "alpha").string();
    auto dlg = Open();
    EXPECT_EQ(QStringList({QString(), Dir("alpha"), Dir("Beta"), Dir("gamma")}),
              Items(List(dlg.get())));

    // Choosing the empty entry does nothing.
    dlg->setDirectory(Dir("Beta"));
    List(dlg.get())->setCurrentIndex(0);
    emit List(dlg.get())->activated(0);
    EXPECT_EQ(Dir("Beta"), dlg->directory().absolutePath());
}

TEST_F(DrawerFileDlgTest, ChoosingAListedFolderGoesThereAndKeepsTheTypedName)
{
    std::ofstream(listFile_) << (root_ / "alpha").string() << "\n"
                             << (root_ / "gone").string() << "\n";
    auto dlg = Open();
    auto* nameBox = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nullptr, nameBox);
    nameBox->setFocus();
    QTest::keyClicks(nameBox, QStringLiteral("report.txt"));

    QComboBox* combo = List(dlg.get());
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    EXPECT_EQ(Dir("alpha"), dlg->directory().absolutePath());
    EXPECT_EQ(CPath::FromNative((root_ / "alpha").string()), dlg->GetCurrentFolder());
    EXPECT_TRUE(Check(dlg.get())->isChecked());
    EXPECT_EQ(QStringLiteral("report.txt"), nameBox->text());
    EXPECT_TRUE(dlg->isVisible());

    // A listed folder that no longer exists is not entered.
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(Dir("alpha"), dlg->directory().absolutePath());
    EXPECT_EQ(0, combo->currentIndex());
    EXPECT_EQ(QStringLiteral("report.txt"), nameBox->text());
}

TEST_F(DrawerFileDlgTest, FiltersFlagsAndChosenPaths)
{
    // "実行ファイル (*.exe)|*.exe|すべてのファイル (*.*)|*.*||" as the program passes it.
    CDrawerFileDlg open(1, "", "", 0x82006, "実行ファイル (*.exe)|*.exe|すべてのファイル (*.*)|*.*||",
                        nullptr, CPath::FromNative(listFile_));
    EXPECT_EQ(QStringList({u"実行ファイル (*.exe)"_qs, u"すべてのファイル (*)"_qs}),
              open.nameFilters());
    EXPECT_EQ(QFileDialog::AnyFile, open.fileMode());
    EXPECT_EQ(QFileDialog::AcceptOpen, open.acceptMode());

    CDrawerFileDlg save(0, "eml", "", CDrawerFileDlg::OFN_OVERWRITEPROMPT, "Mail|*.eml;*.txt||",
                        nullptr, CPath::FromNative(listFile_));
    EXPECT_EQ(QStringList({u"Mail (*.eml *.txt)"_qs}), save.nameFilters());
    EXPECT_EQ(QFileDialog::AcceptSave, save.acceptMode());
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(QStringLiteral("eml"), save.defaultSuffix());

    // Three files chosen in a folder under ".../café/", with names code page 932 holds and
    // cannot hold (資料〜最終版.xlsx with U+301C): all come back as the file system's bytes.
    fs::create_directories(root_ / "alpha" / "caf\xC3\xA9");
    const fs::path folder = root_ / "alpha" / "caf\xC3\xA9";
    const std::string waveDash = "\xE8\xB3\x87\xE6\x96\x99\xE3\x80\x9C\xE6\x9C\x80\xE7\xB5\x82\xE7\x89\x88.xlsx";
    std::ofstream(folder / "a.txt") << "a";
    std::ofstream(folder / "\xE6\xB7\xBB\xE4\xBB\x98.txt") << "b";  // "添付.txt"
    std::ofstream(folder / waveDash) << "c";
    auto dlg = Open();
    dlg->setDirectory(QString::fromStdString(folder.string()));
    QTimer::singleShot(0, dlg.get(), [&] {
        dlg->selectFile(u"\"a.txt\" \"添付.txt\" \"資料〜最終版.xlsx\""_qs);
        static_cast<QDialog*>(dlg.get())->accept();
    });
    ASSERT_EQ(IDOK, dlg->DoModal());
    std::vector<CPath> paths = dlg->GetPathNames();
    ASSERT_EQ(3u, paths.size());
    const CPath cafe = CPath::FromNative(folder.string());
    EXPECT_EQ(cafe / "a.txt", paths[0]);
    EXPECT_EQ(cafe / "\xE6\xB7\xBB\xE4\xBB\x98.txt", paths[1]);
    EXPECT_EQ(cafe / waveDash, paths[2]);
    EXPECT_EQ(paths[0], dlg->GetPathName());
    EXPECT_EQ(cafe, dlg->GetCurrentFolder());

    QTimer::singleShot(0, dlg.get(), [&] { dlg->reject(); });
    EXPECT_EQ(IDCANCEL, dlg->DoModal());
}

TEST_F(DrawerFileDlgTest, ExplorerButtonOpensTheCurrentFolder)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    auto dlg = Open();
    dlg->setDirectory(Dir("Beta"));
    QTest::mouseClick(GetDlgItem(dlg.get(), CDrawerFileDlg::IDC_BUTTON_OPEN_EXPLORER),
                      Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(1, recorder.urls.size());
    EXPECT_EQ(QUrl::fromLocalFile(Dir("Beta")), recorder.urls.front());
}

TEST_F(DrawerFileDlgTest, DefaultListFileIsInTheDataFolder)
{
    EXPECT_EQ(std::string(std::getenv("XDG_DATA_HOME")) + "/Velto/Quillon/FolderList.txt",
              CDrawerFileDlg::DefaultFolderListPath().Native());
}

TEST_F(DrawerFileDlgTest, RendersWithItsPanel)
{
    std::ofstream(listFile_) << (root_ / "alpha").string() << "\n" << (root_ / "Beta").string()
                             << "\n";
    std::ofstream(root_ / "alpha" / "notes.txt") << "n";
    std::ofstream(root_ / "alpha" / fs::path(u8"\u898B\u7A4D.pdf")) << "pdf";
    auto dlg = Open();
    dlg->resize(720, 480);
    dlg->setDirectory(Dir("alpha"));
    QTest::qWait(200);

    // The panel below the file dialog: every control shown, inside the dialog, its text not
    // cut, and the list read from the file under ".../café/".
    auto* panel = GetDlgItem(dlg.get(), CDrawerFileDlg::IDD_DRAWER_PANEL);
    ASSERT_NE(nullptr, panel);
    EXPECT_TRUE(panel->isVisible());
    const QRect dialogRect = dlg->rect();
    QList<QWidget*> controls = {Check(dlg.get()), List(dlg.get()),
                                GetDlgItem(dlg.get(), CDrawerFileDlg::IDC_BUTTON_OPEN_EXPLORER)};
    for (QLabel* label : panel->findChildren<QLabel*>()) controls << label;
    ASSERT_EQ(5, controls.size());
    QStringList labels;
    for (QWidget* control : controls) {
        SCOPED_TRACE(control->metaObject()->className());
        EXPECT_TRUE(control->isVisible());
        const QRect rect(control->mapTo(dlg.get(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(dialogRect.contains(rect));
        EXPECT_GE(control->width(), control->minimumSizeHint().width());
        EXPECT_GE(control->height(), control->minimumSizeHint().height());
        if (auto* label = qobject_cast<QLabel*>(control)) {
            labels << label->text();
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text().remove(u'&')));
        }
    }
    labels.sort();
    EXPECT_EQ(QStringList({u"フォルダリスト(&L):"_qs, u"現在のフォルダ:"_qs}), labels);
    EXPECT_EQ(QStringList({Dir("alpha"), Dir("Beta")}), Items(List(dlg.get())));
    EXPECT_TRUE(Check(dlg.get())->isChecked());  // "alpha" is listed
    // The panel lies below the dialog's own controls, none overlapping another.
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry())
                         && controls[i]->parentWidget() == controls[j]->parentWidget());
    SaveScreenshot(dlg.get(), QStringLiteral("drawer_file_dlg_%1dpi").arg(dlg->logicalDpiX()));
}

TEST_F(DrawerFileDlgTest, RendersJapaneseColumnsAndAWholeSidebar)
{
    // As the program sets Qt up; the tests run under the C locale, as a user's session may.
    CQtJapanese japanese;
    ASSERT_TRUE(japanese.HasCatalogue()) << "qt6-translations-l10n is missing";
    std::ofstream(root_ / "alpha" / "notes.txt") << "n";
    const QDateTime march(QDate(2024, 3, 5), QTime(14, 7));
    {
        QFile file(Dir("alpha") + u"/notes.txt"_qs);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(march, QFileDevice::FileModificationTime));
    }
    // Save As, as the pages open it.
    CDrawerFileDlg dlg(0, "eml", "", CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_HIDEREADONLY
                           | CDrawerFileDlg::OFN_OVERWRITEPROMPT,
                       "メール (*.eml)|*.eml|すべてのファイル (*.*)|*.*||", nullptr, CPath::FromNative(listFile_));
    dlg.setWindowTitle(u"名前を付けて保存"_qs);
    dlg.setViewMode(QFileDialog::Detail);
    dlg.setNameFilter(u"すべてのファイル (*)"_qs);
    dlg.setDirectory(QString::fromStdString(root_.string()));
    dlg.show();
    auto* view = dlg.findChild<QTreeView*>(u"treeView"_qs);
    ASSERT_NE(nullptr, view);
    QAbstractItemModel* model = view->model();
    const auto row = [&](const QString& name) {
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < model->rowCount(root); ++r)
            if (model->index(r, 0, root).data().toString() == name) return r;
        return -1;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return row(u"alpha"_qs) >= 0; }, 5000));
    const auto cell = [&](int r, int column) {
        return model->index(r, column, view->rootIndex()).data().toString();
    };
    QStringList headers;
    for (int column = 0; column < 4; ++column) headers << model->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(QStringList({u"名前"_qs, u"サイズ"_qs, u"タイプ"_qs, u"更新日"_qs}), headers);
    const QRegularExpression latin(u"[A-Za-z]"_qs);
    const QRegularExpression japaneseDate(u"^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$"_qs);
    // A folder: its type in Japanese (Qt 6 asks for "Folder" in a context the catalogue
    // lacks), its date as a Japanese short date, never "9 Dec 2026 04:01:28".
    const int alpha = row(u"alpha"_qs);
    EXPECT_EQ(u"フォルダ"_qs, cell(alpha, 2));
    EXPECT_TRUE(japaneseDate.match(cell(alpha, 3)).hasMatch()) << cell(alpha, 3).toStdString();
    EXPECT_TRUE(cell(alpha, 1).isEmpty());
    const QString alphaTexts = cell(alpha, 1) + cell(alpha, 2) + cell(alpha, 3);

    // A file: its size, type and a date of March (no "Mar").
    dlg.setDirectory(Dir("alpha"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return row(u"notes.txt"_qs) >= 0; }, 5000));
    const int notes = row(u"notes.txt"_qs);
    EXPECT_EQ(u"1 バイト"_qs, cell(notes, 1));
    EXPECT_FALSE(cell(notes, 2).isEmpty());
    EXPECT_FALSE(latin.match(cell(notes, 2)).hasMatch()) << cell(notes, 2).toStdString();
    EXPECT_EQ(u"2024/03/05 14:07"_qs, cell(notes, 3));
    // Each of the three columns as wide as its text (Qt keeps the widths of an earlier run).
    QTest::qWait(50);
    for (int column = 1; column < 4; ++column)
        EXPECT_GT(view->header()->sectionSize(column), view->fontMetrics().horizontalAdvance(cell(notes, column)))
            << cell(notes, column).toStdString();
    // No English word anywhere in the file's row, nor in the folder's.
    const QStringList shown = {cell(notes, 1), cell(notes, 2), cell(notes, 3), alphaTexts};
    for (const QString& english : {u"Folder"_qs, u"File"_qs, u"byte"_qs, u"Mar"_qs, u"Dec"_qs})
        EXPECT_FALSE(shown.join(u' ').contains(english, Qt::CaseInsensitive)) << english.toStdString();

    // The sidebar: every entry ("コンピュータ", the home folder) as wide as it needs, inside the
    // list, at the DPI of this run.
    auto* sidebar = dlg.findChild<QListView*>(u"sidebar"_qs);
    ASSERT_NE(nullptr, sidebar);
    QTest::qWait(100);
    EXPECT_TRUE(sidebar->isVisible());
    ASSERT_GE(sidebar->model()->rowCount(), 2);
    QStringList entries;
    for (int r = 0; r < sidebar->model()->rowCount(); ++r) {
        const QModelIndex index = sidebar->model()->index(r, 0);
        entries << index.data().toString();
        SCOPED_TRACE(index.data().toString().toStdString());
        const QRect rect = sidebar->visualRect(index);
        EXPECT_GE(rect.width(), sidebar->sizeHintForIndex(index).width());
        EXPECT_TRUE(sidebar->viewport()->rect().contains(rect));
    }
    EXPECT_TRUE(entries.contains(u"コンピュータ"_qs)) << entries.join(u","_qs).toStdString();
    EXPECT_TRUE(QRect(QPoint(0, 0), dlg.size()).contains(QRect(sidebar->mapTo(&dlg, QPoint(0, 0)), sidebar->size())));
    SaveScreenshot(&dlg, QStringLiteral("save_as_%1dpi").arg(dlg.logicalDpiX()));
}

}  // namespace

#include "test_drawer_file_dlg.moc"
