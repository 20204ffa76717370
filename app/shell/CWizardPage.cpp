#include "shell/CWizardPage.h"

#include "res/ProgramIcon.h"
#include "addressbook/CCsvImportDlg.h"
#include "addressbook/CVCardExportDlg.h"
#include "shell/CAboutDlg.h"
#include "shell/CHelp.h"
#include "shell/CMailReaderDlg.h"
#include "shell/CMailWizard.h"
#include "command/CAcceleratorTable.h"
#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "data/CDataStore.h"
#include "import/CMailImport.h"
#include "encoding/CLanguage.h"
#include "files/CDrawerFileDlg.h"
#include "letter/CLetterFormat.h"
#include "model/CMailDoc.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

// Table 184, the pages' own keys; table 135 (CCommandDlg) is tried after it.
constexpr ACCEL kTable184[] = {
    {kCtrl, Qt::Key_Right, ID_NEXT_PAGE},
    {kCtrl, Qt::Key_Left, ID_PREV_PAGE},
    {kCtrlShift, Qt::Key_P, ID_PREVIEW},
    // Not in the designed table (Ctrl+S, 57603, stays without effect, as designed).
    {kCtrlShift, Qt::Key_S, ID_FILE_SAVE_AS},
    {kCtrlShift, Qt::Key_A, CWizardPage::ID_ADDRESS_BOOK},
    {kCtrl, Qt::Key_L, CWizardPage::ID_FLOATING},
    {kCtrl, Qt::Key_W, ID_WORK_WINDOW},
    {Qt::NoModifier, Qt::Key_F1, ID_HELP},
};
constexpr CAcceleratorTable kAccelerator184{kTable184};

// The commands that go to the focused control (or, for 32783..32786, to the page's paste
// hooks), as the common message table routes them.
constexpr UINT kRoutedCommands[] = {
    ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
    ID_EDIT_PASTE_REPLY_TEXT, ID_EDIT_DELETE, ID_EDIT_SELECT_ALL, ID_EDIT_RECONVERT,
    ID_EDIT_ADD, ID_EDIT_MODIFY, ID_EDIT_PASTE_REPLY, ID_EDIT_PASTE_FORWARD,
    ID_EDIT_PASTE_REFERENCE, ID_EDIT_PASTE_ATTACH, ID_FORM_NEW_SENTENCE,
    ID_FORM_REPLY_SENTENCE, ID_FORM_LINE_LENGTH, ID_FORM_LEFT_INDENT_ADD,
    ID_FORM_LEFT_INDENT_DELETE, ID_FORM_RIGHT_INDENT_ADD, ID_FORM_RIGHT_INDENT_DELETE,
    ID_FORM_BULLET,
};

bool IsRouted(UINT id)
{
    for (UINT routed : kRoutedCommands)
        if (routed == id)
            return true;
    return false;
}

// The menu bar: one entry per command, or a separator (id 0, no text), or a submenu
// (id 0 with text; its items follow up to the entry with id 0 and an empty text "<").
struct MenuItem {
    UINT id;
    const char16_t* text;  // designed text, with the key after a tab
};
struct MenuGroup {
    const char16_t* title;
    std::initializer_list<MenuItem> items;
};

