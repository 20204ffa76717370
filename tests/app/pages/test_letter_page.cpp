// Verifies the Letter page (dialog 153) in the wizard, offscreen: its controls, texts,
// tooltips and fonts; initialise, activate and leave (the five-line preview, byte-exact
// stores, UPPER_REPLY, nothing marked without a change); the subject prefix, salutation,
// signature, clear-all and template actions with the request to the Address page; the idle
// enabling; the edit commands in every field; the phrase and template buttons with their
// dialogs; and a letter made of every piece sent to aiosmtpd on loopback, read back with
// Python's email package. Run once at 96 DPI and once with QT_FONT_DPI=144.
#include "../shell/WizardTestKit.h"

#include "Keys.h"
#include "LayoutCheck.h"
#include "LetterTestKit.h"
#include "Modal.h"
#include "Screenshot.h"
#include "SmtpServerProcess.h"

#include "pages/CAddressPage.h"
#include "pages/CAddressPanel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CBodyPage.h"
#include "pages/CLetterPage.h"
#include "pages/CPhraseCombo.h"
#include "pages/CTemplateListBox.h"
#include "settings/CLetterTemplateDlg.h"
#include "settings/CPhraseDlg.h"
#include "command/QtText.h"
#include "data/LetterTables.h"
#include "letter/CEditLetter.h"
#include "letter/CPhraseTextEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// A choice of the user: the entry becomes current and the combo reports it.
void Choose(CPhraseCombo* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

class LetterPageTest : public WizardTest {
protected:
    // Starts the wizard and goes to the Letter page (the second in the default order).
    CLetterPage* OpenLetterPage()
    {
        EXPECT_TRUE(MakeWizard());
        wizard->requestSeen = [this](const char* name, int request, const QVariant& argument) {
            requests.push_back({name, request, argument.toLongLong()});
        };
        Command(ID_NEXT_PAGE);
        auto* page = dynamic_cast<CLetterPage*>(Current());
        EXPECT_NE(page, nullptr);
        return page;
    }
    CString Subject(CWizardPage* page) const { return page->GetSubjectText(); }

    struct Request {
        std::string name;
        int request;
        qlonglong argument;
        bool operator==(const Request&) const = default;
    };
    std::vector<Request> requests;
};

}  // namespace

