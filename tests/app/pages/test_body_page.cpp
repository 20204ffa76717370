// Verifies the Body page (159) offscreen: its controls, texts and tooltips; leaving without a
// change; loading a new message, a reply (also with an empty source body) and a forward;
// the list's height rule and the designed offsets; drops of files, folders and unreadable
// files on the page and the editor; the total and its idle refresh; the idle rules; the fixed
// phrases through dialog 102; the indent and format buttons; opening an attachment through
// the desktop. Renders the page empty, with six attachments and with a reply (96 DPI, and
// 144 DPI in a second run).
#include "../shell/WizardTestKit.h"

#include "LayoutCheck.h"
#include "Modal.h"
#include "Screenshot.h"

#include "pages/BodyRules.h"
#include "pages/CBodyPage.h"
#include "settings/CBodyPhraseDlg.h"
#include "command/CStandardCombo.h"
#include "command/QtPath.h"
#include "command/QtText.h"
#include "files/CDrawerFileDlg.h"
#include "files/CFileListCtrl.h"
#include "files/CTemplateFile.h"
#include "letter/CEditLetter.h"
#include "letter/CLetterFormat.h"
#include "encoding/CBase64.h"
#include "model/CFileUtility.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

int Scaled(int pixels) { return CLetterFormat::DesignPixels(pixels); }

class BodyPageTest : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_TRUE(MakeWizard());
        body = dynamic_cast<CBodyPage*>(wizard->GetPage("Body"));
        ASSERT_NE(body, nullptr);
        files = home.Root() / "files";
        fs::create_directories(files);
    }

    // A file of `size` bytes under the test's folder, `name` in code page 932 (as the
    // narrow literals of this project are); its code page 932 path.
    CPath File(const std::string& name, std::size_t size = 100)
    {
        const CPath path = CPath::FromNative(files.string()) / CPath::FromText(CString(name));
        std::ofstream(path.Native(), std::ios::binary) << std::string(size, 'x');
        return path;
    }
    QString Native(const CPath& path) { return ToQtPath(path); }

    // A drag entering `target` and a drop on it, as the window system delivers them.
    bool Drop(QWidget* target, const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    QPushButton* Button(int id) { return qobject_cast<QPushButton*>(GetDlgItem(body, id)); }
    QString EditorText() { return body->GetEditor()->toPlainText(); }
    int RightIndent(int block) { return CLetterFormat::RightIndent(body->GetEditor()->document()->findBlockByNumber(block).blockFormat()); }
    int StartIndent(int block) { return CLetterFormat::StartIndent(body->GetEditor()->document()->findBlockByNumber(block).blockFormat()); }
    QRect Placed(QWidget* widget) { return QRect(widget->mapTo(body, QPoint(0, 0)), widget->size()); }

    CBodyPage* body = nullptr;
    fs::path files;
};

const int kNewIndent = (76 - 60) * 120;  // the default line lengths, 60 and 76

}  // namespace

