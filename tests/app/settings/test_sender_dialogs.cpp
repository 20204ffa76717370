// Verifies the sender dialogs: the list 144 (entries, " (通常)" moved and cleared with -1,
// the button's two texts, sender-in-Bcc written at each click, delete with its question and
// its No, add and double-click edit), the edit dialog 166 (its checks in order with the focus
// on the failing field, "標準に戻す", digits only, a text too long kept in the open dialog) and
// the authentication dialog 167 (defaults that follow the ports, its checks, the login stored
// as bytes, the keyring's absence said and Account.mdb offered, a real keyring). An account
// made in the dialogs sends through the wizard with POP before SMTP. No password appears in
// any message. Every dialog is rendered at the run's DPI with its controls inside.
#include "../shell/WizardTestKit.h"

#include "../data/DataTestUtil.h"
#include "FakeSmtpServer.h"
#include "KeyringTestUtil.h"
#include "LayoutCheck.h"
#include "Modal.h"
#include "Screenshot.h"
#include "SmtpServerProcess.h"

#include "pages/CAddressPage.h"
#include "pages/CBodyPage.h"
#include "settings/CPasswordStore.h"
#include "settings/CSenderAccount.h"
#include "settings/CSenderAuthDlg.h"
#include "settings/CSenderEditDlg.h"
#include "settings/CSenderListDlg.h"
#include "data/CAccountAuthSet.h"
#include "data/SenderList.h"
#include "letter/CEditLetter.h"
#include "smtp/CSmtp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Text as the sqlite3 command prints it (UTF-8); narrow literals here are code page 932.
std::string U8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

