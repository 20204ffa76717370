#include "addressbook/CVCardExportDlg.h"

#include "addressbook/CVCard.h"
#include "command/CQtPlatformUi.h"
#include "addressbook/ImportExportButtons.h"
#include "command/CommandIds.h"
#include "command/QtText.h"
#include "data/TitleLists.h"
#include "files/CDrawerFileDlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr char16_t kCaption[] = u"アドレス書き出し";

}  // namespace

CVCardExportDlg::CVCardExportDlg(QWidget* parent) : QDialog(parent)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"vCardファイルへ書き出し"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral(u"書き出すアドレス(&L):"), this);
    SetControlId(label, IDC_LIST_LABEL);
    m_list = new QListWidget(this);
    SetControlId(m_list, IDC_LIST);
    label->setBuddy(m_list);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* everyone = new QListWidgetItem(QStringLiteral(u"アドレス帳のすべての人"), m_list);
    everyone->setData(Qt::UserRole, qlonglong(0));
    CTitleList groups;
    if (!LoadGroupTitles(groups))
        MessageBox(parent, u"GROUPテーブルのオープンに失敗しました。"_qs, u"アドレス帳"_qs, MB_OK | MB_ICONEXCLAMATION);
    for (const CTitleItem& group : groups) {
        auto* item = new QListWidgetItem(QStringLiteral(u"グループ: ") + ToQString(group.title), m_list);
        item->setData(Qt::UserRole, qlonglong(group.id));
        item->setData(Qt::UserRole + 1, ToQString(group.title));
    }
    m_list->setCurrentRow(0);
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setMinimumSize(metrics.horizontalAdvance(QString(24, u'あ')), metrics.lineSpacing() * 10);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);

    AddOkCancelRow(this, layout, QStringLiteral(u"書き出し(&E)..."));
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CVCardExportDlg::accept);
    m_list->setFocus();
}

long CVCardExportDlg::GetGroupId() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? static_cast<long>(item->data(Qt::UserRole).toLongLong()) : 0;
}

bool CVCardExportDlg::SelectGroup(long groupId)
{
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->data(Qt::UserRole).toLongLong() == groupId) {
            m_list->setCurrentRow(row);
            return true;
        }
    }
    return false;
}

void CVCardExportDlg::accept()
{
    const long groupId = GetGroupId();
    std::vector<CAddress> persons;
    if (!CVCardWriter::LoadPersons(groupId, persons)) {
        MessageBox(this, u"アドレス帳を読み込めませんでした。"_qs, QString::fromUtf16(kCaption), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (persons.empty()) {
        MessageBox(this, u"書き出すアドレスがありません。"_qs, QString::fromUtf16(kCaption), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    QString fileName = groupId == 0 ? QStringLiteral(u"アドレス帳") : m_list->currentItem()->data(Qt::UserRole + 1).toString();
    fileName.replace(u'/', u'_');
    fileName += QStringLiteral(u".vcf");
    std::unique_ptr<CFileDialog> fileDialog;
    if (makeFileDialog) {
        fileDialog = makeFileDialog(this, fileName);
    } else {
        auto dialog = std::make_unique<CDrawerFileDlg>(
            0, "vcf", nullptr,
            CDrawerFileDlg::OFN_EXPLORER | CDrawerFileDlg::OFN_HIDEREADONLY | CDrawerFileDlg::OFN_OVERWRITEPROMPT,
            "vCardファイル (*.vcf)|*.vcf|すべてのファイル (*.*)|*.*||", this, CDrawerFileDlg::DefaultFolderListPath());
        dialog->setWindowTitle(QStringLiteral(u"vCardファイルへ書き出し"));
        dialog->selectFile(fileName);
        fileDialog = std::move(dialog);
    }
    if (fileDialog->DoModal() != IDOK)
        return;
    if (!CVCardWriter::WriteFile(fileDialog->GetPathName(), persons)) {
        MessageBox(this, u"ファイル作成に失敗しました。"_qs, QString::fromUtf16(kCaption), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    MessageBox(this, QStringLiteral(u"%1件のアドレスを書き出しました。").arg(persons.size()), QString::fromUtf16(kCaption),
               MB_OK | MB_ICONINFORMATION);
    QDialog::accept();
}