const MenuGroup kMenus[] = {
    {u"ファイル(&F)",
     {{ID_PREVIEW, u"プレビュー(&V)...\tCtrl+Shift+P"},
      {ID_FILE_SAVE_AS, u"名前を付けて保存(&A)...\tCtrl+Shift+S"},
      {CWizardPage::ID_OPEN_MAIL_READER, u"メール受信ソフトを開く(&E)..."},
      {0, nullptr},
      {ID_FILE_CLOSE, u"閉じる(&C)"}}},
    {u"編集(&E)",
     {{ID_EDIT_UNDO, u"元に戻す(&U)\tAlt+BackSpace"},
      {ID_EDIT_REDO, u"やり直し(&R)"},
      {0, nullptr},
      {ID_EDIT_CUT, u"切り取り(&T)\tCtrl+X"},
      {ID_EDIT_COPY, u"ｺﾋﾟｰ(&C)\tCtrl+C"},
      {ID_EDIT_PASTE, u"貼り付け(&P)\tCtrl+V"},
      {ID_EDIT_PASTE_REPLY_TEXT, u"引用文貼り付け(&S)\tCtrl+Shift+V"},
      {ID_EDIT_DELETE, u"削除(&D)\tDel"},
      {0, nullptr},
      {ID_EDIT_SELECT_ALL, u"すべて選択(&A)\tCtrl+A"},
      {ID_EDIT_RECONVERT, u"再変換(&R)"},
      {0, nullptr},
      {ID_EDIT_ADD, u"追加(&N)\tCtrl+N"},
      {ID_EDIT_MODIFY, u"修正(&M)\tCtrl+M"},
      {0, u"メール貼り付け(&I)"},
      {ID_EDIT_PASTE_REPLY, u"返信(&R)\tCtrl+R"},
      {ID_EDIT_PASTE_FORWARD, u"転送(&F)\tCtrl+Shift+F"},
      {ID_EDIT_PASTE_REFERENCE, u"参照作成(&S)\tCtrl+D"},
      {0, nullptr},
      {ID_EDIT_PASTE_ATTACH, u"添付(&A)"},
      {0, u"<"}}},
    {u"書式(&O)",
     {{ID_FORM_NEW_SENTENCE, u"新規文章(&N)\tCtrl+1"},
      {ID_FORM_REPLY_SENTENCE, u"引用文章(&Q)\tCtrl+2"},
      {0, nullptr},
      {ID_FORM_LEFT_INDENT_ADD, u"字下げを追加(&I)"},
      {ID_FORM_LEFT_INDENT_DELETE, u"字下げを削除(&D)"},
      {ID_FORM_RIGHT_INDENT_ADD, u"改行を縮める(&S)"},
      {ID_FORM_RIGHT_INDENT_DELETE, u"改行を伸ばす(&E)"},
      {ID_FORM_BULLET, u"次行以降の開始位置(&B)\tCtrl+B"},
      {0, nullptr},
      {ID_FORM_LINE_LENGTH, u"改行文字数(&L)..."}}},
    {u"ページ(&P)",
     {{ID_NEXT_PAGE, u"進む/送信(&F)\tCtrl+→"},
      {ID_PREV_PAGE, u"戻る/キャンセル(&B)\tCtrl+←"},
      {0, nullptr},
      {CWizardPage::ID_CLOSE_AFTER_SEND, u"送信後に閉じる(&C)"},
      {CWizardPage::ID_PREVIEW_AT_SEND, u"送信時にプレビュー(&V)"},
      {0, nullptr},
      {CWizardPage::ID_PAGE_ORDER, u"ページ順を変更(&O)..."}}},
    // Not T: the pages' designed buttons 宛先定型(&T), 文面定型(&T) and 定型文(&T) hold it, and a
    // shared mnemonic makes Alt+T ambiguous (the menu unreachable, the button two presses).
    {u"ツール(&K)",
     {{CWizardPage::ID_ADDRESS_BOOK, u"アドレス帳(&A)...\tCtrl+Shift+A"},
      {0, u"アドレス取り込み(&I)"},
      {CWizardPage::ID_IMPORT_CSV, u"CSVファイルより(&C)..."},
      {0, u"<"},
      {0, u"アドレス書き出し(&X)"},
      {CWizardPage::ID_EXPORT_VCARD, u"vCardファイルへ(&V)..."},
      {0, u"<"},
      {0, nullptr},
      {CWizardPage::ID_FLOATING, u"フローティング表示(&F)\tCtrl+L"},
      {ID_WORK_WINDOW, u"ワーク表示(&W)\tCtrl+W"}}},
    {u"ヘルプ(&H)",
     {{ID_HELP, u"Quillon ヘルプ(&H)\tF1"},
      {0, nullptr},
      {CWizardPage::ID_APP_ABOUT, u"バージョン情報(&V)..."}}},
};