template <typename T>
T* Control(const QWidget* dialog, int id)
{
    auto* control = qobject_cast<T*>(GetDlgItem(dialog, id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

QLineEdit* Edit(const QWidget* dialog, int id)
{
    return Control<QLineEdit>(dialog, id);
}

class SenderDialogs : public WizardTest {
protected:
    // An account row straight into the table (not through the dialogs).
    long Account(const char* name, const char* mail, long port = 25, const char* password = "")
    {
        CAccountSet accounts;
        EXPECT_TRUE(accounts.Open());
        long id = 0;
        EXPECT_TRUE(accounts.Add(name, mail, "smtp.example.jp", port, 0, "", password, "", id));
        return id;
    }
    void SetDefault(long id, int toBcc = 1)
    {
        CCurrentAccountSet current;
        ASSERT_TRUE(current.Open());
        current.accountId = id;
        current.setToBcc = toBcc;
        ASSERT_TRUE(current.Save());
    }
    long DefaultId()
    {
        CCurrentAccountSet current;
        EXPECT_TRUE(current.Open());
        return current.HasCurrent() ? current.accountId : 0;
    }
    std::string Sql(const std::string& sql) { return datatest::Sqlite(home.DataFolder() / "Account.mdb", sql); }
    QStringList Entries(const CSenderListDlg& dialog)
    {
        QStringList texts;
        for (int row = 0; row < dialog.GetList()->count(); ++row) texts << dialog.GetList()->item(row)->text();
        return texts;
    }
    void Select(CSenderListDlg& dialog, int row)
    {
        dialog.GetList()->setCurrentRow(row);
        ASSERT_EQ(dialog.GetList()->selectedItems().size(), 1);
    }
    // The edit dialog's fields.
    static void Fill(QWidget* dialog, const QString& name, const QString& mail, const QString& server,
                     const QString& port = u"25"_s, const QString& reply = QString())
    {
        Edit(dialog, CSenderEditDlg::IDC_NAME)->setText(name);
        Edit(dialog, CSenderEditDlg::IDC_MAIL_ADDRESS)->setText(mail);
        Edit(dialog, CSenderEditDlg::IDC_SEND_SERVER)->setText(server);
        Edit(dialog, CSenderEditDlg::IDC_SEND_PORT)->setText(port);
        Edit(dialog, CSenderEditDlg::IDC_REPLY_ADDRESS)->setText(reply);
    }
    // Every box text shown so far, for the check that no password is in one.
    std::string AllTexts() const
    {
        std::string all;
        for (const std::string& text : boxes.Texts()) all += text + "\n";
        return all;
    }
};

// With no keyring on the bus, or no bus (run-keyring-tests).
class NoKeyring : public SenderDialogs {
protected:
    void SetUp() override
    {
        if (!keyringtest::Mode("none")) GTEST_SKIP() << "run through run-keyring-tests, never beside the user's own keyring";
        SenderDialogs::SetUp();
    }
};

// A real gnome-keyring-daemon of the run (run-keyring-tests).
class Keyring : public SenderDialogs {
protected:
    void SetUp() override
    {
        if (const char* why = std::getenv("QUILLON_TEST_KEYRING_SKIP")) GTEST_SKIP() << why;
        if (!keyringtest::Mode("running")) GTEST_SKIP() << "run through run-keyring-tests, never beside the user's own keyring";
        SenderDialogs::SetUp();
        CPasswordStore::SetTimeout(20000);
        ASSERT_TRUE(CPasswordStore::IsAvailable());
        if (keyringtest::RunCommand("command -v secret-tool").empty())
            GTEST_SKIP() << "secret-tool is missing (Debian package libsecret-tools)";
    }
    void TearDown() override
    {
        CPasswordStore::SetTimeout(0);
        SenderDialogs::TearDown();
    }
};

}  // namespace

TEST_F(SenderDialogs, LayoutControlsAndTexts)
{
    const long taro = Account("山田 太郎", "taro@example.jp");
    Account("", "info@example.jp");
    Account("株式会社ベルト・クイロン 東日本営業本部 第二営業部", "east-sales-2@quillon.example.co.jp");
    SetDefault(taro);

    CSenderListDlg list(nullptr);
    EXPECT_EQ(list.windowTitle(), u"差出人"_s);
    EXPECT_EQ(GetControlId(&list), 144);
    EXPECT_NE(Control<QListWidget>(&list, CSenderListDlg::IDC_LIST), nullptr);
    const std::vector<std::pair<int, QString>> listButtons = {
        {CSenderListDlg::IDC_ADD, u"追加(&A)"_s},
        {CSenderListDlg::IDC_MODIFY, u"修正(&M)"_s},
        {CSenderListDlg::IDC_DELETE, u"削除(&D)"_s},
        {CSenderListDlg::IDC_DEFAULT, u"通常差出人を解除(&U)"_s},  // the default is selected
        {IDCANCEL, u"閉じる(&C)"_s}};
    for (const auto& [id, text] : listButtons)
        EXPECT_EQ(Control<QPushButton>(&list, id)->text(), text) << id;
    auto* toBcc = Control<QCheckBox>(&list, CSenderListDlg::IDC_TO_BCC);
    EXPECT_EQ(toBcc->text(), u"差出人をBCCに入れる(&B)"_s);
    EXPECT_EQ(toBcc->toolTip(), u"送信するメールを自分にも BCC で送ります"_s);
    EXPECT_EQ(Control<QPushButton>(&list, CSenderListDlg::IDC_DEFAULT)->toolTip(),
              u"選んだ差出人を、宛先ページで最初に選ばれる差出人にします"_s);
    ExpectLaidOut(&list);
    EXPECT_TRUE(SaveScreenshot(&list, u"list_"_s + Dpi()));

    CSenderAccount account;
    CString detail;
    ASSERT_EQ(account.Load(taro, detail), CSenderSecurity::Ok);
    CSenderEditDlg edit(account, nullptr);
    EXPECT_EQ(edit.windowTitle(), u"差出人"_s);
    EXPECT_EQ(GetControlId(&edit), 166);
    for (int id : {int(CSenderEditDlg::IDC_NAME), int(CSenderEditDlg::IDC_MAIL_ADDRESS), int(CSenderEditDlg::IDC_SEND_SERVER),
                   int(CSenderEditDlg::IDC_SEND_PORT), int(CSenderEditDlg::IDC_REPLY_ADDRESS)})
        EXPECT_NE(Edit(&edit, id), nullptr);
    EXPECT_EQ(Edit(&edit, CSenderEditDlg::IDC_NAME)->text(), u"山田 太郎"_s);
    EXPECT_EQ(Edit(&edit, CSenderEditDlg::IDC_SEND_PORT)->text(), u"25"_s);
    EXPECT_EQ(Control<QPushButton>(&edit, CSenderEditDlg::IDC_DEFAULT_PORT)->text(), u"標準に戻す"_s);
    EXPECT_EQ(Control<QPushButton>(&edit, CSenderEditDlg::IDC_DEFAULT_PORT)->toolTip(), u"ポート番号を 25 にします"_s);
    EXPECT_EQ(Control<QPushButton>(&edit, CSenderEditDlg::IDC_AUTH)->text(), u"認証(&A)..."_s);
    EXPECT_EQ(Control<QLabel>(&edit, CSenderEditDlg::IDC_AUTH_SUMMARY)->text(), u"認証なし、暗号化: なし"_s);
    EXPECT_EQ(Control<QPushButton>(&edit, IDOK)->text(), u"OK"_s);
    EXPECT_EQ(Control<QPushButton>(&edit, IDCANCEL)->text(), u"キャンセル"_s);
    // Each label with a mnemonic leads to its field.
    for (QLabel* label : edit.findChildren<QLabel*>())
        if (label->text().contains(u'&')) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    ExpectLaidOut(&edit);
    EXPECT_TRUE(SaveScreenshot(&edit, u"edit_"_s + Dpi()));

    account.needSendAuth = 1;
    account.authMethod = CAccountAuthSet::MethodPopBeforeSmtp;
    account.receiveServer = "pop.example.jp";
    CSenderAuthDlg auth(account, nullptr);
    EXPECT_EQ(auth.windowTitle(), u"認証"_s);
    EXPECT_EQ(GetControlId(&auth), 167);
    EXPECT_EQ(Control<QRadioButton>(&auth, CSenderAuthDlg::IDC_POP_BEFORE_SMTP)->text(), u"POP before SMTP"_s);
    EXPECT_EQ(Control<QRadioButton>(&auth, CSenderAuthDlg::IDC_SMTP_AUTH)->text(), u"SMTP認証"_s);
    EXPECT_EQ(Control<QCheckBox>(&auth, CSenderAuthDlg::IDC_NEED_AUTH)->text(), u"送信時に認証する(&A)"_s);
    EXPECT_EQ(Control<QCheckBox>(&auth, CSenderAuthDlg::IDC_ENCRYPT)->text(), u"パスワードを暗号化する(&E)"_s);
    EXPECT_EQ(Control<QCheckBox>(&auth, CSenderAuthDlg::IDC_ENCRYPT)->toolTip(),
              u"パスワードをデスクトップのキーリング (GNOME キーリング、KWallet など) に保管します"_s);
    EXPECT_EQ(Edit(&auth, CSenderAuthDlg::IDC_PASSWORD)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Edit(&auth, CSenderAuthDlg::IDC_RECEIVE_SERVER)->text(), u"pop.example.jp"_s);
    EXPECT_EQ(Edit(&auth, CSenderAuthDlg::IDC_RECEIVE_PORT)->text(), u"110"_s);
    EXPECT_NE(Edit(&auth, CSenderAuthDlg::IDC_USER), nullptr);
    for (int id : {int(CSenderAuthDlg::IDC_SEND_SECURITY), int(CSenderAuthDlg::IDC_RECEIVE_SECURITY)}) {
        auto* box = Control<QComboBox>(&auth, id);
        ASSERT_EQ(box->count(), 3);
        EXPECT_EQ(box->itemText(0), u"なし"_s);
        EXPECT_EQ(box->itemText(1), u"STARTTLS"_s);
        EXPECT_EQ(box->itemText(2), u"SSL/TLS"_s);
        EXPECT_FALSE(box->toolTip().isEmpty());
    }
    EXPECT_EQ(Control<QLabel>(&auth, CSenderAuthDlg::IDC_PASSWORD_PLACE)->text(),
              u"パスワードは差出人データベース Account.mdb (本人だけが読み書きできるファイル) に保管します。"_s);
    for (QLabel* label : auth.findChildren<QLabel*>())
        if (label->text().contains(u'&')) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    ExpectLaidOut(&auth);
    EXPECT_TRUE(SaveScreenshot(&auth, u"auth_"_s + Dpi()));
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(SenderDialogs, EntriesAndTheDefaultSenderMovedAndCleared)
{
    const long taro = Account("山田 太郎", "taro@example.jp");
    const long info = Account("", "info@example.jp");
    const long hanako = Account("花子", "hanako@example.jp");
    SetDefault(info);

    CSenderListDlg dialog(nullptr);
    auto* button = Control<QPushButton>(&dialog, CSenderListDlg::IDC_DEFAULT);
    EXPECT_EQ(Entries(dialog), (QStringList{u"山田 太郎 <taro@example.jp>"_s, u"info@example.jp (通常)"_s,
                                            u"花子 <hanako@example.jp>"_s}));
    EXPECT_EQ(dialog.GetList()->item(0)->data(Qt::UserRole).toLongLong(), taro);
    // The first entry is selected at start.
    EXPECT_EQ(dialog.GetSelectedId(), taro);
    EXPECT_EQ(button->text(), u"通常差出人に設定(&U)"_s);
    Select(dialog, 1);
    EXPECT_EQ(button->text(), u"通常差出人を解除(&U)"_s);

    // Another account becomes the default: the mark moves.
    Select(dialog, 2);
    EXPECT_EQ(button->text(), u"通常差出人に設定(&U)"_s);
    button->click();
    EXPECT_EQ(DefaultId(), hanako);
    EXPECT_EQ(Entries(dialog), (QStringList{u"山田 太郎 <taro@example.jp>"_s, u"info@example.jp"_s,
                                            u"花子 <hanako@example.jp> (通常)"_s}));
    EXPECT_EQ(dialog.GetSelectedId(), hanako);
    EXPECT_EQ(button->text(), u"通常差出人を解除(&U)"_s);

    // Pressed again: no default, stored as -1, the entry still selected.
    button->click();
    EXPECT_EQ(DefaultId(), -1);
    EXPECT_EQ(Entries(dialog), (QStringList{u"山田 太郎 <taro@example.jp>"_s, u"info@example.jp"_s,
                                            u"花子 <hanako@example.jp>"_s}));
    EXPECT_EQ(dialog.GetSelectedId(), hanako);
    EXPECT_EQ(button->text(), u"通常差出人に設定(&U)"_s);

    // Nothing selected: the button does nothing and cannot be pressed.
    dialog.GetList()->clearSelection();
    EXPECT_FALSE(button->isEnabled());
    dialog.OnDefault();
    EXPECT_EQ(DefaultId(), -1);

    // A table that lost its row gets it back.
    EXPECT_EQ(Sql("DELETE FROM CURRENT_ACCOUNT; SELECT count(*) FROM CURRENT_ACCOUNT;"), "0\n");
    Select(dialog, 0);
    dialog.OnDefault();
    EXPECT_EQ(Sql("SELECT ACCOUNT_ID FROM CURRENT_ACCOUNT"), std::to_string(taro) + "\n");
    EXPECT_EQ(dialog.GetList()->item(0)->text(), u"山田 太郎 <taro@example.jp> (通常)"_s);

    // The Address page's box reads the same entries.
    CSenderList senders;
    ASSERT_TRUE(LoadSenderList(senders));
    ASSERT_EQ(senders.entries.size(), 3u);
    EXPECT_EQ(senders.entries[0].text.Str(), "山田 太郎 <taro@example.jp> (通常)");
    EXPECT_EQ(senders.defaultId, taro);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SenderDialogs, SenderInBccIsWrittenAtEachClick)
{
    Account("山田 太郎", "taro@example.jp");
    CSenderListDlg dialog(nullptr);
    auto* toBcc = Control<QCheckBox>(&dialog, CSenderListDlg::IDC_TO_BCC);
    // The default row says true.
    EXPECT_TRUE(toBcc->isChecked());
    toBcc->click();
    EXPECT_EQ(Sql("SELECT SET_TO_BCC FROM CURRENT_ACCOUNT"), "0\n");
    toBcc->click();
    EXPECT_EQ(Sql("SELECT SET_TO_BCC FROM CURRENT_ACCOUNT"), "1\n");
    // The default sender is kept as it was.
    EXPECT_EQ(Sql("SELECT ACCOUNT_ID FROM CURRENT_ACCOUNT"), "0\n");

    // With the row gone, a click adds it.
    Sql("DELETE FROM CURRENT_ACCOUNT");
    toBcc->click();
    EXPECT_EQ(Sql("SELECT count(*), SET_TO_BCC FROM CURRENT_ACCOUNT"), "1|0\n");
    CSenderListDlg again(nullptr);
    EXPECT_FALSE(Control<QCheckBox>(&again, CSenderListDlg::IDC_TO_BCC)->isChecked());
}

TEST_F(SenderDialogs, DeleteAsksAndNoKeepsTheAccount)
{
    const long taro = Account("山田 太郎", "taro@example.jp", 25, "secret-of-taro");
    const long hanako = Account("花子", "hanako@example.jp");
    const long jiro = Account("次郎", "jiro@example.jp");
    SetDefault(taro);
    CAccountAuthSet auth;
    ASSERT_TRUE(auth.Open());
    ASSERT_TRUE(auth.Write(taro, CAccountAuthSet::MethodPopBeforeSmtp, 0, "pop.example.jp", 110, 0, 0));
    auth.Close();

    CSenderListDlg dialog(nullptr);
    boxes.Answer(IDNO);
    Control<QPushButton>(&dialog, CSenderListDlg::IDC_DELETE)->click();
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"山田 太郎 <taro@example.jp> (通常)を削除しても、よろしいですか？"}));
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "確認");
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(dialog.GetList()->count(), 3);
    EXPECT_EQ(Sql("SELECT count(*) FROM ACCOUNT"), "3\n");

    boxes.Clear();
    boxes.Answer(IDYES);
    dialog.OnDelete();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Entries(dialog), (QStringList{u"花子 <hanako@example.jp>"_s, u"次郎 <jiro@example.jp>"_s}));
    // The account went fully: its row, its login row, its password.
    EXPECT_EQ(Sql("SELECT group_concat(ID) FROM ACCOUNT"), std::to_string(hanako) + "," + std::to_string(jiro) + "\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM ACCOUNT_AUTH"), "0\n");
    EXPECT_EQ(datatest::ReadFile(home.DataFolder() / "Account.mdb").find("secret-of-taro"), std::string::npos);
    // The entry now in its place is selected.
    EXPECT_EQ(dialog.GetSelectedId(), hanako);

    // The last entry: the one before it is selected; an empty list leaves the buttons off.
    Select(dialog, 1);
    boxes.Answer({IDYES, IDYES});
    dialog.OnDelete();
    EXPECT_EQ(dialog.GetSelectedId(), hanako);
    dialog.OnDelete();
    EXPECT_EQ(dialog.GetList()->count(), 0);
    EXPECT_FALSE(Control<QPushButton>(&dialog, CSenderListDlg::IDC_DELETE)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(&dialog, CSenderListDlg::IDC_MODIFY)->isEnabled());
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(SenderDialogs, EditChecksInOrderWithTheFocusOnTheFailingField)
{
    CSenderEditDlg dialog(CSenderAccount(), nullptr);
    dialog.show();
    QLineEdit* mail = Edit(&dialog, CSenderEditDlg::IDC_MAIL_ADDRESS);
    QLineEdit* server = Edit(&dialog, CSenderEditDlg::IDC_SEND_SERVER);
    QLineEdit* port = Edit(&dialog, CSenderEditDlg::IDC_SEND_PORT);
    QLineEdit* reply = Edit(&dialog, CSenderEditDlg::IDC_REPLY_ADDRESS);
    EXPECT_EQ(port->text(), u"25"_s);

    struct Case {
        QString mail, server, port, reply;
        const char* text;
        QLineEdit* focus;
    };
    // Every field wrong at first; mended one by one, in the designed order.
    const std::vector<Case> cases = {
        {u""_s, u""_s, u"0"_s, u"bad"_s, "メールアドレスが入力されていません。", mail},
        {u"たろう@example.jp"_s, u""_s, u"0"_s, u"bad"_s, "アドレスに日本語が混じっています。", mail},
        {u"taro"_s, u""_s, u"0"_s, u"bad"_s, "アドレスの形式が不正です。", mail},
        {u"taro@example.jp"_s, u"  "_s, u"0"_s, u"bad"_s, "送信サーバーが入力されていません。", server},
        {u"taro@example.jp"_s, u"smtp.example.jp"_s, u"0"_s, u"bad"_s, "ポート番号は 1 から 65535 までの数字で入力してください。", port},
        {u"taro@example.jp"_s, u"smtp.example.jp"_s, u""_s, u"bad"_s, "ポート番号は 1 から 65535 までの数字で入力してください。", port},
        {u"taro@example.jp"_s, u"smtp.example.jp"_s, u"65536"_s, u"bad"_s, "ポート番号は 1 から 65535 までの数字で入力してください。", port},
        {u"taro@example.jp"_s, u"smtp.example.jp"_s, u"587"_s, u"bad"_s, "アドレスの形式が不正です。", reply},
        {u"taro@example.jp"_s, u"smtp.example.jp"_s, u"587"_s, u"@example.jp"_s, "アドレスの形式が不正です。", reply},
    };
    for (const Case& c : cases) {
        boxes.Clear();
        Fill(&dialog, u"山田 太郎"_s, c.mail, c.server, c.port, c.reply);
        mail->setFocus();
        dialog.accept();
        ASSERT_EQ(boxes.Texts(), std::vector<std::string>{c.text}) << c.text;
        EXPECT_EQ(boxes.boxes[0].caption.Str(), "エラー");
        EXPECT_EQ(boxes.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(dialog.focusWidget(), c.focus) << c.text;
        EXPECT_TRUE(dialog.isVisible()) << c.text;
        EXPECT_EQ(Sql("SELECT count(*) FROM ACCOUNT"), "0\n");
    }

    // All well (blanks around the addresses and the server dropped): written and closed.
    boxes.Clear();
    Fill(&dialog, u"山田 太郎"_s, u" taro@example.jp "_s, u" smtp.example.jp"_s, u"587"_s, u"reply@example.jp "_s);
    dialog.accept();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_GT(dialog.GetAccount().id, 0);
    EXPECT_EQ(Sql("SELECT DISPLAY_NAME, MAIL_ADDRESS, SEND_SERVER, SEND_PORT, NEED_SEND_AUTH, REPLY_MAIL_ADDRESS FROM ACCOUNT"),
              U8(u8"山田 太郎|taro@example.jp|smtp.example.jp|587|0|reply@example.jp\n"));
    // Its own login row: port 587 suggested STARTTLS.
    EXPECT_EQ(Sql("SELECT ACCOUNT_ID, AUTH_METHOD, SEND_SECURITY, RECEIVE_PORT, PASSWORD_IN_KEYRING FROM ACCOUNT_AUTH"),
              std::to_string(dialog.GetAccount().id) + "|0|1|110|0\n");
}

TEST_F(SenderDialogs, StandardPortAndDigitsOnly)
{
    CSenderEditDlg dialog(CSenderAccount(), nullptr);
    dialog.show();
    QLineEdit* port = Edit(&dialog, CSenderEditDlg::IDC_SEND_PORT);
    auto* summary = Control<QLabel>(&dialog, CSenderEditDlg::IDC_AUTH_SUMMARY);
    port->clear();
    port->setFocus();
    QTest::keyClicks(port, u"4a6-5 x"_s);
    EXPECT_EQ(port->text(), u"465"_s);
    // The send security follows the port while it is the port's default.
    EXPECT_EQ(summary->text(), u"認証なし、暗号化: SSL/TLS"_s);
    QTest::keyClicks(port, u"123456"_s);
    EXPECT_EQ(port->text().size(), 5);
    Control<QPushButton>(&dialog, CSenderEditDlg::IDC_DEFAULT_PORT)->click();
    EXPECT_EQ(port->text(), u"25"_s);
    EXPECT_EQ(summary->text(), u"認証なし、暗号化: なし"_s);
    port->setText(u"587"_s);
    EXPECT_EQ(summary->text(), u"認証なし、暗号化: STARTTLS"_s);

    // A security chosen by the user stays when the port changes.
    EXPECT_EQ(CSenderAccount::SendSecurityAfterPortChange(CAccountAuthSet::SecuritySslTls, 25, 587),
              CAccountAuthSet::SecuritySslTls);
    EXPECT_EQ(CSenderAccount::SendSecurityAfterPortChange(CAccountAuthSet::SecurityNone, 25, 465),
              CAccountAuthSet::SecuritySslTls);
    EXPECT_EQ(CSenderAccount::SendSecurityAfterPortChange(CAccountAuthSet::SecurityStartTls, 587, 2525),
              CAccountAuthSet::SecurityNone);
}

TEST_F(SenderDialogs, AddAndEditThroughTheList)
{
    CSenderListDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetList()->count(), 0);
    EXPECT_FALSE(Control<QPushButton>(&dialog, CSenderListDlg::IDC_MODIFY)->isEnabled());

    OnNextModal<CSenderEditDlg>([](CSenderEditDlg* edit) {
        EXPECT_TRUE(Edit(edit, CSenderEditDlg::IDC_NAME)->text().isEmpty());
        Fill(edit, u"山田 太郎"_s, u"taro@example.jp"_s, u"smtp.example.jp"_s);
        Control<QPushButton>(edit, IDOK)->click();
    });
    Control<QPushButton>(&dialog, CSenderListDlg::IDC_ADD)->click();
    OnNextModal<CSenderEditDlg>([](CSenderEditDlg* edit) {
        Fill(edit, QString(), u"info@example.jp"_s, u"smtp.example.jp"_s);
        Control<QPushButton>(edit, IDOK)->click();
    });
    dialog.OnAdd();
    // Cancel adds nothing.
    OnNextModal<CSenderEditDlg>([](CSenderEditDlg* edit) {
        Fill(edit, u"取り消し"_s, u"cancel@example.jp"_s, u"smtp.example.jp"_s);
        Control<QPushButton>(edit, IDCANCEL)->click();
    });
    dialog.OnAdd();
    EXPECT_EQ(Entries(dialog), (QStringList{u"山田 太郎 <taro@example.jp>"_s, u"info@example.jp"_s}));
    EXPECT_EQ(dialog.GetList()->currentRow(), 1);
    EXPECT_EQ(Sql("SELECT count(*) FROM ACCOUNT"), "2\n");

    // Make the first the default, then a double click edits it: the values are preset, the
    // mark stays, the password stored for it is kept.
    const long taro = dialog.GetList()->item(0)->data(Qt::UserRole).toLongLong();
    Sql("UPDATE ACCOUNT SET SEND_PASSWORD = 'kept-password' WHERE ID = " + std::to_string(taro));
    Select(dialog, 0);
    dialog.OnDefault();
    OnNextModal<CSenderEditDlg>([](CSenderEditDlg* edit) {
        EXPECT_EQ(Edit(edit, CSenderEditDlg::IDC_NAME)->text(), u"山田 太郎"_s);
        EXPECT_EQ(Edit(edit, CSenderEditDlg::IDC_MAIL_ADDRESS)->text(), u"taro@example.jp"_s);
        EXPECT_EQ(Edit(edit, CSenderEditDlg::IDC_SEND_SERVER)->text(), u"smtp.example.jp"_s);
        Edit(edit, CSenderEditDlg::IDC_NAME)->setText(u"山田 太郎 (本社)"_s);
        Edit(edit, CSenderEditDlg::IDC_REPLY_ADDRESS)->setText(u"reply@example.jp"_s);
        Control<QPushButton>(edit, IDOK)->click();
    });
    QListWidget* list = dialog.GetList();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect place = list->visualItemRect(list->item(0));
    // A double click as the window system delivers it: press, release, press, double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    QMouseEvent twice(QEvent::MouseButtonDblClick, place.center(), list->viewport()->mapToGlobal(place.center()),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &twice);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    EXPECT_EQ(Entries(dialog), (QStringList{u"山田 太郎 (本社) <taro@example.jp> (通常)"_s, u"info@example.jp"_s}));
    EXPECT_EQ(Sql("SELECT DISPLAY_NAME, REPLY_MAIL_ADDRESS, SEND_PASSWORD FROM ACCOUNT WHERE ID = " + std::to_string(taro)),
              U8(u8"山田 太郎 (本社)|reply@example.jp|kept-password\n"));
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(SenderDialogs, ATextTooLongIsSaidAndTheDialogKeepsEverything)
{
    CSenderEditDlg dialog(CSenderAccount(), nullptr);
    dialog.show();
    // 128 full-width characters are 256 bytes of code page 932: one too many.
    const QString longName = QString(128, u'山');
    Fill(&dialog, longName, u"taro@example.jp"_s, u"smtp.example.jp"_s, u"587"_s, u"reply@example.jp"_s);
    dialog.accept();
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"差出人名が長すぎます。半角 255 文字 (全角 127 文字) までにしてください。"}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), Edit(&dialog, CSenderEditDlg::IDC_NAME));
    EXPECT_EQ(Edit(&dialog, CSenderEditDlg::IDC_NAME)->text(), longName);
    EXPECT_EQ(Edit(&dialog, CSenderEditDlg::IDC_MAIL_ADDRESS)->text(), u"taro@example.jp"_s);
    EXPECT_EQ(Edit(&dialog, CSenderEditDlg::IDC_SEND_PORT)->text(), u"587"_s);
    EXPECT_EQ(Sql("SELECT (SELECT count(*) FROM ACCOUNT) + (SELECT count(*) FROM ACCOUNT_AUTH)"), "0\n");

    // 127 fit; a server of 256 bytes does not.
    boxes.Clear();
    Edit(&dialog, CSenderEditDlg::IDC_NAME)->setText(QString(127, u'山'));
    Edit(&dialog, CSenderEditDlg::IDC_SEND_SERVER)->setText(QString(256, u's'));
    dialog.accept();
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"送信サーバーが長すぎます。半角 255 文字 (全角 127 文字) までにしてください。"}));
    EXPECT_EQ(dialog.focusWidget(), Edit(&dialog, CSenderEditDlg::IDC_SEND_SERVER));
    EXPECT_TRUE(dialog.isVisible());
    Edit(&dialog, CSenderEditDlg::IDC_SEND_SERVER)->setText(u"smtp.example.jp"_s);
    boxes.Clear();
    dialog.accept();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Sql("SELECT length(DISPLAY_NAME), SEND_SERVER FROM ACCOUNT"), "127|smtp.example.jp\n");

    // Editing it: a reply address too long leaves the stored row as it was.
    CSenderEditDlg again(dialog.GetAccount(), nullptr);
    again.show();
    Edit(&again, CSenderEditDlg::IDC_REPLY_ADDRESS)->setText(QString(250, u'r') + u"@example.jp"_s);
    boxes.Clear();
    again.accept();
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"返信先アドレスが長すぎます。半角 255 文字 (全角 127 文字) までにしてください。"}));
    EXPECT_EQ(again.focusWidget(), Edit(&again, CSenderEditDlg::IDC_REPLY_ADDRESS));
    EXPECT_EQ(Sql("SELECT REPLY_MAIL_ADDRESS FROM ACCOUNT"), "reply@example.jp\n");
}

