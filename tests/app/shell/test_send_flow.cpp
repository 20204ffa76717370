// Verifies the send flow from the last page: a full send to a real SMTP server on loopback
// (aiosmtpd) with the pages emptied afterwards or the program ended, a refused send (550 at
// the end of the data) that shows dialog 156 with the server's reply and loses nothing, and
// a send cancelled in the progress dialog, reported as not sent (scripted server).
#include "WizardTestKit.h"

#include "FakeSmtpServer.h"
#include "Modal.h"
#include "SmtpServerProcess.h"

#include "pages/CAddressPage.h"
#include "pages/CBodyPage.h"
#include "shell/CSendErrorDlg.h"
#include "command/CProgressDlg.h"
#include "data/CEditSettingSet.h"
#include "letter/CEditLetter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <fstream>

using namespace Qt::StringLiterals;

namespace {

#define REQUIRE_SMTP_SERVER()                                            \
    std::string why;                                                     \
    if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;

class SendFlowTest : public WizardTest {
protected:
    // Walks the three pages with a subject, a body and one To address, ending on the last
    // page (the Address page in the default order).
    void ComposeAndGoToLastPage()
    {
        ASSERT_TRUE(MakeWizard());
        auto* body = dynamic_cast<CBodyPage*>(Current());
        ASSERT_NE(body, nullptr);
        TypeSubject(u"月例会議のご案内"_s);
        body->GetEditor()->setFocus();
        body->GetEditor()->insertPlainText(u"皆様\nお疲れ様です。\n.\n以上"_s);
        Command(ID_NEXT_PAGE);
        Command(ID_NEXT_PAGE);
        auto* address = dynamic_cast<CAddressPage*>(Current());
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(address->GetSubjectEdit()->text(), u"月例会議のご案内"_s);
        address->GetToEdit()->setText(u"花子 <hanako@example.com>, jiro@example.com"_s);
        emit address->GetToEdit()->textEdited(address->GetToEdit()->text());
    }
};

}  // namespace

TEST_F(SendFlowTest, FullSendToALoopbackServerThenTheEmptiedFirstPage)
{
    REQUIRE_SMTP_SERVER();
    SmtpServerProcess server;
    ASSERT_NE(server.Port(), 0);
    AddAccount("taro@example.com", "127.0.0.1", server.Port());
    ComposeAndGoToLastPage();
    CWizardPage* last = Current();
    last->move(30, 20);
    Command(IDOK);

    EXPECT_EQ(boxes.unexpected, 0) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text.Str());
    const std::string envelope = server.Read("1.json");
    EXPECT_NE(envelope.find("\"mail_from\": \"taro@example.com\""), std::string::npos) << envelope;
    EXPECT_NE(envelope.find("hanako@example.com"), std::string::npos);
    EXPECT_NE(envelope.find("jiro@example.com"), std::string::npos);
    const std::string message = server.Read("1.eml");
    EXPECT_NE(message.find("Subject: =?iso-2022-jp?B?"), std::string::npos) << message;
    EXPECT_NE(message.find("X-Mailer: Velto Quillon 2.1"), std::string::npos) << message;
    // The body travels as Base64 of ISO-2022-JP; decode the line with "." to be sure it kept.
    EXPECT_NE(message.find("Content-Transfer-Encoding: base64"), std::string::npos);

    // Sent, close-after-send off: every page empty, page 0 shown where the last one was.
    EXPECT_EQ(Current(), Page(0));
    EXPECT_EQ(wizard->GetCurrentIndex(), 0);
    EXPECT_TRUE(Page(0)->isVisible());
    EXPECT_FALSE(last->isVisible());
    EXPECT_EQ(Page(0)->pos(), QPoint(30, 20));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Page(i)->GetSubjectEdit()->text().isEmpty()) << i;
    EXPECT_TRUE(dynamic_cast<CBodyPage*>(Page(0))->GetEditor()->toPlainText().isEmpty());
    EXPECT_TRUE(dynamic_cast<CAddressPage*>(Page(2))->GetToEdit()->text().isEmpty());
    EXPECT_EQ(main->windowTitle(), u"新規メール"_s);
    EXPECT_EQ(doc->GetToAddressSize(), 0u);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(quits.empty());

    // Cancel on the emptied first page ends the program without a question.
    Command(IDCANCEL);
    EXPECT_EQ(quits, std::vector<int>{0});
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SendFlowTest, CloseAfterSendEndsTheProgramAndSavesTheFlags)
{
    REQUIRE_SMTP_SERVER();
    SmtpServerProcess server;
    ASSERT_NE(server.Port(), 0);
    AddAccount("taro@example.com", "127.0.0.1", server.Port());
    ComposeAndGoToLastPage();
    Command(CWizardPage::ID_CLOSE_AFTER_SEND);
    Command(IDOK);
    EXPECT_FALSE(server.Read("1.eml").empty());
    EXPECT_EQ(Current(), nullptr);
    EXPECT_EQ(quits, std::vector<int>{0});
    CEditSettingSet settings;
    ASSERT_TRUE(settings.Open());
    EXPECT_EQ(settings.closeAfterSend, 1);
}

