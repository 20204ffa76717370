// Verifies mail dropped and pasted in the running wizard, offscreen: drops in each format with
// the bytes Thunderbird offers on Linux, popup menu 182 and its commands, a dismissed popup
// leaving the mail pending for Ctrl+R, drops on the Body page's editor and on the floating
// window, the clipboard path, drag-over never asking for the data, and bad data.
#include "WizardTestKit.h"

#include "Keys.h"
#include "Screenshot.h"
#include "../import/ThunderbirdFixture.h"

#include "command/CMailMimeData.h"
#include "import/CMailImport.h"
#include "import/MailImportTexts.h"
#include "pages/CBodyPage.h"
#include "shell/CFloatingDropWnd.h"
#include "letter/CEditLetter.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <random>

using namespace Qt::StringLiterals;
using namespace MailImportTexts;
namespace fs = std::filesystem;

namespace {

// Offered data that counts every request for its bytes.
class CountingMimeData : public QMimeData {
public:
    mutable int asked = 0;

protected:
    QVariant retrieveData(const QString& type, QMetaType meta) const override
    {
        ++asked;
        return QMimeData::retrieveData(type, meta);
    }
};

QString DpiName()
{
    return qEnvironmentVariableIsSet("QT_FONT_DPI") ? qEnvironmentVariable("QT_FONT_DPI") : u"96"_s;
}

// Runs `action` on the next popup menu once it is shown (and records its item texts).
void OnNextPopup(std::function<void(QMenu*)> action, QStringList* texts = nullptr)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [action, tries, poll, texts] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()); menu != nullptr && menu->isVisible()) {
            if (texts != nullptr) {
                for (QAction* item : menu->actions()) texts->append(item->isSeparator() ? u"-"_s : item->text());
                EXPECT_TRUE(SaveScreenshot(menu, u"popup_%1dpi"_s.arg(DpiName())));
            }
            action(menu);
            *poll = nullptr;
            return;
        }
        if (++*tries > 500) {
            ADD_FAILURE() << "no popup menu appeared";
            *poll = nullptr;
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

void Choose(Qt::Key key, QStringList* texts = nullptr)
{
    OnNextPopup([key](QMenu* menu) { QTest::keyClick(menu, key); }, texts);
}

// A drag entering `target` and dropped there; whether the drop was taken.
bool Drop(QWidget* target, QMimeData* data, bool* entered = nullptr)
{
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (entered != nullptr) *entered = enter.isAccepted();
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

class MailDropTest : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        savedHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(home.Root().string()));
        profile.root = home.Root() / ".thunderbird";
        profile.Make();
        ASSERT_TRUE(MakeWizard());
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        QGuiApplication::clipboard()->clear();
        WizardTest::TearDown();
        qputenv("HOME", savedHome);
    }
    std::string Subject() const
    {
        CString subject;
        doc->GetSubject(subject);
        return subject.Str();
    }
    QUrl EmlFile(const std::string& nameUtf8, const std::string& bytes)
    {
        const fs::path path = home.Root() / "dnd_file-1" / nameUtf8;
        tb::WriteFile(path, bytes);
        return QUrl::fromLocalFile(QString::fromStdString(path.string()));
    }
    CMailImport* Import() const { return wizard->GetMailImport(); }

    QByteArray savedHome;
    tb::Profile profile;
};

}  // namespace

