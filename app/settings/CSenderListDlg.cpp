#include "settings/CSenderListDlg.h"

#include "settings/CSenderAccount.h"
#include "settings/CSenderEditDlg.h"
#include "settings/CSenderSecurity.h"
#include "settings/SenderDialogs_p.h"

#include "command/CQtPlatformUi.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/SenderList.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;
using senderdlg::ShownText;

namespace {

// The entry's text without the default mark.
constexpr int kBaseTextRole = Qt::UserRole + 1;

const char16_t* const kNotSaved = u"差出人データベースに書き込めませんでした。";

}  // namespace

CSenderListDlg::CSenderListDlg(QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(u"差出人"_s);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top, 1);

    list_ = new QListWidget(this);
    SetControlId(list_, IDC_LIST);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    const QFontMetrics metrics = list_->fontMetrics();
    list_->setMinimumSize(metrics.horizontalAdvance(QString(26, u'あ')), metrics.lineSpacing() * 10);
    top->addWidget(list_, 1);

    auto* side = new QVBoxLayout;
    top->addLayout(side);
    auto button = [this, side](int id, const QString& text) {
        auto* made = new QPushButton(text, this);
        SetControlId(made, id);
        made->setAutoDefault(false);
        side->addWidget(made);
        return made;
    };
    QPushButton* add = button(IDC_ADD, u"追加(&A)"_s);
    modify_ = button(IDC_MODIFY, u"修正(&M)"_s);
    delete_ = button(IDC_DELETE, u"削除(&D)"_s);
    side->addSpacing(metrics.height());
    default_ = button(IDC_DEFAULT, u"通常差出人に設定(&U)"_s);
    default_->setToolTip(u"選んだ差出人を、宛先ページで最初に選ばれる差出人にします"_s);
    // Both texts fit without the button changing its width.
    default_->setMinimumWidth(default_->sizeHint().width());
    side->addStretch(1);

    auto* bottom = new QHBoxLayout;
    toBcc_ = new QCheckBox(u"差出人をBCCに入れる(&B)"_s, this);
    SetControlId(toBcc_, IDC_TO_BCC);
    toBcc_->setToolTip(u"送信するメールを自分にも BCC で送ります"_s);
    auto* close = new QPushButton(u"閉じる(&C)"_s, this);
    SetControlId(close, IDCANCEL);
    close->setAutoDefault(false);
    bottom->addWidget(toBcc_);
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    CSenderList senders;
    if (!LoadSenderList(senders))
        MessageBox(this, u"差出人データベースを読み込めませんでした。"_s, u"エラー"_s, MB_OK | MB_ICONEXCLAMATION);
    defaultId_ = senders.defaultId;
    for (const CSenderEntry& entry : senders.entries) {
        auto* item = new QListWidgetItem(list_);
        item->setData(Qt::UserRole, qlonglong(entry.id));
        QString base = ToQString(entry.text);
        if (entry.id == defaultId_) base.chop(ToQString(DefaultSenderMark()).size());
        SetEntryText(item, base);
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    toBcc_->setChecked(senders.setToBcc != 0);
    UpdateButtons();

    connect(add, &QPushButton::clicked, this, &CSenderListDlg::OnAdd);
    connect(modify_, &QPushButton::clicked, this, &CSenderListDlg::OnModify);
    connect(delete_, &QPushButton::clicked, this, &CSenderListDlg::OnDelete);
    connect(default_, &QPushButton::clicked, this, &CSenderListDlg::OnDefault);
    connect(toBcc_, &QCheckBox::clicked, this, &CSenderListDlg::OnToBcc);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CSenderListDlg::OnModify);
    connect(list_, &QListWidget::itemSelectionChanged, this, &CSenderListDlg::UpdateButtons);
    list_->setFocus();
}

long CSenderListDlg::GetSelectedId() const
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? 0 : static_cast<long>(selected.front()->data(Qt::UserRole).toLongLong());
}