// Runs `pressed` when the watched widget gets a mouse press.
class MousePressWatch : public QObject {
public:
    MousePressWatch(QObject* parent, std::function<void()> pressed) : QObject(parent), m_pressed(std::move(pressed)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            m_pressed();
        return false;
    }

private:
    std::function<void()> m_pressed;
};

int Scaled(int pixels96)
{
    return CLetterFormat::DesignPixels(pixels96);
}

}  // namespace

const std::vector<UINT>& CWizardPage::MenuCommands()
{
    static const std::vector<UINT> commands = [] {
        std::vector<UINT> ids;
        for (const MenuGroup& group : kMenus)
            for (const MenuItem& item : group.items)
                if (item.id != 0)
                    ids.push_back(item.id);
        return ids;
    }();
    return commands;
}

CWizardPage::CWizardPage(UINT idd, CMailDoc* doc, CMailWizard* wizard)
    : CCommandDlg(idd, nullptr),
      m_doc(doc),
      m_wizard(wizard),
      m_subjectEdit(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral(u"進む >"), this)),
      m_cancel(new QPushButton(QStringLiteral(u"キャンセル"), this)),
      m_pageLayout(new QVBoxLayout),
      m_subjectRow(new QHBoxLayout)
{
    // A window of its own with a task-bar entry; no maximise: the width is fixed.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    SetControlId(this, static_cast<int>(idd));
    setWindowIcon(ProgramIcon());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Scaled(10), Scaled(8), Scaled(10), Scaled(kButtonsFromBottom + 8));
    BuildMenu();

    auto* label = new QLabel(QStringLiteral(u"件名(&S)"), this);
    SetControlId(label, IDC_SUBJECT_LABEL);
    label->setBuddy(m_subjectEdit);
    SetControlId(m_subjectEdit, IDC_SUBJECT);
    m_subjectRow->addWidget(label);
    m_subjectRow->addWidget(m_subjectEdit, 1);
    layout->addLayout(m_subjectRow);
    layout->addLayout(m_pageLayout, 1);
    connect(m_subjectEdit, &QLineEdit::textChanged, this, &CWizardPage::OnSubjectChanged);

    SetControlId(m_ok, 1);
    SetControlId(m_cancel, 2);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);
    for (QPushButton* button : {m_ok, m_cancel})
        button->resize(Scaled(kButtonWidth), Scaled(kButtonHeight));
    // A click is no Enter key, though Enter was the last key pressed (in an entry, say).
    m_ok->installEventFilter(new MousePressWatch(m_ok, [this] { m_okFromEnter = 0; }));
    connect(m_ok, &QPushButton::clicked, this, [this] { OnCommand(IDOK); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCommand(IDCANCEL); });
}

CWizardPage::~CWizardPage() = default;

void CWizardPage::BuildMenu()
{
    auto* bar = new QMenuBar(this);
    for (const MenuGroup& group : kMenus) {
        QMenu* menu = bar->addMenu(QString::fromUtf16(group.title));
        QMenu* target = menu;
        for (const MenuItem& item : group.items) {
            if (item.id == 0 && item.text == nullptr) {
                target->addSeparator();
            } else if (item.id == 0 && QString::fromUtf16(item.text) == u"<") {
                target = menu;
            } else if (item.id == 0) {
                target = menu->addMenu(QString::fromUtf16(item.text));
            } else {
                QAction* action = CreateCommandAction(item.id, QString::fromUtf16(item.text), target);
                if (item.id == ID_CLOSE_AFTER_SEND || item.id == ID_PREVIEW_AT_SEND)
                    action->setCheckable(true);
                target->addAction(action);
            }
        }
    }
    SetMenu(bar);
}

