// Verifies the preview (165) offscreen: the recipient lines in order, "送信" only from the send
// flow and then focused, the read-only attachment list and its total, the letter as
// GetBodyWithLetter assembles it with quoted lines marked, the right edges lined up, the
// characters ISO-2022-JP cannot carry marked with the note and the choice that sets the
// document's charset and stand-ins, the wizard's preview command and the send flow's
// question. Renders the preview (96 DPI, and 144 DPI in a second run).
#include "../shell/WizardTestKit.h"

#include "LayoutCheck.h"
#include "Modal.h"
#include "Screenshot.h"

#include "pages/CAddressPage.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CPreviewDlg.h"
#include "command/QtText.h"
#include "files/CFileListCtrl.h"
#include "letter/CEditLetter.h"
#include "encoding/CBase64.h"
#include "model/CFileUtility.h"

#include <QAbstractTextDocumentLayout>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <filesystem>
#include <fstream>

using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

class PreviewTest : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        doc->SetSubject("見積書送付のご案内");
        doc->AddToAddress(CAddress("", "花子", "hanako@example.com"));
        doc->AddToAddress(CAddress("", "", "jiro@example.com"));
        doc->AddBccAddress(CAddress("", "", "boss@example.com"));
        doc->SetFromAddress(CAddress("", "山田 太郎", "taro@example.com"));
        doc->SetDear("株式会社ベルト\r\n佐藤様");
        doc->SetBody("いつもお世話になっております。\r\n\r\n> 見積書をお願いします。\r\n> 以上\r\n");
        doc->SetSignature("山田");
    }
    // `name` in code page 932, as the narrow literals of this project are.
    CPath File(const std::string& name, std::size_t size)
    {
        const CPath path = CPath::FromNative(home.Root().string()) / CPath::FromText(CString(name));
        std::ofstream(path.Native(), std::ios::binary) << std::string(size, 'x');
        return path;
    }
    static QRect Placed(QWidget* widget, QWidget* window) { return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()); }
};

}  // namespace

TEST_F(PreviewTest, RecipientsLetterAttachmentsAndSender)
{
    doc->SetFiles({{File("見積書.pdf", 5000), "見積書.pdf"}, {File("mail.eml", 300), "Re: 会議"}});
    CPreviewDlg dialog(doc.get(), nullptr, 0);
    EXPECT_EQ(dialog.windowTitle(), u"プレビュー"_s);
    EXPECT_EQ(GetControlId(&dialog), 165);

    auto* subject = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CPreviewDlg::IDC_SUBJECT));
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->text(), u"見積書送付のご案内"_s);
    EXPECT_TRUE(subject->isReadOnly());

    // Two To, no Cc, one Bcc: three lines in that order.
    auto* recipients = qobject_cast<QListWidget*>(GetDlgItem(&dialog, CPreviewDlg::IDC_RECIPIENTS));
    ASSERT_EQ(recipients->count(), 3);
    EXPECT_EQ(recipients->item(0)->text(), u"宛先　：　花子 <hanako@example.com>"_s);
    EXPECT_EQ(recipients->item(1)->text(), u"宛先　：　jiro@example.com"_s);
    EXPECT_EQ(recipients->item(2)->text(), u"ＢＣＣ ：　boss@example.com"_s);

    CFileListCtrl* files = dialog.GetFileList();
    ASSERT_EQ(files->GetItemCount(), 2);
    EXPECT_EQ(files->GetDispName(1).Str(), "Re: 会議");
    EXPECT_EQ(files->GetReadOnly(), 1);
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&dialog, CPreviewDlg::IDC_TOTAL))->text(),
              ToQString(CFileUtility::SizeAutoUnit(CBase64::CalcEnecodedSize(5000) + CBase64::CalcEnecodedSize(300))));

    // The letter as it is sent, read-only, the quoted lines marked.
    CString letter;
    doc->GetBodyWithLetter(letter);
    QString expected = ToQString(letter);
    expected.replace(u"\r\n"_s, u"\n"_s);
    CEditLetter* view = dialog.GetLetter();
    EXPECT_EQ(view->toPlainText(), expected);
    EXPECT_TRUE(view->isReadOnly());
    EXPECT_FALSE(view->document()->isModified());
    int quotedLines = 0;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty()) continue;
        QTextCursor at(block);
        at.movePosition(QTextCursor::NextCharacter);
        const bool quoted = block.text().startsWith(u'>');
        quotedLines += quoted;
        EXPECT_EQ(at.charFormat().hasProperty(QTextFormat::ForegroundBrush), quoted) << block.text().toStdString();
    }
    EXPECT_EQ(quotedLines, 2);
    EXPECT_TRUE(dialog.GetLetterMarks().empty());
    EXPECT_FALSE(dialog.GetCharsetNote()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.GetCharsetChoice()->isVisibleTo(&dialog));

    auto* sender = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CPreviewDlg::IDC_SENDER));
    EXPECT_EQ(sender->text(), u"山田 太郎 <taro@example.com>"_s);
    EXPECT_TRUE(sender->isReadOnly());

    // The subject, the list and the sender end where the letter ends.
    dialog.show();
    QCoreApplication::processEvents();
    const int right = Placed(view, &dialog).right();
    EXPECT_EQ(Placed(subject, &dialog).right(), right);
    EXPECT_EQ(Placed(files, &dialog).right(), right);
    EXPECT_EQ(Placed(sender, &dialog).right(), right);
    ExpectLaidOut(&dialog);
    EXPECT_TRUE(SaveScreenshot(&dialog, u"preview_"_s + Dpi()));

    // Read-only means it: no file is taken by a drop or a double click on empty space.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((home.Root() / "mail.eml").string()))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(files->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(files->GetItemCount(), 2);
}