QListWidgetItem* CSenderListDlg::FindEntry(long id) const
{
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->data(Qt::UserRole).toLongLong() == id) return list_->item(row);
    return nullptr;
}

void CSenderListDlg::SetEntryText(QListWidgetItem* item, const QString& base)
{
    item->setData(kBaseTextRole, base);
    const bool isDefault = item->data(Qt::UserRole).toLongLong() == defaultId_;
    item->setText(isDefault ? base + ToQString(DefaultSenderMark()) : base);
    item->setToolTip(item->text());
}

void CSenderListDlg::UpdateButtons()
{
    const long selected = GetSelectedId();
    default_->setText(selected != 0 && selected == defaultId_ ? u"通常差出人を解除(&U)"_s : u"通常差出人に設定(&U)"_s);
    for (QPushButton* button : {modify_, delete_, default_})
        button->setEnabled(selected != 0);
}

void CSenderListDlg::OnAdd()
{
    CSenderEditDlg dialog(CSenderAccount(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const CSenderAccount& account = dialog.GetAccount();
    auto* item = new QListWidgetItem(list_);
    item->setData(Qt::UserRole, qlonglong(account.id));
    SetEntryText(item, ToQString(SenderEntryText(account.displayName, account.mailAddress, false)));
    list_->setCurrentItem(item);
    UpdateButtons();
}

void CSenderListDlg::OnModify()
{
    const long id = GetSelectedId();
    if (id == 0) return;
    CSenderAccount account;
    CString detail;
    if (account.Load(id, detail) != CSenderSecurity::Ok) {
        MessageBox(this, ShownText(detail), u"エラー"_s, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CSenderEditDlg dialog(account, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const CSenderAccount& written = dialog.GetAccount();
    if (QListWidgetItem* item = FindEntry(id))
        SetEntryText(item, ToQString(SenderEntryText(written.displayName, written.mailAddress, false)));
}

void CSenderListDlg::OnDelete()
{
    const long id = GetSelectedId();
    QListWidgetItem* item = FindEntry(id);
    if (id == 0 || item == nullptr) return;
    if (MessageBox(this, item->text() + u"を削除しても、よろしいですか？"_s, u"確認"_s, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    CString detail;
    const CSenderSecurity::Status status = CSenderSecurity::RemoveAccount(id, detail);
    if (status == CSenderSecurity::DatabaseError) {
        MessageBox(this, ShownText(detail), u"エラー"_s, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // NoAccount: another instance deleted it already.
    const int row = list_->row(item);
    delete list_->takeItem(row);
    if (list_->count() > 0) list_->setCurrentRow(std::min(row, list_->count() - 1));
    UpdateButtons();
    if (status == CSenderSecurity::NoKeyring || status == CSenderSecurity::KeyringFailed)
        MessageBox(this, ShownText(detail), u"差出人"_s, MB_OK | MB_ICONEXCLAMATION);
}

void CSenderListDlg::OnDefault()
{
    const long selected = GetSelectedId();
    if (selected == 0) return;
    long oldId = 0;
    long newId = 0;
    if (!ToggleDefaultSender(selected, oldId, newId)) {
        MessageBox(this, QString::fromUtf16(kNotSaved), u"エラー"_s, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    defaultId_ = newId;
    for (long changed : {newId, oldId}) {
        if (QListWidgetItem* item = FindEntry(changed))
            SetEntryText(item, item->data(kBaseTextRole).toString());
    }
    UpdateButtons();
}

void CSenderListDlg::OnToBcc()
{
    const bool checked = toBcc_->isChecked();
    if (!WriteSenderToBcc(checked ? 1 : 0)) {
        MessageBox(this, QString::fromUtf16(kNotSaved), u"エラー"_s, MB_OK | MB_ICONEXCLAMATION);
        toBcc_->setChecked(!checked);
    }
}