TEST_F(LetterPageTest, ControlsTextsTooltipsAndFonts)
{
    AddPhrase("SUBJECT_PREFIX", "重要", "【重要】");
    AddPhrase("DEAR", "ベルト社", "株式会社ベルト\r\n営業部　山田様");
    AddPhrase("GREETING", "通常", "いつもお世話になっております。");
    AddPhrase("CLOSING", "結び", "よろしくお願いいたします。");
    const long signature = AddPhrase(
        "SIGNATURE", "会社", "--\r\n株式会社ベルト　開発部　第一グループ　プロダクトマネージャー　山田 太郎\r\nTEL 03-1234-5678");
    CLetterTemplate record;
    record.title = "月例会議のご案内（社内向け）";
    AddTemplate(record);
    doc->SetBody("皆様\r\n\r\nお疲れ様です。\r\n来週の月例会議のご案内です。\r\n資料は前日までにお送りします。\r\n\r\n以上");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->windowTitle(), u"Velto Quillon - 件名、文面定型"_s);
    EXPECT_STREQ(page->GetPageName(), "Letter");

    struct Control {
        int id;
        const char* type;
        const char16_t* text;
        const char16_t* tip;
    };
    const Control controls[] = {
        {1039, "CPhraseCombo", nullptr, u"[件名]ボタンで登録した件名定型の一覧です。選択すると件名の先頭に追加されます。"},
        {1035, "QToolButton", nullptr, u"件名定型選択の解除"},
        {1027, "QPushButton", u"件名", u"件名定型の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
        {1040, "CPhraseCombo", nullptr, u"[宛名書き]ボタンで登録した宛名書きの一覧です。"},
        {1032, "QToolButton", nullptr, u"宛名書きのクリア"},
        {1028, "QPushButton", u"宛名書き", u"宛名書き定型の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
        {1001, "CPhraseTextEdit", nullptr, nullptr},
        {1004, "CPhraseCombo", nullptr, u"[あいさつ]ボタンで登録したあいさつ文の一覧です。また、ここに直接入力することもできます。"},
        {1030, "QToolButton", nullptr, u"あいさつのクリア"},
        {1029, "QPushButton", u"あいさつ", u"あいさつ定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"},
        {1006, "QPlainTextEdit", nullptr, nullptr},
        {1105, "QCheckBox", u"引用文の上に配置(&U)", u"返信や転送時に、結びと署名を引用文の上に置きたい場合はチェックしてください。"},
        {1008, "CPhraseCombo", nullptr, u"[結び]ボタンで登録した結び文の一覧です。また、ここに直接入力することもできます。"},
        {1034, "QToolButton", nullptr, u"結びのクリア"},
        {1031, "QPushButton", u"結び", u"結び定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"},
        {1009, "CPhraseCombo", nullptr, u"[署名]ボタンで登録した署名の一覧です。"},
        {1036, "QToolButton", nullptr, u"署名のクリア"},
        {1033, "QPushButton", u"署名", u"署名定型の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
        {1003, "CPhraseTextEdit", nullptr, nullptr},
        {1123, "CTemplateListBox", nullptr, u"[文面定型]ボタンで登録した文面定型の一覧です。"},
        {1023, "QToolButton", nullptr, u"文面定型選択の解除"},
        {1026, "QPushButton", u"文面定型(&T)", u"文面定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"},
        {1126, "QPushButton", u"<<置換(&R)", nullptr},
        {1127, "QPushButton", u"クリア", nullptr},
        {1128, "QCheckBox", u"クリックで置換(&L)", nullptr},
        {1000, "QLineEdit", nullptr, nullptr},
    };
    for (const Control& control : controls) {
        SCOPED_TRACE(control.id);
        QWidget* widget = GetDlgItem(page, control.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), control.type);
        EXPECT_TRUE(widget->isVisible());
        if (control.text != nullptr) {
            EXPECT_EQ(qobject_cast<QAbstractButton*>(widget)->text(), QString::fromUtf16(control.text));
        }
        if (control.tip != nullptr) {
            EXPECT_EQ(widget->toolTip(), QString::fromUtf16(control.tip));
        }
    }

    // The phrase lists: the prefix shows its text, the others their titles; only the
    // greeting and closing take typing.
    EXPECT_EQ(page->GetPrefixCombo()->itemText(0), u"【重要】"_s);
    EXPECT_EQ(page->GetDearCombo()->itemText(0), u"ベルト社"_s);
    EXPECT_EQ(page->GetSignatureCombo()->itemText(0), u"会社"_s);
    EXPECT_EQ(page->GetSignatureCombo()->GetPhrases()[0].id, signature);
    for (CPhraseCombo* combo : {page->GetPrefixCombo(), page->GetDearCombo(), page->GetSignatureCombo()})
        EXPECT_FALSE(combo->isEditable());
    for (CPhraseCombo* combo : {page->GetGreetingCombo(), page->GetClosingCombo()})
        EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(page->GetTemplateList()->item(0)->text(), u"月例会議のご案内（社内向け）"_s);

    // IPAGothic 9 pt on the salutation, preview and signature; the preview is greyed and
    // read-only, the signature read-only.
    for (QWidget* edit : {static_cast<QWidget*>(page->GetDearEdit()), static_cast<QWidget*>(page->GetBodyPreview()),
                          static_cast<QWidget*>(page->GetSignatureEdit())}) {
        EXPECT_EQ(edit->font().family(), u"IPAGothic"_s);
        EXPECT_EQ(edit->font().pointSize(), 9);
        const QFontMetricsF metrics(edit->font());
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(u"00"_s), metrics.horizontalAdvance(u"あ"_s));
    }
    EXPECT_FALSE(page->GetBodyPreview()->isEnabled());
    EXPECT_TRUE(page->GetBodyPreview()->isReadOnly());
    EXPECT_TRUE(page->GetSignatureEdit()->isReadOnly());
    EXPECT_FALSE(page->GetDearEdit()->isReadOnly());

    // Rendered with Japanese entries chosen.
    page->GetSubjectEdit()->setText(u"月例会議のご案内"_s);
    Choose(page->GetPrefixCombo(), 0);
    Choose(page->GetDearCombo(), 0);
    Choose(page->GetGreetingCombo(), 0);
    Choose(page->GetClosingCombo(), 0);
    Choose(page->GetSignatureCombo(), 0);
    page->GetTemplateList()->SelectId(page->GetTemplateList()->item(0)->data(Qt::UserRole).toLongLong());
    page->OnIdle();
    ExpectLaidOut(page);
    // The abridged body shows whole, without a scroll bar.
    EXPECT_EQ(page->GetBodyPreview()->toPlainText(), u"皆様\n\n・・・\n\n以上"_s);
    EXPECT_FALSE(page->GetBodyPreview()->verticalScrollBar()->isVisible());
    // The salutation edit shows a line of the configured length without scrolling.
    EXPECT_GE(page->GetDearEdit()->viewport()->width(), page->GetDearEdit()->lineWrapColumnOrWidth());
    EXPECT_TRUE(SaveScreenshot(page, u"letter_entries_"_s + Dpi()));
}

