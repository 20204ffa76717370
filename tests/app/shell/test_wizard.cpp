// Verifies the wizard frame offscreen: page order from the settings and the page order
// dialog, the button texts per position, every branch of Navigate with its questions and
// their No, the sender check, preview at send, the sizing rule, the menu bar and table 184,
// and the flags and window position kept in the databases.
#include "WizardTestKit.h"

#include "Keys.h"
#include "Modal.h"

#include "pages/CAddressPage.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CBodyPage.h"
#include "shell/CPageOrderDlg.h"
#include "shell/WindowPlacement.h"
#include "data/CEditSettingSet.h"
#include "data/CWindowPosSet.h"
#include "letter/CLetterFormat.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::vector<std::string> Names(const CMailWizard& wizard)
{
    std::vector<std::string> names;
    for (int i = 0; i < CMailWizard::kPageCount; ++i)
        names.push_back(wizard.GetPageAt(i)->GetPageName());
    return names;
}

int Px(int designed)
{
    return CLetterFormat::DesignPixels(designed);
}

}  // namespace

TEST_F(WizardTest, DefaultOrderTitlesAndButtonTexts)
{
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(Names(*wizard), (std::vector<std::string>{"Body", "Letter", "Address"}));
    EXPECT_EQ(Current(), Page(0));
    EXPECT_TRUE(Page(0)->isVisible());
    EXPECT_FALSE(Page(1)->isVisible());
    EXPECT_EQ(Page(0)->windowTitle(), u"Velto Quillon - 本文、添付ファイル"_s);
    EXPECT_EQ(Page(1)->windowTitle(), u"Velto Quillon - 件名、文面定型"_s);
    EXPECT_EQ(Page(2)->windowTitle(), u"Velto Quillon - 宛先"_s);
    EXPECT_EQ(Page(0)->GetTemplateId(), 159u);
    EXPECT_EQ(Page(1)->GetTemplateId(), 153u);
    EXPECT_EQ(Page(2)->GetTemplateId(), 179u);
    const QString texts[3][2] = {{u"キャンセル"_s, u"進む >"_s}, {u"< 戻る"_s, u"進む >"_s}, {u"< 戻る"_s, u"送信"_s}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Page(i)->GetCancelButton()->text(), texts[i][0]) << i;
        EXPECT_EQ(Page(i)->GetOkButton()->text(), texts[i][1]) << i;
        EXPECT_EQ(GetDlgItem(Page(i), CWizardPage::IDC_SUBJECT), Page(i)->GetSubjectEdit());
        EXPECT_EQ(GetDlgItem(Page(i), IDOK), Page(i)->GetOkButton());
    }
    EXPECT_EQ(main->windowTitle(), u"新規メール"_s);
    EXPECT_FALSE(main->isVisible());  // never mapped: the page carries the task-bar entry
    EXPECT_EQ(Page(0)->windowIconText(), u"新規メール"_s);
    TypeSubject(u"打ち合わせの件"_s);
    EXPECT_EQ(main->windowTitle(), u"打ち合わせの件"_s);
    EXPECT_EQ(Page(1)->windowIconText(), u"打ち合わせの件"_s);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(WizardTest, PageOrderFromTheSettingsAlwaysHoldsEveryPageOnce)
{
    CProfile::Get().SetPageOrder(u"Address"_s, 0);
    CProfile::Get().SetPageOrder(u"Letter"_s, 1);
    CProfile::Get().SetPageOrder(u"Body"_s, 2);
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(Names(*wizard), (std::vector<std::string>{"Address", "Letter", "Body"}));
    EXPECT_EQ(Page(0)->GetCancelButton()->text(), u"キャンセル"_s);
    EXPECT_EQ(Page(2)->GetOkButton()->text(), u"送信"_s);
    EXPECT_TRUE(wizard->IsLastPage(wizard->GetPage("Body")));
    DestroyWizard();

    // Two pages claiming one place, a value out of range and one below zero: the designed
    // reading would lose a page and show another twice; every page stays, once.
    CProfile::Get().SetPageOrder(u"Address"_s, 0);
    CProfile::Get().SetPageOrder(u"Letter"_s, 0);
    CProfile::Get().SetPageOrder(u"Body"_s, 7);
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(Names(*wizard), (std::vector<std::string>{"Body", "Letter", "Address"}));
    DestroyWizard();
    CProfile::Get().SetPageOrder(u"Body"_s, -1);
    CProfile::Get().SetPageOrder(u"Letter"_s, 2);
    CProfile::Get().SetPageOrder(u"Address"_s, 1);
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(Names(*wizard), (std::vector<std::string>{"Body", "Address", "Letter"}));
}

