#include "pages/CLetterPage.h"

#include "pages/CPhraseCombo.h"
#include "pages/CTemplateListBox.h"
#include "settings/CLetterTemplateDlg.h"
#include "settings/CPhraseDlg.h"
#include "shell/CMailWizard.h"
#include "command/CProfile.h"
#include "command/QtText.h"
#include "letter/CLetterFormat.h"
#include "letter/CPhraseTextEdit.h"
#include "model/CMailDoc.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontMetricsF>
#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace {

// Width of the template column, in pixels of a 96-DPI screen.
constexpr int kTemplateColumnWidth = 150;

// The tooltips of the page's controls.
struct ToolTip {
    int id;
    const char16_t* text;
};
constexpr ToolTip kToolTips[] = {
    {CLetterPage::IDC_PREFIX, u"[件名]ボタンで登録した件名定型の一覧です。選択すると件名の先頭に追加されます。"},
    {CLetterPage::IDC_REMOVE_PREFIX, u"件名定型選択の解除"},
    {CLetterPage::IDC_DEAR, u"[宛名書き]ボタンで登録した宛名書きの一覧です。"},
    {CLetterPage::IDC_CLEAR_DEAR, u"宛名書きのクリア"},
    {CLetterPage::IDC_GREETING, u"[あいさつ]ボタンで登録したあいさつ文の一覧です。また、ここに直接入力することもできます。"},
    {CLetterPage::IDC_CLEAR_GREETING, u"あいさつのクリア"},
    {CLetterPage::IDC_CLOSING, u"[結び]ボタンで登録した結び文の一覧です。また、ここに直接入力することもできます。"},
    {CLetterPage::IDC_CLEAR_CLOSING, u"結びのクリア"},
    {CLetterPage::IDC_SIGNATURE, u"[署名]ボタンで登録した署名の一覧です。"},
    {CLetterPage::IDC_CLEAR_SIGNATURE, u"署名のクリア"},
    {CLetterPage::IDC_TEMPLATE_LIST, u"[文面定型]ボタンで登録した文面定型の一覧です。"},
    {CLetterPage::IDC_CLEAR_TEMPLATE, u"文面定型選択の解除"},
    {CLetterPage::IDC_TEMPLATE, u"文面定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"},
    {CLetterPage::IDC_PREFIX_PHRASES, u"件名定型の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
    {CLetterPage::IDC_DEAR_PHRASES, u"宛名書き定型の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
    {CLetterPage::IDC_GREETING_PHRASES, u"あいさつ定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"},
    {CLetterPage::IDC_CLOSING_PHRASES, u"結び定型の修正/削除を行なう場合は、下の一覧から選択してから押してください。"},
    {CLetterPage::IDC_SIGNATURES, u"署名定型の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
    {CLetterPage::IDC_UPPER_REPLY, u"返信や転送時に、結びと署名を引用文の上に置きたい場合はチェックしてください。"},
};

void SetEnabled(QWidget* widget, bool enabled)
{
    if (widget->isEnabled() != enabled)
        widget->setEnabled(enabled);
}

}  // namespace

CLetterPage::CLetterPage(CMailDoc* doc, CMailWizard* wizard)
    : CWizardPage(IDD, doc, wizard),
      m_prefix(new CPhraseCombo("SUBJECT_PREFIX", 1, false, this)),
      m_dearPhrases(new CPhraseCombo("DEAR", 0, false, this)),
      m_dear(new CPhraseTextEdit(this)),
      m_greeting(new CPhraseCombo("GREETING", 0, true, this)),
      m_preview(new QPlainTextEdit(this)),
      m_upperReply(new QCheckBox(QStringLiteral(u"引用文の上に配置(&U)"), this)),
      m_closing(new CPhraseCombo("CLOSING", 0, true, this)),
      m_signature(new CPhraseCombo("SIGNATURE", 0, false, this)),
      m_signatureText(new CPhraseTextEdit(this)),
      m_templates(new CTemplateListBox(this)),
      m_clickToReplace(new QCheckBox(QStringLiteral(u"クリックで置換(&L)"), this))
{
    SetControlId(m_prefix, IDC_PREFIX);
    SetControlId(m_dearPhrases, IDC_DEAR);
    SetControlId(m_dear, IDC_DEAR_EDIT);
    SetControlId(m_greeting, IDC_GREETING);
    SetControlId(m_preview, IDC_BODY_PREVIEW);
    SetControlId(m_upperReply, IDC_UPPER_REPLY);
    SetControlId(m_closing, IDC_CLOSING);
    SetControlId(m_signature, IDC_SIGNATURE);
    SetControlId(m_signatureText, IDC_SIGNATURE_TEXT);
    SetControlId(m_templates, IDC_TEMPLATE_LIST);
    SetControlId(m_clickToReplace, IDC_CLICK_TO_REPLACE);

    m_dear->SetVisibleLines(3);
    m_preview->setFont(CPhraseTextEdit::LetterFont());
    m_preview->setReadOnly(true);
    m_preview->setEnabled(false);
    // Room for the five lines of the abridged body, without a scroll bar.
    const QFontMetricsF previewMetrics(m_preview->font());
    m_preview->setMinimumHeight(static_cast<int>(std::ceil(previewMetrics.lineSpacing() + 1) * kPreviewLines +
                                                 2 * m_preview->document()->documentMargin()) +
                                2 * m_preview->frameWidth());
    m_signatureText->setReadOnly(true);
    m_signatureText->SetVisibleLines(4);

    // The letter's pieces, top to bottom as they make the letter: a phrase button with its
    // list beside it (or below it, for the greeting and closing), a small clear button, and
    // the texts.
    auto* pieces = new QGridLayout;
    pieces->setColumnStretch(1, 1);
    pieces->addWidget(AddButton(IDC_PREFIX_PHRASES, QStringLiteral(u"件名")), 0, 0);
    pieces->addWidget(m_prefix, 0, 1);
    pieces->addWidget(m_removePrefix = AddSmallButton(IDC_REMOVE_PREFIX), 0, 2);
    pieces->addWidget(AddButton(IDC_DEAR_PHRASES, QStringLiteral(u"宛名書き")), 1, 0);
    pieces->addWidget(m_dearPhrases, 1, 1);
    pieces->addWidget(m_clearDear = AddSmallButton(IDC_CLEAR_DEAR), 1, 2);
    pieces->addWidget(m_dear, 2, 0, 1, 3);
    pieces->addWidget(AddButton(IDC_GREETING_PHRASES, QStringLiteral(u"あいさつ")), 3, 0);
    pieces->addWidget(m_greeting, 4, 0, 1, 2);
    pieces->addWidget(m_clearGreeting = AddSmallButton(IDC_CLEAR_GREETING), 4, 2);
    pieces->addWidget(m_preview, 5, 0, 1, 3);
    pieces->addWidget(AddButton(IDC_CLOSING_PHRASES, QStringLiteral(u"結び")), 6, 0);
    pieces->addWidget(m_upperReply, 6, 1, 1, 2, Qt::AlignRight);
    pieces->addWidget(m_closing, 7, 0, 1, 2);
    pieces->addWidget(m_clearClosing = AddSmallButton(IDC_CLEAR_CLOSING), 7, 2);
    pieces->addWidget(AddButton(IDC_SIGNATURES, QStringLiteral(u"署名")), 8, 0);
    pieces->addWidget(m_signature, 8, 1);
    pieces->addWidget(m_clearSignature = AddSmallButton(IDC_CLEAR_SIGNATURE), 8, 2);
    pieces->addWidget(m_signatureText, 9, 0, 1, 3);
    pieces->setRowStretch(2, 1);
    pieces->setRowStretch(5, 1);
    pieces->setRowStretch(9, 1);

    // The letter templates beside them.
    auto* templates = new QVBoxLayout;
    auto* templateRow = new QHBoxLayout;
    templateRow->addWidget(AddButton(IDC_TEMPLATE, QStringLiteral(u"文面定型(&T)")), 1);
    templateRow->addWidget(m_clearTemplate = AddSmallButton(IDC_CLEAR_TEMPLATE));
    templates->addLayout(templateRow);
    templates->addWidget(m_templates, 1);
    templates->addWidget(m_replace = AddButton(IDC_REPLACE, QStringLiteral(u"<<置換(&R)")));
    templates->addWidget(m_clearAll = AddButton(IDC_CLEAR_ALL, QStringLiteral(u"クリア")));
    templates->addWidget(m_clickToReplace);
    m_templates->setFixedWidth(CLetterFormat::DesignPixels(kTemplateColumnWidth));

    auto* columns = new QHBoxLayout;
    columns->addLayout(pieces, 1);
    columns->addSpacing(CLetterFormat::DesignPixels(8));
    columns->addLayout(templates);
    PageLayout()->addLayout(columns, 1);

    connect(m_prefix, &CPhraseCombo::PhraseChosen, this, &CLetterPage::OnPrefixChosen);
    connect(m_dearPhrases, &CPhraseCombo::PhraseChosen, this, &CLetterPage::OnDearChosen);
    connect(m_signature, &CPhraseCombo::PhraseChosen, this, &CLetterPage::OnSignatureChosen);
    connect(m_templates, &CTemplateListBox::TemplateActivated, this, &CLetterPage::OnApplyTemplate);
    connect(m_templates, &CTemplateListBox::TemplateSelected, this, [this] {
        if (m_clickToReplace->isChecked())
            OnApplyTemplate();
    });
    connect(m_clickToReplace, &QCheckBox::clicked, this, &CLetterPage::OnClickToReplace);
}

CLetterPage::~CLetterPage() = default;

QPushButton* CLetterPage::AddButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    SetControlId(button, id);
    BindCommandButton(button, static_cast<UINT>(id));
    return button;
}

QToolButton* CLetterPage::AddSmallButton(int id)
{
    auto* button = new QToolButton(this);
    button->setText(QStringLiteral(u"×"));
    button->setFocusPolicy(Qt::StrongFocus);
    SetControlId(button, id);
    BindCommandButton(button, static_cast<UINT>(id));
    return button;
}

int CLetterPage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    m_editDear.Attach(m_dear);
    m_editPreview.Attach(m_preview);
    m_editSignature.Attach(m_signatureText);
    for (CPhraseCombo* combo : {m_prefix, m_dearPhrases, m_greeting, m_closing, m_signature})
        combo->Load();
    ReloadTemplates();
    LoadUpperReply(m_data.upperReply);  // an engine error leaves the box as it is
    m_data.clickToReplace = CProfile::Get().GetAddByClick(QStringLiteral(u"Letter"));
    for (const ToolTip& tip : kToolTips)
        AddToolTip(GetDlgItem(this, tip.id), QString::fromUtf16(tip.text));
    for (QWidget* small : std::initializer_list<QWidget*>{m_removePrefix, m_clearDear, m_clearGreeting, m_clearClosing,
                                                         m_clearSignature, m_clearTemplate})
        small->setAccessibleName(small->toolTip());
    UpdateData(false);
    return 1;
}