TEST_F(LetterPageTest, InitialiseReadsTheFlagsAndTheClickOptionIsWrittenAtOnce)
{
    ASSERT_TRUE(SaveUpperReply(1));
    CProfile::Get().SetAddByClick(u"Letter"_s, 1);
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->GetUpperReplyBox()->isChecked());
    EXPECT_TRUE(page->GetClickToReplaceBox()->isChecked());

    page->GetClickToReplaceBox()->click();
    EXPECT_FALSE(page->GetClickToReplaceBox()->isChecked());
    CProfile::Reset();  // read from the file again
    EXPECT_EQ(CProfile::Get().GetAddByClick(u"Letter"_s), 0);
    QFile file(CProfile::FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("AddByClick_Letter=0"));
}

TEST_F(LetterPageTest, ActivateShowsFiveBodyLinesWholeAndAbridgesSix)
{
    ASSERT_TRUE(MakeWizard());
    doc->SetBody("一行目\r\n二行目\r\n三行目\r\n四行目\r\n五行目");
    Command(ID_NEXT_PAGE);
    auto* page = dynamic_cast<CLetterPage*>(Current());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetBodyPreview()->toPlainText(), u"一行目\n二行目\n三行目\n四行目\n五行目"_s);

    Command(ID_PREV_PAGE);
    doc->SetBody("一行目\r\n二行目\r\n三行目\r\n四行目\r\n五行目\r\n六行目");
    Command(ID_NEXT_PAGE);
    EXPECT_EQ(page->GetBodyPreview()->toPlainText(), u"一行目\n二行目\n・・・\n五行目\n六行目"_s);
}

TEST_F(LetterPageTest, LeaveStoresByteForByteAndReportsNothingWithoutAChange)
{
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(page->StoreToDocument(), 0);
    EXPECT_FALSE(doc->IsModified());

    page->GetDearEdit()->setPlainText(u"株式会社ベルト\n山田様"_s);
    page->GetGreetingCombo()->lineEdit()->setText(u"拝啓 "_s);
    page->GetClosingCombo()->lineEdit()->setText(u"敬具"_s);
    page->GetUpperReplyBox()->setChecked(true);
    EXPECT_EQ(page->StoreToDocument(), 1);
    EXPECT_TRUE(doc->IsModified());
    CString text;
    doc->GetDear(text);
    EXPECT_EQ(text.Str(), "株式会社ベルト\r\n山田様");
    doc->GetGreeting(text);
    EXPECT_EQ(text.Str(), "拝啓 ");  // the trailing blank kept
    doc->GetClosing(text);
    EXPECT_EQ(text.Str(), "敬具");
    doc->GetSignature(text);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(doc->GetUpperReplyFlg(), 1);
    int upper = 0;
    ASSERT_TRUE(LoadUpperReply(upper));
    EXPECT_EQ(upper, 1);

    // Leaving again without touching anything: 0, and the document not marked.
    doc->SetModifiedFlag(0);
    EXPECT_EQ(page->StoreToDocument(), 0);
    EXPECT_FALSE(doc->IsModified());

    // Unticking is a change of its own, stored in EDIT_SETTING as well.
    page->GetUpperReplyBox()->setChecked(false);
    Command(ID_NEXT_PAGE);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetUpperReplyFlg(), 0);
    ASSERT_TRUE(LoadUpperReply(upper));
    EXPECT_EQ(upper, 0);
}

TEST_F(LetterPageTest, SubjectPrefixChosenTwiceRemovedAndCleared)
{
    AddPhrase("SUBJECT_PREFIX", "重要", "【重要】");
    AddPhrase("SUBJECT_PREFIX", "至急", "【至急】");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    page->GetSubjectEdit()->setText(u"月例会議"_s);

    Choose(page->GetPrefixCombo(), 0);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【重要】月例会議"_s);
    EXPECT_EQ(main->windowTitle(), u"【重要】月例会議"_s);
    Choose(page->GetPrefixCombo(), 0);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【重要】月例会議"_s);
    Choose(page->GetPrefixCombo(), 1);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【至急】【重要】月例会議"_s);

    // 1035 removes the prefix shown, then shows none.
    page->OnIdle();
    EXPECT_TRUE(GetDlgItem(page, CLetterPage::IDC_REMOVE_PREFIX)->isEnabled());
    qobject_cast<QToolButton*>(GetDlgItem(page, CLetterPage::IDC_REMOVE_PREFIX))->click();
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【重要】月例会議"_s);
    EXPECT_EQ(page->GetPrefixCombo()->currentIndex(), -1);
    page->OnIdle();
    EXPECT_FALSE(GetDlgItem(page, CLetterPage::IDC_REMOVE_PREFIX)->isEnabled());

    // The subject no longer begins with the prefix: only the selection goes.
    Choose(page->GetPrefixCombo(), 1);
    page->GetSubjectEdit()->setText(u"Re: 【至急】月例会議"_s);
    page->OnCommand(CLetterPage::IDC_REMOVE_PREFIX);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"Re: 【至急】月例会議"_s);
    EXPECT_EQ(page->GetPrefixCombo()->currentIndex(), -1);

    // Clear all removes the prefix as 1035 does, then every piece.
    page->GetSubjectEdit()->setText(u"会議"_s);
    Choose(page->GetPrefixCombo(), 0);
    page->GetGreetingCombo()->lineEdit()->setText(u"拝啓"_s);
    page->OnCommand(CLetterPage::IDC_CLEAR_ALL);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"会議"_s);
    EXPECT_EQ(page->GetPrefixCombo()->currentIndex(), -1);
    EXPECT_TRUE(page->GetGreetingCombo()->lineEdit()->text().isEmpty());
}

