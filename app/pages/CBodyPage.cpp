#include "pages/CBodyPage.h"

#include "pages/AttachmentListView.h"
#include "settings/CBodyPhraseDlg.h"
#include "command/CQtPlatformUi.h"
#include "command/CStandardCombo.h"
#include "command/CommandIds.h"
#include "command/QtPath.h"
#include "command/QtText.h"
#include "data/CDataStore.h"
#include "files/CDrawerFileDlg.h"
#include "files/CFileListCtrl.h"
#include "files/CTemplateFile.h"
#include "letter/CEditLetter.h"
#include "letter/CLetterFormat.h"
#include "model/CFileUtility.h"
#include "model/CMailDoc.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace {

int Scaled(int pixels96)
{
    return CLetterFormat::DesignPixels(pixels96);
}

constexpr int kSpacing = 4;  // between the controls of a row, 96-DPI pixels

}  // namespace

CBodyPage::CBodyPage(CMailDoc* doc, CMailWizard* wizard)
    : CWizardPage(IDD, doc, wizard)
{
    // Created in the order of the Tab key: the attachments, the phrase row, the editor.
    QPushButton* addFiles = AddButton(IDC_ADD_FILES, QStringLiteral(u"添付(&A)"));
    m_files = new CFileListCtrl(this);
    SetControlId(m_files, IDC_FILES);
    QPushButton* removeAll = AddButton(IDC_REMOVE_ALL, QStringLiteral(u"×"));
    auto* totalLabel = new QLabel(QStringLiteral(u"合計:"), this);
    m_total = new QLabel(this);
    SetControlId(m_total, IDC_TOTAL);

    auto* bodyLabel = new QLabel(QStringLiteral(u"本文(&B)"), this);
    SetControlId(bodyLabel, IDC_BODY_LABEL);
    auto* leftLabel = new QLabel(QStringLiteral(u"字下げ"), this);
    QPushButton* leftDelete = AddButton(IDC_LEFT_INDENT_DELETE, QStringLiteral(u"－"));
    QPushButton* leftAdd = AddButton(IDC_LEFT_INDENT_ADD, QStringLiteral(u"＋"));
    auto* rightLabel = new QLabel(QStringLiteral(u"改行"), this);
    QPushButton* rightAdd = AddButton(IDC_RIGHT_INDENT_ADD, QStringLiteral(u"－"));
    QPushButton* rightDelete = AddButton(IDC_RIGHT_INDENT_DELETE, QStringLiteral(u"＋"));
    QPushButton* editPhrase = AddButton(IDC_PHRASE_EDIT, QStringLiteral(u"定型文(&T)"));
    m_phrases = new CStandardCombo(this);
    SetControlId(m_phrases, IDC_PHRASES);
    QPushButton* insertPhrase = AddButton(IDC_PHRASE_INSERT, QStringLiteral(u"挿入(&I)"));
    QPushButton* clearPhrase = AddButton(IDC_PHRASE_CLEAR, QStringLiteral(u"×"));

    m_edit = new CEditLetter(this);
    bodyLabel->setBuddy(m_edit);
    // Outside the layout: placed by OnSize, 32 pixels above the bottom beside IDOK/IDCANCEL.
    AddButton(IDC_DEFAULT_FORMAT, QStringLiteral(u"標準(&D)"));
    AddButton(IDC_UNDERLINE, QStringLiteral(u"下線(&U)"));

    // The indent and format buttons act on the editor's selection, which keeps the focus.
    for (QPushButton* button : {leftDelete, leftAdd, rightAdd, rightDelete})
        button->setFocusPolicy(Qt::NoFocus);

    auto* area = new QVBoxLayout;
    area->setSpacing(0);
    area->setContentsMargins(0, 0, 0, 0);

    const int listRow = Scaled(BodyRules::kListEmptyHeight);
    auto* files = new QHBoxLayout;
    files->setSpacing(Scaled(kSpacing));
    files->addWidget(addFiles, 0, Qt::AlignTop);
    files->addWidget(m_files, 1, Qt::AlignTop);
    files->addWidget(removeAll, 0, Qt::AlignTop);
    files->addWidget(totalLabel, 0, Qt::AlignTop);
    files->addWidget(m_total, 0, Qt::AlignTop);
    for (QWidget* widget : {static_cast<QWidget*>(addFiles), static_cast<QWidget*>(removeAll),
                            static_cast<QWidget*>(totalLabel), static_cast<QWidget*>(m_total)})
        widget->setFixedHeight(listRow);
    m_total->setMinimumWidth(m_total->fontMetrics().horizontalAdvance(QStringLiteral(u"1023.99MB")));
    m_files->setFixedHeight(listRow);
    area->addLayout(files);
    area->addSpacing(Scaled(BodyRules::kRowsBelowList));

    // The label and button rows, 12 pixels below the list; the editor 32 below it.
    const int rowHeight = Scaled(BodyRules::kEditorBelowList) - Scaled(BodyRules::kRowsBelowList);
    auto* rows = new QHBoxLayout;
    rows->setSpacing(Scaled(kSpacing));
    rows->addWidget(bodyLabel);
    rows->addSpacing(Scaled(8));
    rows->addWidget(leftLabel);
    rows->addWidget(leftDelete);
    rows->addWidget(leftAdd);
    rows->addSpacing(Scaled(4));
    rows->addWidget(rightLabel);
    rows->addWidget(rightAdd);
    rows->addWidget(rightDelete);
    rows->addStretch(1);
    rows->addWidget(editPhrase);
    rows->addWidget(m_phrases, 2);
    rows->addWidget(insertPhrase);
    rows->addWidget(clearPhrase);
    for (QWidget* widget : {static_cast<QWidget*>(bodyLabel), static_cast<QWidget*>(leftLabel),
                            static_cast<QWidget*>(leftDelete), static_cast<QWidget*>(leftAdd),
                            static_cast<QWidget*>(rightLabel), static_cast<QWidget*>(rightAdd),
                            static_cast<QWidget*>(rightDelete), static_cast<QWidget*>(editPhrase),
                            static_cast<QWidget*>(m_phrases), static_cast<QWidget*>(insertPhrase),
                            static_cast<QWidget*>(clearPhrase)})
        widget->setFixedHeight(rowHeight);
    m_phrases->setMinimumWidth(Scaled(120));
    area->addLayout(rows);

    area->addWidget(m_edit, 1, Qt::AlignHCenter);
    // The base keeps 43 pixels below the page's controls; the editor ends 53 above the bottom.
    area->addSpacing(Scaled(BodyRules::kEditorAboveBottom) - Scaled(kButtonsFromBottom + 8));
    PageLayout()->addLayout(area);

    connect(addFiles, &QPushButton::clicked, this, &CBodyPage::OnAddFiles);
    connect(removeAll, &QPushButton::clicked, this, &CBodyPage::OnRemoveAll);
    connect(editPhrase, &QPushButton::clicked, this, &CBodyPage::OnEditPhrase);
    connect(insertPhrase, &QPushButton::clicked, this, &CBodyPage::OnInsertPhrase);
    connect(clearPhrase, &QPushButton::clicked, this, &CBodyPage::OnClearPhrase);
}