TEST_F(SenderDialogs, AuthenticationDefaultsChecksAndTheLoginStoredAsBytes)
{
    const std::string password = "p\xC3\xA4ssw\xC3\xB6rd-\xE6\xBC\xA2";  // "pässwörd-漢" in UTF-8
    CSenderEditDlg edit(CSenderAccount(), nullptr);
    edit.show();
    Fill(&edit, u"山田 太郎"_s, u"taro@example.jp"_s, u"smtp.example.jp"_s, u"587"_s);

    OnNextModal<CSenderAuthDlg>([&](CSenderAuthDlg* auth) {
        auto* sendSecurity = Control<QComboBox>(auth, CSenderAuthDlg::IDC_SEND_SECURITY);
        auto* needAuth = Control<QCheckBox>(auth, CSenderAuthDlg::IDC_NEED_AUTH);
        auto* pop = Control<QRadioButton>(auth, CSenderAuthDlg::IDC_POP_BEFORE_SMTP);
        auto* smtpAuth = Control<QRadioButton>(auth, CSenderAuthDlg::IDC_SMTP_AUTH);
        QLineEdit* receiveServer = Edit(auth, CSenderAuthDlg::IDC_RECEIVE_SERVER);
        QLineEdit* receivePort = Edit(auth, CSenderAuthDlg::IDC_RECEIVE_PORT);
        auto* receiveSecurity = Control<QComboBox>(auth, CSenderAuthDlg::IDC_RECEIVE_SECURITY);
        QLineEdit* user = Edit(auth, CSenderAuthDlg::IDC_USER);
        QLineEdit* pass = Edit(auth, CSenderAuthDlg::IDC_PASSWORD);
        // Port 587: STARTTLS; authentication off, its fields with it.
        EXPECT_EQ(sendSecurity->currentIndex(), CAccountAuthSet::SecurityStartTls);
        EXPECT_FALSE(needAuth->isChecked());
        EXPECT_TRUE(smtpAuth->isChecked());
        EXPECT_FALSE(user->isEnabled());
        EXPECT_FALSE(receiveServer->isEnabled());
        needAuth->click();
        EXPECT_TRUE(user->isEnabled());
        EXPECT_TRUE(pass->isEnabled());
        EXPECT_FALSE(receiveServer->isEnabled());
        pop->click();
        EXPECT_TRUE(receiveServer->isEnabled());
        EXPECT_TRUE(receivePort->isEnabled());

        // The receive port follows its security while it is the default.
        EXPECT_EQ(receivePort->text(), u"110"_s);
        receiveSecurity->setCurrentIndex(CAccountAuthSet::SecuritySslTls);
        EXPECT_EQ(receivePort->text(), u"995"_s);
        receiveSecurity->setCurrentIndex(CAccountAuthSet::SecurityStartTls);
        EXPECT_EQ(receivePort->text(), u"110"_s);
        receivePort->setText(u"1110"_s);
        receiveSecurity->setCurrentIndex(CAccountAuthSet::SecuritySslTls);
        EXPECT_EQ(receivePort->text(), u"1110"_s);

        struct Case {
            QString server, port, user, password;
            const char* text;
            QLineEdit* focus;
        };
        const std::vector<Case> cases = {
            {u""_s, u"995"_s, u""_s, u""_s, "受信サーバーが入力されていません。", receiveServer},
            {u"pop.example.jp"_s, u"0"_s, u""_s, u""_s, "ポート番号は 1 から 65535 までの数字で入力してください。", receivePort},
            {u"pop.example.jp"_s, u"995"_s, u""_s, u""_s, "ユーザーIDが入力されていません。", user},
            {u"pop.example.jp"_s, u"995"_s, QString(65, u'u'), u""_s, "ユーザーIDが長すぎます。64 バイト (UTF-8) までにしてください。", user},
            // 22 kanji are 66 bytes of UTF-8.
            {u"pop.example.jp"_s, u"995"_s, u"はなこ"_s, QString(22, u'漢'), "パスワードが長すぎます。64 バイト (UTF-8) までにしてください。", pass},
            {QString(256, u'p'), u"995"_s, u"はなこ"_s, u"x"_s, "受信サーバーが長すぎます。半角 255 文字 (全角 127 文字) までにしてください。", receiveServer},
        };
        for (const Case& c : cases) {
            boxes.Clear();
            receiveServer->setText(c.server);
            receivePort->setText(c.port);
            user->setText(c.user);
            pass->setText(c.password);
            emit pass->textEdited(c.password);
            auth->accept();
            ASSERT_EQ(boxes.Texts(), std::vector<std::string>{c.text}) << c.text;
            EXPECT_EQ(auth->focusWidget(), c.focus) << c.text;
            EXPECT_TRUE(auth->isVisible());
        }
        boxes.Clear();
        receiveServer->setText(u"pop.example.jp"_s);
        receivePort->setText(u"995"_s);
        user->setText(u"はなこ"_s);
        pass->setText(QString::fromStdString(password));
        emit pass->textEdited(pass->text());
        Control<QPushButton>(auth, IDOK)->click();
        EXPECT_TRUE(boxes.boxes.empty());
    });
    Control<QPushButton>(&edit, CSenderEditDlg::IDC_AUTH)->click();
    EXPECT_EQ(Control<QLabel>(&edit, CSenderEditDlg::IDC_AUTH_SUMMARY)->text(),
              u"POP before SMTP (pop.example.jp)、暗号化: STARTTLS"_s);
    edit.accept();
    ASSERT_EQ(edit.result(), QDialog::Accepted);
    const long id = edit.GetAccount().id;

    // The user name and the password are the bytes typed, not code page 932.
    EXPECT_EQ(Sql("SELECT NEED_SEND_AUTH, hex(SEND_ACCOUNT), hex(SEND_PASSWORD) FROM ACCOUNT"),
              "1|" + std::string("E381AFE381AAE38193") + "|" + QByteArray::fromStdString(password).toHex().toUpper().toStdString() + "\n");
    EXPECT_EQ(Sql("SELECT AUTH_METHOD, SEND_SECURITY, RECEIVE_SERVER, RECEIVE_PORT, RECEIVE_SECURITY, PASSWORD_IN_KEYRING"
                  " FROM ACCOUNT_AUTH WHERE ACCOUNT_ID = " + std::to_string(id)),
              "1|1|pop.example.jp|995|2|0\n");

    // The loader of the send reads back what the dialogs wrote.
    CSmtpSecurity security;
    CString detail;
    ASSERT_EQ(CSenderSecurity::Load(id, security, detail), CSenderSecurity::Ok);
    EXPECT_TRUE(security.PopBeforeSmtp());
    EXPECT_EQ(security.account.Str(), "\xE3\x81\xAF\xE3\x81\xAA\xE3\x81\x93");
    EXPECT_EQ(security.password.Str(), password);
    EXPECT_EQ(security.receivePort, 995);
    EXPECT_EQ(security.receiveTls, CSmtpSecurity::TlsImplicit);
    EXPECT_EQ(security.tls, CSmtpSecurity::TlsStartTls);

    // Opened again, the dialog shows the stored password (hidden); a change of the name alone
    // leaves the password as it was.
    CSenderAccount stored;
    ASSERT_EQ(stored.Load(id, detail), CSenderSecurity::Ok);
    EXPECT_FALSE(stored.passwordKnown);
    {
        CSenderAuthDlg auth(stored, nullptr);
        EXPECT_EQ(Edit(&auth, CSenderAuthDlg::IDC_PASSWORD)->text().toStdString(), password);
        EXPECT_TRUE(Control<QRadioButton>(&auth, CSenderAuthDlg::IDC_POP_BEFORE_SMTP)->isChecked());
        EXPECT_EQ(Control<QComboBox>(&auth, CSenderAuthDlg::IDC_RECEIVE_SECURITY)->currentIndex(), 2);
    }
    CSenderEditDlg rename(stored, nullptr);
    Edit(&rename, CSenderEditDlg::IDC_NAME)->setText(u"山田"_s);
    rename.accept();
    EXPECT_EQ(Sql("SELECT DISPLAY_NAME, hex(SEND_PASSWORD) FROM ACCOUNT"),
              U8(u8"山田|") + QByteArray::fromStdString(password).toHex().toUpper().toStdString() + "\n");
    EXPECT_EQ(AllTexts().find(password), std::string::npos);
    EXPECT_EQ(AllTexts().find("漢漢漢"), std::string::npos);
}