TEST_F(LetterPageTest, SalutationAppendedGreetingTakesTheTextAndSignatureShown)
{
    AddPhrase("DEAR", "会社", "株式会社ベルト");
    AddPhrase("DEAR", "担当", "営業部\r\n山田様");
    AddPhrase("GREETING", "季節", "春暖の候、\r\nますますご清栄のことと存じます。");
    const long signature = AddPhrase("SIGNATURE", "会社", "--\r\n山田 太郎");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);

    Choose(page->GetDearCombo(), 0);
    EXPECT_EQ(page->GetDearEdit()->GetText().Str(), "株式会社ベルト");
    Choose(page->GetDearCombo(), 1);
    EXPECT_EQ(page->GetDearEdit()->GetText().Str(), "株式会社ベルト\r\n営業部\r\n山田様");

    // An editable list takes the phrase's text, line break and all.
    Choose(page->GetGreetingCombo(), 0);
    EXPECT_EQ(page->GetGreetingCombo()->GetEditText().Str(), "春暖の候、\r\nますますご清栄のことと存じます。");

    Choose(page->GetSignatureCombo(), 0);
    EXPECT_EQ(page->GetSignatureEdit()->toPlainText(), u"--\n山田 太郎"_s);
    EXPECT_EQ(page->GetSignatureCombo()->GetSelectedId(), signature);
    Command(ID_NEXT_PAGE);
    CString text;
    doc->GetGreeting(text);
    EXPECT_EQ(text.Str(), "春暖の候、\r\nますますご清栄のことと存じます。");
    doc->GetSignature(text);
    EXPECT_EQ(text.Str(), "--\r\n山田 太郎");

    // The small buttons clear one piece each.
    Command(ID_PREV_PAGE);
    page->OnCommand(CLetterPage::IDC_CLEAR_SIGNATURE);
    EXPECT_TRUE(page->GetSignatureEdit()->toPlainText().isEmpty());
    page->OnCommand(CLetterPage::IDC_CLEAR_DEAR);
    EXPECT_TRUE(page->GetDearEdit()->toPlainText().isEmpty());
    EXPECT_EQ(page->GetDearCombo()->currentIndex(), -1);
    page->OnCommand(CLetterPage::IDC_CLEAR_GREETING);
    EXPECT_TRUE(page->GetGreetingCombo()->lineEdit()->text().isEmpty());
}

TEST_F(LetterPageTest, ArrowKeysOpenThePhraseListInsteadOfChoosing)
{
    AddPhrase("DEAR", "会社", "株式会社ベルト");
    AddPhrase("DEAR", "担当", "山田様");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    CPhraseCombo* dear = page->GetDearCombo();
    dear->setFocus();
    PressKey(dear, Qt::Key_Down);
    PressKey(dear, Qt::Key_Down);
    EXPECT_TRUE(page->GetDearEdit()->toPlainText().isEmpty());
    dear->hidePopup();
    EXPECT_EQ(dear->currentIndex(), -1);
}

