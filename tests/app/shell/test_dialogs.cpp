// Verifies the shell's dialogs and tool windows offscreen: About (100), the mail reader
// (172) with its default question and QProcess start, the send error dialog (156), the help
// command, the floating drop window (187) and the work window (175), the preview (165), and
// renders every page and dialog (build/screenshots/<IDD>_<name>_<dpi>.png) with its controls
// inside the window. Run once at 96 DPI and once with QT_FONT_DPI=144.
#include "WizardTestKit.h"

#include "Keys.h"
#include "Modal.h"
#include "LayoutCheck.h"
#include "Screenshot.h"

#include "pages/CAddressPage.h"
#include "pages/CBodyPage.h"
#include "pages/CPreviewDlg.h"
#include "shell/CAboutDlg.h"
#include "shell/CFloatingDropWnd.h"
#include "shell/CMailReaderDlg.h"
#include "shell/CPageOrderDlg.h"
#include "shell/CSendErrorDlg.h"
#include "letter/CEditLetterDlg.h"

#include <QLabel>
#include <QMenu>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace Qt::StringLiterals;

TEST_F(WizardTest, AboutBoxTexts)
{
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.windowTitle(), u"Velto Quillonのパージョン情報"_s);
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&about, CAboutDlg::IDC_PRODUCT))->text(), u"Velto Quillon"_s);
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&about, CAboutDlg::IDC_PRODUCT_VERSION))->text(), u"2.1"_s);
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&about, CAboutDlg::IDC_FILE_VERSION))->text(), u"2.1"_s);
    ExpectLaidOut(&about);
    EXPECT_TRUE(SaveScreenshot(&about, u"about_"_s + Dpi()));
}

TEST_F(WizardTest, MailReaderDefaultStoreAndStart)
{
    CMailReaderDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), u"メール受信ソフトを開く"_s);
    EXPECT_EQ(dialog.GetPath(), u"/usr/bin/thunderbird"_s);
    for (int id : {int(CMailReaderDlg::IDC_PATH), int(CMailReaderDlg::IDC_BROWSE), int(CMailReaderDlg::IDC_DEFAULT), int(IDOK), int(IDCANCEL)})
        EXPECT_NE(GetDlgItem(&dialog, id), nullptr) << id;
    ExpectLaidOut(&dialog);
    EXPECT_TRUE(SaveScreenshot(&dialog, u"mail_reader_"_s + Dpi()));

    dialog.SetPath(u"/opt/other"_s);
    boxes.Answer(IDNO);
    dialog.OnDefault();
    EXPECT_EQ(dialog.GetPath(), u"/opt/other"_s);
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"メール受信ソフトの場所を初期値にしてもよろしいですか？"}));
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "確認");
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    boxes.Answer(IDYES);
    dialog.OnDefault();
    EXPECT_EQ(dialog.GetPath(), u"/usr/bin/thunderbird"_s);

    // "開く": stored, and a program that is not there is said so.
    boxes.Clear();
    dialog.SetPath(u"/nonexistent/reader; rm -rf ~"_s);
    dialog.accept();
    EXPECT_EQ(CProfile::Get().GetMailReaderPath(), u"/nonexistent/reader; rm -rf ~"_s);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.Str(), "メール受信ソフトを起動できませんでした。\n/nonexistent/reader; rm -rf ~");

    // A real program starts with no box; no shell sees the path.
    boxes.Clear();
    const std::string marker = (home.Root() / "started").string();
    const std::string script = (home.Root() / "reader with space.sh").string();
    {
        std::ofstream out(script);
        out << "#!/bin/sh\ntouch '" << marker << "'\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    EXPECT_EQ(CMailReaderDlg::StartMailReader(QString::fromStdString(script), nullptr), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i)
        QTest::qWait(20);
    EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST_F(WizardTest, SendErrorDialogShowsMessageAndDetail)
{
    CSendErrorDlg dialog("送信に失敗しました。", "550 5.7.1 rejected\r\nsecond line", nullptr);
    EXPECT_EQ(dialog.windowTitle(), u"エラー"_s);
    auto* message = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CSendErrorDlg::IDC_MESSAGE));
    auto* detail = qobject_cast<QPlainTextEdit*>(GetDlgItem(&dialog, CSendErrorDlg::IDC_DETAIL));
    ASSERT_NE(message, nullptr);
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(message->isReadOnly());
    EXPECT_TRUE(detail->isReadOnly());
    EXPECT_EQ(message->text(), u"送信に失敗しました。"_s);
    EXPECT_TRUE(detail->toPlainText().startsWith(u"550 5.7.1 rejected"_s));
    auto* reader = qobject_cast<QPushButton*>(GetDlgItem(&dialog, CSendErrorDlg::IDC_OPEN_MAIL_READER));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->text(), u"メール受信ソフトを開く(&E)"_s);
    ExpectLaidOut(&dialog);
    EXPECT_TRUE(SaveScreenshot(&dialog, u"send_error_"_s + Dpi()));
    // The mail reader button starts the stored program (here one that is missing) and closes.
    CProfile::Get().SetMailReaderPath(u"/nonexistent/reader"_s);
    reader->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(WizardTest, HelpSaysWhenNoPageIsInstalled)
{
    ASSERT_TRUE(MakeWizard());
    PressKey(Page(0)->GetSubjectEdit(), Qt::Key_F1);
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"ヘルプはインストールされていません。"}));
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "ヘルプ");
}

