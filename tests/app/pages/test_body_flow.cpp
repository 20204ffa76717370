// Verifies the whole three-page flow offscreen: a Japanese letter typed on the Body page with
// a fixed phrase made in dialog 102 and inserted, two attachments dropped on the page, a
// recipient on the Address page, the preview at send, and the send to a real SMTP server on
// loopback (aiosmtpd). The received message, read by Python's email package, shows what the
// preview showed: the same subject, recipient, letter lines and attachments, byte for byte.
// A letter with a character ISO-2022-JP cannot carry arrives intact as UTF-8 after the
// question.
#include "../shell/WizardTestKit.h"

#include "Modal.h"
#include "SmtpServerProcess.h"

#include "pages/CAddressPage.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CBodyPage.h"
#include "pages/CPreviewDlg.h"
#include "settings/CBodyPhraseDlg.h"
#include "command/CStandardCombo.h"
#include "command/QtText.h"
#include "files/CFileListCtrl.h"
#include "letter/CEditLetter.h"
#include "model/CFileUtility.h"

#include <QDropEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QUrl>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

#define REQUIRE_SMTP_SERVER()                                            \
    std::string why;                                                     \
    if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;

// What Python's email package reads from a received message.
QJsonObject Decode(const std::string& path)
{
    const std::string command = std::string("/usr/bin/python3 ") + DECODE_MESSAGE_SCRIPT + " '" + path + "'";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        ::pclose(pipe);
    }
    return QJsonDocument::fromJson(QByteArray::fromStdString(output)).object();
}

QStringList WithoutTrailingEmptyLines(QStringList lines)
{
    while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

// What the preview showed when the send flow opened it.
struct Shown {
    QString subject;
    QStringList recipients;
    QStringList lines;
    QStringList attachments;
    QString sender;
    int withSend = -1;
};

class BodyFlowTest : public WizardTest {
protected:
    void ShowPreviewAtSend()
    {
        wizard->runPreview = [this](QWidget* parent, int withSend) {
            CPreviewDlg dialog(doc.get(), parent, withSend);
            shown.withSend = withSend;
            shown.subject = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CPreviewDlg::IDC_SUBJECT))->text();
            auto* recipients = qobject_cast<QListWidget*>(GetDlgItem(&dialog, CPreviewDlg::IDC_RECIPIENTS));
            for (int i = 0; i < recipients->count(); ++i) shown.recipients << recipients->item(i)->text();
            shown.lines = dialog.GetLetter()->toPlainText().split(u'\n');
            for (int i = 0; i < dialog.GetFileList()->GetItemCount(); ++i)
                shown.attachments << ToQString(dialog.GetFileList()->GetDispName(i));
            shown.sender = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CPreviewDlg::IDC_SENDER))->text();
            return IDOK;
        };
        if (!wizard->GetPreviewAtSend()) Command(CWizardPage::ID_PREVIEW_AT_SEND);
    }
    void GoToAddressAndSetTo(const QString& to)
    {
        Command(ID_NEXT_PAGE);
        Command(ID_NEXT_PAGE);
        auto* address = dynamic_cast<CAddressPage*>(Current());
        ASSERT_NE(address, nullptr);
        address->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(to);
        emit address->GetPanel()->GetEntry(CAddressTarget::ToList)->textEdited(to);
    }
    std::string Bytes(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    Shown shown;
};

}  // namespace