TEST_F(NoKeyring, TheTickedBoxSaysSoAndOffersAccountMdb)
{
    const std::string password = "no-keyring-\xC3\xA4-" + std::to_string(getpid());
    CSenderEditDlg edit(CSenderAccount(), nullptr);
    edit.show();
    Fill(&edit, u"山田 太郎"_s, u"taro@example.jp"_s, u"smtp.example.jp"_s, u"465"_s);
    OnNextModal<CSenderAuthDlg>([&](CSenderAuthDlg* auth) {
        auto* encrypt = Control<QCheckBox>(auth, CSenderAuthDlg::IDC_ENCRYPT);
        auto* place = Control<QLabel>(auth, CSenderAuthDlg::IDC_PASSWORD_PLACE);
        EXPECT_EQ(Control<QComboBox>(auth, CSenderAuthDlg::IDC_SEND_SECURITY)->currentIndex(), CAccountAuthSet::SecuritySslTls);
        Control<QCheckBox>(auth, CSenderAuthDlg::IDC_NEED_AUTH)->click();
        Edit(auth, CSenderAuthDlg::IDC_USER)->setText(u"taro"_s);
        QLineEdit* pass = Edit(auth, CSenderAuthDlg::IDC_PASSWORD);
        pass->setText(QString::fromStdString(password));
        emit pass->textEdited(pass->text());
        encrypt->click();
        // Said in the dialog at once.
        EXPECT_EQ(place->text(), u"キーリング (Secret Service) が見つかりません。このままではパスワードをキーリングに保管できません。"_s);
        // OK asks; No stays in the dialog with the box as it was.
        boxes.Answer(IDNO);
        auth->accept();
        const std::string question = "キーリング (Secret Service) に接続できないため、パスワードをキーリングに保管できません。\n\n"
                                     "パスワードを差出人データベース Account.mdb (本人だけが読み書きできるファイル) に保管しますか？";
        ASSERT_EQ(boxes.Texts(), std::vector<std::string>{question});
        EXPECT_EQ(boxes.boxes[0].caption.Str(), "確認");
        EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
        EXPECT_TRUE(auth->isVisible());
        EXPECT_TRUE(encrypt->isChecked());
        EXPECT_EQ(auth->focusWidget(), encrypt);
        // Yes: the box is cleared and the dialog closes.
        boxes.Answer(IDYES);
        auth->accept();
        EXPECT_FALSE(encrypt->isChecked());
        EXPECT_EQ(auth->result(), QDialog::Accepted);
    });
    edit.OnAuth();
    boxes.Clear();
    edit.accept();
    ASSERT_EQ(edit.result(), QDialog::Accepted);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Sql("SELECT SEND_PASSWORD FROM ACCOUNT"), password + "\n");
    EXPECT_EQ(Sql("SELECT PASSWORD_IN_KEYRING, SEND_SECURITY FROM ACCOUNT_AUTH"), "0|2\n");

    // Asked for the keyring at the edit dialog's OK (the keyring went away meanwhile): the
    // account is written, the password waits; No keeps the dialog open, Yes stores it in
    // Account.mdb, as one account.
    CSenderAccount account;
    account.displayName = "花子";
    account.mailAddress = "hanako@example.jp";
    account.sendServer = "smtp.example.jp";
    account.needSendAuth = 1;
    account.sendAccount = "hanako";
    account.password = password;
    account.passwordKnown = true;
    account.passwordInKeyring = true;
    account.passwordChanged = true;
    CSenderEditDlg second(account, nullptr);
    second.show();
    boxes.Answer(IDNO);
    second.accept();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.Str().find("保管しますか？"), std::string::npos);
    EXPECT_TRUE(second.isVisible());
    EXPECT_EQ(Sql("SELECT count(*), count(SEND_PASSWORD) FROM ACCOUNT WHERE MAIL_ADDRESS = 'hanako@example.jp'"), "1|0\n");
    boxes.Answer(IDYES);
    second.accept();
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(Sql("SELECT count(*), SEND_PASSWORD FROM ACCOUNT WHERE MAIL_ADDRESS = 'hanako@example.jp'"),
              "1|" + password + "\n");
    EXPECT_EQ(AllTexts().find(password), std::string::npos);
}

