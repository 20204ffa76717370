#include "letter/CEditLetterDlg.h"

#include "letter/CLetterFormat.h"

#include <QAction>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

// The commands of the dialog's menu bar, in the order its idle pass updates them.
constexpr UINT kMenuCommands[] = {
    ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_PASTE_REPLY_TEXT, ID_EDIT_DELETE,
    ID_EDIT_SELECT_ALL, ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_RECONVERT, ID_FORM_NEW_SENTENCE,
    ID_FORM_REPLY_SENTENCE, ID_FORM_LINE_LENGTH, ID_FORM_LEFT_INDENT_ADD,
    ID_FORM_LEFT_INDENT_DELETE, ID_FORM_RIGHT_INDENT_ADD, ID_FORM_RIGHT_INDENT_DELETE,
    ID_FORM_BULLET,
};

}  // namespace

CEditLetterDlg::CEditLetterDlg(UINT idd, QWidget* parent)
    : CCommandDlg(idd, parent), m_edit(new CEditLetter(this))
{
    auto* layout = new QVBoxLayout(this);

    auto* menuBar = new QMenuBar(this);
    QMenu* edit = menuBar->addMenu(QStringLiteral(u"編集(&E)"));
    auto add = [](QMenu* menu, UINT id, const char16_t* text) {
        menu->addAction(CreateCommandAction(id, QString::fromUtf16(text), menu));
    };
    add(edit, ID_EDIT_UNDO, u"元に戻す(&U)");
    add(edit, ID_EDIT_REDO, u"やり直し(&R)");
    edit->addSeparator();
    add(edit, ID_EDIT_CUT, u"切り取り(&T)");
    add(edit, ID_EDIT_COPY, u"ｺﾋﾟｰ(&C)");
    add(edit, ID_EDIT_PASTE, u"貼り付け(&P)");
    add(edit, ID_EDIT_PASTE_REPLY_TEXT, u"引用文貼り付け(&S)");
    add(edit, ID_EDIT_DELETE, u"削除(&D)");
    edit->addSeparator();
    add(edit, ID_EDIT_SELECT_ALL, u"すべて選択(&A)");
    edit->addSeparator();
    add(edit, ID_EDIT_RECONVERT, u"再変換(&R)");
    QMenu* format = menuBar->addMenu(QStringLiteral(u"書式(&O)"));
    add(format, ID_FORM_BULLET, u"次行以降の開始位置(&B)");
    SetMenu(menuBar);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral(u"字下げ"), this));
    row->addWidget(AddButton(kLeftIndentDeleteButton, QStringLiteral(u"－")));
    row->addWidget(AddButton(kLeftIndentAddButton, QStringLiteral(u"＋")));
    row->addSpacing(CLetterFormat::DesignPixels(8));
    row->addWidget(new QLabel(QStringLiteral(u"改行位置"), this));
    row->addWidget(AddButton(kRightIndentAddButton, QStringLiteral(u"－")));
    row->addWidget(AddButton(kRightIndentDeleteButton, QStringLiteral(u"＋")));
    row->addSpacing(CLetterFormat::DesignPixels(8));
    row->addWidget(AddButton(kDefaultButton, QStringLiteral(u"標準(&D)")));
    row->addWidget(AddButton(kUnderlineButton, QStringLiteral(u"下線(&U)")));
    row->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    SetControlId(buttons->button(QDialogButtonBox::Ok), 1);
    SetControlId(buttons->button(QDialogButtonBox::Cancel), 2);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral(u"キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    row->addWidget(buttons);
    layout->addLayout(row);

    layout->addWidget(m_edit, 1, Qt::AlignHCenter);
    const int margin = CLetterFormat::DesignPixels(8);
    layout->setContentsMargins(margin, margin, margin, BottomMargin());

    setMinimumSize(Width(), MinimumHeight());
    setMaximumWidth(Width());
    resize(Width(), CLetterFormat::DesignPixels(400));
}

int CEditLetterDlg::Width() { return CLetterFormat::DesignPixels(kWidth); }
int CEditLetterDlg::MinimumHeight() { return CLetterFormat::DesignPixels(kMinimumHeight); }
int CEditLetterDlg::BottomMargin() { return CLetterFormat::DesignPixels(kBottomMargin); }

CEditLetterDlg::~CEditLetterDlg() = default;

QPushButton* CEditLetterDlg::AddButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    SetControlId(button, id);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    const int width = button->fontMetrics().horizontalAdvance(text) + 16;
    button->setMinimumWidth(width);
    button->setMaximumWidth(std::max(width, button->fontMetrics().horizontalAdvance(QStringLiteral(u"標準(D)")) + 16));
    connect(button, &QPushButton::clicked, this, [this, id] {
        m_edit->setFocus();
        switch (id) {
        case kLeftIndentAddButton: ProcessMenuCommand(ID_FORM_LEFT_INDENT_ADD); break;
        case kLeftIndentDeleteButton: ProcessMenuCommand(ID_FORM_LEFT_INDENT_DELETE); break;
        case kRightIndentAddButton: ProcessMenuCommand(ID_FORM_RIGHT_INDENT_ADD); break;
        case kRightIndentDeleteButton: ProcessMenuCommand(ID_FORM_RIGHT_INDENT_DELETE); break;
        case kDefaultButton: m_edit->SetSelectionToDefault(); break;
        case kUnderlineButton: m_edit->SetSelectionToUnderline(); break;
        default: break;
        }
    });
    return button;
}

int CEditLetterDlg::OnInitDialog()
{
    CCommandDlg::OnInitDialog();
    m_edit->Init(0);
    AddToolTip(GetDlgItem(this, kLeftIndentDeleteButton), QStringLiteral(u"字下げを削除"));
    AddToolTip(GetDlgItem(this, kLeftIndentAddButton), QStringLiteral(u"字下げを追加"));
    AddToolTip(GetDlgItem(this, kRightIndentDeleteButton), QStringLiteral(u"改行を伸ばす"));
    AddToolTip(GetDlgItem(this, kRightIndentAddButton), QStringLiteral(u"改行を縮める"));
    resize(Width(), std::max(height(), MinimumHeight()));
    m_edit->setFocus();
    return 1;
}

void CEditLetterDlg::UpdateMenu()
{
    for (UINT id : kMenuCommands)
        UpdateMenuCommand(id);
}

int CEditLetterDlg::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    item = (wnd != nullptr && (wnd == m_edit || wnd == m_edit->viewport())) ? m_edit : nullptr;
    return item != nullptr ? 1 : 0;
}

void CEditLetterDlg::OnCommand(UINT id)
{
    for (UINT routed : kMenuCommands) {
        if (routed == id) {
            ProcessMenuCommand(id);
            return;
        }
    }
    // 32819 (Ctrl+W) and button 1139 do nothing here.
}