void CLetterPage::UpdateData(bool save)
{
    if (save) {
        m_data.dear = m_dear->GetText();
        m_data.greeting = m_greeting->GetEditText();
        m_data.upperReply = m_upperReply->isChecked() ? 1 : 0;
        m_data.closing = m_closing->GetEditText();
        m_data.clickToReplace = m_clickToReplace->isChecked() ? 1 : 0;
        return;
    }
    m_dear->SetText(m_data.dear);
    m_greeting->SetEditText(m_data.greeting);
    m_upperReply->setChecked(m_data.upperReply != 0);
    m_closing->SetEditText(m_data.closing);
    m_clickToReplace->setChecked(m_data.clickToReplace != 0);
}

// ---------------------------------------------------------------------------------------
// Activate and leave

void CLetterPage::OnPageShown()
{
    CWizardPage::OnPageShown();
    ShowBodyPreview();
    ReloadTemplates();
    ReloadSignatures();
    UpdateData(false);
    GetSubjectEdit()->setFocus();
}

void CLetterPage::ShowBodyPreview()
{
    CString body;
    GetDocument()->GetBody(body);
    QString shown = ToQString(AbridgedBody(body));
    shown.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    m_preview->setPlainText(shown);
}

void CLetterPage::ReloadTemplates()
{
    const long selected = m_templates->GetSelectedId();
    CTitleList titles;
    LoadLetterTemplateTitles(titles);  // an engine error: the list shows what was read
    m_templates->Fill(titles);
    if (selected >= 0)
        m_templates->SelectId(selected);
}