TEST_F(Keyring, TheDialogsKeepThePasswordInARealKeyring)
{
    const std::string password = "in-the-keyring-\xC3\xA4-" + std::to_string(getpid());
    CSenderListDlg list(nullptr);
    OnNextModal<CSenderEditDlg>([&](CSenderEditDlg* edit) {
        Fill(edit, u"山田 太郎"_s, u"taro@example.jp"_s, u"smtp.example.jp"_s, u"587"_s);
        OnNextModal<CSenderAuthDlg>([&](CSenderAuthDlg* auth) {
            Control<QCheckBox>(auth, CSenderAuthDlg::IDC_NEED_AUTH)->click();
            Edit(auth, CSenderAuthDlg::IDC_USER)->setText(u"taro"_s);
            QLineEdit* pass = Edit(auth, CSenderAuthDlg::IDC_PASSWORD);
            pass->setText(QString::fromStdString(password));
            emit pass->textEdited(pass->text());
            Control<QCheckBox>(auth, CSenderAuthDlg::IDC_ENCRYPT)->click();
            EXPECT_EQ(Control<QLabel>(auth, CSenderAuthDlg::IDC_PASSWORD_PLACE)->text(),
                      u"パスワードはデスクトップのキーリングに保管します。"_s);
            Control<QPushButton>(auth, IDOK)->click();
        });
        edit->OnAuth();
        Control<QPushButton>(edit, IDOK)->click();
    });
    list.OnAdd();
    ASSERT_EQ(list.GetList()->count(), 1);
    const long id = list.GetSelectedId();
    EXPECT_EQ(keyringtest::SecretToolLookup(id), password);
    EXPECT_EQ(Sql("SELECT typeof(SEND_PASSWORD) FROM ACCOUNT"), "null\n");
    EXPECT_EQ(Sql("SELECT PASSWORD_IN_KEYRING FROM ACCOUNT_AUTH"), "1\n");

    // Read back from the keyring into the hidden field.
    CSenderAccount stored;
    CString detail;
    ASSERT_EQ(stored.Load(id, detail), CSenderSecurity::Ok);
    {
        CSenderAuthDlg auth(stored, nullptr);
        EXPECT_EQ(Edit(&auth, CSenderAuthDlg::IDC_PASSWORD)->text().toStdString(), password);
        EXPECT_TRUE(Control<QCheckBox>(&auth, CSenderAuthDlg::IDC_ENCRYPT)->isChecked());
    }

    // Deleting the account deletes its secret.
    boxes.Answer(IDYES);
    list.OnDelete();
    EXPECT_EQ(list.GetList()->count(), 0);
    EXPECT_EQ(keyringtest::SecretToolLookup(id), "");
    EXPECT_EQ(Sql("SELECT (SELECT count(*) FROM ACCOUNT) + (SELECT count(*) FROM ACCOUNT_AUTH)"), "0\n");
    EXPECT_EQ(AllTexts().find(password), std::string::npos);
}