CBodyPage::~CBodyPage() = default;

QPushButton* CBodyPage::AddButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    SetControlId(button, id);
    button->setAutoDefault(false);
    // Narrow buttons ("－", "×") keep their text's width; the others as Qt sizes them.
    const int textWidth = button->fontMetrics().horizontalAdvance(QString(text).remove(u'&'));
    button->setMinimumWidth(textWidth + Scaled(12));
    if (text.size() == 1)
        button->setFixedWidth(std::max(textWidth + Scaled(10), Scaled(22)));
    switch (id) {
    case IDC_LEFT_INDENT_DELETE:
    case IDC_LEFT_INDENT_ADD:
    case IDC_RIGHT_INDENT_ADD:
    case IDC_RIGHT_INDENT_DELETE:
    case IDC_DEFAULT_FORMAT:
    case IDC_UNDERLINE:
        connect(button, &QPushButton::clicked, this, [this, id] { OnFormatButton(id); });
        break;
    default:
        break;
    }
    return button;
}

int CBodyPage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    // Files dropped on the editor come to the page, which gives them to the list.
    m_edit->Init(1);

    m_fileDialog = std::make_unique<CDrawerFileDlg>(
        1, nullptr, nullptr,
        CDrawerFileDlg::OFN_ALLOWMULTISELECT | CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_HIDEREADONLY |
            CDrawerFileDlg::OFN_CREATEPROMPT,
        "すべてのファイル (*.*)|*.*||", this, CDrawerFileDlg::DefaultFolderListPath());
    m_fileDialog->setWindowTitle(QStringLiteral(u"添付ファイルの追加"));
    m_files->Init(m_fileDialog.get());
    SetDesignedRows(m_files);

    const CPath folder = BodyRules::PhraseFolder(theDataStore.GetDataFolder());
    BodyRules::MakePhraseFolder(folder);  // a store without its folder lists nothing and says so when written
    m_phraseStore = std::make_unique<CTemplateFile>(folder);
    FillPhraseCombo();

    const struct {
        int id;
        const char16_t* tip;
    } tips[] = {
        {IDC_REMOVE_ALL, u"全添付の解除"},
        {IDC_PHRASES, u"[定型文]ボタンで登録した定型文の一覧です。選択して[挿入]ボタンをクリックしてください。"},
        {IDC_PHRASE_INSERT, u"本文上で挿入位置をクリック後に押してください。"},
        {IDC_PHRASE_CLEAR, u"定型文選択の解除"},
        {IDC_ADD_FILES, u"添付ファイルを追加"},
        {IDC_PHRASE_EDIT, u"定型文の修正/削除を行なう場合は、右の一覧から選択してから押してください。"},
        {IDC_LEFT_INDENT_DELETE, u"字下げを削除"},
        {IDC_LEFT_INDENT_ADD, u"字下げを追加"},
        {IDC_RIGHT_INDENT_DELETE, u"改行を伸ばす"},
        {IDC_RIGHT_INDENT_ADD, u"改行を縮める"},
    };
    for (const auto& tip : tips)
        AddToolTip(GetDlgItem(this, tip.id), QString::fromUtf16(tip.tip));

    ClearEditor();
    RefreshTotal();
    return 1;
}