void CLetterPage::ReloadSignatures()
{
    m_signature->Load();
    ShowSignatureText();
}

void CLetterPage::ShowSignatureText()
{
    m_signatureText->SetText(m_signature->GetSelectedText());
}

int CLetterPage::StoreToDocument()
{
    int changed = CWizardPage::StoreToDocument();
    UpdateData(true);
    CLetterPieces pieces;
    pieces.dear = m_data.dear;
    pieces.greeting = m_data.greeting;
    pieces.closing = m_data.closing;
    pieces.signature = m_signature->GetSelectedText();
    pieces.upperReply = m_data.upperReply;
    if (StoreLetterPieces(*GetDocument(), pieces))
        changed = 1;
    SaveUpperReply(m_data.upperReply);  // an engine error: the stored flag stays as it was
    return changed;
}

void CLetterPage::ResetPage()
{
    CWizardPage::ResetPage();
    ClearPieces();
    m_templates->SelectNone();
    m_preview->clear();
}

// ---------------------------------------------------------------------------------------
// Templates and phrases

void CLetterPage::ClearPieces()
{
    UpdateData(true);
    m_dearPhrases->SelectNone();
    m_data.dear.Empty();
    m_greeting->SelectNone();
    m_data.greeting.Empty();
    m_closing->SelectNone();
    m_data.closing.Empty();
    m_signature->SelectNone();
    ShowSignatureText();
    m_prefix->SelectNone();
    UpdateData(false);
}