TEST_F(WizardTest, PageOrderDialogMovesEntriesAndWritesTheOrder)
{
    ASSERT_TRUE(MakeWizard());
    // Cancelled: nothing changes.
    OnNextModal<CPageOrderDlg>([](CPageOrderDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"ページ順の変更"_s);
        EXPECT_EQ(dialog->GetCaptions(), (QStringList{u"本文、添付ファイル"_s, u"件名、文面定型"_s, u"宛先"_s}));
        EXPECT_EQ(dialog->GetList()->currentRow(), 0);
        dialog->OnUp();  // the first entry cannot go up
        EXPECT_EQ(dialog->GetCaptions()[0], u"本文、添付ファイル"_s);
        dialog->reject();
    });
    Command(CWizardPage::ID_PAGE_ORDER);
    EXPECT_EQ(Names(*wizard), (std::vector<std::string>{"Body", "Letter", "Address"}));

    OnNextModal<CPageOrderDlg>([](CPageOrderDlg* dialog) {
        dialog->GetList()->setCurrentRow(2);
        dialog->OnUp();
        dialog->OnUp();
        dialog->OnUp();
        EXPECT_EQ(dialog->GetList()->currentRow(), 0);
        dialog->GetList()->setCurrentRow(1);
        dialog->OnDown();
        dialog->OnDown();
        EXPECT_EQ(dialog->GetCaptions(), (QStringList{u"宛先"_s, u"件名、文面定型"_s, u"本文、添付ファイル"_s}));
        dialog->accept();
    });
    Command(CWizardPage::ID_PAGE_ORDER);
    EXPECT_EQ(Names(*wizard), (std::vector<std::string>{"Address", "Letter", "Body"}));
    EXPECT_EQ(wizard->GetCurrentIndex(), 2);  // the Body page is still the one shown
    EXPECT_EQ(Current()->GetOkButton()->text(), u"送信"_s);
    EXPECT_EQ(CProfile::Get().GetPageOrder(u"Address"_s, -1), 0);
    EXPECT_EQ(CProfile::Get().GetPageOrder(u"Letter"_s, -1), 1);
    EXPECT_EQ(CProfile::Get().GetPageOrder(u"Body"_s, -1), 2);
}

TEST_F(WizardTest, NavigateBackNextAndTheCloseQuestions)
{
    ASSERT_TRUE(MakeWizard());
    Page(0)->move(40, 30);
    Command(IDOK);
    EXPECT_EQ(wizard->GetCurrentIndex(), 1);
    EXPECT_EQ(Current(), Page(1));
    EXPECT_TRUE(Page(1)->isVisible());
    EXPECT_FALSE(Page(0)->isVisible());
    EXPECT_EQ(Page(1)->pos(), Page(0)->pos());
    Command(ID_PREV_PAGE);
    EXPECT_EQ(Current(), Page(0));

    // Cancel on page 0 with a changed message asks; No keeps the page.
    TypeSubject(u"件名"_s);
    boxes.Answer(IDNO);
    Command(IDCANCEL);
    ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"送信せずに閉じてもよろしいですか？"}));
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "新規メール");
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(Current(), Page(0));
    EXPECT_TRUE(Page(0)->isVisible());
    EXPECT_TRUE(quits.empty());

    // The close command from page 1: the same question; Yes ends the program.
    Command(IDOK);
    boxes.Clear();
    boxes.Answer(IDYES);
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Current(), nullptr);
    EXPECT_FALSE(Page(1)->isVisible());
    EXPECT_EQ(quits, std::vector<int>{0});
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(WizardTest, CancelOnAnUnchangedFirstPageEndsWithoutAQuestion)
{
    ASSERT_TRUE(MakeWizard());
    PressKey(Page(0)->GetSubjectEdit(), Qt::Key_Escape);  // Esc is the IDCANCEL button
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Current(), nullptr);
    EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(WizardTest, MainDialogCloseAsksTheCurrentPage)
{
    ASSERT_TRUE(MakeWizard());
    TypeSubject(u"未送信"_s);
    boxes.Answer(IDNO);
    EXPECT_EQ(main->OnClose(), 0);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"送信せずに閉じてもよろしいですか？"}));
    EXPECT_EQ(Current(), Page(0));
    boxes.Answer(IDYES);
    EXPECT_EQ(main->OnClose(), 1);
    EXPECT_EQ(Current(), nullptr);
}