// ---------------------------------------------------------------------------------------
// Page operations

void CBodyPage::ClearEditor()
{
    m_edit->clear();
    m_edit->moveCursor(QTextCursor::Start);
    m_edit->SelToNewSentence();
    m_edit->document()->clearUndoRedoStacks();
    m_edit->document()->setModified(false);
}

int CBodyPage::LoadFromDocument()
{
    CWizardPage::LoadFromDocument();
    CMailDoc* doc = GetDocument();
    m_edit->clear();
    m_edit->moveCursor(QTextCursor::Start);

    CString body;
    doc->GetBody(body);
    const int type = doc->GetType();
    switch (type) {
    case CMailDoc::NewMail:
        m_edit->SelToNewSentence();
        m_edit->InsertStrToCurPos(body, 1, 0, 0);
        break;
    case CMailDoc::ReplyMail:
        m_edit->SelToReplySentence();
        m_edit->SetReplyText(body);
        break;
    case CMailDoc::ForwardMail:
        m_edit->SelToReplySentence();
        m_edit->InsertStrToCurPos(body, 1, 0, 0);
        break;
    default:
        break;
    }
    if (type != CMailDoc::NewMail) {
        CString summary;
        doc->GetOriginalSummary(summary);
        CString block = BodyRules::OriginalMessageBlock(summary);
        m_edit->moveCursor(QTextCursor::Start);
        m_edit->InsertStrToCurPos(block, 1, 0, 0);
        // The two empty lines above the block are where the user writes: new text.
        QTextCursor answer(m_edit->document());
        answer.setPosition(BodyRules::kAnswerLines, QTextCursor::KeepAnchor);
        m_edit->setTextCursor(answer);
        m_edit->SelToNewSentence();
    }
    m_edit->moveCursor(QTextCursor::Start);
    m_edit->document()->clearUndoRedoStacks();
    // Marked modified, so that leaving exports it.
    m_edit->document()->setModified(true);

    m_files->DeleteAllItems();
    CMailDoc::FileList files;
    doc->GetFiles(files);
    ShowDocumentFiles(m_files, files);
    RefreshTotal();
    return 1;
}

int CBodyPage::StoreToDocument()
{
    int changed = CWizardPage::StoreToDocument();
    CMailDoc* doc = GetDocument();
    if (m_edit->document()->isModified()) {
        CString body;
        m_edit->GetTextWithReturn(body);
        CString stored;
        doc->GetBody(stored);
        if (body != stored) {
            doc->SetBody(body);
            doc->SetModifiedFlag();
            changed = 1;
        }
        m_edit->document()->setModified(false);
    }
    if (m_files->GetModify()) {
        CMailDoc::FileList files;
        for (int i = 0; i < m_files->GetItemCount(); ++i)
            files.push_back({m_files->GetFilePath(i), m_files->GetDispName(i)});
        CMailDoc::FileList stored;
        doc->GetFiles(stored);
        if (!BodyRules::SameFiles(files, stored)) {
            doc->SetFiles(files);
            doc->SetModifiedFlag();
            changed = 1;
        }
        m_files->SetModify(0);
    }
    return changed;
}