void CLetterPage::SetSubjectWithPrefix(const CString& prefix)
{
    CString subject = GetSubjectText();
    if (AddSubjectPrefix(subject, prefix))
        SetSubjectText(subject);
}

void CLetterPage::OnApplyTemplate()
{
    CLetterTemplate record;
    const long id = m_templates->GetSelectedId();
    if (id >= 0)
        LoadLetterTemplate(id, record);  // not found or an engine error: the empty record
    ClearPieces();
    SetSubjectWithPrefix(record.subject);
    m_data.dear = record.dear;
    m_data.greeting = record.greeting;
    m_data.closing = record.closing;
    UpdateData(false);
    m_signature->SelectId(record.signatureId);
    ShowSignatureText();
    if (record.addressTemplateId > 0 && GetWizard() != nullptr)
        GetWizard()->RequestPage("Address", RequestApplyAddressTemplate,
                                 QVariant::fromValue<qlonglong>(record.addressTemplateId));
}

void CLetterPage::OnPrefixChosen()
{
    SetSubjectWithPrefix(m_prefix->GetSelectedText());
}

void CLetterPage::OnRemovePrefix()
{
    CString subject = GetSubjectText();
    if (RemoveSubjectPrefix(subject, m_prefix->GetSelectedText()))
        SetSubjectText(subject);
    m_prefix->SelectNone();
}

void CLetterPage::OnDearChosen()
{
    UpdateData(true);
    AppendSalutation(m_data.dear, m_dearPhrases->GetSelectedText());
    UpdateData(false);
    m_dear->moveCursor(QTextCursor::End);
}

void CLetterPage::OnSignatureChosen()
{
    ShowSignatureText();
}

void CLetterPage::OnClearAll()
{
    OnRemovePrefix();
    ClearPieces();
}

CPhraseCombo* CLetterPage::ComboOfPhraseButton(UINT id) const
{
    switch (id) {
    case IDC_PREFIX_PHRASES: return m_prefix;
    case IDC_DEAR_PHRASES: return m_dearPhrases;
    case IDC_GREETING_PHRASES: return m_greeting;
    case IDC_CLOSING_PHRASES: return m_closing;
    default: return m_signature;
    }
}

void CLetterPage::OnPhraseButton(UINT id)
{
    CPhraseCombo* combo = ComboOfPhraseButton(id);
    UpdateData(true);
    // With no entry chosen, the subject and the salutation offer themselves as a new phrase.
    CString preset;
    if (combo->GetSelectedId() < 0) {
        if (id == IDC_PREFIX_PHRASES)
            preset = GetSubjectText();
        else if (id == IDC_DEAR_PHRASES)
            preset = m_data.dear;
    }
    const char* table = combo->GetTable();
    CPhraseDlg dialog(table, combo->GetSelectedId(), preset, this);
    dialog.SetWriter([table](RecordOperation operation, CPhrase& phrase) { return SavePhrase(table, operation, phrase); });
    if (dialog.exec() == QDialog::Accepted)
        combo->Load();
}

void CLetterPage::OnSignatureButton()
{
    CPhraseDlg dialog("SIGNATURE", m_signature->GetSelectedId(), CString(), this);
    dialog.SetWriter([](RecordOperation operation, CPhrase& phrase) { return SavePhrase("SIGNATURE", operation, phrase); });
    dialog.exec();
    ReloadSignatures();
}