TEST_F(WizardTest, FloatingWindowStandsInForThePage)
{
    ASSERT_TRUE(MakeWizard());
    CWizardPage* page = Page(0);
    page->move(50, 40);
    QCoreApplication::processEvents();
    // Minimising the page shows the floating window instead.
    page->setWindowState(Qt::WindowMinimized);
    QTest::qWait(20);
    auto* tools = static_cast<CShellToolWindows*>(theDataStore.GetToolWindows());
    CFloatingDropWnd* floating = tools->GetFloating();
    ASSERT_NE(floating, nullptr);
    EXPECT_TRUE(floating->isVisible());
    EXPECT_FALSE(page->isVisible());
    EXPECT_FALSE(page->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(floating->frameGeometry().bottomRight(), page->frameGeometry().bottomRight());
    EXPECT_EQ(floating->toolTip(), u"ここにOutlook ExpressやThunderbirdのメールメッセージをドラッグしてください。"_s);
    auto* show = qobject_cast<QPushButton*>(GetDlgItem(floating, CFloatingDropWnd::IDC_SHOW));
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show->text(), u"表示"_s);
    ExpectLaidOut(floating);
    EXPECT_TRUE(SaveScreenshot(floating, u"floating_"_s + Dpi()));
    show->click();
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(floating->isVisible());
    EXPECT_EQ(floating->GetPage(), nullptr);

    // Ctrl+L, then a command key on the floating window: the page comes back and obeys it.
    PressKey(page->GetSubjectEdit(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(floating->isVisible());
    EXPECT_FALSE(page->isVisible());
    PressKey(floating, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FALSE(floating->isVisible());
    EXPECT_EQ(Current(), Page(1));
    EXPECT_TRUE(Page(1)->isVisible());
}

TEST_F(WizardTest, WorkWindowIsALetterEditorDialog)
{
    ASSERT_TRUE(MakeWizard());
    PressKey(Page(0)->GetSubjectEdit(), Qt::Key_W, Qt::ControlModifier);
    auto* tools = static_cast<CShellToolWindows*>(theDataStore.GetToolWindows());
    CEditLetterDlg* work = tools->GetWorkWindow();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->GetTemplateId(), 175u);
    EXPECT_EQ(work->windowTitle(), u"ワーク"_s);
    EXPECT_TRUE(work->isVisible());
    Command(ID_WORK_WINDOW);  // the same window again
    EXPECT_EQ(tools->GetWorkWindow(), work);
}

TEST_F(WizardTest, PreviewLinesAndItsSendButton)
{
    doc->SetSubject("ご案内");
    doc->AddToAddress(CAddress("", "花子", "hanako@example.com"));
    doc->AddToAddress(CAddress("", "", "jiro@example.com"));
    doc->AddBccAddress(CAddress("", "", "boss@example.com"));
    doc->SetFromAddress(CAddress("", "山田 太郎", "taro@example.com"));
    doc->SetBody("本文です。\r\n");
    const std::vector<CString> lines = PreviewRules::RecipientLines(*doc);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Str(), "宛先　：　花子 <hanako@example.com>");
    EXPECT_EQ(lines[1].Str(), "宛先　：　jiro@example.com");
    EXPECT_EQ(lines[2].Str(), "ＢＣＣ ：　boss@example.com");

    CPreviewDlg fromMenu(doc.get(), nullptr, 0);
    EXPECT_EQ(fromMenu.windowTitle(), u"プレビュー"_s);
    EXPECT_FALSE(fromMenu.GetSendButton()->isVisibleTo(&fromMenu));
    EXPECT_EQ(fromMenu.GetCloseButton()->text(), u"閉じる"_s);
    EXPECT_EQ(qobject_cast<QListWidget*>(GetDlgItem(&fromMenu, CPreviewDlg::IDC_RECIPIENTS))->count(), 3);
    EXPECT_EQ(qobject_cast<QLineEdit*>(GetDlgItem(&fromMenu, CPreviewDlg::IDC_SENDER))->text(),
              u"山田 太郎 <taro@example.com>"_s);
    ExpectLaidOut(&fromMenu);
    EXPECT_TRUE(SaveScreenshot(&fromMenu, u"preview_"_s + Dpi()));

    CPreviewDlg atSend(doc.get(), nullptr, 1);
    atSend.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(atSend.GetSendButton()->isVisible());
    EXPECT_EQ(atSend.GetSendButton()->text(), u"送信"_s);
    EXPECT_EQ(atSend.focusWidget(), atSend.GetSendButton());
    atSend.hide();
    OnNextModal<CPreviewDlg>([](CPreviewDlg* dialog) { dialog->GetCloseButton()->click(); });
    EXPECT_EQ(atSend.exec(), QDialog::Rejected);
}

TEST_F(WizardTest, EveryPageAndTheSmallDialogsRendered)
{
    AddAccount("taro@example.com");
    ASSERT_TRUE(MakeWizard());
    const char* names[] = {"body", "letter", "address"};
    for (int i = 0; i < 3; ++i) {
        CWizardPage* page = Page(i);
        page->show();
        ExpectLaidOut(page);
        EXPECT_TRUE(page->GetSubjectEdit()->isVisible());
        EXPECT_GE(page->GetSubjectEdit()->width(), page->width() / 2);
        EXPECT_TRUE(SaveScreenshot(page, QString::fromLatin1(names[i]) + u'_' + Dpi()));
        if (i != 0) page->hide();
    }
    CPageOrderDlg order({u"本文、添付ファイル"_s, u"件名、文面定型"_s, u"宛先"_s}, nullptr);
    ExpectLaidOut(&order);
    EXPECT_TRUE(SaveScreenshot(&order, u"page_order_"_s + Dpi()));
}