TEST_F(MailDropTest, WholeMessageWinsAndTheReplyIsBuilt)
{
    CountingMimeData data;
    data.setData(CMailMimeData::kInternetMessage,
                 "From: Alice <alice@example.com>\r\nTo: bob@example.com\r\nSubject: hello\r\nMIME-Version: 1.0\r\n\r\nhi\r\n");
    data.setData(CMailMimeData::kMozMessage, QByteArray(reinterpret_cast<const char*>(u"mailbox-message://x@y/Inbox#2"), 58));
    QStringList texts;
    Choose(Qt::Key_R, &texts);
    bool entered = false;
    EXPECT_TRUE(Drop(Page(0), &data, &entered));
    EXPECT_TRUE(entered);
    EXPECT_EQ(texts, (QStringList{u"返信(&R)"_s, u"転送(&F)"_s, u"参照作成(&S)"_s, u"-"_s, u"添付(&A)"_s}));
    EXPECT_EQ(Subject(), "Re: hello");
    EXPECT_EQ(doc->GetType(), CMailDoc::ReplyMail);
    ASSERT_EQ(doc->GetToAddressSize(), 1u);
    EXPECT_EQ(doc->GetToAddress(0)->GetMailAddress().Str(), "alice@example.com");
    EXPECT_EQ(Page(0)->GetSubjectEdit()->text(), u"Re: hello"_s);
    EXPECT_TRUE(static_cast<CBodyPage*>(Page(0))->GetEditor()->toPlainText().contains(u"hi"_s));
    EXPECT_FALSE(Import()->Pending().IsPending());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MailDropTest, ThunderbirdSingleMessageDragReadsTheFileAtOnce)
{
    // What Thunderbird offers for one message: text/plain (UTF-8 reference), the custom clip
    // container and a text/uri-list naming its temporary .eml file (CR LF, percent-encoded).
    const std::string reference = "mailbox-message://nobody@Local%20Folders/Inbox#2";
    QByteArray clip;
    auto be32 = [&clip](quint32 v) {
        for (int shift = 24; shift >= 0; shift -= 8) clip.append(static_cast<char>(v >> shift));
    };
    auto utf16 = [](const std::string& ascii) {
        QByteArray out;
        for (char c : ascii) out.append(c).append('\0');
        return out;
    };
    be32(1);
    be32(36);
    clip += utf16("text/x-moz-message");
    be32(static_cast<quint32>(reference.size() * 2));
    clip += utf16(reference);
    be32(0);
    const QUrl file = EmlFile(tb::Utf8(u8"Re_ 会議.eml"), "Subject: from the file\nMIME-Version: 1.0\n\nfile body\n");
    CountingMimeData data;
    data.setData(u"text/plain"_s, QByteArray::fromStdString(reference));
    data.setData(CMailMimeData::kMozCustomClipData, clip);
    data.setData(u"text/uri-list"_s, file.toEncoded() + "\r\n");
    ASSERT_TRUE(data.urls().first().isLocalFile());

    // Dismissed: nothing changes, the file's mail stays pending even after the file is gone.
    Choose(Qt::Key_Escape);
    EXPECT_TRUE(Drop(Page(0), &data));
    EXPECT_TRUE(Import()->Pending().IsPending());
    EXPECT_EQ(Subject(), "");
    fs::remove_all(home.Root() / "dnd_file-1");
    PressKey(Page(0), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Subject(), "Re: from the file");
    EXPECT_FALSE(Import()->Pending().IsPending());

    // The file gone: the reference is read from the mailbox through the index.
    boxes.Clear();
    boxes.Answer(IDYES);
    Choose(Qt::Key_S);
    EXPECT_TRUE(Drop(Page(0), &data));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kDiscardQuestion});
    EXPECT_EQ(Subject(), "second");
    EXPECT_EQ(doc->GetType(), CMailDoc::NewMail);
}

TEST_F(MailDropTest, SeveralFilesOnTheEditorAndTheFloatingWindow)
{
    QMimeData data;
    data.setData(u"text/uri-list"_s, EmlFile(tb::Utf8(u8"一通目.eml"), "Subject: one\nMIME-Version: 1.0\n\n1\n").toEncoded() +
                                         "\r\n" + EmlFile("two.eml", "Subject: two\nMIME-Version: 1.0\n\n2\n").toEncoded() + "\r\n");
    // On the Body page's editor: the page takes it; attach takes both.
    auto* body = static_cast<CBodyPage*>(Page(0));
    Choose(Qt::Key_A);
    bool entered = false;
    Drop(body->GetEditor()->viewport(), &data, &entered);
    EXPECT_TRUE(entered);
    CMailDoc::FileList files;
    doc->GetFiles(files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].title.Str(), "one");
    EXPECT_EQ(files[1].title.Str(), "two");

    // On the floating window: reply uses the first and says so; the page comes back.
    auto* floating = static_cast<CFloatingDropWnd*>(nullptr);
    Page(0)->OnCommand(CWizardPage::ID_FLOATING);
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<CFloatingDropWnd*>(widget); window != nullptr && window->isVisible()) floating = window;
    ASSERT_NE(floating, nullptr);
    EXPECT_FALSE(Page(0)->isVisible());
    boxes.Answer({IDYES, IDOK});
    Choose(Qt::Key_R);
    EXPECT_TRUE(Drop(floating, &data));
    EXPECT_EQ(Subject(), "Re: one");
    std::string note(kFirstOfSeveral);
    note.replace(note.find("%d"), 2, "2");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kDiscardQuestion, note}));
    EXPECT_TRUE(Page(0)->isVisible());
    EXPECT_FALSE(floating->isVisible());
}