void CBodyPage::OnPageShown()
{
    CWizardPage::OnPageShown();
    GetSubjectEdit()->setFocus();
}

void CBodyPage::ResetPage()
{
    CWizardPage::ResetPage();
    ClearEditor();
    m_files->DeleteAllItems();
    m_files->SetModify(0);
    RefreshTotal();
}

int CBodyPage::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    item = nullptr;
    if (wnd != nullptr && (wnd == m_edit || wnd == m_edit->viewport()))
        item = m_edit;
    else if (wnd != nullptr && (wnd == m_files || wnd == m_files->viewport()))
        item = m_files;
    else if (wnd != nullptr && wnd == m_phrases)
        item = m_phrases;
    if (item != nullptr)
        return 1;
    return CWizardPage::IsUpdateCommandItem(wnd, item);
}

// ---------------------------------------------------------------------------------------
// Idle, layout and total

void CBodyPage::OnIdle()
{
    CWizardPage::OnIdle();
    if (!IsInitialized() || !isVisible())
        return;
    const bool phrase = m_phrases->currentIndex() >= 0;
    const bool files = m_files->GetItemCount() > 0;
    const struct {
        int id;
        bool enable;
    } states[] = {{IDC_PHRASE_INSERT, phrase}, {IDC_PHRASE_CLEAR, phrase}, {IDC_REMOVE_ALL, files}};
    for (const auto& state : states) {
        QWidget* button = GetDlgItem(this, state.id);
        if (button != nullptr && button->isEnabled() != state.enable)
            button->setEnabled(state.enable);
    }
    if (m_totalPacer.Tick())
        RefreshTotal();
}

void CBodyPage::OnSize(int, int height)
{
    const int listHeight = DesignedListHeight(m_files);
    if (listHeight != m_listHeight) {
        m_listHeight = listHeight;
        m_files->setFixedHeight(listHeight);
        if (layout() != nullptr)
            layout()->activate();
    }
    const int y = height - Scaled(BodyRules::kFormatButtonsAboveBottom);
    const int buttonHeight = Scaled(kButtonHeight) - Scaled(3);
    int x = Scaled(10);
    for (int id : {IDC_DEFAULT_FORMAT, IDC_UNDERLINE}) {
        QWidget* button = GetDlgItem(this, id);
        button->setGeometry(x, y, std::max(button->sizeHint().width(), button->minimumWidth()), buttonHeight);
        x += button->width() + Scaled(kSpacing);
    }
    RefreshTotal();
}

void CBodyPage::RefreshTotal()
{
    const QString total = ToQString(CFileUtility::SizeAutoUnit(m_files->GetSumOfFileSize()));
    if (m_total->text() != total)
        m_total->setText(total);
}

QString CBodyPage::GetTotalText() const
{
    return m_total->text();
}

// ---------------------------------------------------------------------------------------
// Attachments

void CBodyPage::OnAddFiles()
{
    m_files->AddFilesByFileDlg();
    RefreshTotal();
}

void CBodyPage::OnRemoveAll()
{
    m_files->DeleteAllItems();
    RefreshTotal();
}

void CBodyPage::OnDropFiles(const std::vector<CPath>& paths)
{
    m_files->OnDropFiles(paths);
    RefreshTotal();
}