TEST_F(BodyPageTest, EveryControlWithItsIdTextAndTooltip)
{
    EXPECT_EQ(body->windowTitle(), u"Velto Quillon - 本文、添付ファイル"_s);
    EXPECT_EQ(body->GetTemplateId(), 159u);
    struct Control {
        int id;
        const char* type;
        QString text;
        QString tip;
    };
    const Control controls[] = {
        {1000, "QLineEdit", {}, {}},
        {1020, "QPushButton", u"添付(&A)"_s, u"添付ファイルを追加"_s},
        {1021, "CFileListCtrl", {}, {}},
        {1025, "QPushButton", u"×"_s, u"全添付の解除"_s},
        {1011, "QLabel", u"0バイト"_s, {}},
        {1142, "QLabel", u"本文(&B)"_s, {}},
        {1006, "CEditLetter", {}, {}},
        {1106, "QPushButton", u"－"_s, u"字下げを削除"_s},
        {1107, "QPushButton", u"＋"_s, u"字下げを追加"_s},
        {1108, "QPushButton", u"－"_s, u"改行を縮める"_s},
        {1109, "QPushButton", u"＋"_s, u"改行を伸ばす"_s},
        {1033, "QPushButton", u"定型文(&T)"_s, u"定型文の修正/削除を行なう場合は、右の一覧から選択してから押してください。"_s},
        {1038, "CStandardCombo", {}, u"[定型文]ボタンで登録した定型文の一覧です。選択して[挿入]ボタンをクリックしてください。"_s},
        {1034, "QPushButton", u"挿入(&I)"_s, u"本文上で挿入位置をクリック後に押してください。"_s},
        {1023, "QPushButton", u"×"_s, u"定型文選択の解除"_s},
        {1138, "QPushButton", u"標準(&D)"_s, {}},
        {1137, "QPushButton", u"下線(&U)"_s, {}},
        {1, "QPushButton", u"進む >"_s, {}},
        {2, "QPushButton", u"キャンセル"_s, {}},
    };
    for (const Control& control : controls) {
        QWidget* widget = GetDlgItem(body, control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_TRUE(widget->inherits(control.type)) << control.id;
        EXPECT_TRUE(widget->isVisibleTo(body)) << control.id;
        EXPECT_EQ(widget->toolTip(), control.tip) << control.id;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), control.text) << control.id;
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), control.text) << control.id;
        }
    }
    auto* label = qobject_cast<QLabel*>(GetDlgItem(body, 1142));
    EXPECT_EQ(label->buddy(), body->GetEditor());
    EXPECT_FALSE(body->GetPhraseCombo()->isEditable());
    EXPECT_EQ(body->GetFileList()->columnCount(), 2);
    EXPECT_TRUE(body->GetFileList()->isHeaderHidden());

    // The edit commands reach the subject, the editor, the list and the combo.
    for (QWidget* widget : {static_cast<QWidget*>(body->GetSubjectEdit()), static_cast<QWidget*>(body->GetEditor()),
                            body->GetEditor()->viewport(), static_cast<QWidget*>(body->GetFileList()),
                            static_cast<QWidget*>(body->GetPhraseCombo())}) {
        CUpdateCommandItem* item = nullptr;
        EXPECT_EQ(body->IsUpdateCommandItem(widget, item), 1);
        EXPECT_NE(item, nullptr);
    }
    CUpdateCommandItem* none = nullptr;
    EXPECT_EQ(body->IsUpdateCommandItem(Button(1020), none), 0);

    // The attachment list's file dialog: several existing files at once.
    ASSERT_NE(body->GetFileDialog(), nullptr);
    EXPECT_EQ(body->GetFileDialog()->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(body->GetFileDialog()->acceptMode(), QFileDialog::AcceptOpen);
}

TEST_F(BodyPageTest, LeavingUntouchedReportsNoChangeAndDoesNotExport)
{
    doc->SetBody("置いたままの本文");
    doc->SetFiles({{CPath::FromNative("/nonexistent/a.txt"), "a.txt"}});
    doc->SetModifiedFlag(0);
    EXPECT_EQ(body->StoreToDocument(), 0);
    CString stored;
    doc->GetBody(stored);
    EXPECT_EQ(stored.Str(), "置いたままの本文");  // an export of the empty editor would have emptied it
    CMailDoc::FileList kept;
    doc->GetFiles(kept);
    EXPECT_EQ(kept.size(), 1u);
    EXPECT_FALSE(doc->IsModified());

    // A change is exported once; leaving again changes nothing.
    doc->SetFiles({});
    body->GetEditor()->setFocus();
    body->GetEditor()->insertPlainText(u"一行目\n二行目"_s);
    EXPECT_EQ(body->StoreToDocument(), 1);
    doc->GetBody(stored);
    EXPECT_EQ(stored.Str(), "一行目\r\n二行目");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(body->GetEditor()->document()->isModified());
    EXPECT_EQ(body->StoreToDocument(), 0);

    // Touched, but the same text in the end: no change reported.
    doc->SetModifiedFlag(0);
    body->GetEditor()->insertPlainText(u"x"_s);
    body->GetEditor()->textCursor().deletePreviousChar();
    EXPECT_TRUE(body->GetEditor()->document()->isModified());
    EXPECT_EQ(body->StoreToDocument(), 0);
    EXPECT_FALSE(doc->IsModified());

    // The list: added files are stored with their names, in order, once.
    ASSERT_EQ(body->GetFileList()->AddFile(File("b.txt")), 1);
    ASSERT_EQ(body->GetFileList()->AddFile(File("c.txt"), "請求書"), 1);
    EXPECT_EQ(body->StoreToDocument(), 1);
    CMailDoc::FileList stored2;
    doc->GetFiles(stored2);
    ASSERT_EQ(stored2.size(), 2u);
    EXPECT_EQ(stored2[0].title.Str(), "b.txt");
    EXPECT_EQ(stored2[1].title.Str(), "請求書");
    EXPECT_EQ(stored2[1].path, File("c.txt"));
    EXPECT_EQ(body->GetFileList()->GetModify(), 0);
    EXPECT_EQ(body->StoreToDocument(), 0);
}

