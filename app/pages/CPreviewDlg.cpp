#include "pages/CPreviewDlg.h"

#include "pages/AttachmentListView.h"
#include "res/ProgramIcon.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "files/CDrawerFileDlg.h"
#include "files/CFileListCtrl.h"
#include "letter/CEditLetter.h"
#include "letter/CLetterFormat.h"
#include "model/CFileUtility.h"
#include "model/CMailDoc.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// How the preview marks what it shows (colours only; the letter's own formats are text).
const QColor kQuoted(0x2a, 0x5d, 0x8f);
const QColor kUnsendable(0xff, 0xd6, 0x66);
const QColor kReplaced(0xbe, 0xeb, 0xbe);

QLabel* FieldLabel(const char16_t* text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf16(text), parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

CPreviewDlg::CPreviewDlg(CMailDoc* doc, QWidget* parent, int withSend)
    : QDialog(parent),
      m_doc(doc),
      m_subject(new QLineEdit(this)),
      m_recipients(new QListWidget(this)),
      m_files(new CFileListCtrl(this)),
      m_total(new QLabel(this)),
      m_letter(new CEditLetter(this)),
      m_note(new QLabel(this)),
      m_choiceLabel(new QLabel(QStringLiteral(u"送り方(&M):"), this)),
      m_choice(new QComboBox(this)),
      m_sender(new QLineEdit(this)),
      m_send(new QPushButton(QStringLiteral(u"送信"), this)),
      m_close(new QPushButton(QStringLiteral(u"閉じる"), this))
{
    SetControlId(this, IDD);
    SetControlId(m_subject, IDC_SUBJECT);
    SetControlId(m_recipients, IDC_RECIPIENTS);
    SetControlId(m_files, IDC_FILES);
    SetControlId(m_total, IDC_TOTAL);
    SetControlId(m_note, IDC_CHARSET_NOTE);
    SetControlId(m_choice, IDC_CHARSET_CHOICE);
    SetControlId(m_sender, IDC_SENDER);
    SetControlId(m_send, 1);
    SetControlId(m_close, 2);
    setWindowTitle(QStringLiteral(u"プレビュー"));
    setWindowIcon(ProgramIcon());

    // 1. The subject.
    CString text;
    doc->GetSubject(text);
    m_subject->setText(ToQString(text));
    m_subject->setReadOnly(true);
    m_subject->setCursorPosition(0);

    // 2. and 4. The attachments with their total, read-only: the preview shows what is
    // sent, so it takes no files (a file dropped here would never be sent).
    m_fileDialog = std::make_unique<CDrawerFileDlg>(
        1, nullptr, nullptr,
        CDrawerFileDlg::OFN_ALLOWMULTISELECT | CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_HIDEREADONLY,
        "すべてのファイル (*.*)|*.*||", this, CDrawerFileDlg::DefaultFolderListPath());
    m_files->Init(m_fileDialog.get());
    m_files->SetReadOnly(1);
    m_files->setAcceptDrops(false);
    m_files->viewport()->setAcceptDrops(false);
    SetDesignedRows(m_files);
    CMailDoc::FileList files;
    doc->GetFiles(files);
    ShowDocumentFiles(m_files, files);
    m_files->SetModify(0);
    m_files->setFixedHeight(DesignedListHeight(m_files));
    m_total->setText(ToQString(CFileUtility::SizeAutoUnit(m_files->GetSumOfFileSize())));

    // 3. One line per recipient, in a fixed-pitch font so that the prefixes line up.
    QFont fixed(QStringLiteral(u"IPAGothic"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setPointSizeF(m_recipients->font().pointSizeF());
    m_recipients->setFont(fixed);
    for (const CString& line : PreviewRules::RecipientLines(*doc))
        m_recipients->addItem(ToQString(line));
    m_recipients->setFixedHeight(m_recipients->fontMetrics().lineSpacing() * 4 + 8);

    // 5. The letter, read-only, with the characters ISO-2022-JP cannot carry marked.
    m_letter->Init(0);
    m_letter->SetReadOnly(1);
    m_letter->setMinimumHeight(m_letter->fontMetrics().lineSpacing() * 16);
    m_issues = CCharsetCheck::Check(*doc);
    m_choices = PreviewRules::SendingChoices(m_issues);
    for (const PreviewRules::SendingChoice& choice : m_choices)
        m_choice->addItem(ToQString(choice.text));
    m_choice->setCurrentIndex(PreviewRules::FindChoice(m_choices, doc->GetCharset(), doc->GetReplaceMode()));
    m_choiceLabel->setBuddy(m_choice);
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    for (QWidget* widget : {static_cast<QWidget*>(m_note), static_cast<QWidget*>(m_choiceLabel),
                            static_cast<QWidget*>(m_choice)})
        widget->setVisible(!m_issues.empty());
    ShowLetter();
    ShowCharsetNote();
    connect(m_choice, &QComboBox::activated, this, &CPreviewDlg::OnChoice);

    // 6. The sender.
    CAddress sender;
    doc->GetFromAddress(sender);
    m_sender->setText(ToQString(sender.ToText()));
    m_sender->setReadOnly(true);
    m_sender->setCursorPosition(0);

    // 7. The subject, the list and the sender end where the letter ends: the grid is exactly
    // as wide as the letter, which spans it.
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(FieldLabel(u"件名(&S):", m_subject, this), 0, 0);
    grid->addWidget(m_subject, 0, 1);
    grid->addWidget(FieldLabel(u"宛先(&T):", m_recipients, this), 1, 0, Qt::AlignTop);
    grid->addWidget(m_recipients, 1, 1);
    auto* filesLabels = new QVBoxLayout;
    filesLabels->setSpacing(0);
    filesLabels->addWidget(FieldLabel(u"添付(&A):", m_files, this));
    filesLabels->addWidget(new QLabel(QStringLiteral(u"合計:"), this));
    filesLabels->addWidget(m_total);
    filesLabels->addStretch(1);
    grid->addLayout(filesLabels, 2, 0);
    grid->addWidget(m_files, 2, 1, Qt::AlignTop);
    grid->addWidget(m_letter, 3, 0, 1, 2);
    grid->addWidget(m_note, 4, 0, 1, 2);
    auto* choiceRow = new QHBoxLayout;
    choiceRow->addWidget(m_choiceLabel);
    choiceRow->addWidget(m_choice, 1);
    grid->addLayout(choiceRow, 5, 0, 1, 2);
    grid->addWidget(FieldLabel(u"差出人(&F):", m_sender, this), 6, 0);
    grid->addWidget(m_sender, 6, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_send);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    const QMargins margins = layout->contentsMargins();
    setFixedWidth(m_letter->width() + margins.left() + margins.right());

    // 8. "送信" only from the send flow, then with the focus.
    m_close->setAutoDefault(false);
    m_send->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_send, &QPushButton::clicked, this, &QDialog::accept);
    m_send->setVisible(withSend != 0);
    if (withSend) {
        m_send->setDefault(true);
        m_send->setFocus();
    } else {
        m_close->setDefault(true);
        m_close->setFocus();
    }
}

CPreviewDlg::~CPreviewDlg() = default;

void CPreviewDlg::ShowLetter()
{
    CString letter;
    m_doc->GetBodyWithLetter(letter);
    CString shown;
    PreviewRules::PreviewLetter(letter, m_doc->GetReplaceMode(), shown, m_marks);
    QString text = ToQString(shown);
    text.replace(QStringLiteral(u"\r\n"), QStringLiteral(u"\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The text is wrapped already: every line keeps the quoted-text length, so that no line
    // breaks earlier than it will in the message. The emptied letter's paragraph takes that
    // length and the text inserted there inherits it. Emptied inside the edit block, the whole
    // letter counts as new text, which Qt lays out from the top in steps while the dialog is
    // already shown, instead of all 10,000 lines before it appears.
    QTextDocument* document = m_letter->document();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    document->clear();
    m_letter->SelToReplySentence();
    cursor.insertText(text);
    QTextCharFormat quoted;
    quoted.setForeground(kQuoted);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!block.text().startsWith(u'>'))
            continue;
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(quoted);
    }
    // The caret goes back to the top while the edit is open: moved from the end afterwards,
    // it would have every line laid out before the dialog shows.
    m_letter->setTextCursor(QTextCursor(document));
    cursor.endEditBlock();

    QList<QTextEdit::ExtraSelection> marks;
    for (const PreviewRules::LetterMark& mark : m_marks) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(document);
        selection.cursor.setPosition(mark.start);
        selection.cursor.setPosition(mark.start + mark.length, QTextCursor::KeepAnchor);
        selection.format.setBackground(mark.kind == PreviewRules::LetterMark::Replaced ? kReplaced : kUnsendable);
        marks << selection;
    }
    m_letter->setExtraSelections(marks);
    document->setModified(false);
}

void CPreviewDlg::ShowCharsetNote()
{
    QString note = ToQString(PreviewRules::SendingNote(m_issues, m_doc->GetCharset(), m_doc->GetReplaceMode()));
    m_note->setText(note);
}

void CPreviewDlg::OnChoice(int index)
{
    if (index < 0 || index >= static_cast<int>(m_choices.size()))
        return;
    m_doc->SetCharset(m_choices[static_cast<std::size_t>(index)].charset);
    m_doc->SetReplaceMode(m_choices[static_cast<std::size_t>(index)].mode);
    ShowLetter();
    ShowCharsetNote();
}