TEST_F(LetterPageTest, TemplateAppliedWithoutDoublingAndAddressTemplateRequested)
{
    const long signature = AddPhrase("SIGNATURE", "会社", "--\r\n山田 太郎");
    CLetterTemplate record;
    record.title = "お礼状";
    record.subject = "【御礼】";
    record.dear = "株式会社ベルト\r\n山田様";
    record.greeting = "拝啓";
    record.closing = "敬具";
    record.signatureId = signature;
    record.addressTemplateId = 5;
    const long thanks = AddTemplate(record);
    CLetterTemplate bare;
    bare.title = "宛先なし";
    bare.addressTemplateId = 0;
    const long zero = AddTemplate(bare);
    const long important = AddPhrase("SUBJECT_PREFIX", "重要", "【重要】");

    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    page->GetSubjectEdit()->setText(u"【御礼】先日の件"_s);
    ASSERT_TRUE(page->GetPrefixCombo()->SelectId(important));
    page->GetClosingCombo()->lineEdit()->setText(u"草々"_s);
    ASSERT_TRUE(page->GetTemplateList()->SelectId(thanks));
    page->OnIdle();
    EXPECT_TRUE(GetDlgItem(page, CLetterPage::IDC_REPLACE)->isEnabled());
    qobject_cast<QPushButton*>(GetDlgItem(page, CLetterPage::IDC_REPLACE))->click();

    // The subject began with the template's prefix: not doubled; the prefix list shows none.
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【御礼】先日の件"_s);
    EXPECT_EQ(page->GetPrefixCombo()->currentIndex(), -1);
    EXPECT_EQ(page->GetDearEdit()->GetText().Str(), "株式会社ベルト\r\n山田様");
    EXPECT_EQ(page->GetGreetingCombo()->GetEditText().Str(), "拝啓");
    EXPECT_EQ(page->GetClosingCombo()->GetEditText().Str(), "敬具");
    EXPECT_EQ(page->GetSignatureCombo()->GetSelectedId(), signature);
    EXPECT_EQ(page->GetSignatureEdit()->toPlainText(), u"--\n山田 太郎"_s);
    EXPECT_EQ(requests, (std::vector<Request>{{"Address", CWizardPage::RequestApplyAddressTemplate, 5}}));

    // A subject without the prefix gets it in front; id 0 and -1 leave the recipients alone.
    page->GetSubjectEdit()->setText(u"ご案内"_s);
    ASSERT_TRUE(page->GetTemplateList()->SelectId(zero));
    page->OnCommand(CLetterPage::IDC_REPLACE);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"ご案内"_s);
    EXPECT_TRUE(page->GetDearEdit()->toPlainText().isEmpty());
    EXPECT_EQ(page->GetSignatureCombo()->GetSelectedId(), -1);
    EXPECT_TRUE(page->GetSignatureEdit()->toPlainText().isEmpty());
    CLetterTemplate minusOne;
    minusOne.title = "マイナス";
    minusOne.addressTemplateId = -1;
    const long negative = AddTemplate(minusOne);
    Command(ID_NEXT_PAGE);  // the list is read again on the next visit
    Command(ID_PREV_PAGE);
    ASSERT_TRUE(page->GetTemplateList()->SelectId(negative));
    page->OnCommand(CLetterPage::IDC_REPLACE);
    EXPECT_EQ(requests.size(), 1u);

    // With "クリックで置換" a selection by the user applies the template; a double click does
    // so always.
    ASSERT_TRUE(page->GetTemplateList()->SelectId(zero));
    page->GetClickToReplaceBox()->click();
    page->GetSubjectEdit()->setText(u"ご案内"_s);
    CTemplateListBox* list = page->GetTemplateList();
    int row = 0;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toLongLong() == thanks) row = i;
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【御礼】ご案内"_s);
    EXPECT_EQ(requests.size(), 2u);
    page->GetClickToReplaceBox()->click();
    page->OnCommand(CLetterPage::IDC_CLEAR_ALL);
    emit list->itemDoubleClicked(list->item(row));
    EXPECT_EQ(page->GetGreetingCombo()->GetEditText().Str(), "拝啓");
    EXPECT_EQ(requests.size(), 3u);

    // 1023 clears the selection: applying then empties the pieces.
    page->OnCommand(CLetterPage::IDC_CLEAR_TEMPLATE);
    EXPECT_EQ(list->GetSelectedId(), -1);
    page->OnIdle();
    EXPECT_FALSE(GetDlgItem(page, CLetterPage::IDC_REPLACE)->isEnabled());
    EXPECT_FALSE(GetDlgItem(page, CLetterPage::IDC_CLEAR_TEMPLATE)->isEnabled());
}

TEST_F(LetterPageTest, IdleEnablesTheButtonsFromTheControls)
{
    AddPhrase("DEAR", "会社", "株式会社ベルト");
    AddPhrase("SIGNATURE", "会社", "--");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    auto enabled = [page](int id) { return GetDlgItem(page, id)->isEnabled(); };
    page->OnIdle();
    for (int id : {1126, 1023, 1127, 1035, 1032, 1030, 1034, 1036})
        EXPECT_FALSE(enabled(id)) << id;

    page->GetClosingCombo()->lineEdit()->setText(u"敬具"_s);
    page->OnIdle();
    EXPECT_TRUE(enabled(1034));
    EXPECT_TRUE(enabled(1127));
    EXPECT_FALSE(enabled(1030));
    page->GetClosingCombo()->lineEdit()->clear();
    Choose(page->GetDearCombo(), 0);
    page->OnIdle();
    EXPECT_TRUE(enabled(1032));
    EXPECT_TRUE(enabled(1127));
    page->OnCommand(CLetterPage::IDC_CLEAR_DEAR);
    Choose(page->GetSignatureCombo(), 0);
    page->OnIdle();
    EXPECT_FALSE(enabled(1032));
    EXPECT_TRUE(enabled(1036));
    EXPECT_TRUE(enabled(1127));
    page->OnCommand(CLetterPage::IDC_CLEAR_ALL);
    page->OnIdle();
    EXPECT_FALSE(enabled(1127));
    EXPECT_FALSE(enabled(1036));
}