TEST_F(BodyPageTest, LoadsANewMessageAReplyAndAForward)
{
    // A new message: the body as it is, new-text lines.
    doc->SetType(CMailDoc::NewMail);
    doc->SetBody("一行目\r\n二行目");
    doc->SetFiles({{File("a.txt"), "a.txt"}, {File("mail.eml"), "Re: 会議"}});
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    EXPECT_EQ(EditorText(), u"一行目\n二行目"_s);
    EXPECT_EQ(RightIndent(0), kNewIndent);
    EXPECT_EQ(RightIndent(1), kNewIndent);
    EXPECT_TRUE(body->GetEditor()->document()->isModified());
    EXPECT_EQ(body->GetEditor()->textCursor().position(), 0);
    ASSERT_EQ(body->GetFileList()->GetItemCount(), 2);
    EXPECT_EQ(body->GetFileList()->GetDispName(1).Str(), "Re: 会議");
    EXPECT_FALSE(body->GetEditor()->document()->isUndoAvailable());

    // A reply with an empty source body: the two empty lines and the block are there.
    const CString summary("From:    花子 <hanako@example.jp>\r\nSubject: 会議\r\n");
    doc->SetType(CMailDoc::ReplyMail);
    doc->SetOriginalSummary(summary);
    doc->SetBody("");
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    const QStringList reply = EditorText().split(u'\n');
    ASSERT_GE(reply.size(), 7);
    EXPECT_EQ(reply.mid(0, 7), (QStringList{u""_s, u""_s, u"----- Original Message ------------------------------------"_s,
                                            u"From:    花子 <hanako@example.jp>"_s, u"Subject: 会議"_s,
                                            u"-----------------------------------------------------------"_s, u""_s}));
    EXPECT_EQ(RightIndent(0), kNewIndent);
    EXPECT_EQ(RightIndent(1), kNewIndent);
    EXPECT_EQ(RightIndent(2), 0);  // the block and the quote keep the quoted-text length
    EXPECT_EQ(body->GetEditor()->textCursor().position(), 0);

    // A reply with text: every line quoted "> " below the block.
    doc->SetBody("ご確認ください。\r\n以上");
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    QStringList quoted = EditorText().split(u'\n');
    EXPECT_TRUE(quoted.contains(u"> ご確認ください。"_s));
    EXPECT_TRUE(quoted.contains(u"> 以上"_s));
    EXPECT_LT(quoted.indexOf(u"-----------------------------------------------------------"_s), quoted.indexOf(u"> 以上"_s));

    // Typed in the first line and stored: the marker follows the answer, so a reply above the
    // quote puts closing and signature between them.
    QTextCursor first(body->GetEditor()->document());
    first.insertText(u"承知しました。"_s);
    EXPECT_EQ(body->StoreToDocument(), 1);
    CString stored;
    doc->GetBody(stored);
    EXPECT_EQ(stored.Str().rfind("承知しました。\r\n\r\n----- Original Message ", 0), 0u) << stored.Str();
    doc->SetUpperReplyFlg(1);
    doc->SetSignature("山田");
    CString letter;
    doc->GetBodyWithLetter(letter);
    // (the answer's own line end, then the separator before the signature)
    EXPECT_EQ(letter.Str().rfind("承知しました。\r\n\r\n\r\n山田\r\n\r\n\r\n----- Original Message", 0), 0u) << letter.Str();

    // A forward: the text as it is, below the block.
    doc->SetType(CMailDoc::ForwardMail);
    doc->SetBody("転送する本文\r\n");
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    QStringList forward = EditorText().split(u'\n');
    EXPECT_TRUE(forward.contains(u"転送する本文"_s));
    EXPECT_FALSE(forward.contains(u"> 転送する本文"_s));
    EXPECT_EQ(forward.at(2), u"----- Original Message ------------------------------------"_s);

    // Another type puts no text in, only the block.
    doc->SetType(static_cast<CMailDoc::Type>(5));
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    EXPECT_FALSE(EditorText().contains(u"転送する本文"_s));
    EXPECT_EQ(EditorText().split(u'\n').at(2), u"----- Original Message ------------------------------------"_s);
}