int CWizardPage::OnInitDialog()
{
    CCommandDlg::OnInitDialog();
    m_editSubject.Attach(m_subjectEdit);
    m_pageAccelerators = &kAccelerator184;
    setWindowIcon(ProgramIcon());
    setWindowTitle(ToQString(theDataStore.GetCompanyName()) + u' ' +
                   ToQString(theDataStore.GetProductName()) + QStringLiteral(u" - ") +
                   ToQString(GetPageCaption()));
    UpdateMenu();  // the check marks follow the wizard's flags
    ApplySizingRule();
    // The page's own controls come between the subject and the buttons in the Tab order,
    // though the base made the buttons first.
    QWidget* last = m_subjectEdit;
    for (QWidget* widget = m_subjectEdit->nextInFocusChain(); widget != m_subjectEdit && widget != this;
         widget = widget->nextInFocusChain()) {
        if (widget != m_ok && widget != m_cancel && isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus))
            last = widget;
    }
    setTabOrder(last, m_ok);
    setTabOrder(m_ok, m_cancel);
    setAcceptDrops(true);
    return 1;
}

void CWizardPage::ApplySizingRule()
{
    setFixedWidth(Scaled(kWidth));
    setMinimumHeight(Scaled(kMinimumHeight));
    resize(Scaled(kWidth), std::max(height(), Scaled(kMinimumHeight)));
}

// ---------------------------------------------------------------------------------------
// Mail dropped or pasted

int CWizardPage::CanAcceptMail(const QMimeData* data) const
{
    return m_wizard != nullptr ? CMailImport::CanAccept(data) : 0;
}

int CWizardPage::TakeMail(const QMimeData* data)
{
    if (m_wizard == nullptr)
        return 0;
    return m_wizard->GetMailImport()->TakeDrop(data, this) != CMailSource::NoMail ? 1 : 0;
}

UINT CWizardPage::ChooseMailCommand(const QPoint& globalPos, QWidget* owner)
{
    if (m_wizard == nullptr || !m_wizard->GetMailImport()->Pending().IsPending())
        return 0;
    return m_wizard->GetMailImport()->ChooseCommand(globalPos, owner);
}

int CWizardPage::DropMail(const QMimeData* data, const QPoint& globalPos)
{
    if (!TakeMail(data))
        return 0;
    if (const UINT id = ChooseMailCommand(globalPos, this))
        OnCommand(id);
    return 1;
}

int CWizardPage::IsMailOnClipboard() const
{
    return m_wizard != nullptr ? m_wizard->GetMailImport()->IsMailOnClipboard() : 0;
}

int CWizardPage::UpadateEditPasteInternetMessage()
{
    return m_wizard != nullptr ? m_wizard->GetMailImport()->IsAvailable() : 0;
}

void CWizardPage::ProcessEditPasteInternetMessage(UINT id)
{
    if (m_wizard == nullptr)
        return;
    CComposeHost host;
    host.parent = ToCWnd(this);
    host.storePage = [this] { StoreToDocument(); };
    host.reloadAll = [this] { m_wizard->ReloadAll(); };
    host.setTitle = [this](const CString& subject) {
        m_wizard->SetTitle(subject.IsEmpty() ? QStringLiteral(u"新規メール") : ToQString(subject));
    };
    m_wizard->GetMailImport()->Paste(id, host);
}

// ---------------------------------------------------------------------------------------
// Page operations

int CWizardPage::CreatePage()
{
    if (!Create(nullptr))
        return 0;
    hide();
    return 1;
}

int CWizardPage::ShowPage()
{
    show();
    raise();
    activateWindow();
    OnPageShown();
    return 1;
}

void CWizardPage::OnPageShown()
{
    // The subject is one for all pages; the page left last has stored it.
    m_doc->GetSubject(m_subject);
    if (GetSubjectText() != m_subject)
        SetSubjectText(m_subject);
}