TEST_F(SendFlowTest, RefusedSendShowsTheServersReplyAndKeepsEverything)
{
    REQUIRE_SMTP_SERVER();
    SmtpServerProcess server("550 5.7.1 Message rejected as spam");
    ASSERT_NE(server.Port(), 0);
    AddAccount("taro@example.com", "127.0.0.1", server.Port());
    ComposeAndGoToLastPage();
    CWizardPage* last = Current();

    QString message;
    QString detail;
    OnNextModal<CSendErrorDlg>([&](CSendErrorDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"エラー"_s);
        message = qobject_cast<QLineEdit*>(GetDlgItem(dialog, CSendErrorDlg::IDC_MESSAGE))->text();
        detail = qobject_cast<QPlainTextEdit*>(GetDlgItem(dialog, CSendErrorDlg::IDC_DETAIL))->toPlainText();
        EXPECT_NE(GetDlgItem(dialog, CSendErrorDlg::IDC_OPEN_MAIL_READER), nullptr);
        qobject_cast<QPushButton*>(GetDlgItem(dialog, IDOK))->click();
    });
    Command(IDOK);
    EXPECT_EQ(message, u"送信に失敗しました。"_s);
    EXPECT_TRUE(detail.contains(u"550 5.7.1 Message rejected as spam"_s)) << detail.toStdString();

    // The user stays on the page; nothing was reset or lost.
    EXPECT_EQ(Current(), last);
    EXPECT_TRUE(last->isVisible());
    EXPECT_TRUE(last->isEnabled());
    EXPECT_EQ(last->GetSubjectEdit()->text(), u"月例会議のご案内"_s);
    EXPECT_EQ(dynamic_cast<CAddressPage*>(last)->GetToEdit()->text(), u"花子 <hanako@example.com>, jiro@example.com"_s);
    EXPECT_FALSE(dynamic_cast<CBodyPage*>(Page(0))->GetEditor()->toPlainText().isEmpty());
    CString subject, body;
    doc->GetSubject(subject);
    doc->GetBody(body);
    EXPECT_EQ(subject.Str(), "月例会議のご案内");
    EXPECT_NE(body.Str().find("お疲れ様です。"), std::string::npos);
    EXPECT_EQ(doc->GetToAddressSize(), 2u);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(quits.empty());
}

TEST_F(SendFlowTest, SendCancelledInTheProgressDialogIsReportedAsNotSent)
{
    // A scripted server that accepts everything; the user presses the progress dialog's
    // cancel button while the message is being written.
    auto script = std::make_shared<FakeScript>();
    script->Reply("220 fake ready\r\n");
    script->Reply("250 hello\r\n");
    script->Reply("250 sender ok\r\n");
    script->Reply("250 rcpt ok\r\n");
    script->Reply("250 rcpt ok\r\n");
    script->Reply("354 go ahead\r\n");
    script->Reply("250 stored\r\n");
    script->Reply("221 bye\r\n");
    CSmtpSocket::SetFactory([script] { return MakeFake(script); });
    AddAccount("taro@example.com", "127.0.0.1", 25);
    ComposeAndGoToLastPage();
    CWizardPage* last = Current();
    // An attachment: the writer reports progress piece by piece while it encodes one, so the
    // cancel is seen before the data ends.
    const std::string attachment = (home.Root() / "report.bin").string();
    {
        std::ofstream out(attachment, std::ios::binary);
        out << std::string(200000, 'x');
    }
    doc->SetFiles({{CPath::FromNative(attachment), "report.bin"}});

    bool pressed = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<CProgressDlg*>(top); progress != nullptr && progress->isVisible() && !pressed) {
                EXPECT_EQ(progress->windowTitle(), u"送信中"_s);
                progress->GetCancelButton()->click();
                pressed = true;
            }
        }
    });
    cancel.start(0);
    QString detail;
    OnNextModal<CSendErrorDlg>([&](CSendErrorDlg* dialog) {
        detail = qobject_cast<QPlainTextEdit*>(GetDlgItem(dialog, CSendErrorDlg::IDC_DETAIL))->toPlainText();
        dialog->accept();
    });
    Command(IDOK);
    cancel.stop();
    CSmtpSocket::SetFactory(nullptr);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(detail, u"送信を中止しました。メールは送信されていません。"_s);
    // The data was never ended: the server stored nothing.
    EXPECT_EQ(script->ClientBytes().find("\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(Current(), last);
    EXPECT_TRUE(last->isEnabled());
    EXPECT_EQ(doc->GetToAddressSize(), 2u);
}