TEST_F(BodyPageTest, AnAttachmentOfTheDocumentThatCannotBeReadIsNamed)
{
    ASSERT_EQ(mkfifo((files / "pipe").c_str(), 0600), 0);
    doc->SetFiles({{File("a.txt"), "a.txt"}, {CPath::FromNative((files / "pipe").string()), "pipe"}});
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    EXPECT_EQ(body->GetFileList()->GetItemCount(), 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.Str().find((files / "pipe").string()), std::string::npos);
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "添付ファイル");
}

TEST_F(BodyPageTest, ListHeightFollowsTheFilesAndTheOffsetsStay)
{
    body->resize(body->width(), Scaled(700));
    QCoreApplication::processEvents();
    CFileListCtrl* list = body->GetFileList();
    const int heights[] = {21, 21, 38, 55, 72, 89, 89};
    for (int n = 0; n <= 6; ++n) {
        if (n > 0) {
            ASSERT_EQ(list->AddFile(File("添付" + std::to_string(n) + ".txt")), 1);
        }
        QTest::qWait(1);
        QCoreApplication::processEvents();
        EXPECT_EQ(list->height(), Scaled(heights[n])) << n;
        // The rows 12 and the editor 32 pixels below the list, the editor's bottom 53 and the
        // format buttons 32 above the bottom.
        const QRect files = Placed(list);
        EXPECT_EQ(Placed(GetDlgItem(body, 1142)).top(), files.bottom() + 1 + Scaled(12)) << n;
        EXPECT_EQ(Placed(GetDlgItem(body, 1038)).top(), files.bottom() + 1 + Scaled(12)) << n;
        EXPECT_EQ(Placed(Button(1034)).top(), files.bottom() + 1 + Scaled(12)) << n;
        EXPECT_EQ(Placed(Button(1107)).top(), files.bottom() + 1 + Scaled(12)) << n;
        EXPECT_EQ(Placed(body->GetEditor()).top(), files.bottom() + 1 + Scaled(32)) << n;
        EXPECT_EQ(Placed(body->GetEditor()).bottom() + 1, body->height() - Scaled(53)) << n;
        EXPECT_EQ(Placed(Button(1138)).top(), body->height() - Scaled(32)) << n;
        EXPECT_EQ(Placed(Button(1137)).top(), body->height() - Scaled(32)) << n;
        EXPECT_EQ(list->verticalScrollBar()->isVisible(), n > 5) << n << " viewport " << list->viewport()->height() << " row " << list->visualItemRect(list->topLevelItem(0)).height() << " max " << list->verticalScrollBar()->maximum();
    }
    // Taller: the editor grows, the offsets stay.
    body->resize(body->width(), Scaled(800));
    QCoreApplication::processEvents();
    EXPECT_EQ(Placed(body->GetEditor()).bottom() + 1, body->height() - Scaled(53));
    EXPECT_EQ(Placed(Button(1138)).top(), body->height() - Scaled(32));
    EXPECT_LT(Placed(Button(1137)).right(), Placed(body->GetCancelButton()).left());
    ExpectLaidOut(body);
    EXPECT_TRUE(SaveScreenshot(body, u"six_attachments_"_s + Dpi()));

    // Removing all: one row's room again, and the total is zero.
    Button(1025)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->height(), Scaled(21));
    EXPECT_EQ(body->GetTotalText(), u"0バイト"_s);
}