TEST_F(WizardTest, EmptySubjectQuestionOnTheLastPageAndItsNo)
{
    CProfile::Get().SetPageOrder(u"Address"_s, 1);
    CProfile::Get().SetPageOrder(u"Letter"_s, 2);
    AddAccount("taro@example.com");
    ASSERT_TRUE(MakeWizard());
    auto* address = dynamic_cast<CAddressPage*>(Page(1));
    address->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    Command(IDOK);
    Command(IDOK);
    ASSERT_TRUE(wizard->IsLastPage(Current()));
    // Not the last page: no question for an empty subject.
    EXPECT_EQ(Page(0)->HasError(), 0);
    EXPECT_TRUE(boxes.boxes.empty());

    Current()->GetSubjectEdit()->clearFocus();
    boxes.Answer(IDNO);
    EXPECT_EQ(Current()->HasError(), 1);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"件名が入力されていませんが、よろしいですか？"}));
    EXPECT_EQ(boxes.boxes[0].type, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "新規メール");
    Current()->activateWindow();
    EXPECT_TRUE(Current()->GetSubjectEdit()->hasFocus() || QApplication::focusWidget() == nullptr ||
                Current()->focusWidget() == Current()->GetSubjectEdit());
    boxes.Answer(IDYES);
    EXPECT_EQ(Current()->HasError(), 0);
}

TEST_F(WizardTest, SendChecksTheFirstPagesThenTheSender)
{
    ASSERT_TRUE(MakeWizard());
    Command(IDOK);
    Command(IDOK);
    auto* address = dynamic_cast<CAddressPage*>(Current());
    ASSERT_NE(address, nullptr);

    // No account at all: the Address page's own check.
    TypeSubject(u"件名"_s);
    Command(IDOK);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"差出人が設定されていません。"}));
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "エラー");
    EXPECT_EQ(Current(), address);

    // An account, but no To address.
    boxes.Clear();
    AddAccount("taro@example.com");
    address->LoadSenders();
    Command(IDOK);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"宛先が入力されていません。"}));

    // An account whose address is empty: the wizard's sender check, and the page stays.
    boxes.Clear();
    CAccountSet accounts;
    ASSERT_TRUE(accounts.Open());
    long emptyId = 0;
    ASSERT_TRUE(accounts.Add("空", "", "127.0.0.1", 25, 0, "", "", "", emptyId));
    address->LoadSenders();
    address->GetSenderBox()->setCurrentIndex(address->GetSenderBox()->findData(QVariant::fromValue<qlonglong>(emptyId)));
    address->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    Command(IDOK);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "差出人の設定が正しくされていません。差出人欄の右側[...]ボタンを押して設定してください。"}));
    EXPECT_EQ(boxes.boxes[0].caption.Str(), "差出人の設定");
    EXPECT_EQ(boxes.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(Current(), address);
    EXPECT_TRUE(address->isVisible());

    // With the Address page first in the order, its check runs when sending from the last
    // page and brings it forward.
    DestroyWizard();
    CProfile::Get().SetPageOrder(u"Address"_s, 0);
    CProfile::Get().SetPageOrder(u"Body"_s, 1);
    CProfile::Get().SetPageOrder(u"Letter"_s, 2);
    ASSERT_TRUE(MakeWizard());
    auto* first = dynamic_cast<CAddressPage*>(Page(0));
    ASSERT_NE(first, nullptr);
    boxes.Clear();
    Command(ID_NEXT_PAGE);  // Next checks the To field too
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"宛先が入力されていません。"}));
    first->GetSenderBox()->setCurrentIndex(0);
    first->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    TypeSubject(u"件名"_s);
    Command(ID_NEXT_PAGE);
    Command(ID_NEXT_PAGE);
    ASSERT_EQ(wizard->GetCurrentIndex(), 2);
    first->GetPanel()->ClearList(CAddressTarget::ToList);
    boxes.Clear();
    Command(IDOK);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"宛先が入力されていません。"}));
    EXPECT_EQ(Current(), first);
    EXPECT_EQ(wizard->GetCurrentIndex(), 0);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(Page(2)->isVisible());
}