TEST_F(LetterPageTest, EditCommandsReachEveryField)
{
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    std::vector<QWidget*> fields = {page->GetSubjectEdit(), page->GetBodyPreview(), page->GetDearEdit(),
                                    page->GetSignatureEdit(), page->GetTemplateList(),
                                    page->GetGreetingCombo()->lineEdit(), page->GetClosingCombo()->lineEdit()};
    for (CPhraseCombo* combo : {page->GetPrefixCombo(), page->GetDearCombo(), page->GetGreetingCombo(),
                                page->GetClosingCombo(), page->GetSignatureCombo()})
        fields.push_back(combo);
    for (QWidget* field : fields) {
        CUpdateCommandItem* item = nullptr;
        EXPECT_EQ(page->IsUpdateCommandItem(field, item), 1) << field->metaObject()->className();
        EXPECT_NE(item, nullptr);
    }
    CUpdateCommandItem* none = nullptr;
    EXPECT_EQ(page->IsUpdateCommandItem(page->GetUpperReplyBox(), none), 0);

    // "すべて選択" and "切り取り" of the menu act on the greeting's field and the salutation.
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page));
    QLineEdit* greeting = page->GetGreetingCombo()->lineEdit();
    greeting->setText(u"拝啓"_s);
    greeting->setFocus();
    page->ProcessMenuCommand(ID_EDIT_SELECT_ALL);
    EXPECT_EQ(greeting->selectedText(), u"拝啓"_s);
    page->GetDearEdit()->setPlainText(u"山田様"_s);
    page->GetDearEdit()->setFocus();
    page->ProcessMenuCommand(ID_EDIT_SELECT_ALL);
    page->ProcessMenuCommand(ID_EDIT_CUT);
    EXPECT_TRUE(page->GetDearEdit()->toPlainText().isEmpty());
    page->ProcessMenuCommand(ID_EDIT_PASTE);
    EXPECT_EQ(page->GetDearEdit()->toPlainText(), u"山田様"_s);
}