int CWizardPage::HidePage()
{
    hide();
    return 1;
}

void CWizardPage::SetPagePosition(int index, int count)
{
    m_cancel->setText(index == 0 ? QStringLiteral(u"キャンセル") : QStringLiteral(u"< 戻る"));
    m_ok->setText(index + 1 == count ? QStringLiteral(u"送信") : QStringLiteral(u"進む >"));
}

int CWizardPage::LoadFromDocument()
{
    m_doc->GetSubject(m_subject);
    SetSubjectText(m_subject);
    return 1;
}

int CWizardPage::HasError()
{
    m_subject = GetSubjectText();
    if (m_wizard != nullptr && m_wizard->IsLastPage(this) && m_subject.IsEmpty()) {
        if (MessageBox(this, u"件名が入力されていませんが、よろしいですか？"_qs, u"新規メール"_qs,
                       MB_YESNO | MB_ICONEXCLAMATION) == IDNO) {
            m_subjectEdit->setFocus();
            return 1;
        }
    }
    return 0;
}

int CWizardPage::StoreToDocument()
{
    m_subject = GetSubjectText();
    CString stored;
    m_doc->GetSubject(stored);
    if (stored == m_subject)
        return 0;
    m_doc->SetSubject(m_subject);
    m_doc->SetModifiedFlag();
    return 1;
}

int CWizardPage::ReloadFromDocument()
{
    return LoadFromDocument();
}

void CWizardPage::ResetPage()
{
    m_subject.Empty();
    SetSubjectText(m_subject);
}

int CWizardPage::OnPageRequest(int, const QVariant&)
{
    return 0;
}

void CWizardPage::OnMailSent()
{
}

CString CWizardPage::GetSubjectText() const
{
    return FromQString(m_subjectEdit->text());
}

void CWizardPage::SetSubjectText(const CString& subject)
{
    m_subjectEdit->setText(ToQString(subject));
}

void CWizardPage::OnSubjectChanged()
{
    CString subject = GetSubjectText();
    if (subject.GetLength() > kSubjectLength) {
        // Cut at a character boundary, keeping the caret where it was.
        CString cut;
        CLanguage::CutSJIS(subject.GetString(), static_cast<unsigned int>(subject.GetLength()),
                           kSubjectLength, cut);
        const int caret = m_subjectEdit->cursorPosition();
        m_subjectEdit->setText(ToQString(cut));
        m_subjectEdit->setCursorPosition(std::min(caret, static_cast<int>(m_subjectEdit->text().size())));
        return;  // setText comes back here with the cut text
    }
    if (m_wizard != nullptr)
        m_wizard->SetTitle(m_subjectEdit->text());
}

// ---------------------------------------------------------------------------------------
// The common message table

void CWizardPage::OnOK()
{
    if (HasError())
        return;
    StoreToDocument();
    if (m_wizard != nullptr)
        m_wizard->Navigate(CMailWizard::Next);
}

void CWizardPage::OnCancel()
{
    StoreToDocument();
    if (m_wizard != nullptr)
        m_wizard->Navigate(CMailWizard::Back);
}

void CWizardPage::OnSaveAs()
{
    // Every page, so that the file holds the sender and recipients even when they were never
    // left; the other pages take this page's subject first, which they show when next shown.
    StoreToDocument();
    for (int index = 0; m_wizard != nullptr && m_wizard->GetPageAt(index) != nullptr; ++index) {
        CWizardPage* page = m_wizard->GetPageAt(index);
        if (page == this)
            continue;
        page->GetSubjectEdit()->setText(GetSubjectEdit()->text());
        page->StoreToDocument();
    }
    CString subject;
    m_doc->GetSubject(subject);
    CDrawerFileDlg dialog(0, "eml", nullptr,
                          CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_HIDEREADONLY |
                              CDrawerFileDlg::OFN_OVERWRITEPROMPT,
                          "メールファイル (*.eml)|*.eml|すべてのファイル (*.*)|*.*||", this,
                          CDrawerFileDlg::DefaultFolderListPath());
    dialog.setWindowTitle(u"名前を付けて保存"_qs);
    dialog.selectFile(ToQString(SaveAsFileName(subject)));
    m_doc->SaveAs(ToCWnd(this), &dialog);
}