TEST_F(MailDropTest, DragOverNeverAsksForTheData)
{
    CountingMimeData data;
    data.setData(CMailMimeData::kMozCustomClipData, "x");
    data.setData(u"text/uri-list"_s, "file:///tmp/dnd_file-9/a.eml\r\n");
    data.asked = 0;
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Page(1), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Page(1), &move);
    EXPECT_EQ(data.asked, 0);

    QMimeData text;
    text.setText(u"just words"_s);
    QDragEnterEvent words(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Page(1), &words);
    EXPECT_FALSE(words.isAccepted());
}

TEST_F(MailDropTest, ClipboardPathAndAMailThatCannotBeRead)
{
    // Nothing anywhere: the commands are grey and say so when run anyway.
    EXPECT_EQ(Page(0)->UpadateEditPasteInternetMessage(), 0);
    // A file manager's copied .eml file.
    auto* copied = new QMimeData;
    copied->setUrls({EmlFile("copied.eml", "From: a@example.com\nTo: b@example.com\nSubject: Fw: copied\nMIME-Version: 1.0\n\nc\n")});
    QGuiApplication::clipboard()->setMimeData(copied);
    EXPECT_EQ(Page(0)->IsMailOnClipboard(), 1);
    EXPECT_EQ(Page(0)->UpadateEditPasteInternetMessage(), 1);
    PressKey(Page(0), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Subject(), "Fw: copied");
    EXPECT_EQ(doc->GetToAddressSize(), 0u);
    EXPECT_FALSE(Import()->Pending().IsPending());

    // A reference the mailbox does not hold: a message, and the mail being written stays.
    TypeSubject(u"typed"_s);
    auto* reference = new QMimeData;
    reference->setText(QString::fromStdString(tb::Reference("Gone", 1)));
    QGuiApplication::clipboard()->setMimeData(reference);
    EXPECT_EQ(Page(0)->IsMailOnClipboard(), 1);
    boxes.Clear();
    PressKey(Page(0), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{std::string(kNotFound) + "\r\n" + kAgainHint}));
    EXPECT_EQ(Page(0)->GetSubjectEdit()->text(), u"typed"_s);
    EXPECT_EQ(Subject(), "Fw: copied");
    EXPECT_EQ(doc->GetType(), CMailDoc::ForwardMail);

    // A server message.
    reference = new QMimeData;
    reference->setText(u"imap-message://bob@imap.example.com/INBOX#12"_s);
    QGuiApplication::clipboard()->setMimeData(reference);
    boxes.Clear();
    PressKey(Page(0), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{std::string(kServerMessage) + "\r\n" + kAgainHint}));
    EXPECT_EQ(Page(0)->GetSubjectEdit()->text(), u"typed"_s);
    EXPECT_EQ(Subject(), "Fw: copied");
}

TEST_F(MailDropTest, RandomBytesInEveryFormatNeverCrash)
{
    std::mt19937 random(23);
    const QString formats[] = {CMailMimeData::kInternetMessage, CMailMimeData::kMozMessage, CMailMimeData::kRfc822,
                               CMailMimeData::kMozCustomClipData, u"text/plain"_s, u"text/uri-list"_s};
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(static_cast<int>(random() % 200), '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        for (const QString& format : formats) {
            QMimeData data;
            data.setData(format, bytes);
            if (Import()->TakeDrop(&data, Page(0)) == CMailSource::Taken) Page(0)->OnCommand(ID_EDIT_PASTE_ATTACH);
        }
    }
    // Nothing was written outside the document's temporary folder.
    CPath temp;
    doc->GetTempPathA(temp);
    CMailDoc::FileList files;
    doc->GetFiles(files);
    for (const CMailDoc::FileInfo& file : files)
        EXPECT_EQ(fs::path(file.path.Native()).parent_path().string(), temp.Native());
}
