// Verifies the Letter page's dialogs offscreen: the phrase dialog for each phrase table and
// as the signature dialog, the letter-template dialog 180 with the address template chosen
// through dialog 184; each one's operations 0/1/2 handed to the writer, an empty or too long
// title (and subject) refused with a message while the dialog stays open with nothing lost,
// a failed write kept open; and the letter-text edit that wraps at the line length and
// marks longer lines. Each dialog is rendered with Japanese entries at the run's DPI.
#include "../shell/WizardTestKit.h"

#include "LayoutCheck.h"
#include "../pages/LetterTestKit.h"
#include "Modal.h"
#include "Screenshot.h"

#include "settings/CLetterTemplateDlg.h"
#include "settings/CPhraseDlg.h"
#include "settings/CTemplateSelectDlg.h"
#include "data/CAddressTemplateSet.h"
#include "data/LetterTables.h"
#include "letter/CPhraseTextEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

// What the dialog handed to its writer, and what the writer answers.
template <typename Record>
struct WriterLog {
    std::vector<std::pair<RecordOperation, Record>> calls;
    int answer = 1;
    std::function<int(RecordOperation, Record&)> Writer()
    {
        return [this](RecordOperation operation, Record& record) {
            calls.emplace_back(operation, record);
            return answer;
        };
    }
};

QString Cp932Line(int halfWidth, int fullWidth)
{
    return QString(halfWidth, u'x') + QString(fullWidth, u'あ');
}

class LetterDialogsTest : public WizardTest {};

}  // namespace

TEST_F(LetterDialogsTest, PhraseDialogAddsChangesAndDeletes)
{
    AddPhrase("GREETING", "季節", "春暖の候、\r\nますますご清栄のことと存じます。");
    const long usual = AddPhrase("GREETING", "通常", "いつもお世話になっております。");

    // New, with a preset text: only 新規 can be chosen, the title starts as its first line.
    WriterLog<CPhrase> log;
    CPhraseDlg added("GREETING", -1, "拝啓\r\n陽春の候", nullptr);
    added.SetWriter(log.Writer());
    EXPECT_EQ(added.windowTitle(), u"あいさつ"_s);
    EXPECT_EQ(GetControlId(&added), CPhraseDlg::IDD);
    EXPECT_EQ(added.GetList()->count(), 2);
    EXPECT_EQ(added.GetOperation(), RecordAdd);
    EXPECT_FALSE(GetDlgItem(&added, CPhraseDlg::IDC_CHANGE)->isEnabled());
    EXPECT_FALSE(GetDlgItem(&added, CPhraseDlg::IDC_DELETE)->isEnabled());
    EXPECT_EQ(added.GetTitleEdit()->text(), u"拝啓"_s);
    EXPECT_EQ(added.GetText().Str(), "拝啓\r\n陽春の候");
    added.GetTitleEdit()->setText(u"時候（四月）"_s);
    added.show();
    added.accept();
    EXPECT_EQ(added.result(), QDialog::Accepted);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].first, RecordAdd);
    EXPECT_EQ(log.calls[0].second.title.Str(), "時候（四月）");
    EXPECT_EQ(log.calls[0].second.text.Str(), "拝啓\r\n陽春の候");
    ExpectLaidOut(&added);
    EXPECT_TRUE(SaveScreenshot(&added, u"greeting_"_s + Dpi()));

    // On a preset entry: 修正 with its values; choosing another entry loads that one.
    log.calls.clear();
    CPhraseDlg changed("GREETING", usual, "", nullptr);
    changed.SetWriter(log.Writer());
    EXPECT_EQ(changed.GetOperation(), RecordChange);
    EXPECT_EQ(changed.GetTitleEdit()->text(), u"通常"_s);
    EXPECT_EQ(changed.GetText().Str(), "いつもお世話になっております。");
    changed.GetList()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(changed.GetTitleEdit()->text(), u"季節"_s);
    EXPECT_EQ(changed.GetText().Str(), "春暖の候、\r\nますますご清栄のことと存じます。");
    changed.SetText("春暖の候");
    changed.show();
    changed.accept();
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].first, RecordChange);
    EXPECT_EQ(log.calls[0].second.id, added.GetList()->item(0)->data(Qt::UserRole).toLongLong());
    EXPECT_EQ(log.calls[0].second.text.Str(), "春暖の候");

    // "選択解除" goes back to a new entry, keeping what is typed.
    CPhraseDlg cleared("GREETING", usual, "", nullptr);
    qobject_cast<QAbstractButton*>(GetDlgItem(&cleared, CPhraseDlg::IDC_CLEAR_SELECTION))->click();
    EXPECT_EQ(cleared.GetOperation(), RecordAdd);
    EXPECT_EQ(cleared.GetTitleEdit()->text(), u"通常"_s);

    // Delete asks first; No keeps the dialog open, Yes hands the entry over.
    log.calls.clear();
    CPhraseDlg deleted("GREETING", usual, "", nullptr);
    deleted.SetWriter(log.Writer());
    deleted.SetOperation(RecordDelete);
    EXPECT_TRUE(deleted.GetTitleEdit()->isReadOnly());
    deleted.show();
    boxes.Answer({IDNO, IDYES});
    deleted.accept();
    EXPECT_TRUE(deleted.isVisible());
    EXPECT_TRUE(log.calls.empty());
    deleted.accept();
    EXPECT_EQ(deleted.result(), QDialog::Accepted);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].first, RecordDelete);
    EXPECT_EQ(log.calls[0].second.id, usual);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>(2, "「通常」を削除してもよろしいですか？")));
    EXPECT_EQ(boxes.unexpected, 0);
}