TEST_F(WizardTest, PreviewAtSendClosedWithCloseDoesNotSend)
{
    ASSERT_TRUE(MakeWizard());
    AddAccount("taro@example.com", "127.0.0.1", 1);  // port 1: a send would fail at once
    Command(CWizardPage::ID_PREVIEW_AT_SEND);
    EXPECT_EQ(wizard->GetPreviewAtSend(), 1);
    QAction* check = FindCommandAction(Current()->GetMenu(), CWizardPage::ID_PREVIEW_AT_SEND);
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->isChecked());

    // The menu's preview has no send button.
    Command(ID_PREVIEW);
    EXPECT_EQ(previews, std::vector<int>{0});

    TypeSubject(u"件名"_s);
    Command(IDOK);
    Command(IDOK);
    auto* address = dynamic_cast<CAddressPage*>(Current());
    address->LoadSenders();
    address->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"hanako@example.com"_s);
    previewAnswer = IDCANCEL;
    Command(IDOK);
    EXPECT_EQ(previews, (std::vector<int>{0, 1}));
    EXPECT_TRUE(boxes.boxes.empty());  // nothing was sent, so no error either
    EXPECT_EQ(Current(), address);
    EXPECT_TRUE(address->isVisible());
}

TEST_F(WizardTest, SizingRuleAndButtonPlaces)
{
    ASSERT_TRUE(MakeWizard());
    for (int i = 0; i < 3; ++i) {
        CWizardPage* page = Page(i);
        EXPECT_EQ(page->width(), Px(660)) << i;
        EXPECT_GE(page->height(), Px(610)) << i;
        page->resize(400, 300);  // dragging an edge: width held, height no lower
        EXPECT_EQ(page->width(), Px(660));
        EXPECT_EQ(page->height(), Px(610));
        page->resize(900, 800);
        EXPECT_EQ(page->width(), Px(660));
        EXPECT_EQ(page->height(), 800);
        page->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(page->GetOkButton()->pos(), QPoint(page->width() - Px(160), page->height() - Px(35)));
        EXPECT_EQ(page->GetCancelButton()->pos(), QPoint(page->width() - Px(280), page->height() - Px(35)));
        EXPECT_TRUE(page->rect().contains(page->GetOkButton()->geometry()));
        EXPECT_FALSE(page->GetOkButton()->geometry().intersects(page->GetCancelButton()->geometry()));
        if (i != 0) page->hide();
    }
    // The next page keeps the height the user gave the window.
    Command(IDOK);
    EXPECT_EQ(Current()->height(), Page(0)->height());
}

TEST_F(WizardTest, FlagsAndWindowPositionAreKeptAcrossStarts)
{
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(wizard->GetCloseAfterSend(), 0);
    Command(CWizardPage::ID_CLOSE_AFTER_SEND);
    Command(CWizardPage::ID_PREVIEW_AT_SEND);
    Command(CWizardPage::ID_PREVIEW_AT_SEND);
    Page(0)->move(100, 0);
    Command(IDCANCEL);  // ends: the flags are written
    ASSERT_EQ(quits.size(), 1u);
    {
        CEditSettingSet settings;
        ASSERT_TRUE(settings.Open());
        EXPECT_EQ(settings.closeAfterSend, 1);
        EXPECT_EQ(settings.previewAtSend, 0);
    }
    DestroyWizard();  // writes the first page's position
    {
        CWindowPosSet position;
        ASSERT_TRUE(position.Open());
        EXPECT_EQ(position.wizardPosX, 100);
        EXPECT_EQ(position.wizardPosY, 0);
    }
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(wizard->GetCloseAfterSend(), 1);
    EXPECT_EQ(Page(0)->pos(), QPoint(100, 0));
    QAction* check = FindCommandAction(Page(0)->GetMenu(), CWizardPage::ID_CLOSE_AFTER_SEND);
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->isChecked());
    DestroyWizard();

    // A position from a screen that is gone: the window comes back fully visible.
    {
        CWindowPosSet position;
        ASSERT_TRUE(position.Open());
        position.wizardPosX = 5000;
        position.wizardPosY = -3000;
        ASSERT_TRUE(position.Save());
    }
    ASSERT_TRUE(MakeWizard());
    const QRect screen = AvailableScreenAreas().first();
    const QRect placed(Page(0)->pos(), Page(0)->size());
    EXPECT_GE(placed.left(), screen.left());
    EXPECT_LE(placed.right(), screen.right());
    EXPECT_EQ(placed.top(), screen.top());
}