TEST_F(SenderDialogs, AnAccountMadeInTheDialogsSendsWithPopBeforeSmtp)
{
    std::string why;
    if (!SmtpServerProcess::Available(why)) GTEST_SKIP() << why;
    SmtpServerProcess smtp;
    ASSERT_GT(smtp.Port(), 0);
    CSmtp::SetTimeout(20000);

    // Made in the dialogs as a user would: add, the login, the default sender, close.
    CSenderListDlg list(nullptr);
    OnNextModal<CSenderEditDlg>([&](CSenderEditDlg* edit) {
        Fill(edit, u"山田 太郎"_s, u"taro@example.jp"_s, u"127.0.0.1"_s, QString::number(smtp.Port()));
        OnNextModal<CSenderAuthDlg>([&](CSenderAuthDlg* auth) {
            Control<QCheckBox>(auth, CSenderAuthDlg::IDC_NEED_AUTH)->click();
            Control<QRadioButton>(auth, CSenderAuthDlg::IDC_POP_BEFORE_SMTP)->click();
            Edit(auth, CSenderAuthDlg::IDC_RECEIVE_SERVER)->setText(u"pop.example.jp"_s);
            Edit(auth, CSenderAuthDlg::IDC_USER)->setText(u"taro"_s);
            QLineEdit* pass = Edit(auth, CSenderAuthDlg::IDC_PASSWORD);
            pass->setText(u"p\u00e4ss"_s);
            emit pass->textEdited(pass->text());
            Control<QPushButton>(auth, IDOK)->click();
        });
        Control<QPushButton>(edit, CSenderEditDlg::IDC_AUTH)->click();
        Control<QPushButton>(edit, IDOK)->click();
    });
    Control<QPushButton>(&list, CSenderListDlg::IDC_ADD)->click();
    Control<QPushButton>(&list, CSenderListDlg::IDC_DEFAULT)->click();
    Control<QCheckBox>(&list, CSenderListDlg::IDC_TO_BCC)->click();
    list.reject();

    auto pop = std::make_shared<FakeScript>();
    for (const char* reply : {"+OK ready\r\n", "+OK\r\n", "+OK logged in\r\n", "+OK bye\r\n"}) pop->Reply(reply);
    FakePopThenRealSockets sockets(pop);

    ASSERT_TRUE(MakeWizard());
    TypeSubject(u"POP before SMTP の確認"_s);
    auto* body = dynamic_cast<CBodyPage*>(WizardTest::Current());
    ASSERT_NE(body, nullptr);
    body->GetEditor()->insertPlainText(u"本文です。"_s);
    Command(ID_NEXT_PAGE);
    Command(ID_NEXT_PAGE);
    auto* address = dynamic_cast<CAddressPage*>(WizardTest::Current());
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->GetSenderBox()->currentText(), u"山田 太郎 <taro@example.jp> (通常)"_s);
    address->GetToEdit()->setText(u"hanako@example.com"_s);
    emit address->GetToEdit()->textEdited(address->GetToEdit()->text());
    Command(IDOK);
    CSmtp::SetTimeout(0);

    EXPECT_EQ(boxes.unexpected, 0) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text.Str());
    EXPECT_EQ(pop->host, "pop.example.jp");
    EXPECT_EQ(pop->port, 110);
    EXPECT_EQ(pop->ClientBytes(), "USER taro\r\nPASS p\xC3\xA4ss\r\nQUIT\r\n");
    EXPECT_TRUE(sockets.popDoneBeforeSmtp);
    const std::string envelope = smtp.Read("1.json");
    EXPECT_NE(envelope.find("\"mail_from\": \"taro@example.jp\""), std::string::npos) << envelope;
    // Sender-in-Bcc was turned off in the list dialog: the only recipient is the To address.
    EXPECT_NE(envelope.find("\"rcpt_tos\": [\"hanako@example.com\"]"), std::string::npos) << envelope;
    EXPECT_NE(smtp.Read("1.eml").find("From: =?iso-2022-jp?B?"), std::string::npos);
}