void CBodyPage::dragEnterEvent(QDragEnterEvent* event)
{
    if (CanAcceptMail(event->mimeData()) || !LocalFilePaths(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CBodyPage::dragMoveEvent(QDragMoveEvent* event)
{
    if (CanAcceptMail(event->mimeData()) || !LocalFilePaths(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CBodyPage::dropEvent(QDropEvent* event)
{
    // A mail goes to the mail hooks; files that are no mail (the formats alone cannot tell a
    // list of files from a list of .eml files) are attachments.
    if (CanAcceptMail(event->mimeData()) && DropMail(event->mimeData(), mapToGlobal(event->position().toPoint()))) {
        event->acceptProposedAction();
        return;
    }
    const std::vector<CPath> paths = LocalFilePaths(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    OnDropFiles(paths);
}

// ---------------------------------------------------------------------------------------
// Fixed phrases and the format buttons

void CBodyPage::FillPhraseCombo()
{
    BodyRules::LoadPhrases(*m_phraseStore, m_phraseList);
    m_phrases->clear();
    for (const CTitleItem& phrase : m_phraseList)
        m_phrases->addItem(ToQString(phrase.title), QVariant::fromValue<qlonglong>(phrase.id));
    m_phrases->setCurrentIndex(-1);
}

int CBodyPage::SelectedPhrase() const
{
    const int index = m_phrases->currentIndex();
    return index >= 0 && index < static_cast<int>(m_phraseList.size()) ? index : -1;
}

void CBodyPage::OnInsertPhrase()
{
    m_edit->setFocus();
    const int index = SelectedPhrase();
    if (index < 0)
        return;
    CString title;
    CString rtf;
    if (!m_phraseStore->Read(m_phraseList[static_cast<std::size_t>(index)].id, title, rtf)) {
        MessageBox(this, u"定型文を読み込めませんでした。"_qs, u"定型文"_qs, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_edit->InsertRft(rtf);
}

void CBodyPage::OnClearPhrase()
{
    m_edit->setFocus();
    m_phrases->setCurrentIndex(-1);
}

void CBodyPage::OnEditPhrase()
{
    m_edit->setFocus();
    const int chosen = SelectedPhrase();
    int selected = chosen;
    CString title;
    CString rtf;
    if (selected < 0) {
        title = FromQString(m_phrases->currentText());
    } else if (!m_phraseStore->Read(m_phraseList[static_cast<std::size_t>(selected)].id, title, rtf)) {
        MessageBox(this, u"定型文を読み込めませんでした。"_qs, u"定型文"_qs, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    int operation = 0;
    CString newTitle;
    CString newRtf;
    if (!RunPhraseDialog(title, rtf, selected >= 0 ? 1 : 0, operation, newTitle, newRtf))
        return;
    if (!BodyRules::ApplyPhraseOperation(*m_phraseStore, m_phraseList, selected, operation, newTitle, newRtf)) {
        MessageBox(this, u"定型文を保存できませんでした。"_qs, u"定型文"_qs, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    switch (operation) {
    case BodyRules::PhraseAdd: {
        const CTitleItem& added = m_phraseList[static_cast<std::size_t>(selected)];
        m_phrases->insertItem(selected, ToQString(added.title), QVariant::fromValue<qlonglong>(added.id));
        m_phrases->setCurrentIndex(selected);
        break;
    }
    case BodyRules::PhraseChange:
        m_phrases->setItemText(selected, ToQString(m_phraseList[static_cast<std::size_t>(selected)].title));
        break;
    default:
        m_phrases->removeItem(chosen);
        m_phrases->setCurrentIndex(-1);
        break;
    }
}

int CBodyPage::RunPhraseDialog(const CString& title, const CString& rtf, int existing, int& operation,
                               CString& newTitle, CString& newRtf)
{
    if (runPhraseDialog)
        return runPhraseDialog(title, rtf, existing, operation, newTitle, newRtf);
    CBodyPhraseDlg dialog(title, rtf, existing, this);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    operation = dialog.GetOperation();
    newTitle = dialog.GetTitle();
    newRtf = dialog.GetPhraseRtf();
    return 1;
}

void CBodyPage::OnFormatButton(int id)
{
    m_edit->setFocus();
    switch (id) {
    case IDC_LEFT_INDENT_ADD: ProcessMenuCommand(ID_FORM_LEFT_INDENT_ADD); break;
    case IDC_LEFT_INDENT_DELETE: ProcessMenuCommand(ID_FORM_LEFT_INDENT_DELETE); break;
    case IDC_RIGHT_INDENT_ADD: ProcessMenuCommand(ID_FORM_RIGHT_INDENT_ADD); break;
    case IDC_RIGHT_INDENT_DELETE: ProcessMenuCommand(ID_FORM_RIGHT_INDENT_DELETE); break;
    case IDC_DEFAULT_FORMAT: m_edit->SetSelectionToDefault(); break;
    case IDC_UNDERLINE: m_edit->SetSelectionToUnderline(); break;
    default: break;
    }
}