TEST(WindowPlacement, StoredPositionOrTheNearestFullyVisibleOne)
{
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize size(680, 660);
    EXPECT_EQ(FullyVisiblePosition({100, 50}, size, screens), QPoint(100, 50));
    EXPECT_EQ(FullyVisiblePosition({2000, 300}, size, screens), QPoint(2000, 300));  // second screen
    // The second monitor was removed: back onto the first, fully visible.
    EXPECT_EQ(FullyVisiblePosition({2000, 300}, size, {QRect(0, 0, 1920, 1080)}), QPoint(1240, 300));
    // Half off the bottom and left of the screen it overlaps most.
    EXPECT_EQ(FullyVisiblePosition({-200, 900}, size, screens), QPoint(0, 420));
    EXPECT_EQ(FullyVisiblePosition({1700, 100}, size, screens), QPoint(1920, 100));  // mostly on the second
    // Nowhere near any screen: the primary one.
    EXPECT_EQ(FullyVisiblePosition({-9000, -9000}, size, screens), QPoint(0, 0));
    // Larger than the screen: its top-left corner.
    EXPECT_EQ(FullyVisiblePosition({50, 50}, QSize(2000, 1200), {QRect(0, 0, 1920, 1080)}), QPoint(0, 0));
}

TEST_F(WizardTest, MenuBarHoldsEveryCommandAndTable184Works)
{
    ASSERT_TRUE(MakeWizard());
    CWizardPage* page = Page(0);
    QMenuBar* bar = page->GetMenu();
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* menu : bar->actions())
        titles << menu->text();
    EXPECT_EQ(titles, (QStringList{u"ファイル(&F)"_s, u"編集(&E)"_s, u"書式(&O)"_s, u"ページ(&P)"_s, u"ツール(&K)"_s, u"ヘルプ(&H)"_s}));
    const std::pair<UINT, QString> designed[] = {
        {ID_FILE_CLOSE, u"閉じる(&C)"_s},
        {ID_NEXT_PAGE, u"進む/送信(&F)"_s},
        {ID_PREV_PAGE, u"戻る/キャンセル(&B)"_s},
        {ID_PREVIEW, u"プレビュー(&V)..."_s},
        {CWizardPage::ID_OPEN_MAIL_READER, u"メール受信ソフトを開く(&E)..."_s},
        {CWizardPage::ID_ADDRESS_BOOK, u"アドレス帳(&A)..."_s},
        {CWizardPage::ID_FLOATING, u"フローティング表示(&F)"_s},
        {CWizardPage::ID_IMPORT_CSV, u"CSVファイルより(&C)..."_s},
        {CWizardPage::ID_EXPORT_VCARD, u"vCardファイルへ(&V)..."_s},
        {ID_FILE_SAVE_AS, u"名前を付けて保存(&A)..."_s},
        {ID_WORK_WINDOW, u"ワーク表示(&W)"_s},
        {CWizardPage::ID_CLOSE_AFTER_SEND, u"送信後に閉じる(&C)"_s},
        {CWizardPage::ID_PREVIEW_AT_SEND, u"送信時にプレビュー(&V)"_s},
        {CWizardPage::ID_PAGE_ORDER, u"ページ順を変更(&O)..."_s},
        {CWizardPage::ID_APP_ABOUT, u"バージョン情報(&V)..."_s},
        {ID_EDIT_UNDO, u"元に戻す(&U)"_s},
        {ID_EDIT_REDO, u"やり直し(&R)"_s},
        {ID_EDIT_RECONVERT, u"再変換(&R)"_s},
        {ID_EDIT_MODIFY, u"修正(&M)"_s},
        {ID_EDIT_PASTE_REPLY, u"返信(&R)"_s},
        {ID_EDIT_PASTE_FORWARD, u"転送(&F)"_s},
        {ID_EDIT_PASTE_REFERENCE, u"参照作成(&S)"_s},
        {ID_EDIT_PASTE_ATTACH, u"添付(&A)"_s},
        {ID_FORM_BULLET, u"次行以降の開始位置(&B)"_s},
    };
    for (const auto& [id, text] : designed) {
        QAction* action = FindCommandAction(bar, id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->text().section(u'\t', 0, 0), text) << id;
    }
    EXPECT_EQ(FindCommandAction(bar, ID_NEXT_PAGE)->text().section(u'\t', 1), u"Ctrl+→"_s);
    EXPECT_EQ(FindCommandAction(bar, CWizardPage::ID_FLOATING)->text().section(u'\t', 1), u"Ctrl+L"_s);
    // Every routed edit and format command of the common table is on the bar.
    for (UINT id : {ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_PASTE_REPLY_TEXT, ID_EDIT_DELETE,
                    ID_EDIT_SELECT_ALL, ID_EDIT_ADD, ID_FORM_NEW_SENTENCE, ID_FORM_REPLY_SENTENCE,
                    ID_FORM_LINE_LENGTH, ID_FORM_LEFT_INDENT_ADD, ID_FORM_LEFT_INDENT_DELETE,
                    ID_FORM_RIGHT_INDENT_ADD, ID_FORM_RIGHT_INDENT_DELETE, ID_HELP})
        EXPECT_NE(FindCommandAction(bar, id), nullptr) << id;

    // The idle pass: with the focus in the subject, copy follows its selection; the paste-mail
    // commands are greyed; the address book, the import and the export work on every page.
    page->activateWindow();
    page->GetSubjectEdit()->setFocus();
    page->GetSubjectEdit()->setText(u"abc"_s);
    page->GetSubjectEdit()->selectAll();
    page->UpdateMenu();
    if (QApplication::focusWidget() == page->GetSubjectEdit()) {
        EXPECT_TRUE(FindCommandAction(bar, ID_EDIT_COPY)->isEnabled());
    }
    EXPECT_FALSE(FindCommandAction(bar, ID_EDIT_PASTE_REPLY)->isEnabled());
    EXPECT_TRUE(FindCommandAction(bar, CWizardPage::ID_ADDRESS_BOOK)->isEnabled());
    EXPECT_TRUE(FindCommandAction(bar, CWizardPage::ID_IMPORT_CSV)->isEnabled());
    EXPECT_TRUE(FindCommandAction(bar, CWizardPage::ID_EXPORT_VCARD)->isEnabled());
    EXPECT_TRUE(FindCommandAction(bar, ID_FILE_SAVE_AS)->isEnabled());
    EXPECT_TRUE(FindCommandAction(bar, ID_NEXT_PAGE)->isEnabled());

    // Ctrl+→ and Ctrl+← walk the pages from any control.
    PressKey(page->GetSubjectEdit(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Current(), Page(1));
    PressKey(Page(1)->GetSubjectEdit(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Current(), Page(2));
    PressKey(Page(2)->GetSubjectEdit(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Current(), Page(1));
    // Ctrl+Shift+P is the preview without a send button.
    PressKey(Page(1)->GetSubjectEdit(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(previews, std::vector<int>{0});
}

TEST_F(WizardTest, SubjectHoldsAtMost255Bytes)
{
    ASSERT_TRUE(MakeWizard());
    TypeSubject(QString(200, u'あ'));  // 400 bytes of code page 932
    EXPECT_EQ(Current()->GetSubjectText().GetLength(), 254);  // no half character
    EXPECT_EQ(Current()->GetSubjectEdit()->text(), QString(127, u'あ'));
    TypeSubject(QString(300, u'a'));
    EXPECT_EQ(Current()->GetSubjectText().GetLength(), 255);
}

TEST_F(WizardTest, PageRequestsGoThroughTheWizardByName)
{
    ASSERT_TRUE(MakeWizard());
    EXPECT_EQ(wizard->GetPage("Address"), Page(2));
    EXPECT_EQ(wizard->GetPage("Nowhere"), nullptr);
    EXPECT_EQ(wizard->RequestPage("Nowhere", CWizardPage::RequestApplyAddressTemplate, 3), 0);
    // There is no template 3.
    EXPECT_EQ(wizard->RequestPage("Address", CWizardPage::RequestApplyAddressTemplate, 3), 0);

    // ReloadAll and ResetAll reach every page.
    doc->SetSubject("再読み込み");
    wizard->ReloadAll();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Page(i)->GetSubjectEdit()->text(), u"再読み込み"_s);
    wizard->ResetAll();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Page(i)->GetSubjectEdit()->text().isEmpty());
}