CString CWizardPage::SaveAsFileName(const CString& subject)
{
    CString name;
    CLanguage::CutSJIS(subject.GetString(), static_cast<unsigned int>(subject.GetLength()), 100, name);
    name.Trim();
    if (name.IsEmpty())
        name = "新規メール";
    std::string& bytes = name.Str();
    for (std::size_t i = 0; i < bytes.size(); i += CLanguage::CharLength(bytes.data() + i, static_cast<unsigned int>(bytes.size() - i))) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '/' || c < 0x20 || c == 0x7F)
            bytes[i] = '_';
    }
    return name + ".eml";
}

void CWizardPage::OnClose()
{
    StoreToDocument();
    if (m_wizard != nullptr)
        m_wizard->Navigate(CMailWizard::Close);
}

int CWizardPage::IsCommandAvailable(UINT id) const
{
    CToolWindows* tools = theDataStore.GetToolWindows();
    switch (id) {
    case ID_ADDRESS_BOOK:
        return tools != nullptr && tools->HasAddressBook();
    case ID_IMPORT_CSV:
    case ID_EXPORT_VCARD:
        return 1;
    case ID_FLOATING:
    case ID_WORK_WINDOW:
        return tools != nullptr;
    default:
        return 1;
    }
}

void CWizardPage::OnCommand(UINT id)
{
    if (IsRouted(id)) {
        ProcessMenuCommand(id);
        return;
    }
    if (!IsCommandAvailable(id))
        return;
    CToolWindows* tools = theDataStore.GetToolWindows();
    switch (id) {
    case ID_FILE_CLOSE:
        OnClose();
        break;
    case IDOK:
    case ID_NEXT_PAGE:
        OnOK();
        break;
    case IDCANCEL:
    case ID_PREV_PAGE:
        OnCancel();
        break;
    case ID_PREVIEW:
        StoreToDocument();
        if (m_wizard != nullptr && m_wizard->runPreview)
            m_wizard->runPreview(this, 0);
        break;
    case ID_FILE_SAVE_AS:
        OnSaveAs();
        break;
    case ID_OPEN_MAIL_READER: {
        CMailReaderDlg dialog(this);
        dialog.exec();
        break;
    }
    case ID_IMPORT_CSV: {
        CCsvImportDlg dialog(this);
        dialog.exec();
        break;
    }
    case ID_EXPORT_VCARD: {
        CVCardExportDlg dialog(this);
        dialog.exec();
        break;
    }
    case ID_ADDRESS_BOOK:
        tools->OpenAddressBook(ToCWnd(this));
        break;
    case ID_FLOATING:
        tools->ShowFloating(ToCWnd(this));
        break;
    case ID_WORK_WINDOW:
        tools->OpenWorkWindow(ToCWnd(this));
        break;
    case ID_CLOSE_AFTER_SEND:
        if (m_wizard != nullptr)
            m_wizard->ToggleCloseAfterSend();
        UpdateMenu();
        break;
    case ID_PREVIEW_AT_SEND:
        if (m_wizard != nullptr)
            m_wizard->TogglePreviewAtSend();
        UpdateMenu();
        break;
    case ID_PAGE_ORDER:
        if (m_wizard != nullptr)
            m_wizard->ApplyPageOrder(1);
        break;
    case ID_APP_ABOUT: {
        CAboutDlg dialog(this);
        dialog.exec();
        break;
    }
    case ID_HELP:
        CHelp::Open(this);
        break;
    case ID_FILE_SAVE:
    default:
        break;
    }
}

