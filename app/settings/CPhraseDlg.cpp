#include "settings/CPhraseDlg.h"

#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/CFixedPhraseSet.h"
#include "letter/CPhraseTextEdit.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstring>

namespace {

struct TableCaption {
    const char* table;
    const char16_t* caption;
};
constexpr TableCaption kCaptions[] = {
    {"SUBJECT_PREFIX", u"件名"}, {"DEAR", u"宛名書き"}, {"GREETING", u"あいさつ"},
    {"CLOSING", u"結び"},        {"SIGNATURE", u"署名"},
};

}  // namespace

QString CPhraseDlg::Caption(const char* table)
{
    for (const TableCaption& entry : kCaptions) {
        if (table != nullptr && std::strcmp(table, entry.table) == 0)
            return QString::fromUtf16(entry.caption);
    }
    return QString();
}

CPhraseDlg::CPhraseDlg(const char* table, long selectedId, const CString& presetText, QWidget* parent)
    : QDialog(parent),
      m_table(table),
      m_oneLine(std::strcmp(table, "SUBJECT_PREFIX") == 0),
      m_list(new QListWidget(this)),
      m_operation(new COperationGroup(this)),
      m_title(new QLineEdit(this))
{
    const bool signature = std::strcmp(table, "SIGNATURE") == 0;
    SetControlId(this, signature ? IDD_SIGNATURE : IDD);
    setWindowTitle(Caption(table));
    SetControlId(m_list, IDC_LIST);
    SetControlId(m_title, IDC_TITLE);

    QWidget* textWidget = nullptr;
    if (m_oneLine) {
        m_lineText = new QLineEdit(this);
        textWidget = m_lineText;
    } else {
        m_text = new CPhraseTextEdit(this);
        m_text->SetVisibleLines(signature ? 8 : 5);
        m_text->SetLineInSight(true);
        textWidget = m_text;
    }
    SetControlId(textWidget, IDC_TEXT);

    LoadPhrases(table, m_phrases);  // an engine error: the list shows what was read
    for (const CPhrase& phrase : m_phrases) {
        auto* item = new QListWidgetItem(ToQString(phrase.title), m_list);
        item->setData(Qt::UserRole, qlonglong(phrase.id));
    }
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setMinimumWidth(metrics.horizontalAdvance(QString(14, u'あ')));

    auto* listLabel = new QLabel(QStringLiteral(u"登録済み(&L)"), this);
    listLabel->setBuddy(m_list);
    auto* clear = new QPushButton(QStringLiteral(u"選択解除(&C)"), this);
    SetControlId(clear, IDC_CLEAR_SELECTION);
    clear->setAutoDefault(false);
    auto* left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(m_list, 1);
    left->addWidget(clear);

    auto* titleLabel = new QLabel(QStringLiteral(u"タイトル(&T)"), this);
    titleLabel->setBuddy(m_title);
    auto* textLabel = new QLabel(signature ? QStringLiteral(u"署名(&X)") : QStringLiteral(u"内容(&X)"), this);
    textLabel->setBuddy(textWidget);
    auto* right = new QVBoxLayout;
    right->addWidget(m_operation);
    right->addWidget(titleLabel);
    right->addWidget(m_title);
    right->addWidget(textLabel);
    right->addWidget(textWidget, m_oneLine ? 0 : 1);
    if (m_oneLine)
        right->addStretch(1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(AddOkCancel(this));

    connect(clear, &QPushButton::clicked, this, &CPhraseDlg::OnClearSelection);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CPhraseDlg::OnSelectionChanged);
    connect(m_operation, &COperationGroup::Changed, this, &CPhraseDlg::OnOperationChanged);

    // The preset entry, or a new one holding the preset text (its first line as the title).
    bool found = false;
    for (int row = 0; row < m_list->count() && selectedId >= 0; ++row) {
        if (m_list->item(row)->data(Qt::UserRole).toLongLong() == selectedId) {
            m_list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            found = true;
        }
    }
    if (!found) {
        m_operation->SetRecordExists(false);
        SetText(presetText);
        m_title->setText(ToQString(SuggestedTitle(presetText, CFixedPhraseSet::kTitleBytes)));
    }
    OnOperationChanged();
    m_title->setFocus();
}

CPhraseDlg::~CPhraseDlg() = default;

CString CPhraseDlg::GetText() const
{
    if (m_lineText != nullptr)
        return OneLine(FromQString(m_lineText->text()));
    return m_text->GetText();
}

void CPhraseDlg::SetText(const CString& text)
{
    if (m_lineText != nullptr)
        m_lineText->setText(ToQString(OneLine(text)));
    else
        m_text->SetText(text);
}

void CPhraseDlg::OnSelectionChanged()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    // Without a chosen entry only 新規 is left; the fields keep what they hold.
    m_operation->SetRecordExists(!selected.isEmpty());
    if (!selected.isEmpty()) {
        const CPhrase& phrase = m_phrases[static_cast<std::size_t>(m_list->row(selected.front()))];
        m_title->setText(ToQString(phrase.title));
        SetText(phrase.text);
        if (GetOperation() == RecordAdd)
            SetOperation(RecordChange);
    }
    OnOperationChanged();
}

void CPhraseDlg::OnClearSelection()
{
    m_list->clearSelection();
    m_list->setCurrentRow(-1);
}

void CPhraseDlg::OnOperationChanged()
{
    const bool editable = GetOperation() != RecordDelete;
    m_title->setReadOnly(!editable);
    if (m_lineText != nullptr)
        m_lineText->setReadOnly(!editable);
    else
        m_text->setReadOnly(!editable);
}

void CPhraseDlg::accept()
{
    const RecordOperation operation = GetOperation();
    CPhrase phrase;
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    phrase.id = selected.isEmpty() ? -1 : static_cast<long>(selected.front()->data(Qt::UserRole).toLongLong());
    phrase.title = FromQString(m_title->text());
    phrase.text = GetText();
    if (operation == RecordDelete) {
        if (!ConfirmDelete(this, m_title->text()))
            return;
    } else {
        const QString problem = CheckTitle(phrase.title, u"タイトル"_qs, CFixedPhraseSet::kTitleBytes);
        if (!problem.isEmpty()) {
            ShowRecordProblem(this, problem, m_title);
            return;
        }
    }
    if (m_writer && !m_writer(operation, phrase)) {
        ShowRecordProblem(this, WriteFailedText(), nullptr);
        return;
    }
    m_result = phrase;
    QDialog::accept();
}
