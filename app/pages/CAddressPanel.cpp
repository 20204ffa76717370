#include "pages/CAddressPanel.h"

#include "addressbook/AddressRules.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "data/CDataStore.h"
#include "pages/CAddressListModel.h"
#include "pages/CRecipientEntry.h"
#include "pages/CRecipientList.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>

namespace {

struct RowDesign {
    int listId, bookId, addId, clearId, entryId;
    const char16_t* bookText;
    const char16_t* addTip;
    const char16_t* clearTip;
};

const RowDesign kRows[CAddressPanel::kLists] = {
    {CAddressPanel::IDC_TO, CAddressPanel::IDC_TO_BOOK, CAddressPanel::IDC_TO_ADD, CAddressPanel::IDC_TO_CLEAR,
     CAddressPanel::IDC_TO_ENTRY, u"宛先(&A)", u"宛先にアドレスを追加", u"宛先をすべて削除"},
    {CAddressPanel::IDC_CC, CAddressPanel::IDC_CC_BOOK, CAddressPanel::IDC_CC_ADD, CAddressPanel::IDC_CC_CLEAR,
     CAddressPanel::IDC_CC_ENTRY, u"ＣＣ(&C)", u"CCにアドレスを追加", u"CCをすべて削除"},
    {CAddressPanel::IDC_BCC, CAddressPanel::IDC_BCC_BOOK, CAddressPanel::IDC_BCC_ADD, CAddressPanel::IDC_BCC_CLEAR,
     CAddressPanel::IDC_BCC_ENTRY, u"BCC(&B)", u"BCCにアドレスを追加", u"BCCをすべて削除"},
};

QPushButton* SmallButton(const QString& text, int id, const QString& tip, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    SetControlId(button, id);
    button->setAutoDefault(false);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    const QFontMetrics metrics = button->fontMetrics();
    button->setFixedWidth(metrics.horizontalAdvance(text) + metrics.height());
    return button;
}

}  // namespace

CAddressPanel::CAddressPanel(QWidget* parent) : QWidget(parent)
{
    SetControlId(this, IDD);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < kLists; ++i) {
        const RowDesign& design = kRows[i];
        Row& row = m_rows[static_cast<std::size_t>(i)];
        row.book = new QPushButton(QString::fromUtf16(design.bookText), this);
        SetControlId(row.book, design.bookId);
        row.book->setAutoDefault(false);
        row.book->setToolTip(QStringLiteral(u"アドレス帳を開く"));
        row.entry = new CRecipientEntry(this);
        SetControlId(row.entry, design.entryId);
        row.entry->setAccessibleName(QString::fromUtf16(design.addTip));
        row.add = SmallButton(QStringLiteral(u"＋"), design.addId, QString::fromUtf16(design.addTip), this);
        row.clear = SmallButton(QStringLiteral(u"×"), design.clearId, QString::fromUtf16(design.clearTip), this);
        row.list = new CRecipientList(this);
        SetControlId(row.list, design.listId);
        row.list->setMinimumHeight(row.list->header()->sizeHint().height() + row.list->fontMetrics().lineSpacing() * 3 + 6);
        row.editEntry.Attach(row.entry);

        grid->addWidget(row.book, i * 2, 0);
        grid->addWidget(row.entry, i * 2, 1);
        grid->addWidget(row.add, i * 2, 2);
        grid->addWidget(row.clear, i * 2, 3);
        grid->addWidget(row.list, i * 2 + 1, 1, 1, 3);
        grid->setRowStretch(i * 2 + 1, 1);
        if (i > 0)
            grid->setRowMinimumHeight(i * 2, row.book->sizeHint().height() + 6);

        connect(row.book, &QPushButton::clicked, this, [this, i] { OpenAddressBook(i); });
        connect(row.add, &QPushButton::clicked, this, [this, i] { AddFromEntry(i); });
        connect(row.entry, &CRecipientEntry::addRequested, this, [this, i] { AddFromEntry(i); });
        connect(row.clear, &QPushButton::clicked, this, [this, i] { ClearList(i); });
        connect(row.list, &CRecipientList::edited, this, &CAddressPanel::changed);
    }
    grid->setColumnStretch(1, 1);
    // Tab goes row by row: book button, entry, "＋", clear, list.
    QWidget* previous = nullptr;
    for (Row& row : m_rows) {
        for (QWidget* widget : {static_cast<QWidget*>(row.book), static_cast<QWidget*>(row.entry),
                                static_cast<QWidget*>(row.add), static_cast<QWidget*>(row.clear),
                                static_cast<QWidget*>(row.list)}) {
            if (previous != nullptr)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

CAddressPanel::~CAddressPanel() = default;

std::vector<CAddress> CAddressPanel::GetAddresses(int list) const
{
    return GetList(list)->GetModel()->GetAddresses();
}

void CAddressPanel::SetAddresses(int list, const std::vector<CAddress>& addresses)
{
    GetList(list)->GetModel()->SetAddresses(addresses);
    SetChanged(list, 0);
}

int CAddressPanel::IsChanged(int list) const
{
    return GetList(list)->GetModel()->IsChanged();
}

void CAddressPanel::SetChanged(int list, int changed)
{
    GetList(list)->GetModel()->SetChanged(changed);
}

int CAddressPanel::AddAddresses(int list, const std::vector<CAddress>& addresses)
{
    CAddressListModel* model = GetList(list)->GetModel();
    const int before = model->rowCount();
    GetList(list)->AddChecked(addresses);
    return model->rowCount() - before;
}

int CAddressPanel::RemoveAddresses(int list, const std::vector<CAddress>& addresses)
{
    CAddressListModel* model = GetList(list)->GetModel();
    std::vector<int> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        if (FindAddress(addresses, model->GetAddresses()[static_cast<std::size_t>(row)]) >= 0)
            rows.push_back(row);
    model->RemoveRows(rows);
    return static_cast<int>(rows.size());
}

void CAddressPanel::ClearList(int list)
{
    CAddressListModel* model = GetList(list)->GetModel();
    std::vector<int> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.push_back(row);
    model->RemoveRows(rows);
}

void CAddressPanel::ClearAll()
{
    for (int list = 0; list < kLists; ++list)
        ClearList(list);
}

int CAddressPanel::IsEmpty() const
{
    for (int list = 0; list < kLists; ++list)
        if (GetList(list)->GetModel()->rowCount() > 0)
            return 0;
    return 1;
}

void CAddressPanel::AddFromEntry(int list)
{
    CRecipientEntry* entry = GetEntry(list);
    const CString text = FromQString(entry->text());
    if (TrimBlanks(text).IsEmpty()) {
        GetList(list)->setFocus();
        GetList(list)->ProcessEditAdd();
        return;
    }
    std::vector<CAddress> invalid;
    GetList(list)->AddChecked(ParseAddressText(text), &invalid);
    QStringList rest;
    for (const CAddress& address : invalid)
        rest << ToQString(address.ToText());
    entry->setText(rest.join(QStringLiteral(u", ")));
    entry->setFocus();
}

void CAddressPanel::OpenAddressBook(int list)
{
    if (CToolWindows* tools = theDataStore.GetToolWindows())
        tools->OpenAddressBook(ToCWnd(window()), list);
}

int CAddressPanel::IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item)
{
    item = nullptr;
    for (Row& row : m_rows) {
        if (wnd == row.list)
            item = row.list;
        else if (wnd == row.entry)
            item = &row.editEntry;
    }
    return item != nullptr ? 1 : 0;
}