TEST_F(BodyFlowTest, JapaneseLetterWithTwoAttachmentsAndAPhraseArrivesAsPreviewed)
{
    REQUIRE_SMTP_SERVER();
    SmtpServerProcess server;
    ASSERT_NE(server.Port(), 0);
    AddAccount("taro@example.com", "127.0.0.1", server.Port(), "山田 太郎");
    ASSERT_TRUE(MakeWizard());
    auto* body = dynamic_cast<CBodyPage*>(Current());
    ASSERT_NE(body, nullptr);

    TypeSubject(u"お見積りのご送付"_s);
    CEditLetter* editor = body->GetEditor();
    editor->setFocus();
    editor->insertPlainText(u"株式会社ベルト\n佐藤 花子 様\n\nいつもお世話になっております。山田です。\n"
                            u"先日ご依頼いただいたお見積りをお送りします。添付の見積書と明細をご確認のうえ、"
                            u"ご不明な点がございましたらお気軽にお問い合わせください。納期は発注から二週間を予定しております。\n\n"_s);

    // A fixed phrase made in dialog 102, partly red, and inserted at the end.
    OnNextModal<CBodyPhraseDlg>([](CBodyPhraseDlg* dialog) {
        dialog->GetTitleEdit()->setText(u"結び"_s);
        dialog->Editor().setPlainText(u"何卒よろしくお願いいたします。"_s);
        QTextCursor red(dialog->Editor().document());
        red.setPosition(0);
        red.setPosition(2, QTextCursor::KeepAnchor);
        dialog->Editor().setTextCursor(red);
        dialog->Editor().SetSelectionToRed();
        dialog->accept();
    });
    qobject_cast<QPushButton*>(GetDlgItem(body, CBodyPage::IDC_PHRASE_EDIT))->click();
    ASSERT_EQ(body->GetPhraseCombo()->count(), 1);
    editor->moveCursor(QTextCursor::End);
    body->OnIdle();  // the idle pass before any click enables "挿入" for the chosen phrase
    qobject_cast<QPushButton*>(GetDlgItem(body, CBodyPage::IDC_PHRASE_INSERT))->click();
    EXPECT_TRUE(editor->toPlainText().endsWith(u"何卒よろしくお願いいたします。\n"_s));

    // Two attachments dropped on the page.
    const fs::path pdf = home.Root() / fs::path(u8"見積書_2024年7月.pdf");
    const fs::path csv = home.Root() / fs::path(u8"明細.csv");
    {
        std::string bytes;
        for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
        std::ofstream(pdf, std::ios::binary) << "%PDF-1.4\n" << bytes;
        std::ofstream(csv, std::ios::binary) << "品名,数量\r\n部品A,10\r\n";
    }
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(pdf.string())), QUrl::fromLocalFile(QString::fromStdString(csv.string()))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(body, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(body, &drop);
    ASSERT_EQ(body->GetFileList()->GetItemCount(), 2);

    GoToAddressAndSetTo(u"佐藤 花子 <hanako@example.com>"_s);
    ShowPreviewAtSend();
    Command(IDOK);
    EXPECT_EQ(boxes.unexpected, 0) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text.Str());
    ASSERT_EQ(shown.withSend, 1);
    ASSERT_FALSE(server.Read("1.eml").empty());
    const QJsonObject received = Decode(server.Folder() + "/1.eml");
    ASSERT_FALSE(received.isEmpty()) << "Python could not read the message";

    // What the preview showed is what arrived, line for line.
    EXPECT_EQ(received["subject"].toString(), shown.subject);
    EXPECT_EQ(shown.subject, u"お見積りのご送付"_s);
    EXPECT_EQ(shown.recipients, QStringList{u"宛先　：　佐藤 花子 <hanako@example.com>"_s});
    EXPECT_TRUE(received["to"].toString().contains(u"hanako@example.com"_s));
    EXPECT_TRUE(received["to"].toString().contains(u"佐藤 花子"_s));
    EXPECT_EQ(shown.sender, u"山田 太郎 <taro@example.com>"_s);
    EXPECT_EQ(received["from"].toString(), shown.sender);
    EXPECT_EQ(received["charset"].toString(), u"iso-2022-jp"_s);
    QStringList lines;
    for (const QJsonValue& line : received["lines"].toArray()) lines << line.toString();
    EXPECT_EQ(WithoutTrailingEmptyLines(lines), WithoutTrailingEmptyLines(shown.lines));
    // The long paragraph came as several lines of at most 60 columns, and the red words of
    // the phrase with their line of marks above them.
    EXPECT_GE(shown.lines.size(), 9);
    const int phrase = shown.lines.indexOf(u"何卒よろしくお願いいたします。"_s);
    ASSERT_GT(phrase, 0) << shown.lines.join(u'|').toStdString();
    EXPECT_EQ(shown.lines[phrase - 1].trimmed(), u". ."_s);
    { std::ofstream dbg("/tmp/body_flow_lines.txt"); dbg << shown.lines.join(u'\n').toStdString(); }
    for (const QString& line : shown.lines) EXPECT_LE(FromQString(line).GetLength(), 60) << line.toStdString();

    const QJsonArray attachments = received["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 2);
    EXPECT_EQ(shown.attachments, (QStringList{u"見積書_2024年7月.pdf"_s, u"明細.csv"_s}));
    EXPECT_EQ(attachments[0].toObject()["name"].toString(), shown.attachments[0]);
    EXPECT_EQ(attachments[1].toObject()["name"].toString(), shown.attachments[1]);
    EXPECT_EQ(QByteArray::fromBase64(attachments[0].toObject()["data"].toString().toLatin1()).toStdString(), Bytes(pdf));
    EXPECT_EQ(QByteArray::fromBase64(attachments[1].toObject()["data"].toString().toLatin1()).toStdString(), Bytes(csv));

    // Sent: the page is empty again.
    EXPECT_EQ(Current(), Page(0));
    EXPECT_TRUE(body->GetEditor()->toPlainText().isEmpty());
    EXPECT_EQ(body->GetFileList()->GetItemCount(), 0);
}

TEST_F(BodyFlowTest, ACharacterISO2022JPCannotCarryArrivesIntactAfterTheQuestion)
{
    REQUIRE_SMTP_SERVER();
    SmtpServerProcess server;
    ASSERT_NE(server.Port(), 0);
    AddAccount("taro@example.com", "127.0.0.1", server.Port());
    ASSERT_TRUE(MakeWizard());
    auto* body = dynamic_cast<CBodyPage*>(Current());
    TypeSubject(u"ご案内"_s);
    body->GetEditor()->setFocus();
    body->GetEditor()->insertPlainText(u"会場は①番教室、髙橋が案内します。"_s);
    GoToAddressAndSetTo(u"hanako@example.com"_s);
    boxes.Answer(IDYES);
    Command(IDOK);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.Str().find("本文は UTF-8 で送信します"), std::string::npos);
    const QJsonObject received = Decode(server.Folder() + "/1.eml");
    ASSERT_FALSE(received.isEmpty());
    EXPECT_EQ(received["charset"].toString(), u"utf-8"_s);
    EXPECT_EQ(received["lines"].toArray()[0].toString(), u"会場は①番教室、髙橋が案内します。"_s);
    EXPECT_EQ(received["subject"].toString(), u"ご案内"_s);
}