TEST_F(LetterDialogsTest, PhraseDialogRefusesAnEmptyOrLongTitleAndAFailedWriteLosingNothing)
{
    WriterLog<CPhrase> log;
    CPhraseDlg dialog("DEAR", -1, "株式会社ベルト\r\n営業部　山田様", nullptr);
    dialog.SetWriter(log.Writer());
    EXPECT_EQ(dialog.windowTitle(), u"宛名書き"_s);
    dialog.show();

    dialog.GetTitleEdit()->setText(u"　 "_s);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    // 101 bytes: 50 double-byte characters and one more.
    dialog.GetTitleEdit()->setText(QString(50, u'宛') + u"x"_s);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "タイトルを入力してください。",
                                 "タイトルが長すぎます。タイトルは半角100文字（全角50文字）以内で入力してください。"}));
    EXPECT_EQ(boxes.boxes[1].caption.Str(), "エラー");
    // Nothing typed is lost, and the title is ready to be corrected.
    EXPECT_EQ(dialog.GetTitleEdit()->text(), QString(50, u'宛') + u"x"_s);
    EXPECT_EQ(dialog.GetTitleEdit()->selectedText(), dialog.GetTitleEdit()->text());
    EXPECT_EQ(dialog.GetText().Str(), "株式会社ベルト\r\n営業部　山田様");

    // 100 bytes fit; a write that fails says so and keeps the dialog.
    boxes.Clear();
    log.answer = 0;
    dialog.GetTitleEdit()->setText(QString(50, u'宛'));
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"定型文データベースに書き込めませんでした。"}));
    log.answer = 1;
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(log.calls.size(), 2u);
}

TEST_F(LetterDialogsTest, SubjectPrefixIsOneLineAndSignatureFixedPitch)
{
    CPhraseDlg prefix("SUBJECT_PREFIX", -1, "【重要】", nullptr);
    EXPECT_EQ(prefix.windowTitle(), u"件名"_s);
    EXPECT_STREQ(GetDlgItem(&prefix, CPhraseDlg::IDC_TEXT)->metaObject()->className(), "QLineEdit");
    prefix.SetText("【至急】\r\n");
    EXPECT_EQ(prefix.GetText().Str(), "【至急】");
    prefix.GetTitleEdit()->setText(u"至急"_s);
    ExpectLaidOut(&prefix);
    EXPECT_TRUE(SaveScreenshot(&prefix, u"subject_prefix_"_s + Dpi()));

    AddPhrase("SIGNATURE", "会社", "--\r\n株式会社ベルト　開発部\r\n山田 太郎 <taro@example.com>");
    CPhraseDlg signature("SIGNATURE", -1, "", nullptr);
    EXPECT_EQ(signature.windowTitle(), u"署名"_s);
    EXPECT_EQ(GetControlId(&signature), CPhraseDlg::IDD_SIGNATURE);
    auto* text = qobject_cast<CPhraseTextEdit*>(GetDlgItem(&signature, CPhraseDlg::IDC_TEXT));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->font().family(), u"IPAGothic"_s);
    signature.GetList()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(text->toPlainText(), u"--\n株式会社ベルト　開発部\n山田 太郎 <taro@example.com>"_s);
    EXPECT_FALSE(text->isReadOnly());
    // A line longer than the letter's lines, to be seen marked in the picture.
    signature.SetText("--\r\n株式会社ベルト　開発部　第一グループ　プロダクトマネージャー　山田 太郎\r\nTEL 03-1234-5678");
    EXPECT_TRUE(text->HasLongLines());
    ExpectLaidOut(&signature);
    EXPECT_GE(text->viewport()->width(), text->lineWrapColumnOrWidth());
    EXPECT_TRUE(SaveScreenshot(&signature, u"signature_"_s + Dpi()));
}