TEST_F(BodyPageTest, DropsOnThePageAndTheEditorAttachFilesFoldersAddNothing)
{
    QWidget* editor = body->GetEditor()->viewport();
    const CPath a = File("見積書.pdf", 3000);
    fs::create_directories(files / u8"フォルダ");
    ASSERT_EQ(mkfifo((files / "pipe").c_str(), 0600), 0);

    // A folder dropped on the page adds nothing and says nothing.
    EXPECT_TRUE(Drop(body, {QString::fromStdString((files / u8"フォルダ").string())}));
    QCoreApplication::processEvents();
    EXPECT_EQ(body->GetFileList()->GetItemCount(), 0);
    EXPECT_TRUE(boxes.boxes.empty());

    // A file dropped on the editor is attached; the editor's text stays as it was.
    body->GetEditor()->setPlainText(u"本文"_s);
    EXPECT_TRUE(Drop(editor, {Native(a)}));
    ASSERT_EQ(body->GetFileList()->GetItemCount(), 1);
    EXPECT_EQ(body->GetFileList()->GetDispName(0).Str(), "見積書.pdf");
    EXPECT_EQ(EditorText(), u"本文"_s);
    EXPECT_EQ(body->GetTotalText(), ToQString(CFileUtility::SizeAutoUnit(CBase64::CalcEnecodedSize(3000))));

    // A file that cannot be read is refused with its name, the readable ones beside it kept.
    const CPath b = File("明細.csv", 10);
    EXPECT_TRUE(Drop(body, {QString::fromStdString((files / "pipe").string()), Native(b),
                            QString::fromStdString((files / "gone.txt").string())}));
    QCoreApplication::processEvents();
    ASSERT_EQ(body->GetFileList()->GetItemCount(), 2);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.Str(), "次のファイルは読み込めないため、添付できませんでした。\n" +
                                             (files / "pipe").string() + "\n" + (files / "gone.txt").string());

    // Text that is no file is not taken by the page.
    QMimeData text;
    text.setText(u"ただの文字"_s);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(body, &enter);
    EXPECT_FALSE(enter.isAccepted());

    // Stored as the list holds them.
    EXPECT_EQ(body->StoreToDocument(), 1);
    CMailDoc::FileList stored;
    doc->GetFiles(stored);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].path, a);
    EXPECT_EQ(stored[1].path, b);
}

TEST_F(BodyPageTest, TotalAfterEachChangeAndOnEvery101stIdlePass)
{
    CFileListCtrl* list = body->GetFileList();
    EXPECT_EQ(body->GetTotalText(), u"0バイト"_s);
    const CPath a = File("a.bin", 2000);
    ASSERT_EQ(list->AddFile(a), 1);
    EXPECT_EQ(body->GetTotalText(), ToQString(CFileUtility::SizeAutoUnit(CBase64::CalcEnecodedSize(2000))));

    // The file grows on disk: the idle pass notices within 101 passes, then every 101st.
    auto grow = [&](std::size_t size) { std::ofstream(files / "a.bin", std::ios::binary) << std::string(size, 'y'); };
    grow(500000);
    const QString grown = ToQString(CFileUtility::SizeAutoUnit(CBase64::CalcEnecodedSize(500000)));
    int passes = 0;
    while (body->GetTotalText() != grown && passes < 200) {
        body->OnIdle();
        ++passes;
    }
    EXPECT_LE(passes, 101);
    grow(4000000);
    const QString bigger = ToQString(CFileUtility::SizeAutoUnit(CBase64::CalcEnecodedSize(4000000)));
    for (int i = 1; i < BodyRules::CIdlePacer::kPasses; ++i) {
        body->OnIdle();
        ASSERT_EQ(body->GetTotalText(), grown) << i;
    }
    body->OnIdle();
    EXPECT_EQ(body->GetTotalText(), bigger);
}

TEST_F(BodyPageTest, IdleEnablesThePhraseButtonsAndRemoveAll)
{
    body->OnIdle();
    EXPECT_FALSE(Button(1034)->isEnabled());
    EXPECT_FALSE(Button(1023)->isEnabled());
    EXPECT_FALSE(Button(1025)->isEnabled());
    EXPECT_TRUE(Button(1033)->isEnabled());
    body->GetPhraseCombo()->addItem(u"挨拶"_s, 1);
    body->GetPhraseCombo()->setCurrentIndex(0);
    ASSERT_EQ(body->GetFileList()->AddFile(File("a.txt")), 1);
    body->OnIdle();
    EXPECT_TRUE(Button(1034)->isEnabled());
    EXPECT_TRUE(Button(1023)->isEnabled());
    EXPECT_TRUE(Button(1025)->isEnabled());
}