void CLetterPage::OnTemplateButton()
{
    UpdateData(true);
    CLetterTemplate preset;
    const long selected = m_templates->GetSelectedId();
    if (selected >= 0) {
        if (!LoadLetterTemplate(selected, preset))
            return;  // the template cannot be read: no dialog
    } else {
        preset.subject = GetSubjectText();
        preset.dear = m_data.dear;
        preset.greeting = m_data.greeting;
        preset.closing = m_data.closing;
        preset.signatureId = m_signature->GetSelectedId();
    }
    CLetterTemplateDlg dialog(preset, this);
    dialog.SetWriter([](RecordOperation operation, CLetterTemplate& record) { return SaveLetterTemplate(operation, record); });
    if (dialog.exec() == QDialog::Accepted) {
        const CLetterTemplate& record = dialog.GetRecord();
        switch (dialog.GetOperation()) {
        case RecordAdd:
            m_templates->AddEntry(record.id, record.title);
            break;
        case RecordChange:
            m_templates->ReplaceSelected(record.id, record.title);
            break;
        case RecordDelete:
            m_templates->RemoveSelected();
            break;
        }
    }
    ReloadSignatures();
}

void CLetterPage::OnClickToReplace()
{
    m_data.clickToReplace = m_clickToReplace->isChecked() ? 1 : 0;
    CProfile::Get().SetAddByClick(QStringLiteral(u"Letter"), m_data.clickToReplace);
}

// ---------------------------------------------------------------------------------------
// Commands and idle

void CLetterPage::OnCommand(UINT id)
{
    switch (id) {
    case IDC_REPLACE: OnApplyTemplate(); break;
    case IDC_REMOVE_PREFIX: OnRemovePrefix(); break;
    case IDC_CLEAR_DEAR:
        UpdateData(true);
        m_dearPhrases->SelectNone();
        m_data.dear.Empty();
        UpdateData(false);
        break;
    case IDC_CLEAR_GREETING: m_greeting->SelectNone(); break;
    case IDC_CLEAR_CLOSING: m_closing->SelectNone(); break;
    case IDC_CLEAR_SIGNATURE:
        m_signature->SelectNone();
        ShowSignatureText();
        break;
    case IDC_CLEAR_TEMPLATE: m_templates->SelectNone(); break;
    case IDC_CLEAR_ALL: OnClearAll(); break;
    case IDC_TEMPLATE: OnTemplateButton(); break;
    case IDC_PREFIX_PHRASES:
    case IDC_DEAR_PHRASES:
    case IDC_GREETING_PHRASES:
    case IDC_CLOSING_PHRASES: OnPhraseButton(id); break;
    case IDC_SIGNATURES: OnSignatureButton(); break;
    default: CWizardPage::OnCommand(id); break;
    }
}

void CLetterPage::OnIdle()
{
    CWizardPage::OnIdle();
    if (!IsInitialized() || !isVisible())
        return;
    UpdateData(true);
    CLetterPageState state;
    state.templateSelected = m_templates->GetSelectedId() >= 0;
    state.prefixSelected = m_prefix->GetSelectedId() >= 0;
    state.dearSelected = m_dearPhrases->GetSelectedId() >= 0;
    state.signatureSelected = m_signature->GetSelectedId() >= 0;
    state.dear = m_data.dear;
    state.greeting = m_data.greeting;
    state.closing = m_data.closing;
    const CLetterPageButtons enabled = EnabledLetterButtons(state);
    SetEnabled(m_replace, enabled.replace);
    SetEnabled(m_clearTemplate, enabled.clearTemplate);
    SetEnabled(m_clearAll, enabled.clearAll);
    SetEnabled(m_removePrefix, enabled.removePrefix);
    SetEnabled(m_clearDear, enabled.clearDear);
    SetEnabled(m_clearGreeting, enabled.clearGreeting);
    SetEnabled(m_clearClosing, enabled.clearClosing);
    SetEnabled(m_clearSignature, enabled.clearSignature);
}

int CLetterPage::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    item = nullptr;
    if (wnd == nullptr)
        return 0;
    if (wnd == m_dear || wnd == m_dear->viewport())
        item = &m_editDear;
    else if (wnd == m_preview || wnd == m_preview->viewport())
        item = &m_editPreview;
    else if (wnd == m_signatureText || wnd == m_signatureText->viewport())
        item = &m_editSignature;
    else if (wnd == m_templates || wnd == m_templates->viewport())
        item = m_templates;
    for (CPhraseCombo* combo : {m_prefix, m_dearPhrases, m_greeting, m_closing, m_signature}) {
        if (wnd == combo || (combo->lineEdit() != nullptr && wnd == combo->lineEdit()))
            item = combo;
    }
    if (item != nullptr)
        return 1;
    return CWizardPage::IsUpdateCommandItem(wnd, item);
}