TEST_F(LetterPageTest, PhraseButtonsOpenTheirDialogsWithTheirPresets)
{
    const long urgent = AddPhrase("SUBJECT_PREFIX", "至急", "【至急】");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    page->GetSubjectEdit()->setText(u"【重要】"_s);

    // No prefix chosen: the subject is offered as a new prefix; OK adds it to the list.
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"件名"_s);
        EXPECT_EQ(dialog->GetOperation(), RecordAdd);
        EXPECT_EQ(dialog->GetText().Str(), "【重要】");
        EXPECT_EQ(dialog->GetTitleEdit()->text(), u"【重要】"_s);
        dialog->GetTitleEdit()->setText(u"重要"_s);
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_PREFIX_PHRASES);
    ASSERT_EQ(page->GetPrefixCombo()->count(), 2);
    EXPECT_EQ(page->GetPrefixCombo()->itemText(1), u"【重要】"_s);

    // A prefix chosen: the dialog opens on it, with nothing offered.
    Choose(page->GetPrefixCombo(), 0);
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->GetOperation(), RecordChange);
        EXPECT_EQ(dialog->GetTitleEdit()->text(), u"至急"_s);
        EXPECT_EQ(dialog->GetText().Str(), "【至急】");
        dialog->SetText("【大至急】");
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_PREFIX_PHRASES);
    EXPECT_EQ(page->GetPrefixCombo()->GetSelectedId(), urgent);
    EXPECT_EQ(page->GetPrefixCombo()->itemText(0), u"【大至急】"_s);

    // The salutation is offered to 1028; 1029 and 1031 offer nothing.
    page->GetDearEdit()->setPlainText(u"株式会社ベルト\n山田様"_s);
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"宛名書き"_s);
        EXPECT_EQ(dialog->GetText().Str(), "株式会社ベルト\r\n山田様");
        EXPECT_EQ(dialog->GetTitleEdit()->text(), u"株式会社ベルト"_s);
        dialog->reject();
    });
    page->OnCommand(CLetterPage::IDC_DEAR_PHRASES);
    page->GetGreetingCombo()->lineEdit()->setText(u"拝啓"_s);
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"あいさつ"_s);
        EXPECT_TRUE(dialog->GetText().IsEmpty());
        dialog->GetTitleEdit()->setText(u"時候"_s);
        dialog->SetText("春暖の候");
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_GREETING_PHRASES);
    ASSERT_EQ(page->GetGreetingCombo()->count(), 1);
    EXPECT_EQ(page->GetGreetingCombo()->GetEditText().Str(), "拝啓");  // the typed text stays
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"結び"_s);
        EXPECT_TRUE(dialog->GetText().IsEmpty());
        dialog->reject();
    });
    page->OnCommand(CLetterPage::IDC_CLOSING_PHRASES);

    // The signature dialog; afterwards the chosen signature's new text is shown.
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"署名"_s);
        dialog->GetTitleEdit()->setText(u"会社"_s);
        dialog->SetText("--\r\n山田");
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_SIGNATURES);
    Choose(page->GetSignatureCombo(), 0);
    OnNextModal<CPhraseDlg>([](CPhraseDlg* dialog) {
        EXPECT_EQ(dialog->GetOperation(), RecordChange);
        dialog->SetText("--\r\n山田 太郎");
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_SIGNATURES);
    EXPECT_EQ(page->GetSignatureEdit()->toPlainText(), u"--\n山田 太郎"_s);
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(LetterPageTest, TemplateButtonAddsChangesAndDeletesThroughItsDialog)
{
    const long signature = AddPhrase("SIGNATURE", "会社", "--\r\n山田 太郎");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    page->GetSubjectEdit()->setText(u"【御礼】"_s);
    page->GetDearEdit()->setPlainText(u"山田様"_s);
    page->GetGreetingCombo()->lineEdit()->setText(u"拝啓"_s);
    page->GetClosingCombo()->lineEdit()->setText(u"敬具"_s);
    Choose(page->GetSignatureCombo(), 0);

    // New: the page's pieces offered; OK appends and selects the new template.
    OnNextModal<CLetterTemplateDlg>([&](CLetterTemplateDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"文面定型"_s);
        EXPECT_EQ(dialog->GetOperation(), RecordAdd);
        EXPECT_FALSE(GetDlgItem(dialog, CLetterTemplateDlg::IDC_CHANGE)->isEnabled());
        const CLetterTemplate offered = dialog->GetRecord();
        EXPECT_EQ(offered.subject.Str(), "【御礼】");
        EXPECT_EQ(offered.dear.Str(), "山田様");
        EXPECT_EQ(offered.greeting.Str(), "拝啓");
        EXPECT_EQ(offered.closing.Str(), "敬具");
        EXPECT_EQ(offered.signatureId, signature);
        EXPECT_EQ(offered.addressTemplateId, -1);
        EXPECT_EQ(dialog->GetAddressTemplateText(), u"(なし)"_s);
        qobject_cast<QLineEdit*>(GetDlgItem(dialog, CLetterTemplateDlg::IDC_TITLE))->setText(u"お礼状"_s);
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_TEMPLATE);
    CTemplateListBox* list = page->GetTemplateList();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), u"お礼状"_s);
    const long id = list->GetSelectedId();
    ASSERT_GT(id, 0);
    CLetterTemplate stored;
    ASSERT_TRUE(LoadLetterTemplate(id, stored));
    EXPECT_EQ(stored.dear.Str(), "山田様");
    EXPECT_EQ(stored.signatureId, signature);

    // Selected: the dialog opens on the stored template; a change replaces the entry.
    page->OnCommand(CLetterPage::IDC_CLEAR_SIGNATURE);
    OnNextModal<CLetterTemplateDlg>([&](CLetterTemplateDlg* dialog) {
        EXPECT_EQ(dialog->GetOperation(), RecordChange);
        EXPECT_EQ(dialog->GetRecord().id, id);
        EXPECT_EQ(dialog->GetRecord().signatureId, signature);
        qobject_cast<QLineEdit*>(GetDlgItem(dialog, CLetterTemplateDlg::IDC_TITLE))->setText(u"お礼状（改）"_s);
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_TEMPLATE);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), u"お礼状（改）"_s);
    EXPECT_EQ(list->GetSelectedId(), id);
    EXPECT_EQ(page->GetSignatureCombo()->GetSelectedId(), -1);  // the page's choice kept

    // Delete, confirmed: the entry goes and nothing is selected.
    boxes.Answer(IDYES);
    OnNextModal<CLetterTemplateDlg>([](CLetterTemplateDlg* dialog) {
        dialog->SetOperation(RecordDelete);
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_TEMPLATE);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(list->GetSelectedId(), -1);
    EXPECT_FALSE(LoadLetterTemplate(id, stored));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"「お礼状（改）」を削除してもよろしいですか？"}));
}