TEST_F(BodyPageTest, FixedPhrasesAddInsertChangeAndDelete)
{
    // The RTF a phrase dialog would give: a red word.
    CEditLetter source;
    source.Init(0);
    source.setPlainText(u"よろしくお願いいたします。"_s);
    QTextCursor red(source.document());
    red.setPosition(0);
    red.setPosition(4, QTextCursor::KeepAnchor);
    source.setTextCursor(red);
    source.SetSelectionToRed();
    CString rtf;
    source.GetRtf(rtf);

    struct Call {
        CString title;
        CString rtf;
        int existing;
    };
    std::vector<Call> calls;
    int answerOperation = 0;
    CString answerTitle;
    CString answerRtf;
    body->runPhraseDialog = [&](const CString& title, const CString& text, int existing, int& operation,
                                CString& newTitle, CString& newRtf) {
        calls.push_back({title, text, existing});
        operation = answerOperation;
        newTitle = answerTitle;
        newRtf = answerRtf;
        return 1;
    };

    // New: nothing chosen, the dialog opens empty; the combo gets the title and chooses it.
    answerOperation = 0;
    answerTitle = "結びの挨拶";
    answerRtf = rtf;
    Button(1033)->click();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].existing, 0);
    EXPECT_TRUE(calls[0].title.IsEmpty());
    CStandardCombo* combo = body->GetPhraseCombo();
    ASSERT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->itemText(0), u"結びの挨拶"_s);
    EXPECT_EQ(combo->currentIndex(), 0);
    const fs::path stored = home.DataFolder() / "Template" / "tpl1";
    EXPECT_TRUE(fs::exists(stored));

    // Insert at the caret, with its formats.
    body->GetEditor()->setPlainText(u"前文\n"_s);
    body->GetEditor()->moveCursor(QTextCursor::End);
    body->OnIdle();  // as before any click: the insert button follows the choice
    Button(1034)->click();
    // A phrase is whole paragraphs: it comes with its paragraph end.
    EXPECT_EQ(EditorText(), u"前文\nよろしくお願いいたします。\n"_s);
    QTextCursor check(body->GetEditor()->document());
    check.setPosition(4);
    EXPECT_TRUE(CLetterFormat::IsPureRed(check.charFormat()));
    EXPECT_EQ(body->focusWidget(), body->GetEditor());

    // A second phrase, then a change of the first: its title and RTF go into the dialog,
    // and the entry stays in its place.
    answerTitle = "二つ目";
    answerRtf = "{\\rtf1 changed}";
    combo->setCurrentIndex(-1);
    Button(1033)->click();
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentIndex(), 1);
    combo->setCurrentIndex(0);
    answerOperation = 1;
    answerTitle = "結び";
    Button(1033)->click();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].existing, 1);
    EXPECT_EQ(calls[2].title.Str(), "結びの挨拶");
    EXPECT_NE(calls[2].rtf.Find("\\rtf"), -1);
    EXPECT_EQ(combo->itemText(0), u"結び"_s);
    EXPECT_EQ(combo->itemText(1), u"二つ目"_s);
    EXPECT_EQ(combo->currentIndex(), 0);
    CTemplateFile store(CPath::FromNative((home.DataFolder() / "Template").string()));
    CString title, text;
    ASSERT_TRUE(store.Read(1, title, text));
    EXPECT_EQ(title.Str(), "結び");
    EXPECT_EQ(text.Str(), "{\\rtf1 changed}\r\n");

    // Clear: no choice, the editor has the focus.
    Button(1023)->click();
    EXPECT_EQ(combo->currentIndex(), -1);
    Button(1034)->click();  // nothing chosen: nothing inserted
    EXPECT_EQ(EditorText(), u"前文\nよろしくお願いいたします。\n"_s);

    // Delete: the entry goes, nothing chosen, the file gone.
    combo->setCurrentIndex(1);
    answerOperation = 2;
    Button(1033)->click();
    EXPECT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_FALSE(fs::exists(home.DataFolder() / "Template" / "tpl2"));

    // A phrase whose file went away is said so.
    combo->setCurrentIndex(0);
    body->OnIdle();
    fs::remove(stored);
    Button(1034)->click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.Str(), "定型文を読み込めませんでした。");

    // The phrases come back with the next start.
    DestroyWizard();
    ASSERT_TRUE(MakeWizard());
    auto* again = dynamic_cast<CBodyPage*>(wizard->GetPage("Body"));
    EXPECT_EQ(again->GetPhraseCombo()->count(), 0);  // tpl1 removed above, tpl2 deleted
}