TEST_F(LetterDialogsTest, LetterTemplateDialogNewChangeDeleteAndTheAddressTemplate)
{
    const long signature = AddPhrase("SIGNATURE", "会社", "--\r\n山田 太郎");
    CAddressTemplateSet addresses;
    ASSERT_TRUE(addresses.Open());
    long partners = 0, staff = 0;
    ASSERT_TRUE(addresses.Add("取引先あて", "", {}, {}, {}, 0, partners));
    ASSERT_TRUE(addresses.Add("社内連絡（全員）", "", {}, {}, {}, 0, staff));

    CLetterTemplate preset;
    preset.subject = "【御礼】";
    preset.dear = "株式会社ベルト\r\n山田様";
    preset.greeting = "拝啓";
    preset.closing = "敬具";
    preset.signatureId = signature;
    WriterLog<CLetterTemplate> log;
    CLetterTemplateDlg dialog(preset, nullptr);
    dialog.SetWriter(log.Writer());
    EXPECT_EQ(dialog.windowTitle(), u"文面定型"_s);
    EXPECT_EQ(GetControlId(&dialog), 180);
    EXPECT_EQ(dialog.GetOperation(), RecordAdd);
    EXPECT_FALSE(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_CHANGE)->isEnabled());
    EXPECT_FALSE(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_DELETE)->isEnabled());
    auto* include = qobject_cast<QCheckBox*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_INCLUDE_SUBJECT));
    auto* subject = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_SUBJECT));
    auto* title = qobject_cast<QLineEdit*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_TITLE));
    ASSERT_NE(include, nullptr);
    EXPECT_EQ(include->text(), u"件名も含める(&I)"_s);
    EXPECT_TRUE(include->isChecked());
    EXPECT_EQ(subject->text(), u"【御礼】"_s);
    EXPECT_EQ(qobject_cast<QComboBox*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_SIGNATURE))->currentText(), u"会社"_s);
    EXPECT_EQ(qobject_cast<CPhraseTextEdit*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_SIGNATURE_TEXT))->toPlainText(),
              u"--\n山田 太郎"_s);
    EXPECT_EQ(qobject_cast<QAbstractButton*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_SELECT_ADDRESS_TEMPLATE))->text(),
              u"宛先定型の選択(&A)"_s);
    EXPECT_EQ(dialog.GetAddressTemplateText(), u"(なし)"_s);

    // The address template chosen in dialog 184, then none again.
    OnNextModal<CTemplateSelectDlg>([](CTemplateSelectDlg* select) {
        EXPECT_EQ(GetControlId(select), 184);
        ASSERT_EQ(select->GetList()->count(), 2);
        select->GetList()->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        select->accept();
    });
    dialog.OnSelectAddressTemplate();
    EXPECT_EQ(dialog.GetAddressTemplateId(), staff);
    EXPECT_EQ(dialog.GetAddressTemplateText(), u"社内連絡（全員）"_s);
    OnNextModal<CTemplateSelectDlg>([](CTemplateSelectDlg* select) {
        EXPECT_EQ(select->GetList()->selectedItems().size(), 1);  // opens on the choice
        select->OnClearSelection();
        select->accept();
    });
    dialog.OnSelectAddressTemplate();
    EXPECT_EQ(dialog.GetAddressTemplateId(), -1);
    EXPECT_EQ(dialog.GetAddressTemplateText(), u"(なし)"_s);
    OnNextModal<CTemplateSelectDlg>([](CTemplateSelectDlg* select) {
        select->GetList()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        select->accept();
    });
    dialog.OnSelectAddressTemplate();

    // Without a name, or with a subject too long, the dialog stays; then OK hands it over.
    dialog.show();
    dialog.accept();
    subject->setText(QString(128, u'件'));
    title->setText(u"お礼状"_s);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "名前を入力してください。",
                                 "件名が長すぎます。件名は半角255文字（全角127文字）以内で入力してください。"}));
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(subject->text(), QString(128, u'件'));
    // Unticked, the subject is not part of the template (and is kept in the field).
    include->click();
    EXPECT_FALSE(subject->isEnabled());
    ExpectLaidOut(&dialog);
    auto* dear = qobject_cast<CPhraseTextEdit*>(GetDlgItem(&dialog, CLetterTemplateDlg::IDC_DEAR));
    EXPECT_GE(dear->viewport()->width(), dear->lineWrapColumnOrWidth());
    EXPECT_TRUE(SaveScreenshot(&dialog, u"new_"_s + Dpi()));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(log.calls.size(), 1u);
    const auto& [operation, record] = log.calls[0];
    EXPECT_EQ(operation, RecordAdd);
    EXPECT_EQ(record.title.Str(), "お礼状");
    EXPECT_TRUE(record.subject.IsEmpty());
    EXPECT_EQ(record.dear.Str(), "株式会社ベルト\r\n山田様");
    EXPECT_EQ(record.greeting.Str(), "拝啓");
    EXPECT_EQ(record.closing.Str(), "敬具");
    EXPECT_EQ(record.signatureId, signature);
    EXPECT_EQ(record.addressTemplateId, partners);
    EXPECT_EQ(subject->text(), QString(128, u'件'));

    // A stored template: 修正 by default, 削除 after a question; its link shown by title.
    CLetterTemplate stored = record;
    stored.id = 42;
    stored.title = "お礼状";
    stored.subject.Empty();
    stored.signatureId = -1;
    log.calls.clear();
    CLetterTemplateDlg change(stored, nullptr);
    change.SetWriter(log.Writer());
    EXPECT_EQ(change.GetOperation(), RecordChange);
    EXPECT_FALSE(qobject_cast<QCheckBox*>(GetDlgItem(&change, CLetterTemplateDlg::IDC_INCLUDE_SUBJECT))->isChecked());
    EXPECT_EQ(change.GetAddressTemplateText(), u"取引先あて"_s);
    EXPECT_EQ(qobject_cast<QComboBox*>(GetDlgItem(&change, CLetterTemplateDlg::IDC_SIGNATURE))->currentText(), u"(なし)"_s);
    change.show();
    change.accept();
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].first, RecordChange);
    EXPECT_EQ(log.calls[0].second.id, 42);
    EXPECT_EQ(log.calls[0].second.signatureId, -1);

    log.calls.clear();
    boxes.Clear();
    CLetterTemplateDlg remove(stored, nullptr);
    remove.SetWriter(log.Writer());
    remove.SetOperation(RecordDelete);
    EXPECT_FALSE(GetDlgItem(&remove, CLetterTemplateDlg::IDC_TITLE)->isEnabled());
    remove.show();
    boxes.Answer(IDYES);
    remove.accept();
    EXPECT_EQ(remove.result(), QDialog::Accepted);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].first, RecordDelete);
    EXPECT_EQ(log.calls[0].second.id, 42);

    // A linked address template deleted since shows as none.
    ASSERT_TRUE(addresses.Remove(partners));
    CLetterTemplateDlg stale(stored, nullptr);
    EXPECT_EQ(stale.GetAddressTemplateText(), u"(なし)"_s);
    EXPECT_EQ(stale.GetRecord().addressTemplateId, -1);
}