TEST_F(LetterPageTest, TemplateRoundTripThroughTheDatabaseAndThePage)
{
    AddPhrase("SIGNATURE", "会社", "--\r\n株式会社ベルト\r\n山田 太郎");
    CLetterPage* page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    page->GetDearEdit()->setPlainText(u"株式会社ベルト\n営業部　山田様"_s);
    page->GetGreetingCombo()->lineEdit()->setText(u"いつもお世話になっております。"_s);
    page->GetClosingCombo()->lineEdit()->setText(u"よろしくお願いいたします。"_s);
    Choose(page->GetSignatureCombo(), 0);
    page->GetSubjectEdit()->setText(u"【定例】"_s);
    OnNextModal<CLetterTemplateDlg>([](CLetterTemplateDlg* dialog) {
        qobject_cast<QLineEdit*>(GetDlgItem(dialog, CLetterTemplateDlg::IDC_TITLE))->setText(u"定例会"_s);
        dialog->accept();
    });
    page->OnCommand(CLetterPage::IDC_TEMPLATE);
    const long id = page->GetTemplateList()->GetSelectedId();
    ASSERT_GT(id, 0);

    // A fresh wizard reads it from the database; applied, it gives the same letter.
    Command(ID_NEXT_PAGE);
    CString expectedDear, expectedSignature;
    doc->GetDear(expectedDear);
    doc->GetSignature(expectedSignature);
    DestroyWizard();
    doc.reset(CMailDoc::Create());
    page = OpenLetterPage();
    ASSERT_NE(page, nullptr);
    page->GetSubjectEdit()->setText(u"来週の打ち合わせ"_s);
    ASSERT_TRUE(page->GetTemplateList()->SelectId(id));
    page->OnCommand(CLetterPage::IDC_REPLACE);
    EXPECT_EQ(page->GetSubjectEdit()->text(), u"【定例】来週の打ち合わせ"_s);
    Command(ID_NEXT_PAGE);
    CString text;
    doc->GetDear(text);
    EXPECT_EQ(text, expectedDear);
    EXPECT_EQ(text.Str(), "株式会社ベルト\r\n営業部　山田様");
    doc->GetGreeting(text);
    EXPECT_EQ(text.Str(), "いつもお世話になっております。");
    doc->GetClosing(text);
    EXPECT_EQ(text.Str(), "よろしくお願いいたします。");
    doc->GetSignature(text);
    EXPECT_EQ(text, expectedSignature);
    doc->GetSubject(text);
    EXPECT_EQ(text.Str(), "【定例】来週の打ち合わせ");
}

TEST_F(LetterPageTest, LetterOfEveryPieceSentToALoopbackServer)
{
    std::string why;
    if (!SmtpServerProcess::Available(why))
        GTEST_SKIP() << why;
    SmtpServerProcess server;
    ASSERT_NE(server.Port(), 0);
    AddAccount("taro@example.com", "127.0.0.1", server.Port());
    AddPhrase("SUBJECT_PREFIX", "案内", "【ご案内】");
    AddPhrase("DEAR", "全員", "開発部各位");
    AddPhrase("SIGNATURE", "会社", "--\r\n株式会社ベルト　開発部\r\n山田 太郎");

    ASSERT_TRUE(MakeWizard());
    auto* body = dynamic_cast<CBodyPage*>(Current());
    ASSERT_NE(body, nullptr);
    TypeSubject(u"月例会議"_s);
    body->GetEditor()->setFocus();
    body->GetEditor()->insertPlainText(u"来週の月例会議は第二会議室で行います。\n資料は前日までにお送りします。"_s);
    Command(ID_NEXT_PAGE);
    auto* page = dynamic_cast<CLetterPage*>(Current());
    ASSERT_NE(page, nullptr);
    Choose(page->GetPrefixCombo(), 0);
    Choose(page->GetDearCombo(), 0);
    page->GetGreetingCombo()->lineEdit()->setText(u"お疲れ様です。"_s);
    page->GetClosingCombo()->lineEdit()->setText(u"以上、よろしくお願いいたします。"_s);
    Choose(page->GetSignatureCombo(), 0);
    page->GetUpperReplyBox()->setChecked(true);
    Command(ID_NEXT_PAGE);
    auto* address = dynamic_cast<CAddressPage*>(Current());
    ASSERT_NE(address, nullptr);
    address->GetPanel()->GetEntry(CAddressTarget::ToList)->setText(u"花子 <hanako@example.com>"_s);
    emit address->GetPanel()->GetEntry(CAddressTarget::ToList)->textEdited(address->GetPanel()->GetEntry(CAddressTarget::ToList)->text());

    CString letter;
    doc->GetBodyWithLetter(letter);
    EXPECT_EQ(letter.Str(),
              "開発部各位\r\n\r\nお疲れ様です。\r\n\r\n来週の月例会議は第二会議室で行います。\r\n"
              "資料は前日までにお送りします。\r\n\r\n以上、よろしくお願いいたします。\r\n\r\n"
              "--\r\n株式会社ベルト　開発部\r\n山田 太郎");
    Command(IDOK);
    EXPECT_EQ(boxes.unexpected, 0) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text.Str());
    ASSERT_FALSE(server.Read("1.eml").empty());

    QProcess python;
    python.start(u"/usr/bin/python3"_s, {QStringLiteral(DECODE_MAIL_SCRIPT), QString::fromStdString(server.Folder() + "/1.eml")});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonObject decoded = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    EXPECT_EQ(decoded[u"subject"_s].toString(), u"【ご案内】月例会議"_s);
    EXPECT_EQ(decoded[u"content_type"_s].toString(), u"text/plain"_s);
    EXPECT_EQ(decoded[u"charset"_s].toString(), u"iso-2022-jp"_s);
    EXPECT_EQ(decoded[u"body"_s].toString(), ToQString(letter));
}