TEST_F(PreviewTest, SendButtonOnlyFromTheSendFlowAndFocused)
{
    CPreviewDlg fromMenu(doc.get(), nullptr, 0);
    EXPECT_FALSE(fromMenu.GetSendButton()->isVisibleTo(&fromMenu));
    EXPECT_EQ(fromMenu.GetCloseButton()->text(), u"閉じる"_s);
    // No attachments: an empty list and a zero total.
    EXPECT_EQ(fromMenu.GetFileList()->GetItemCount(), 0);
    EXPECT_EQ(qobject_cast<QLabel*>(GetDlgItem(&fromMenu, CPreviewDlg::IDC_TOTAL))->text(), u"0バイト"_s);

    CPreviewDlg atSend(doc.get(), nullptr, 1);
    atSend.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(atSend.GetSendButton()->isVisible());
    EXPECT_EQ(atSend.GetSendButton()->text(), u"送信"_s);
    EXPECT_EQ(atSend.focusWidget(), atSend.GetSendButton());
    atSend.hide();
    OnNextModal<CPreviewDlg>([](CPreviewDlg* dialog) { dialog->GetSendButton()->click(); });
    EXPECT_EQ(atSend.exec(), QDialog::Accepted);
    OnNextModal<CPreviewDlg>([](CPreviewDlg* dialog) { dialog->GetCloseButton()->click(); });
    EXPECT_EQ(atSend.exec(), QDialog::Rejected);
}

TEST_F(PreviewTest, CharactersThatDoNotFitAreMarkedAndTheChoiceIsTheDocuments)
{
    doc->SetBody("会議は①と②の順です。髙橋より\r\n");
    CPreviewDlg dialog(doc.get(), nullptr, 1);
    ASSERT_TRUE(dialog.GetCharsetNote()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.GetCharsetNote()->text().startsWith(u"ISO-2022-JP で送れない文字があります: 「①」本文、「②」本文、「髙」本文"_s))
        << dialog.GetCharsetNote()->text().toStdString();
    EXPECT_TRUE(dialog.GetCharsetNote()->text().contains(u"本文は UTF-8 で送信します"_s));
    QComboBox* choice = dialog.GetCharsetChoice();
    ASSERT_EQ(choice->count(), 4);
    EXPECT_EQ(choice->currentIndex(), 0);

    // The marks sit on the characters as the letter shows them.
    const QString text = dialog.GetLetter()->toPlainText();
    ASSERT_EQ(dialog.GetLetterMarks().size(), 3u);
    for (const PreviewRules::LetterMark& mark : dialog.GetLetterMarks())
        EXPECT_TRUE(QStringList({u"①"_s, u"②"_s, u"髙"_s}).contains(text.mid(mark.start, mark.length)));
    EXPECT_EQ(dialog.GetLetter()->extraSelections().size(), 3);
    ExpectLaidOut(&dialog);
    EXPECT_TRUE(SaveScreenshot(&dialog, u"preview_charset_"_s + Dpi()));

    // Choosing the symbol stand-ins: the document says so, the letter shows them.
    choice->setCurrentIndex(1);
    emit choice->activated(1);
    EXPECT_EQ(doc->GetReplaceMode(), CJisFallback::ReplaceSymbols);
    EXPECT_EQ(doc->GetCharset(), CMailDoc::CharsetAuto);
    EXPECT_TRUE(dialog.GetLetter()->toPlainText().contains(u"会議は(1)と(2)の順です。髙橋より"_s));
    EXPECT_TRUE(dialog.GetCharsetNote()->text().contains(u"置き換えて送ります: ① → (1)、② → (2)"_s));
    emit choice->activated(3);
    EXPECT_EQ(doc->GetCharset(), CMailDoc::CharsetIso2022Jp);
    EXPECT_EQ(doc->GetReplaceMode(), CJisFallback::ReplaceNone);

    // A second preview opens with the document's choice.
    CPreviewDlg again(doc.get(), nullptr, 0);
    EXPECT_EQ(again.GetCharsetChoice()->currentIndex(), 3);
}