TEST_F(LetterDialogsTest, LetterTextWrapsAtTheLineLengthAndMarksLongerLines)
{
    CProfile::Get().SetLineLengths(20, 76);
    CPhraseTextEdit edit;
    EXPECT_EQ(edit.GetLineLength(), 20);
    edit.resize(edit.sizeHint());
    edit.show();
    // 20 half-width columns, or 10 full-width characters, or a mix, make one line; one
    // column more wraps (at a character, where there is no blank) and is marked.
    edit.setPlainText(Cp932Line(20, 0) + u'\n' + Cp932Line(0, 10) + u'\n' + Cp932Line(4, 8) + u'\n' +
                      Cp932Line(21, 0) + u'\n' + Cp932Line(3, 9));
    QCoreApplication::processEvents();
    const int lines[] = {1, 1, 1, 2, 2};
    const int marked[] = {-1, -1, -1, 20, 11};  // first marked character, -1 for none
    QTextBlock block = edit.document()->begin();
    for (int i = 0; i < 5; ++i, block = block.next()) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(block.isValid());
        EXPECT_EQ(block.layout()->lineCount(), lines[i]);
        const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
        if (marked[i] < 0) {
            EXPECT_TRUE(formats.isEmpty());
        } else {
            ASSERT_EQ(formats.size(), 1);
            EXPECT_EQ(formats[0].start, marked[i]);
            EXPECT_EQ(formats[0].start + formats[0].length, block.length() - 1);
            EXPECT_EQ(formats[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);
            EXPECT_TRUE(formats[0].format.background().style() != Qt::NoBrush);
        }
    }
    EXPECT_TRUE(edit.HasLongLines());
    EXPECT_EQ(CPhraseTextEdit::ColumnAt(Cp932Line(3, 9), 12), 21);
    // Half-width katakana is one column; a character outside code page 932 counts as 〓.
    EXPECT_EQ(CPhraseTextEdit::ColumnAt(u"ｱｲ😀"_s, 4), 4);

    // A longer line length takes effect at once: nothing is marked any more.
    edit.SetLineLength(76);
    QCoreApplication::processEvents();
    EXPECT_FALSE(edit.HasLongLines());
    EXPECT_TRUE(edit.document()->lastBlock().layout()->formats().isEmpty());
    EXPECT_EQ(edit.document()->lastBlock().layout()->lineCount(), 1);

    // Texts in and out are code page 932 with CR LF.
    edit.SetText("一\r\n二");
    EXPECT_EQ(edit.toPlainText(), u"一\n二"_s);
    EXPECT_EQ(edit.GetText().Str(), "一\r\n二");
}