TEST_F(BodyPageTest, ThePhraseDialogItselfThroughTheButton)
{
    body->GetEditor()->setPlainText(u"x"_s);
    OnNextModal<CBodyPhraseDlg>([](CBodyPhraseDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"定型文"_s);
        EXPECT_EQ(dialog->GetTemplateId(), 102u);
        EXPECT_TRUE(dialog->GetOperationButton(0)->isChecked());
        EXPECT_FALSE(dialog->GetOperationButton(1)->isEnabled());
        dialog->GetTitleEdit()->setText(u"お礼"_s);
        dialog->Editor().setPlainText(u"ありがとうございました。"_s);
        dialog->accept();
    });
    Button(1033)->click();
    ASSERT_EQ(body->GetPhraseCombo()->count(), 1);
    EXPECT_EQ(body->GetPhraseCombo()->itemText(0), u"お礼"_s);
    body->GetEditor()->moveCursor(QTextCursor::End);
    body->OnIdle();
    Button(1034)->click();
    EXPECT_EQ(EditorText(), u"xありがとうございました。\n"_s);
}

TEST_F(BodyPageTest, IndentAndFormatButtonsActOnTheEditor)
{
    body->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(body));
    CEditLetter* editor = body->GetEditor();
    editor->setPlainText(u"字下げの段落です。"_s);
    editor->selectAll();
    editor->SelToNewSentence();
    Button(1107)->click();
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(StartIndent(0), 240);
    Button(1106)->click();
    EXPECT_EQ(StartIndent(0), 0);
    Button(1108)->click();
    EXPECT_EQ(RightIndent(0), kNewIndent + 240);
    Button(1109)->click();
    Button(1109)->click();
    EXPECT_EQ(RightIndent(0), kNewIndent - 240);

    QTextCursor word(editor->document());
    word.setPosition(0);
    word.setPosition(3, QTextCursor::KeepAnchor);
    editor->setTextCursor(word);
    Button(1137)->click();
    QTextCursor at(editor->document());
    at.setPosition(2);
    EXPECT_TRUE(CLetterFormat::IsUnderlined(at.charFormat()));
    editor->setTextCursor(word);
    Button(1138)->click();
    EXPECT_FALSE(CLetterFormat::IsUnderlined(at.charFormat()));
    EXPECT_TRUE(editor->document()->isModified());
}

TEST_F(BodyPageTest, DoubleClickOpensThroughTheDesktopAndResetEmptiesThePage)
{
    CFileListCtrl* list = body->GetFileList();
    ASSERT_EQ(list->AddFile(File("run.sh")), 1);
    QCoreApplication::processEvents();
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(u"file"_s, &recorder, "Open");
    const QPoint item = list->visualItemRect(list->topLevelItem(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item);
    QDesktopServices::unsetUrlHandler(u"file"_s);
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls[0], QUrl::fromLocalFile(QString::fromStdString((files / "run.sh").string())));

    body->GetEditor()->setPlainText(u"書きかけ"_s);
    body->ResetPage();
    EXPECT_TRUE(EditorText().isEmpty());
    EXPECT_FALSE(body->GetEditor()->document()->isModified());
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->GetModify(), 0);
    EXPECT_EQ(body->GetTotalText(), u"0バイト"_s);
    EXPECT_EQ(RightIndent(0), kNewIndent);
}

TEST_F(BodyPageTest, RenderedEmptyWithAttachmentsAndWithAReply)
{
    body->resize(body->width(), Scaled(640));
    ExpectLaidOut(body);
    EXPECT_TRUE(SaveScreenshot(body, u"empty_"_s + Dpi()));

    doc->SetType(CMailDoc::ReplyMail);
    doc->SetSubject("Re: 来週の打ち合わせについて");
    doc->SetOriginalSummary("From:    佐藤 花子 <hanako@example.jp>\r\nTo:      taro@example.jp\r\n"
                            "Subject: 来週の打ち合わせについて\r\nDate:    Mon, 1 Jul 2024 10:00:00 +0900\r\n");
    doc->SetBody("山田様\r\n\r\n来週の打ち合わせですが、火曜日の午後でいかがでしょうか。\r\n資料は前日までにお送りします。\r\n\r\n佐藤");
    doc->SetFiles({{File("資料.pdf", 120000), "資料.pdf"}, {File("議事録.docx", 30000), "議事録.docx"}});
    ASSERT_EQ(body->ReloadFromDocument(), 1);
    QCoreApplication::processEvents();
    ExpectLaidOut(body);
    EXPECT_EQ(body->GetFileList()->height(), Scaled(38));
    EXPECT_TRUE(SaveScreenshot(body, u"reply_"_s + Dpi()));
}

#include "test_body_page.moc"