TEST_F(PreviewTest, TheWizardsPreviewCommandOpensIt)
{
    auto real = CMailWizard::Create(doc.get(), main.get());
    ASSERT_TRUE(real);
    real->quit = [](int) {};
    main->SetWizard(real.get());
    real->Start();
    bool shown = false;
    OnNextModal<CPreviewDlg>([&](CPreviewDlg* dialog) {
        shown = true;
        EXPECT_FALSE(dialog->GetSendButton()->isVisibleTo(dialog));
        EXPECT_EQ(dialog->GetLetter()->toPlainText().left(7), u"株式会社ベルト"_s);
        dialog->GetCloseButton()->click();
    });
    real->GetCurrentPage()->OnCommand(ID_PREVIEW);
    EXPECT_TRUE(shown);
    main->SetWizard(nullptr);
}

TEST_F(PreviewTest, TheSendFlowSaysHowUnfitCharactersGoAndOpensThePreviewOnNo)
{
    AddAccount("taro@example.com", "127.0.0.1", 9);  // the discard port: nothing is sent here
    ASSERT_TRUE(MakeWizard());
    TypeSubject(u"①の件"_s);
    Command(ID_NEXT_PAGE);
    Command(ID_NEXT_PAGE);
    auto* address = dynamic_cast<CAddressPage*>(Current());
    ASSERT_NE(address, nullptr);
    address->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    emit address->GetPanel()->GetEntry(CAddressTarget::ToList)->textEdited(address->GetPanel()->GetEntry(CAddressTarget::ToList)->text());
    // Cancel: back on the page, nothing sent, no preview.
    boxes.Answer(IDCANCEL);
    Command(IDOK);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "送信");
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(boxes.boxes[0].text.Str().rfind("ISO-2022-JP で送れない文字があります: 「①」件名\n件名は UTF-8 で送信します", 0), 0u)
        << boxes.boxes[0].text.Str();
    EXPECT_TRUE(previews.empty());
    EXPECT_EQ(wizard->GetCurrentIndex(), 2);

    // No: the preview with "送信" opens to choose; closing it sends nothing.
    boxes.Clear();
    boxes.Answer(IDNO);
    previewAnswer = IDCANCEL;
    Command(IDOK);
    EXPECT_EQ(previews, std::vector<int>{1});
    EXPECT_EQ(wizard->GetCurrentIndex(), 2);

    // With the preview at send on, it alone tells: no question.
    boxes.Clear();
    previews.clear();
    Command(CWizardPage::ID_PREVIEW_AT_SEND);
    Command(IDOK);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(previews, std::vector<int>{1});
}

TEST_F(PreviewTest, ALongLetterOpensAtItsTopAndCanBeReadToItsEnd)
{
    std::string body;
    for (int i = 1; i <= 3000; ++i)
        body += (i % 7 == 0 ? "> 引用の行 " : "本文の行 ") + std::to_string(i) + "\r\n";
    body += "最後の行";
    doc->SetBody(CString(body));
    CPreviewDlg dialog(doc.get(), nullptr, 0);
    CEditLetter* view = dialog.GetLetter();
    // The whole text is there at once, although its lines are laid out while it is shown.
    CString letter;
    doc->GetBodyWithLetter(letter);
    EXPECT_EQ(view->toPlainText(), ToQString(letter).replace(u"\r\n"_s, u"\n"_s));
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(view->textCursor().position(), 0);
    EXPECT_FALSE(view->textCursor().hasSelection());
    EXPECT_TRUE(view->cursorRect().intersects(view->viewport()->rect()));

    // Once laid out, the scroll bar reaches the last line and shows it.
    QTRY_VERIFY_WITH_TIMEOUT(view->document()->lastBlock().layout()->lineCount() > 0, 10000);
    QScrollBar* bar = view->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCoreApplication::processEvents();
    QRectF last = view->document()->documentLayout()->blockBoundingRect(view->document()->lastBlock());
    last.translate(0, -bar->value());
    EXPECT_GT(bar->value(), 1000);
    EXPECT_TRUE(QRectF(view->viewport()->rect()).contains(last)) << last.top() << " " << bar->value();
}