void CWizardPage::UpdateMenu()
{
    QMenuBar* bar = GetMenu();
    for (UINT id : MenuCommands()) {
        if (IsRouted(id)) {
            UpdateMenuCommand(id);
            continue;
        }
        EnableMenuItem(id, IsCommandAvailable(id));
    }
    const int flags[2][2] = {
        {static_cast<int>(ID_CLOSE_AFTER_SEND), m_wizard != nullptr && m_wizard->GetCloseAfterSend()},
        {static_cast<int>(ID_PREVIEW_AT_SEND), m_wizard != nullptr && m_wizard->GetPreviewAtSend()},
    };
    for (const auto& flag : flags) {
        if (QAction* action = FindCommandAction(bar, static_cast<UINT>(flag[0])); action != nullptr && action->isChecked() != (flag[1] != 0))
            action->setChecked(flag[1] != 0);
    }
}

int CWizardPage::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    item = (wnd != nullptr && wnd == m_subjectEdit) ? &m_editSubject : nullptr;
    return item != nullptr ? 1 : 0;
}

UINT CWizardPage::TranslatePageKey(const QKeyEvent& event) const
{
    if (const UINT id = kAccelerator184.Translate(event))
        return id;
    if (const CAcceleratorTable* table = CAcceleratorTable::Load(IDR_ACCELERATOR))
        return table->Translate(event);
    return 0;
}

int CWizardPage::PreTranslateMessage(MSG* msg)
{
    if (msg->event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(msg->event);
        m_okFromEnter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ? 1 : 0;
        if (m_pageAccelerators != nullptr) {
            if (const UINT id = m_pageAccelerators->Translate(*key)) {
                if (IsCommandAvailable(id))
                    OnCommand(id);
                return 1;
            }
        }
    }
    return CCommandDlg::PreTranslateMessage(msg);
}

int CWizardPage::IsPreTranslatedKey(MSG* msg)
{
    if (m_pageAccelerators != nullptr && m_pageAccelerators->Translate(*static_cast<QKeyEvent*>(msg->event)) != 0)
        return 1;
    return CCommandDlg::IsPreTranslatedKey(msg);
}

// ---------------------------------------------------------------------------------------
// Window events

void CWizardPage::accept()
{
    OnCommand(IDOK);
}

void CWizardPage::reject()
{
    // Esc is the IDCANCEL button, as on the framework's dialogs: back, or close on page 0.
    OnCommand(IDCANCEL);
}

void CWizardPage::closeEvent(QCloseEvent* event)
{
    // The wizard hides the page when it may go; the window is never closed under it.
    event->ignore();
    OnCommand(ID_FILE_CLOSE);
}

void CWizardPage::resizeEvent(QResizeEvent* event)
{
    CCommandDlg::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    m_cancel->move(cx - Scaled(kCancelFromRight), cy - Scaled(kButtonsFromBottom));
    m_ok->move(cx - Scaled(kOkFromRight), cy - Scaled(kButtonsFromBottom));
    OnSize(cx, cy);
}

void CWizardPage::OnSize(int, int)
{
}

void CWizardPage::changeEvent(QEvent* event)
{
    CCommandDlg::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    // Minimising shows the floating drop window instead; the page is hidden, not iconified.
    QTimer::singleShot(0, this, [this] {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        if (CToolWindows* tools = theDataStore.GetToolWindows())
            tools->ShowFloating(ToCWnd(this));
    });
}

void CWizardPage::dragEnterEvent(QDragEnterEvent* event)
{
    if (CanAcceptMail(event->mimeData()))
        event->acceptProposedAction();
}

void CWizardPage::dropEvent(QDropEvent* event)
{
    if (DropMail(event->mimeData(), mapToGlobal(event->position().toPoint())))
        event->acceptProposedAction();
}
